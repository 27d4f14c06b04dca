// A catalogue as STAC: ids that keep Items apart, and an ItemCollection that GDAL's STACIT driver
// reads back as one mosaic of the files.
#include <gtest/gtest.h>

#include <gdal.h>
#include <ogr_srs_api.h>

#include <nlohmann/json.hpp>

#include <array>
#include <string>
#include <vector>

#include "catalog_run.h"
#include "file_bytes.h"
#include "gdal_rasters.h"
#include "stac_output.h"
#include "temp_folder.h"

namespace {

constexpr int kTile = 32;

// One value a pixel across both tiles, so that the mosaic can be checked at every pixel.
double MosaicValue(int x, int y) {
    return (x + 3 * y) % 251;
}

std::string Tile(const TempFolder& folder, const std::string& name, int column) {
    RasterRecipe recipe;
    recipe.width = kTile;
    recipe.height = kTile;
    recipe.epsg = 32650;
    recipe.geoTransform = {{500000.0 + column * kTile * 10, 10, 0, 4000000, 0, -10}};
    recipe.value = [column](int, int x, int y) { return MosaicValue(x + column * kTile, y); };
    return MakeRaster(folder.Path(name), recipe);
}

}  // namespace

TEST(StacOutput, DistinctPathsAndRepeatedOnesGetDistinctIds) {
    std::vector<CatalogEntry> entries;
    for (const char* path : {"a.tif", "名%.tif", "a.tif", "bad\xFF\n", "bad%FF%0A", "a.tif"})
        entries.push_back({path, {}, {}});
    EXPECT_EQ(StacItemIds(entries),
              (std::vector<std::string>{"a.tif", "名%25.tif", "a.tif%-2", "bad%FF%0A",
                                        "bad%25FF%250A", "a.tif%-3"}));
}

TEST(StacOutput, StacitReadsTheCollectionAsOneMosaic) {
    GDALAllRegister();
    TempFolder folder;
    CatalogRequest request;
    request.entries = {{Tile(folder, "west.tif", 0), {}, {}},
                       {folder.Path("missing.tif"), {}, {}},
                       {Tile(folder, "east.tif", 1), {}, {}}};
    request.format = CatalogFormat::kJson;
    request.stac = true;
    request.jobs = 2;
    std::string output, notices;
    const CatalogOutcome outcome =
        RunCatalog(request, {[&](std::string_view text) {
                                 output += text;
                                 return 0;
                             },
                             {},
                             [&](std::string_view text) { notices += text; }});
    EXPECT_EQ(outcome.failed, 1u);
    EXPECT_EQ(notices, folder.Path("missing.tif") + ": no such file\n");
    ASSERT_EQ(nlohmann::json::parse(output)["features"].size(), 2u);
    const std::string items = folder.Path("items.json");
    WriteFileText(items, output);

    GDALDatasetH mosaic = GDALOpen(("STACIT:\"" + items + "\"").c_str(), GA_ReadOnly);
    ASSERT_NE(mosaic, nullptr) << CPLGetLastErrorMsg();
    EXPECT_EQ(GDALGetRasterXSize(mosaic), 2 * kTile);
    EXPECT_EQ(GDALGetRasterYSize(mosaic), kTile);
    std::array<double, 6> gt{};
    GDALGetGeoTransform(mosaic, gt.data());
    EXPECT_EQ(gt, (std::array<double, 6>{500000, 10, 0, 4000000, 0, -10}));
    EXPECT_STREQ(OSRGetAuthorityCode(GDALGetSpatialRef(mosaic), nullptr), "32650");
    std::vector<double> pixels(2 * kTile * kTile);
    std::vector<double> expected;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        expected.push_back(MosaicValue(i % (2 * kTile), i / (2 * kTile)));
    EXPECT_EQ(GDALRasterIO(GDALGetRasterBand(mosaic, 1), GF_Read, 0, 0, 2 * kTile, kTile,
                           pixels.data(), 2 * kTile, kTile, GDT_Float64, 0, 0),
              CE_None);
    EXPECT_EQ(pixels, expected);
    GDALClose(mosaic);
}
