// Rasters made with GDAL's API at test time, in a temporary folder that the fixture owns.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <gdal.h>

struct RasterRecipe {
    int width = 16;
    int height = 8;
    int bands = 1;
    GDALDataType type = GDT_Byte;
    std::vector<std::string> creationOptions;  // e.g. "TILED=YES", "COMPRESS=DEFLATE"
    std::optional<std::array<double, 6>> geoTransform;
    int epsg = 0;                            // 0: no coordinate system
    std::vector<std::string> metadata;       // dataset, default domain, "KEY=VALUE"
    std::vector<std::string> bandMetadata;   // band 1, default domain
    std::vector<std::string> makerMetadata;  // the "QV" domain
    std::vector<int> overviewFactors;        // e.g. {2, 4}
    bool fillGradient = false;               // otherwise all zero
};

class GdalFixtures {
  public:
    GdalFixtures();

    // Folder path joined with a file name, as UTF-16 and as UTF-8.
    QString Path(const QString& name) const;
    QByteArray Utf8Path(const QString& name) const;

    // Creates a GeoTIFF from the recipe and returns its path.
    QString MakeGeoTiff(const QString& name, const RasterRecipe& recipe) const;

    // Writes bytes to a file as they are and returns its path.
    QString WriteFile(const QString& name, const QByteArray& bytes) const;

  private:
    QTemporaryDir dir_;
};

// Size of the file in bytes as the file system gives it.
double FileBytes(const QString& path);
