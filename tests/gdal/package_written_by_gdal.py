"""Packages written through the plugin by GDAL's programs and rasterio, one case a run:
  translate  gdal.Translate -of QVRMP, lossless: every level holds the input's pixels, halved
  warp       gdal.Warp -of QVRMP (Create) on the input's own grid, lossless: the same
  rasterio   rasterio's "w" mode (Create), blocks written bottom half first: the same, and the CRS
  cancel     a copy whose progress callback answers 0 leaves no file, temporary ones included
  refused    a creation option out of range is refused and leaves nothing
  identical  gdal_translate -of QVRMP makes tarnview-pack's bytes, sidecar included (both run as
             programs: importing rasterio changes how GDAL words the CRS)
Usage: package_written_by_gdal.py CASE TARNVIEW_PACK (GDAL_DRIVER_PATH set to the plugin's folder)
"""
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
import rasterio
from osgeo import gdal

gdal.UseExceptions()
case, pack = sys.argv[1], sys.argv[2]
folder = tempfile.mkdtemp(prefix="tarnview-gdal-write-")
source = os.path.join(folder, "in.tif")
out = os.path.join(folder, "out.qvrmp")
LOSSLESS = ["LOSSLESS=YES"]

# Three bands of a pattern over two tile columns, odd sizes at every level.
WIDTH, HEIGHT = 2101, 301
y, x = np.mgrid[0:HEIGHT, 0:WIDTH]
pixels = np.stack([((x * band + y * 3) % 251).astype(np.uint8) for band in (1, 2, 3)])
with rasterio.open(source, "w", driver="GTiff", width=WIDTH, height=HEIGHT, count=3, dtype="uint8",
                   crs="EPSG:32633", transform=rasterio.Affine(2.5, 0, 500000, 0, -2.5, 4001750),
                   photometric="RGB") as raster:
    raster.write(pixels)


def halve(image):
    """A level from the one below: the mean of each 2 x 2 (fewer at odd edges), rounded."""
    height, width = image.shape[1:]
    padded = np.zeros((image.shape[0], height + height % 2, width + width % 2), np.int64)
    padded[:, :height, :width] = image
    count = np.zeros(padded.shape[1:], np.int64)
    count[:height, :width] = 1
    total = padded[:, 0::2, 0::2] + padded[:, 1::2, 0::2] + padded[:, 0::2, 1::2] + padded[:, 1::2, 1::2]
    counted = count[0::2, 0::2] + count[1::2, 0::2] + count[0::2, 1::2] + count[1::2, 1::2]
    return ((2 * total + counted) // (2 * counted)).astype(np.uint8)


def expect_levels(path, expected):
    with rasterio.open(path) as package:
        assert package.driver == "QVRMP" and package.crs == "EPSG:32633", (package.driver, package.crs)
        levels = [1] + package.overviews(1)
        assert len(levels) > 1, levels
        for factor in levels:
            with rasterio.open(path, overview_level=levels.index(factor) - 1) if factor > 1 \
                    else rasterio.open(path) as level:
                got = level.read()
                assert np.array_equal(got[:3], expected), f"level 1/{factor} differs"
                assert (got[3] == 255).all(), f"level 1/{factor} is not opaque"
            expected = halve(expected)


def expect_nothing_but_input():
    assert sorted(os.listdir(folder)) == ["in.tif"], os.listdir(folder)


if case == "translate":
    gdal.Translate(out, source, format="QVRMP", creationOptions=LOSSLESS)
    expect_levels(out, pixels)
elif case == "warp":
    gdal.Warp(out, source, format="QVRMP", creationOptions=LOSSLESS, xRes=2.5, yRes=2.5,
              outputBounds=(500000, 4001750 - 2.5 * HEIGHT, 500000 + 2.5 * WIDTH, 4001750))
    expect_levels(out, pixels)
elif case == "rasterio":
    with rasterio.open(source) as raster:
        profile = dict(raster.profile, driver="QVRMP", lossless="YES")
    with rasterio.open(out, "w", **profile) as package:
        package.write(pixels[:, 150:], window=((150, HEIGHT), (0, WIDTH)))
        package.write(pixels[:, :150], window=((0, 150), (0, WIDTH)))
    expect_levels(out, pixels)
elif case in ("cancel", "refused"):
    try:
        gdal.Translate(out, source, format="QVRMP", callback=lambda share, *_: 0) \
            if case == "cancel" else gdal.Translate(out, source, format="QVRMP",
                                                    creationOptions=["QUALITY=101"])
    except RuntimeError as error:
        assert ("cancelled" if case == "cancel" else "QUALITY=101") in str(error), error
    else:
        raise AssertionError("the copy did not fail")
    expect_nothing_but_input()
elif case == "identical":
    subprocess.run(["gdal_translate", "-q", "-of", "QVRMP", source, out], check=True)
    subprocess.run([pack, source, os.path.join(folder, "packed.qvrmp")], check=True,
                   stderr=subprocess.DEVNULL)
    for suffix in ("", ".aux.xml"):
        with open(out + suffix, "rb") as a, open(os.path.join(folder, "packed.qvrmp" + suffix), "rb") as b:
            assert a.read() == b.read(), "out.qvrmp" + suffix + " differs from tarnview-pack's"
else:
    sys.exit(f"unknown case {case}")
shutil.rmtree(folder)
print(case, "ok")
