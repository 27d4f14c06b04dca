// The pyramid as the writer streams through it: for each level only the current strip of 512 rows
// (one sub-tile row), filled from the strip below by halving, never the whole level.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "package_layout.h"

struct LevelStrip {
    std::uint32_t width = 0;  // level size in pixels
    std::uint32_t height = 0;
    std::int64_t index = -1;  // strip number within the level; -1 before the first
    std::uint32_t rows = 0;   // rows of this strip (fewer than 512 only for the last)
    std::uint32_t rowsFilled = 0;
    bool hasData =
        false;  // false: every pixel of the strip is transparent, whatever `pixels` holds
    std::unique_ptr<std::uint8_t[]> pixels;  // allocated on first use, untouched until written
    std::size_t stride = 0;

    std::uint32_t StripCount() const;
    bool Complete() const { return rowsFilled == rows; }
    std::uint8_t* Row(std::uint32_t row) { return pixels.get() + row * stride; }
};

class PyramidStrips {
  public:
    explicit PyramidStrips(const PackageLayout& layout);

    // Starts level-0 strip `index` and returns where its rows go (stride Strip(0).stride). The
    // memory is reserved but untouched, so a strip that turns out transparent costs nothing.
    std::uint8_t* BeginLevel0Strip(std::uint32_t index);

    // Marks level-0 strip as filled (with data or all transparent) and carries it up the pyramid.
    // Returns the levels whose current strip became complete, finest first; their strips stay
    // unchanged until the next call.
    std::vector<int> FinishLevel0Strip(bool hasData);

    LevelStrip& Strip(int level) { return levels_[level]; }

  private:
    void Begin(LevelStrip& strip, std::int64_t index);
    void EnsurePixels(LevelStrip& strip);
    // Hands the complete strip of `level` down to level + 1 at half resolution.
    void CarryUp(int level);

    std::vector<LevelStrip> levels_;
};
