// The thumbnailer's picture: any package known by its content, fitted to the asked side whatever
// its shape, transparent where it has no data, and no file at all when its tiles cannot be read.
#include <gtest/gtest.h>

#include <gdal.h>

#include <filesystem>

#include "temp_folder.h"
#include "test_images.h"
#include "thumbnail_export.h"
#include "written_packages.h"

namespace {

constexpr int kSide = 256;

// The PNG's size and the alpha of its top-left and bottom-right pixels.
struct Png {
    int columns = 0, rows = 0, firstAlpha = -1, lastAlpha = -1;
    bool operator==(const Png&) const = default;
};

Png ReadPng(const std::string& path) {
    Png png;
    GDALDatasetH dataset = GDALOpen(path.c_str(), GA_ReadOnly);
    if (dataset == nullptr || GDALGetRasterCount(dataset) != 4)
        return png;
    png.columns = GDALGetRasterXSize(dataset);
    png.rows = GDALGetRasterYSize(dataset);
    GByte alpha = 0;
    GDALRasterBandH band = GDALGetRasterBand(dataset, 4);
    if (GDALRasterIO(band, GF_Read, 0, 0, 1, 1, &alpha, 1, 1, GDT_Byte, 0, 0) == CE_None)
        png.firstAlpha = alpha;
    if (GDALRasterIO(band, GF_Read, png.columns - 1, png.rows - 1, 1, 1, &alpha, 1, 1, GDT_Byte, 0,
                     0) == CE_None)
        png.lastAlpha = alpha;
    GDALClose(dataset);
    return png;
}

}  // namespace

TEST(FittedThumbnail, AnyNameAnyShapeAlphaKeptAndNothingForUnreadableTiles) {
    GDALAllRegister();
    const TempFolder folder;
    const struct {
        const char* name;
        std::uint32_t width, height;
        bool leftHalfEmpty;
        std::uintmax_t cutBytes;  // taken off the end: the last tile block unreadable
        PreviewCode refused;      // kSamePath: none
        Png png;
    } cases[] = {
        {"wide.QVRMP", 1500, 600, true, 0, PreviewCode::kSamePath, {256, 102, 0, 255}},
        {"no-extension", 200, 20000, false, 0, PreviewCode::kSamePath, {3, 256, 255, 255}},
        {".qvrmp", 20000, 100, false, 0, PreviewCode::kSamePath, {256, 1, 255, 255}},
        {"cut.qvrmp", 1500, 600, true, 100, PreviewCode::kCannotRead, {}},
        {"bytes.qvrmp", 0, 0, false, 0, PreviewCode::kCannotOpen, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string package = folder.Path(c.name);
        const std::string out = folder.Path(std::string(c.name) + ".png");
        TestImage image =
            SolidImage(std::max(c.width, 1u), std::max(c.height, 1u), Rgba(40, 120, 200, 255));
        for (std::uint32_t y = 0; c.leftHalfEmpty && y < c.height; ++y)
            for (std::uint32_t x = 0; x < c.width / 2; ++x)
                image.SetPixel(x, y, 0);
        PackageWriteOptions lossless;
        lossless.lossless = true;
        ASSERT_TRUE(WriteImagePackage(package, image, lossless).ok());
        if (c.width == 0)  // not a package, whatever it is called
            std::filesystem::resize_file(package, 100);
        if (c.cutBytes > 0)
            std::filesystem::resize_file(package, std::filesystem::file_size(package) - c.cutBytes);

        const auto exported = ExportThumbnail(package, out, ThumbnailKind::kBuffer, kSide);
        EXPECT_EQ(exported.ok(), c.refused == PreviewCode::kSamePath);
        if (!exported) {
            EXPECT_EQ(exported.code(), c.refused) << exported.message();
            EXPECT_FALSE(std::filesystem::exists(out));
        } else {
            EXPECT_EQ(ReadPng(out), c.png);
        }
    }
    // The preview's own export keeps its 512 columns and warns instead.
    const auto preview = ExportThumbnail(folder.Path("cut.qvrmp"), folder.Path("cut-preview.png"),
                                         ThumbnailKind::kBuffer);
    ASSERT_TRUE(preview.ok());
    EXPECT_FALSE(preview->warning.empty());
    // The packages, three pictures and the preview's: no temporary file left.
    EXPECT_EQ(folder.Entries().size(), std::size(cases) + 4u);
}
