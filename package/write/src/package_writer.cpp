#include "package_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "header_builder.h"
#include "package_layout.h"
#include "parallel_jobs.h"
#include "pyramid_strips.h"
#include "subtile_encoder.h"
#include "tile_block.h"

namespace {

constexpr int kMaxQuality = 100;
constexpr int kMaxThreads = 64;

// Encoded sub-tiles of one level's tile row, kept until its fourth sub-tile row is done.
struct PendingTileRow {
    std::vector<EncodedSubTiles> tiles;  // one per tile column; empty while the row has no data
};

// One sub-tile to encode: cell `cell` of the current strip of `level`.
struct CellJob {
    int level = 0;
    std::uint32_t cell = 0;
    int error = 0;  // libwebp's error code
};

class PackageWriter {
  public:
    PackageWriter(const PackageLayout& layout, const RowStripSource& source,
                  const PackageWriteOptions& options)
        : layout_(layout),
          source_(source),
          options_(options),
          strips_(layout),
          pending_(layout.LevelCount()),
          nextBlockOffset_(layout.headerLength) {
        settings_.lossless = options.lossless;
        settings_.quality = options.quality;
        settings_.fullSize = options.edgeSubTiles == EdgeSubTiles::kFullSize;
        threads_ = std::clamp(options.threads, 1, kMaxThreads);
        for (int level = 0; level < layout.LevelCount(); ++level) {
            pixelsTotal_ += std::uint64_t{layout.levelWidth[level]} * layout.levelHeight[level];
        }
    }

    PackageWriteResult Run(const std::string& path, const GeoTransformCoefficients& geoTransform) {
        PackageWriteResult result;
        result.levels = layout_.LevelCount();
        std::string error = output_.Create(path, options_.writeAt, options_.existing);
        header_ = BuildPackageHeader(layout_, geoTransform);
        if (error.empty() && layout_.width > 0 && layout_.height > 0) {
            const std::uint32_t stripCount = strips_.Strip(0).StripCount();
            for (std::uint32_t strip = 0; strip < stripCount && error.empty(); ++strip) {
                error = Cancelled() ? kInterruptedText : WriteStrip(strip);
            }
        }
        if (error.empty()) {
            error = output_.WriteAt(0, header_.data(), header_.size());
        }
        if (error.empty()) {
            error = output_.Commit();
        }
        if (!error.empty()) {
            result.errorText = error;
            return result;
        }
        result.ok = true;
        result.tilesWritten = tilesWritten_;
        result.subTilesWritten = subTilesWritten_;
        result.bytesWritten = nextBlockOffset_;
        return result;
    }

  private:
    bool Cancelled() const { return options_.cancelled && options_.cancelled(); }

    // Reads level-0 strip `index`, carries it up the pyramid, encodes every strip completed on the
    // way and writes the tile rows that are then complete.
    std::string WriteStrip(std::uint32_t index) {
        std::uint8_t* pixels = strips_.BeginLevel0Strip(index);
        const LevelStrip& strip = strips_.Strip(0);
        const std::uint32_t firstRow = index * kSubTileSize;
        std::string sourceError;
        const StripContent content =
            source_(firstRow, strip.rows, pixels, strip.stride, sourceError);
        if (content == StripContent::kFailed) {
            return "cannot read image rows " + std::to_string(firstRow) + " to " +
                   std::to_string(firstRow + strip.rows - 1) + ": " + sourceError;
        }
        const std::vector<int> completed =
            strips_.FinishLevel0Strip(content == StripContent::kPixels);

        std::string error = EncodeStrips(completed);
        for (const int level : completed) {
            const LevelStrip& done = strips_.Strip(level);
            pixelsDone_ += std::uint64_t{done.width} * done.rows;
        }
        ReportProgress(completed.back());
        for (const int level : completed) {
            const LevelStrip& done = strips_.Strip(level);
            const bool lastSubTileRow = done.index % kSubTilesPerSide == kSubTilesPerSide - 1 ||
                                        done.index + 1 == done.StripCount();
            if (error.empty() && lastSubTileRow) {
                error =
                    WriteTileRow(level, static_cast<std::uint32_t>(done.index / kSubTilesPerSide));
            }
        }
        return error;
    }

    std::string EncodeStrips(const std::vector<int>& levels) {
        std::vector<CellJob> jobs;
        for (const int level : levels) {
            const LevelStrip& strip = strips_.Strip(level);
            if (!strip.hasData) {
                continue;
            }
            PendingTileRow& pending = pending_[level];
            if (pending.tiles.empty()) {
                pending.tiles.resize(layout_.tileColumns[level]);
            }
            const std::uint32_t cells = (strip.width + kSubTileSize - 1) / kSubTileSize;
            for (std::uint32_t cell = 0; cell < cells; ++cell) {
                jobs.push_back(CellJob{level, cell, 0});
            }
        }
        const std::string failure = RunInParallel(
            jobs.size(), threads_, [&](std::size_t i) { EncodeCell(jobs[i]); }, options_.cancelled);
        if (!failure.empty()) {
            return failure == kInterruptedText ? failure : "cannot encode sub-tiles: " + failure;
        }
        for (const CellJob& job : jobs) {
            if (job.error != 0) {
                return "cannot encode a sub-tile of level " + std::to_string(job.level) +
                       ": WebP error " + std::to_string(job.error);
            }
        }
        return {};
    }

