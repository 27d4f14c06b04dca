#pragma once

#include <string>
#include <string_view>

#include "raster_facts.h"

// The raster report text (CR LF line ends, tab indentation) of gathered facts.
std::string RenderRasterReport(const RasterFacts& facts);
