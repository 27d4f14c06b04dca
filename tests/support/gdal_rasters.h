// Rasters made with GDAL's API at test time, from a recipe.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gdal.h>

struct RasterRecipe {
    int width = 64;
    int height = 32;
    int bands = 1;
    GDALDataType type = GDT_Byte;
    std::vector<std::string> creationOptions;  // e.g. "TILED=YES", "COMPRESS=DEFLATE"
    // The value of band `band` (1-based) at pixel (x, y); when empty no pixel is written.
    std::function<double(int band, int x, int y)> value;
    std::optional<double> noData;  // set on every band
    // Pixels for which this says false are masked out by a mask shared by all bands.
    std::function<bool(int x, int y)> datasetMask;
    std::optional<std::array<double, 6>> geoTransform;
    int epsg = 0;                            // 0: no coordinate system
    std::vector<std::string> metadata;       // dataset, default domain, "KEY=VALUE"
    std::vector<std::string> bandMetadata;   // band 1, default domain
    std::vector<std::string> makerMetadata;  // the "QV" domain
    std::vector<int> overviewFactors;        // e.g. {2, 4}
    // Per band from band 1; bands past the list keep what the driver gives them.
    std::vector<GDALColorInterp> colourInterpretations;
    // Band 1's colour table, entries as red, green, blue, alpha.
    std::vector<std::array<short, 4>> colourTable;
    // Ground control points (pixel, line, x, y) in `epsg`'s coordinates, instead of a geotransform.
    std::vector<std::array<double, 4>> groundControlPoints;
};

// Creates the raster with GDAL (GeoTIFF unless `driver` says otherwise) and returns `path`.
std::string MakeRaster(const std::string& path, const RasterRecipe& recipe,
                       const char* driver = "GTiff");

// A raster of every size GDAL allows whose pixels are never read in the test: a VRT without
// sources.
std::string MakeEmptyVrt(const std::string& path, int width, int height, int bands);

// Pixel values for RasterRecipe::value.
// A byte ramp that differs in every band, for rasters whose pixels only need to be there.
double Gradient(int band, int x, int y);
// Whole numbers 0 to 255 that vary smoothly with some noise, so that lossy WebP has work to do.
double Texture(int band, int x, int y);
