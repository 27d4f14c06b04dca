// Jobs on several threads: each runs once, and a job that throws ends the run with a failure
// instead of ending the process.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <vector>

#include "parallel_jobs.h"

TEST(ParallelJobs, EveryJobRunsOnce) {
    std::vector<std::atomic<int>> runs(100);
    EXPECT_TRUE(RunInParallel(runs.size(), 4, [&](std::size_t i) { ++runs[i]; }).ok());
    for (const std::atomic<int>& count : runs) {
        EXPECT_EQ(count, 1);
    }
}

TEST(ParallelJobs, AThrowingJobEndsTheRunWithAMessage) {
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        std::atomic<int> ran{0};
        const WriteStatus status = RunInParallel(1000, threads, [&](std::size_t i) {
            ++ran;
            if (i == 5) {
                throw std::bad_alloc();
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));  // the throw comes early
        });
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.code(), WriteCode::kOutOfMemory);
        EXPECT_EQ(status.message(), "not enough memory");
        EXPECT_LT(ran, 1000);
    }
}

TEST(ParallelJobs, StopSkipsTheJobsNotStarted) {
    std::atomic<int> ran{0};
    const WriteStatus status = RunInParallel(
        1000, 2, [&](std::size_t) { ++ran; }, [&] { return ran >= 10; });
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.code(), WriteCode::kInterrupted);
    EXPECT_LT(ran, 20);
}
