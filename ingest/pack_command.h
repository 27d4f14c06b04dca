// tarnview-pack from parsed options to a result: opens the input with GDAL, checks the size and
// the output, streams the rows through the package writer and shows progress.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <gdal.h>

#include "output_file.h"
#include "pack_code.h"
#include "pack_options.h"

// The GDAL block cache a program should set for packing when the user has not chosen one
// (GDAL_CACHEMAX). Rows are read once, top to bottom (block by block for a very wide input), so
// the cache only has to hold about one strip of the input; GDAL's default (a share of the
// machine's memory) would not keep memory bounded.
inline constexpr std::int64_t kPackReadCacheBytes = std::int64_t{256} << 20;

// What the command needs from the process around it; tests put their own in.
struct PackEnvironment {
    // Text for stderr as the run goes: notes, warnings and the progress bar.
    std::function<void(const std::string&)> writeError;
    bool terminal = false;              // stderr is a terminal: draw a bar
    std::function<bool()> interrupted;  // asked before each band of rows
    WriteAtFunction writeAt;            // empty: the file layer's own
    // The share of the work done, 0 to 1, each time it moves; empty: not told.
    std::function<void(double)> progress;
    std::string program = "tarnview-pack";  // what notes and warnings start with
    std::string bandsOption = "--bands";    // how the user chooses bands, named in notes
};

// A finished pack.
struct PackReport {
    std::string summary;  // one line for stderr: what was written, how large, how fast
};

using PackResult = PackResultOf<PackReport>;

// A failure's message is one line for stderr. GDAL must be registered (GDALAllRegister) before the
// first call; GDAL's own messages are kept quiet during the call and read back into the result.
PackResult RunPack(const PackOptions& options, const PackEnvironment& environment);

// The same pack from a dataset the caller has open (options.input only names it): the package is
// the one RunPack makes of the file that dataset reads. The dataset stays open.
PackResult PackDataset(GDALDatasetH dataset, const PackOptions& options,
                       const PackEnvironment& environment);
