// GDAL reads and caches a raster block by block, and allocates each block whole whatever its cache
// allows: one strip of a very wide, single-strip file can be gigabytes. An input whose blocks are
// beyond what a pack may read at once is refused before any pixel is read.
#pragma once

#include <cstdint>

#include <gdal.h>

#include "pack_code.h"

// The bytes GDAL holds to read one block of `band` of `dataset`: for data interleaved by pixel,
// the block of every band at once.
std::uint64_t GdalBlockBytes(GDALDatasetH dataset, GDALRasterBandH band);

// Fails with kTooLarge, naming the block, when a band's block takes more than `budget` bytes.
PackStatus CheckBlockBudget(GDALDatasetH dataset, std::uint64_t budget);
