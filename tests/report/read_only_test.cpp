// Analysing and previewing only read: inputs stay byte for byte and stamp for stamp as they were,
// nothing appears beside them, and read-only files in a read-only folder work.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <vector>

#include "fixture_folder.h"
#include "gdal_setup.h"
#include "package_thumbnail.h"
#include "package_writer.h"
#include "report.h"

namespace {

struct FileState {
    QByteArray bytes;
    timespec modified{};
    timespec changed{};
};

FileState StateOf(const QString& path) {
    FileState state;
    QFile file(path);
    if (QFileInfo(path).isFile()) {
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        state.bytes = file.readAll();
    }
    struct stat status {};
    EXPECT_EQ(::stat(path.toUtf8().constData(), &status), 0);
    state.modified = status.st_mtim;
    state.changed = status.st_ctim;
    return state;
}

bool operator==(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void ExpectUnchanged(const FileState& before, const QString& path) {
    const FileState after = StateOf(path);
    EXPECT_EQ(after.bytes, before.bytes) << path.toStdString();
    EXPECT_TRUE(after.modified == before.modified) << path.toStdString();
    EXPECT_TRUE(after.changed == before.changed) << path.toStdString();
}

}  // namespace

TEST(ReadOnly, AnalysingAndPreviewingLeaveEveryInputAsItWas) {
    InitGdal();
    FixtureFolder fixtures;
    RasterRecipe recipe;
    recipe.width = 300;
    recipe.height = 200;
    recipe.creationOptions = {"TILED=YES", "COMPRESS=DEFLATE"};
    recipe.geoTransform = {{0, 1, 0, 0, 0, -1}};
    recipe.epsg = 4326;
    recipe.metadata = {"A=1"};
    recipe.makerMetadata = {"QV=1"};
    recipe.overviewFactors = {2};
    recipe.value = Gradient;
    const QString raster = fixtures.MakeGeoTiff(QStringLiteral("input.tif"), recipe);

    std::vector<std::uint8_t> rgba(700 * 500 * 4, 0x80);
    const QString package = fixtures.Path(QStringLiteral("input.qvrmp"));
    ASSERT_TRUE(WritePackageFromRgba(package.toStdString(), rgba.data(), 700, 500, 700 * 4,
                                     {0, 1, 0, 0, 0, -1})
                    .ok());

    const QString folder = QFileInfo(raster).absolutePath();
    const QStringList filesBefore = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    const FileState rasterBefore = StateOf(raster);
    const FileState packageBefore = StateOf(package);
    const FileState folderBefore = StateOf(folder + QStringLiteral("/."));

    const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(raster, readOnly));
    ASSERT_TRUE(QFile::setPermissions(package, readOnly));
    ASSERT_EQ(::chmod(folder.toUtf8().constData(), 0555), 0);
    // Permission changes touch the change time; compare against the state after them.
    const FileState rasterLocked = StateOf(raster);
    const FileState packageLocked = StateOf(package);

    const Report rasterReport = BuildReport(raster);
    const Report packageReport = BuildReport(package);
    const PackageThumbnail thumbnail = ReadPackageThumbnail(package.toUtf8());

    ::chmod(folder.toUtf8().constData(), 0755);
    EXPECT_FALSE(rasterReport.failed) << rasterReport.text.toStdString();
    EXPECT_FALSE(packageReport.failed) << packageReport.text.toStdString();
    EXPECT_EQ(thumbnail.status, ThumbnailStatus::kRead);

    ExpectUnchanged(rasterLocked, raster);
    ExpectUnchanged(packageLocked, package);
    EXPECT_EQ(rasterLocked.bytes, rasterBefore.bytes);
    EXPECT_EQ(packageLocked.bytes, packageBefore.bytes);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), filesBefore);
    EXPECT_TRUE(StateOf(folder + QStringLiteral("/.")).modified == folderBefore.modified);
    QFile::setPermissions(raster, readOnly | QFileDevice::WriteOwner);
    QFile::setPermissions(package, readOnly | QFileDevice::WriteOwner);
}
