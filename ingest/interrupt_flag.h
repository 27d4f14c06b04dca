// Ctrl-C, a hang-up or a termination request asks the running pack to stop at the next band of
// rows, so the writer can remove its temporary file instead of being killed halfway.
#pragma once

// Catches SIGINT, SIGTERM and SIGHUP once each; a second one of the same kind ends the process.
void InstallInterruptHandlers();

bool InterruptRequested();
