#include "region_plan.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "package_reader.h"

namespace {

constexpr double kOutputWidth = kRegionOutputWidth;

// Whole sub-tiles covering `size` level pixels; wraps to 0 for a size of 0.
std::uint32_t RoundUpToSubTiles(std::uint32_t size) {
    return (((size - 1) >> kSubTileShift) + 1) << kSubTileShift;
}

}  // namespace

bool RegionPlan::BufferUsable() const {
    return bufferPixels > 0 &&
           bufferPixels <= std::numeric_limits<std::uint32_t>::max() / kBytesPerPixel;
}

RegionPlan PlanRegion(std::uint32_t width, std::uint32_t height, std::uint32_t topLevel,
                      std::int32_t regionWidth, std::int32_t regionHeight,
                      std::int32_t outputRows) {
    RegionPlan plan;

    // The scale the output needs, and how far short of it a level may fall.
    const double widthScale = kOutputWidth / regionWidth;
    const double heightScale = static_cast<double>(outputRows) / regionHeight;
    const double needed = widthScale > heightScale ? widthScale : heightScale;
    const double tolerance = 1.0 / std::max(outputRows, static_cast<std::int32_t>(kSubTileSize));

    // The coarsest level that is fine enough; level 0 when none is.
    const int highest = static_cast<int>(std::min<std::uint32_t>(topLevel, kMaxLevels - 1));
    for (int level = highest; level >= 0; --level) {
        if (kLevelScale[level] + tolerance >= needed) {
            plan.level = level;
            plan.scale = kLevelScale[level];
            break;
        }
    }

    // Clip the region to the image; the output keeps the region's proportions.
    double clippedWidth = regionWidth;
    double clippedHeight = regionHeight;
    plan.outputWidth = static_cast<std::int32_t>(kOutputWidth);
    plan.outputRows = outputRows;
    if (static_cast<std::uint32_t>(regionWidth) > width) {
        plan.outputWidth = static_cast<std::int32_t>(
            std::trunc(kOutputWidth -
                       (regionWidth - static_cast<double>(width)) * (kOutputWidth / regionWidth)));
        clippedWidth = width;
    }
    if (static_cast<std::uint32_t>(regionHeight) > height) {
        plan.outputRows = static_cast<std::int32_t>(
            std::trunc(outputRows - (regionHeight - static_cast<double>(height)) *
                                        (static_cast<double>(outputRows) / regionHeight)));
        clippedHeight = height;
    }

    plan.levelWidth = static_cast<std::uint32_t>(std::trunc(clippedWidth * plan.scale));
    plan.levelHeight = static_cast<std::uint32_t>(std::trunc(clippedHeight * plan.scale));
    plan.bufferWidth = RoundUpToSubTiles(plan.levelWidth);
    plan.bufferHeight = RoundUpToSubTiles(plan.levelHeight);
    plan.bufferPixels = std::uint64_t{plan.bufferWidth} * plan.bufferHeight;
    return plan;
}
