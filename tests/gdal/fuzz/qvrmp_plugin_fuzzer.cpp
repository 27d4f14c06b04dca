// libFuzzer target for the GDAL driver: arbitrary bytes (in the package fuzzer's input form, so
// both share a corpus) placed in /vsimem/, opened by the QVRMP driver alone, its dataset's facts
// asked for, and blocks read. Failures must be CPLErrors; the sanitizers catch the rest.
//
// Every level read from allocates a 512 x 512 sub-tile's buffer (1 MiB, whose allocation dominates
// under AddressSanitizer) and every block read decodes one, whatever the input holds, so the reads
// are bounded by the input rather than by the package's size: its last bytes pick one block of
// one level of one band, then the same block of another band comes from the block cache.
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_input.h"

extern "C" void GDALRegister_QVRMP();

namespace {

constexpr char kPath[] = "/vsimem/fuzz.qvrmp";
constexpr std::size_t kChoiceBytes = 4;

void ReadBlock(GDALRasterBandH band, int x, int y, std::vector<std::uint8_t>& block) {
    int blockWidth = 0;
    int blockHeight = 0;
    GDALGetBlockSize(band, &blockWidth, &blockHeight);
    block.resize(static_cast<std::size_t>(blockWidth) * blockHeight);
    CPLErrorReset();
    if (GDALReadBlock(band, x, y, block.data()) != CE_None && CPLGetLastErrorType() != CE_Failure) {
        std::abort();  // a failed read that says nothing
    }
}

// Level 0 is the band itself, level i its overview i - 1; null past the last.
GDALRasterBandH Level(GDALRasterBandH band, int level) {
    return level == 0 ? band : GDALGetOverview(band, level - 1);
}

void AskFacts(GDALDatasetH dataset) {
    double geoTransform[6];
    (void)GDALGetGeoTransform(dataset, geoTransform);
    (void)GDALGetProjectionRef(dataset);
    (void)GDALGetMetadata(dataset, nullptr);
    for (int b = 1; b <= GDALGetRasterCount(dataset); ++b) {
        GDALRasterBandH band = GDALGetRasterBand(dataset, b);
        (void)GDALGetRasterColorInterpretation(band);
        int hasNoData = 0;
        (void)GDALGetRasterNoDataValue(band, &hasNoData);
        (void)GDALGetMaskFlags(band);
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
    if (dataset != nullptr && GDALGetRasterCount(dataset) > 0 && size >= kChoiceBytes) {
        AskFacts(dataset);
        const std::uint8_t* choice = data + size - kChoiceBytes;
        const int bands = GDALGetRasterCount(dataset);
        const int first = choice[0] % bands;
        GDALRasterBandH band = GDALGetRasterBand(dataset, 1 + first);
        GDALRasterBandH level = Level(band, choice[1] % (GDALGetOverviewCount(band) + 1));
        std::vector<std::uint8_t> block;
        if (level != nullptr) {
            int blockWidth = 1;
            int blockHeight = 1;
            GDALGetBlockSize(level, &blockWidth, &blockHeight);
            const int columns = (GDALGetRasterBandXSize(level) + blockWidth - 1) / blockWidth;
            const int rows = (GDALGetRasterBandYSize(level) + blockHeight - 1) / blockHeight;
            const int x = columns > 0 ? choice[2] % columns : 0;
            const int y = rows > 0 ? choice[3] % rows : 0;
            ReadBlock(level, x, y, block);
            // The same block of another band, from the cache the first read filled.
            GDALRasterBandH other = GDALGetRasterBand(dataset, 1 + (first + 1) % bands);
            const int otherLevel = choice[1] % (GDALGetOverviewCount(other) + 1);
            if (GDALRasterBandH same = Level(other, otherLevel))
                ReadBlock(same, x, y, block);
        }
    }
    if (dataset != nullptr)
        GDALClose(dataset);
    VSIUnlink(kPath);
    return 0;
}
