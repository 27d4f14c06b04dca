// libFuzzer target for the GDAL driver: arbitrary bytes (in the package fuzzer's input form, so
// both share a corpus) placed in /vsimem/, opened by the QVRMP driver alone, and every level of
// every band read block by block. Failures must be CPLErrors; the sanitizers catch the rest.
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"

extern "C" void GDALRegister_QVRMP();

namespace {

constexpr char kPath[] = "/vsimem/fuzz.qvrmp";
// Huge levels are valid but slow to walk; a few blocks of each say as much.
constexpr int kMaxBlocksPerLevel = 16;  // one tile's sub-tiles
constexpr int kCachedBlocksPerLevel = 2;

void ReadBlocks(GDALRasterBandH band, std::vector<std::uint8_t>& block, int maxBlocks) {
    int blockWidth = 0;
    int blockHeight = 0;
    GDALGetBlockSize(band, &blockWidth, &blockHeight);
    block.resize(static_cast<std::size_t>(blockWidth) * blockHeight);
    const int columns = (GDALGetRasterBandXSize(band) + blockWidth - 1) / blockWidth;
    const int rows = (GDALGetRasterBandYSize(band) + blockHeight - 1) / blockHeight;
    int done = 0;
    for (int y = 0; y < rows && done < maxBlocks; ++y) {
        for (int x = 0; x < columns && done < maxBlocks; ++x, ++done) {
            CPLErrorReset();
            if (GDALReadBlock(band, x, y, block.data()) != CE_None &&
                CPLGetLastErrorType() != CE_Failure) {
                std::abort();  // a failed read that says nothing
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");  // no sidecar to look for in /vsimem/
    GDALRegister_QVRMP();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> file = PackageFromFuzzInput(data, size);
    VSIFCloseL(VSIFileFromMemBuffer(kPath, file.data(), file.size(), FALSE));
    const char* const drivers[] = {"QVRMP", nullptr};
    GDALDatasetH dataset =
        GDALOpenEx(kPath, GDAL_OF_RASTER | GDAL_OF_READONLY, drivers, nullptr, nullptr);
    if (dataset != nullptr) {
        std::vector<std::uint8_t> block;
        // The first band decodes every block; the others find theirs in the block cache, so a
        // few of each show that the cache holds what the decode put there.
        for (int b = 1; b <= GDALGetRasterCount(dataset); ++b) {
            const int maxBlocks = b == 1 ? kMaxBlocksPerLevel : kCachedBlocksPerLevel;
            GDALRasterBandH band = GDALGetRasterBand(dataset, b);
            ReadBlocks(band, block, maxBlocks);
            for (int i = 0; i < GDALGetOverviewCount(band); ++i) {
                ReadBlocks(GDALGetOverview(band, i), block, maxBlocks);
            }
        }
        GDALClose(dataset);
    }
    VSIUnlink(kPath);
    return 0;
}
