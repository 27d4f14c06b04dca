// One sub-tile of a pyramid level, encoded as a WebP image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "package_writer.h"

struct SubTileSettings {
    bool lossless = false;
    int quality = kDefaultQuality;  // 0..100, lossy only
    bool fullSize = false;          // edge sub-tiles padded to 512 x 512 instead of cropped
};

// A rectangle of RGBA pixels inside a strip, `stride` bytes from one row to the next.
struct PixelCell {
    std::uint8_t* pixels = nullptr;
    std::size_t stride = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Sets every pixel whose alpha is 0 to 0, 0, 0, 0, so that a pixel without data always reads back
// the same. Tells whether any pixel carries data.
bool ClearTransparentPixels(const PixelCell& cell);

// Encodes the cell into `encoded`. Returns 0 or libwebp's error code.
int EncodeSubTile(const PixelCell& cell, const SubTileSettings& settings,
                  std::vector<std::uint8_t>& encoded);
