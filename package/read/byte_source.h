// Where a package reader gets its bytes: anything that can read N bytes at an absolute offset. The
// file layer is the default; a caller with its own file access (a GDAL driver reading through
// GDAL's virtual file systems, a test holding a package in memory) hands the reader its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "file_io.h"

class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // Reads up to `size` bytes from the absolute `offset` into `buffer`. Fewer bytes than asked
    // only at the end of the data; `ok` is false when the read itself failed.
    virtual ReadResult ReadAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;

    // The size in bytes, when the source knows it. Used to refuse a read past the end before its
    // buffer is allocated.
    virtual std::optional<std::uint64_t> Size() = 0;

    // The first offset at or after `offset` that may hold bytes other than zero, so that a walk
    // over a sparse file's holes costs nothing. `offset` itself when the source cannot tell.
    virtual std::uint64_t NextDataAt(std::uint64_t offset) { return offset; }

    // Each read costs far more than its bytes (a request over the network): readers then fetch
    // what they need together in few reads. A local file reads each range on its own.
    virtual bool PrefersFewReads() const { return false; }
};

// The file at `path`, opened read-only; null when it cannot be opened (or is a folder).
std::unique_ptr<ByteSource> OpenFileByteSource(const std::string& path);
