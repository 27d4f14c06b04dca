#include "qvrmp_create.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <unistd.h>

#include <atomic>
#include <utility>

#include "output_file.h"
#include "qvrmp_create_copy.h"
#include "qvrmp_creation_options.h"

namespace {

constexpr char kProgram[] = "QVRMP";
constexpr char kStoreDriver[] = "GTiff";
constexpr char kStoreExtension[] = ".tif";
constexpr char kStoreBlockSide[] = "512";  // one sub-tile

std::atomic<unsigned> storeCounter{0};

// Beside the output, under the name the writer gives its own temporary files for that output, so
// a run that was killed leaves nothing a later one does not remove.
std::string StorePathFor(const std::string& path) {
    const std::string name = TemporaryNamePrefix(path) + std::to_string(::getpid()) + "-store" +
                             std::to_string(storeCounter++) + kStoreExtension;
    return CPLFormFilename(CPLGetPath(path.c_str()), name.c_str(), nullptr);
}

// Tiled, uncompressed, blocks never written left out of the file; the bands' colours as the
// packer reads them from their count.
CPLStringList StoreOptions(int bandCount) {
    CPLStringList options;
    options.SetNameValue("TILED", "YES");
    options.SetNameValue("BLOCKXSIZE", kStoreBlockSide);
    options.SetNameValue("BLOCKYSIZE", kStoreBlockSide);
    options.SetNameValue("SPARSE_OK", "TRUE");
    options.SetNameValue("INTERLEAVE", "BAND");
    options.SetNameValue("BIGTIFF", "IF_SAFER");
    constexpr int kGreyAlphaBands = 2;
    if (bandCount >= kColourBands) {
        options.SetNameValue("PHOTOMETRIC", "RGB");
    }
    if (bandCount == kGreyAlphaBands || bandCount == kMaxCreatedBands) {
        options.SetNameValue("ALPHA", "YES");
    }
    return options;
}

// One band of the dataset: its blocks go to and come from the same band of the store.
class CreatedBand final : public GDALRasterBand {
  public:
    CreatedBand(QvrmpCreatedDataset* dataset, int bandNumber, GDALRasterBand* stored)
        : stored_(stored) {
        poDS = dataset;
        nBand = bandNumber;
        eDataType = GDT_Byte;
        nRasterXSize = stored->GetXSize();
        nRasterYSize = stored->GetYSize();
        stored->GetBlockSize(&nBlockXSize, &nBlockYSize);
    }

    CPLErr IReadBlock(int blockX, int blockY, void* image) override {
        return stored_->ReadBlock(blockX, blockY, image);
    }
    CPLErr IWriteBlock(int blockX, int blockY, void* image) override {
        return stored_->WriteBlock(blockX, blockY, image);
    }
    GDALColorInterp GetColorInterpretation() override { return stored_->GetColorInterpretation(); }
    CPLErr SetColorInterpretation(GDALColorInterp interpretation) override {
        return stored_->SetColorInterpretation(interpretation);
    }
    double GetNoDataValue(int* has) override { return stored_->GetNoDataValue(has); }
    CPLErr SetNoDataValue(double value) override { return stored_->SetNoDataValue(value); }

  private:
    GDALRasterBand* stored_;
};

}  // namespace

GDALDataset* QvrmpCreatedDataset::Create(const char* path, int width, int height, int bandCount,
                                         GDALDataType type, char** options) {
    if (bandCount < 1 || bandCount > kMaxCreatedBands || type != GDT_Byte) {
        CPLError(CE_Failure, CPLE_NotSupported,
                 "%s: a package is made of 1 to %d Byte bands (grey, grey and alpha, RGB or "
                 "RGBA), not %d of %s",
                 kProgram, kMaxCreatedBands, bandCount, GDALGetDataTypeName(type));
        return nullptr;
    }
    const std::string storePath = StorePathFor(path);
    Result<PackOptions, CreationOptionCode> packOptions =
        ReadCreationOptions(storePath, path, options);
    if (!packOptions) {
        CPLError(CE_Failure, CPLE_IllegalArg, "%s: %s", kProgram, packOptions.message().c_str());
        return nullptr;
    }
    GDALDriver* storeDriver = GetGDALDriverManager()->GetDriverByName(kStoreDriver);
    if (storeDriver == nullptr) {
        CPLError(CE_Failure, CPLE_AppDefined, "%s: GDAL's %s driver is needed and missing",
                 kProgram, kStoreDriver);
        return nullptr;
    }
    GDALDataset* store = storeDriver->Create(storePath.c_str(), width, height, bandCount, GDT_Byte,
                                             StoreOptions(bandCount).List());
    if (store == nullptr) {
        return nullptr;  // GDAL's error says why
    }
    return new QvrmpCreatedDataset(store, storePath, std::move(*packOptions));
}

QvrmpCreatedDataset::QvrmpCreatedDataset(GDALDataset* store, std::string storePath,
                                         PackOptions options)
    : store_(store), storePath_(std::move(storePath)), options_(std::move(options)) {
    nRasterXSize = store->GetRasterXSize();
    nRasterYSize = store->GetRasterYSize();
    eAccess = GA_Update;
    SetDescription(options_.output.c_str());
    for (int band = 1; band <= store->GetRasterCount(); ++band) {
        SetBand(band, new CreatedBand(this, band, store->GetRasterBand(band)));
    }
}

QvrmpCreatedDataset::~QvrmpCreatedDataset() {
    Finish();
}

void QvrmpCreatedDataset::Finish() {
    FlushCache(true);
    store_->FlushCache(true);
    PackFromDataset(store_, options_, nullptr, nullptr);
    GDALDriver* storeDriver = store_->GetDriver();
    GDALClose(GDALDataset::ToHandle(store_));
    store_ = nullptr;
    // The GeoTIFF and any sidecar GDAL gave it.
    const CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
    storeDriver->Delete(storePath_.c_str());
}

CPLErr QvrmpCreatedDataset::GetGeoTransform(double* transform) {
    return store_->GetGeoTransform(transform);
}

CPLErr QvrmpCreatedDataset::SetGeoTransform(double* transform) {
    return store_->SetGeoTransform(transform);
}

const OGRSpatialReference* QvrmpCreatedDataset::GetSpatialRef() const {
    return store_->GetSpatialRef();
}

CPLErr QvrmpCreatedDataset::SetSpatialRef(const OGRSpatialReference* srs) {
    return store_->SetSpatialRef(srs);
}
