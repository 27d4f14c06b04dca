// The package report as the report box shows it, and what a package that cannot be opened gives.
#include <gtest/gtest.h>

#include "fixture_folder.h"
#include "package_headers.h"
#include "qt_printers.h"
#include "report.h"

namespace {

class PackageReport : public ::testing::Test {
  protected:
    FixtureFolder dir;

    QString Package(const QString& name, const PackageHeaderRecipe& recipe,
                    std::int64_t fileBytes = -1) {
        const QString path = dir.Path(name);
        WriteHeaderOnlyPackage(path, recipe, fileBytes);
        return path;
    }

    QString Failure(const QString& path) {
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
    const Report report = BuildReport(Package(QStringLiteral("big.qvrmp"), recipe, kHundredMiB));
    EXPECT_FALSE(report.failed);
    EXPECT_TRUE(report.previewAllowed);
    EXPECT_EQ(report.text, QStringLiteral("压缩包尺寸:\r\n"
                                          "\t宽: 20000 像素 高: 10000 像素\r\n"
                                          "\t压缩包文件大小: 100.000000 MB"
                                          "  理论未压缩大小: 572.204590 MB 压缩率 17.48%"
                                          "\r\n\r\n地理范围:\r\n"
                                          "\t\t北: 4000000.000000\r\n"
                                          "\t西: 500000.000000  东: 510000.000000\r\n"
                                          "\t\t南: 3995000.000000\r\n"
                                          "\r\n仿射变换参数: [500000.000000,0.500000,0.000000,"
                                          "4000000.000000,0.000000,-0.500000]\r\n"));
}

TEST_F(PackageReport, FileNearItsTheoreticalSizeHasNoRatioFragment) {
    PackageHeaderRecipe recipe;
    recipe.width = 200;
    recipe.height = 100;  // theoretical 60000 bytes against a 65536-byte file
    const Report report = BuildReport(Package(QStringLiteral("small.qvrmp"), recipe));
    EXPECT_TRUE(report.text.startsWith(
        QStringLiteral("压缩包尺寸:\r\n\t宽: 200 像素 高: 100 像素\r\n"
                       "\t压缩包文件大小: 64.000000 KB\r\n\r\n地理范围:\r\n")))
        << report.text.toStdString();
}

TEST_F(PackageReport, RotatedTransformAndZeroWidth) {
    PackageHeaderRecipe rotated;
    rotated.width = 10;
    rotated.height = 20;
    rotated.geoTransform = {100, 2, -2, 200, 1, -3};
    const QString text = BuildReport(Package(QStringLiteral("rotated.qvrmp"), rotated)).text;
    EXPECT_TRUE(text.contains(QStringLiteral(
        "\t\t北: 210.000000\r\n\t西: 60.000000  东: 120.000000\r\n\t\t南: 140.000000\r\n")))
        << text.toStdString();

    PackageHeaderRecipe empty;
    empty.width = 0;
    empty.height = 100;
    const Report zero = BuildReport(Package(QStringLiteral("zero.qvrmp"), empty));
    EXPECT_TRUE(zero.previewAllowed);
    EXPECT_TRUE(zero.text.startsWith(
        QStringLiteral("压缩包尺寸:\r\n\t宽: 0 像素 高: 100 像素\r\n\t压缩包文件大小: 64.000000 "
                       "KB\r\n\r\n地理范围")))
        << zero.text.toStdString();
}

TEST_F(PackageReport, EachOpenFailureShowsTheReadersMessage) {
    EXPECT_EQ(Failure(dir.Path(QStringLiteral("missing.qvrmp"))),
              QStringLiteral("打开压缩包失败:文件无法打开，请检测文件是否存在"));

    PackageHeaderRecipe recipe;
    const QString shortFile = Package(QStringLiteral("short.qvrmp"), recipe, 65535);
    EXPECT_EQ(Failure(shortFile),
              QStringLiteral("打开压缩包失败:读取文件头失败，文件已经损坏或非QVRMP文件"));

    PackageHeaderRecipe badMagic;
    badMagic.magic2 = 0x4C4C594C;
    EXPECT_EQ(Failure(Package(QStringLiteral("magic.qvrmp"), badMagic)),
              QStringLiteral("打开压缩包失败:文件头检验失败，此文件非QVRMP文件"));

    PackageHeaderRecipe badLevel;  // wrong topLevel and wrong headerLength: the level decides
    badLevel.topLevel = 3;
    badLevel.headerLength = 70000;
    EXPECT_EQ(Failure(Package(QStringLiteral("level.qvrmp"), badLevel)),
              QStringLiteral("打开压缩包失败:文件头检验失败，金字塔描述有误，文件可能已经损坏"));

    PackageHeaderRecipe badLength;
    badLength.headerLength = 65536 + 12288;
    EXPECT_EQ(
        Failure(Package(QStringLiteral("length.qvrmp"), badLength)),
        QStringLiteral("打开压缩包失败:文件头检验失败，数据组织索引不正确，文件可能已经损坏"));

    PackageHeaderRecipe longHeader;  // 131072 x 131072 needs a 73728-byte header
    longHeader.width = 131072;
    longHeader.height = 131072;
    EXPECT_EQ(Failure(Package(QStringLiteral("cut.qvrmp"), longHeader, 70000)),
              QStringLiteral("打开压缩包失败:文件头长度校验失败，文件已经损坏或非QVRMP文件"));
}

TEST_F(PackageReport, OnlyALowercaseExtensionAfterANameIsAPackage) {
    PackageHeaderRecipe recipe;
    const QString upper = Package(QStringLiteral("p.QVRMP"), recipe);
    const Report report = BuildReport(upper);
    EXPECT_FALSE(report.previewAllowed);
    EXPECT_FALSE(report.text.startsWith(QStringLiteral("压缩包尺寸")));
}
