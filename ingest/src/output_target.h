// Checks on OUTPUT made before any pixel is read: an existing file is replaced only when asked,
// never when it is one of the input's own files, and the folder must take a new file.
#pragma once

#include <string>
#include <vector>

#include "pack_code.h"

// Fails with kOutputRefused and a one-line message. `inputFiles` are the files the input dataset
// reads.
PackStatus CheckOutputTarget(const std::string& output, bool force,
                             const std::vector<std::string>& inputFiles);
