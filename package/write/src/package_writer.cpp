#include "package_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "header_builder.h"
#include "package_layout.h"
#include "parallel_jobs.h"
#include "pixel_halving.h"
#include "pyramid_strips.h"
#include "subtile_encoder.h"
#include "tile_block.h"

namespace {

// Whole rows read at once for a block of an image walked block by block, from a row source.
constexpr std::size_t kRowScratchBytes = std::size_t{16} << 20;

WriteStatus Interrupted() {
    return MakeError(WriteCode::kInterrupted, kInterruptedMessage);
}

// A failed run of encoding jobs; an interruption stays what it is.
WriteStatus EncodingFailure(const WriteStatus& failed) {
    if (failed.code() == WriteCode::kInterrupted) {
        return failed;
    }
    return MakeError(failed.code(), "cannot encode sub-tiles: " + failed.message());
}

WriteStatus WebPFailure(int level, int error) {
    return MakeError(WriteCode::kEncodeFailed, "cannot encode a sub-tile of level " +
                                                   std::to_string(level) + ": WebP error " +
                                                   std::to_string(error));
}

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

// The tile being assembled on a level above the blocks of a block walk.
struct TileBuffer {
    std::uint32_t row = 0;  // tile row and column within the level
    std::uint32_t column = 0;
    std::uint32_t width = 0;  // pixels of the level within the tile
    std::uint32_t height = 0;
    bool hasData = false;  // false: every pixel is transparent, whatever `pixels` holds
    std::unique_ptr<std::uint8_t[]> pixels;  // kTileSize wide, allocated on first data
    static constexpr std::size_t kStride = std::size_t{kTileSize} * kBytesPerPixel;

    std::uint8_t* Row(std::uint32_t row) { return pixels.get() + row * kStride; }
};

class PackageWriter {
  public:
    PackageWriter(const PackageLayout& layout, const WritePlan& plan, const RegionSource& source,
                  const PackageWriteOptions& options)
        : layout_(layout),
          plan_(plan),
          source_(source),
          options_(options),
          strips_(layout, plan.blockLevel < 0 ? layout.LevelCount() : plan.blockLevel + 1,
                  plan.blockLevel < 0 ? 0 : plan.BlockSide()),
          pending_(layout.LevelCount()),
          tiles_(layout.LevelCount()),
          nextBlockOffset_(layout.headerLength) {
        settings_.lossless = options.lossless;
        settings_.quality = options.quality;
        settings_.fullSize = options.edgeSubTiles == EdgeSubTiles::kFullSize;
        threads_ = std::clamp(options.threads, 1, kMaxEncodeThreads);
        for (int level = 0; level < layout.LevelCount(); ++level) {
            pixelsTotal_ += std::uint64_t{layout.levelWidth[level]} * layout.levelHeight[level];
        }
    }

    PackageWriteResult Run(const std::string& path, const GeoTransformCoefficients& geoTransform) {
        WriteStatus status = output_.Create(path, options_.writeAt, options_.existing);
        header_ = BuildPackageHeader(layout_, geoTransform);
        if (status && layout_.width > 0 && layout_.height > 0) {
            status = plan_.blockLevel < 0 ? WriteWindow() : WriteTile(layout_.topLevel, 0, 0);
        }
        if (status) {
            status = output_.WriteAt(0, header_.data(), header_.size());
        }
        if (status) {
            status = output_.Commit();
        }
        if (!status) {
            return status.error();
        }
        WrittenPackage written;
        written.tilesWritten = tilesWritten_;
        written.subTilesWritten = subTilesWritten_;
        written.bytesWritten = nextBlockOffset_;
        written.levels = layout_.LevelCount();
        return written;
    }

  private:
    bool Cancelled() const { return options_.cancelled && options_.cancelled(); }

    // Every strip of the window the strips are set to, top to bottom.
    WriteStatus WriteWindow() {
        WriteStatus status;
        const std::uint32_t stripCount = strips_.Strip(0).StripCount();
        for (std::uint32_t strip = 0; strip < stripCount && status; ++strip) {
            status = Cancelled() ? Interrupted() : WriteStrip(strip);
        }
        return status;
    }

    // A block walk: tile (row, column) of `level`, from the blocks below it in Z-order.
    WriteStatus WriteTile(int level, std::uint32_t row, std::uint32_t column) {
        if (row >= layout_.tileRows[level] || column >= layout_.tileColumns[level]) {
            return {};
        }
        if (level == plan_.blockLevel) {
            const std::uint32_t side = plan_.BlockSide();
            strips_.SetWindow(column * side, row * side, side);
            return WriteWindow();
        }
        TileBuffer& tile = tiles_[level];
        tile.row = row;
        tile.column = column;
        tile.width = std::min(kTileSize, layout_.levelWidth[level] - column * kTileSize);
        tile.height = std::min(kTileSize, layout_.levelHeight[level] - row * kTileSize);
        tile.hasData = false;
        for (std::uint32_t quarter = 0; quarter < 4; ++quarter) {
            WriteStatus status =
                WriteTile(level - 1, 2 * row + quarter / 2, 2 * column + quarter % 2);
            if (!status) {
                return status;
            }
        }
        return FinishTile(level);
    }

