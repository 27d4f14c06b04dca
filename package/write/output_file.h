// The file an output is written to, beside its target, put in the target's place only when
// everything is written, so that a failed or interrupted write never leaves a partial file behind.
// Where the file system allows it the file has no name until then, so that even a killed process
// leaves nothing; elsewhere it has a temporary name and holds its lock while it is written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "file_io.h"
#include "write_code.h"

// Writes `size` bytes at `offset`; returns 0 or an errno value. WriteBytesAt by default; tests put
// their own in to make a write fail.
using WriteAtFunction =
    std::function<int(FileHandle file, std::uint64_t offset, const void* data, std::size_t size)>;

// How the finished file takes the target's place.
enum class ExistingTarget {
    kReplace,  // a regular file there is replaced, its permission bits kept; anything else refused
    kKeep,     // the write fails if anything is there, even a file made while it was written
};

// The start of the temporary names used for `targetPath` (they live in its folder), for tests.
std::string TemporaryNamePrefix(const std::string& targetPath);

// Removes every temporary file this process is writing, from a signal handler as well: only
// async-signal-safe calls are made.
void RemoveTemporaryFilesNow();

// For a program's main: from now on SIGINT, SIGTERM and SIGHUP remove the temporary files at once
// and end the process as the signal would have.
void RemoveTemporaryFilesOnSignals();

class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // an uncommitted file is closed and removed

    // Creates the file beside `targetPath`, first removing the temporary files killed runs to
    // the same target left behind.
    WriteStatus Create(const std::string& targetPath, WriteAtFunction writeAt,
                       ExistingTarget existing = ExistingTarget::kReplace);

    WriteStatus WriteAt(std::uint64_t offset, const void* data, std::size_t size);

    // Flushes the file and puts it in the target's place; on failure nothing of it is left.
    WriteStatus Commit();

  private:
    WriteStatus CreateNamed();
    // Gives the unnamed file a temporary name, or the target's at once when nothing may be
    // replaced.
    int LinkUnnamed();
    void Abandon();
    void Unregister();

    FileHandle file_;
    std::string targetPath_;
    std::string temporaryPath_;  // empty while the file has no name
    WriteAtFunction writeAt_;
    ExistingTarget existing_ = ExistingTarget::kReplace;
    int registrySlot_ = -1;
};
