// What memory the system maps afresh costs on this machine, beside the same bytes written again.
// Under AddressSanitizer every allocation over 128 KiB is mapped anew and unmapped when freed, so
// this cost per page bounds the fuzz targets, whose inputs each open a dataset with buffers of a
// sub-tile (1 MiB) and of band blocks (256 KiB).
//
//   build/bench/fresh_memory_bench
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "package_format.h"

namespace {

constexpr std::size_t kSubTileBytes = std::size_t{kSubTileSize} * kSubTileSize * kBytesPerPixel;

void PagesPerSecond(benchmark::State& state) {
    state.counters["pages"] = benchmark::Counter(
        static_cast<double>(state.iterations() * kSubTileBytes / ::sysconf(_SC_PAGESIZE)),
        benchmark::Counter::kIsRate);
}

void BM_MapWriteUnmap(benchmark::State& state) {
    for (auto _ : state) {
        void* memory = ::mmap(nullptr, kSubTileBytes, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            state.SkipWithError("mmap failed");
            return;
        }
        std::memset(memory, 1, kSubTileBytes);
        benchmark::ClobberMemory();
        ::munmap(memory, kSubTileBytes);
    }
    PagesPerSecond(state);
}
BENCHMARK(BM_MapWriteUnmap);

void BM_WriteMappedAlready(benchmark::State& state) {
    std::vector<unsigned char> memory(kSubTileBytes);
    for (auto _ : state) {
        std::memset(memory.data(), 1, memory.size());
        benchmark::ClobberMemory();
    }
    PagesPerSecond(state);
}
BENCHMARK(BM_WriteMappedAlready);

}  // namespace

BENCHMARK_MAIN();
