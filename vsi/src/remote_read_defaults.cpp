#include "remote_read_defaults.h"

#include <cpl_conv.h>

#include <string>

#include "package_format.h"

namespace {

struct ConfigDefault {
    const char* name;
    std::string value;
};

// EMPTY_DIR: a file's side files are looked for only in a listing the caller hands GDAL (the
// catalogue hands it the one it walked), never by listing the folder again for each file.
const ConfigDefault kRemoteReadDefaults[] = {
    {"GDAL_DISABLE_READDIR_ON_OPEN", "EMPTY_DIR"},
    {"GDAL_INGESTED_BYTES_AT_OPEN", std::to_string(kMinHeaderLength)},
};

}  // namespace

void ApplyRemoteReadDefaults() {
    for (const ConfigDefault& setting : kRemoteReadDefaults) {
        if (CPLGetConfigOption(setting.name, nullptr) == nullptr)
            CPLSetConfigOption(setting.name, setting.value.c_str());
    }
}
