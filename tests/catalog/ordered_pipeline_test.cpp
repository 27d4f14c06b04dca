// Parallel work handed on in input order, with no more results alive than jobs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "ordered_pipeline.h"

namespace {

// Later items finish sooner, so that results arrive out of order.
RenderedEntry SlowFirst(std::size_t index, std::size_t count) {
    std::this_thread::sleep_for(std::chrono::microseconds(200 * (count - index)));
    return {std::to_string(index), index % 3 == 0};
}

}  // namespace

TEST(OrderedPipeline, DeliversInInputOrderOnTheCallingThreadWithBoundedResults) {
    constexpr std::size_t kCount = 60;
    for (const int jobs : {1, 2, 4, 8}) {
        std::atomic<int> alive{0};
        std::atomic<int> mostAlive{0};
        std::mutex threadsMutex;
        std::set<std::thread::id> workThreads;
        std::vector<std::string> delivered;
        const std::thread::id caller = std::this_thread::get_id();
        RunInOrder(
            kCount, jobs,
            [&](std::size_t index) {
                const int now = ++alive;
                int most = mostAlive.load();
                while (now > most && !mostAlive.compare_exchange_weak(most, now)) {
                }
                {
                    std::lock_guard lock(threadsMutex);
                    workThreads.insert(std::this_thread::get_id());
                }
                return SlowFirst(index, kCount);
            },
            [&](std::size_t index, RenderedEntry&& result) {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                EXPECT_EQ(result.text, std::to_string(index));
                EXPECT_EQ(result.failed, index % 3 == 0);
                delivered.push_back(result.text);
                --alive;
                return true;
            });
        ASSERT_EQ(delivered.size(), kCount) << jobs << " jobs";
        EXPECT_LE(mostAlive.load(), jobs);
        if (jobs == 1) {
            EXPECT_EQ(workThreads, std::set<std::thread::id>{caller});
        } else {
            EXPECT_GT(mostAlive.load(), 1) << "nothing ran in parallel with " << jobs << " jobs";
            EXPECT_FALSE(workThreads.contains(caller));
        }
    }
}

TEST(OrderedPipeline, NothingToDoAndMoreJobsThanItems) {
    int calls = 0;
    RunInOrder(
        0, 4, [&](std::size_t) { return RenderedEntry{}; },
        [&](std::size_t, RenderedEntry&&) { return ++calls > 0; });
    EXPECT_EQ(calls, 0);
    std::vector<std::size_t> order;
    RunInOrder(
        2, 16, [&](std::size_t index) { return SlowFirst(index, 2); },
        [&](std::size_t index, RenderedEntry&&) {
            order.push_back(index);
            return true;
        });
    EXPECT_EQ(order, (std::vector<std::size_t>{0, 1}));
}

TEST(OrderedPipeline, AFailedDeliveryStartsNoFurtherItem) {
    constexpr std::size_t kCount = 40;
    for (const int jobs : {1, 3}) {
        std::atomic<std::size_t> started{0};
        const std::size_t delivered = RunInOrder(
            kCount, jobs,
            [&](std::size_t index) {
                ++started;
                return SlowFirst(index, kCount);
            },
            [&](std::size_t index, RenderedEntry&&) { return index < 1; });
        EXPECT_EQ(delivered, 2u) << jobs << " jobs";
        EXPECT_LE(started.load(), 2u + static_cast<std::size_t>(jobs)) << jobs << " jobs";
    }
}
