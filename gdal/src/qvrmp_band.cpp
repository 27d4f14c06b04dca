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
    return static_cast<QvrmpDataset*>(poDS)->OverviewCount();
}

GDALRasterBand* QvrmpRasterBand::GetOverview(int index) {
    QvrmpDataset* overview = static_cast<QvrmpDataset*>(poDS)->Overview(index);
    return overview != nullptr ? overview->GetRasterBand(nBand) : nullptr;
}
