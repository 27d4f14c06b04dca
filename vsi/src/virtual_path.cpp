#include "virtual_path.h"

#include <cpl_vsi.h>

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view kVirtualPrefix = "/vsi";

bool StartsWithNoCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() &&
           std::equal(start.begin(), start.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace

std::string VirtualPath(const std::string& given) {
    for (const UrlForm& form : kUrlForms) {
        if (StartsWithNoCase(given, form.scheme)) {
            const std::string_view rest =
                std::string_view(given).substr(form.keepsScheme ? 0 : form.scheme.size());
            return std::string(form.prefix) + std::string(rest);
        }
    }
    return given;
}

bool IsVirtualPath(std::string_view path) {
    return path.starts_with(kVirtualPrefix);
}

bool IsRemotePath(const std::string& path) {
    return IsVirtualPath(path) && !VSIIsLocal(path.c_str());
}
