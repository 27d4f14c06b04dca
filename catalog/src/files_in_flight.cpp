#include "files_in_flight.h"

#include <signal.h>
#include <unistd.h>
#include <string>

#include <cstring>

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kPrefixCapacity = 128;
constexpr std::size_t kHandlerStackBytes = 64 * 1024;  // room to run even on a stack overflow

char crashPrefix[kPrefixCapacity];

// Signal stacks are each thread's own: every thread that reads files gets one.
void GiveThisThreadASignalStack() {
    alignas(16) thread_local char handlerStack[kHandlerStackBytes];
    thread_local bool given = false;
    if (given)
        return;
    // A stack someone else set up (a sanitizer's, say) is theirs to keep and to free.
    stack_t current{};
    if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0) {
        given = true;
        return;
    }
    stack_t stack{};
    stack.ss_sp = handlerStack;
    stack.ss_size = sizeof handlerStack;
    given = ::sigaltstack(&stack, nullptr) == 0;
}

void WriteAll(int descriptor, const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = ::write(descriptor, text, left);
        if (written <= 0)
            return;
        text += written;
        left -= static_cast<std::size_t>(written);
    }
}

void NameAndDie(int signal) {
    CatalogFilesInFlight().WriteEach(STDERR_FILENO, crashPrefix);
    // The handler was reset on entry: the signal now ends the process as it would have.
    ::raise(signal);
}

}  // namespace

void FilesInFlight::Begin(std::size_t slot, const char* path, Clock::time_point start) {
    GiveThisThreadASignalStack();
    Slot& entry = slots_[slot % slots_.size()];
    entry.start.store(start.time_since_epoch().count());
    entry.named.store(false);
    entry.path.store(path);
}

void FilesInFlight::End(std::size_t slot) {
    slots_[slot % slots_.size()].path.store(nullptr);
}

std::vector<std::string> FilesInFlight::NewlySlow(Clock::time_point now, Clock::duration limit) {
    std::vector<std::string> slow;
    for (Slot& entry : slots_) {
        const char* path = entry.path.load();
        if (path == nullptr || entry.named.load())
            continue;
        const Clock::time_point start{Clock::duration(entry.start.load())};
        if (now - start > limit && !entry.named.exchange(true))
            slow.emplace_back(path);
    }
    return slow;
}

void FilesInFlight::WriteEach(int descriptor, const char* prefix) const {
    for (const Slot& entry : slots_) {
        if (const char* path = entry.path.load()) {
            WriteAll(descriptor, prefix);
            WriteAll(descriptor, path);
            WriteAll(descriptor, "\n");
        }
    }
}

FilesInFlight& CatalogFilesInFlight() {
    static FilesInFlight files;
    return files;
}

void NameFilesInFlightOnCrash(const char* program) {
    std::strncpy(crashPrefix, program, kPrefixCapacity - 1);
    std::strncat(crashPrefix, ": crashed while reading ",
                 kPrefixCapacity - 1 - std::strlen(crashPrefix));
    GiveThisThreadASignalStack();
    struct sigaction action {};
    action.sa_handler = NameAndDie;
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signal : kFatalSignals)
        ::sigaction(signal, &action, nullptr);
}
