"""rasterio opens a package through the plugin: four bands, the CRS from the sidecar, the
geotransform, overviews, and the input's pixels with an opaque alpha.

Usage: rasterio_package.py PACKAGE.qvrmp INPUT.tif (GDAL_DRIVER_PATH set to the plugin's folder)
"""
import sys

import numpy as np
import rasterio

package_path, input_path = sys.argv[1], sys.argv[2]
with rasterio.open(package_path) as package, rasterio.open(input_path) as source:
    assert package.driver == "QVRMP", package.driver
    assert package.count == 4, package.count
    assert (package.width, package.height) == (source.width, source.height)
    assert package.crs == source.crs, (package.crs, source.crs)
    assert package.transform == source.transform, (package.transform, source.transform)
    assert package.overviews(1) == [2], package.overviews(1)
    pixels = package.read()
    assert np.array_equal(pixels[:3], source.read()), "colour bands differ from the input"
    assert (pixels[3] == 255).all(), "alpha is not opaque"
print("rasterio read", package_path)
