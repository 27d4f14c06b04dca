// The writer's pixels, read from the raster source a region at a time: what has been read is
// counted for the progress display, within a long read too, and a run asked to stop stops at the
// next region or inside the read under way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "package_writer.h"
#include "progress_display.h"
#include "raster_source.h"
#include "stop_request.h"

class RegionFeed {
  public:
    // Watches the source's reads until destroyed.
    RegionFeed(RasterSource& source, ProgressDisplay& display, StopRequest& stop);
    RegionFeed(const RegionFeed&) = delete;
    RegionFeed& operator=(const RegionFeed&) = delete;
    ~RegionFeed();

    // The region source to give WritePackage; valid while this feed lives.
    RegionSource Source();

  private:
    StripContent Read(const PixelRegion& region, std::uint8_t* pixels, std::size_t stride,
                      std::string& errorText);
    // Asked by the source during a read, with the share of it done.
    bool KeepGoing(double readShare);

    RasterSource& source_;
    ProgressDisplay& display_;
    StopRequest& stop_;
    std::uint64_t pixelsRead_ = 0;    // input pixels read before the region being read
    std::uint64_t regionPixels_ = 0;  // input pixels of the region being read
};
