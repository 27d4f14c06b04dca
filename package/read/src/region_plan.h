// The arithmetic of a region read, before any byte of the file is touched: which level to read,
// how much of it, how large the level buffer is, and how many output pixels receive data.
#pragma once

#include <cstdint>

struct RegionPlan {
    int level = 0;
    double scale = 1.0;             // scale of the chosen level against level 0
    std::int32_t outputWidth = 0;   // output columns that receive pixels (at most 512)
    std::int32_t outputRows = 0;    // output rows that receive pixels
    std::uint32_t levelWidth = 0;   // region width in level pixels
    std::uint32_t levelHeight = 0;  // region height in level pixels
    std::uint32_t bufferWidth = 0;  // level buffer, whole sub-tiles; 0 when levelWidth is 0
    std::uint32_t bufferHeight = 0;
    std::uint64_t bufferPixels = 0;  // bufferWidth x bufferHeight, not wrapped

    // The level buffer holds at least one pixel and its byte count fits the 32-bit result.
    bool BufferUsable() const;
    std::uint32_t BufferBytes() const { return static_cast<std::uint32_t>(bufferPixels * 4); }
};

// Region of regionWidth x regionHeight image pixels at the top-left corner, read into
// outputRows rows of 512 pixels. The three counts must be at least 1.
RegionPlan PlanRegion(std::uint32_t width, std::uint32_t height, std::uint32_t topLevel,
                      std::int32_t regionWidth, std::int32_t regionHeight, std::int32_t outputRows);
