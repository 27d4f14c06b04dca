#include "json_report.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

#include "text_helpers.h"

namespace {

using Json = nlohmann::json;

constexpr int kIndentWidth = 4;
constexpr char kPathKey[] = "path";
constexpr char kBandsKey[] = "bands";
// Doubles from -2^63 up to (not including) 2^63 can be whole numbers of 64 bits.
constexpr double kWholeNumberLimit = 9223372036854775808.0;

// JSON has no NaN or infinity; they are written as these strings, the spellings JavaScript and
// Python print and parse, so that null keeps meaning "none".
constexpr char kNotANumber[] = "NaN";
constexpr char kInfinity[] = "Infinity";
constexpr char kNegativeInfinity[] = "-Infinity";

Json OptionalNumber(const std::optional<double>& value) {
    return value ? JsonNumber(*value) : Json(nullptr);
}

// stored x 100 / uncompressed, the ratio the data types give; null for an image without samples.
Json TrueCompressionPercent(double stored, double uncompressed) {
    return uncompressed > 0 ? JsonNumber(stored * 100.0 / uncompressed) : Json(nullptr);
}

// KEY=VALUE entries as an object; an entry without "=" keeps its whole text as key, null value.
Json MetadataObject(const std::vector<std::string>& entries) {
    Json object = Json::object();
    for (const std::string& entry : entries) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            object[ValidUtf8(entry)] = nullptr;
        } else {
            object[ValidUtf8(std::string_view(entry).substr(0, equals))] =
                ValidUtf8(std::string_view(entry).substr(equals + 1));
        }
    }
    return object;
}

Json SizePair(double width, double height) {
    return Json::array({JsonNumber(width), JsonNumber(height)});
}

// The bytes of a file against what its pixels would take.
struct ByteCounts {
    double stored = 0;
    double theoretical = 0;  // the text report's figure
    double uncompressed = 0;
};

// What both kinds of file report alike: the kind, the size and the bytes against the theory.
void InsertSizes(Json& json, const char* kind, int width, int height, const ByteCounts& bytes) {
    json["kind"] = kind;
    json["width"] = width;
    json["height"] = height;
    json["storedBytes"] = JsonNumber(bytes.stored);
    json["theoreticalBytes"] = JsonNumber(bytes.theoretical);
    json["compressionPercent"] =
        OptionalNumber(CompressionPercent(bytes.stored, bytes.theoretical));
    json["uncompressedBytes"] = JsonNumber(bytes.uncompressed);
    json["trueCompressionPercent"] = TrueCompressionPercent(bytes.stored, bytes.uncompressed);
}

void InsertGeoreferencing(Json& json, const std::optional<GeoTransform>& gt, int width,
                          int height) {
    if (!gt) {
        json["extent"] = nullptr;
        json["geoTransform"] = nullptr;
        return;
    }
    const GeoExtent extent = ComputeExtent(*gt, width, height);
    json["extent"] = {{"north", JsonNumber(extent.north)},
                      {"south", JsonNumber(extent.south)},
                      {"west", JsonNumber(extent.west)},
                      {"east", JsonNumber(extent.east)}};
    Json coefficients = Json::array();
    for (double coefficient : *gt)
        coefficients.push_back(JsonNumber(coefficient));
    json["geoTransform"] = std::move(coefficients);
}

// A band's members, listed in the order the tree keeps them (sorted by key), so that they can be
// written in turn without building the tree.
constexpr std::size_t kBandMemberCount = 12;
using BandMembers = std::array<std::pair<const char*, Json>, kBandMemberCount>;

BandMembers MembersOf(const RasterBand& band) {
    Json overviews = Json::array();
    for (const auto& overview : band.overviews)
        overviews.push_back(overview ? SizePair(overview->width, overview->height) : Json(nullptr));
    return {{
        {"blockSize", SizePair(band.blockWidth, band.blockHeight)},
        {"colorInterpretation", ValidUtf8(band.colourInterpretation)},
        {"colorTableEntries",
         band.colourTableEntries ? Json(*band.colourTableEntries) : Json(nullptr)},
        {"dataType", band.dataType ? Json(ValidUtf8(*band.dataType)) : Json(nullptr)},
        {"description", ValidUtf8(band.description)},
        {"index", band.number},
        {"metadata", MetadataObject(band.metadata)},
        {"noData", OptionalNumber(band.noData)},
        {"offset", OptionalNumber(band.offset)},
        {"overviews", std::move(overviews)},
        {"scale", OptionalNumber(band.scale)},
        {"unit", ValidUtf8(band.unit)},
    }};
}

Json BandObject(const RasterBand& band) {
    Json object = Json::object();
    for (auto& [key, value] : MembersOf(band))
        object[key] = std::move(value);
    return object;
}

Json CoordinateSystemObject(const std::optional<CoordinateSystem>& crs) {
    // GDAL gives an empty WKT for a raster without a coordinate system.
    if (!crs || crs->wkt.empty())
        return nullptr;
    return {
        {"wkt", ValidUtf8(crs->wkt)},
        {"proj4", crs->proj4 ? Json(ValidUtf8(*crs->proj4)) : Json(nullptr)},
        {"epsg", crs->epsg ? Json(*crs->epsg) : Json(nullptr)},
        {"geographicEpsg", crs->geographicEpsg != -1 ? Json(crs->geographicEpsg) : Json(nullptr)},
    };
}

