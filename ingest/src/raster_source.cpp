#include "raster_source.h"

#include <algorithm>
#include <cmath>

#include <cpl_error.h>
#include <cpl_string.h>
#include <ogr_srs_api.h>

#include "band_choice.h"
#include "block_budget.h"
#include "pack_command.h"
#include "value_range.h"

namespace {

constexpr int kGreyChannel = 0;
constexpr int kAlphaChannel = 3;
constexpr std::uint8_t kOpaque = 255;
constexpr double kByteMax = 255.0;
// What GDAL calls a coordinate system that has no name.
constexpr char kUnknownName[] = "unknown";
// Data other than bytes is read through a scratch of doubles this large, a few rows at a time.
constexpr std::size_t kScratchValues = std::size_t{1} << 21;

bool IsFloatingPoint(GDALDataType type) {
    return GDALDataTypeIsFloating(type) != 0;
}

std::uint8_t ScaleColour(double value, const ValueRange& range) {
    const double span = range.maximum - range.minimum;
    if (!(span > 0)) {
        return 0;  // a constant band
    }
    const double scaled = (value - range.minimum) * (kByteMax / span) + 0.5;
    return static_cast<std::uint8_t>(std::clamp(scaled, 0.0, kByteMax));
}

// An alpha band is scaled from its type's full scale, so 0 stays transparent and the largest value
// the type holds becomes opaque whatever values the band happens to hold; floating point alpha
// runs from 0 to 1.
double AlphaScale(GDALDataType type) {
    if (type == GDT_Byte) {
        return 1.0;
    }
    if (IsFloatingPoint(type)) {
        return kByteMax;
    }
    const int bits = GDALGetDataTypeSizeBits(type) - (GDALDataTypeIsSigned(type) ? 1 : 0);
    return kByteMax / (std::ldexp(1.0, bits) - 1.0);
}

std::uint8_t ScaleAlpha(double value, const ChannelBand& channel) {
    if (!(value > 0)) {
        return 0;  // NaN included
    }
    const double scaled = value * channel.alphaScale + 0.5;
    return static_cast<std::uint8_t>(std::clamp(scaled, 0.0, kByteMax));
}

bool IsNoData(double value, const ChannelBand& channel) {
    if (!std::isfinite(value)) {
        return true;
    }
    if (!channel.hasNoData) {
        return false;
    }
    if (channel.isFloat32) {
        return static_cast<float>(value) == static_cast<float>(channel.noData);
    }
    return value == channel.noData;
}

template <typename Change>
void ForEachPixel(std::uint8_t* pixels, std::size_t stride, std::uint32_t width,
                  std::uint32_t rowCount, Change change) {
    for (std::uint32_t row = 0; row < rowCount; ++row) {
        std::uint8_t* pixel = pixels + row * stride;
        for (std::uint32_t x = 0; x < width; ++x, pixel += kBytesPerPixel) {
            change(pixel);
        }
    }
}

std::string LastGdalError(const char* fallback) {
    const char* message = CPLGetLastErrorMsg();
    return message != nullptr && message[0] != '\0' ? message : fallback;
}

int KeepGoing(double share, const char*, void* data) {
    const auto* keepGoing = static_cast<const std::function<bool(double)>*>(data);
    return (*keepGoing)(share) ? TRUE : FALSE;
}

}  // namespace

PackResultOf<std::unique_ptr<RasterSource>> RasterSource::Open(const std::string& path,
                                                               SourceSettings settings) {
    return Adopt(OpenDataset(path), std::move(settings));
}

PackResultOf<std::unique_ptr<RasterSource>> RasterSource::Use(GDALDatasetH dataset,
                                                              const std::string& name,
                                                              SourceSettings settings) {
    return Adopt(UseDataset(dataset, name), std::move(settings));
}

PackResultOf<std::unique_ptr<RasterSource>> RasterSource::Adopt(
    const PackResultOf<OpenedDataset>& opened, SourceSettings settings) {
    if (!opened) {
        return opened.error();
    }
    PackStatus readable = CheckBandCount(opened->file);
    if (readable)
        readable = CheckBlockBudget(opened->file, static_cast<std::uint64_t>(kPackReadCacheBytes));
    if (!readable) {
        OpenedDataset unused = *opened;
        CloseDataset(unused);
        return readable.error();
    }
    std::unique_ptr<RasterSource> source(new RasterSource(*opened, std::move(settings)));
    if (const PackStatus mapped = source->MapBands(); !mapped) {
        return mapped.error();
    }
    return source;
}

