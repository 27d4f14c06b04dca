#!/usr/bin/env bash
# Times tarnview-info against gdalinfo on the same GeoTIFF with overviews, interleaved over
# repeated runs, and prints each median and their ratio (tarnview-info / gdalinfo).
# Usage: bench/info_vs_gdalinfo.sh [RUNS] [RASTER]   (build first: ./test.sh or ./run.sh;
# TARNVIEW_BUILD=DIR times another build)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-41}
raster=${2:-}
info=${TARNVIEW_BUILD:-build}/tarnview-info
[ -x "$info" ] || { echo "$info is missing: build first" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
if [ -z "$raster" ]; then
    raster="$tmp/bench.tif"
    gdal_create -q -of GTiff -outsize 4096 4096 -bands 3 -burn 90 -burn 120 -burn 60 \
        -a_srs EPSG:32650 -a_ullr 500000 4040960 540960 4000000 \
        -co TILED=YES -co COMPRESS=DEFLATE "$raster"
    gdaladdo -q "$raster" 2 4 8 16
fi

source bench/timing.sh

: >"$tmp/ours"
: >"$tmp/gdal"
for ((i = 0; i < runs; i++)); do
    t0=$(now_ns); "$info" "$raster" >/dev/null; t1=$(now_ns)
    gdalinfo "$raster" >/dev/null; t2=$(now_ns)
    echo $((t1 - t0)) >>"$tmp/ours"
    echo $((t2 - t1)) >>"$tmp/gdal"
done
ours=$(median <"$tmp/ours")
gdal=$(median <"$tmp/gdal")
awk -v o="$ours" -v g="$gdal" -v n="$runs" 'BEGIN {
    printf "runs: %d\ntarnview-info median: %.2f ms\ngdalinfo median:      %.2f ms\n", n, o / 1e6, g / 1e6;
    printf "ratio (tarnview-info / gdalinfo): %.3f\n", o / g;
}'
