// From a path to its report: the extension test and what bad input gives.
#include <gtest/gtest.h>

#include <gdal.h>

#include <string>
#include <vector>

#include "file_bytes.h"
#include "gdal_rasters.h"
#include "report.h"
#include "temp_folder.h"

TEST(IsPackagePath, NeedsOneUnitBeforeACaseSensitiveExtension) {
    EXPECT_TRUE(IsPackagePath("a.qvrmp"));
    EXPECT_TRUE(IsPackagePath("/data/影像.qvrmp"));
    EXPECT_FALSE(IsPackagePath(".qvrmp"));
    EXPECT_FALSE(IsPackagePath("a.QVRMP"));
    EXPECT_FALSE(IsPackagePath("a.qvrmP"));
    EXPECT_FALSE(IsPackagePath("a.qvrmp "));
    EXPECT_FALSE(IsPackagePath("a.tif"));
    EXPECT_FALSE(IsPackagePath(std::string()));
}

class BadInput : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { GDALAllRegister(); }
    TempFolder fixtures;

    std::string WriteFile(const std::string& name, const std::string& text) const {
        WriteFileText(fixtures.Path(name), text);
        return fixtures.Path(name);
    }

    static void ExpectFailure(const Report& report) {
        EXPECT_TRUE(report.failed);
        EXPECT_FALSE(report.previewAllowed);
        EXPECT_EQ(report.text.find("影像尺寸"), std::string::npos);
    }
};

TEST_F(BadInput, MissingAndEmptyPathsGiveGdalsMessage) {
    const Report missing = BuildReport(fixtures.Path("nowhere.tif"));
    ExpectFailure(missing);
    EXPECT_NE(missing.text.find("nowhere.tif"), std::string::npos) << missing.text;
    ExpectFailure(BuildReport(std::string()));
}

TEST_F(BadInput, FolderEmptyFileTextFileAndTruncatedTiff) {
    ExpectFailure(BuildReport(fixtures.Path("")));
    ExpectFailure(BuildReport(WriteFile("empty.tif", "")));
    ExpectFailure(BuildReport(WriteFile("notes.txt", "just some words\n")));

    RasterRecipe recipe;
    const std::vector<std::uint8_t> whole =
        ReadFileBytes(MakeRaster(fixtures.Path("whole.tif"), recipe));
    ASSERT_GE(whole.size(), 8u);
    // The TIFF signature and an offset past the end.
    WriteFileBytes(fixtures.Path("cut.tif"), {whole.begin(), whole.begin() + 8});
    ExpectFailure(BuildReport(fixtures.Path("cut.tif")));
}

TEST_F(BadInput, AFailedOpenDoesNotShowAnEarlierMessage) {
    ExpectFailure(BuildReport(fixtures.Path("first-missing.tif")));
    RasterRecipe recipe;
    const Report ok = BuildReport(MakeRaster(fixtures.Path("ok.tif"), recipe));
    EXPECT_FALSE(ok.failed);
    EXPECT_FALSE(ok.previewAllowed);
    EXPECT_TRUE(ok.text.starts_with("影像尺寸:\r\n"));
}

TEST_F(BadInput, UppercasePackageExtensionGoesToGdal) {
    const Report report = BuildReport(WriteFile("x.QVRMP", "junk"));
    ExpectFailure(report);
    EXPECT_FALSE(report.text.starts_with("打开压缩包失败:"));
}
