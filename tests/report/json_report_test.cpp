// JSON rendered from the same facts as the text: every figure agrees with the text report.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include "fixture_folder.h"
#include "gdal_setup.h"
#include "json_report.h"
#include "package_headers.h"
#include "qt_printers.h"
#include "text_helpers.h"

namespace {

class JsonReport : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitGdal(); }
    FixtureFolder fixtures;

    // Renders through a serialised document, as a script would read it.
    static QJsonObject Json(const FileFacts& facts) {
        return QJsonDocument::fromJson(QJsonDocument(RenderJsonReport(facts)).toJson()).object();
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
    const QString path = fixtures.MakeGeoTiff(QStringLiteral("影像.tif"), recipe);

    const FileFacts facts = GatherFileFacts(path);
    const QString text = RenderReport(facts).text;
    const QJsonObject json = Json(facts);

    EXPECT_EQ(json[u"path"].toString(), path);
    EXPECT_EQ(json[u"kind"].toString(), "raster");
    EXPECT_EQ(json[u"driver"].toString(), "GTiff");
    EXPECT_EQ(json[u"width"].toInt(), 1000);
    EXPECT_EQ(json[u"height"].toInt(), 500);
    EXPECT_EQ(json[u"theoreticalBytes"].toDouble(), 1000000.0);
    const double stored = json[u"storedBytes"].toDouble();
    EXPECT_TRUE(text.contains(QStringLiteral("影像文件大小: ") + FormatFileSize(stored)));
    const double percent = json[u"compressionPercent"].toDouble();
    EXPECT_DOUBLE_EQ(percent, stored * 100 / 1000000.0);
    EXPECT_TRUE(text.contains(QStringLiteral("压缩率 ") + FormatFixed(percent, 2) + u'%'));

    const QJsonArray files = json[u"files"].toArray();
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0][u"name"].toString(), path);
    EXPECT_EQ(files[0][u"bytes"].toDouble(), stored);

    const QJsonArray bands = json[u"bands"].toArray();
    ASSERT_EQ(bands.size(), 2);
    EXPECT_EQ(bands[1][u"index"].toInt(), 2);
    EXPECT_EQ(bands[0][u"dataType"].toString(), "Byte");
    EXPECT_EQ(bands[0][u"blockSize"].toArray(), (QJsonArray{256, 256}));
    EXPECT_EQ(bands[0][u"overviews"].toArray(), (QJsonArray{QJsonArray{500, 250}}));
    EXPECT_EQ(bands[0][u"metadata"][u"NOTE"].toString(), "x");
    EXPECT_TRUE(text.contains(QStringLiteral("金字塔[ 500X250 ]")));

    const QJsonObject crs = json[u"crs"].toObject();
    EXPECT_EQ(crs[u"epsg"].toInt(), 4326);
    EXPECT_EQ(crs[u"proj4"].toString(), "+proj=longlat +datum=WGS84 +no_defs");
    EXPECT_TRUE(crs[u"wkt"].toString().startsWith(QStringLiteral("GEOGCS[\"WGS 84\",DATUM")));

    EXPECT_EQ(json[u"metadata"][u"QUOTE"].toString(), QStringLiteral("say \"hi\" \\ bye"));
    EXPECT_EQ(json[u"metadata"][u"名称"].toString(), QStringLiteral("影像"));
    EXPECT_TRUE(json[u"makerMetadata"].isNull());

    const QJsonObject extent = json[u"extent"].toObject();
    EXPECT_EQ(extent[u"north"].toDouble(), 40.0);
    EXPECT_EQ(extent[u"south"].toDouble(), 35.0);
    EXPECT_EQ(extent[u"west"].toDouble(), 100.0);
    EXPECT_EQ(extent[u"east"].toDouble(), 110.0);
    EXPECT_EQ(json[u"geoTransform"].toArray(), (QJsonArray{100, 0.01, 0, 40, 0, -0.01}));
}

