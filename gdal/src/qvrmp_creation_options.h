// The driver's creation options: what tarnview-pack's options say, in GDAL's NAME=VALUE form, and
// the list GDAL shows for them (gdalinfo --format QVRMP) and checks them against.
#pragma once

#include <cpl_string.h>

#include <string>

#include "pack_options.h"
#include "result.h"

enum class CreationOptionCode {
    kRefused,  // an option's value is not one the pack takes, or the output is a virtual file
};

// "-co BANDS", as notes about the band choice name it.
std::string BandsOptionName();

// GDAL's XML list of the options, for GDAL_DMD_CREATIONOPTIONLIST.
const char* CreationOptionList();

// The pack options for writing `output` from `input` as `options` (GDAL's NAME=VALUE list) say.
// A package is always replaced, as GDAL replaces what a driver creates.
Result<PackOptions, CreationOptionCode> ReadCreationOptions(const std::string& input,
                                                            const std::string& output,
                                                            CSLConstList options);