RasterSource::RasterSource(const OpenedDataset& opened, SourceSettings settings)
    : opened_(opened),
      dataset_(opened.pixels),
      settings_(std::move(settings)),
      width_(static_cast<std::uint32_t>(GDALGetRasterXSize(opened.pixels))),
      height_(static_cast<std::uint32_t>(GDALGetRasterYSize(opened.pixels))) {
    if (!opened.note.empty()) {
        notes_.push_back(opened.note);
    }
}

RasterSource::~RasterSource() {
    CloseDataset(opened_);
}

PackStatus RasterSource::MapBands() {
    const PackResultOf<BandChoice> chosen =
        ChooseBands(dataset_, settings_.bands, settings_.bandsOption);
    if (!chosen) {
        return chosen.error();
    }
    const BandChoice& choice = *chosen;
    if (!choice.note.empty()) {
        notes_.push_back(choice.note);
    }
    grey_ = choice.colourBands.size() == 1;
    palette_ = choice.palette;
    hasAlphaBand_ = choice.alphaBand != 0;

    auto describe = [&](int bandNumber, int channelOffset) {
        ChannelBand channel;
        channel.bandNumber = bandNumber;
        channel.band = GDALGetRasterBand(dataset_, bandNumber);
        channel.channel = channelOffset;
        const GDALDataType type = GDALGetRasterDataType(channel.band);
        channel.isByte = type == GDT_Byte;
        channel.isFloat32 = type == GDT_Float32;
        channel.alphaScale = AlphaScale(type);
        return channel;
    };

    // Colour bands other than bytes share one stretch, so their balance survives; a range the
    // user gives applies to every colour band, bytes too.
    std::optional<ValueRange> common = settings_.scale;
    for (std::size_t i = 0; i < choice.colourBands.size(); ++i) {
        ChannelBand channel = describe(choice.colourBands[i], static_cast<int>(i));
        if (settings_.scale && !palette_) {
            channel.isByte = false;
        }
        if (!channel.isByte && !settings_.scale) {
            const ValueRange own = FindValueRange(channel.band);
            common = common ? Union(*common, own) : own;
        }
        MapColourMasks(channel);
        channels_.push_back(channel);
    }
    for (ChannelBand& channel : channels_) {
        channel.range = common.value_or(ValueRange{});
    }
    if (hasAlphaBand_) {
        channels_.push_back(describe(choice.alphaBand, kAlphaChannel));
    }
    if (palette_) {
        GDALColorTableH table = GDALGetRasterColorTable(channels_[0].band);
        const int entries = std::min<int>(GDALGetColorEntryCount(table), kByteValues);
        for (int i = 0; i < entries; ++i) {
            GDALColorEntry entry = {};
            GDALGetColorEntryAsRGB(table, i, &entry);
            paletteColours_[static_cast<std::size_t>(i)] = {
                static_cast<std::uint8_t>(entry.c1), static_cast<std::uint8_t>(entry.c2),
                static_cast<std::uint8_t>(entry.c3), static_cast<std::uint8_t>(entry.c4)};
        }
    }
    return {};
}

void RasterSource::MapColourMasks(ChannelBand& channel) {
    const int flags = GDALGetMaskFlags(channel.band);
    if ((flags & GMF_ALL_VALID) == 0) {
        const GDALRasterBandH mask = GDALGetMaskBand(channel.band);
        if ((flags & GMF_ALPHA) != 0) {
            // GDAL's view of an alpha band (rescaled when it is not Byte): alpha comes from the
            // alpha band we map, if any, and from nowhere else.
        } else if ((flags & GMF_PER_DATASET) != 0) {
            // One mask for every band (an internal mask, or nodata values that all bands must
            // match).
            if (datasetMask_ == nullptr) {
                datasetMask_ = mask;
            }
        } else if ((flags & GMF_NODATA) != 0) {
            int hasNoData = FALSE;
            channel.noData = GDALGetRasterNoDataValue(channel.band, &hasNoData);
            channel.hasNoData = hasNoData != 0;
        } else {
            channel.ownMask = mask;
        }
    }
    channel.tracksValidity = channel.hasNoData || channel.ownMask != nullptr ||
                             IsFloatingPoint(GDALGetRasterDataType(channel.band));
    validityTrackers_ += channel.tracksValidity ? 1 : 0;
}

