// A coordinate system as the report shows it: its WKT, its PROJ.4 form and its EPSG codes.
#pragma once

#include <optional>
#include <string>

struct CoordinateSystem {
    std::string wkt;
    std::optional<std::string> proj4;  // empty when the export fails
    // The coordinate system's own EPSG code, when its authority is EPSG; empty otherwise.
    std::optional<int> epsg;
    int geographicEpsg = -1;  // EPSG code of its geographic system, -1 when unknown
    // A projected system's unit of length in metres; empty for a geographic or other system.
    std::optional<double> metresPerUnit = std::nullopt;
};
