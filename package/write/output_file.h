// The file a package is written to: a temporary file beside the target that is renamed into place
// only when everything is written, so a failed write never leaves a partial package behind.
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

class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // an uncommitted file is closed and removed

    // Creates the temporary file beside `targetPath`, first removing those killed runs to the
    // same target left behind.
    WriteStatus Create(const std::string& targetPath, WriteAtFunction writeAt,
                       ExistingTarget existing = ExistingTarget::kReplace);

    WriteStatus WriteAt(std::uint64_t offset, const void* data, std::size_t size);

    // Flushes, closes and renames the temporary file to the target; on failure the temporary file
    // is removed.
    WriteStatus Commit();

    const std::string& TemporaryPath() const { return temporaryPath_; }

  private:
    void Abandon();

    FileHandle file_;
    std::string targetPath_;
    std::string temporaryPath_;
    WriteAtFunction writeAt_;
    ExistingTarget existing_ = ExistingTarget::kReplace;
    int registrySlot_ = -1;
};
