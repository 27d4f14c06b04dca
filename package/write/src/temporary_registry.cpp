#include "temporary_registry.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <initializer_list>

#include "output_file.h"

namespace {

// A package and its sidecar at most are written at once; a few more slots cost nothing.
constexpr int kSlots = 8;

struct Slot {
    std::atomic<bool> taken{false};
    std::atomic<bool> ready{false};  // the path is complete and may be removed
    char path[PATH_MAX] = {};
};

Slot slots[kSlots];

void RemoveAndEnd(int signalNumber) {
    RemoveTemporaryFilesNow();
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

}  // namespace

int RegisterTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return -1;
    }
    for (int i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (slots[i].taken.compare_exchange_strong(expected, true)) {
            std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
            slots[i].ready = true;
            return i;
        }
    }
    return -1;
}

void UnregisterTemporary(int slot) {
    if (slot < 0) {
        return;
    }
    slots[slot].ready = false;
    slots[slot].taken = false;
}

void RemoveTemporaryFilesNow() {
    for (Slot& slot : slots) {
        if (slot.ready) {
            ::unlink(slot.path);  // async-signal-safe
        }
    }
}

void RemoveTemporaryFilesOnSignals() {
    struct sigaction action = {};
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signalNumber, &action, nullptr);
    }
}
