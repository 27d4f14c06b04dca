#include "decode_threads.h"

#include <cpl_conv.h>
#include <cpl_multiproc.h>
#include <cpl_string.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <thread>
#include <vector>

namespace {

constexpr char kThreadsOption[] = "GDAL_NUM_THREADS";
constexpr char kAllCpus[] = "ALL_CPUS";
// Each thread holds a few decoded sub-tiles of 1 MiB: a bound on what a setting can ask.
constexpr int kMaxThreads = 64;

}  // namespace

int DecodeThreadCount() {
    const char* setting = CPLGetConfigOption(kThreadsOption, nullptr);
    if (setting == nullptr || *setting == '\0' || EQUAL(setting, kAllCpus)) {
        return std::clamp(CPLGetNumCPUs(), 1, kMaxThreads);
    }
    return std::clamp(std::atoi(setting), 1, kMaxThreads);
}

void RunDecodeJobs(std::size_t count, int threads,
                   const std::function<void(std::size_t job, int worker)>& job) {
    std::atomic<std::size_t> next{0};
    const auto work = [&](int worker) {
        for (std::size_t i = next++; i < count; i = next++) {
            job(i, worker);
        }
    };
    std::vector<std::thread> helpers;
    const std::size_t wanted = std::min<std::size_t>(count, static_cast<std::size_t>(threads));
    for (std::size_t i = 1; i < wanted; ++i) {
        try {
            helpers.emplace_back(work, static_cast<int>(i));
        } catch (const std::exception&) {
            break;  // the threads started so far and this one share the jobs
        }
    }
    work(0);
    for (std::thread& helper : helpers) {
        helper.join();
    }
}
