#!/usr/bin/env bash
# A package made by tarnview-pack read end to end by GDAL programs through the plugin:
#   translate  gdal_translate -of GTiff gives the input's pixels, geotransform and CRS back
#   rasterio   Python's rasterio opens it and reads the same (rasterio_package.py)
# Usage: package_in_gdal_programs.sh MODE TARNVIEW_PACK PLUGIN_DIR
set -euo pipefail
mode=$1
pack=$2
export GDAL_DRIVER_PATH=$3
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnview-gdal-XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# Three bands of a pattern over two tile columns, with a CRS and a geotransform.
python=/usr/bin/python3  # Debian's, which has GDAL's and rasterio's modules
gdal_create -q -of GTiff -outsize 2600 700 -bands 3 -ot Byte -a_srs EPSG:32633 \
    -a_ullr 500000 4001750 506500 4000000 "$tmp/in.tif"
"$python" - "$tmp/in.tif" <<'PY'
import sys
import numpy as np
from osgeo import gdal
ds = gdal.Open(sys.argv[1], gdal.GA_Update)
y, x = np.mgrid[0:ds.RasterYSize, 0:ds.RasterXSize]
for band in range(1, 4):
    ds.GetRasterBand(band).WriteArray(((x * band + y * 3) % 251).astype(np.uint8))
PY
"$pack" --lossless "$tmp/in.tif" "$tmp/p.qvrmp" 2>"$tmp/pack.log"
grep -q "coordinate system in $tmp/p.qvrmp.aux.xml" "$tmp/pack.log"

case "$mode" in
translate)
    gdal_translate -q -of GTiff "$tmp/p.qvrmp" "$tmp/out.tif"
    # Neither file has overviews, so the checksums come band by band.
    info_in=$(gdalinfo -checksum "$tmp/in.tif")
    info_out=$(gdalinfo -checksum "$tmp/out.tif")
    sums_in=$(grep -o "Checksum=[0-9]*" <<<"$info_in")
    sums_out=$(grep -o "Checksum=[0-9]*" <<<"$info_out" | head -n 3)
    [ "$sums_in" = "$sums_out" ] || { echo "checksums $sums_in against $sums_out"; exit 1; }
    grep -q "ColorInterp=Alpha" <<<"$info_out"
    grep -q 'ID\["EPSG",32633\]' <<<"$info_out"
    grep -q "Origin = (500000.000000000000000,4001750.000000000000000)" <<<"$info_out"
    # An overview is used for a smaller output.
    gdal_translate -q -of GTiff -outsize 650 175 "$tmp/p.qvrmp" "$tmp/small.tif"
    gdalinfo "$tmp/small.tif" | grep -q "Size is 650, 175"
    ;;
rasterio)
    "$python" "$here/rasterio_package.py" "$tmp/p.qvrmp" "$tmp/in.tif"
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
echo "$mode: ok"
