#include "parallel_jobs.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr char kOutOfMemory[] = "not enough memory";

}  // namespace

WriteStatus RunInParallel(std::size_t count, int threads,
                          const std::function<void(std::size_t)>& job,
                          const std::function<bool()>& stop) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorMutex;
    WriteStatus status;
    const auto fail = [&](WriteCode code, const std::string& message) {
        const std::lock_guard<std::mutex> lock(errorMutex);
        if (status.ok()) {
            status = MakeError(code, message);
        }
        failed = true;
    };
    // An exception must not leave a worker: on a thread of its own it would end the process.
    auto work = [&] {
        try {
            for (std::size_t i = next++; i < count && !failed; i = next++) {
                if (stop && stop()) {
                    fail(WriteCode::kInterrupted, kInterruptedMessage);
                    break;
                }
                job(i);
            }
        } catch (const std::bad_alloc&) {
            fail(WriteCode::kOutOfMemory, kOutOfMemory);
        } catch (const std::exception& exception) {
            fail(WriteCode::kEncodeFailed, exception.what());
        } catch (...) {
            fail(WriteCode::kEncodeFailed, "an unknown failure");
        }
    };
    // The calling thread is one of the workers.
    const std::size_t workers =
        std::min<std::size_t>(count, static_cast<std::size_t>(std::max(threads, 1)));
    const std::size_t helpers = workers > 0 ? workers - 1 : 0;
    std::vector<std::thread> pool;
    try {
        pool.reserve(helpers);
        for (std::size_t i = 0; i < helpers; ++i) {
            pool.emplace_back(work);
        }
    } catch (const std::system_error&) {
        // Fewer threads than asked: the ones running, the calling thread among them, do the rest.
    } catch (const std::bad_alloc&) {
    }
    work();
    for (std::thread& thread : pool) {
        thread.join();
    }
    return status;
}
