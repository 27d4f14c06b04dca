// libFuzzer target: arbitrary bytes opened as a package, then read as the preview reads them and
// once more with a region taken from the input. Besides the sanitizers' own checks it stops on a
// failed read that wrote to its output, or an open that failed without a message.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "package_reader.h"
#include "region_plan.h"

namespace {

constexpr std::uint32_t kCanary = 0x5AA5C33C;
constexpr std::int32_t kMaxRows = 1024;
// Reads with larger level buffers are valid but slow; the unit tests cover them.
constexpr std::uint64_t kMaxBufferPixels = std::uint64_t{1} << 22;

// The package lives in memory; OpenPackage reaches it through its /proc path.
int PackageDescriptor() {
    static const int descriptor = ::memfd_create("package", 0);
    return descriptor;
}

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void ReadRegion(PackageReader& reader, std::int32_t width, std::int32_t height, std::int32_t rows) {
    if (width < 1 || height < 1 || rows < 1 || rows > kMaxRows) {
        return;
    }
    const RegionPlan plan =
        PlanRegion(reader.Width(), reader.Height(), reader.TopLevel(), width, height, rows);
    if (plan.bufferPixels > kMaxBufferPixels) {
        return;
    }
    std::vector<std::uint32_t> output(static_cast<std::size_t>(rows) * 512, kCanary);
    const std::int64_t result = reader.ReadRegionRgba(width, height, output.data(), rows);
    if (result < 0) {
        for (const std::uint32_t pixel : output) {
            Check(pixel == kCanary);
        }
    } else {
        Check(result == static_cast<std::int64_t>(plan.bufferPixels) * 4);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int descriptor = PackageDescriptor();
    const std::vector<std::uint8_t> file = PackageFromFuzzInput(data, size);
    // Written over the previous input and then cut to size, so the file's pages are reused.
    if (::pwrite(descriptor, file.data(), file.size(), 0) != static_cast<ssize_t>(file.size()) ||
        ::ftruncate(descriptor, static_cast<off_t>(file.size())) != 0) {
        return 0;
    }

    std::string errorText;
    PackageReader* reader = OpenPackage("/proc/self/fd/" + std::to_string(descriptor), errorText);
    if (reader == nullptr) {
        Check(!errorText.empty());
        return 0;
    }
    Check(errorText.empty());

    const std::uint32_t width = reader->Width();
    const std::uint32_t height = reader->Height();
    if (width > 0 && height > 0) {
        const double previewRows = height * 512.0 / width;
        if (previewRows <= kMaxRows) {
            ReadRegion(*reader, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                       static_cast<std::int32_t>(previewRows));
        }
    }
    if (size >= 3) {
        // A region chosen by the input's last bytes.
        const std::uint8_t* choice = data + size - 3;
        ReadRegion(
            *reader,
            static_cast<std::int32_t>(std::max<std::uint32_t>(1, width >> (choice[0] % 16))),
            static_cast<std::int32_t>(std::max<std::uint32_t>(1, height >> (choice[1] % 16))),
            1 + choice[2]);
    }
    ClosePackage(reader);
    return 0;
}
