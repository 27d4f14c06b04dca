// Keeps only the GDAL drivers a fuzz target's files are made for. An open otherwise asks every
// registered driver whether it knows the file, and under the fuzzer each driver's name and magic
// comparisons are traced for the mutator: most of a raster target's time went there.
#pragma once

#include <gdal.h>

#include <cstring>
#include <initializer_list>

inline void KeepOnlyGdalDrivers(std::initializer_list<const char*> kept) {
    for (int i = GDALGetDriverCount() - 1; i >= 0; --i) {
        GDALDriverH driver = GDALGetDriver(i);
        const char* name = GDALGetDriverShortName(driver);
        bool keep = false;
        for (const char* wanted : kept)
            keep = keep || std::strcmp(name, wanted) == 0;
        if (!keep) {
            GDALDeregisterDriver(driver);
            GDALDestroyDriver(driver);
        }
    }
}
