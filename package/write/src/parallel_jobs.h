// Independent jobs spread over a few threads.
#pragma once

#include <cstddef>
#include <functional>

// Runs job(0) to job(count - 1), each exactly once, on up to `threads` threads (the calling thread
// among them), and returns when all are done. Jobs must not depend on one another's order.
void RunInParallel(std::size_t count, int threads, const std::function<void(std::size_t)>& job);
