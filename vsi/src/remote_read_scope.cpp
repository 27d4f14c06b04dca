#include "remote_read_scope.h"

#include <cpl_conv.h>

#include "package_format.h"
#include "virtual_path.h"

namespace {

struct ConfigDefault {
    const char* name;
    std::string value;
};

const ConfigDefault kRemoteReadSettings[] = {
    {"GDAL_DISABLE_READDIR_ON_OPEN", "EMPTY_DIR"},
    {"GDAL_INGESTED_BYTES_AT_OPEN", std::to_string(kMinHeaderLength)},
};

}  // namespace

RemoteReadScope::RemoteReadScope(const std::string& virtualPath) {
    if (!IsRemotePath(virtualPath))
        return;
    for (const ConfigDefault& setting : kRemoteReadSettings) {
        if (CPLGetConfigOption(setting.name, nullptr) == nullptr) {
            CPLSetThreadLocalConfigOption(setting.name, setting.value.c_str());
            applied_.push_back(setting.name);
        }
    }
}

RemoteReadScope::~RemoteReadScope() {
    for (const char* name : applied_)
        CPLSetThreadLocalConfigOption(name, nullptr);
}
