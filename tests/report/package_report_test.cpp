// The package report as the report box shows it, and what a package that cannot be opened gives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <gdal.h>

#include <string>

#include "package_headers.h"
#include "report.h"
#include "temp_folder.h"

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class PackageReport : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { GDALAllRegister(); }
    TempFolder dir;

    std::string Package(const std::string& name, const PackageHeaderRecipe& recipe,
                        std::int64_t fileBytes = -1) {
        const std::string path = dir.Path(name);
        WriteHeaderOnlyPackage(QString::fromStdString(path), recipe, fileBytes);
        return path;
    }

    std::string Failure(const std::string& path) {
        const Report report = BuildReport(path);
        EXPECT_TRUE(report.failed);
        EXPECT_FALSE(report.previewAllowed);
        return report.text;
    }
};

constexpr std::int64_t kHundredMiB = 100 * 1024 * 1024;

}  // namespace

TEST_F(PackageReport, LargePackageShowsTheRatioFragmentAndTheExtent) {
    PackageHeaderRecipe recipe;
    recipe.width = 20000;
    recipe.height = 10000;
    recipe.geoTransform = {500000, 0.5, 0, 4000000, 0, -0.5};
    const Report report = BuildReport(Package("big.qvrmp", recipe, kHundredMiB));
    EXPECT_FALSE(report.failed);
    EXPECT_TRUE(report.previewAllowed);
    EXPECT_EQ(report.text,
              "压缩包尺寸:\r\n"
              "\t宽: 20000 像素 高: 10000 像素\r\n"
              "\t压缩包文件大小: 100.000000 MB"
              "  理论未压缩大小: 572.204590 MB 压缩率 17.48%"
              "\r\n\r\n地理范围:\r\n"
              "\t\t北: 4000000.000000\r\n"
              "\t西: 500000.000000  东: 510000.000000\r\n"
              "\t\t南: 3995000.000000\r\n"
              "\r\n仿射变换参数: [500000.000000,0.500000,0.000000,"
              "4000000.000000,0.000000,-0.500000]\r\n");
}

TEST_F(PackageReport, FileNearItsTheoreticalSizeHasNoRatioFragment) {
    PackageHeaderRecipe recipe;
    recipe.width = 200;
    recipe.height = 100;  // theoretical 60000 bytes against a 65536-byte file
    const Report report = BuildReport(Package("small.qvrmp", recipe));
    EXPECT_THAT(report.text, StartsWith("压缩包尺寸:\r\n\t宽: 200 像素 高: 100 像素\r\n"
                                        "\t压缩包文件大小: 64.000000 KB\r\n\r\n地理范围:\r\n"));
}

TEST_F(PackageReport, RotatedTransformAndZeroWidth) {
    PackageHeaderRecipe rotated;
    rotated.width = 10;
    rotated.height = 20;
    rotated.geoTransform = {100, 2, -2, 200, 1, -3};
    const std::string text = BuildReport(Package("rotated.qvrmp", rotated)).text;
    EXPECT_THAT(
        text,
        HasSubstr(
            "\t\t北: 210.000000\r\n\t西: 60.000000  东: 120.000000\r\n\t\t南: 140.000000\r\n"));

    PackageHeaderRecipe empty;
    empty.width = 0;
    empty.height = 100;
    const Report zero = BuildReport(Package("zero.qvrmp", empty));
    EXPECT_TRUE(zero.previewAllowed);
    EXPECT_THAT(
        zero.text,
        StartsWith("压缩包尺寸:\r\n\t宽: 0 像素 高: 100 像素\r\n\t压缩包文件大小: 64.000000 "
                   "KB\r\n\r\n地理范围"));
}

TEST_F(PackageReport, EachOpenFailureShowsTheReadersMessage) {
    EXPECT_EQ(Failure(dir.Path("missing.qvrmp")),
              "打开压缩包失败:文件无法打开，请检测文件是否存在");

    PackageHeaderRecipe recipe;
    const std::string shortFile = Package("short.qvrmp", recipe, 65535);
    EXPECT_EQ(Failure(shortFile), "打开压缩包失败:读取文件头失败，文件已经损坏或非QVRMP文件");

    PackageHeaderRecipe badMagic;
    badMagic.magic2 = 0x4C4C594C;
    EXPECT_EQ(Failure(Package("magic.qvrmp", badMagic)),
              "打开压缩包失败:文件头检验失败，此文件非QVRMP文件");

    PackageHeaderRecipe badLevel;  // wrong topLevel and wrong headerLength: the level decides
    badLevel.topLevel = 3;
    badLevel.headerLength = 70000;
    EXPECT_EQ(Failure(Package("level.qvrmp", badLevel)),
              "打开压缩包失败:文件头检验失败，金字塔描述有误，文件可能已经损坏");

    PackageHeaderRecipe badLength;
    badLength.headerLength = 65536 + 12288;
    EXPECT_EQ(Failure(Package("length.qvrmp", badLength)),
              "打开压缩包失败:文件头检验失败，数据组织索引不正确，文件可能已经损坏");

    PackageHeaderRecipe longHeader;  // 131072 x 131072 needs a 73728-byte header
    longHeader.width = 131072;
    longHeader.height = 131072;
    EXPECT_EQ(Failure(Package("cut.qvrmp", longHeader, 70000)),
              "打开压缩包失败:文件头长度校验失败，文件已经损坏或非QVRMP文件");
}

TEST_F(PackageReport, OnlyALowercaseExtensionAfterANameIsAPackage) {
    PackageHeaderRecipe recipe;
    const std::string upper = Package("p.QVRMP", recipe);
    const Report report = BuildReport(upper);
    EXPECT_FALSE(report.previewAllowed);
    EXPECT_THAT(report.text, Not(StartsWith("压缩包尺寸")));
}
