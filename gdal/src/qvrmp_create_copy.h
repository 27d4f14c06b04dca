// Writing a package from any dataset GDAL has open (gdal_translate -of QVRMP, CreateCopy), through
// the pack engine tarnview-pack uses, so both make the same bytes.
#pragma once

#include <gdal_priv.h>

#include "pack_options.h"

// Packs `source` as `options` say, telling `progress` (which may be null) the share done; a false
// answer cancels. On failure or cancel GDAL's error is set, nothing is left and false is returned.
bool PackFromDataset(GDALDataset* source, const PackOptions& options, GDALProgressFunc progress,
                     void* progressData);

// GDAL's CreateCopy: the package, opened read-only, or null with GDAL's error set.
GDALDataset* QvrmpCreateCopy(const char* path, GDALDataset* source, int strict, char** options,
                             GDALProgressFunc progress, void* progressData);
