// Which input bands become red, green, blue (or grey) and alpha: by GDAL's colour interpretation,
// by position when no band says, or as the user lists them.
#pragma once

#include <string>
#include <vector>

#include <gdal.h>

#include "pack_code.h"

struct BandChoice {
    std::vector<int> colourBands;  // 1-based; one for grey or a palette, three for red, green, blue
    int alphaBand = 0;             // 0: none
    bool palette = false;          // the one colour band indexes its colour table
    std::string note;              // how the bands were chosen, when it is not plain; else empty
};

// The most bands an input may have. A pack takes at most four of them, but GDAL opens every band
// and reads every band of a block interleaved by pixel to give those four.
inline constexpr int kMaxInputBands = 4096;

// Fails with kBandsRefused, before any work band by band, when the input has more bands than a
// pack reads.
PackStatus CheckBandCount(GDALDatasetH dataset);

// `requested`: the user's R,G,B[,A] band numbers, or empty; `option` is what the user calls that
// choice (--bands). Fails with kBandsRefused when they name a band the input does not have.
PackResultOf<BandChoice> ChooseBands(GDALDatasetH dataset, const std::vector<int>& requested,
                                     const std::string& option);
