#include "package_layout.h"

#include <cmath>
#include <limits>

namespace {

// The header length for an index of `entries` entries: the minimum header while the index fits
// it, otherwise the index rounded up to whole granules.
std::uint64_t HeaderLengthFor(std::uint64_t entries) {
    if (entries <= kMaxEntriesInMinHeader) {
        return kMinHeaderLength;
    }
    const std::uint64_t content = IndexEntryOffset(entries);
    return (content + kHeaderLengthGranule - 1) / kHeaderLengthGranule * kHeaderLengthGranule;
}

// Levels 0 to topLevel of an image of this size.
PackageLayout LayoutUpTo(std::uint32_t width, std::uint32_t height, int topLevel) {
    PackageLayout layout;
    layout.width = width;
    layout.height = height;
    layout.topLevel = topLevel;
    std::uint64_t total = 0;
    for (int level = 0; level <= topLevel; ++level) {
        const std::uint64_t reduction = std::uint64_t{1} << level;
        // Each level halves the one below, rounding up: ceil(size / 2^level).
        layout.levelWidth[level] = static_cast<std::uint32_t>((width + reduction - 1) >> level);
        layout.levelHeight[level] = static_cast<std::uint32_t>((height + reduction - 1) >> level);
        layout.tileRows[level] = LevelTileCount(height, level);
        layout.tileColumns[level] = LevelTileCount(width, level);
        layout.levelBase[level] = total;
        total += std::uint64_t{layout.tileRows[level]} * layout.tileColumns[level];
    }
    layout.entryCount = total;
    layout.headerLength = topLevel < 0 ? 0 : HeaderLengthFor(total);
    return layout;
}

}  // namespace

bool PackageLayout::Representable() const {
    return topLevel >= 0 && headerLength <= std::numeric_limits<std::uint32_t>::max();
}

PackageLayout MakePackageLayout(std::uint32_t width, std::uint32_t height) {
    return LayoutUpTo(width, height, FindTopLevel(width, height));
}

std::uint32_t LevelTileCount(std::uint32_t size, int level) {
    const double levelFactor = 1.0 / static_cast<double>(std::uint32_t{1} << level);
    return static_cast<std::uint32_t>(
        std::ceil(static_cast<double>(size) * levelFactor * (1.0 / kTileSize)));
}

int FindTopLevel(std::uint32_t width, std::uint32_t height) {
    for (int level = 0; level < kMaxLevels; ++level) {
        const std::uint32_t side = kTileSize << level;
        if (side >= width && side >= height) {
            return level;
        }
    }
    return -1;
}

std::uint64_t ExpectedHeaderLength(std::uint32_t width, std::uint32_t height, int topLevel) {
    return LayoutUpTo(width, height, topLevel).headerLength;
}
