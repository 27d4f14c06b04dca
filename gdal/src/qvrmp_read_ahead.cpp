// Reads of many blocks: the sub-tiles they need are decoded on several threads (every core
// unless GDAL_NUM_THREADS says otherwise) into GDAL's block cache, a part of the window at a
// time, before GDAL's own read copies them out. Still one decode per sub-tile for all four bands.
// What is held at once is bounded: the part's blocks in the cache, and two decoded sub-tiles a
// thread.
#include <cpl_error.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "decode_threads.h"
#include "qvrmp_dataset.h"

namespace {

constexpr int kBlockSide = static_cast<int>(kSubTileSize);
constexpr int kSubTilesPerThread = 2;
// A part of the window takes at most this share of the block cache, so nothing it decoded is
// pushed out before it is copied.
constexpr GIntBig kCacheShareDivisor = 4;

struct Block {
    int x = 0;
    int y = 0;
};

// How many blocks (of all four bands) a part of a window may hold in the cache.
int BlocksPerPart() {
    const GIntBig budget = GDALGetCacheMax64() / kCacheShareDivisor / GIntBig{kSubTileBytes};
    return static_cast<int>(std::min<GIntBig>(budget, std::numeric_limits<int>::max()));
}

}  // namespace

bool QvrmpDataset::ReadUsesOverview(int x, int y, int width, int height, int bufferWidth,
                                    int bufferHeight, const GDALRasterIOExtraArg* extra) {
    if ((bufferWidth >= width && bufferHeight >= height) ||
        GetRasterBand(1)->GetOverviewCount() == 0) {
        return false;
    }
    // GDAL's own choice, on copies: the overview then reads ahead for itself.
    GDALRasterIOExtraArg copy = *extra;
    return GDALBandGetBestOverviewLevel2(GetRasterBand(1), x, y, width, height, bufferWidth,
                                         bufferHeight, &copy) >= 0;
}

void QvrmpDataset::DecodeBlocksAhead(int bandNumber, int blockX0, int blockY0, int blockX1,
                                     int blockY1, int threads) {
    std::vector<Block> missing;
    GDALRasterBand* band = GetRasterBand(bandNumber);
    for (int blockY = blockY0; blockY <= blockY1; ++blockY) {
        for (int blockX = blockX0; blockX <= blockX1; ++blockX) {
            if (GDALRasterBlock* cached = band->TryGetLockedBlockRef(blockX, blockY)) {
                cached->DropLock();
            } else if (!TileIsAbsent(reader_, level_,
                                     static_cast<std::uint32_t>(blockY) / kSubTilesPerSide,
                                     static_cast<std::uint32_t>(blockX) / kSubTilesPerSide)) {
                missing.push_back(Block{blockX, blockY});
            }
        }
    }
    // One block is no work to share; absent tiles cost nothing on the caller's own thread.
    if (missing.size() < 2 || !AllocateSubTile()) {
        return;
    }
    const std::size_t slots = std::min(
        missing.size(), static_cast<std::size_t>(threads) * std::size_t{kSubTilesPerThread});
    std::unique_ptr<std::uint8_t[]> decoded(new (std::nothrow) std::uint8_t[slots * kSubTileBytes]);
    if (!decoded) {
        return;  // the blocks are then read one by one
    }
    std::vector<SubTileResult> results(slots);
    for (std::size_t start = 0; start < missing.size(); start += slots) {
        const std::size_t count = std::min(slots, missing.size() - start);
        RunDecodeJobs(count, threads, [&](std::size_t i, int) {
            const Block& block = missing[start + i];
            std::uint8_t* rgba = decoded.get() + i * kSubTileBytes;
            std::memset(rgba, 0, kSubTileBytes);
            results[i] = ReadSubTileRgba(
                reader_, level_, static_cast<std::uint32_t>(block.y / kSubTilesPerSide),
                static_cast<std::uint32_t>(block.x / kSubTilesPerSide),
                kSubTilesPerSide * (block.y % kSubTilesPerSide) + block.x % kSubTilesPerSide, rgba,
                kSubTileStride);
        });
        // Anything but a decoded sub-tile is left to the block read, which says what is wrong
        // through GDAL's error channel on the caller's thread.
        for (std::size_t i = 0; i < count; ++i) {
            if (results[i] == SubTileResult::kDecoded) {
                const Block& block = missing[start + i];
                ScatterToBands(decoded.get() + i * kSubTileBytes, 0, block.x, block.y, nullptr);
            }
        }
    }
}

