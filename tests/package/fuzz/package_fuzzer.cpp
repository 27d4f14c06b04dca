// libFuzzer target: arbitrary bytes opened as a package, then one region read: the preview's read
// of the whole image, or a region taken from the input, as its last bytes say. Besides the
// sanitizers' own checks it stops on a failed read that wrote to its output, or an open that
// failed without a message.
//
// Reads are bounded, never skipped: a preview taller than kMaxRows reads its top kMaxRows rows,
// and a region whose level buffer would exceed kMaxBufferPixels is halved until it fits. Every
// read costs at least one sub-tile's level buffer (1 MiB, whose allocation dominates under
// AddressSanitizer), so one read per input; larger buffers run the same code over more cells.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_byte_source.h"
#include "package_reader.h"
#include "region_plan.h"

namespace {

constexpr std::uint32_t kCanary = 0x5AA5C33C;
constexpr std::int32_t kMaxRows = 64;
constexpr std::size_t kChoiceBytes = 3;
constexpr std::uint8_t kPreview[kChoiceBytes] = {};
constexpr std::uint64_t kMaxBufferPixels = std::uint64_t{kSubTileSize} * kSubTileSize * 2;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void ReadRegion(PackageReader& reader, std::int32_t width, std::int32_t height, std::int32_t rows) {
    if (width < 1 || height < 1 || rows < 1) {
        return;
    }
    RegionPlan plan =
        PlanRegion(reader.Width(), reader.Height(), reader.TopLevel(), width, height, rows);
    while (plan.bufferPixels > kMaxBufferPixels && (width > 1 || height > 1)) {
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
        plan = PlanRegion(reader.Width(), reader.Height(), reader.TopLevel(), width, height, rows);
    }
    std::vector<std::uint32_t> output(static_cast<std::size_t>(rows) * kRegionOutputWidth, kCanary);
    const std::int64_t result = reader.ReadRegionRgba(width, height, output.data(), rows);
    if (result < 0) {
        for (const std::uint32_t pixel : output) {
            Check(pixel == kCanary);
        }
    } else {
        Check(result == static_cast<std::int64_t>(plan.bufferPixels) * kBytesPerPixel);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string errorText;
    PackageHandle reader(OpenPackage(std::make_unique<FuzzInputByteSource>(data, size), errorText));
    if (!reader) {
        Check(!errorText.empty());
        return 0;
    }
    Check(errorText.empty());

    const std::uint32_t width = reader->Width();
    const std::uint32_t height = reader->Height();
    const std::uint8_t* choice = size >= kChoiceBytes ? data + size - kChoiceBytes : kPreview;
    if (choice[0] % 2 == 0) {
        if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
            return 0;
        }
        // The preview's read of the whole image, or of its top kMaxRows rows.
        const double previewRows = height * double{kRegionOutputWidth} / width;
        const auto rows = static_cast<std::int32_t>(std::min<double>(previewRows, kMaxRows));
        const auto regionHeight =
            previewRows <= kMaxRows
                ? static_cast<std::int32_t>(height)
                : static_cast<std::int32_t>(std::max<double>(
                      1, static_cast<double>(width) * kMaxRows / kRegionOutputWidth));
        ReadRegion(*reader, static_cast<std::int32_t>(width), regionHeight, rows);
    } else {
        ReadRegion(
            *reader,
            static_cast<std::int32_t>(std::max<std::uint32_t>(1, width >> (choice[0] / 2 % 16))),
            static_cast<std::int32_t>(std::max<std::uint32_t>(1, height >> (choice[1] % 16))),
            1 + choice[2] % kMaxRows);
    }
    return 0;
}
