// Work on many items in parallel, results handed on in input order.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

#include "entry_output.h"

using ItemWork = std::function<RenderedEntry(std::size_t index)>;
// Returns false to stop: no further item is started, and those in flight are not delivered.
using ItemDelivery = std::function<bool(std::size_t index, RenderedEntry&& result)>;

// How long an item may take before it is given up on, and what is delivered in its place.
struct ItemTimeLimit {
    std::chrono::steady_clock::duration limit{};  // zero: no limit
    std::function<RenderedEntry(std::size_t index)> givenUp;
};

// Runs work(0) ... work(count - 1) on `jobs` threads and calls deliver with each result in index
// order, on the calling thread. An item is only started while fewer than `jobs` results are
// taken and not yet delivered, so at most `jobs` results exist at once, whatever `count` is.
// With one job and no time limit everything runs on the calling thread. An item still running
// after the time limit is delivered as givenUp(index) and another thread takes its place; its
// thread is left to end on its own, so `work` must not refer to anything of the caller's that
// ends with the call. Returns how many results were delivered.
std::size_t RunInOrder(std::size_t count, int jobs, const ItemWork& work,
                       const ItemDelivery& deliver, const ItemTimeLimit& timeLimit = {});
