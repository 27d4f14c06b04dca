#include "region_feed.h"

RegionFeed::RegionFeed(RasterSource& source, ProgressDisplay& display, StopRequest& stop)
    : source_(source), display_(display), stop_(stop) {
    source_.SetKeepGoing([this](double readShare) { return KeepGoing(readShare); });
}

RegionFeed::~RegionFeed() {
    source_.SetKeepGoing({});
}

RegionSource RegionFeed::Source() {
    return [this](const PixelRegion& region, std::uint8_t* pixels, std::size_t stride,
                  std::string& errorText) { return Read(region, pixels, stride, errorText); };
}

bool RegionFeed::KeepGoing(double readShare) {
    display_.Read(pixelsRead_ +
                  static_cast<std::uint64_t>(readShare * static_cast<double>(regionPixels_)));
    return !stop_.Requested();
}

StripContent RegionFeed::Read(const PixelRegion& region, std::uint8_t* pixels, std::size_t stride,
                              std::string& errorText) {
    if (stop_.Requested()) {
        return StripContent::kStopped;
    }
    regionPixels_ = std::uint64_t{region.rowCount} * region.columnCount;
    display_.Read(pixelsRead_);
    StripContent content = source_.ReadRegion(region, pixels, stride, errorText);
    // GDAL fails a read the stop cut short; it is the stop that ended it.
    if (content == StripContent::kFailed && stop_.Stopped()) {
        content = StripContent::kStopped;
    }
    pixelsRead_ += regionPixels_;
    display_.Read(pixelsRead_);
    return content;
}
