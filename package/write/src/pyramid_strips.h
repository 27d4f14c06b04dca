// The pyramid as the writer streams through it: for each level only the current strip of 512 rows
// (one sub-tile row), filled from the strip below by halving, never the whole level. The strips
// span a window of the image: the whole width when that fits the memory budget, otherwise one
// block of tiles at a time (see WritePlan).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "package_layout.h"
#include "package_writer.h"

// How the writer walks an image.
struct WritePlan {
    // -1: every level in strips of 512 rows across the whole width. Otherwise the image is walked
    // block by block, a block being one tile of level `blockLevel` (BlockSide() level-0 pixels
    // square, visited in Z-order): levels 0 to blockLevel in strips as wide as the block, the
    // levels above one tile at a time.
    int blockLevel = -1;
    std::uint64_t pixelBytes = 0;  // the pixel buffers the walk holds at most

    std::uint32_t BlockSide() const { return kTileSize << blockLevel; }
};

// Bytes of the strips of every level across the whole width.
std::uint64_t FullWidthStripBytes(const PackageLayout& layout);
// Bytes of a block walk with blocks of level `blockLevel`: the strips of levels up to it, as wide
// as a block, with the encoded sub-tiles of their tile rows in progress counted as large as their
// pixels (lossless noise at worst), and one tile of each level above. A full-width walk is kept
// for every image whose strips fit (so ordinary packages are written as they always were); its
// encoded tile rows come on top, a fraction of the strips for photographic content.
std::uint64_t BlockWalkBytes(const PackageLayout& layout, int blockLevel);
// Full-width strips when they fit `budgetBytes`, otherwise the largest blocks that do.
WritePlan PlanWrite(const PackageLayout& layout, std::uint64_t budgetBytes = kPixelBudgetBytes);

struct LevelStrip {
    std::uint32_t width = 0;  // window size in pixels of this level
    std::uint32_t height = 0;
    std::uint32_t firstColumn = 0;  // where the window starts in the level
    std::uint32_t firstStrip = 0;   // strip number within the level of the window's first strip
    std::int64_t index = -1;        // strip number within the window; -1 before the first
    std::uint32_t rows = 0;         // rows of this strip (fewer than 512 only for the last)
    std::uint32_t rowsFilled = 0;
    bool hasData =
        false;  // false: every pixel of the strip is transparent, whatever `pixels` holds
    std::unique_ptr<std::uint8_t[]> pixels;  // allocated on first use, untouched until written
    std::size_t stride = 0;
    std::uint32_t capacityRows = 0;  // rows `pixels` holds once allocated

    std::uint32_t StripCount() const;
    bool Complete() const { return rowsFilled == rows; }
    std::uint8_t* Row(std::uint32_t row) { return pixels.get() + row * stride; }
    // The strip's first row within the level.
    std::uint64_t FirstRow() const {
        return (std::uint64_t{firstStrip} + static_cast<std::uint64_t>(index)) * kSubTileSize;
    }
};

class PyramidStrips {
  public:
    // Strips of levels 0 to levelCount - 1, for windows up to `blockSide` level-0 pixels square (0:
    // the whole image, a single window).
    PyramidStrips(const PackageLayout& layout, int levelCount, std::uint32_t blockSide = 0);

    // Starts the window of level-0 columns and rows from (firstColumn, firstRow), `side` pixels
    // square or up to the image's edge (0: the whole image). Both are multiples of the block side.
    void SetWindow(std::uint32_t firstColumn, std::uint32_t firstRow, std::uint32_t side);

    // Starts level-0 strip `index` of the window and returns where its rows go (stride
    // Strip(0).stride). The memory is reserved but untouched, so a strip that turns out
    // transparent costs nothing.
    std::uint8_t* BeginLevel0Strip(std::uint32_t index);

    // Marks level-0 strip as filled (with data or all transparent) and carries it up the pyramid.
    // Returns the levels whose current strip became complete, finest first; their strips stay
    // unchanged until the next call. Returns nothing at all when `cancelled` (asked before each row
    // halved) says so.
    std::vector<int> FinishLevel0Strip(bool hasData, const std::function<bool()>& cancelled = {});

    LevelStrip& Strip(int level) { return levels_[level]; }
    int LevelCount() const { return static_cast<int>(levels_.size()); }

  private:
    void Begin(LevelStrip& strip, std::int64_t index);
    void EnsurePixels(LevelStrip& strip);
    // Hands the complete strip of `level` down to level + 1 at half resolution; false when
    // cancelled.
    bool CarryUp(int level, const std::function<bool()>& cancelled);

    const PackageLayout& layout_;
    std::vector<LevelStrip> levels_;
};