    // Halves rows of `level` (`width` x `rows` pixels at `firstColumn`, `firstRow` of the level)
    // into the tile of level + 1 being assembled; false when cancelled.
    bool CarryIntoTile(int level, const std::uint8_t* pixels, std::size_t stride,
                       std::uint32_t width, std::uint32_t rows, std::uint64_t firstColumn,
                       std::uint64_t firstRow, bool hasData) {
        if (!hasData) {
            return true;  // the tile was cleared when its first data came, or stays transparent
        }
        TileBuffer& target = tiles_[level + 1];
        if (!target.hasData) {
            if (!target.pixels) {
                const std::uint32_t capacity = std::min(kTileSize, layout_.levelHeight[level + 1]);
                target.pixels.reset(new std::uint8_t[capacity * TileBuffer::kStride]);
            }
            std::memset(target.pixels.get(), 0, target.height * TileBuffer::kStride);
            target.hasData = true;
        }
        const auto column =
            static_cast<std::uint32_t>(firstColumn / 2 - std::uint64_t{target.column} * kTileSize);
        const auto row =
            static_cast<std::uint32_t>(firstRow / 2 - std::uint64_t{target.row} * kTileSize);
        for (std::uint32_t half = 0; half < (rows + 1) / 2; ++half) {
            if (Cancelled()) {
                return false;
            }
            const std::uint8_t* upper = pixels + std::size_t{2 * half} * stride;
            const std::uint8_t* lower = 2 * half + 1 < rows ? upper + stride : nullptr;
            HalveRows(upper, lower, width,
                      target.Row(row + half) + std::size_t{column} * kBytesPerPixel);
        }
        return true;
    }

    // Encodes and writes the tile of `level` now assembled, and carries it into the level above.
    WriteStatus FinishTile(int level) {
        TileBuffer& tile = tiles_[level];
        EncodedSubTiles subTiles;
        if (tile.hasData) {
            std::array<int, kSubTilesPerTile> errors{};
            const WriteStatus encoded = RunInParallel(
                kSubTilesPerTile, threads_,
                [&](std::size_t n) {
                    const std::uint32_t left =
                        static_cast<std::uint32_t>(n % kSubTilesPerSide) * kSubTileSize;
                    const std::uint32_t top =
                        static_cast<std::uint32_t>(n / kSubTilesPerSide) * kSubTileSize;
                    if (left >= tile.width || top >= tile.height) {
                        return;
                    }
                    PixelCell cell;
                    cell.pixels = tile.Row(top) + std::size_t{left} * kBytesPerPixel;
                    cell.stride = TileBuffer::kStride;
                    cell.width = std::min(kSubTileSize, tile.width - left);
                    cell.height = std::min(kSubTileSize, tile.height - top);
                    if (ClearTransparentPixels(cell)) {
                        errors[n] = EncodeSubTile(cell, settings_, subTiles[n]);
                    }
                },
                options_.cancelled);
            if (!encoded) {
                return EncodingFailure(encoded);
            }
            for (const int error : errors) {
                if (error != 0) {
                    return WebPFailure(level, error);
                }
            }
        }
        if (WriteStatus status = WriteTileBlock(level, tile.row, tile.column, subTiles); !status) {
            return status;
        }
        pixelsDone_ += std::uint64_t{tile.width} * tile.height;
        ++tilesDone_;
        ReportProgress(level);
        if (level < layout_.topLevel &&
            !CarryIntoTile(level, tile.pixels.get(), TileBuffer::kStride, tile.width, tile.height,
                           std::uint64_t{tile.column} * kTileSize,
                           std::uint64_t{tile.row} * kTileSize, tile.hasData)) {
            return Interrupted();
        }
        return {};
    }

