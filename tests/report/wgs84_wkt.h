// WGS 84 as GDAL writes its WKT, on one line and as the report lays it out.
#pragma once

#include <string_view>

inline constexpr std::string_view kWgs84Wkt =
    "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563,"
    "AUTHORITY[\"EPSG\",\"7030\"]],AUTHORITY[\"EPSG\",\"6326\"]],PRIMEM[\"Greenwich\",0,"
    "AUTHORITY[\"EPSG\",\"8901\"]],UNIT[\"degree\",0.0174532925199433,"
    "AUTHORITY[\"EPSG\",\"9122\"]],AXIS[\"Latitude\",NORTH],AXIS[\"Longitude\",EAST],"
    "AUTHORITY[\"EPSG\",\"4326\"]]";

inline constexpr std::string_view kWgs84WktLaidOut =
    "GEOGCS[\"WGS 84\",\r\n"
    "\tDATUM[\"WGS_1984\",\r\n"
    "\t\tSPHEROID[\"WGS 84\",6378137,298.257223563,\r\n"
    "\t\t\tAUTHORITY[\"EPSG\",\r\n"
    "\t\t\t\t\"7030\"]],\r\n"
    "\t\tAUTHORITY[\"EPSG\",\r\n"
    "\t\t\t\"6326\"]],\r\n"
    "\tPRIMEM[\"Greenwich\",0,\r\n"
    "\t\tAUTHORITY[\"EPSG\",\r\n"
    "\t\t\t\"8901\"]],\r\n"
    "\tUNIT[\"degree\",0.0174532925199433,\r\n"
    "\t\tAUTHORITY[\"EPSG\",\r\n"
    "\t\t\t\"9122\"]],\r\n"
    "\tAXIS[\"Latitude\",\r\n"
    "\t\tNORTH],\r\n"
    "\tAXIS[\"Longitude\",\r\n"
    "\t\tEAST],\r\n"
    "\tAUTHORITY[\"EPSG\",\r\n"
    "\t\t\"4326\"]]";
