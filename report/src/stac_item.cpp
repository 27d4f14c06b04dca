#include "stac_item.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "acquisition_time.h"
#include "json_report.h"
#include "package_format.h"
#include "stac_geometry.h"
#include "text_helpers.h"

namespace {

using Json = nlohmann::json;

// The extension versions the Items follow. Projection 1.1.0 still has "proj:epsg", which GDAL's
// STACIT driver reads the coordinate system from.
constexpr char kProjectionExtension[] =
    "https://stac-extensions.github.io/projection/v1.1.0/schema.json";
constexpr char kRasterExtension[] = "https://stac-extensions.github.io/raster/v1.1.0/schema.json";
constexpr char kFileExtension[] = "https://stac-extensions.github.io/file/v2.1.0/schema.json";

constexpr char kAssetKey[] = "data";
constexpr char kGeoTiffType[] = "image/tiff; application=geotiff";
constexpr char kCogType[] = "image/tiff; application=geotiff; profile=cloud-optimized";
constexpr char kCogLayout[] = "COG";
// The package's media type, as the desktop's MIME type registers it.
constexpr char kPackageType[] = "application/x-qvrmp";
constexpr std::string_view kRemotePrefix = "/vsicurl/";

// Media types of the drivers whose files have one; other files' assets carry no type.
struct DriverMediaType {
    std::string_view driver;
    const char* type;
};
constexpr std::array<DriverMediaType, 4> kDriverMediaTypes{{
    {"GTiff", kGeoTiffType},
    {"PNG", "image/png"},
    {"JPEG", "image/jpeg"},
    {"JP2OpenJPEG", "image/jp2"},
}};

// GDAL's data type names and the raster extension's.
struct DataTypeName {
    std::string_view gdal;
    const char* stac;
};
constexpr std::array<DataTypeName, 14> kDataTypeNames{{
    {"Byte", "uint8"},
    {"Int8", "int8"},
    {"UInt16", "uint16"},
    {"Int16", "int16"},
    {"UInt32", "uint32"},
    {"Int32", "int32"},
    {"UInt64", "uint64"},
    {"Int64", "int64"},
    {"Float32", "float32"},
    {"Float64", "float64"},
    {"CInt16", "cint16"},
    {"CInt32", "cint32"},
    {"CFloat32", "cfloat32"},
    {"CFloat64", "cfloat64"},
}};
constexpr char kOtherDataType[] = "other";
constexpr char kPackageDataType[] = "uint8";

constexpr char kWkt2Format[] = "FORMAT=WKT2_2019";

// The raster extension writes a nodata value that is not finite as a string.
Json NoDataValue(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    return JsonNumber(value);
}

bool AllFinite(const GeoTransform& gt) {
    return std::all_of(gt.begin(), gt.end(), [](double value) { return std::isfinite(value); });
}

const char* StacDataType(const std::optional<std::string>& gdalName) {
    for (const DataTypeName& name : kDataTypeNames) {
        if (gdalName && name.gdal == *gdalName)
            return name.stac;
    }
    return kOtherDataType;
}

// What the Items' georeferencing is made from, whatever kind of file gave it.
struct Grid {
    int width = 0;
    int height = 0;
    const std::optional<CoordinateSystem>* crs = nullptr;
    std::optional<GeoTransform> gt;  // only a finite one
};

std::string Wkt2Of(const std::string& wkt) {
    const CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
    OGRSpatialReference reference;
    if (reference.importFromWkt(wkt.c_str()) != OGRERR_NONE)
        return {};
    char* text = nullptr;
    const char* const options[] = {kWkt2Format, nullptr};
    std::string out;
    if (reference.exportToWkt(&text, options) == OGRERR_NONE && text != nullptr)
        out = text;
    CPLFree(text);
    return out;
}

// The projection extension's fields: the system, the grid's shape, its transform (rows of the
// affine matrix: pixel width, row rotation, origin x; column rotation, pixel height, origin y)
// and the box in the raster's own coordinates.
void InsertProjection(Json& properties, const Grid& grid) {
    const std::optional<CoordinateSystem>& crs = *grid.crs;
    const bool hasCrs = crs && !crs->wkt.empty();
    properties["proj:epsg"] = hasCrs && crs->epsg ? Json(*crs->epsg) : Json(nullptr);
    if (hasCrs && !crs->epsg) {
        const std::string wkt2 = Wkt2Of(crs->wkt);
        if (!wkt2.empty())
            properties["proj:wkt2"] = ValidUtf8(wkt2);
    }
    properties["proj:shape"] = {grid.height, grid.width};
    if (!grid.gt)
        return;
    const GeoTransform& gt = *grid.gt;
    properties["proj:transform"] = {JsonNumber(gt[1]), JsonNumber(gt[2]), JsonNumber(gt[0]),
                                    JsonNumber(gt[4]), JsonNumber(gt[5]), JsonNumber(gt[3])};
    const GeoExtent extent = ComputeExtent(gt, grid.width, grid.height);
    properties["proj:bbox"] = {JsonNumber(extent.west), JsonNumber(extent.south),
                               JsonNumber(extent.east), JsonNumber(extent.north)};
}

void InsertGeometry(Json& item, const Grid& grid) {
    item["geometry"] = nullptr;
    const std::optional<CoordinateSystem>& crs = *grid.crs;
    if (!grid.gt || !crs)
        return;
    const std::optional<LonLatOutline> outline =
        OutlineInLonLat(crs->wkt, *grid.gt, grid.width, grid.height);
    if (!outline)
        return;
    Json ring = Json::array();
    for (const auto& point : outline->ring)
        ring.push_back({point[0], point[1]});
    item["geometry"] = {{"type", "Polygon"}, {"coordinates", Json::array({std::move(ring)})}};
    item["bbox"] = outline->bbox;
}

// The size of a pixel's column step in metres; empty where the system's unit is not a length.
std::optional<double> SpatialResolution(const Grid& grid) {
    const std::optional<CoordinateSystem>& crs = *grid.crs;
    if (!grid.gt || !crs || !crs->metresPerUnit)
        return std::nullopt;
    const GeoTransform& gt = *grid.gt;
    return std::hypot(gt[1], gt[4]) * *crs->metresPerUnit;
}

Json RasterBands(const RasterFacts& facts, const Grid& grid) {
    const std::optional<double> resolution = SpatialResolution(grid);
    Json bands = Json::array();
    for (const RasterBand& band : facts.bands) {
        Json entry = {{"data_type", StacDataType(band.dataType)}};
        if (band.noData)
            entry["nodata"] = NoDataValue(*band.noData);
        if (resolution)
            entry["spatial_resolution"] = JsonNumber(*resolution);
        if (band.scale && std::isfinite(*band.scale))
            entry["scale"] = JsonNumber(*band.scale);
        if (band.offset && std::isfinite(*band.offset))
            entry["offset"] = JsonNumber(*band.offset);
        if (!band.unit.empty())
            entry["unit"] = ValidUtf8(band.unit);
        bands.push_back(std::move(entry));
    }
    return bands;
}

Json PackageBands(const Grid& grid) {
    const std::optional<double> resolution = SpatialResolution(grid);
    Json bands = Json::array();
    for (int band = 0; band < kBytesPerPixel; ++band) {
        Json entry = {{"data_type", kPackageDataType}};
        if (resolution)
            entry["spatial_resolution"] = JsonNumber(*resolution);
        bands.push_back(std::move(entry));
    }
    return bands;
}

const char* RasterMediaType(const RasterFacts& facts) {
    if (facts.driver == "GTiff" && facts.layout == kCogLayout)
        return kCogType;
    for (const DriverMediaType& entry : kDriverMediaTypes) {
        if (entry.driver == facts.driver)
            return entry.type;
    }
    return nullptr;
}

// What GDAL and STAC clients open: the path as given, or the address of a remote file.
std::string Href(const std::string& path) {
    const std::string_view view(path);
    return ValidUtf8(view.starts_with(kRemotePrefix) ? view.substr(kRemotePrefix.size()) : view);
}

std::string Datetime(const FileFacts& facts) {
    if (facts.raster && !facts.raster->acquisitionTime.empty())
        return facts.raster->acquisitionTime;
    return facts.modifiedSeconds ? Rfc3339FromSeconds(*facts.modifiedSeconds) : std::string();
}

}  // namespace

