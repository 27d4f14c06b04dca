#include "parallel_jobs.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

void RunInParallel(std::size_t count, int threads, const std::function<void(std::size_t)>& job) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            job(i);
        }
    };
    // The calling thread is one of the workers.
    const std::size_t workers =
        std::min<std::size_t>(count, static_cast<std::size_t>(std::max(threads, 1)));
    const std::size_t helpers = workers > 0 ? workers - 1 : 0;
    std::vector<std::thread> pool;
    pool.reserve(helpers);
    for (std::size_t i = 0; i < helpers; ++i) {
        pool.emplace_back(work);
    }
    work();
    for (std::thread& thread : pool) {
        thread.join();
    }
}
