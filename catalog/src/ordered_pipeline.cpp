#include "ordered_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kNoItem = std::numeric_limits<std::size_t>::max();

// Items started but not delivered live in a ring of `jobs` slots: item i in slot i % jobs. The
// state is shared with the workers, so that one given up on may outlive the run.
struct Pipeline {
    struct Slot {
        std::size_t index = kNoItem;  // the item the slot holds; kNoItem once given up on
        Clock::time_point started;
        std::optional<RenderedEntry> result;
    };

    Pipeline(std::size_t count, std::size_t jobs, ItemWork work)
        : count(count), slots(jobs), work(std::move(work)) {}

    const std::size_t count;
    std::vector<Slot> slots;
    const ItemWork work;
    std::size_t next = 0;
    std::size_t delivered = 0;
    bool stopped = false;
    int workers = 0;  // the threads not given up on
    std::mutex mutex;
    std::condition_variable changed;  // room for an item, a result, a worker gone

    Slot& SlotOf(std::size_t index) { return slots[index % slots.size()]; }
};

void Work(const std::shared_ptr<Pipeline>& pipeline) {
    Pipeline& p = *pipeline;
    std::unique_lock lock(p.mutex);
    while (true) {
        p.changed.wait(lock, [&] {
            return p.stopped || p.next >= p.count || p.next - p.delivered < p.slots.size();
        });
        if (p.stopped || p.next >= p.count)
            break;
        const std::size_t index = p.next++;
        p.SlotOf(index).index = index;
        p.SlotOf(index).started = Clock::now();
        p.changed.notify_all();  // the clock of its time limit runs
        lock.unlock();
        RenderedEntry result = p.work(index);
        lock.lock();
        if (p.SlotOf(index).index != index)
            return;  // given up on: another thread has taken this one's place
        p.SlotOf(index).result = std::move(result);
        p.changed.notify_all();
    }
    --p.workers;
    p.changed.notify_all();
}

void StartWorker(const std::shared_ptr<Pipeline>& pipeline) {
    ++pipeline->workers;
    std::thread(Work, pipeline).detach();
}

// Waits for item `index`; nothing when it ran past the limit and was given up on.
std::optional<RenderedEntry> Await(const std::shared_ptr<Pipeline>& pipeline, std::size_t index,
                                   Clock::duration limit) {
    Pipeline& p = *pipeline;
    std::unique_lock lock(p.mutex);
    Pipeline::Slot& slot = p.SlotOf(index);
    while (!(slot.index == index && slot.result)) {
        const bool running = slot.index == index;
        if (running && limit > Clock::duration::zero() && Clock::now() >= slot.started + limit) {
            slot.index = kNoItem;
            --p.workers;
            StartWorker(pipeline);
            return std::nullopt;
        }
        if (running && limit > Clock::duration::zero())
            p.changed.wait_until(lock, slot.started + limit);
        else
            p.changed.wait(lock);
    }
    RenderedEntry result = std::move(*slot.result);
    slot.result.reset();
    slot.index = kNoItem;
    return result;
}

}  // namespace

std::size_t RunInOrder(std::size_t count, int jobs, const ItemWork& work,
                       const ItemDelivery& deliver, const ItemTimeLimit& timeLimit) {
    const std::size_t threads = std::min<std::size_t>(std::max(jobs, 1), count);
    const bool limited = timeLimit.limit > Clock::duration::zero();
    if (threads == 0 || (threads == 1 && !limited)) {
        for (std::size_t index = 0; index < count; ++index) {
            if (!deliver(index, work(index)))
                return index + 1;
        }
        return count;
    }
    auto pipeline = std::make_shared<Pipeline>(count, threads, work);
    {
        std::lock_guard lock(pipeline->mutex);
        for (std::size_t t = 0; t < threads; ++t)
            StartWorker(pipeline);
    }
    std::size_t delivered = 0;
    bool goOn = true;
    while (goOn && delivered < count) {
        std::optional<RenderedEntry> result = Await(pipeline, delivered, timeLimit.limit);
        goOn = deliver(delivered, result ? std::move(*result) : timeLimit.givenUp(delivered));
        std::lock_guard lock(pipeline->mutex);
        pipeline->delivered = ++delivered;
        pipeline->stopped = !goOn;
        pipeline->changed.notify_all();
    }
    // The workers not given up on end with the item they hold.
    std::unique_lock lock(pipeline->mutex);
    pipeline->changed.wait(lock, [&] { return pipeline->workers == 0; });
    return delivered;
}
