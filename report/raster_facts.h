// What a GDAL raster says about itself, gathered in one pass so that every renderer (the text
// report, JSON for scripts) works from the same facts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "coordinate_system.h"
#include "geo_transform.h"
#include "report_code.h"

struct PixelSize {
    int width = 0;
    int height = 0;
};

struct RasterFile {
    std::string name;  // UTF-8, as GDAL lists it
    double bytes = 0;  // 0 when the file's status cannot be read
};

struct RasterBand {
    int number = 0;                       // 1-based, as GDAL counts bands
    bool present = false;                 // GDAL returned a band for this number
    std::optional<std::string> dataType;  // GDAL's name of the data type, when it gives one
    int sampleBytes = 0;                  // what one sample of the data type takes
    int blockWidth = 0;
    int blockHeight = 0;
    // One entry per overview index; empty where GDAL yields no overview for the index.
    std::vector<std::optional<PixelSize>> overviews;
    std::vector<std::string> metadata;  // default domain, KEY=VALUE entries
    std::optional<double> noData;       // empty when the band has no nodata value
    std::string description;
    std::string colourInterpretation;  // GDAL's name, e.g. "Red" or "Palette"
    std::optional<double> scale;       // empty when the band sets none
    std::optional<double> offset;
    std::string unit;
    std::optional<int> colourTableEntries;  // empty when the band has no colour table
};

struct RasterFacts {
    std::string driver;  // GDAL's short name
    int width = 0;
    int height = 0;
    int bandCount = 0;
    std::vector<RasterFile> files;
    double storedBytes = 0;
    double theoreticalBytes = 0;   // one byte per pixel per band, whatever the data type
    double uncompressedBytes = 0;  // every band's samples at the size of its data type
    std::vector<RasterBand> bands;
    std::optional<CoordinateSystem> crs;       // empty when GDAL gives no projection reference
    std::optional<GeoTransform> geoTransform;  // empty when GDAL has none
    std::vector<std::string> metadata;         // default domain
    // The "QV" domain, when GDAL gives a list.
    std::optional<std::vector<std::string>> makerMetadata;
    std::string layout;           // the image structure's LAYOUT, "COG" for a cloud-optimised one
    std::string acquisitionTime;  // RFC 3339 from the acquisition metadata; empty when none
};

// Opens the path (bytes as the system takes them) read-only with GDAL, gathers its facts and closes
// it again. GDAL must be registered (GDALAllRegister). `siblingFiles`, when the caller has listed
// the file's folder: every name in it, null-terminated, so that GDAL looks for side files there
// instead of listing the folder again; nullptr lets GDAL list it.
ReportResult<RasterFacts> GatherRasterFacts(const std::string& path,
                                            const char* const* siblingFiles = nullptr);
