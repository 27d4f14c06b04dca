#pragma once

#include <string>

// Size in bytes of the file at the path, following links; 0 when it cannot be read
// (missing, a folder, no permission to look). A virtual path is asked of GDAL's file layer.
double FileSizeOnDisk(const std::string& path);