    // Reads level-0 strip `index` of the window, carries it up the pyramid, encodes every strip
    // completed on the way and writes the tile rows that are then complete.
    WriteStatus WriteStrip(std::uint32_t index) {
        std::uint8_t* pixels = strips_.BeginLevel0Strip(index);
        const LevelStrip& strip = strips_.Strip(0);
        const auto firstRow = static_cast<std::uint32_t>(strip.FirstRow());
        std::string sourceError;
        const PixelRegion region{strip.firstColumn, firstRow, strip.width, strip.rows};
        const StripContent content = source_(region, pixels, strip.stride, sourceError);
        if (content == StripContent::kStopped) {
            return Interrupted();
        }
        if (content == StripContent::kFailed) {
            std::string columns;
            if (strip.width != layout_.width) {
                columns = ", columns " + std::to_string(strip.firstColumn) + " to " +
                          std::to_string(strip.firstColumn + strip.width - 1);
            }
            return MakeError(WriteCode::kSourceFailed,
                             "cannot read image rows " + std::to_string(firstRow) + " to " +
                                 std::to_string(firstRow + strip.rows - 1) + columns + ": " +
                                 sourceError);
        }
        const std::vector<int> completed =
            strips_.FinishLevel0Strip(content == StripContent::kPixels, options_.cancelled);
        if (completed.empty()) {
            return Interrupted();
        }

        WriteStatus status = EncodeStrips(completed);
        for (const int level : completed) {
            const LevelStrip& done = strips_.Strip(level);
            pixelsDone_ += std::uint64_t{done.width} * done.rows;
        }
        ReportProgress(completed.back());
        for (const int level : completed) {
            const LevelStrip& done = strips_.Strip(level);
            const bool lastSubTileRow = done.index % kSubTilesPerSide == kSubTilesPerSide - 1 ||
                                        done.index + 1 == done.StripCount();
            if (status && lastSubTileRow) {
                status = WriteTileRow(
                    level,
                    static_cast<std::uint32_t>((done.firstStrip + done.index) / kSubTilesPerSide));
            }
        }
        // A block's top level strip goes on into the tile of the level above.
        const int blockLevel = plan_.blockLevel;
        if (status && blockLevel >= 0 && blockLevel < layout_.topLevel &&
            completed.back() == blockLevel) {
            LevelStrip& done = strips_.Strip(blockLevel);
            if (!CarryIntoTile(blockLevel, done.pixels.get(), done.stride, done.width, done.rows,
                               done.firstColumn, done.FirstRow(), done.hasData)) {
                status = Interrupted();
            }
        }
        return status;
    }

