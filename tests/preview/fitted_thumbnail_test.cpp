// The thumbnailer's picture: any package known by its content, fitted to the asked side whatever
// its shape, transparent where it has no data, and no file at all when its tiles cannot be read.
#include <gtest/gtest.h>

#include <gdal.h>

#include <array>
#include <filesystem>

#include "temp_folder.h"
#include "thumbnail_export.h"
#include "written_packages.h"

namespace {

// Columns, rows, and the alpha of the top-left and bottom-right pixels of an RGBA PNG.
std::array<int, 4> ReadPng(const std::string& path) {
    GDALDatasetH png = GDALOpen(path.c_str(), GA_ReadOnly);
    std::array<int, 4> read{GDALGetRasterXSize(png), GDALGetRasterYSize(png), -1, -1};
    for (int corner = 0; corner < 2; ++corner) {
        GByte alpha = 0;
        if (GDALRasterIO(GDALGetRasterBand(png, 4), GF_Read, corner * (read[0] - 1),
                         corner * (read[1] - 1), 1, 1, &alpha, 1, 1, GDT_Byte, 0, 0) == CE_None)
            read[2 + corner] = alpha;
    }
    GDALClose(png);
    return read;
}

}  // namespace

TEST(FittedThumbnail, AnyNameAnyShapeAlphaKeptAndNothingForUnreadableTiles) {
    GDALAllRegister();
    const TempFolder folder;
    PackageWriteOptions lossless;
    lossless.lossless = true;
    constexpr PreviewCode kWritten = PreviewCode::kSamePath;  // stands for "no error"
    const struct {
        const char* name;
        std::uint32_t width, height;
        std::intmax_t resize;  // > 0: bytes kept (no package left); < 0: bytes cut off the end
        PreviewCode refused;
        std::array<int, 4> png;
    } cases[] = {
        {"wide.QVRMP", 1500, 600, 0, kWritten, {256, 102, 0, 255}},  // left half has no data
        {"no-extension", 200, 20000, 0, kWritten, {3, 256, 255, 255}},
        {".qvrmp", 20000, 100, 0, kWritten, {256, 1, 255, 255}},
        {"cut.qvrmp", 1500, 600, -100, PreviewCode::kCannotRead, {}},
        {"bytes.qvrmp", 600, 600, 100, PreviewCode::kCannotOpen, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string package = folder.Path(c.name), out = package + ".png";
        TestImage image = SolidImage(c.width, c.height, Rgba(40, 120, 200, 255));
        for (std::uint32_t y = 0; c.width == 1500 && y < c.height; ++y)
            for (std::uint32_t x = 0; x < c.width / 2; ++x)
                image.SetPixel(x, y, 0);
        ASSERT_TRUE(WriteImagePackage(package, image, lossless).ok());
        if (c.resize != 0)
            std::filesystem::resize_file(
                package, c.resize + (c.resize < 0 ? std::filesystem::file_size(package) : 0));
        const auto exported = ExportThumbnail(package, out, ThumbnailKind::kBuffer, 256);
        EXPECT_EQ(exported ? kWritten : exported.code(), c.refused);
        EXPECT_EQ(std::filesystem::exists(out), c.refused == kWritten);
        if (exported) {
            EXPECT_EQ(ReadPng(out), c.png);
        }
    }
    // The preview's own export keeps its 512 columns and warns instead.
    const auto preview = ExportThumbnail(folder.Path("cut.qvrmp"), folder.Path("cut-preview.png"),
                                         ThumbnailKind::kBuffer);
    ASSERT_TRUE(preview.ok());
    EXPECT_FALSE(preview->warning.empty());
    EXPECT_EQ(folder.Entries().size(), std::size(cases) + 4u);  // no temporary file left
}
