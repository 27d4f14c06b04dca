"""Writes the catalogue benchmark's folder: small GeoTIFFs of mixed layouts (tiled and striped,
with and without overviews, with and without a coordinate system, one to four bands of several
data types), deterministic from their index.

Usage: make_catalogue_inputs.py FOLDER COUNT
"""
import os
import sys

from osgeo import gdal, osr

CRS_CODES = [None, 4326, 32650, 3857, 2056]
DATA_TYPES = [gdal.GDT_Byte, gdal.GDT_UInt16, gdal.GDT_Float32]


def make(path, index):
    side = 64 + 32 * (index % 7)
    bands = 1 + index % 4
    options = ["TILED=YES", "BLOCKXSIZE=64", "BLOCKYSIZE=64"] if index % 2 == 0 else []
    if index % 5 == 0:
        options.append("COMPRESS=DEFLATE")
    dataset = gdal.GetDriverByName("GTiff").Create(
        path, side, side, bands, DATA_TYPES[index % len(DATA_TYPES)], options)
    code = CRS_CODES[index % len(CRS_CODES)]
    if code is not None:
        reference = osr.SpatialReference()
        reference.ImportFromEPSG(code)
        dataset.SetProjection(reference.ExportToWkt())
        dataset.SetGeoTransform([1000.0 * index, 10, 0, 5000000, 0, -10])
        dataset.SetMetadata({"INDEX": str(index)})
    for band in range(1, bands + 1):
        dataset.GetRasterBand(band).Fill(index % 200 + band)
    if index % 3 == 0:
        dataset.BuildOverviews("NEAREST", [2, 4])
    dataset = None


def main():
    gdal.UseExceptions()
    folder, count = sys.argv[1], int(sys.argv[2])
    os.makedirs(folder, exist_ok=True)
    for index in range(count):
        make(os.path.join(folder, f"raster_{index:04d}.tif"), index)


if __name__ == "__main__":
    main()
