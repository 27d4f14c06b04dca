// Thumbnail reads of large packages against their floor, the libwebp decoding of the same
// sub-tiles into a buffer that is already there; and the time to open a package.
//
//   build/bench/package_read_bench --benchmark_min_time=2
//
// The packages hold photo-like content (fractal noise in colour, with fine grain) at the top
// level only: a preview reads nothing else, and leaving the finer levels absent keeps the setup
// to seconds.
#include <benchmark/benchmark.h>
#include <webp/decode.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "header_builder.h"
#include "package_layout.h"
#include "package_reader.h"
#include "package_writer.h"
#include "region_plan.h"

namespace {

constexpr GeoTransformCoefficients kGeo = {500000.0, 1.0, 0.0, 4000000.0, 0.0, -1.0};

// Smooth noise over a lattice of `cell` pixels, from a hash of the lattice points.
double LatticeValue(std::int64_t x, std::int64_t y, std::uint32_t salt) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull ^
                      static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^ salt;
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return static_cast<double>(h & 0xFFFF) / 65535.0;
}

double SmoothNoise(double x, double y, std::uint32_t salt) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    const double tx = (x - fx) * (x - fx) * (3 - 2 * (x - fx));
    const double ty = (y - fy) * (y - fy) * (3 - 2 * (y - fy));
    const double top = LatticeValue(ix, iy, salt) * (1 - tx) + LatticeValue(ix + 1, iy, salt) * tx;
    const double bottom =
        LatticeValue(ix, iy + 1, salt) * (1 - tx) + LatticeValue(ix + 1, iy + 1, salt) * tx;
    return top * (1 - ty) + bottom * ty;
}

double Fractal(double x, double y, std::uint32_t salt) {
    double sum = 0, amplitude = 0.5, frequency = 1.0 / 256;
    for (int octave = 0; octave < 7; ++octave) {
        sum += amplitude * SmoothNoise(x * frequency, y * frequency, salt + octave);
        amplitude *= 0.5;
        frequency *= 2;
    }
    return sum;
}

std::vector<std::uint8_t> PhotoLikeImage(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    std::uint32_t grain = 1;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const double land = Fractal(x, y, 11), moisture = Fractal(x, y, 53);
            grain = grain * 1664525 + 1013904223;
            const double noise = static_cast<double>(grain >> 24) / 255.0 - 0.5;
            std::uint8_t* p = pixels.data() + (std::size_t{y} * width + x) * 4;
            auto channel = [&](double value) {
                return static_cast<std::uint8_t>(std::clamp(value * 255 + noise * 12, 0.0, 255.0));
            };
            p[0] = channel(0.25 + 0.6 * land - 0.2 * moisture);
            p[1] = channel(0.2 + 0.5 * land + 0.25 * moisture);
            p[2] = channel(0.15 + 0.35 * moisture + 0.2 * (1 - land));
            p[3] = 255;
        }
    }
    return pixels;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct BenchPackage {
    std::string path;
    std::uint32_t width = 0, height = 0;
    std::int32_t rows = 0;            // the preview's row count
    std::vector<std::uint8_t> block;  // the top tile's block
};

// A package of width x height whose top level is one real tile; every finer tile is absent.
BenchPackage MakePackage(const std::string& folder, std::uint32_t width, std::uint32_t height,
                         bool lossless) {
    BenchPackage package;
    package.path = folder + "/" + std::to_string(width) + (lossless ? "-lossless" : "-lossy");
    package.width = width;
    package.height = height;
    package.rows = static_cast<std::int32_t>(height * 512.0 / width);

    const PackageLayout layout = MakePackageLayout(width, height);
    const int top = layout.topLevel;
    const std::uint32_t topWidth = layout.levelWidth[top], topHeight = layout.levelHeight[top];
    const std::vector<std::uint8_t> image = PhotoLikeImage(topWidth, topHeight);
    PackageWriteOptions options;
    options.lossless = lossless;
    options.threads = 2;
    const std::string small = package.path + ".top";
    const PackageWriteResult written = WritePackageFromRgba(
        small, image.data(), topWidth, topHeight, std::size_t{topWidth} * 4, kGeo, options);
    if (!written.ok) {
        std::fprintf(stderr, "%s\n", written.errorText.c_str());
        std::exit(1);
    }
    const std::vector<std::uint8_t> smallFile = ReadAll(small);
    std::filesystem::remove(small);
    const TileIndexEntry smallEntry{LoadU64(smallFile.data() + kTileIndexOffset),
                                    LoadU32(smallFile.data() + kTileIndexOffset + 8)};
    package.block.assign(smallFile.begin() + static_cast<std::ptrdiff_t>(smallEntry.blockOffset),
                         smallFile.begin() + static_cast<std::ptrdiff_t>(smallEntry.blockOffset +
                                                                         smallEntry.blockSize));

    std::vector<std::uint8_t> file = BuildPackageHeader(layout, kGeo);
    SetIndexEntry(file, layout.EntryNumber(top, 0, 0),
                  TileIndexEntry{file.size(), static_cast<std::uint32_t>(package.block.size())});
    file.insert(file.end(), package.block.begin(), package.block.end());
    std::ofstream(package.path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return package;
}

std::string& BenchFolder() {
    static std::string folder;
    return folder;
}

void RemoveBenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(BenchFolder(), ignored);
}