    WriteStatus EncodeStrips(const std::vector<int>& levels) {
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
        const WriteStatus encoded = RunInParallel(
            jobs.size(), threads_, [&](std::size_t i) { EncodeCell(jobs[i]); }, options_.cancelled);
        if (!encoded) {
            return EncodingFailure(encoded);
        }
        for (const CellJob& job : jobs) {
            if (job.error != 0) {
                return WebPFailure(job.level, job.error);
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
        // Windows start on tile boundaries, so a cell's place in its tile is the same counted
        // from the window or from the level.
        const std::uint32_t levelCell = strip.firstColumn / kSubTileSize + job.cell;
        const std::uint32_t tileColumn = levelCell / kSubTilesPerSide;
        const int subTile = static_cast<int>(strip.index % kSubTilesPerSide) * kSubTilesPerSide +
                            static_cast<int>(levelCell % kSubTilesPerSide);
        job.error = EncodeSubTile(cell, settings_, pending_[job.level].tiles[tileColumn][subTile]);
    }

    // Writes the blocks of tile row `tileRow` of `level` (within the window) and fills in their
    // index entries.
    WriteStatus WriteTileRow(int level, std::uint32_t tileRow) {
        PendingTileRow& pending = pending_[level];
        for (std::uint32_t column = 0; column < pending.tiles.size(); ++column) {
            if (WriteStatus status = WriteTileBlock(level, tileRow, column, pending.tiles[column]);
                !status) {
                return status;
            }
        }
        pending.tiles.clear();
        const LevelStrip& strip = strips_.Strip(level);
        tilesDone_ += strip.width == layout_.levelWidth[level]
                          ? layout_.tileColumns[level]
                          : (strip.width + kTileSize - 1) / kTileSize;
        ReportProgress(level);
        return {};
    }

    // Writes one tile block and fills in its index entry; an empty tile stays absent.
    WriteStatus WriteTileBlock(int level, std::uint32_t tileRow, std::uint32_t column,
                               const EncodedSubTiles& subTiles) {
        if (AllSubTilesEmpty(subTiles)) {
            return {};  // absent: its entry stays 0, 0
        }
        const std::vector<std::uint8_t> block = AssembleTileBlock(subTiles);
        if (block.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            return MakeError(WriteCode::kTooLarge,
                             "a tile block of level " + std::to_string(level) + " is too large");
        }
        if (WriteStatus status = output_.WriteAt(nextBlockOffset_, block.data(), block.size());
            !status) {
            return status;
        }
        const TileIndexEntry entry{nextBlockOffset_, static_cast<std::uint32_t>(block.size())};
        SetIndexEntry(header_, layout_.EntryNumber(level, tileRow, column), entry);
        nextBlockOffset_ += block.size();
        ++tilesWritten_;
        subTilesWritten_ += static_cast<std::uint64_t>(
            std::count_if(subTiles.begin(), subTiles.end(),
                          [](const std::vector<std::uint8_t>& bytes) { return !bytes.empty(); }));
        return {};
    }

    void ReportProgress(int level) const {
        if (options_.progress) {
            options_.progress(
                WriteProgress{level, tilesDone_, layout_.entryCount, pixelsDone_, pixelsTotal_});
        }
    }

    const PackageLayout& layout_;
    const WritePlan plan_;
    const RegionSource& source_;
    const PackageWriteOptions& options_;
    SubTileSettings settings_;
    int threads_ = 1;
    PyramidStrips strips_;
    std::vector<PendingTileRow> pending_;
    std::vector<TileBuffer> tiles_;  // by level; used above the block level of a block walk
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
                                const RegionSource& source, const PackageWriteOptions& options) {
    if (options.quality < 0 || options.quality > kMaxQuality) {
        return MakeError(WriteCode::kBadOptions,
                         "quality " + std::to_string(options.quality) + " is not within 0 to 100");
    }
    const PackageLayout layout = MakePackageLayout(width, height);
    if (!layout.Representable()) {
        return MakeError(WriteCode::kTooLarge, "an image of " + std::to_string(width) + " x " +
                                                   std::to_string(height) +
                                                   " pixels does not fit a package");
    }
    PackageWriter writer(layout, PlanWrite(layout, options.pixelBudgetBytes), source, options);
    return writer.Run(path, geoTransform);
}

PackageWriteResult WritePackage(const std::string& path, std::uint32_t width, std::uint32_t height,
                                const GeoTransformCoefficients& geoTransform,
                                const RowStripSource& source, const PackageWriteOptions& options) {
    // Whole rows, a few at a time when only some of their columns are wanted.
    std::vector<std::uint8_t> rows;
    const std::size_t rowBytes = std::size_t{width} * kBytesPerPixel;
    const RegionSource regions = [&](const PixelRegion& region, std::uint8_t* pixels,
                                     std::size_t stride, std::string& errorText) {
        if (region.columnCount == width) {
            return source(region.firstRow, region.rowCount, pixels, stride, errorText);
        }
        const std::uint32_t rowsAtOnce = static_cast<std::uint32_t>(std::clamp<std::size_t>(
            kRowScratchBytes / std::max<std::size_t>(rowBytes, 1), 1, region.rowCount));
        rows.resize(rowsAtOnce * rowBytes);
        const std::size_t bytes = std::size_t{region.columnCount} * kBytesPerPixel;
        std::vector<std::uint32_t> transparentRows;  // cleared only if some rows hold data
        for (std::uint32_t done = 0; done < region.rowCount; done += rowsAtOnce) {
            const std::uint32_t count = std::min(rowsAtOnce, region.rowCount - done);
            const StripContent content =
                source(region.firstRow + done, count, rows.data(), rowBytes, errorText);
            if (content == StripContent::kFailed || content == StripContent::kStopped) {
                return content;
            }
            for (std::uint32_t row = done; row < done + count; ++row) {
                if (content == StripContent::kPixels) {
                    std::memcpy(pixels + row * stride,
                                rows.data() + (row - done) * rowBytes +
                                    std::size_t{region.firstColumn} * kBytesPerPixel,
                                bytes);
                } else {
                    transparentRows.push_back(row);
                }
            }
        }
        if (transparentRows.size() == region.rowCount) {
            return StripContent::kTransparent;
        }
        for (const std::uint32_t row : transparentRows) {
            std::memset(pixels + row * stride, 0, bytes);
        }
        return StripContent::kPixels;
    };
    return WritePackage(path, width, height, geoTransform, regions, options);
}

PackageWriteResult WritePackageFromRgba(const std::string& path, const std::uint8_t* pixels,
                                        std::uint32_t width, std::uint32_t height,
                                        std::size_t stride,
                                        const GeoTransformCoefficients& geoTransform,
                                        const PackageWriteOptions& options) {
    const RegionSource source = [&](const PixelRegion& region, std::uint8_t* rows,
                                    std::size_t rowStride, std::string&) {
        const std::size_t rowBytes = std::size_t{region.columnCount} * kBytesPerPixel;
        for (std::uint32_t row = 0; row < region.rowCount; ++row) {
            std::memcpy(rows + row * rowStride,
                        pixels + (std::size_t{region.firstRow} + row) * stride +
                            std::size_t{region.firstColumn} * kBytesPerPixel,
                        rowBytes);
        }
        return StripContent::kPixels;
    };
    return WritePackage(path, width, height, geoTransform, source, options);
}
