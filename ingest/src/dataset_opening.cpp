#include "dataset_opening.h"

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdalwarper.h>
#include <ogr_srs_api.h>

#include <utility>

#include "file_io.h"
#include "package_format.h"
#include "remote_read_scope.h"
#include "virtual_path.h"

namespace {

constexpr char kSubdatasetDomain[] = "SUBDATASETS";
constexpr char kRpcDomain[] = "RPC";
// Largest error of the warper's approximated transformation, in output pixels.
constexpr double kWarpMaxError = 0.125;

std::string LastGdalError(const char* fallback) {
    const char* message = CPLGetLastErrorMsg();
    return message != nullptr && message[0] != '\0' ? message : fallback;
}

// "x.nc holds 2 subdatasets and no raster of its own; give one of them as INPUT: ..."
std::string SubdatasetList(const std::string& path, char** subdatasets) {
    std::string names;
    int count = 0;
    for (char** item = subdatasets; item != nullptr && *item != nullptr; ++item) {
        char* key = nullptr;
        const char* value = CPLParseNameValue(*item, &key);
        const std::string name = key != nullptr ? key : "";
        CPLFree(key);
        if (value != nullptr && name.size() > 5 && name.compare(name.size() - 5, 5, "_NAME") == 0) {
            names += std::string(count == 0 ? "" : ", ") + "\"" + value + "\"";
            ++count;
        }
    }
    return path + " holds " + std::to_string(count) + " subdataset" + (count == 1 ? "" : "s") +
           " and no raster of its own; give one of them as INPUT, quoted: " + names;
}

// A geotransform that places the pixels: one the dataset has, other than the identity that some
// formats report for an image placed by RPCs or ground control points.
bool HasPlacingGeoTransform(GDALDatasetH dataset) {
    GeoTransformCoefficients coefficients = {};
    const bool has = GDALGetGeoTransform(dataset, coefficients.data()) == CE_None;
    CPLErrorReset();
    return has && coefficients != kIdentityGeoTransform;
}

PackResultOf<OpenedDataset> CannotOpen(std::string message) {
    return MakeError(PackCode::kCannotOpen, std::move(message));
}

void CloseIfOwned(GDALDatasetH dataset, bool owned) {
    if (owned) {
        GDALClose(dataset);
    }
}

// A north-up view of a dataset placed by ground control points or RPCs, or an error.
PackResultOf<OpenedDataset> Warp(const std::string& path, GDALDatasetH dataset, bool owned) {
    OpenedDataset opened;
    opened.file = dataset;
    opened.ownsFile = owned;
    const bool byRpc = GDALGetMetadata(dataset, kRpcDomain) != nullptr;
    std::string targetWkt;
    if (byRpc) {
        OGRSpatialReferenceH wgs84 = OSRNewSpatialReference(nullptr);
        OSRSetWellKnownGeogCS(wgs84, "WGS84");
        char* wkt = nullptr;
        OSRExportToWkt(wgs84, &wkt);
        targetWkt = wkt != nullptr ? wkt : "";
        CPLFree(wkt);
        OSRDestroySpatialReference(wgs84);
    } else {
        const char* gcpWkt = GDALGetGCPProjection(dataset);
        targetWkt = gcpWkt != nullptr ? gcpWkt : "";
    }
    const char* method = byRpc ? "RPCs" : "ground control points";
    char** transformerOptions =
        CSLSetNameValue(nullptr, "METHOD", byRpc ? "RPC" : "GCP_POLYNOMIAL");
    CPLErrorReset();
    opened.pixels = GDALAutoCreateWarpedVRTEx(dataset, nullptr, targetWkt.c_str(), GRA_Bilinear,
                                              kWarpMaxError, nullptr, transformerOptions);
    CSLDestroy(transformerOptions);
    if (opened.pixels == nullptr) {
        std::string message = path + " is placed only by " + method +
                              ", and GDAL's warper cannot make a north-up grid of it: " +
                              LastGdalError("no transformation found");
        CloseIfOwned(dataset, owned);
        return CannotOpen(std::move(message));
    }
    opened.note = path + " is placed only by " + method +
                  "; it is warped to a north-up grid with GDAL's warper (bilinear), " +
                  std::to_string(GDALGetRasterXSize(opened.pixels)) + " x " +
                  std::to_string(GDALGetRasterYSize(opened.pixels)) + " pixels";
    return opened;
}

// The dataset as it is read: refused, warped or as it is.
PackResultOf<OpenedDataset> Place(const std::string& path, GDALDatasetH dataset, bool owned) {
    if (GDALGetRasterCount(dataset) < 1) {
        char** subdatasets = GDALGetMetadata(dataset, kSubdatasetDomain);
        std::string message =
            subdatasets != nullptr ? SubdatasetList(path, subdatasets) : "it holds no raster band";
        CloseIfOwned(dataset, owned);
        return CannotOpen(std::move(message));
    }
    const bool placedIndirectly =
        GDALGetGCPCount(dataset) > 0 || GDALGetMetadata(dataset, kRpcDomain) != nullptr;
    if (placedIndirectly && !HasPlacingGeoTransform(dataset)) {
        return Warp(path, dataset, owned);
    }
    OpenedDataset opened;
    opened.file = dataset;
    opened.pixels = dataset;
    opened.ownsFile = owned;
    return opened;
}

}  // namespace

PackResultOf<OpenedDataset> OpenDataset(const std::string& path) {
    // GDAL would open a FIFO or a device and wait on it for ever.
    if (NamesSpecialFile(path)) {
        return CannotOpen("it is not a regular file (a FIFO, a device or a socket)");
    }
    CPLErrorReset();
    // A URL form is opened as GDAL's virtual path for it.
    const std::string source = VirtualPath(path);
    const RemoteReadScope remote(source);
    GDALDatasetH dataset =
        GDALOpenEx(source.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                   nullptr, nullptr, nullptr);
    if (dataset == nullptr) {
        return CannotOpen(LastGdalError("not a raster GDAL can open"));
    }
    return Place(path, dataset, true);
}

PackResultOf<OpenedDataset> UseDataset(GDALDatasetH dataset, const std::string& name) {
    return Place(name, dataset, false);
}

void CloseDataset(OpenedDataset& opened) {
    if (opened.pixels != nullptr && opened.pixels != opened.file) {
        GDALClose(opened.pixels);
    }
    if (opened.file != nullptr && opened.ownsFile) {
        GDALClose(opened.file);
    }
    opened.pixels = opened.file = nullptr;
}
