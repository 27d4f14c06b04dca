// libFuzzer target: arbitrary bytes (in the package fuzzer's input form, so both share a corpus)
// as a package, through tarnview-info's thumbnail export: the thumbnail read, the preview's view
// or the raw buffer, scaling, and the PNG written through its temporary file. Besides the
// sanitizers' checks it stops on an export that reports success without a PNG in place, or leaves
// a PNG or a temporary file behind after a failure.
//
// The input's last byte picks the picture: raw buffer or view, and the longest side (0 keeps
// 512 columns). Work is bounded by what a small input can back: a package whose thumbnail is
// taller than kMaxRows rows, or whose level buffer is larger than kMaxBufferPixels, is left to
// package_fuzzer, which reads capped regions of it. Taller ones still go through (the export
// refuses them before reading).
#include <dirent.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <gdal.h>

#include "fuzz_folder.h"
#include "fuzz_gdal_drivers.h"
#include "fuzz_input.h"
#include "package_format.h"
#include "package_thumbnail.h"
#include "region_plan.h"
#include "thumbnail_export.h"

namespace {

constexpr std::int32_t kMaxRows = 64;
constexpr std::uint64_t kMaxBufferPixels = std::uint64_t{1} << 21;  // 8 sub-tiles
constexpr int kMaxLongestSide = 128;
constexpr char kPngMagic[] = "\x89PNG\r\n\x1A\n";

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// The export would read more than the bounds allow.
bool BeyondBounds(const std::vector<std::uint8_t>& file) {
    if (file.size() < kTileIndexOffset)
        return false;  // refused before any read
    const std::uint32_t width = LoadU32(file.data() + kWidthOffset);
    const std::uint32_t height = LoadU32(file.data() + kHeightOffset);
    const std::optional<std::int32_t> rows = ThumbnailRows(width, height);
    if (!rows || *rows < 1)
        return false;  // refused before any read
    if (*rows > kMaxRows)
        return true;
    const RegionPlan plan =
        PlanRegion(width, height, LoadU32(file.data() + kTopLevelOffset),
                   static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), *rows);
    return plan.bufferPixels > kMaxBufferPixels;
}

// Files in the folder besides the package itself.
int OtherFiles(const std::string& packageName) {
    DIR* folder = ::opendir(FuzzFolder().c_str());
    Check(folder != nullptr);
    int count = 0;
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_name[0] != '.' && packageName != entry->d_name)
            ++count;
    }
    ::closedir(folder);
    return count;
}

bool IsPng(const std::string& path) {
    char head[sizeof kPngMagic - 1] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(head, sizeof head) && std::memcmp(head, kPngMagic, sizeof head) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    GDALAllRegister();
    KeepOnlyGdalDrivers({"MEM", "PNG"});  // the picture in memory, and the PNG written from it
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> file = PackageFromFuzzInput(data, size);
    if (BeyondBounds(file))
        return 0;
    const std::string packageName = "input.qvrmp";
    const std::string package = WriteFuzzFile(packageName, file.data(), file.size());
    if (package.empty())
        return 0;
    const std::string out = FuzzFolder() + "/out.png";

    const std::uint8_t choice = size > 0 ? data[size - 1] : 0;
    const ThumbnailKind kind = choice & 1 ? ThumbnailKind::kView : ThumbnailKind::kBuffer;
    const int longestSide = (choice >> 1) % 4 == 0 ? 0 : 1 + (choice >> 3) * kMaxLongestSide / 32;
    const PreviewResult<ExportedThumbnail> result =
        ExportThumbnail(package, out, kind, longestSide);
    if (result) {
        Check(IsPng(out));
        Check(std::remove(out.c_str()) == 0);
    }
    Check(OtherFiles(packageName) == 0);
    return 0;
}
