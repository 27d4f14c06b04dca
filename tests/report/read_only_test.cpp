// Analysing and previewing only read: inputs stay byte for byte and stamp for stamp as they were,
// nothing appears beside them, and read-only files in a read-only folder work.
#include <gtest/gtest.h>

#include <gdal.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "gdal_rasters.h"
#include "package_thumbnail.h"
#include "package_writer.h"
#include "report.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct FileState {
    std::vector<std::uint8_t> bytes;
    timespec modified{};
    timespec changed{};
};

FileState StateOf(const std::string& path) {
    FileState state;
    if (fs::is_regular_file(path))
        state.bytes = ReadFileBytes(path);
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0);
    state.modified = status.st_mtim;
    state.changed = status.st_ctim;
    return state;
}

bool operator==(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

void ExpectUnchanged(const FileState& before, const std::string& path) {
    const FileState after = StateOf(path);
    EXPECT_EQ(after.bytes, before.bytes) << path;
    EXPECT_TRUE(after.modified == before.modified) << path;
    EXPECT_TRUE(after.changed == before.changed) << path;
}

}  // namespace

TEST(ReadOnly, AnalysingAndPreviewingLeaveEveryInputAsItWas) {
    GDALAllRegister();
    TempFolder fixtures;
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
    const std::string raster = MakeRaster(fixtures.Path("input.tif"), recipe);

    std::vector<std::uint8_t> rgba(700 * 500 * 4, 0x80);
    const std::string package = fixtures.Path("input.qvrmp");
    ASSERT_TRUE(
        WritePackageFromRgba(package, rgba.data(), 700, 500, 700 * 4, {0, 1, 0, 0, 0, -1}).ok());

    const std::string& folder = fixtures.Root();
    const std::vector<std::string> filesBefore = fixtures.Entries();
    const FileState rasterBefore = StateOf(raster);
    const FileState packageBefore = StateOf(package);
    const FileState folderBefore = StateOf(folder + "/.");

    const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read;
    fs::permissions(raster, readOnly);
    fs::permissions(package, readOnly);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    // Permission changes touch the change time; compare against the state after them.
    const FileState rasterLocked = StateOf(raster);
    const FileState packageLocked = StateOf(package);

    const Report rasterReport = BuildReport(raster);
    const Report packageReport = BuildReport(package);
    const PackageThumbnail thumbnail = ReadPackageThumbnail(package);

    ::chmod(folder.c_str(), 0755);
    EXPECT_FALSE(rasterReport.failed) << rasterReport.text;
    EXPECT_FALSE(packageReport.failed) << packageReport.text;
    EXPECT_EQ(thumbnail.status, ThumbnailStatus::kRead);

    ExpectUnchanged(rasterLocked, raster);
    ExpectUnchanged(packageLocked, package);
    EXPECT_EQ(rasterLocked.bytes, rasterBefore.bytes);
    EXPECT_EQ(packageLocked.bytes, packageBefore.bytes);
    EXPECT_EQ(fixtures.Entries(), filesBefore);
    EXPECT_TRUE(StateOf(folder + "/.").modified == folderBefore.modified);
    fs::permissions(raster, readOnly | fs::perms::owner_write);
    fs::permissions(package, readOnly | fs::perms::owner_write);
}
