// Files for package tests: a temporary folder per test, and reading, writing and patching bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const;

  private:
    std::string root_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Overwrites four bytes at `offset` with `value`, little-endian.
void PatchU32(const std::string& path, std::uint64_t offset, std::uint32_t value);
void ResizeFile(const std::string& path, std::uint64_t size);
