// Large one-to-one reads of several bands, the way applications read a whole image: every
// sub-tile the window touches is decoded once on the decoding threads and copied from there into
// the caller's buffer, so the copying is shared out as well as the decoding, and nothing passes
// through GDAL's block cache. An RGBA byte buffer takes a sub-tile lying wholly in the window
// straight from the decoder.
#include <cpl_error.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "decode_threads.h"
#include "qvrmp_dataset.h"

namespace {

constexpr int kSide = static_cast<int>(kSubTileSize);
constexpr GByte kZero = 0;

// Where one sub-tile meets the window, in level pixels.
struct Overlap {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The caller's buffer and how its pixels are laid out.
struct Destination {
    GByte* buffer = nullptr;
    int x = 0;  // the window's top-left corner in level pixels
    int y = 0;
    GDALDataType type = GDT_Byte;
    int bandCount = 0;
    const int* bandMap = nullptr;
    GSpacing pixelSpace = 0;
    GSpacing lineSpace = 0;
    GSpacing bandSpace = 0;

    GByte* At(int column, int row) const {
        return buffer + (row - y) * lineSpace + (column - x) * pixelSpace;
    }
    // R, G, B and A bytes side by side, rows at least a sub-tile wide: the decoder writes there.
    bool IsRgbaBytes() const {
        return type == GDT_Byte && bandCount == kQvrmpBandCount && pixelSpace == kBytesPerPixel &&
               bandSpace == 1 && lineSpace >= static_cast<GSpacing>(kSubTileStride) &&
               lineSpace <= INT_MAX && bandMap[0] == 1 && bandMap[1] == 2 && bandMap[2] == 3 &&
               bandMap[3] == 4;
    }
};

// Copies the overlap's pixels from `rgba` (a decoded sub-tile whose top-left pixel is at
// (subTileLeft, subTileTop)), or zeros when `rgba` is null, into each band the caller asked for.
void CopyOverlap(const std::uint8_t* rgba, int subTileLeft, int subTileTop, const Overlap& overlap,
                 const Destination& to) {
    const int count = overlap.right - overlap.left;
    for (int band = 0; band < to.bandCount; ++band) {
        const int channel = to.bandMap[band] - 1;
        for (int row = overlap.top; row < overlap.bottom; ++row) {
            GByte* target = to.At(overlap.left, row) + band * to.bandSpace;
            if (rgba == nullptr) {
                GDALCopyWords64(&kZero, GDT_Byte, 0, target, to.type,
                                static_cast<int>(to.pixelSpace), count);
                continue;
            }
            const std::uint8_t* source = rgba + (row - subTileTop) * kSubTileStride +
                                         (overlap.left - subTileLeft) * kBytesPerPixel + channel;
            GDALCopyWords64(source, GDT_Byte, kBytesPerPixel, target, to.type,
                            static_cast<int>(to.pixelSpace), count);
        }
    }
}

// A sub-tile of the window: its block, its extent in the level and its overlap with the window.
struct SubTilePlace {
    int blockX = 0;
    int blockY = 0;
    Overlap extent;
    Overlap overlap;

    std::uint32_t TileRow() const { return static_cast<std::uint32_t>(blockY / kSubTilesPerSide); }
    std::uint32_t TileColumn() const {
        return static_cast<std::uint32_t>(blockX / kSubTilesPerSide);
    }
    int SubTile() const {
        return kSubTilesPerSide * (blockY % kSubTilesPerSide) + blockX % kSubTilesPerSide;
    }
    // The whole of a full-size sub-tile lies in the window.
    bool Whole() const {
        return extent.right - extent.left == kSide && extent.bottom - extent.top == kSide &&
               overlap.left == extent.left && overlap.top == extent.top &&
               overlap.right == extent.right && overlap.bottom == extent.bottom;
    }
};

// The window's sub-tiles in rows: `across` of them in each.
struct WindowSubTiles {
    Overlap window;
    int levelWidth = 0;
    int levelHeight = 0;
    int blockX0 = 0;
    int blockY0 = 0;
    int across = 0;
    std::size_t count = 0;