const BenchPackage& Package(std::uint32_t width, std::uint32_t height, bool lossless) {
    if (BenchFolder().empty()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarnview-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::exit(1);
        }
        BenchFolder() = pattern;
        std::atexit(RemoveBenchFolder);
    }
    static std::map<std::tuple<std::uint32_t, std::uint32_t, bool>, BenchPackage> packages;
    const auto key = std::make_tuple(width, height, lossless);
    auto found = packages.find(key);
    if (found == packages.end()) {
        found = packages.emplace(key, MakePackage(BenchFolder(), width, height, lossless)).first;
    }
    return found->second;
}

struct ReaderCloser {
    void operator()(PackageReader* reader) const { ClosePackage(reader); }
};

void ReadThumbnail(benchmark::State& state, std::uint32_t width, std::uint32_t height,
                   bool lossless) {
    const BenchPackage& package = Package(width, height, lossless);
    std::string errorText;
    std::unique_ptr<PackageReader, ReaderCloser> reader(OpenPackage(package.path, errorText));
    std::vector<std::uint32_t> output(static_cast<std::size_t>(package.rows) * 512);
    for (auto _ : state) {
        const std::int64_t result =
            reader->ReadRegionRgba(static_cast<std::int32_t>(width),
                                   static_cast<std::int32_t>(height), output.data(), package.rows);
        if (result <= 0) {
            state.SkipWithError("read failed");
        }
        benchmark::DoNotOptimize(output.data());
    }
    state.counters["block_bytes"] = static_cast<double>(package.block.size());
}

// The same sub-tiles decoded into their cells of a buffer allocated once.
void DecodeFloor(benchmark::State& state, std::uint32_t width, std::uint32_t height,
                 bool lossless) {
    const BenchPackage& package = Package(width, height, lossless);
    const PackageLayout layout = MakePackageLayout(width, height);
    const RegionPlan plan = PlanRegion(width, height, static_cast<std::uint32_t>(layout.topLevel),
                                       static_cast<std::int32_t>(width),
                                       static_cast<std::int32_t>(height), package.rows);
    std::vector<std::uint32_t> buffer(plan.bufferPixels);
    const std::uint8_t* block = package.block.data();
    int decoded = 0;
    for (auto _ : state) {
        decoded = 0;
        for (int n = 0; n < kSubTilesPerTile; ++n) {
            const std::uint32_t x = n % 4 * kSubTileSize, y = n / 4 * kSubTileSize;
            const std::int32_t start = n == 0 ? 64 : LoadI32(block + 4 * n);
            const std::int32_t end = n == 15 ? static_cast<std::int32_t>(package.block.size())
                                             : LoadI32(block + 4 * (n + 1));
            if (x >= plan.levelWidth || y >= plan.levelHeight || end <= start) {
                continue;
            }
            const std::size_t first = std::size_t{y} * plan.bufferWidth + x;
            WebPDecodeRGBAInto(block + start, static_cast<std::size_t>(end - start),
                               reinterpret_cast<std::uint8_t*>(buffer.data() + first),
                               (buffer.size() - first) * 4, static_cast<int>(plan.bufferWidth * 4));
            ++decoded;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["sub_tiles"] = decoded;
}

void OpenAndClose(benchmark::State& state) {
    const BenchPackage& package = Package(40000, 30000, false);
    for (auto _ : state) {
        std::string errorText;
        PackageReader* reader = OpenPackage(package.path, errorText);
        if (reader == nullptr) {
            state.SkipWithError(errorText.c_str());
            break;
        }
        ClosePackage(reader);
    }
}

}  // namespace

BENCHMARK_CAPTURE(ReadThumbnail, 40000x30000_lossy, 40000, 30000, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeFloor, 40000x30000_lossy, 40000, 30000, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadThumbnail, 40000x30000_lossless, 40000, 30000, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeFloor, 40000x30000_lossless, 40000, 30000, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadThumbnail, 65536x65536_lossy, 65536, 65536, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeFloor, 65536x65536_lossy, 65536, 65536, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadThumbnail, 65536x65536_lossless, 65536, 65536, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DecodeFloor, 65536x65536_lossless, 65536, 65536, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(OpenAndClose)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
