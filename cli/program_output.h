// What the two terminal programs share at their end: exit codes, and printing in which every write
// is checked, so that the end of the program says whether all of its output reached stdout (a full
// disk or a closed pipe is a failure, not a silent exit 0).
#pragma once

#include <cstdio>
#include <string_view>

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Writes all of `text` to `stream`; false when the stream refused it.
bool WriteText(std::FILE* stream, std::string_view text);

// Writes all of `text` to the open file `descriptor` at once, bypassing any stream's buffer.
// Returns 0, or the system's error number of the write that failed.
int WriteNow(int descriptor, std::string_view text);

// Flushes and closes stdout. Returns `exitCode` when that worked, otherwise prints
// "PROGRAM: cannot write the output: REASON" on stderr and returns kExitFailure.
int FinishOutput(const char* program, int exitCode);

// Ends the process with `exitCode` at once, after FinishOutput: static objects, GDAL's driver table
// and its caches are left for the system to reclaim. Tearing them down costs a short report a
// tenth of its time and changes nothing the user sees.
[[noreturn]] void EndProcess(int exitCode);
