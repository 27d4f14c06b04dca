// Where a package's bytes come from, by its path: a plain path through the package's own file
// layer, a virtual path (or a URL form of one) through GDAL's virtual file layer.
#pragma once

#include <memory>
#include <string>

#include "byte_source.h"

// Null when the package cannot be opened.
std::unique_ptr<ByteSource> OpenPackageSource(const std::string& path);
