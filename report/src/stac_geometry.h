// A raster's outline in WGS 84 longitude and latitude: the four edges walked point by point, so
// that a projected outline keeps its curve, and the box around it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "geo_transform.h"

struct LonLatOutline {
    // Closed (the last point is the first), counter-clockwise, longitude first.
    std::vector<std::array<double, 2>> ring;
    std::array<double, 4> bbox{};  // west, south, east, north
};

// The outline of a width x height image placed by `gt` in the coordinate system `wkt`; empty when
// the system cannot be transformed to WGS 84 or too few points transform. Transformations are
// kept per thread and coordinate system, so a catalogue of files in one system builds one.
std::optional<LonLatOutline> OutlineInLonLat(const std::string& wkt, const GeoTransform& gt,
                                             int width, int height);
