#include "geo_transform.h"

#include <cmath>

namespace {

// Minimum and maximum that let a number win over NaN and order -0 below +0.
double MinIgnoringNan(double a, double b) {
    if (std::isnan(a))
        return b;
    if (std::isnan(b))
        return a;
    if (a == b)
        return std::signbit(a) ? a : b;
    return a < b ? a : b;
}

double MaxIgnoringNan(double a, double b) {
    if (std::isnan(a))
        return b;
    if (std::isnan(b))
        return a;
    if (a == b)
        return std::signbit(a) ? b : a;
    return a > b ? a : b;
}

}  // namespace

GeoExtent ComputeExtent(const GeoTransform& gt, int width, int height) {
    const double w = width;
    const double h = height;
    const double corners[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    GeoExtent extent;
    for (int i = 0; i < 4; ++i) {
        const double p = corners[i][0];
        const double l = corners[i][1];
        const double x = (gt[0] + p * gt[1]) + l * gt[2];
        const double y = (gt[3] + p * gt[4]) + l * gt[5];
        extent.west = i == 0 ? x : MinIgnoringNan(extent.west, x);
        extent.east = i == 0 ? x : MaxIgnoringNan(extent.east, x);
        extent.north = i == 0 ? y : MaxIgnoringNan(extent.north, y);
        extent.south = i == 0 ? y : MinIgnoringNan(extent.south, y);
    }
    return extent;
}