TEST_F(JsonReport, MissingSectionsAreNullAndEntriesWithoutEqualsKeepTheirText) {
    RasterFacts facts;
    facts.width = 4;
    facts.height = 4;
    facts.metadata = {QByteArray("NO_EQUALS_HERE"), QByteArray("K=a=b")};
    facts.makerMetadata = QList<QByteArray>{};
    RasterBand band;
    band.number = 1;
    band.overviews = {std::nullopt};
    facts.bands.push_back(band);
    const QJsonObject json = Json({QStringLiteral("x.tif"), facts, std::nullopt, {}});

    EXPECT_TRUE(json[u"crs"].isNull());
    EXPECT_TRUE(json[u"extent"].isNull());
    EXPECT_TRUE(json[u"geoTransform"].isNull());
    EXPECT_TRUE(json[u"compressionPercent"].isNull());  // theoretical 0: the text shows no ratio
    EXPECT_TRUE(json[u"metadata"].toObject().contains(u"NO_EQUALS_HERE"));
    EXPECT_TRUE(json[u"metadata"][u"NO_EQUALS_HERE"].isNull());
    EXPECT_EQ(json[u"metadata"][u"K"].toString(), "a=b");
    EXPECT_TRUE(json[u"makerMetadata"].isObject());
    EXPECT_TRUE(json[u"bands"][0][u"dataType"].isNull());
    EXPECT_TRUE(json[u"bands"][0][u"overviews"][0].isNull());
}

TEST_F(JsonReport, PackageFactsAndLevelTable) {
    PackageHeaderRecipe recipe;
    recipe.width = 2049;
    recipe.height = 100;
    recipe.geoTransform = {10, 2, 0, 20, 0, -2};
    const QString path = fixtures.Path(QStringLiteral("p.qvrmp"));
    WriteHeaderOnlyPackage(path, recipe, 10 * 65536);

    const FileFacts facts = GatherFileFacts(path);
    const QJsonObject json = Json(facts);
    EXPECT_EQ(json[u"kind"].toString(), "package");
    EXPECT_EQ(json[u"width"].toInt(), 2049);
    EXPECT_EQ(json[u"topLevel"].toInt(), 1);
    EXPECT_EQ(json[u"headerLength"].toInt(), 65536);
    EXPECT_EQ(json[u"tileCount"].toInt(), 3);
    EXPECT_EQ(json[u"tilesPresent"].toInt(), 0);
    EXPECT_EQ(json[u"storedBytes"].toDouble(), 655360.0);
    EXPECT_EQ(json[u"theoreticalBytes"].toDouble(), 2049.0 * 100 * 3);
    EXPECT_TRUE(json[u"compressionPercent"].isNull());
    const QJsonArray levels = json[u"levels"].toArray();
    ASSERT_EQ(levels.size(), 2);
    EXPECT_EQ(levels[0].toObject(), (QJsonObject{{QStringLiteral("level"), 0},
                                                 {QStringLiteral("width"), 2049},
                                                 {QStringLiteral("height"), 100},
                                                 {QStringLiteral("rows"), 1},
                                                 {QStringLiteral("columns"), 2}}));
    EXPECT_EQ(levels[1][u"width"].toInt(), 1025);
    EXPECT_EQ(levels[1][u"columns"].toInt(), 1);
    EXPECT_EQ(json[u"extent"][u"east"].toDouble(), 10 + 2 * 2049.0);
}

TEST_F(JsonReport, UnopenableFileGivesThePathAndTheTextReportsMessage) {
    const QString path = fixtures.Path(QStringLiteral("gone.qvrmp"));
    const FileFacts facts = GatherFileFacts(path);
    const QJsonObject json = Json(facts);
    EXPECT_EQ(json.keys(), (QStringList{QStringLiteral("error"), QStringLiteral("path")}));
    EXPECT_EQ(json[u"error"].toString(), RenderReport(facts).text);
    EXPECT_EQ(json[u"path"].toString(), path);
}