std::string StacItemId(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string id;
    std::size_t at = 0;
    while (at < path.size()) {
        const auto byte = static_cast<unsigned char>(path[at]);
        const std::size_t length = Utf8SequenceLength(path, at);
        if (length == 0 || byte < 0x20 || byte == 0x7F || byte == '%') {
            id += '%';
            id += kHex[byte >> 4];
            id += kHex[byte & 0xF];
            ++at;
        } else {
            id.append(path, at, length);
            at += length;
        }
    }
    return id;
}

nlohmann::json RenderStacItem(const FileFacts& facts, const std::string& id) {
    Grid grid;
    Json asset = {{"href", Href(facts.path)}, {"roles", {kAssetKey}}};
    if (facts.raster) {
        const RasterFacts& raster = *facts.raster;
        grid = {raster.width, raster.height, &raster.crs, raster.geoTransform};
        if (const char* type = RasterMediaType(raster))
            asset["type"] = type;
        asset["file:size"] = JsonNumber(raster.storedBytes);
    } else {
        const PackageFacts& package = *facts.package;
        grid = {package.width, package.height, &package.crs, package.geoTransform};
        asset["type"] = kPackageType;
        asset["file:size"] = JsonNumber(package.storedBytes);
    }
    if (grid.gt && !AllFinite(*grid.gt))
        grid.gt.reset();
    asset["raster:bands"] = facts.raster ? RasterBands(*facts.raster, grid) : PackageBands(grid);

    Json item = {{"type", "Feature"},
                 {"stac_version", kStacVersion},
                 {"stac_extensions", {kProjectionExtension, kRasterExtension, kFileExtension}},
                 {"id", id}};
    InsertGeometry(item, grid);
    const std::string datetime = Datetime(facts);
    Json properties = {{"datetime", datetime.empty() ? Json(nullptr) : Json(datetime)}};
    InsertProjection(properties, grid);
    item["properties"] = std::move(properties);
    item["links"] = Json::array();
    item["assets"] = {{kAssetKey, std::move(asset)}};
    return item;
}
