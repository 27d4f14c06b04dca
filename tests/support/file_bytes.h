// Whole files as bytes: reading, writing, patching and resizing them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFileText(const std::string& path, const std::string& text);
// Overwrites four bytes at `offset` with `value`, little-endian.
void PatchU32(const std::string& path, std::uint64_t offset, std::uint32_t value);
void ResizeFile(const std::string& path, std::uint64_t size);
