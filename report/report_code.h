// Why the report library could not gather a file's facts.
#pragma once

#include "result.h"

enum class ReportCode {
    kNotRegularFile,     // a FIFO, a device or a socket, refused before GDAL sees it
    kRasterCannotOpen,   // GDAL could not open the raster; the message is GDAL's
    kPackageCannotOpen,  // the package reader refused the package; the message is the reader's
};

template <typename T>
using ReportResult = Result<T, ReportCode>;
