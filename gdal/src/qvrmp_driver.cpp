// The plugin's entry point, which GDAL finds by the module's name (gdal_QVRMP.so).
#include <gdal_priv.h>

#include "qvrmp_create.h"
#include "qvrmp_create_copy.h"
#include "qvrmp_creation_options.h"
#include "qvrmp_dataset.h"

namespace {

constexpr char kShortName[] = "QVRMP";
constexpr char kMimeType[] = "application/x-qvrmp";
constexpr char kCreationTypes[] = "Byte";

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
    driver->SetMetadataItem(GDAL_DMD_MIMETYPE, kMimeType);
    driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "YES");
    driver->SetMetadataItem(GDAL_DCAP_CREATECOPY, "YES");
    driver->SetMetadataItem(GDAL_DCAP_CREATE, "YES");
    driver->SetMetadataItem(GDAL_DMD_CREATIONDATATYPES, kCreationTypes);
    driver->SetMetadataItem(GDAL_DMD_CREATIONOPTIONLIST, CreationOptionList());
    driver->pfnIdentify = QvrmpDataset::Identify;
    driver->pfnOpen = QvrmpDataset::Open;
    driver->pfnCreateCopy = QvrmpCreateCopy;
    driver->pfnCreate = QvrmpCreatedDataset::Create;
    GetGDALDriverManager()->RegisterDriver(driver);
}
