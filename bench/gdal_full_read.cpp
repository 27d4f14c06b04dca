// Reads a raster's four bands whole at full resolution through GDAL, in strips of one block row
// (pixel-interleaved RGBA, as an application takes them), and prints the seconds it took. The
// same program reads a package (through the QVRMP plugin) and a COG, so both pay the same costs.
// Usage: gdal_full_read RASTER
#include <cpl_conv.h>
#include <gdal.h>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kBands = 4;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gdal_full_read RASTER\n");
        return 2;
    }
    GDALAllRegister();
    const auto start = std::chrono::steady_clock::now();
    GDALDatasetH dataset =
        GDALOpenEx(argv[1], GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (dataset == nullptr || GDALGetRasterCount(dataset) < kBands) {
        std::fprintf(stderr, "%s: not a raster of %d bands\n", argv[1], kBands);
        return 1;
    }
    const int width = GDALGetRasterXSize(dataset);
    const int height = GDALGetRasterYSize(dataset);
    int blockWidth = 0;
    int stripRows = 0;
    GDALGetBlockSize(GDALGetRasterBand(dataset, 1), &blockWidth, &stripRows);
    std::vector<unsigned char> strip(static_cast<std::size_t>(width) * stripRows * kBands);
    unsigned long long sum = 0;  // keeps the reads from being optimised away
    for (int row = 0; row < height; row += stripRows) {
        const int rows = row + stripRows <= height ? stripRows : height - row;
        if (GDALDatasetRasterIO(dataset, GF_Read, 0, row, width, rows, strip.data(), width, rows,
                                GDT_Byte, kBands, nullptr, kBands, kBands * width, 1) != CE_None) {
            std::fprintf(stderr, "%s: read failed at row %d: %s\n", argv[1], row,
                         CPLGetLastErrorMsg());
            return 1;
        }
        sum += strip[strip.size() / 2];
    }
    GDALClose(dataset);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %llu\n", seconds, sum);
    return 0;
}
