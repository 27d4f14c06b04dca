// The file a package is written to: a temporary file beside the target that is renamed into place
// only when everything is written, so a failed write never leaves a partial package behind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "file_io.h"

// Writes `size` bytes at `offset`; returns 0 or an errno value. WriteBytesAt by default; tests put
// their own in to make a write fail.
using WriteAtFunction =
    std::function<int(FileHandle file, std::uint64_t offset, const void* data, std::size_t size)>;

class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // an uncommitted file is closed and removed

    // Creates the temporary file beside `targetPath`. Returns "" or an error message.
    std::string Create(const std::string& targetPath, WriteAtFunction writeAt);

    // Returns "" or an error message.
    std::string WriteAt(std::uint64_t offset, const void* data, std::size_t size);

    // Flushes, closes and renames the temporary file to the target. Returns "" or an error message;
    // on failure the temporary file is removed.
    std::string Commit();

    const std::string& TemporaryPath() const { return temporaryPath_; }

  private:
    void Abandon();

    FileHandle file_;
    std::string targetPath_;
    std::string temporaryPath_;
    WriteAtFunction writeAt_;
};