GDALRasterIOExtraArg RasterSource::ReadArguments() const {
    GDALRasterIOExtraArg arguments;
    INIT_RASTERIO_EXTRA_ARG(arguments);
    if (keepGoing_) {
        arguments.pfnProgress = KeepGoing;
        arguments.pProgressData = const_cast<std::function<bool(double)>*>(&keepGoing_);
    }
    return arguments;
}

GeoTransformCoefficients RasterSource::GeoTransform() const {
    GeoTransformCoefficients coefficients = kIdentityGeoTransform;
    if (GDALGetGeoTransform(dataset_, coefficients.data()) != CE_None) {
        coefficients = kIdentityGeoTransform;
    }
    CPLErrorReset();
    return coefficients;
}

std::string RasterSource::CoordinateSystemName() const {
    OGRSpatialReferenceH srs = GDALGetSpatialRef(dataset_);
    if (srs == nullptr) {
        return {};
    }
    const char* name = OSRGetName(srs);
    const bool named = name != nullptr && name[0] != '\0' && std::string(name) != kUnknownName;
    return named ? name : "";
}

std::vector<std::string> RasterSource::FileList() const {
    std::vector<std::string> files;
    char** list = GDALGetFileList(dataset_);
    for (char** item = list; item != nullptr && *item != nullptr; ++item) {
        files.emplace_back(*item);
    }
    CSLDestroy(list);
    return files;
}

StripContent RasterSource::ReadRows(std::uint32_t firstRow, std::uint32_t rowCount,
                                    std::uint8_t* pixels, std::size_t stride,
                                    std::string& errorText) {
    return ReadRegion(PixelRegion{0, firstRow, width_, rowCount}, pixels, stride, errorText);
}

StripContent RasterSource::ReadRegion(const PixelRegion& region, std::uint8_t* pixels,
                                      std::size_t stride, std::string& errorText) {
    firstColumn_ = region.firstColumn;
    columns_ = region.columnCount;
    const std::uint32_t firstRow = region.firstRow;
    const std::uint32_t rowCount = region.rowCount;
    CPLErrorReset();
    if (!hasAlphaBand_) {
        ForEachPixel(pixels, stride, columns_, rowCount,
                     [](std::uint8_t* pixel) { pixel[kAlphaChannel] = kOpaque; });
    }
    if (!ReadChannels(firstRow, rowCount, pixels, stride)) {
        errorText = LastGdalError("GDAL could not read them");
        return StripContent::kFailed;
    }
    if (palette_) {
        ExpandPalette(rowCount, pixels, stride);
    } else if (grey_) {
        ForEachPixel(pixels, stride, columns_, rowCount,
                     [](std::uint8_t* pixel) { pixel[1] = pixel[2] = pixel[kGreyChannel]; });
    }
    // A pixel has no data when every colour band that can say so says so.
    if (validityTrackers_ > 0) {
        ApplyToAlpha(anyValid_, rowCount, pixels, stride, false);
    }
    if (datasetMask_ != nullptr) {
        if (!ReadMask(datasetMask_, firstRow, rowCount)) {
            errorText = LastGdalError("GDAL could not read the mask");
            return StripContent::kFailed;
        }
        ApplyToAlpha(maskRows_, rowCount, pixels, stride, true);
    }
    if (!hasAlphaBand_ && !palette_ && validityTrackers_ == 0 && datasetMask_ == nullptr) {
        return StripContent::kPixels;  // every pixel is opaque
    }
    for (std::uint32_t row = 0; row < rowCount; ++row) {
        const std::uint8_t* pixel = pixels + row * stride + kAlphaChannel;
        for (std::uint32_t x = 0; x < columns_; ++x, pixel += kBytesPerPixel) {
            if (*pixel != 0) {
                return StripContent::kPixels;
            }
        }
    }
    return StripContent::kTransparent;
}

