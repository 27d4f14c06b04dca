#!/usr/bin/env bash
# Regenerates utm50n_overviews.tif: a 256 x 256 RGB gradient in UTM zone 50N, deflate
# compressed, with one overview level. Needs gdal-bin.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
LC_ALL=C awk 'BEGIN {
    printf "P6\n256 256\n255\n";
    for (y = 0; y < 256; y++)
        for (x = 0; x < 256; x++)
            printf "%c%c%c", x, y, int((x + y) / 2);
}' >"$tmp/gradient.ppm"
gdal_translate -q -of GTiff -co COMPRESS=DEFLATE -co PREDICTOR=2 -co TILED=YES -co BLOCKXSIZE=128 \
    -co BLOCKYSIZE=128 -a_srs EPSG:32650 -a_ullr 500000 4002560 502560 4000000 \
    -mo "DESCRIPTION=Tarnview sample gradient" "$tmp/gradient.ppm" utm50n_overviews.tif
gdaladdo -q --config COMPRESS_OVERVIEW DEFLATE --config PREDICTOR_OVERVIEW 2 utm50n_overviews.tif 2
