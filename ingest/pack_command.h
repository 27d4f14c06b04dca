// tarnview-pack from parsed options to an exit code: opens the input with GDAL, checks the size
// and the output, streams the rows through the package writer and shows progress.
#pragma once

#include <functional>
#include <string>

#include "output_file.h"
#include "pack_options.h"

// What the command needs from the process around it; tests put their own in.
struct PackEnvironment {
    std::function<void(const std::string&)> writeError;  // text for stderr
    bool terminal = false;                               // stderr is a terminal: draw a bar
    std::function<bool()> interrupted;                   // asked before each band of rows
    WriteAtFunction writeAt;                             // empty: the file layer's own
};

struct PackOutcome {
    int exitCode = kPackFailed;
    std::string message;  // one line for stderr: the summary, or why it failed
};

// GDAL must be registered (GDALAllRegister) before the first call.
PackOutcome RunPack(const PackOptions& options, const PackEnvironment& environment);
