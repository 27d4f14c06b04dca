// Paths as GDAL's virtual file layer takes them: the URL forms people type (https://, s3://, ...)
// become GDAL's virtual paths (/vsicurl/, /vsis3/, ...); every other path stays as given.
#pragma once

#include <string>
#include <string_view>

struct UrlForm {
    std::string_view scheme;  // as typed, lower case
    std::string_view prefix;  // GDAL's virtual file system for it
    bool keepsScheme;         // the URL follows the prefix whole, or only what follows the scheme
};

// The one table of URL forms.
inline constexpr UrlForm kUrlForms[] = {
    {"https://", "/vsicurl/", true},
    {"http://", "/vsicurl/", true},
    {"s3://", "/vsis3/", false},
    {"gs://", "/vsigs/", false},
};

// The virtual path for a URL form; any other path unchanged.
std::string VirtualPath(const std::string& given);

// A path GDAL's virtual file layer reads (/vsi...), whether typed so or mapped from a URL.
bool IsVirtualPath(std::string_view path);

// A virtual path whose bytes come over the network (not /vsimem/, nor an archive of a local file).
bool IsRemotePath(const std::string& path);