// The bands are left an empty array unless `withBands`.
void InsertRaster(Json& json, const RasterFacts& facts, bool withBands) {
    InsertSizes(json, "raster", facts.width, facts.height,
                {facts.storedBytes, facts.theoreticalBytes, facts.uncompressedBytes});
    json["driver"] = ValidUtf8(facts.driver);

    Json files = Json::array();
    for (const RasterFile& file : facts.files)
        files.push_back({{"name", ValidUtf8(file.name)}, {"bytes", JsonNumber(file.bytes)}});
    json["files"] = std::move(files);

    Json bands = Json::array();
    if (withBands) {
        for (const RasterBand& band : facts.bands)
            bands.push_back(BandObject(band));
    }
    json[kBandsKey] = std::move(bands);

    json["crs"] = CoordinateSystemObject(facts.crs);
    json["metadata"] = MetadataObject(facts.metadata);
    json["makerMetadata"] = facts.makerMetadata ? MetadataObject(*facts.makerMetadata) : nullptr;
    InsertGeoreferencing(json, facts.geoTransform, facts.width, facts.height);
}

void InsertPackage(Json& json, const PackageFacts& facts) {
    InsertSizes(json, "package", facts.width, facts.height,
                {facts.storedBytes, facts.theoreticalBytes, facts.uncompressedBytes});
    json["topLevel"] = facts.topLevel;
    json["headerLength"] = facts.headerLength;
    json["tileCount"] = facts.tileCount;
    json["tilesPresent"] = facts.tilesPresent;
    Json levels = Json::array();
    for (std::size_t level = 0; level < facts.levels.size(); ++level) {
        const PackageLevel& info = facts.levels[level];
        levels.push_back({{"level", level},
                          {"width", info.width},
                          {"height", info.height},
                          {"rows", info.rows},
                          {"columns", info.columns}});
    }
    json["levels"] = std::move(levels);
    json["crs"] = CoordinateSystemObject(facts.crs);
    InsertGeoreferencing(json, facts.geoTransform, facts.width, facts.height);
}

Json ReportTree(const FileFacts& facts, bool withBands) {
    Json json = {{kPathKey, ValidUtf8(facts.path)}};
    if (facts.raster) {
        InsertRaster(json, *facts.raster, withBands);
    } else if (facts.package) {
        InsertPackage(json, *facts.package);
    } else {
        json["error"] = ValidUtf8(facts.error);
    }
    return json;
}

// A value's text as it stands `depth` levels deep in an indented document.
std::string NestedText(const Json& value, bool compact, int depth) {
    const std::string text = JsonText(value, compact);
    if (compact)
        return text;
    // Strings hold their line breaks escaped: every raw one starts a line of the layout.
    const std::string indent(static_cast<std::size_t>(depth * kIndentWidth), ' ');
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        out += c;
        if (c == '\n')
            out += indent;
    }
    return out;
}

// BandObject(band) as NestedText(..., depth) spells it, without building the band's tree: its
// members in the tree's own (sorted) order, each value printed alone.
std::string BandText(const RasterBand& band, bool compact, int depth) {
    const std::string memberIndent =
        compact ? ""
                : "\n" + std::string(static_cast<std::size_t>((depth + 1) * kIndentWidth), ' ');
    std::string out = "{";
    for (const auto& [key, value] : MembersOf(band)) {
        if (out.size() > 1)
            out += ',';
        out += memberIndent;
        out += '"';
        out += key;
        out += compact ? "\":" : "\": ";
        out += NestedText(value, compact, depth + 1);
    }
    if (!compact)
        out += "\n" + std::string(static_cast<std::size_t>(depth * kIndentWidth), ' ');
    return out + "}";
}

void WriteBands(const std::vector<RasterBand>& bands, bool compact, const JsonSink& write) {
    if (bands.empty()) {
        write("[]");
        return;
    }
    const std::string indent(2 * kIndentWidth, ' ');
    write(compact ? "[" : "[\n");
    for (std::size_t i = 0; i < bands.size(); ++i) {
        if (i != 0)
            write(compact ? "," : ",\n");
        if (!compact)
            write(indent);
        write(BandText(bands[i], compact, 2));
    }
    write(compact ? "]" : "\n" + std::string(kIndentWidth, ' ') + "]");
}

}  // namespace

nlohmann::json JsonNumber(double value) {
    if (std::isnan(value))
        return kNotANumber;
    if (std::isinf(value))
        return value > 0 ? kInfinity : kNegativeInfinity;
    if (std::trunc(value) == value && value >= -kWholeNumberLimit && value < kWholeNumberLimit) {
        return static_cast<std::int64_t>(value);
    }
    return value;
}

nlohmann::json RenderJsonReport(const FileFacts& facts) {
    return ReportTree(facts, true);
}

void WriteJsonReport(const FileFacts& facts, bool compact, const JsonSink& write,
                     std::string_view pathJson) {
    Json tree = ReportTree(facts, false);
    if (!pathJson.empty())
        tree.erase(kPathKey);
    const std::string memberIndent = compact ? "" : std::string(kIndentWidth, ' ');
    bool first = true;
    const auto startMember = [&](const std::string& key) {
        write(first ? (compact ? "{" : "{\n") : (compact ? "," : ",\n"));
        first = false;
        write(memberIndent + JsonText(key, true) + (compact ? ":" : ": "));
    };
    if (!pathJson.empty()) {
        startMember(kPathKey);
        write(pathJson);
    }
    // The members in the tree's own order, the bands streamed where the tree keeps their place.
    for (const auto& [key, value] : tree.items()) {
        startMember(key);
        if (key == kBandsKey && facts.raster)
            WriteBands(facts.raster->bands, compact, write);
        else
            write(NestedText(value, compact, 1));
    }
    // The tree always holds "kind" or "error", so the object is never empty.
    write(compact ? "}" : "\n}");
}

std::string JsonText(const nlohmann::json& json, bool compact) {
    // Every string put in is valid UTF-8 already; replacing keeps the dump from ever throwing.
    return json.dump(compact ? -1 : kIndentWidth, ' ', false, Json::error_handler_t::replace);
}
