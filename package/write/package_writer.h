// Writing a package: from the full-resolution image, streamed in strips of rows, every pyramid
// level is built, cut into tiles of 4 x 4 WebP sub-tiles and written after the header and index.
// Memory stays bounded whatever the size: per level one strip of 512 rows across the width, plus
// the encoded sub-tiles of the tile row in progress; an image too wide for that is walked in
// square blocks of tiles, with strips as wide as a block and one tile of each coarser level.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "output_file.h"
#include "package_format.h"
#include "write_code.h"

// WebP quality of a lossy package unless the caller says otherwise.
inline constexpr int kDefaultQuality = 85;
// The highest WebP quality; 0 is the lowest.
inline constexpr int kMaxQuality = 100;

// The pixel buffers the writer holds stay under this many bytes unless the caller says otherwise.
inline constexpr std::uint64_t kPixelBudgetBytes = std::uint64_t{320} << 20;

enum class StripContent {
    kPixels,       // the rows were written
    kTransparent,  // every pixel of the rows has alpha 0; nothing was written
    kFailed,       // the rows could not be had; errorText says why
    kStopped,      // the source was asked to stop; the write fails with kInterrupted
};

// A rectangle of the full-resolution image.
struct PixelRegion {
    std::uint32_t firstColumn = 0;
    std::uint32_t firstRow = 0;
    std::uint32_t columnCount = 0;
    std::uint32_t rowCount = 0;
};

// Yields `region` of the full-resolution image into `pixels`: rowCount rows of columnCount RGBA
// pixels (bytes R, G, B, A), `stride` bytes apart. The writer asks for 512 rows at a time (fewer
// for the last strip), each pixel exactly once: rows in order across the whole width when strips
// of that width fit its memory budget, otherwise block by block (blocks of 2048 x 2^k pixels
// square in Z-order, rows in order within a block).
using RegionSource = std::function<StripContent(const PixelRegion& region, std::uint8_t* pixels,
                                                std::size_t stride, std::string& errorText)>;

// The same for sources that only yield whole rows: rows [firstRow, firstRow + rowCount) of width
// pixels. On an image walked block by block, rows are asked again for each block they cross, a
// few at a time, and only the block's columns are kept.
using RowStripSource =
    std::function<StripContent(std::uint32_t firstRow, std::uint32_t rowCount, std::uint8_t* pixels,
                               std::size_t stride, std::string& errorText)>;

struct WriteProgress {
    int level = 0;                 // level of the tile row or strip just finished
    std::uint64_t tilesDone = 0;   // tiles of all levels finished so far, absent ones included
    std::uint64_t tilesTotal = 0;  // index entries of the package
    std::uint64_t pixelsDone = 0;  // pixels of all levels encoded so far, transparent ones included
    std::uint64_t pixelsTotal = 0;  // pixels of all levels
};

enum class EdgeSubTiles {
    kCropped,   // sub-tiles on the right and bottom edge hold only the image's pixels
    kFullSize,  // every sub-tile is 512 x 512, padded with transparent pixels
};

// The most threads a package is encoded on; more are clamped to it.
inline constexpr int kMaxEncodeThreads = 64;

struct PackageWriteOptions {
    bool lossless = false;
    int quality = kDefaultQuality;  // 0 to 100, for lossy encoding
    int threads = 1;  // sub-tiles are encoded on this many threads; the file does not depend on it
    EdgeSubTiles edgeSubTiles = EdgeSubTiles::kCropped;
    // Called after each strip of sub-tiles encoded and each tile row written.
    std::function<void(const WriteProgress&)> progress;
    WriteAtFunction writeAt;                             // empty: the file layer's WriteBytesAt
    ExistingTarget existing = ExistingTarget::kReplace;  // what happens to a file at `path`
    // Asked between sub-tiles and strips and before each row halved; true stops the write, which
    // then fails with kInterrupted.
    std::function<bool()> cancelled;
    // The pixel buffers the writer may hold (strips, tiles of the coarser levels); wider images
    // are walked in blocks. Tests set it small; the file's content does not depend on it, only the
    // order of its tile blocks does.
    std::uint64_t pixelBudgetBytes = kPixelBudgetBytes;
};

struct WrittenPackage {
    std::uint64_t tilesWritten = 0;     // tile blocks stored (absent tiles not counted)
    std::uint64_t subTilesWritten = 0;  // non-empty sub-tiles stored
    std::uint64_t bytesWritten = 0;     // size of the package file
    int levels = 0;
};

using PackageWriteResult = WriteResult<WrittenPackage>;

// Writes the package to `path` through a temporary file beside it, renamed into place at the end;
// on failure no file is left behind and an existing file at `path` is untouched.
PackageWriteResult WritePackage(const std::string& path, std::uint32_t width, std::uint32_t height,
                                const GeoTransformCoefficients& geoTransform,
                                const RegionSource& source,
                                const PackageWriteOptions& options = {});
PackageWriteResult WritePackage(const std::string& path, std::uint32_t width, std::uint32_t height,
                                const GeoTransformCoefficients& geoTransform,
                                const RowStripSource& source,
                                const PackageWriteOptions& options = {});

// The same from an image in memory: height rows of width RGBA pixels, `stride` bytes apart.
PackageWriteResult WritePackageFromRgba(const std::string& path, const std::uint8_t* pixels,
                                        std::uint32_t width, std::uint32_t height,
                                        std::size_t stride,
                                        const GeoTransformCoefficients& geoTransform,
                                        const PackageWriteOptions& options = {});
