// A package written through the plugin in process, block by block and out of order: it reads back
// the same pixels, opaque, and nothing but the package is left.
#include <cpl_conv.h>
#include <gdal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace {

constexpr int kWidth = 1100;
constexpr int kHeight = 601;  // odd, so the overview has an edge of single rows
constexpr int kColourBands = 3;
constexpr int kHalf = kHeight / 2;
std::array<double, 6> kTransform = {500000.0, 2.5, 0.0, 4000000.0, 0.0, -2.5};
const char* const kLossless[] = {"LOSSLESS=YES", nullptr};

std::vector<std::uint8_t> Pattern() {
    std::vector<std::uint8_t> pixels(std::size_t{kColourBands} * kWidth * kHeight);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<std::uint8_t>((i * 7 + i / kWidth * 3) % 251);
    }
    return pixels;
}

// Rows [first, first + count) of all colour bands, band-sequential.
CPLErr WriteRows(GDALDatasetH dataset, const std::vector<std::uint8_t>& pixels, int first,
                 int count) {
    const std::size_t bandBytes = std::size_t{kWidth} * kHeight;
    return GDALDatasetRasterIO(dataset, GF_Write, 0, first, kWidth, count,
                               const_cast<std::uint8_t*>(pixels.data()) + first * kWidth, kWidth,
                               count, GDT_Byte, kColourBands, nullptr, 1, kWidth,
                               static_cast<GSpacing>(bandBytes));
}

// Create, as rasterio, gdalwarp and gdal_rasterize use it (CreateCopy shares how it packs).
TEST(QvrmpPluginWrite, CreateTakesBlocksInAnyOrderAndLeavesOnlyThePackage) {
    CPLSetConfigOption("GDAL_DRIVER_PATH", TARNVIEW_GDAL_PLUGIN_DIR);
    GDALAllRegister();
    GDALDriverH driver = GDALGetDriverByName("QVRMP");
    ASSERT_NE(driver, nullptr) << "plugin not loaded";
    const std::vector<std::uint8_t> pixels = Pattern();
    const TempFolder folder;
    const std::string path = folder.Path("out.qvrmp");
    GDALDatasetH created = GDALCreate(driver, path.c_str(), kWidth, kHeight, kColourBands, GDT_Byte,
                                      const_cast<char**>(kLossless));
    ASSERT_NE(created, nullptr) << CPLGetLastErrorMsg();
    GDALSetGeoTransform(created, kTransform.data());
    ASSERT_EQ(WriteRows(created, pixels, kHalf, kHeight - kHalf), CE_None);
    ASSERT_EQ(WriteRows(created, pixels, 0, kHalf), CE_None);
    GDALClose(created);

    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.qvrmp"});
    GDALDatasetH package = GDALOpen(path.c_str(), GA_ReadOnly);
    ASSERT_NE(package, nullptr) << CPLGetLastErrorMsg();
    std::vector<std::uint8_t> read(pixels.size() + std::size_t{kWidth} * kHeight);
    ASSERT_EQ(GDALDatasetRasterIO(package, GF_Read, 0, 0, kWidth, kHeight, read.data(), kWidth,
                                  kHeight, GDT_Byte, kColourBands + 1, nullptr, 1, kWidth,
                                  static_cast<GSpacing>(kWidth) * kHeight),
              CE_None);
    std::array<double, 6> transform = {};
    GDALGetGeoTransform(package, transform.data());
    GDALClose(package);
    EXPECT_EQ(transform, kTransform);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), read.begin()));
    EXPECT_TRUE(std::all_of(read.begin() + static_cast<std::ptrdiff_t>(pixels.size()), read.end(),
                            [](std::uint8_t alpha) { return alpha == 255; }));
}

}  // namespace
