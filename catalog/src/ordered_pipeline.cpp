#include "ordered_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

// Items started but not delivered live in a ring of `jobs` slots: item i in slot i % jobs.
class OrderedWindow {
  public:
    OrderedWindow(std::size_t count, std::size_t jobs) : count_(count), slots_(jobs) {}

    // The next item to start, once the window has room; nothing when all are started.
    std::optional<std::size_t> Take() {
        std::unique_lock lock(mutex_);
        roomFreed_.wait(lock,
                        [&] { return next_ >= count_ || next_ - delivered_ < slots_.size(); });
        if (next_ >= count_ || stopped_)
            return std::nullopt;
        return next_++;
    }

    void Finish(std::size_t index, RenderedEntry&& result) {
        std::lock_guard lock(mutex_);
        slots_[index % slots_.size()] = std::move(result);
        resultReady_.notify_all();
    }

    // Waits for the result of the next item in order.
    RenderedEntry Next() {
        std::unique_lock lock(mutex_);
        std::optional<RenderedEntry>& slot = slots_[delivered_ % slots_.size()];
        resultReady_.wait(lock, [&] { return slot.has_value(); });
        RenderedEntry result = std::move(*slot);
        slot.reset();
        return result;
    }

    // The result handed over by Next() is delivered: its slot may take a new item.
    void Delivered() {
        std::lock_guard lock(mutex_);
        ++delivered_;
        roomFreed_.notify_all();
    }

    // No item is started from now on.
    void Stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        roomFreed_.notify_all();
    }

  private:
    const std::size_t count_;
    std::vector<std::optional<RenderedEntry>> slots_;
    std::size_t next_ = 0;
    std::size_t delivered_ = 0;
    bool stopped_ = false;
    std::mutex mutex_;
    std::condition_variable roomFreed_;
    std::condition_variable resultReady_;
};

}  // namespace

std::size_t RunInOrder(std::size_t count, int jobs, const ItemWork& work,
                       const ItemDelivery& deliver) {
    const std::size_t threads = std::min<std::size_t>(std::max(jobs, 1), count);
    if (threads <= 1) {
        for (std::size_t index = 0; index < count; ++index) {
            if (!deliver(index, work(index)))
                return index + 1;
        }
        return count;
    }
    OrderedWindow window(count, threads);
    std::vector<std::jthread> workers;
    for (std::size_t t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            while (const std::optional<std::size_t> index = window.Take())
                window.Finish(*index, work(*index));
        });
    }
    for (std::size_t index = 0; index < count; ++index) {
        const bool goOn = deliver(index, window.Next());
        window.Delivered();
        if (!goOn) {
            window.Stop();
            return index + 1;  // the workers end with the item they hold
        }
    }
    return count;
}
