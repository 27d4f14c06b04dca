// Opening the input as a raster GDAL can read row by row in a north-up grid: a file of several
// subdatasets is refused with their names, and one placed only by ground control points or RPCs
// (no geotransform, or the identity that places nothing) is read through GDAL's warper.
#pragma once

#include <string>

#include <gdal.h>

#include "pack_code.h"

struct OpenedDataset {
    GDALDatasetH file = nullptr;    // the input as opened, read-only
    GDALDatasetH pixels = nullptr;  // what is read: `file`, or a warped view of it
    bool ownsFile = true;           // false: the caller's dataset, which it closes itself
    std::string note;               // said on stderr when not empty (the warping)
};

// Fails with kCannotOpen and why it cannot be packed; nothing is left open then.
PackResultOf<OpenedDataset> OpenDataset(const std::string& path);

// The same for a dataset the caller has open and closes after CloseDataset; `name` names it in
// messages.
PackResultOf<OpenedDataset> UseDataset(GDALDatasetH dataset, const std::string& name);

// Closes the warped view before the file it reads.
void CloseDataset(OpenedDataset& opened);
