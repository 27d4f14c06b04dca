// STAC Items rendered from a file's facts: the outline in longitude and latitude, the grid in the
// projection extension's terms, the time, and the asset with its bands.
#include <gtest/gtest.h>

#include <gdal.h>

#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <string>

#include "acquisition_time.h"
#include "file_bytes.h"
#include "gdal_rasters.h"
#include "stac_item.h"
#include "temp_folder.h"
#include "test_images.h"
#include "written_packages.h"

using Json = nlohmann::json;

namespace {

struct ItemCase {
    const char* name;
    std::function<std::string(const TempFolder&)> make;  // the file, made in the folder
    Json expected;  // proj:epsg, proj:transform, the asset's raster:bands and type
    std::optional<std::array<double, 4>> bbox;  // the outline's box; empty: no geometry
    double bow = 0;  // how far the bottom edge's middle lies off the chord between its corners
    const char* datetime = nullptr;  // null: the file's modification time
};

std::function<std::string(const TempFolder&)> Raster(std::array<double, 6> gt, int epsg,
                                                     int width = 8, int height = 8,
                                                     GDALDataType type = GDT_Byte) {
    return [=](const TempFolder& folder) {
        RasterRecipe recipe;
        recipe.width = width;
        recipe.height = height;
        recipe.type = type;
        recipe.geoTransform = gt;
        recipe.epsg = epsg;
        if (type == GDT_Float32) {  // the case with every band fact and an acquisition time
            recipe.noData = std::nan("");
            recipe.metadata = {"TIFFTAG_DATETIME=2021:06:30 10:20:30"};
        }
        return MakeRaster(folder.Path("r.tif"), recipe);
    };
}

std::string Package(const TempFolder& folder) {
    const std::string path = folder.Path("p.qvrmp");
    EXPECT_TRUE(WriteImagePackage(path, SolidImage(40, 30, 0xFF00FF00)));
    WriteFileText(path + ".aux.xml", "<PAMDataset><SRS>EPSG:32650</SRS></PAMDataset>");
    return path;
}

constexpr char kGeoTiff[] = "image/tiff; application=geotiff";
const Json kByte = {{"data_type", "uint8"}};

class StacItem : public ::testing::TestWithParam<ItemCase> {};

}  // namespace

TEST_P(StacItem, OutlineGridTimeAndBands) {
    GDALAllRegister();
    const ItemCase& item = GetParam();
    const TempFolder folder;
    const std::string path = item.make(folder);
    const FileFacts facts = GatherFileFacts(path);
    const Json json = Json::parse(RenderStacItem(facts, "x").dump());
    const Json& asset = json["assets"]["data"];
    EXPECT_EQ(Json({json["properties"]["proj:epsg"], json["properties"]["proj:transform"],
                    asset["raster:bands"], asset["type"]}),
              item.expected);
    EXPECT_EQ(asset["file:size"], ReadFileBytes(path).size());
    EXPECT_EQ(json["properties"]["datetime"],
              item.datetime ? item.datetime : Rfc3339FromSeconds(*facts.modifiedSeconds));
    if (!item.bbox) {
        EXPECT_TRUE(json["geometry"].is_null() && !json.contains("bbox"));
        return;
    }
    const Json& ring = json["geometry"]["coordinates"][0];
    double twiceArea = 0;  // positive when the ring turns counter-clockwise
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        twiceArea += ring[i][0].get<double>() * ring[i + 1][1].get<double>() -
                     ring[i + 1][0].get<double>() * ring[i][1].get<double>();
    EXPECT_GT(twiceArea, 0);
    // Each edge is walked in 16 steps from its corner: the bottom one from ring[16] to ring[32].
    ASSERT_EQ(ring.size(), 65u);
    EXPECT_EQ(ring.front(), ring.back());
    const double chordMiddle = (ring[16][1].get<double>() + ring[32][1].get<double>()) / 2;
    EXPECT_GE(std::abs(ring[24][1].get<double>() - chordMiddle), item.bow);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(json["bbox"][i].get<double>(), (*item.bbox)[i], 1e-7) << i;
}

// UTM zone 50N: x = 500000 is 117 degrees east, the zone's central meridian, at every latitude; a
// northing from there to 64 km east bows by some 50 m. The rotated raster's corners in WGS 84
// itself are (10, 50), (11, 49), (13, 51) and (12, 52).
INSTANTIATE_TEST_SUITE_P(
    Files, StacItem,
    ::testing::Values(
        ItemCase{"Utm",
                 Raster({500000, 10, 0, 4000000, 0, -10}, 32650, 6400, 32, GDT_Float32),
                 {32650,
                  {10, 0, 500000, 0, -10, 4000000},
                  {{{"data_type", "float32"}, {"nodata", "nan"}, {"spatial_resolution", 10}}},
                  kGeoTiff},
                 {{117.0, 36.13972055, 117.71138152, 36.14471810}},
                 2e-4,
                 "2021-06-30T10:20:30Z"},
        ItemCase{"Rotated",
                 Raster({10, 0.5, 0.5, 50, 0.5, -0.5}, 4326, 4, 2),
                 {4326, {0.5, 0.5, 10, 0.5, -0.5, 50}, {kByte}, kGeoTiff},
                 {{10, 49, 13, 52}}},
        ItemCase{"NoCoordinateSystem",
                 Raster({100, 1, 0, 200, 0, -1}, 0),
                 {nullptr, {1, 0, 100, 0, -1, 200}, {kByte}, kGeoTiff},
                 std::nullopt},
        ItemCase{"PackageWithSidecar",
                 Package,
                 {32650,
                  {2.5, 0, 500000, 0, -2.5, 4000000},
                  Json(std::size_t{4}, {{"data_type", "uint8"}, {"spatial_resolution", 2.5}}),
                  "application/x-qvrmp"},
                 {{117.0, 36.14404191, 117.00111157, 36.14471810}}}),
    [](const auto& info) { return std::string(info.param.name); });
