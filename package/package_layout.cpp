#include "package_layout.h"

#include <limits>

bool PackageLayout::Representable() const {
    return topLevel >= 0 && headerLength <= std::numeric_limits<std::uint32_t>::max();
}

PackageLayout MakePackageLayout(std::uint32_t width, std::uint32_t height) {
    PackageLayout layout;
    layout.width = width;
    layout.height = height;
    layout.topLevel = FindTopLevel(width, height);
    if (layout.topLevel < 0) {
        return layout;
    }
    std::uint64_t total = 0;
    for (int level = 0; level <= layout.topLevel; ++level) {
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
    layout.headerLength = ExpectedHeaderLength(width, height, layout.topLevel);
    return layout;
}