bool RasterSource::ReadChannels(std::uint32_t firstRow, std::uint32_t rowCount,
                                std::uint8_t* pixels, std::size_t stride) {
    const std::size_t pixelCount = std::size_t{columns_} * rowCount;
    const bool allBytes = std::all_of(channels_.begin(), channels_.end(),
                                      [](const ChannelBand& channel) { return channel.isByte; });
    if (allBytes && !ReadBytesDirect(firstRow, rowCount, pixels, stride)) {
        return false;
    }
    if (validityTrackers_ > 0) {
        anyValid_.assign(pixelCount, 0);
    }
    for (const ChannelBand& channel : channels_) {
        if (channel.tracksValidity) {
            bandValid_.assign(pixelCount, 1);
        }
        if (!allBytes &&
            !(channel.isByte ? ReadByteBand(channel, firstRow, rowCount, pixels, stride)
                             : ReadScaled(channel, firstRow, rowCount, pixels, stride))) {
            return false;
        }
        if (!channel.tracksValidity) {
            continue;
        }
        if (channel.isByte && channel.hasNoData) {
            MarkNoDataBytes(channel, rowCount, pixels, stride);
        }
        if (channel.ownMask != nullptr) {
            if (!ReadMask(channel.ownMask, firstRow, rowCount)) {
                return false;
            }
            for (std::size_t i = 0; i < pixelCount; ++i) {
                bandValid_[i] &= maskRows_[i] != 0 ? 1 : 0;
            }
        }
        for (std::size_t i = 0; i < pixelCount; ++i) {
            anyValid_[i] |= bandValid_[i];
        }
    }
    return true;
}

bool RasterSource::ReadBytesDirect(std::uint32_t firstRow, std::uint32_t rowCount,
                                   std::uint8_t* pixels, std::size_t stride) {
    // Straight into the interleaved pixels: grey and alpha land 3 bytes apart, red, green, blue
    // and alpha 1 byte apart.
    int bandMap[kBytesPerPixel] = {};
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        bandMap[i] = channels_[i].bandNumber;
    }
    const GSpacing bandSpace = grey_ ? kAlphaChannel : 1;
    GDALRasterIOExtraArg arguments = ReadArguments();
    return GDALDatasetRasterIOEx(dataset_, GF_Read, static_cast<int>(firstColumn_),
                                 static_cast<int>(firstRow), static_cast<int>(columns_),
                                 static_cast<int>(rowCount), pixels, static_cast<int>(columns_),
                                 static_cast<int>(rowCount), GDT_Byte,
                                 static_cast<int>(channels_.size()), bandMap, kBytesPerPixel,
                                 static_cast<GSpacing>(stride), bandSpace, &arguments) == CE_None;
}

bool RasterSource::ReadScaled(const ChannelBand& channel, std::uint32_t firstRow,
                              std::uint32_t rowCount, std::uint8_t* pixels, std::size_t stride) {
    const std::uint32_t chunkRows = static_cast<std::uint32_t>(std::clamp<std::size_t>(
        kScratchValues / std::max<std::uint32_t>(columns_, 1), 1, rowCount));
    values_.resize(std::size_t{columns_} * chunkRows);
    GDALRasterIOExtraArg arguments = ReadArguments();
    for (std::uint32_t chunkStart = 0; chunkStart < rowCount; chunkStart += chunkRows) {
        const std::uint32_t rows = std::min(chunkRows, rowCount - chunkStart);
        if (GDALRasterIOEx(channel.band, GF_Read, static_cast<int>(firstColumn_),
                           static_cast<int>(firstRow + chunkStart), static_cast<int>(columns_),
                           static_cast<int>(rows), values_.data(), static_cast<int>(columns_),
                           static_cast<int>(rows), GDT_Float64, 0, 0, &arguments) != CE_None) {
            return false;
        }
        for (std::uint32_t row = 0; row < rows; ++row) {
            const double* value = values_.data() + std::size_t{row} * columns_;
            const std::size_t firstPixel = std::size_t{chunkStart + row} * columns_;
            std::uint8_t* pixel = pixels + (chunkStart + row) * stride + channel.channel;
            for (std::uint32_t x = 0; x < columns_; ++x, pixel += kBytesPerPixel) {
                if (channel.channel == kAlphaChannel) {
                    *pixel = ScaleAlpha(value[x], channel);
                } else if (IsNoData(value[x], channel)) {
                    *pixel = 0;
                    bandValid_[firstPixel + x] = 0;
                } else {
                    *pixel = ScaleColour(value[x], channel.range);
                }
            }
        }
    }
    return true;
}

