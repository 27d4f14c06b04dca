// Reading a region of a package into a 512-pixel-wide RGBA picture: the sub-tiles of the chosen
// level that the region touches are read by their own byte ranges (from a source that prefers few
// reads, together: a block the region covers in one read, else the span of its touched sub-tiles
// after its table), decoded one at a time and sampled by nearest neighbour into the output.
#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "package_layout.h"
#include "package_reader.h"
#include "region_plan.h"
#include "tile_block_bytes.h"

namespace {

constexpr std::int64_t kFileNotOpen = -1;
constexpr std::int64_t kBadArgument = -2;
constexpr std::int64_t kNoLevelBuffer = -3;
constexpr std::int64_t kBlockUnreadable = -4;

constexpr std::size_t kOutputPitch = kRegionOutputWidth;
constexpr std::size_t kCellPixels = std::size_t{kSubTileSize} * kSubTileSize;
constexpr std::size_t kCellStride = std::size_t{kSubTileSize} * kBytesPerPixel;

// A tile block the region touches: where it lies, its sub-tile table, and its bytes when the
// region needs all of them.
struct TouchedBlock {
    TileIndexEntry entry;
    std::uint32_t tileRow = 0;
    std::uint32_t tileColumn = 0;
    std::uint8_t table[kSubTileTableSize] = {};
    std::unique_ptr<HeldBytes> whole;
};

// The region covers every pixel the level image has in the block at tile (row, column).
bool RegionCoversBlock(const RegionPlan& plan, const PackageLayout& layout, std::uint32_t row,
                       std::uint32_t column) {
    const std::uint64_t right = std::min<std::uint64_t>(layout.levelWidth[plan.level],
                                                        (std::uint64_t{column} + 1) * kTileSize);
    const std::uint64_t bottom = std::min<std::uint64_t>(layout.levelHeight[plan.level],
                                                         (std::uint64_t{row} + 1) * kTileSize);
    return right <= plan.levelWidth && bottom <= plan.levelHeight;
}

// Reads the whole block, table included, in one read. False when it is longer than a block can
// be, or there is no memory for it, or it cannot be read.
bool HoldWholeBlock(ByteSource& source, TouchedBlock& block) {
    if (block.entry.blockSize > kMaxBlockBytes) {
        return false;
    }
    std::unique_ptr<HeldBytes> whole(new (std::nothrow) HeldBytes(source));
    if (!whole || !whole->Hold(block.entry.blockOffset, block.entry.blockSize)) {
        return false;
    }
    whole->ReadAt(block.entry.blockOffset, block.table, kSubTileTableSize);
    block.whole = std::move(whole);
    return true;
}

// Holds the bytes from the first to the last touched sub-tile of `block` in one read; when that
// fails, nothing is held and each sub-tile is read on its own.
void HoldTouchedSpan(HeldBytes& span, const TouchedBlock& block, const RegionPlan& plan) {
    std::int64_t start = block.entry.blockSize;
    std::int64_t end = 0;
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        const std::uint64_t x =
            std::uint64_t{block.tileColumn} * kTileSize + (n % kSubTilesPerSide) * kSubTileSize;
        const std::uint64_t y =
            std::uint64_t{block.tileRow} * kTileSize + (n / kSubTilesPerSide) * kSubTileSize;
        const SubTileRange range = SubTileBytes(block.table, block.entry.blockSize, n);
        if (x >= plan.levelWidth || y >= plan.levelHeight || range.Empty() ||
            !range.InsideBlock(block.entry.blockSize) ||
            static_cast<std::uint64_t>(range.end - range.start) > kMaxSubTileBytes) {
            continue;
        }
        start = std::min(start, range.start);
        end = std::max(end, range.end);
    }
    if (start < end) {
        span.Hold(block.entry.blockOffset + static_cast<std::uint64_t>(start),
                  static_cast<std::size_t>(end - start));
    }
}

