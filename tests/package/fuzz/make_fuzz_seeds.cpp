// Writes the seed inputs of package_fuzzer into a folder: small packages made with the writer,
// in the fuzzer's input form. Run once; the seeds are kept with the sources.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "package_reader.h"
#include "package_writer.h"

namespace {

constexpr GeoTransformCoefficients kGeo = {100.0, 1.0, 0.0, 200.0, 0.0, -1.0};

// Smooth colours (cheap to store) where x < dataWidth, no data to the right of it.
std::vector<std::uint8_t> Gradient(std::uint32_t width, std::uint32_t height,
                                   std::uint32_t dataWidth) {
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            std::uint8_t* p = pixels.data() + (std::size_t{y} * width + x) * 4;
            p[0] = static_cast<std::uint8_t>(x / 4);
            p[1] = static_cast<std::uint8_t>(y / 4);
            p[2] = static_cast<std::uint8_t>((x + y) / 8);
            p[3] = x < dataWidth ? 255 : 0;
        }
    }
    return pixels;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool Seed(const std::string& folder, const std::string& name, std::uint32_t width,
          std::uint32_t height, std::uint32_t dataWidth, const PackageWriteOptions& options,
          void (*patch)(std::vector<std::uint8_t>&) = nullptr) {
    const std::string package = folder + "/" + name + ".qvrmp";
    const std::vector<std::uint8_t> pixels = Gradient(width, height, dataWidth);
    const PackageWriteResult result = WritePackageFromRgba(package, pixels.data(), width, height,
                                                           std::size_t{width} * 4, kGeo, options);
    if (!result.ok) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), result.errorText.c_str());
        return false;
    }
    std::vector<std::uint8_t> file = ReadAll(package);
    std::remove(package.c_str());
    if (patch != nullptr) {
        patch(file);
    }
    const std::size_t headerLength = LoadU32(file.data() + kHeaderLengthOffset);
    const std::vector<std::uint8_t> input = FuzzInputFromPackage(file, headerLength);
    std::ofstream out(folder + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(input.data()),
              static_cast<std::streamsize>(input.size()));
    return out.good();
}

// Sub-tile starts beyond the block and inside the table.
void BreakSubTileTable(std::vector<std::uint8_t>& file) {
    const std::uint64_t block = LoadU64(file.data() + kTileIndexOffset);
    StoreI32(file.data() + block + 4 * 1, 1 << 30);
    StoreI32(file.data() + block + 4 * 3, 8);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    PackageWriteOptions lossless;
    lossless.lossless = true;
    PackageWriteOptions lossy;
    lossy.quality = 10;
    PackageWriteOptions fullSize = lossy;
    fullSize.edgeSubTiles = EdgeSubTiles::kFullSize;
    bool ok = Seed(folder, "small-lossless", 64, 48, 64, lossless);
    ok &= Seed(folder, "edges-cropped", 530, 520, 530, lossy);
    ok &= Seed(folder, "edges-full-size", 530, 520, 530, fullSize);
    ok &= Seed(folder, "two-levels", 2049, 100, 2049, lossless);
    ok &= Seed(folder, "absent-tile", 4096, 200, 1500, lossy);
    ok &= Seed(folder, "tall", 200, 1500, 200, lossy);
    ok &= Seed(folder, "long-header", 131072, 8, 300, lossy);
    ok &= Seed(folder, "broken-table", 64, 48, 64, lossless, BreakSubTileTable);
    return ok ? 0 : 1;
}
