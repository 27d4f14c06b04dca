#!/usr/bin/env bash
# gdalinfo -stats through the plugin on a 67,108,864 x 1 package that holds no tile, against a
# sparse tiled GeoTIFF of the same size (no block written): an absent tile must cost no decode.
# Usage: bench/absent_tiles_stats.sh   (build make_hostile_inputs and gdal_QVRMP first)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TARNVIEW_BUILD:-build}
maker=$build/bench/make_hostile_inputs
for program in "$maker" "$build/gdal/gdal_QVRMP.so"; do
    [ -e "$program" ] || { echo "$program is missing: build first" >&2; exit 1; }
done
export GDAL_DRIVER_PATH=$build/gdal
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnview-bench-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
"$maker" "$tmp" >/dev/null
package=$tmp/largest_valid.qvrmp
gdal_create -q -of GTiff -outsize 67108864 1 -bands 4 -co TILED=YES -co SPARSE_OK=TRUE \
    -co BLOCKXSIZE=512 -co BLOCKYSIZE=512 "$tmp/sparse.tif"
for file in "$package" "$tmp/sparse.tif"; do
    start=$(date +%s%N)
    gdalinfo -stats "$file" >/dev/null 2>&1
    printf '%-24s %8.2f s\n' "$(basename "$file")" "$((($(date +%s%N) - start) / 1000000))e-3"
done
