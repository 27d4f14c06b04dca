#include "interrupt_flag.h"

#include <signal.h>

#include <csignal>
#include <initializer_list>

#include "output_file.h"

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

// The first signal asks the pack to stop, which removes its temporary file on the way out. A
// second one, while that is under way, removes the temporary files at once and ends the process
// the way the signal would have.
void OnSignal(int signalNumber) {
    if (interruptRequested == 0) {
        interruptRequested = 1;
        return;
    }
    RemoveTemporaryFilesNow();
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

}  // namespace

void InstallInterruptHandlers() {
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signalNumber, &action, nullptr);
    }
}

bool InterruptRequested() {
    return interruptRequested != 0;
}
