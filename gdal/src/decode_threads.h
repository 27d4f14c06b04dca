// How many threads decode a read of many blocks, and running the decodes on them.
#pragma once

#include <cstddef>
#include <functional>

// GDAL_NUM_THREADS when set (a number, or ALL_CPUS), else every core: users should not need to
// know a setting to have their reads use the machine.
int DecodeThreadCount();

// Runs job(0, worker) to job(count - 1, worker), each once, on up to `threads` threads (the
// calling thread among them, as worker 0; the others are 1, 2, ...), and returns when all are
// done. A thread the system will not start leaves its share to the others.
void RunDecodeJobs(std::size_t count, int threads,
                   const std::function<void(std::size_t job, int worker)>& job);
