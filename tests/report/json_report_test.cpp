// JSON rendered from the same facts as the text: every figure agrees with the text report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <gdal.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "file_bytes.h"
#include "gdal_rasters.h"
#include "json_report.h"
#include "package_format.h"
#include "package_headers.h"
#include "package_reader.h"
#include "sidecar_tie.h"
#include "temp_folder.h"
#include "text_helpers.h"
#include "written_packages.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Json = nlohmann::json;

namespace {

class JsonReport : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { GDALAllRegister(); }
    TempFolder fixtures;

    // Renders through the serialised text, as a script would read it.
    static Json Rendered(const FileFacts& facts) {
        return Json::parse(JsonText(RenderJsonReport(facts), false));
    }
};

}  // namespace

TEST_F(JsonReport, RasterFiguresMatchTheTextReport) {
    RasterRecipe recipe;
    recipe.width = 1000;
    recipe.height = 500;
    recipe.bands = 2;
    recipe.creationOptions = {"TILED=YES", "COMPRESS=DEFLATE"};
    recipe.geoTransform = {{100, 0.01, 0, 40, 0, -0.01}};
    recipe.epsg = 4326;
    recipe.metadata = {"QUOTE=say \"hi\" \\ bye", "名称=影像"};
    recipe.bandMetadata = {"NOTE=x"};
    recipe.overviewFactors = {2};
    const std::string path = MakeRaster(fixtures.Path("影像.tif"), recipe);

    const FileFacts facts = GatherFileFacts(path);
    const std::string text = RenderReport(facts).text;
    const Json json = Rendered(facts);

    EXPECT_EQ(json.at("path"), path);
    EXPECT_EQ(json.at("kind"), "raster");
    EXPECT_EQ(json.at("driver"), "GTiff");
    EXPECT_EQ(json.at("width"), 1000);
    EXPECT_EQ(json.at("height"), 500);
    EXPECT_EQ(json.at("theoreticalBytes").get<double>(), 1000000.0);
    const double stored = json.at("storedBytes").get<double>();
    EXPECT_THAT(text, HasSubstr("影像文件大小: " + FormatFileSize(stored)));
    const double percent = json.at("compressionPercent").get<double>();
    EXPECT_DOUBLE_EQ(percent, stored * 100 / 1000000.0);
    EXPECT_THAT(text, HasSubstr("压缩率 " + FormatFixed(percent, 2) + '%'));

    const Json& files = json.at("files");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].at("name"), path);
    EXPECT_EQ(files[0].at("bytes").get<double>(), stored);

    const Json& bands = json.at("bands");
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[1].at("index"), 2);
    EXPECT_EQ(bands[0].at("dataType"), "Byte");
    EXPECT_EQ(bands[0].at("blockSize"), Json::array({256, 256}));
    EXPECT_EQ(bands[0].at("overviews"), Json::array({Json::array({500, 250})}));
    EXPECT_EQ(bands[0].at("metadata").at("NOTE"), "x");
    EXPECT_THAT(text, HasSubstr("金字塔[ 500X250 ]"));

    const Json& crs = json.at("crs");
    EXPECT_EQ(crs.at("epsg"), 4326);
    EXPECT_EQ(crs.at("proj4"), "+proj=longlat +datum=WGS84 +no_defs");
    EXPECT_THAT(crs.at("wkt").get<std::string>(), StartsWith("GEOGCS[\"WGS 84\",DATUM"));

    EXPECT_EQ(json.at("metadata").at("QUOTE"), "say \"hi\" \\ bye");
    EXPECT_EQ(json.at("metadata").at("名称"), "影像");
    EXPECT_TRUE(json.at("makerMetadata").is_null());

    const Json& extent = json.at("extent");
    EXPECT_EQ(extent.at("north").get<double>(), 40.0);
    EXPECT_EQ(extent.at("south").get<double>(), 35.0);
    EXPECT_EQ(extent.at("west").get<double>(), 100.0);
    EXPECT_EQ(extent.at("east").get<double>(), 110.0);
    EXPECT_EQ(json.at("geoTransform"), Json::array({100, 0.01, 0, 40, 0, -0.01}));
}

