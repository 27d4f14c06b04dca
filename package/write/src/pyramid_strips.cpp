#include "pyramid_strips.h"

#include <algorithm>
#include <cstring>

#include "pixel_halving.h"

std::uint32_t LevelStrip::StripCount() const {
    return (height + kSubTileSize - 1) / kSubTileSize;
}

PyramidStrips::PyramidStrips(const PackageLayout& layout) : levels_(layout.LevelCount()) {
    for (int level = 0; level < layout.LevelCount(); ++level) {
        levels_[level].width = layout.levelWidth[level];
        levels_[level].height = layout.levelHeight[level];
        levels_[level].stride = std::size_t{layout.levelWidth[level]} * kBytesPerPixel;
    }
}

void PyramidStrips::Begin(LevelStrip& strip, std::int64_t index) {
    if (strip.index == index) {
        return;
    }
    strip.index = index;
    const std::uint64_t firstRow = static_cast<std::uint64_t>(index) * kSubTileSize;
    strip.rows =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kSubTileSize, strip.height - firstRow));
    strip.rowsFilled = 0;
    strip.hasData = false;
}

void PyramidStrips::EnsurePixels(LevelStrip& strip) {
    if (!strip.pixels) {
        const std::size_t rows = std::min(strip.height, kSubTileSize);
        strip.pixels.reset(new std::uint8_t[rows * strip.stride]);
    }
}

std::uint8_t* PyramidStrips::BeginLevel0Strip(std::uint32_t index) {
    LevelStrip& strip = levels_[0];
    Begin(strip, index);
    EnsurePixels(strip);
    return strip.pixels.get();
}

std::vector<int> PyramidStrips::FinishLevel0Strip(bool hasData) {
    LevelStrip& strip = levels_[0];
    strip.rowsFilled = strip.rows;
    strip.hasData = hasData;
    std::vector<int> completed{0};
    for (int level = 0; level + 1 < static_cast<int>(levels_.size()); ++level) {
        CarryUp(level);
        if (!levels_[level + 1].Complete()) {
            break;
        }
        completed.push_back(level + 1);
    }
    return completed;
}

void PyramidStrips::CarryUp(int level) {
    LevelStrip& source = levels_[level];
    LevelStrip& target = levels_[level + 1];
    Begin(target, source.index / 2);
    // Two strips of a level make one strip of the next; the second fills its lower half.
    const std::uint32_t firstRow = source.index % 2 == 0 ? 0 : kSubTileSize / 2;
    const std::uint32_t halfRows = (source.rows + 1) / 2;

    if (source.hasData) {
        if (!target.hasData) {
            EnsurePixels(target);
            std::memset(target.pixels.get(), 0, target.rows * target.stride);
            target.hasData = true;
        }
        for (std::uint32_t row = 0; row < halfRows; ++row) {
            const std::uint32_t upper = 2 * row;
            const std::uint8_t* lower = upper + 1 < source.rows ? source.Row(upper + 1) : nullptr;
            HalveRows(source.Row(upper), lower, source.width, target.Row(firstRow + row));
        }
    } else if (target.hasData) {
        std::memset(target.Row(firstRow), 0, halfRows * target.stride);
    }
    target.rowsFilled += halfRows;
}
