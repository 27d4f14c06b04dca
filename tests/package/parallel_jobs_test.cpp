// Jobs on several threads: each runs once, and a job that throws ends the run with its message
// instead of ending the process.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <new>
#include <vector>

#include "parallel_jobs.h"

TEST(ParallelJobs, EveryJobRunsOnce) {
    std::vector<std::atomic<int>> runs(100);
    EXPECT_EQ(RunInParallel(runs.size(), 4, [&](std::size_t i) { ++runs[i]; }), "");
    for (const std::atomic<int>& count : runs) {
        EXPECT_EQ(count, 1);
    }
}

TEST(ParallelJobs, AThrowingJobEndsTheRunWithAMessage) {
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        std::atomic<int> ran{0};
        const std::string error = RunInParallel(1000, threads, [&](std::size_t i) {
            ++ran;
            if (i == 5) {
                throw std::bad_alloc();
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));  // the throw comes early
        });
        EXPECT_EQ(error, "not enough memory");
        EXPECT_LT(ran, 1000);
    }
}

TEST(ParallelJobs, StopSkipsTheJobsNotStarted) {
    std::atomic<int> ran{0};
    const std::string error = RunInParallel(
        1000, 2, [&](std::size_t) { ++ran; }, [&] { return ran >= 10; });
    EXPECT_EQ(error, kInterruptedText);
    EXPECT_LT(ran, 20);
}
