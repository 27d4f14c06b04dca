// The pyramid as the writer streams through it: for each level only the current band of 512 rows
// (one sub-tile row), filled from the band below by halving, never the whole level.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "package_layout.h"

struct LevelBand {
    std::uint32_t width = 0;  // level size in pixels
    std::uint32_t height = 0;
    std::int64_t index = -1;  // band number within the level; -1 before the first
    std::uint32_t rows = 0;   // rows of this band (fewer than 512 only for the last)
    std::uint32_t rowsFilled = 0;
    bool hasData = false;  // false: every pixel of the band is transparent, whatever `pixels` holds
    std::unique_ptr<std::uint8_t[]> pixels;  // allocated on first use, untouched until written
    std::size_t stride = 0;

    std::uint32_t BandCount() const;
    bool Complete() const { return rowsFilled == rows; }
    std::uint8_t* Row(std::uint32_t row) { return pixels.get() + row * stride; }
};

class PyramidBands {
  public:
    explicit PyramidBands(const PackageLayout& layout);

    // Starts level-0 band `index` and returns where its rows go (stride Band(0).stride). The
    // memory is reserved but untouched, so a band that turns out transparent costs nothing.
    std::uint8_t* BeginLevel0Band(std::uint32_t index);

    // Marks level-0 band as filled (with data or all transparent) and carries it up the pyramid.
    // Returns the levels whose current band became complete, finest first; their bands stay
    // unchanged until the next call.
    std::vector<int> FinishLevel0Band(bool hasData);

    LevelBand& Band(int level) { return levels_[level]; }

  private:
    void Begin(LevelBand& band, std::int64_t index);
    void EnsurePixels(LevelBand& band);
    // Hands the complete band of `level` down to level + 1 at half resolution.
    void CarryUp(int level);

    std::vector<LevelBand> levels_;
};
