// Six affine coefficients in GDAL's order: origin x, pixel width, row rotation, origin y,
// column rotation, pixel height.
#pragma once

#include <array>

using GeoTransform = std::array<double, 6>;
