// Coordinate systems gathered from GDAL: a raster's own, and the one GDAL's auxiliary metadata
// sidecar gives a package.
#pragma once

#include <ogr_spatialref.h>

#include <optional>
#include <string>

#include "coordinate_system.h"

// Describes `reference`, whose WKT as GDAL gives it is `wkt`.
CoordinateSystem DescribeCoordinateSystem(const OGRSpatialReference& reference, std::string wkt);

// The coordinate system in the sidecar beside a package (PACKAGE.aux.xml), read as GDAL's
// auxiliary metadata reads it; empty when there is no sidecar, it holds no usable one, or it was
// written for a package other than the one whose fingerprint is `packageFingerprint`. With
// `siblingFiles` (the folder's names), a sidecar not among them is not looked for.
std::optional<CoordinateSystem> ReadSidecarCoordinateSystem(
    const std::string& packagePath, const std::optional<std::string>& packageFingerprint,
    const char* const* siblingFiles = nullptr);
