// Reading a region of a package into a 512-pixel-wide RGBA picture: the chosen level's tile blocks
// are decoded into one level buffer, which is then sampled by nearest neighbour.
#include <webp/decode.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

#include "package_reader.h"
#include "region_plan.h"
#include "tile_block_bytes.h"

namespace {

constexpr std::int64_t kFileNotOpen = -1;
constexpr std::int64_t kBadArgument = -2;
constexpr std::int64_t kNoLevelBuffer = -3;
constexpr std::int64_t kBlockUnreadable = -4;

constexpr std::size_t kOutputPitch = kRegionOutputWidth;

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
using LevelBuffer = std::unique_ptr<std::uint32_t[], FreeDeleter>;

// One tile block, byte for byte as stored.
struct TileBytes {
    std::unique_ptr<std::uint8_t[]> data;
    std::uint32_t size = 0;
};

// One read of the whole block.
bool ReadTileBlock(ByteSource& source, const TileIndexEntry& entry, TileBytes& block) {
    if (!BlockInsideSource(source, entry)) {
        return false;
    }
    block.data.reset(new (std::nothrow) std::uint8_t[entry.blockSize]);
    if (!block.data) {
        return false;
    }
    block.size = entry.blockSize;
    const ReadResult read = source.ReadAt(entry.blockOffset, block.data.get(), block.size);
    return read.ok && read.count == block.size;
}

// A decode that fails halfway has written the rows before the fault. The rectangle its picture
// would have covered is cleared, so the sub-tile reads as if it were absent. The decoder writes
// nothing when the picture does not fit the rest of the level buffer, and neither does this.
void ClearFailedPicture(const std::uint8_t* data, std::size_t size, const RegionPlan& plan,
                        std::uint64_t first, std::uint32_t* levelBuffer) {
    int width = 0;
    int height = 0;
    if (!WebPGetInfo(data, size, &width, &height) || width <= 0 || height <= 0) {
        return;
    }
    const std::uint64_t lastPixel =
        first + (std::uint64_t{static_cast<std::uint32_t>(height)} - 1) * plan.bufferWidth +
        static_cast<std::uint32_t>(width);
    if (lastPixel > plan.bufferPixels) {
        return;
    }
    for (int row = 0; row < height; ++row) {
        std::uint32_t* start =
            levelBuffer + first + std::uint64_t{static_cast<std::uint32_t>(row)} * plan.bufferWidth;
        std::fill(start, start + width, 0u);
    }
}

// Decodes the sub-tiles of one block that the region touches straight into their cells.
void DecodeTileBlock(const TileBytes& block, std::uint32_t tileRow, std::uint32_t tileColumn,
                     const RegionPlan& plan, std::uint32_t* levelBuffer) {
    if (block.size < kSubTileTableSize) {
        return;  // no sub-tile can lie inside a block shorter than its table
    }
    for (int j = 0; j < kSubTilesPerSide; ++j) {
        for (int k = 0; k < kSubTilesPerSide; ++k) {
            const std::uint64_t x = std::uint64_t{tileColumn} * kTileSize + k * kSubTileSize;
            const std::uint64_t y = std::uint64_t{tileRow} * kTileSize + j * kSubTileSize;
            if (x >= plan.levelWidth || y >= plan.levelHeight) {
                continue;
            }
            const SubTileRange range =
                SubTileBytes(block.data.get(), block.size, kSubTilesPerSide * j + k);
            if (range.Empty()) {
                continue;
            }
            if (!range.InsideBlock(block.size)) {
                continue;  // outside its block: treated like an empty sub-tile
            }
            const std::uint64_t first = y * plan.bufferWidth + x;
            const std::uint8_t* data = block.data.get() + range.start;
            const auto size = static_cast<std::size_t>(range.end - range.start);
            // A sub-tile the decoder rejects stays transparent; that is no failure.
            if (WebPDecodeRGBAInto(data, size, reinterpret_cast<std::uint8_t*>(levelBuffer + first),
                                   (plan.bufferPixels - first) * kBytesPerPixel,
                                   static_cast<int>(plan.bufferWidth * kBytesPerPixel)) ==
                nullptr) {
                ClearFailedPicture(data, size, plan, first, levelBuffer);
            }
        }
    }
}

// Nearest-neighbour sampling with single-precision steps; one 32-bit copy per output pixel.
void Resample(const std::uint32_t* levelBuffer, const RegionPlan& plan, std::uint32_t* output) {
    if (plan.outputWidth <= 0 || plan.outputRows <= 0) {
        return;
    }
    const float stepX = static_cast<float>(plan.levelWidth) / static_cast<float>(plan.outputWidth);
    const float stepY = static_cast<float>(plan.levelHeight) / static_cast<float>(plan.outputRows);
    // Rounding of extreme steps must never reach past the buffer.
    const std::uint32_t lastColumn = plan.bufferWidth - 1;
    const std::uint32_t lastRow = plan.bufferHeight - 1;

    std::uint32_t sourceColumn[kOutputPitch];
    for (std::int32_t k = 0; k < plan.outputWidth; ++k) {
        const auto column = static_cast<std::uint32_t>(static_cast<float>(k) * stepX);
        sourceColumn[k] = std::min(column, lastColumn);
    }
    for (std::int32_t j = 0; j < plan.outputRows; ++j) {
        const auto row =
            std::min(static_cast<std::uint32_t>(static_cast<float>(j) * stepY), lastRow);
        const std::uint32_t* source = levelBuffer + std::size_t{row} * plan.bufferWidth;
        std::uint32_t* target = output + static_cast<std::size_t>(j) * kOutputPitch;
        for (std::int32_t k = 0; k < plan.outputWidth; ++k) {
            target[k] = source[sourceColumn[k]];
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
    LevelBuffer levelBuffer(
        static_cast<std::uint32_t*>(std::calloc(plan.bufferPixels, sizeof(std::uint32_t))));
    if (!levelBuffer) {
        return kNoLevelBuffer;
    }

    const int level = plan.level;
    const std::uint32_t lastTileRow = (plan.levelHeight - 1) >> kTileShift;
    const std::uint32_t lastTileColumn = (plan.levelWidth - 1) >> kTileShift;
    for (std::uint32_t r = 0; r <= lastTileRow; ++r) {
        for (std::uint32_t c = 0; c <= lastTileColumn; ++c) {
            const std::uint32_t entryNumber = static_cast<std::uint32_t>(levelBase[level]) +
                                              static_cast<std::uint32_t>(levelColumns[level]) * r +
                                              c;
            const TileIndexEntry entry = IndexEntry(entryNumber);
            if (entry.IsAbsent()) {
                continue;
            }
            TileBytes block;
            if (!ReadTileBlock(*source, entry, block)) {
                return kBlockUnreadable;
            }
            DecodeTileBlock(block, r, c, plan, levelBuffer.get());
        }
    }

    Resample(levelBuffer.get(), plan, output);
    return plan.BufferBytes();
}
