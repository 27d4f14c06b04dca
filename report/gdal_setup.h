#pragma once

// Registers every GDAL driver and points GDAL at "./data" for its support files, relative to
// the current directory at the moment GDAL looks.
void InitGdal();
