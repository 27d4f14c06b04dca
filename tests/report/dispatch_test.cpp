// From a path to its report: the extension test and what bad input gives.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "fixture_folder.h"
#include "gdal_setup.h"
#include "qt_printers.h"
#include "report.h"

TEST(IsPackagePath, NeedsOneUnitBeforeACaseSensitiveExtension) {
    EXPECT_TRUE(IsPackagePath(QStringLiteral("a.qvrmp")));
    EXPECT_TRUE(IsPackagePath(QStringLiteral("/data/影像.qvrmp")));
    EXPECT_FALSE(IsPackagePath(QStringLiteral(".qvrmp")));
    EXPECT_FALSE(IsPackagePath(QStringLiteral("a.QVRMP")));
    EXPECT_FALSE(IsPackagePath(QStringLiteral("a.qvrmP")));
    EXPECT_FALSE(IsPackagePath(QStringLiteral("a.qvrmp ")));
    EXPECT_FALSE(IsPackagePath(QStringLiteral("a.tif")));
    EXPECT_FALSE(IsPackagePath(QString()));
}

class BadInput : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitGdal(); }
    FixtureFolder fixtures;

    static void ExpectFailure(const Report& report) {
        EXPECT_TRUE(report.failed);
        EXPECT_FALSE(report.previewAllowed);
        EXPECT_FALSE(report.text.contains(QStringLiteral("影像尺寸")));
    }
};

TEST_F(BadInput, MissingAndEmptyPathsGiveGdalsMessage) {
    const Report missing = BuildReport(fixtures.Path(QStringLiteral("nowhere.tif")));
    ExpectFailure(missing);
    EXPECT_TRUE(missing.text.contains(QStringLiteral("nowhere.tif"))) << missing.text.toStdString();
    ExpectFailure(BuildReport(QString()));
}

TEST_F(BadInput, FolderEmptyFileTextFileAndTruncatedTiff) {
    ExpectFailure(BuildReport(fixtures.Path(QString())));
    ExpectFailure(BuildReport(fixtures.WriteFile(QStringLiteral("empty.tif"), QByteArray())));
    ExpectFailure(
        BuildReport(fixtures.WriteFile(QStringLiteral("notes.txt"), "just some words\n")));

    RasterRecipe recipe;
    const QString whole = fixtures.MakeGeoTiff(QStringLiteral("whole.tif"), recipe);
    QFile file(whole);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(8);  // the TIFF signature and an offset past the end
    ExpectFailure(BuildReport(fixtures.WriteFile(QStringLiteral("cut.tif"), head)));
}

TEST_F(BadInput, AFailedOpenDoesNotShowAnEarlierMessage) {
    ExpectFailure(BuildReport(fixtures.Path(QStringLiteral("first-missing.tif"))));
    RasterRecipe recipe;
    const Report ok = BuildReport(fixtures.MakeGeoTiff(QStringLiteral("ok.tif"), recipe));
    EXPECT_FALSE(ok.failed);
    EXPECT_FALSE(ok.previewAllowed);
    EXPECT_TRUE(ok.text.startsWith(QStringLiteral("影像尺寸:\r\n")));
}

TEST_F(BadInput, UppercasePackageExtensionGoesToGdal) {
    const Report report = BuildReport(fixtures.WriteFile(QStringLiteral("x.QVRMP"), "junk"));
    ExpectFailure(report);
    EXPECT_FALSE(report.text.startsWith(QStringLiteral("打开压缩包失败:")));
}
