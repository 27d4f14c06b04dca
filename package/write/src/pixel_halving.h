// One pyramid step: a row of the next coarser level from two rows of the level below, each output
// pixel the alpha-weighted average of the (up to) 2 x 2 pixels it covers.
#pragma once

#include <cstdint>

// `upper` and `lower` hold `width` RGBA pixels; `lower` is null for the last row of an odd height.
// `output` receives ceil(width / 2) pixels. Colours are weighted by alpha, so pixels without data
// lend none of their colour; an output pixel over no data at all is 0, 0, 0, 0.
void HalveRows(const std::uint8_t* upper, const std::uint8_t* lower, std::uint32_t width,
               std::uint8_t* output);
