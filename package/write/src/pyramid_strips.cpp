#include "pyramid_strips.h"

#include <algorithm>
#include <cstring>

#include "pixel_halving.h"

namespace {

std::uint64_t StripBytes(std::uint32_t width, std::uint32_t height) {
    return std::uint64_t{std::min(height, kSubTileSize)} * width * kBytesPerPixel;
}

}  // namespace

std::uint64_t FullWidthStripBytes(const PackageLayout& layout) {
    std::uint64_t bytes = 0;
    for (int level = 0; level < layout.LevelCount(); ++level) {
        bytes += StripBytes(layout.levelWidth[level], layout.levelHeight[level]);
    }
    return bytes;
}

std::uint64_t BlockWalkBytes(const PackageLayout& layout, int blockLevel) {
    const std::uint32_t side = kTileSize << blockLevel;
    std::uint64_t bytes = 0;
    for (int level = 0; level < layout.LevelCount(); ++level) {
        const std::uint32_t width = layout.levelWidth[level];
        const std::uint32_t height = layout.levelHeight[level];
        if (level <= blockLevel) {
            const std::uint32_t blockWidth = std::min(width, side >> level);
            bytes += StripBytes(blockWidth, std::min(height, side >> level));
            // The encoded sub-tiles of a tile row waiting for its last strip: at worst (lossless
            // noise) as large as their pixels.
            bytes += std::uint64_t{std::min(height, kTileSize)} * blockWidth * kBytesPerPixel;
        } else {
            bytes += std::uint64_t{std::min(height, kTileSize)} * kTileSize * kBytesPerPixel;
        }
    }
    return bytes;
}

WritePlan PlanWrite(const PackageLayout& layout, std::uint64_t budgetBytes) {
    WritePlan plan;
    plan.pixelBytes = FullWidthStripBytes(layout);
    if (plan.pixelBytes <= budgetBytes || layout.topLevel <= 0) {
        return plan;
    }
    // The largest blocks that fit; blocks of one level-0 tile always do under any sane budget.
    plan.blockLevel = 0;
    for (int level = layout.topLevel - 1; level > 0; --level) {
        if (BlockWalkBytes(layout, level) <= budgetBytes) {
            plan.blockLevel = level;
            break;
        }
    }
    plan.pixelBytes = BlockWalkBytes(layout, plan.blockLevel);
    return plan;
}

std::uint32_t LevelStrip::StripCount() const {
    return (height + kSubTileSize - 1) / kSubTileSize;
}

PyramidStrips::PyramidStrips(const PackageLayout& layout, int levelCount, std::uint32_t blockSide)
    : layout_(layout), levels_(levelCount) {
    for (int level = 0; level < levelCount; ++level) {
        std::uint32_t width = layout.levelWidth[level];
        std::uint32_t height = layout.levelHeight[level];
        if (blockSide != 0) {
            width = std::min(width, blockSide >> level);
            height = std::min(height, blockSide >> level);
        }
        levels_[level].stride = std::size_t{width} * kBytesPerPixel;
        levels_[level].capacityRows = std::min(height, kSubTileSize);
    }
    SetWindow(0, 0, blockSide);
}

void PyramidStrips::SetWindow(std::uint32_t firstColumn, std::uint32_t firstRow,
                              std::uint32_t side) {
    for (int level = 0; level < LevelCount(); ++level) {
        LevelStrip& strip = levels_[level];
        strip.firstColumn = firstColumn >> level;
        const std::uint32_t levelFirstRow = firstRow >> level;
        strip.firstStrip = levelFirstRow / kSubTileSize;
        strip.width = layout_.levelWidth[level] - strip.firstColumn;
        strip.height = layout_.levelHeight[level] - levelFirstRow;
        if (side != 0) {
            strip.width = std::min(strip.width, side >> level);
            strip.height = std::min(strip.height, side >> level);
        }
        strip.index = -1;
        strip.rows = 0;
        strip.rowsFilled = 0;
        strip.hasData = false;
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
        strip.pixels.reset(new std::uint8_t[strip.capacityRows * strip.stride]);
    }
}

std::uint8_t* PyramidStrips::BeginLevel0Strip(std::uint32_t index) {
    LevelStrip& strip = levels_[0];
    Begin(strip, index);
    EnsurePixels(strip);
    return strip.pixels.get();
}

std::vector<int> PyramidStrips::FinishLevel0Strip(bool hasData,
                                                  const std::function<bool()>& cancelled) {
    LevelStrip& strip = levels_[0];
    strip.rowsFilled = strip.rows;
    strip.hasData = hasData;
    std::vector<int> completed{0};
    for (int level = 0; level + 1 < LevelCount(); ++level) {
        if (!CarryUp(level, cancelled)) {
            return {};
        }
        if (!levels_[level + 1].Complete()) {
            break;
        }
        completed.push_back(level + 1);
    }
    return completed;
}

bool PyramidStrips::CarryUp(int level, const std::function<bool()>& cancelled) {
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
            if (cancelled && cancelled()) {
                return false;
            }
            const std::uint32_t upper = 2 * row;
            const std::uint8_t* lower = upper + 1 < source.rows ? source.Row(upper + 1) : nullptr;
            HalveRows(source.Row(upper), lower, source.width, target.Row(firstRow + row));
        }
    } else if (target.hasData) {
        std::memset(target.Row(firstRow), 0, halfRows * target.stride);
    }
    target.rowsFilled += halfRows;
    return true;
}
