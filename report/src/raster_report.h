#pragma once

#include <QString>

#include "raster_facts.h"

// The raster report text (CR LF line ends, tab indentation) of gathered facts.
QString RenderRasterReport(const RasterFacts& facts);
