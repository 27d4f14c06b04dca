#pragma once

#include <cstdint>
#include <string>

#include "preview_code.h"

struct PictureSize {
    int columns = 0;
    int rows = 0;
};

// The size `picture` takes when scaled, proportions kept, until its longer side is `longestSide`
// pixels (never less than one pixel on either side).
PictureSize ScaledToLongestSide(PictureSize picture, int longestSide);

// Writes `size` RGBA pixels (bytes R, G, B, A) as an RGBA PNG of `pngSize`, resampled bilinearly
// where the two differ (alpha counted, so no colour bleeds in from transparent pixels). `path` is
// the name as the system takes it. The PNG is made in memory and appears only when it is whole,
// through the atomic output file: an interrupted export leaves nothing beside the target.
PreviewStatus WriteRgbaPng(const std::string& path, const std::uint32_t* pixels, PictureSize size,
                           PictureSize pngSize);
