// A GDAL raster read as RGBA rows for the package writer: which bands become which channels, how
// data other than bytes is scaled to 0..255, and which pixels lose their alpha through nodata
// values, non-finite values, mask bands and palettes. The dataset is opened read-only and nothing
// is ever written back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gdal.h>

#include "dataset_opening.h"
#include "pack_code.h"
#include "pack_options.h"
#include "package_format.h"
#include "package_writer.h"

// What the user asked of the bands.
struct SourceSettings {
    std::vector<int> bands;               // R,G,B[,A]; empty: by colour interpretation
    std::optional<ValueRange> scale;      // unset: the colour bands' common range
    std::string bandsOption = "--bands";  // how the user chooses bands, for notes and errors
};

// How one input band becomes one channel of the RGBA pixels.
struct ChannelBand {
    int bandNumber = 0;  // 1-based, as GDAL counts
    GDALRasterBandH band = nullptr;
    int channel = 0;     // byte offset within a pixel: 0 red (or grey), 1 green, 2 blue, 3 alpha
    bool isByte = true;  // read as bytes, unscaled
    bool isFloat32 = false;
    ValueRange range;       // colour: stretched from this to 0..255 unless isByte
    double alphaScale = 1;  // alpha: the factor to 0..255 from the band type's full scale
    bool hasNoData = false;
    double noData = 0;
    GDALRasterBandH ownMask = nullptr;  // a mask band of this band alone, read row by row
    bool tracksValidity = false;        // colour bands: nodata, own mask or floating point
};

class RasterSource {
  public:
    // Opens `path` read-only and chooses its bands. Fails with kCannotOpen (GDAL's message) or
    // kBandsRefused.
    static PackResultOf<std::unique_ptr<RasterSource>> Open(const std::string& path,
                                                            SourceSettings settings = {});
    // The same for a dataset the caller has open; it stays open and is the caller's to close once
    // this source is gone. `name` names it in messages.
    static PackResultOf<std::unique_ptr<RasterSource>> Use(GDALDatasetH dataset,
                                                           const std::string& name,
                                                           SourceSettings settings = {});

    RasterSource(const RasterSource&) = delete;
    RasterSource& operator=(const RasterSource&) = delete;
    ~RasterSource();

    std::uint32_t Width() const { return width_; }
    std::uint32_t Height() const { return height_; }
    // The dataset's geotransform, identity when it has none.
    GeoTransformCoefficients GeoTransform() const;
    // The dataset's coordinate system, null when it has none; owned by the dataset.
    OGRSpatialReferenceH SpatialRef() const { return GDALGetSpatialRef(dataset_); }
    // A short name of the dataset's coordinate system, empty when it has none or it has no name.
    std::string CoordinateSystemName() const;
    // The files GDAL reads for this dataset.
    std::vector<std::string> FileList() const;
    // What the user should know about how the input is read (bands chosen, warping), one line each.
    const std::vector<std::string>& Notes() const { return notes_; }

    // Asked while rows are read, with the share of the current read done; false stops the read,
    // which then fails.
    void SetKeepGoing(std::function<bool(double)> keepGoing) { keepGoing_ = std::move(keepGoing); }

    // Fills `region` as RGBA pixels, `stride` bytes apart; a RegionSource for WritePackage.
    StripContent ReadRegion(const PixelRegion& region, std::uint8_t* pixels, std::size_t stride,
                            std::string& errorText);
    // The same for rows [firstRow, firstRow + rowCount) across the whole width.
    StripContent ReadRows(std::uint32_t firstRow, std::uint32_t rowCount, std::uint8_t* pixels,
                          std::size_t stride, std::string& errorText);

  private:
    static PackResultOf<std::unique_ptr<RasterSource>> Adopt(
        const PackResultOf<OpenedDataset>& opened, SourceSettings settings);
    RasterSource(const OpenedDataset& opened, SourceSettings settings);
    PackStatus MapBands();
    void MapColourMasks(ChannelBand& channel);
    void ExpandPalette(std::uint32_t rowCount, std::uint8_t* pixels, std::size_t stride) const;
    GDALRasterIOExtraArg ReadArguments() const;

    // Reads every mapped band into its channel and gathers anyValid_.
    bool ReadChannels(std::uint32_t firstRow, std::uint32_t rowCount, std::uint8_t* pixels,
                      std::size_t stride);
    bool ReadBytesDirect(std::uint32_t firstRow, std::uint32_t rowCount, std::uint8_t* pixels,
                         std::size_t stride);
    bool ReadByteBand(const ChannelBand& channel, std::uint32_t firstRow, std::uint32_t rowCount,
                      std::uint8_t* pixels, std::size_t stride);
    // Data other than bytes, scaled; clears bandValid_ where a colour band holds no data.
    bool ReadScaled(const ChannelBand& channel, std::uint32_t firstRow, std::uint32_t rowCount,
                    std::uint8_t* pixels, std::size_t stride);
    bool ReadMask(GDALRasterBandH mask, std::uint32_t firstRow, std::uint32_t rowCount);
    void MarkNoDataBytes(const ChannelBand& channel, std::uint32_t rowCount,
                         const std::uint8_t* pixels, std::size_t stride);
    void ApplyToAlpha(const std::vector<std::uint8_t>& perPixel, std::uint32_t rowCount,
                      std::uint8_t* pixels, std::size_t stride, bool isMask);

    OpenedDataset opened_;
    GDALDatasetH dataset_ = nullptr;  // the pixels read: the input or a warped view of it
    SourceSettings settings_;
    std::function<bool(double)> keepGoing_;
    std::vector<std::string> notes_;
    bool palette_ = false;
    static constexpr std::size_t kByteValues = 256;  // a Byte palette band indexes this many
    std::array<std::array<std::uint8_t, kBytesPerPixel>, kByteValues> paletteColours_ = {};
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    bool grey_ = false;
    std::vector<ChannelBand> channels_;  // colour bands, then the alpha band if any
    bool hasAlphaBand_ = false;
    GDALRasterBandH datasetMask_ = nullptr;  // a mask shared by all bands, applied to alpha
    int validityTrackers_ = 0;               // colour bands with tracksValidity

    // The columns of the region being read.
    std::uint32_t firstColumn_ = 0;
    std::uint32_t columns_ = 0;
    // Scratch for one band of rows, kept between calls.
    std::vector<double> values_;
    std::vector<std::uint8_t> maskRows_;
    std::vector<std::uint8_t> bandValid_;  // per pixel: the current colour band has data here
    std::vector<std::uint8_t> anyValid_;   // per pixel: some tracking colour band has data here
};
