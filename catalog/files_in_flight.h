// The files a catalogue is reading right now, kept where a fatal signal's handler can still name
// them, and watched for one that takes too long: a driver that crashes or hangs on a file must
// not take the catalogue down without a word about which file it was.
#pragma once

#include <string>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

// The most files a catalogue reads at once.
inline constexpr int kMaxCatalogJobs = 256;

class FilesInFlight {
  public:
    using Clock = std::chrono::steady_clock;

    // `path` is being read in `slot` (below kMaxCatalogJobs) from `start`; it must stay alive
    // until End(slot).
    void Begin(std::size_t slot, const char* path, Clock::time_point start);
    void End(std::size_t slot);

    // The paths read for longer than `limit` at `now`, each named once.
    std::vector<std::string> NewlySlow(Clock::time_point now, Clock::duration limit);

    // Writes "PREFIXPATH\n" for every path being read, with write(2) only: safe in a signal
    // handler.
    void WriteEach(int descriptor, const char* prefix) const;

  private:
    struct Slot {
        std::atomic<const char*> path{nullptr};
        std::atomic<std::int64_t> start{0};  // Clock ticks
        std::atomic<bool> named{false};      // already named as slow
    };
    std::array<Slot, kMaxCatalogJobs> slots_;
};

// The files every catalogue of this process is reading.
FilesInFlight& CatalogFilesInFlight();

// From now on a crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) first writes "PROGRAM: crashed
// while reading PATH" on stderr for each file in flight, then ends the process by the same signal.
void NameFilesInFlightOnCrash(const char* program);
