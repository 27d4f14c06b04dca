#include "pyramid_bands.h"

#include <algorithm>
#include <cstring>

#include "pixel_halving.h"

std::uint32_t LevelBand::BandCount() const {
    return (height + kSubTileSize - 1) / kSubTileSize;
}

PyramidBands::PyramidBands(const PackageLayout& layout) : levels_(layout.LevelCount()) {
    for (int level = 0; level < layout.LevelCount(); ++level) {
        levels_[level].width = layout.levelWidth[level];
        levels_[level].height = layout.levelHeight[level];
        levels_[level].stride = std::size_t{layout.levelWidth[level]} * kBytesPerPixel;
    }
}

void PyramidBands::Begin(LevelBand& band, std::int64_t index) {
    if (band.index == index) {
        return;
    }
    band.index = index;
    const std::uint64_t firstRow = static_cast<std::uint64_t>(index) * kSubTileSize;
    band.rows =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kSubTileSize, band.height - firstRow));
    band.rowsFilled = 0;
    band.hasData = false;
}

void PyramidBands::EnsurePixels(LevelBand& band) {
    if (!band.pixels) {
        const std::size_t rows = std::min(band.height, kSubTileSize);
        band.pixels.reset(new std::uint8_t[rows * band.stride]);
    }
}

std::uint8_t* PyramidBands::BeginLevel0Band(std::uint32_t index) {
    LevelBand& band = levels_[0];
    Begin(band, index);
    EnsurePixels(band);
    return band.pixels.get();
}

std::vector<int> PyramidBands::FinishLevel0Band(bool hasData) {
    LevelBand& band = levels_[0];
    band.rowsFilled = band.rows;
    band.hasData = hasData;
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

void PyramidBands::CarryUp(int level) {
    LevelBand& source = levels_[level];
    LevelBand& target = levels_[level + 1];
    Begin(target, source.index / 2);
    // Two bands of a level make one band of the next; the second fills its lower half.
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
