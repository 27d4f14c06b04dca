// STAC Items rendered from a file's facts: the outline in longitude and latitude, the grid in the
// projection extension's terms, the time, and the asset with its bands.
#include <gtest/gtest.h>

#include <gdal.h>

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "acquisition_time.h"
#include "file_bytes.h"
#include "gdal_rasters.h"
#include "json_report.h"
#include "stac_item.h"
#include "temp_folder.h"
#include "test_images.h"
#include "written_packages.h"

using Json = nlohmann::json;

namespace {

// Twice the signed area of a ring; positive when it turns counter-clockwise.
double TwiceSignedArea(const Json& ring) {
    double sum = 0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        sum += ring[i][0].get<double>() * ring[i + 1][1].get<double>() -
               ring[i + 1][0].get<double>() * ring[i][1].get<double>();
    return sum;
}

struct ItemCase {
    const char* name;
    RasterRecipe recipe;
    std::optional<std::array<double, 4>> bbox;  // the outline's box; empty: no geometry
    Json epsg;
    Json transform;                       // the extension's order
    std::optional<std::string> datetime;  // empty: the file's modification time
    Json band;                            // the first entry of raster:bands
};

RasterRecipe Recipe(int width, int height, std::array<double, 6> gt, int epsg) {
    RasterRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.geoTransform = gt;
    recipe.epsg = epsg;
    return recipe;
}

ItemCase WithBand(ItemCase item, GDALDataType type, double noData, std::string time) {
    item.recipe.type = type;
    item.recipe.noData = noData;
    item.recipe.metadata = {"TIFFTAG_DATETIME=" + time};
    return item;
}

class StacItem : public ::testing::TestWithParam<ItemCase> {
  protected:
    static void SetUpTestSuite() { GDALAllRegister(); }
    TempFolder fixtures;
};

}  // namespace

TEST_P(StacItem, OutlineGridTimeAndBands) {
    const ItemCase& item = GetParam();
    const std::string path = MakeRaster(fixtures.Path("r.tif"), item.recipe);
    const FileFacts facts = GatherFileFacts(path);
    ASSERT_FALSE(facts.Failed()) << facts.error;
    const Json json = Json::parse(JsonText(RenderStacItem(facts, "r"), true));

    EXPECT_EQ(json["id"], "r");
    EXPECT_EQ(json["properties"]["proj:epsg"], item.epsg);
    EXPECT_EQ(json["properties"]["proj:shape"], Json({item.recipe.height, item.recipe.width}));
    EXPECT_EQ(json["properties"]["proj:transform"], item.transform);
    EXPECT_EQ(json["properties"]["datetime"],
              item.datetime.value_or(Rfc3339FromSeconds(*facts.modifiedSeconds)));
    EXPECT_EQ(json["assets"]["data"]["raster:bands"][0], item.band);
    EXPECT_EQ(json["assets"]["data"]["file:size"], ReadFileBytes(path).size());
    if (!item.bbox) {
        EXPECT_TRUE(json["geometry"].is_null());
        EXPECT_FALSE(json.contains("bbox"));
        return;
    }
    const Json& ring = json["geometry"]["coordinates"][0];
    EXPECT_EQ(json["geometry"]["type"], "Polygon");
    EXPECT_EQ(ring.front(), ring.back());
    EXPECT_GT(TwiceSignedArea(ring), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(json["bbox"][i].get<double>(), (*item.bbox)[i], 1e-7) << i;
}

// UTM zone 50N: x = 500000 is 117 degrees east, the zone's central meridian, at every latitude.
INSTANTIATE_TEST_SUITE_P(
    Rasters, StacItem,
    ::testing::Values(
        WithBand({"Utm",
                  Recipe(64, 32, {500000, 10, 0, 4000000, 0, -10}, 32650),
                  {{117.0, 36.14183285, 117.00711406, 36.14471810}},
                  32650,
                  {10, 0, 500000, 0, -10, 4000000},
                  "2021-06-30T10:20:30Z",
                  {{"data_type", "float32"}, {"nodata", "nan"}, {"spatial_resolution", 10}}},
                 GDT_Float32, std::nan(""), "2021:06:30 10:20:30"),
        // Rotated by 45 degrees in WGS 84 itself: the corners (10, 50), (11, 49), (13, 51),
        // (12, 52).
        ItemCase{"Rotated",
                 Recipe(4, 2, {10, 0.5, 0.5, 50, 0.5, -0.5}, 4326),
                 {{10, 49, 13, 52}},
                 4326,
                 {0.5, 0.5, 10, 0.5, -0.5, 50},
                 std::nullopt,
                 {{"data_type", "uint8"}}},
        ItemCase{"NoCoordinateSystem",
                 Recipe(8, 8, {100, 1, 0, 200, 0, -1}, 0),
                 std::nullopt,
                 nullptr,
                 {1, 0, 100, 0, -1, 200},
                 std::nullopt,
                 {{"data_type", "uint8"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StacItem, ProjectedEdgesAreDensified) {
    // One northing from the central meridian to 64 km east of it bows by some 50 m in latitude.
    const std::string path = MakeRaster(fixtures.Path("utm.tif"),
                                        Recipe(6400, 32, {500000, 10, 0, 4000000, 0, -10}, 32650));
    const Json json = RenderStacItem(GatherFileFacts(path), "utm");
    const Json& ring = json["geometry"]["coordinates"][0];
    // Each edge is walked in 16 steps from its corner: the bottom one from ring[16] to ring[32].
    ASSERT_EQ(ring.size(), 65u);
    const double chordMiddle = (ring[16][1].get<double>() + ring[32][1].get<double>()) / 2;
    EXPECT_GT(std::abs(ring[24][1].get<double>() - chordMiddle), 2e-4);
}

TEST_F(StacItem, PackageItemHasItsOwnMediaTypeFourByteBandsAndTheSidecarsSystem) {
    const std::string path = fixtures.Path("p.qvrmp");
    ASSERT_TRUE(WriteImagePackage(path, SolidImage(40, 30, 0xFF00FF00)));
    WriteFileText(path + ".aux.xml", "<PAMDataset><SRS>EPSG:32650</SRS></PAMDataset>");
    const FileFacts facts = GatherFileFacts(path);
    const Json json = RenderStacItem(facts, "p");
    const Json& asset = json["assets"]["data"];
    EXPECT_EQ(asset["type"], "application/x-qvrmp");
    EXPECT_EQ(asset["href"], path);
    EXPECT_EQ(asset["file:size"], ReadFileBytes(path).size());
    ASSERT_EQ(asset["raster:bands"].size(), 4u);
    EXPECT_EQ(asset["raster:bands"][3],
              Json({{"data_type", "uint8"}, {"spatial_resolution", 2.5}}));
    EXPECT_EQ(json["properties"]["proj:transform"], Json({2.5, 0, 500000, 0, -2.5, 4000000}));
    EXPECT_EQ(json["properties"]["proj:epsg"], 32650);  // from the sidecar
    EXPECT_EQ(json["geometry"]["coordinates"][0][0], Json({117.0, json["bbox"][3]}));
}

TEST(StacItemId, DistinctPathsGiveDistinctIds) {
    EXPECT_EQ(StacItemId("dir/名.tif"), "dir/名.tif");
    EXPECT_EQ(StacItemId("50%.tif"), "50%25.tif");
    EXPECT_EQ(StacItemId("bad\xFF\n.tif"), "bad%FF%0A.tif");
    EXPECT_NE(StacItemId("bad\xFF.tif"), StacItemId("bad%FF.tif"));
}
