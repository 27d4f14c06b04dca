#include "qvrmp_band.h"

#include <array>

#include "qvrmp_dataset.h"

namespace {

constexpr std::array<GDALColorInterp, kQvrmpBandCount> kBandColours = {GCI_RedBand, GCI_GreenBand,
                                                                       GCI_BlueBand, GCI_AlphaBand};

}  // namespace

QvrmpRasterBand::QvrmpRasterBand(QvrmpDataset* dataset, int bandNumber) {
    poDS = dataset;
    nBand = bandNumber;
    eDataType = GDT_Byte;
    nBlockXSize = static_cast<int>(kSubTileSize);
    nBlockYSize = static_cast<int>(kSubTileSize);
}

CPLErr QvrmpRasterBand::IReadBlock(int blockX, int blockY, void* image) {
    return static_cast<QvrmpDataset*>(poDS)->ReadBlockOfAllBands(nBand, blockX, blockY, image);
}

GDALColorInterp QvrmpRasterBand::GetColorInterpretation() {
    return kBandColours[nBand - 1];
}

int QvrmpRasterBand::GetOverviewCount() {
    return static_cast<QvrmpDataset*>(poDS)->CombinedOverviewCount(nBand);
}

GDALRasterBand* QvrmpRasterBand::GetOverview(int index) {
    return static_cast<QvrmpDataset*>(poDS)->CombinedOverview(nBand, index);
}

CPLErr QvrmpRasterBand::IRasterIO(GDALRWFlag direction, int x, int y, int width, int height,
                                  void* buffer, int bufferWidth, int bufferHeight,
                                  GDALDataType type, GSpacing pixelSpace, GSpacing lineSpace,
                                  GDALRasterIOExtraArg* extra) {
    const auto read = [&](int partX, int partY, int partWidth, int partHeight, GSpacing offset,
                          GDALRasterIOExtraArg* partExtra, bool whole) {
        return GDALPamRasterBand::IRasterIO(
            direction, partX, partY, partWidth, partHeight, static_cast<GByte*>(buffer) + offset,
            whole ? bufferWidth : partWidth, whole ? bufferHeight : partHeight, type, pixelSpace,
            lineSpace, partExtra);
    };
    if (direction != GF_Read) {
        return read(x, y, width, height, 0, extra, true);
    }
    return static_cast<QvrmpDataset*>(poDS)->ReadAhead(
        nBand, x, y, width, height, bufferWidth, bufferHeight, pixelSpace, lineSpace, extra, read);
}
