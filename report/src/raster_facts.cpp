#include "raster_facts.h"

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <memory>

#include "acquisition_time.h"
#include "coordinate_system_facts.h"
#include "file_io.h"
#include "file_size.h"

namespace {

struct DatasetCloser {
    void operator()(void* dataset) const { GDALClose(dataset); }
};
using DatasetHandle = std::unique_ptr<void, DatasetCloser>;

std::vector<std::string> MetadataList(GDALMajorObjectH object, const char* domain) {
    std::vector<std::string> entries;
    char** list = GDALGetMetadata(object, domain);
    for (char** entry = list; entry != nullptr && *entry != nullptr; ++entry) {
        entries.emplace_back(*entry);
    }
    return entries;
}

void GatherFiles(GDALDatasetH dataset, RasterFacts& facts) {
    char** list = GDALGetFileList(dataset);
    for (char** name = list; name != nullptr && *name != nullptr; ++name) {
        RasterFile file{*name, FileSizeOnDisk(*name)};
        facts.storedBytes += file.bytes;
        facts.files.push_back(std::move(file));
    }
    CSLDestroy(list);
}

// A band value GDAL reports only when it has been set.
std::optional<double> OptionalValue(GDALRasterBandH band, double (*get)(GDALRasterBandH, int*)) {
    int isSet = FALSE;
    const double value = get(band, &isSet);
    return isSet ? std::optional<double>(value) : std::nullopt;
}

RasterBand GatherBand(GDALDatasetH dataset, int number) {
    RasterBand band;
    band.number = number;
    GDALRasterBandH handle = GDALGetRasterBand(dataset, number);
    if (handle == nullptr)
        return band;
    band.present = true;
    GDALGetBlockSize(handle, &band.blockWidth, &band.blockHeight);
    const GDALDataType type = GDALGetRasterDataType(handle);
    if (const char* name = GDALGetDataTypeName(type)) {
        band.dataType = name;
    }
    band.sampleBytes = GDALGetDataTypeSizeBytes(type);
    band.noData = OptionalValue(handle, GDALGetRasterNoDataValue);
    band.scale = OptionalValue(handle, GDALGetRasterScale);
    band.offset = OptionalValue(handle, GDALGetRasterOffset);
    band.description = GDALGetDescription(handle);
    band.colourInterpretation =
        GDALGetColorInterpretationName(GDALGetRasterColorInterpretation(handle));
    if (const char* unit = GDALGetRasterUnitType(handle)) {
        band.unit = unit;
    }
    if (GDALColorTableH table = GDALGetRasterColorTable(handle)) {
        band.colourTableEntries = GDALGetColorEntryCount(table);
    }
    const int overviewCount = GDALGetOverviewCount(handle);
    for (int j = 0; j < overviewCount; ++j) {
        GDALRasterBandH overview = GDALGetOverview(handle, j);
        if (overview == nullptr) {
            band.overviews.emplace_back();
        } else {
            band.overviews.emplace_back(
                PixelSize{GDALGetRasterBandXSize(overview), GDALGetRasterBandYSize(overview)});
        }
    }
    band.metadata = MetadataList(handle, nullptr);
    return band;
}

}  // namespace

ReportResult<RasterFacts> GatherRasterFacts(const std::string& path,
                                            const char* const* siblingFiles) {
    // GDAL would open a FIFO or a device and wait on it for ever.
    if (NamesSpecialFile(path)) {
        return MakeError(ReportCode::kNotRegularFile,
                         path + " is not a regular file (a FIFO, a device or a socket)");
    }
    // GDAL's messages become report text; it must not also print them.
    CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
    CPLErrorReset();
    DatasetHandle dataset(GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_VERBOSE_ERROR, nullptr,
                                     nullptr, siblingFiles));
    if (!dataset)
        return MakeError(ReportCode::kRasterCannotOpen, std::string(CPLGetLastErrorMsg()));

    GDALDatasetH handle = dataset.get();
    RasterFacts facts;
    if (GDALDriverH driver = GDALGetDatasetDriver(handle)) {
        facts.driver = GDALGetDriverShortName(driver);
    }
    facts.width = GDALGetRasterXSize(handle);
    facts.height = GDALGetRasterYSize(handle);
    facts.bandCount = GDALGetRasterCount(handle);
    facts.theoreticalBytes = static_cast<double>(facts.width) * static_cast<double>(facts.height) *
                             static_cast<double>(facts.bandCount);
    GatherFiles(handle, facts);

    facts.bands.reserve(static_cast<std::size_t>(std::max(facts.bandCount, 0)));
    for (int number = 1; number <= facts.bandCount; ++number) {
        facts.bands.push_back(GatherBand(handle, number));
        facts.uncompressedBytes += static_cast<double>(facts.width) *
                                   static_cast<double>(facts.height) *
                                   facts.bands.back().sampleBytes;
    }
    if (const char* wkt = GDALGetProjectionRef(handle)) {
        facts.crs = DescribeCoordinateSystem(OGRSpatialReference(wkt), wkt);
    }
    GeoTransform gt{};
    if (GDALGetGeoTransform(handle, gt.data()) == CE_None)
        facts.geoTransform = gt;

    facts.metadata = MetadataList(handle, nullptr);
    if (GDALGetMetadata(handle, "QV") != nullptr)
        facts.makerMetadata = MetadataList(handle, "QV");
    if (const char* layout = GDALGetMetadataItem(handle, "LAYOUT", "IMAGE_STRUCTURE"))
        facts.layout = layout;
    facts.acquisitionTime = FindAcquisitionTime(handle);
    return facts;
}