TEST_F(JsonReport, MissingSectionsAreNullAndEntriesWithoutEqualsKeepTheirText) {
    RasterFacts facts;
    facts.width = 4;
    facts.height = 4;
    facts.metadata = {"NO_EQUALS_HERE", "K=a=b"};
    facts.makerMetadata = std::vector<std::string>{};
    RasterBand band;
    band.number = 1;
    band.overviews = {std::nullopt};
    facts.bands.push_back(band);
    const Json json = Rendered({"x.tif", facts, std::nullopt, {}});

    EXPECT_TRUE(json.at("crs").is_null());
    EXPECT_TRUE(json.at("extent").is_null());
    EXPECT_TRUE(json.at("geoTransform").is_null());
    EXPECT_TRUE(json.at("compressionPercent").is_null());  // theoretical 0: the text shows no ratio
    EXPECT_TRUE(json.at("metadata").contains("NO_EQUALS_HERE"));
    EXPECT_TRUE(json.at("metadata").at("NO_EQUALS_HERE").is_null());
    EXPECT_EQ(json.at("metadata").at("K"), "a=b");
    EXPECT_TRUE(json.at("makerMetadata").is_object());
    EXPECT_TRUE(json.at("bands")[0].at("dataType").is_null());
    EXPECT_TRUE(json.at("bands")[0].at("overviews")[0].is_null());
}

TEST_F(JsonReport, PackageFactsAndLevelTable) {
    PackageHeaderRecipe recipe;
    recipe.width = 2049;
    recipe.height = 100;
    recipe.geoTransform = {10, 2, 0, 20, 0, -2};
    const std::string path = fixtures.Path("p.qvrmp");
    WriteHeaderOnlyPackage(QString::fromStdString(path), recipe, 10 * 65536);

    const FileFacts facts = GatherFileFacts(path);
    const Json json = Rendered(facts);
    EXPECT_EQ(json.at("kind"), "package");
    EXPECT_EQ(json.at("width"), 2049);
    EXPECT_EQ(json.at("topLevel"), 1);
    EXPECT_EQ(json.at("headerLength"), 65536);
    EXPECT_EQ(json.at("tileCount"), 3);
    EXPECT_EQ(json.at("tilesPresent"), 0);
    EXPECT_EQ(json.at("storedBytes").get<double>(), 655360.0);
    EXPECT_EQ(json.at("theoreticalBytes").get<double>(), 2049.0 * 100 * 3);
    EXPECT_TRUE(json.at("compressionPercent").is_null());
    const Json& levels = json.at("levels");
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[0],
              (Json{{"level", 0}, {"width", 2049}, {"height", 100}, {"rows", 1}, {"columns", 2}}));
    EXPECT_EQ(levels[1].at("width"), 1025);
    EXPECT_EQ(levels[1].at("columns"), 1);
    EXPECT_EQ(json.at("extent").at("east").get<double>(), 10 + 2 * 2049.0);
}

TEST_F(JsonReport, ProjectedRasterGivesItsOwnCodeAndTheTextKeepsTheGeographicOne) {
    RasterRecipe recipe;
    recipe.width = 40;
    recipe.height = 10;
    recipe.bands = 2;
    recipe.type = GDT_UInt16;
    recipe.geoTransform = {{500000, 10, 0, 4000000, 0, -10}};
    recipe.epsg = 32650;
    recipe.noData = 7;
    recipe.colourInterpretations = {GCI_GrayIndex, GCI_AlphaBand};
    const FileFacts facts = GatherFileFacts(MakeRaster(fixtures.Path("utm.tif"), recipe));
    const Json json = Rendered(facts);

    EXPECT_EQ(json.at("crs").at("epsg"), 32650);
    EXPECT_EQ(json.at("crs").at("geographicEpsg"), 4326);
    EXPECT_THAT(RenderReport(facts).text, HasSubstr("EPSG代码:4326"));
    EXPECT_EQ(json.at("uncompressedBytes"), 40 * 10 * 2 * 2);
    EXPECT_DOUBLE_EQ(json.at("trueCompressionPercent").get<double>(),
                     json.at("storedBytes").get<double>() * 100 / (40 * 10 * 2 * 2));
    const Json& alpha = json.at("bands")[1];
    EXPECT_EQ(alpha.at("noData"), 7);
    EXPECT_EQ(alpha.at("colorInterpretation"), "Alpha");
    EXPECT_TRUE(alpha.at("scale").is_null());
}

