// The raster report, from hand-made facts (rules of the layout) and from rasters made with GDAL
// (the whole text as the report box shows it).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <gdal.h>

#include <filesystem>
#include <string>

#include "file_bytes.h"
#include "gdal_rasters.h"
#include "raster_facts.h"
#include "raster_report.h"
#include "temp_folder.h"
#include "text_helpers.h"
#include "wgs84_wkt.h"

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

RasterFacts OneBandFacts() {
    RasterFacts facts;
    facts.width = 1000;
    facts.height = 1000;
    facts.bandCount = 1;
    facts.storedBytes = 2000000;
    facts.theoreticalBytes = 1000000;
    RasterBand band;
    band.number = 1;
    band.present = true;
    band.dataType = "Byte";
    band.blockWidth = 256;
    band.blockHeight = 256;
    facts.bands.push_back(band);
    return facts;
}

std::string Report(const std::string& path) {
    const ReportResult<RasterFacts> result = GatherRasterFacts(path);
    EXPECT_TRUE(result.ok()) << result.message();
    return result ? RenderRasterReport(*result) : std::string();
}

double FileBytes(const std::string& path) {
    return static_cast<double>(std::filesystem::file_size(path));
}

const std::string kWgs84Report = "\r\n影像地理坐标系:\r\n" + std::string(kWgs84WktLaidOut) +
                                 "\r\nProj4定义: +proj=longlat +datum=WGS84 +no_defs"
                                 "\r\nEPSG代码:4326";

}  // namespace

TEST(RasterReportLayout, BandLineOverviewsAndBandMetadata) {
    RasterFacts facts = OneBandFacts();
    facts.bands[0].overviews = {PixelSize{512, 512}, PixelSize{256, 256}, PixelSize{128, 128}};
    facts.bands[0].metadata = {"STATISTICS_MEAN=1.5"};
    EXPECT_EQ(RenderRasterReport(facts),
              "影像尺寸:\r\n\t宽: 1000 像素 高: 1000 像素\r\n"
              "\t影像文件大小: 1.907349 MB"
              "\r\n\r\n波段数: 1"
              "\r\n\t波段 1\t块大小 256X256\t数据类型 Byte"
              "\r\n\t\t金字塔[ 512X512, 256X256, 128X128 ]"
              "\r\n\t\tSTATISTICS_MEAN=1.5"
              "\r\n"
              "\r\n影像元数据:");
}

TEST(RasterReportLayout, MissingOverviewZeroStillLeavesTheSeparatorOfIndexOne) {
    RasterFacts facts = OneBandFacts();
    facts.bands[0].overviews = {std::nullopt, PixelSize{250, 250}, std::nullopt};
    EXPECT_THAT(RenderRasterReport(facts), HasSubstr("\r\n\t\t金字塔[ , 250X250 ]"));
}

TEST(RasterReportLayout, NoFileListShowsZeroBytesAndARatioOfZero) {
    RasterFacts facts = OneBandFacts();
    facts.storedBytes = 0;
    EXPECT_THAT(
        RenderRasterReport(facts),
        StartsWith("影像尺寸:\r\n\t宽: 1000 像素 高: 1000 像素\r\n\t影像文件大小: 0.000000 Byte"
                   "  理论未压缩大小: 976.562500 KB 压缩率 0.00%\r\n\r\n波段数: 1"));
}

TEST(RasterReportLayout, ZeroBandsHaveNoBandLinesAndNoRatio) {
    RasterFacts facts;
    facts.width = 10;
    facts.height = 10;
    facts.storedBytes = 100;
    EXPECT_EQ(RenderRasterReport(facts),
              "影像尺寸:\r\n\t宽: 10 像素 高: 10 像素\r\n"
              "\t影像文件大小: 100.000000 Byte\r\n\r\n波段数: 0\r\n\r\n影像元数据:");
}

TEST(RasterReportLayout, OptionalSectionsAndEmptyMakerList) {
    RasterFacts facts = OneBandFacts();
    facts.bands[0].dataType.reset();
    facts.crs = CoordinateSystem{"LOCAL_CS[\"x\"]", std::nullopt, -1};
    facts.metadata = {"A=1"};
    facts.makerMetadata = std::vector<std::string>{};
    EXPECT_EQ(RenderRasterReport(facts),
              "影像尺寸:\r\n\t宽: 1000 像素 高: 1000 像素\r\n"
              "\t影像文件大小: 1.907349 MB\r\n\r\n波段数: 1"
              "\r\n\t波段 1\t块大小 256X256\t数据类型 \r\n"
              "\r\n影像地理坐标系:\r\nLOCAL_CS[\"x\"]"
              "\r\n影像元数据:\r\n\tA=1"
              "\r\nKelmora影像数据:");
}

class RasterReportFromGdal : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { GDALAllRegister(); }
    TempFolder fixtures;
};

