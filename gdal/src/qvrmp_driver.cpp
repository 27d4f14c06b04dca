// The plugin's entry point, which GDAL finds by the module's name (gdal_QVRMP.so).
#include <gdal_priv.h>

#include "qvrmp_dataset.h"

namespace {

constexpr char kShortName[] = "QVRMP";

}  // namespace

extern "C" __attribute__((visibility("default"))) void GDALRegister_QVRMP() {
    // A plugin built against another GDAL refuses to load, with GDAL's message, before it could
    // touch a class whose layout has changed.
    if (!GDAL_CHECK_VERSION(kShortName)) {
        return;
    }
    if (GDALGetDriverByName(kShortName) != nullptr) {
        return;
    }
    auto* driver = new GDALDriver();
    driver->SetDescription(kShortName);
    driver->SetMetadataItem(GDAL_DCAP_RASTER, "YES");
    driver->SetMetadataItem(GDAL_DMD_LONGNAME, "Tarnview QVRMP tile package");
    driver->SetMetadataItem(GDAL_DMD_EXTENSION, "qvrmp");
    driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "YES");
    driver->pfnIdentify = QvrmpDataset::Identify;
    driver->pfnOpen = QvrmpDataset::Open;
    GetGDALDriverManager()->RegisterDriver(driver);
}