CPLErr QvrmpDataset::ReadAhead(int bandNumber, int x, int y, int width, int height, int bufferWidth,
                               int bufferHeight, GSpacing pixelSpace, GSpacing lineSpace,
                               GDALRasterIOExtraArg* extra, const WindowRead& read) {
    const int threads = DecodeThreadCount();
    const int blockX0 = x / kBlockSide;
    const int blockY0 = y / kBlockSide;
    const int blockX1 = (x + width - 1) / kBlockSide;
    const int blockY1 = (y + height - 1) / kBlockSide;
    const int across = blockX1 - blockX0 + 1;
    const int down = blockY1 - blockY0 + 1;
    const int partBlocks = BlocksPerPart();
    if (extra == nullptr || threads < 2 || partBlocks < 2 || across * down < 2) {
        return read(x, y, width, height, 0, extra, true);
    }
    if (bufferWidth != width || bufferHeight != height) {
        // Sampled: ahead only when the whole window fits a part; a sampled read that GDAL gives
        // to an overview decodes at the overview.
        if (static_cast<GIntBig>(across) * down <= partBlocks &&
            !ReadUsesOverview(x, y, width, height, bufferWidth, bufferHeight, extra)) {
            DecodeBlocksAhead(bandNumber, blockX0, blockY0, blockX1, blockY1, threads);
        }
        return read(x, y, width, height, 0, extra, true);
    }
    // One to one: a part of whole block rows where they fit, else of a row's blocks.
    const int partAcross = std::min(across, partBlocks);
    const int partDown = std::max(1, std::min(down, partBlocks / partAcross));
    GDALRasterIOExtraArg partExtra;
    INIT_RASTERIO_EXTRA_ARG(partExtra);
    partExtra.eResampleAlg = extra->eResampleAlg;
    const double partCount = static_cast<double>((across + partAcross - 1) / partAcross) *
                             ((down + partDown - 1) / partDown);
    double partsDone = 0;
    for (int partY = blockY0; partY <= blockY1; partY += partDown) {
        for (int partX = blockX0; partX <= blockX1; partX += partAcross) {
            const int lastX = std::min(blockX1, partX + partAcross - 1);
            const int lastY = std::min(blockY1, partY + partDown - 1);
            DecodeBlocksAhead(bandNumber, partX, partY, lastX, lastY, threads);
            const int left = std::max(x, partX * kBlockSide);
            const int top = std::max(y, partY * kBlockSide);
            const int right = std::min(x + width, (lastX + 1) * kBlockSide);
            const int bottom = std::min(y + height, (lastY + 1) * kBlockSide);
            const GSpacing offset = (top - y) * lineSpace + (left - x) * pixelSpace;
            if (read(left, top, right - left, bottom - top, offset, &partExtra, false) != CE_None) {
                return CE_Failure;
            }
            partsDone += 1;
            if (extra->pfnProgress != nullptr &&
                !extra->pfnProgress(partsDone / partCount, "", extra->pProgressData)) {
                CPLError(CE_Failure, CPLE_UserInterrupt, "User terminated");
                return CE_Failure;
            }
        }
    }
    return CE_None;
}

CPLErr QvrmpDataset::IRasterIO(GDALRWFlag direction, int x, int y, int width, int height,
                               void* buffer, int bufferWidth, int bufferHeight, GDALDataType type,
                               int bandCount, int* bandMap, GSpacing pixelSpace, GSpacing lineSpace,
                               GSpacing bandSpace, GDALRasterIOExtraArg* extra) {
    const auto read = [&](int partX, int partY, int partWidth, int partHeight, GSpacing offset,
                          GDALRasterIOExtraArg* partExtra, bool whole) {
        return GDALPamDataset::IRasterIO(
            direction, partX, partY, partWidth, partHeight, static_cast<GByte*>(buffer) + offset,
            whole ? bufferWidth : partWidth, whole ? bufferHeight : partHeight, type, bandCount,
            bandMap, pixelSpace, lineSpace, bandSpace, partExtra);
    };
    if (direction != GF_Read || bandCount < 1) {
        return read(x, y, width, height, 0, extra, true);
    }
    // Several bands one to one: decoded straight into the buffer. One band's reads go through
    // the block cache, where the other bands' channels wait for their own reads.
    if (bandCount > 1 && bufferWidth == width && bufferHeight == height) {
        bool handled = false;
        const CPLErr result =
            ReadWindowDirect(x, y, width, height, buffer, type, bandCount, bandMap, pixelSpace,
                             lineSpace, bandSpace, extra, handled);
        if (handled) {
            return result;
        }
    }
    return ReadAhead(bandMap[0], x, y, width, height, bufferWidth, bufferHeight, pixelSpace,
                     lineSpace, extra, read);
}
