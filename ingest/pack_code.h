// Why a pack failed: the codes of the ingest library's results. Each failure also carries a
// one-line message for people; callers decide by the code alone.
#pragma once

#include "result.h"

enum class PackCode {
    kCannotOpen,     // the input is no raster GDAL can read as one north-up grid
    kBandsRefused,   // the bands asked for are not in the input
    kTooLarge,       // the input is larger than a package can hold
    kOutputRefused,  // OUTPUT is no place for the package (it exists, is the input, no folder...)
    kWriteFailed,    // the package could not be written; nothing was left behind
    kInterrupted,    // asked to stop; nothing was left behind
    kSidecarFailed,  // the package was written, but its .aux.xml sidecar could not be brought in
                     // line
};

template <typename T>
using PackResultOf = Result<T, PackCode>;
using PackStatus = Status<PackCode>;