// First of `count` indices whose mapped value is at least `value`; the values never decrease.
template <typename Map>
std::int32_t FirstAtLeast(std::int32_t count, std::uint64_t value, Map map) {
    std::int32_t low = 0;
    std::int32_t high = count;
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2;
        if (map(middle) < value) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

// Nearest-neighbour sampling with single-precision steps: the level pixel that each output row
// and column shows. Rounding of extreme steps never reaches past the level buffer.
class Sampling {
  public:
    explicit Sampling(const RegionPlan& plan)
        : plan_(plan),
          stepX_(static_cast<float>(plan.levelWidth) / static_cast<float>(plan.outputWidth)),
          stepY_(static_cast<float>(plan.levelHeight) / static_cast<float>(plan.outputRows)) {}

    std::uint32_t Column(std::int32_t k) const {
        return std::min(static_cast<std::uint32_t>(static_cast<float>(k) * stepX_),
                        plan_.bufferWidth - 1);
    }
    std::uint32_t Row(std::int32_t j) const {
        return std::min(static_cast<std::uint32_t>(static_cast<float>(j) * stepY_),
                        plan_.bufferHeight - 1);
    }

    // Copies the pixels of the 512 x 512 cell at level pixel (x, y) to the output pixels that
    // show them.
    void CopyCell(const std::uint32_t* cell, std::uint32_t x, std::uint32_t y,
                  std::uint32_t* output) const {
        const auto columns = [&](std::int32_t k) { return Column(k); };
        const auto rows = [&](std::int32_t j) { return Row(j); };
        const std::int32_t firstColumn = FirstAtLeast(plan_.outputWidth, x, columns);
        const std::int32_t endColumn =
            FirstAtLeast(plan_.outputWidth, std::uint64_t{x} + kSubTileSize, columns);
        const std::int32_t firstRow = FirstAtLeast(plan_.outputRows, y, rows);
        const std::int32_t endRow =
            FirstAtLeast(plan_.outputRows, std::uint64_t{y} + kSubTileSize, rows);
        for (std::int32_t j = firstRow; j < endRow; ++j) {
            const std::uint32_t* source = cell + std::size_t{Row(j) - y} * kSubTileSize;
            std::uint32_t* target = output + static_cast<std::size_t>(j) * kOutputPitch;
            for (std::int32_t k = firstColumn; k < endColumn; ++k) {
                target[k] = source[Column(k) - x];
            }
        }
    }

  private:
    const RegionPlan& plan_;
    float stepX_;
    float stepY_;
};

// The sub-tile tables of the present blocks the region touches, in reading order. Fails when a
// block lies beyond the source or its table cannot be read, before a single pixel is decoded.
bool ReadTouchedTables(ByteSource& source, const PackageReader& reader, const RegionPlan& plan,
                       const PackageLayout& layout, std::vector<TouchedBlock>& blocks) {
    const int level = plan.level;
    const std::uint32_t lastTileRow = (plan.levelHeight - 1) >> kTileShift;
    const std::uint32_t lastTileColumn = (plan.levelWidth - 1) >> kTileShift;
    for (std::uint32_t r = 0; r <= lastTileRow; ++r) {
        for (std::uint32_t c = 0; c <= lastTileColumn; ++c) {
            const std::uint32_t entryNumber =
                static_cast<std::uint32_t>(reader.levelBase[level]) +
                static_cast<std::uint32_t>(reader.levelColumns[level]) * r + c;
            TouchedBlock block;
            block.entry = reader.IndexEntry(entryNumber);
            if (block.entry.IsAbsent()) {
                continue;
            }
            if (!BlockInsideSource(source, block.entry)) {
                return false;
            }
            // A block shorter than its table holds no sub-tile, and its table is not read.
            if (block.entry.blockSize < kSubTileTableSize) {
                continue;
            }
            block.tileRow = r;
            block.tileColumn = c;
            if (!source.PrefersFewReads() || !RegionCoversBlock(plan, layout, r, c) ||
                !HoldWholeBlock(source, block)) {
                const ReadResult read =
                    source.ReadAt(block.entry.blockOffset, block.table, kSubTileTableSize);
                if (!read.ok || read.count != kSubTileTableSize) {
                    return false;
                }
            }
            blocks.push_back(std::move(block));
        }
    }
    return true;
}

// Decodes each sub-tile of `block` that the region touches into `cell` and samples it into
// `output`. A sub-tile that is empty, leaves its block, cannot be read or does not decode to at
// most 512 x 512 pixels leaves its output pixels transparent.
void DecodeBlock(ByteSource& source, const TouchedBlock& block, const RegionPlan& plan,
                 const Sampling& sampling, std::uint32_t* cell, std::uint32_t* output) {
    HeldBytes span(source);
    if (!block.whole && source.PrefersFewReads()) {
        HoldTouchedSpan(span, block, plan);
    }
    ByteSource& blockBytes = block.whole ? static_cast<ByteSource&>(*block.whole) : span;
    for (int j = 0; j < kSubTilesPerSide; ++j) {
        for (int k = 0; k < kSubTilesPerSide; ++k) {
            const std::uint64_t x = std::uint64_t{block.tileColumn} * kTileSize + k * kSubTileSize;
            const std::uint64_t y = std::uint64_t{block.tileRow} * kTileSize + j * kSubTileSize;
            if (x >= plan.levelWidth || y >= plan.levelHeight) {
                continue;
            }
            std::unique_ptr<std::uint8_t[]> bytes;
            std::size_t size = 0;
            if (FetchSubTile(blockBytes, block.entry, block.table, kSubTilesPerSide * j + k, bytes,
                             size) != SubTileFetch::kRead) {
                continue;
            }
            std::fill(cell, cell + kCellPixels, 0u);
            if (!DecodeSubTile(bytes.get(), size, reinterpret_cast<std::uint8_t*>(cell),
                               kCellStride)) {
                continue;  // a picture that failed halfway is not shown at all
            }
            sampling.CopyCell(cell, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                              output);
        }
    }
}

}  // namespace

