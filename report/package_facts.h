// What a QVRMP package's header says, gathered while the package is open and kept after it is
// closed, so that the text report and JSON render the same facts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coordinate_system.h"
#include "geo_transform.h"
#include "report_code.h"

// What the facts are gathered for: the text report shows no coordinate system, so gathering for
// it reads no sidecar (a request saved when the package is remote).
enum class FactsScope { kEverything, kTextReport };

struct PackageLevel {
    std::int64_t width = 0;  // level pixels: the image reduced by 2^level, rounded up
    std::int64_t height = 0;
    std::int32_t rows = 0;  // tile rows and columns of the level
    std::int32_t columns = 0;
};

struct PackageFacts {
    std::int32_t width = 0;  // the header's sizes, taken as signed as the report prints them
    std::int32_t height = 0;
    double storedBytes = 0;        // the file's size on disk
    double theoreticalBytes = 0;   // three bytes a pixel, whatever the package holds
    double uncompressedBytes = 0;  // the decoded pixels: one byte each for R, G, B and A
    std::uint32_t topLevel = 0;
    std::uint32_t headerLength = 0;
    std::uint32_t tileCount = 0;     // index entries, present or absent
    std::uint32_t tilesPresent = 0;  // entries with a block
    std::vector<PackageLevel> levels;
    GeoTransform geoTransform{};
    std::optional<CoordinateSystem> crs;  // from the sidecar beside it, when there is one
};

// Opens the package at the path (a plain path, or a virtual one read through GDAL's file layer),
// gathers its facts and closes it before returning. The coordinate system is read from its sidecar
// with GDAL's file layer; when the folder's names are given, only if the sidecar is among them.
ReportResult<PackageFacts> GatherPackageFacts(const std::string& path,
                                              const char* const* siblingFiles = nullptr,
                                              FactsScope scope = FactsScope::kEverything);
