// What a pack is asked to do, as tarnview-pack's command line says it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "package_writer.h"

struct ValueRange {
    double minimum = 0;
    double maximum = 0;
};

// A band choice names three colour bands, and may name an alpha band after them.
inline constexpr int kColourBands = 3;
inline constexpr int kColourAndAlphaBands = kColourBands + 1;

struct PackOptions {
    std::string input;   // anything GDAL opens as a raster, UTF-8
    std::string output;  // the package to write, UTF-8
    bool lossless = false;
    int quality = kDefaultQuality;  // 0 to 100, lossy only
    bool force = false;             // replace an existing output
    int threads = 0;                // 0: one per processor
    bool writeAux = true;           // the input's coordinate system into OUTPUT.aux.xml
    // Input bands (1-based) for red, green, blue and optionally alpha; empty: chosen by their
    // colour interpretation.
    std::vector<int> bands;
    // The value range stretched to 0..255 on every colour band; unset: the colour bands' own.
    std::optional<ValueRange> scale;
};
