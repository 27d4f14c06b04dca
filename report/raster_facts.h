// What a GDAL raster says about itself, gathered in one pass so that every renderer (the text
// report, JSON for scripts) works from the same facts.
#pragma once

#include <QByteArray>
#include <QList>

#include <optional>
#include <vector>

#include "geo_transform.h"

struct PixelSize {
    int width = 0;
    int height = 0;
};

struct RasterFile {
    QByteArray name;   // UTF-8, as GDAL lists it
    double bytes = 0;  // 0 when the file's status cannot be read
};

struct RasterBand {
    int number = 0;                      // 1-based, as GDAL counts bands
    bool present = false;                // GDAL returned a band for this number
    std::optional<QByteArray> dataType;  // GDAL's name of the data type, when it gives one
    int blockWidth = 0;
    int blockHeight = 0;
    // One entry per overview index; empty where GDAL yields no overview for the index.
    std::vector<std::optional<PixelSize>> overviews;
    QList<QByteArray> metadata;  // default domain, KEY=VALUE entries
};

struct CoordinateSystem {
    QByteArray wkt;
    std::optional<QByteArray> proj4;  // empty when the export fails
    int epsg = -1;                    // EPSG code of the geographic system, -1 when unknown
};

struct RasterFacts {
    QByteArray driver;  // GDAL's short name
    int width = 0;
    int height = 0;
    int bandCount = 0;
    std::vector<RasterFile> files;
    double storedBytes = 0;
    double theoreticalBytes = 0;  // one byte per pixel per band, whatever the data type
    std::vector<RasterBand> bands;
    std::optional<CoordinateSystem> crs;       // empty when GDAL gives no projection reference
    std::optional<GeoTransform> geoTransform;  // empty when GDAL has none
    QList<QByteArray> metadata;                // default domain
    std::optional<QList<QByteArray>> makerMetadata;  // the "QV" domain, when GDAL gives a list
};

struct RasterFactsResult {
    std::optional<RasterFacts> facts;
    QByteArray error;  // GDAL's last error message when the raster could not be opened
};

// Opens the UTF-8 path read-only with GDAL, gathers its facts and closes it again.
// GDAL must be registered (InitGdal). `siblingFiles`, when the caller has listed the file's
// folder: every name in it, null-terminated, so that GDAL looks for side files there instead of
// listing the folder again; nullptr lets GDAL list it.
RasterFactsResult GatherRasterFacts(const QByteArray& utf8Path,
                                    const char* const* siblingFiles = nullptr);
