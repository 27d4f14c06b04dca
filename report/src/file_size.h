#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Size in bytes of the file at the path, following links; 0 when it cannot be read
// (missing, a folder, no permission to look). A virtual path is asked of GDAL's file layer.
double FileSizeOnDisk(const std::string& path);

// When the file at the path (any path GDAL's file layer takes) was last modified, in seconds
// since 1970 UTC; empty when it cannot be read.
std::optional<std::int64_t> FileModificationTime(const std::string& path);
