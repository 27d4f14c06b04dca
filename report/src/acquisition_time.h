// When a raster was taken, as its own metadata says: the first entry of a short table of
// metadata items that hold a date and time, written as RFC 3339 in UTC.
#pragma once

#include <gdal.h>

#include <cstdint>
#include <string>

// "2021-06-30T10:20:30Z" from the dataset's first acquisition item that parses; empty when it has
// none. A time without a zone is taken as UTC; fractions of a second are dropped.
std::string FindAcquisitionTime(GDALDatasetH dataset);

// A moment given in seconds since 1970 as RFC 3339 in UTC: "1970-01-01T00:00:00Z".
std::string Rfc3339FromSeconds(std::int64_t seconds);
