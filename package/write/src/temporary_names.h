// Names of the temporary files outputs are written to: short, in the target's folder, so that a
// target name near the system's limit still leaves room, and naming their target, so that a later
// run to the same target can remove those a killed process left. A live writer holds its file's
// lock; a file nobody holds is stale, whichever process (or PID namespace) made it.
#pragma once

#include <string>

// A new temporary path for `targetPath`: ".qv-HASH-PID-N.tmp" beside it, HASH naming the target.
std::string TemporaryPathFor(const std::string& targetPath);

// Removes the temporary files for `targetPath` whose lock no writer holds.
void RemoveStaleTemporaries(const std::string& targetPath);