    WindowSubTiles(int x, int y, int width, int height, int levelWidth_, int levelHeight_)
        : window{x, y, x + width, y + height},
          levelWidth(levelWidth_),
          levelHeight(levelHeight_),
          blockX0(x / kSide),
          blockY0(y / kSide),
          across((x + width - 1) / kSide - blockX0 + 1),
          count(static_cast<std::size_t>(across) *
                static_cast<std::size_t>((y + height - 1) / kSide - blockY0 + 1)) {}

    // Some sub-tile lies wholly in the window: the read is a large one. Small reads (a tile
    // server's, say) go through the block cache, where the sub-tiles they share stay decoded.
    bool HasWholeSubTile() const {
        const auto coversOne = [](int start, int end, int levelEnd) {
            const int first = (start + kSide - 1) / kSide * kSide;
            return first < levelEnd && std::min(first + kSide, levelEnd) <= end;
        };
        return coversOne(window.left, window.right, levelWidth) &&
               coversOne(window.top, window.bottom, levelHeight);
    }

    SubTilePlace At(std::size_t job) const {
        SubTilePlace place;
        place.blockX = blockX0 + static_cast<int>(job % static_cast<std::size_t>(across));
        place.blockY = blockY0 + static_cast<int>(job / static_cast<std::size_t>(across));
        place.extent = Overlap{place.blockX * kSide, place.blockY * kSide,
                               std::min(place.blockX * kSide + kSide, levelWidth),
                               std::min(place.blockY * kSide + kSide, levelHeight)};
        place.overlap = Overlap{std::max(window.left, place.extent.left),
                                std::max(window.top, place.extent.top),
                                std::min(window.right, place.extent.right),
                                std::min(window.bottom, place.extent.bottom)};
        return place;
    }
};

// Copies the overlap from the cached blocks of the bands asked for, when every one of them has
// its block (blockX, blockY) in the cache: an earlier read of one band decoded it for all four.
bool CopyOverlapFromCache(GDALDataset& dataset, int blockX, int blockY, const Overlap& overlap,
                          const Destination& to) {
    GDALRasterBlock* blocks[kQvrmpBandCount] = {};
    bool all = to.bandCount <= kQvrmpBandCount;
    for (int band = 0; all && band < to.bandCount; ++band) {
        blocks[band] =
            dataset.GetRasterBand(to.bandMap[band])->TryGetLockedBlockRef(blockX, blockY);
        all = blocks[band] != nullptr;
    }
    const int count = overlap.right - overlap.left;
    for (int band = 0; band < to.bandCount && band < kQvrmpBandCount; ++band) {
        if (blocks[band] == nullptr) {
            continue;
        }
        const auto* data = static_cast<const GByte*>(blocks[band]->GetDataRef());
        for (int row = overlap.top; all && row < overlap.bottom; ++row) {
            const GByte* source =
                data + (row - blockY * kSide) * kSide + (overlap.left - blockX * kSide);
            GDALCopyWords64(source, GDT_Byte, 1, to.At(overlap.left, row) + band * to.bandSpace,
                            to.type, static_cast<int>(to.pixelSpace), count);
        }
        blocks[band]->DropLock();
    }
    return all;
}

}  // namespace

CPLErr QvrmpDataset::ReadWindowDirect(int x, int y, int width, int height, void* buffer,
                                      GDALDataType type, int bandCount, const int* bandMap,
                                      GSpacing pixelSpace, GSpacing lineSpace, GSpacing bandSpace,
                                      GDALRasterIOExtraArg* extra, bool& handled) {
    handled = false;
    if (pixelSpace <= 0 || pixelSpace > INT_MAX || bandCount > kQvrmpBandCount) {
        return CE_None;  // GDAL's own read takes any layout
    }
    const Destination to{static_cast<GByte*>(buffer),
                         x,
                         y,
                         type,
                         bandCount,
                         bandMap,
                         pixelSpace,
                         lineSpace,
                         bandSpace};
    const WindowSubTiles window(x, y, width, height, nRasterXSize, nRasterYSize);
    if (!window.HasWholeSubTile()) {
        return CE_None;
    }
    const int threads = DecodeThreadCount();
    // What became of each sub-tile, said on the caller's thread afterwards; a decoding thread
    // gets its own sub-tile buffer when it first needs one.
    std::unique_ptr<SubTileResult[]> results(new (std::nothrow) SubTileResult[window.count]);
    std::unique_ptr<bool[]> fromCache(new (std::nothrow) bool[window.count]);
    std::unique_ptr<std::unique_ptr<std::uint8_t[]>[]> subTiles(
        new (std::nothrow) std::unique_ptr<std::uint8_t[]>[threads]);
    if (!results || !fromCache || !subTiles) {
        return CE_None;
    }
    handled = true;
    // Sub-tiles whose blocks an earlier read left in the cache for every band asked for are
    // taken from there, not decoded again.
    for (std::size_t job = 0; job < window.count; ++job) {
        const SubTilePlace place = window.At(job);
        fromCache[job] = CopyOverlapFromCache(*this, place.blockX, place.blockY, place.overlap, to);
        results[job] = SubTileResult::kAbsent;
    }
    std::atomic<std::size_t> done{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> outOfMemory{false};
    const bool reportsProgress = extra != nullptr && extra->pfnProgress != nullptr;
    RunDecodeJobs(window.count, threads, [&](std::size_t job, int worker) {
        if (fromCache[job] || cancelled || outOfMemory) {
            return;
        }
        const SubTilePlace place = window.At(job);
        SubTileResult& result = results[job];
        if (TileIsAbsent(reader_, level_, place.TileRow(), place.TileColumn())) {
            CopyOverlap(nullptr, 0, 0, place.overlap, to);
        } else if (to.IsRgbaBytes() && place.Whole()) {
            // What a smaller image does not cover reads as 0.
            CopyOverlap(nullptr, 0, 0, place.overlap, to);
            result = ReadSubTileRgba(reader_, level_, place.TileRow(), place.TileColumn(),
                                     place.SubTile(), to.At(place.extent.left, place.extent.top),
                                     static_cast<std::size_t>(lineSpace));
            if (result == SubTileResult::kCorrupt) {
                CopyOverlap(nullptr, 0, 0, place.overlap, to);  // a partial decode is no image
            }
        } else {
            std::unique_ptr<std::uint8_t[]>& rgba = subTiles[worker];
            if (!rgba) {
                rgba.reset(new (std::nothrow) std::uint8_t[kSubTileBytes]);
            }
            if (!rgba) {
                outOfMemory = true;
                return;
            }
            std::memset(rgba.get(), 0, kSubTileBytes);
            result = ReadSubTileRgba(reader_, level_, place.TileRow(), place.TileColumn(),
                                     place.SubTile(), rgba.get(), kSubTileStride);
            CopyOverlap(result == SubTileResult::kDecoded ? rgba.get() : nullptr, place.extent.left,
                        place.extent.top, place.overlap, to);
        }
        const std::size_t finished = ++done;
        if (worker == 0 && reportsProgress &&
            !extra->pfnProgress(static_cast<double>(finished) / static_cast<double>(window.count),
                                "", extra->pProgressData)) {
            cancelled = true;
        }
    });
    if (outOfMemory) {
        CPLError(CE_Failure, CPLE_OutOfMemory, "QVRMP: %s: no memory for a sub-tile",
                 GetDescription());
        return CE_Failure;
    }
    if (cancelled) {
        CPLError(CE_Failure, CPLE_UserInterrupt, "User terminated");
        return CE_Failure;
    }
    for (std::size_t job = 0; job < window.count; ++job) {
        const SubTilePlace place = window.At(job);
        if (ReportSubTile(results[job], place.TileRow(), place.TileColumn(), place.SubTile()) ==
            CE_Failure) {
            return CE_Failure;
        }
    }
    // A corrupt sub-tile reads as empty, with its warning: the read itself succeeds.
    return CE_None;
}
