// Independent jobs spread over a few threads.
#pragma once

#include <cstddef>
#include <functional>

#include "write_code.h"

// Runs job(0) to job(count - 1), each at most once, on up to `threads` threads (the calling thread
// among them), and returns when all are done. Jobs must not depend on one another's order.
// An exception a job throws (std::bad_alloc above all) ends the run early: the jobs not started
// are skipped and it fails with kOutOfMemory, or kEncodeFailed and the exception's message. So
// does `stop` saying true, asked before each job, with kInterrupted.
WriteStatus RunInParallel(std::size_t count, int threads,
                          const std::function<void(std::size_t)>& job,
                          const std::function<bool()>& stop = {});
