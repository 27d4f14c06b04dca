// One channel of a package level: Byte pixels in blocks of one sub-tile, its colour
// interpretation, and the package's coarser levels (and external ones beyond them) as its
// overviews.
#pragma once

#include <gdal_pam.h>

class QvrmpDataset;

class QvrmpRasterBand final : public GDALPamRasterBand {
  public:
    QvrmpRasterBand(QvrmpDataset* dataset, int bandNumber);

    // Sets up the index of the band's cached blocks now, under the dataset's current open flags
    // (GDAL's own open sets them again once the driver has opened the dataset).
    void IndexBlocks() { InitBlockInfo(); }

    CPLErr IReadBlock(int blockX, int blockY, void* image) override;
    GDALColorInterp GetColorInterpretation() override;
    int GetOverviewCount() override;
    GDALRasterBand* GetOverview(int index) override;

  protected:
    // Reads of many blocks decode them on several threads first (QvrmpDataset::ReadAhead).
    CPLErr IRasterIO(GDALRWFlag direction, int x, int y, int width, int height, void* buffer,
                     int bufferWidth, int bufferHeight, GDALDataType type, GSpacing pixelSpace,
                     GSpacing lineSpace, GDALRasterIOExtraArg* extra) override;
};
