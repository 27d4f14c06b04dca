#include "gdal_setup.h"

#include <cpl_conv.h>
#include <gdal.h>

void InitGdal() {
    GDALAllRegister();
    CPLSetConfigOption("GDALDATA", "./data");
}
