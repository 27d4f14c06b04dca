// Names of the temporary files packages are written to: short, in the target's folder, so that a
// target name near the system's limit still leaves room, and telling which process made them, so
// that a later run to the same target can remove those a killed process left.
#pragma once

#include <string>

// A new temporary path for `targetPath`: ".qv-HASH-PID-N.tmp" beside it, HASH naming the target.
std::string TemporaryPathFor(const std::string& targetPath);

// Removes the temporary files for `targetPath` whose process no longer runs.
void RemoveStaleTemporaries(const std::string& targetPath);
