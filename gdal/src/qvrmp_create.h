// A new package written block by block (Create: rasterio's "w" mode, gdalwarp, gdal_rasterize).
// Blocks may come in any order and be read back, so they are kept in a temporary GeoTIFF beside
// the output; when the dataset is closed the package is made from it through the pack engine, as
// tarnview-pack would make it of that GeoTIFF, and the GeoTIFF is removed.
#pragma once

#include <gdal_priv.h>

#include <string>

#include "pack_options.h"

inline constexpr int kMaxCreatedBands = 4;  // grey, grey + alpha, RGB or RGBA

class QvrmpCreatedDataset final : public GDALDataset {
  public:
    // GDAL's Create: 1 to 4 Byte bands. Null with GDAL's error set when refused.
    static GDALDataset* Create(const char* path, int width, int height, int bandCount,
                               GDALDataType type, char** options);

    QvrmpCreatedDataset(GDALDataset* store, std::string storePath, PackOptions options);
    ~QvrmpCreatedDataset() override;

    CPLErr GetGeoTransform(double* transform) override;
    CPLErr SetGeoTransform(double* transform) override;
    const OGRSpatialReference* GetSpatialRef() const override;
    CPLErr SetSpatialRef(const OGRSpatialReference* srs) override;

  private:
    // Writes what is cached into the store, packs it and removes it; GDAL's error is set on
    // failure.
    void Finish();

    GDALDataset* store_;
    std::string storePath_;
    PackOptions options_;
};
