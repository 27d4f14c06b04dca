// Shared by the pack tests: a temporary folder, rasters made with GDAL's API from a formula, the
// RGBA image a raster should turn into, and file helpers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gdal.h>

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const;

  private:
    std::string root_;
};

struct RasterSpec {
    int width = 64;
    int height = 32;
    int bands = 1;
    GDALDataType type = GDT_Byte;
    // The value of band `band` (1-based) at pixel (x, y).
    std::function<double(int band, int x, int y)> value = [](int, int, int) { return 0.0; };
    std::optional<double> noData;  // set on every band
    // Pixels for which this says false are masked out by a mask shared by all bands.
    std::function<bool(int x, int y)> datasetMask;
    std::optional<std::array<double, 6>> geoTransform;
    int epsg = 0;
    std::vector<std::string> creationOptions;
};

// Creates the raster with GDAL (GeoTIFF unless `driver` says otherwise) and returns `path`.
std::string MakeRaster(const std::string& path, const RasterSpec& raster,
                       const char* driver = "GTiff");

// A raster of every size GDAL allows whose pixels are never read in the test: a VRT without
// sources.
std::string MakeEmptyVrt(const std::string& path, int width, int height, int bands);

// Whole numbers 0 to 255 that vary smoothly with some noise, so that lossy WebP has work to do.
double Texture(int band, int x, int y);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteText(const std::string& path, const std::string& text);
