#include "block_budget.h"

#include <cpl_string.h>

#include <algorithm>
#include <string>

namespace {

constexpr std::uint64_t kMebibyte = std::uint64_t{1} << 20;

// "4096 MiB", rounded up so that a refused block never reads as within the budget.
std::string Mebibytes(std::uint64_t bytes) {
    return std::to_string((bytes + kMebibyte - 1) / kMebibyte) + " MiB";
}

}  // namespace

std::uint64_t GdalBlockBytes(GDALDatasetH dataset, GDALRasterBandH band) {
    int columns = 0;
    int rows = 0;
    GDALGetBlockSize(band, &columns, &rows);
    std::uint64_t bytes =
        static_cast<std::uint64_t>(std::max(columns, 0)) *
        static_cast<std::uint64_t>(std::max(rows, 0)) *
        static_cast<std::uint64_t>(GDALGetDataTypeSizeBytes(GDALGetRasterDataType(band)));
    const char* interleave = GDALGetMetadataItem(dataset, "INTERLEAVE", "IMAGE_STRUCTURE");
    if (interleave != nullptr && EQUAL(interleave, "PIXEL"))
        bytes *= static_cast<std::uint64_t>(std::max(GDALGetRasterCount(dataset), 1));
    return bytes;
}

PackStatus CheckBlockBudget(GDALDatasetH dataset, std::uint64_t budget) {
    for (int number = 1; number <= GDALGetRasterCount(dataset); ++number) {
        GDALRasterBandH band = GDALGetRasterBand(dataset, number);
        const std::uint64_t bytes = GdalBlockBytes(dataset, band);
        if (bytes <= budget)
            continue;
        int columns = 0;
        int rows = 0;
        GDALGetBlockSize(band, &columns, &rows);
        return MakeError(PackCode::kTooLarge,
                         "GDAL reads it in blocks of " + std::to_string(columns) + " x " +
                             std::to_string(rows) + " pixels (" + Mebibytes(bytes) +
                             "), more than the " + Mebibytes(budget) +
                             " a pack reads at once; rewrite it in smaller tiles or strips");
    }
    return {};
}