bool RasterSource::ReadByteBand(const ChannelBand& channel, std::uint32_t firstRow,
                                std::uint32_t rowCount, std::uint8_t* pixels, std::size_t stride) {
    GDALRasterIOExtraArg arguments = ReadArguments();
    return GDALRasterIOEx(channel.band, GF_Read, static_cast<int>(firstColumn_),
                          static_cast<int>(firstRow), static_cast<int>(columns_),
                          static_cast<int>(rowCount), pixels + channel.channel,
                          static_cast<int>(columns_), static_cast<int>(rowCount), GDT_Byte,
                          kBytesPerPixel, static_cast<GSpacing>(stride), &arguments) == CE_None;
}

bool RasterSource::ReadMask(GDALRasterBandH mask, std::uint32_t firstRow, std::uint32_t rowCount) {
    maskRows_.resize(std::size_t{columns_} * rowCount);
    GDALRasterIOExtraArg arguments = ReadArguments();
    return GDALRasterIOEx(mask, GF_Read, static_cast<int>(firstColumn_), static_cast<int>(firstRow),
                          static_cast<int>(columns_), static_cast<int>(rowCount), maskRows_.data(),
                          static_cast<int>(columns_), static_cast<int>(rowCount), GDT_Byte, 0, 0,
                          &arguments) == CE_None;
}

void RasterSource::MarkNoDataBytes(const ChannelBand& channel, std::uint32_t rowCount,
                                   const std::uint8_t* pixels, std::size_t stride) {
    if (channel.noData != std::floor(channel.noData) || channel.noData < 0 ||
        channel.noData > kByteMax) {
        return;  // no byte can equal it
    }
    const auto noData = static_cast<std::uint8_t>(channel.noData);
    for (std::uint32_t row = 0; row < rowCount; ++row) {
        const std::uint8_t* pixel = pixels + row * stride + channel.channel;
        std::uint8_t* valid = bandValid_.data() + std::size_t{row} * columns_;
        for (std::uint32_t x = 0; x < columns_; ++x, pixel += kBytesPerPixel) {
            if (*pixel == noData) {
                valid[x] = 0;
            }
        }
    }
}

void RasterSource::ApplyToAlpha(const std::vector<std::uint8_t>& perPixel, std::uint32_t rowCount,
                                std::uint8_t* pixels, std::size_t stride, bool isMask) {
    for (std::uint32_t row = 0; row < rowCount; ++row) {
        std::uint8_t* alpha = pixels + row * stride + kAlphaChannel;
        const std::uint8_t* value = perPixel.data() + std::size_t{row} * columns_;
        for (std::uint32_t x = 0; x < columns_; ++x, alpha += kBytesPerPixel) {
            // A mask may be an alpha band itself, so its value caps the alpha; a validity flag
            // only clears it.
            *alpha = isMask ? std::min(*alpha, value[x]) : (value[x] != 0 ? *alpha : 0);
        }
    }
}

void RasterSource::ExpandPalette(std::uint32_t rowCount, std::uint8_t* pixels,
                                 std::size_t stride) const {
    ForEachPixel(pixels, stride, columns_, rowCount, [this](std::uint8_t* pixel) {
        const std::array<std::uint8_t, kBytesPerPixel>& colour = paletteColours_[pixel[0]];
        pixel[0] = colour[0];
        pixel[1] = colour[1];
        pixel[2] = colour[2];
        pixel[kAlphaChannel] = std::min(pixel[kAlphaChannel], colour[kAlphaChannel]);
    });
}