TEST_F(RasterReportFromGdal, CompressedGeographicRasterWithOverviews) {
    RasterRecipe recipe;
    recipe.width = 1000;
    recipe.height = 500;
    recipe.creationOptions = {"TILED=YES", "COMPRESS=DEFLATE"};
    recipe.geoTransform = {{100, 0.01, 0, 40, 0, -0.01}};
    recipe.epsg = 4326;
    recipe.metadata = {"SOURCE=unit test"};
    recipe.bandMetadata = {"BAND_NOTE=名称"};
    recipe.makerMetadata = {"QV_SENSOR=K1", "QV_LEVEL=2"};  // GeoTIFF keeps them sorted
    recipe.overviewFactors = {2, 4};
    const std::string path = MakeRaster(fixtures.Path("geographic.tif"), recipe);

    const double stored = FileBytes(path);
    ASSERT_LT(stored, 0.95 * 500000);
    const std::string expected =
        "影像尺寸:\r\n\t宽: 1000 像素 高: 500 像素\r\n\t影像文件大小: " + FormatFileSize(stored) +
        "  理论未压缩大小: 488.281250 KB 压缩率 " + FormatFixed(stored * 100 / 500000, 2) +
        "%\r\n\r\n波段数: 1"
        "\r\n\t波段 1\t块大小 256X256\t数据类型 Byte"
        "\r\n\t\t金字塔[ 500X250, 250X125 ]"
        "\r\n\t\tBAND_NOTE=名称"
        "\r\n" +
        kWgs84Report +
        "\r\n\r\n地理范围:\r\n"
        "\t\t北: 40.000000\r\n"
        "\t西: 100.000000  东: 110.000000\r\n"
        "\t\t南: 35.000000\r\n"
        "\r\n仿射变换参数: [100.000000,0.010000,0.000000,40.000000,0.000000,"
        "-0.010000]\r\n"
        "\r\n影像元数据:\r\n\tAREA_OR_POINT=Area\r\n\tSOURCE=unit test"
        "\r\nKelmora影像数据:\r\n\tQV_LEVEL=2\r\n\tQV_SENSOR=K1";
    EXPECT_EQ(Report(path), expected);
}

TEST_F(RasterReportFromGdal, UncompressedRasterWithoutGeoreferencing) {
    RasterRecipe recipe;
    recipe.width = 16;
    recipe.height = 8;
    recipe.bands = 3;
    recipe.type = GDT_Float32;
    recipe.creationOptions = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16"};
    const std::string path = MakeRaster(fixtures.Path("plain.tif"), recipe);

    // Float32 takes four bytes a pixel but counts one, so the file is far above the theory.
    const std::string expected = "影像尺寸:\r\n\t宽: 16 像素 高: 8 像素\r\n\t影像文件大小: " +
                                 FormatFileSize(FileBytes(path)) +
                                 "\r\n\r\n波段数: 3"
                                 "\r\n\t波段 1\t块大小 16X16\t数据类型 Float32"
                                 "\r\n\t波段 2\t块大小 16X16\t数据类型 Float32"
                                 "\r\n\t波段 3\t块大小 16X16\t数据类型 Float32"
                                 "\r\n"
                                 "\r\n影像地理坐标系:\r\n"
                                 "\r\n影像元数据:";
    EXPECT_EQ(Report(path), expected);
}

TEST_F(RasterReportFromGdal, RotatedTransformAndNonAsciiFileName) {
    RasterRecipe recipe;
    recipe.width = 10;
    recipe.height = 20;
    recipe.geoTransform = {{100, 2, -2, 200, 1, -3}};
    const std::string path = MakeRaster(fixtures.Path("影像 旋转.tif"), recipe);
    const std::string report = Report(path);
    EXPECT_THAT(report, HasSubstr("\t\t北: 210.000000\r\n\t西: 60.000000  东: "
                                  "120.000000\r\n\t\t南: 140.000000\r\n"));
}

TEST_F(RasterReportFromGdal, VrtOverATiffSumsBothFilesAndListsPerBandOverviews) {
    RasterRecipe recipe;
    recipe.width = 64;
    recipe.height = 32;
    recipe.bands = 2;
    recipe.overviewFactors = {2};
    const std::string tif = MakeRaster(fixtures.Path("base.tif"), recipe);
    const std::string vrt =
        "<VRTDataset rasterXSize=\"64\" rasterYSize=\"32\">\n"
        " <VRTRasterBand dataType=\"Byte\" band=\"1\">\n"
        "  <SimpleSource><SourceFilename relativeToVRT=\"1\">base.tif</SourceFilename>"
        "<SourceBand>1</SourceBand></SimpleSource>\n"
        "  <Overview><SourceFilename relativeToVRT=\"1\">base.tif</SourceFilename>"
        "<SourceBand>1</SourceBand></Overview>\n"
        " </VRTRasterBand>\n"
        " <VRTRasterBand dataType=\"Int16\" band=\"2\">\n"
        "  <SimpleSource><SourceFilename relativeToVRT=\"1\">base.tif</SourceFilename>"
        "<SourceBand>2</SourceBand></SimpleSource>\n"
        " </VRTRasterBand>\n"
        "</VRTDataset>\n";
    const std::string path = fixtures.Path("pair.vrt");
    WriteFileText(path, vrt);

    const ReportResult<RasterFacts> result = GatherRasterFacts(path);
    ASSERT_TRUE(result) << result.message();
    const RasterFacts& facts = *result;
    ASSERT_EQ(facts.files.size(), 2u);
    EXPECT_EQ(facts.storedBytes, FileBytes(path) + FileBytes(tif));
    EXPECT_EQ(facts.driver, "VRT");

    const std::string report = RenderRasterReport(facts);
    EXPECT_THAT(report, HasSubstr("\r\n\t波段 2\t块大小 64X32\t数据类型 Int16\r\n"));
    EXPECT_THAT(report, Not(HasSubstr("数据类型 Int16\r\n\t\t金字塔")));
    EXPECT_THAT(report, HasSubstr("数据类型 Byte\r\n\t\t金字塔[ "));
    EXPECT_THAT(report, EndsWith("\r\n影像元数据:"));
}
