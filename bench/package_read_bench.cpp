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
#include "top_tile_package.h"

namespace {

using bench_image::BenchPackage;
using bench_image::MakeTopTilePackage;

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
        found =
            packages.emplace(key, MakeTopTilePackage(BenchFolder(), width, height, lossless)).first;
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
