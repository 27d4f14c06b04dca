// Six affine coefficients in GDAL's order: origin x, pixel width, row rotation, origin y,
// column rotation, pixel height; and the extent they give an image.
#pragma once

#include <array>

using GeoTransform = std::array<double, 6>;

struct GeoExtent {
    double north = 0;  // largest Y of the four corners
    double south = 0;  // smallest Y
    double west = 0;   // smallest X
    double east = 0;   // largest X
};

// Maps the four outer corners of a width x height image and takes their extremes. A corner
// coordinate that is not a number loses to one that is.
GeoExtent ComputeExtent(const GeoTransform& gt, int width, int height);
