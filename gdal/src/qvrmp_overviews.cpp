// The overviews a package offers: its own coarser levels first, then the external ones that
// gdaladdo -ro (or QGIS's "Build pyramids") puts in PACKAGE.qvrmp.ovr beyond them. Own levels are
// never rebuilt: the package is read-only and they hold what the packer made.
#include <cpl_error.h>

#include <vector>

#include "qvrmp_dataset.h"

namespace {

// Own level l is 2^l times smaller than level 0.
int OwnFactor(int level) {
    return 1 << level;
}

bool IsOwnFactor(int factor, int topLevel) {
    for (int level = 1; level <= topLevel; ++level) {
        if (factor == OwnFactor(level)) {
            return true;
        }
    }
    return false;
}

}  // namespace

QvrmpDataset* QvrmpDataset::Overview(int index) const {
    if (index < 0 || index >= OverviewCount()) {
        return nullptr;
    }
    return overviews_[static_cast<std::size_t>(index)].get();
}

int QvrmpDataset::FirstExternalOverview(int bandNumber, int& count) {
    count = 0;
    if (level_ != 0 || !oOvManager.IsInitialized()) {
        return 0;
    }
    // External overviews come largest first; those not smaller than the smallest own level add
    // nothing the package does not have.
    const int ownSmallest = overviews_.empty() ? nRasterXSize : overviews_.back()->nRasterXSize;
    const int external = oOvManager.GetOverviewCount(bandNumber);
    int first = 0;
    while (first < external) {
        GDALRasterBand* band = oOvManager.GetOverview(bandNumber, first);
        if (band != nullptr && band->GetXSize() < ownSmallest) {
            break;
        }
        ++first;
    }
    count = external - first;
    return first;
}

int QvrmpDataset::CombinedOverviewCount(int bandNumber) {
    int external = 0;
    FirstExternalOverview(bandNumber, external);
    return OverviewCount() + external;
}

GDALRasterBand* QvrmpDataset::CombinedOverview(int bandNumber, int index) {
    if (index < OverviewCount()) {
        QvrmpDataset* own = Overview(index);
        return own != nullptr ? own->GetRasterBand(bandNumber) : nullptr;
    }
    int external = 0;
    const int first = FirstExternalOverview(bandNumber, external);
    const int externalIndex = index - OverviewCount();
    if (externalIndex >= external) {
        return nullptr;
    }
    return oOvManager.GetOverview(bandNumber, first + externalIndex);
}

CPLErr QvrmpDataset::IBuildOverviews(const char* resampling, int overviewCount, const int* factors,
                                     int bandCount, const int* bands, GDALProgressFunc progress,
                                     void* progressData, CSLConstList options) {
    // Asking also opens an existing .ovr, which removing and rebuilding need.
    if (!oOvManager.IsInitialized()) {
        CPLError(CE_Failure, CPLE_NotSupported,
                 "QVRMP: %s: overviews are built on the package itself, not on one of its levels",
                 GetDescription());
        return CE_Failure;
    }
    const int topLevel = OverviewCount();
    std::vector<int> external;
    for (int i = 0; i < overviewCount; ++i) {
        if (factors[i] > OwnFactor(topLevel)) {
            external.push_back(factors[i]);
        } else if (!IsOwnFactor(factors[i], topLevel)) {
            CPLError(CE_Warning, CPLE_NotSupported,
                     "QVRMP: %s: an overview of factor %d would lie among the package's own "
                     "levels (factors 2 to %d); it is not built",
                     GetDescription(), factors[i], OwnFactor(topLevel));
        }
    }
    // No factor at all asks for the external overviews to be removed; factors all among the own
    // levels leave everything as it is.
    if (overviewCount > 0 && external.empty()) {
        if (progress != nullptr) {
            progress(1.0, nullptr, progressData);
        }
        return CE_None;
    }
    return oOvManager.BuildOverviews(nullptr, resampling, static_cast<int>(external.size()),
                                     external.data(), bandCount, bands, progress, progressData,
                                     options);
}
