// A file's facts as a STAC Item (SpatioTemporal Asset Catalog): its outline in longitude and
// latitude, its time, its grid (projection extension) and the file itself as the one asset
// "data" (file and raster extensions). Rendered from the same facts as the report.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "report.h"

// The version of STAC the Items follow.
inline constexpr char kStacVersion[] = "1.0.0";

// An Item's id made from a path: the path as UTF-8, with "%" and every byte that is not part of
// well-formed UTF-8 or is a control character written as "%XX", so that distinct paths give
// distinct ids.
std::string StacItemId(const std::string& path);

// The Item of a file that opened (facts.Failed() is false), with the given id.
nlohmann::json RenderStacItem(const FileFacts& facts, const std::string& id);
