// The range of values a band holds, from which data other than bytes is stretched to 0..255.
// Infinities and NaN are no values: they are left out, and such pixels become transparent.
#pragma once

#include <gdal.h>

#include "pack_options.h"

// Stored statistics if there are finite ones, otherwise GDAL's approximate minimum and maximum,
// and when that is not finite an exact pass over the finite values. Nothing is written back.
// A band without a finite value gives 0, 0.
ValueRange FindValueRange(GDALRasterBandH band);

// The smallest range holding both.
ValueRange Union(const ValueRange& a, const ValueRange& b);
