// Ctrl-C, a hang-up or a termination request asks the running pack to stop at the next band of
// rows, so the writer can remove its temporary file instead of being killed halfway.
#pragma once

// Catches SIGINT, SIGTERM and SIGHUP; a second one ends the process at once, after removing the
// temporary files being written.
void InstallInterruptHandlers();

bool InterruptRequested();