std::int64_t PackageReader::ReadRegionRgba(std::int32_t regionWidth, std::int32_t regionHeight,
                                           std::uint32_t* output, std::int32_t outputRows) {
    if (!source) {
        return kFileNotOpen;
    }
    if (regionWidth < 1 || regionHeight < 1 || outputRows < 1) {
        return kBadArgument;
    }
    const RegionPlan plan =
        PlanRegion(Width(), Height(), TopLevel(), regionWidth, regionHeight, outputRows);
    if (!plan.BufferUsable()) {
        return kNoLevelBuffer;
    }
    // The level buffer is never held whole: each sub-tile is decoded into one cell and sampled
    // from there, so a read costs one sub-tile of memory whatever the level's size.
    const std::unique_ptr<std::uint32_t[]> cell(new (std::nothrow) std::uint32_t[kCellPixels]);
    if (!cell) {
        return kNoLevelBuffer;
    }
    std::vector<TouchedBlock> blocks;
    const PackageLayout layout = MakePackageLayout(Width(), Height());
    if (!ReadTouchedTables(*source, *this, plan, layout, blocks)) {
        return kBlockUnreadable;
    }

    // From here on nothing fails: the output is written, and every pixel that no sub-tile shows
    // is transparent.
    if (plan.outputWidth > 0 && plan.outputRows > 0) {
        for (std::int32_t j = 0; j < plan.outputRows; ++j) {
            std::uint32_t* row = output + static_cast<std::size_t>(j) * kOutputPitch;
            std::fill(row, row + plan.outputWidth, 0u);
        }
        const Sampling sampling(plan);
        for (const TouchedBlock& block : blocks) {
            DecodeBlock(*source, block, plan, sampling, cell.get(), output);
        }
    }
    return plan.BufferBytes();
}

RegionExtent PackageReader::OutputExtent(std::int32_t regionWidth, std::int32_t regionHeight,
                                         std::int32_t outputRows) const {
    if (regionWidth < 1 || regionHeight < 1 || outputRows < 1) {
        return {};
    }
    const RegionPlan plan =
        PlanRegion(Width(), Height(), TopLevel(), regionWidth, regionHeight, outputRows);
    return {plan.outputWidth, plan.outputRows};
}