TEST_F(JsonReport, PackageCoordinateSystemComesFromItsSidecar) {
    struct Case {
        const char* sidecar;  // nullptr: none written; "%s": the package's own fingerprint
        Json epsg;            // crs.epsg, or false where crs is null
    };
    const std::string tied = std::string("<PAMDataset><Metadata domain=\"") + kSidecarTieDomain +
                             "\"><MDI key=\"" + kSidecarTieItem +
                             "\">%s</MDI></Metadata><SRS>EPSG:32650</SRS></PAMDataset>";
    const auto withFingerprint = [](std::string text, const std::string& fingerprint) {
        const std::size_t at = text.find("%s");
        return at == std::string::npos ? text : text.replace(at, 2, fingerprint);
    };
    const std::string other = withFingerprint(tied, "65536 0123456789abcdef");
    const Case cases[] = {
        {nullptr, false},
        {"<PAMDataset><SRS>EPSG:32650</SRS></PAMDataset>", 32650},
        {"<PAMDataset><SRS>LOCAL_CS[\"site grid\"]</SRS></PAMDataset>", nullptr},
        {"<PAMDataset><SRS>no such system</SRS></PAMDataset>", false},
        {"not xml", false},
        {tied.c_str(), 32650},
        {other.c_str(), false},  // written for another package
    };
    std::string name = "p.qvrmp";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sidecar != nullptr ? c.sidecar : "no sidecar");
        name.insert(0, 1, 'p');  // a package of its own for each case
        const std::string path = fixtures.Path(name);
        ASSERT_TRUE(WriteEmptyPackage(path, 100, 50));
        if (c.sidecar != nullptr) {
            std::string error;
            const PackageHandle reader(OpenPackage(path, error));
            ASSERT_NE(reader, nullptr) << error;
            WriteFileText(path + kSidecarSuffix,
                          withFingerprint(c.sidecar, *ReaderFingerprint(*reader)));
        }
        const Json json = Rendered(GatherFileFacts(path));
        EXPECT_EQ(json.at("uncompressedBytes"), 100 * 50 * 4);
        const Json& crs = json.at("crs");
        EXPECT_EQ(crs.is_null() ? Json(false) : crs.at("epsg"), c.epsg);
    }
}

TEST_F(JsonReport, UnopenableFileGivesThePathAndTheTextReportsMessage) {
    const std::string path = fixtures.Path("gone.qvrmp");
    const FileFacts facts = GatherFileFacts(path);
    const Json json = Rendered(facts);
    std::vector<std::string> keys;
    for (const auto& item : json.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"error", "path"}));
    EXPECT_EQ(json.at("error"), RenderReport(facts).text);
    EXPECT_EQ(json.at("path"), path);
}

TEST_F(JsonReport, WrittenInPiecesSpellsTheTreesText) {
    RasterBand plain;
    plain.dataType = "Byte";
    RasterBand full = plain;
    full.overviews = {PixelSize{50, 25}, std::nullopt};
    full.metadata = {"A=1", "lone"};
    full.noData = -1.5;
    full.colourTableEntries = 256;
    FileFacts raster, package, failed;
    raster.path = "r\xff.tif";
    raster.raster.emplace().files = {{"r.tif", 10}};
    raster.raster->geoTransform = GeoTransform{1, 2, 0, 3, 0, -2};
    FileFacts bandless = raster;
    raster.raster->bands = {full, plain, full};
    package.package.emplace().levels.resize(2);
    failed.error = "cannot open";
    for (const FileFacts& facts : {raster, bandless, package, failed}) {
        for (const bool compact : {false, true}) {
            SCOPED_TRACE(facts.path + (compact ? " compact" : " indented"));
            std::string written, pathFirst;
            WriteJsonReport(facts, compact, [&](std::string_view piece) { written += piece; });
            EXPECT_EQ(written, JsonText(RenderJsonReport(facts), compact));
            WriteJsonReport(
                facts, compact, [&](std::string_view piece) { pathFirst += piece; }, "\"x\"");
            EXPECT_THAT(pathFirst,
                        StartsWith(compact ? "{\"path\":\"x\"," : "{\n    \"path\": \"x\",\n"));
            Json expected = RenderJsonReport(facts);
            expected["path"] = "x";
            EXPECT_EQ(Json::parse(pathFirst), expected);
        }
    }
}