    // Runs on a worker thread; touches only its own cell and its own sub-tile slot.
    void EncodeCell(CellJob& job) {
        LevelStrip& strip = strips_.Strip(job.level);
        const std::uint32_t left = job.cell * kSubTileSize;
        PixelCell cell;
        cell.pixels = strip.pixels.get() + std::size_t{left} * kBytesPerPixel;
        cell.stride = strip.stride;
        cell.width = std::min(kSubTileSize, strip.width - left);
        cell.height = strip.rows;
        if (!ClearTransparentPixels(cell)) {
            return;  // an empty sub-tile
        }
        const std::uint32_t tileColumn = job.cell / kSubTilesPerSide;
        const int subTile = static_cast<int>(strip.index % kSubTilesPerSide) * kSubTilesPerSide +
                            static_cast<int>(job.cell % kSubTilesPerSide);
        job.error = EncodeSubTile(cell, settings_, pending_[job.level].tiles[tileColumn][subTile]);
    }

    // Writes the blocks of tile row `tileRow` of `level` and fills in their index entries.
    std::string WriteTileRow(int level, std::uint32_t tileRow) {
        PendingTileRow& pending = pending_[level];
        for (std::uint32_t column = 0; column < pending.tiles.size(); ++column) {
            const EncodedSubTiles& subTiles = pending.tiles[column];
            if (AllSubTilesEmpty(subTiles)) {
                continue;  // absent: its entry stays 0, 0
            }
            const std::vector<std::uint8_t> block = AssembleTileBlock(subTiles);
            if (block.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
                return "a tile block of level " + std::to_string(level) + " is too large";
            }
            std::string error = output_.WriteAt(nextBlockOffset_, block.data(), block.size());
            if (!error.empty()) {
                return error;
            }
            const TileIndexEntry entry{nextBlockOffset_, static_cast<std::uint32_t>(block.size())};
            SetIndexEntry(header_, layout_.EntryNumber(level, tileRow, column), entry);
            nextBlockOffset_ += block.size();
            ++tilesWritten_;
            subTilesWritten_ += static_cast<std::uint64_t>(std::count_if(
                subTiles.begin(), subTiles.end(),
                [](const std::vector<std::uint8_t>& bytes) { return !bytes.empty(); }));
        }
        pending.tiles.clear();
        tilesDone_ += layout_.tileColumns[level];
        ReportProgress(level);
        return {};
    }

    void ReportProgress(int level) const {
        if (options_.progress) {
            options_.progress(
                WriteProgress{level, tilesDone_, layout_.entryCount, pixelsDone_, pixelsTotal_});
        }
    }

    const PackageLayout& layout_;
    const RowStripSource& source_;
    const PackageWriteOptions& options_;
    SubTileSettings settings_;
    int threads_ = 1;
    PyramidStrips strips_;
    std::vector<PendingTileRow> pending_;
    OutputFile output_;
    std::vector<std::uint8_t> header_;
    std::uint64_t nextBlockOffset_ = 0;
    std::uint64_t tilesWritten_ = 0;
    std::uint64_t subTilesWritten_ = 0;
    std::uint64_t tilesDone_ = 0;
    std::uint64_t pixelsDone_ = 0;
    std::uint64_t pixelsTotal_ = 0;
};

}  // namespace

PackageWriteResult WritePackage(const std::string& path, std::uint32_t width, std::uint32_t height,
                                const GeoTransformCoefficients& geoTransform,
                                const RowStripSource& source, const PackageWriteOptions& options) {
    if (options.quality < 0 || options.quality > kMaxQuality) {
        PackageWriteResult result;
        result.errorText = "quality " + std::to_string(options.quality) + " is not within 0 to 100";
        return result;
    }
    const PackageLayout layout = MakePackageLayout(width, height);
    if (!layout.Representable()) {
        PackageWriteResult result;
        result.errorText = "an image of " + std::to_string(width) + " x " + std::to_string(height) +
                           " pixels does not fit a package";
        return result;
    }
    PackageWriter writer(layout, source, options);
    return writer.Run(path, geoTransform);
}

PackageWriteResult WritePackageFromRgba(const std::string& path, const std::uint8_t* pixels,
                                        std::uint32_t width, std::uint32_t height,
                                        std::size_t stride,
                                        const GeoTransformCoefficients& geoTransform,
                                        const PackageWriteOptions& options) {
    const RowStripSource source = [&](std::uint32_t firstRow, std::uint32_t rowCount,
                                      std::uint8_t* rows, std::size_t rowStride, std::string&) {
        const std::size_t rowBytes = std::size_t{width} * kBytesPerPixel;
        for (std::uint32_t row = 0; row < rowCount; ++row) {
            std::memcpy(rows + row * rowStride, pixels + (std::size_t{firstRow} + row) * stride,
                        rowBytes);
        }
        return StripContent::kPixels;
    };
    return WritePackage(path, width, height, geoTransform, source, options);
}
