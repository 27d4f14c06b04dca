#!/usr/bin/env bash
# A whole lossy package read at full resolution through GDAL (the QVRMP plugin) against GDAL
# reading a WebP COG of the same pixels at the same quality (512 x 512 blocks, RGBA like the
# package) the same way, interleaved over repeated runs: with GDAL's defaults (the plugin decodes
# on every core, GDAL's GeoTIFF driver on one), and with GDAL_NUM_THREADS=ALL_CPUS for both. Then
# a 512-wide thumbnail of each (gdal_translate -outsize 512 0), also of the package given external
# overviews down to one block, and gdalinfo on each. Prints the
# medians and their ratios (package / COG).
# Usage: bench/gdal_read_vs_cog.sh [RUNS] [SIDE]   (default 3 runs of 16384 x 16384; build first)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
side=${2:-16384}
build=${TARNVIEW_BUILD:-build}
pack=$build/tarnview-pack
reader=$build/bench/gdal_full_read
for program in "$pack" "$reader" "$build/gdal/gdal_QVRMP.so"; do
    [ -e "$program" ] || { echo "$program is missing: build first" >&2; exit 1; }
done
export GDAL_DRIVER_PATH=$build/gdal
unset GDAL_NUM_THREADS

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnview-bench-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
input=$(bench/make_texture_vrt.sh "$side" "$side" "$tmp")
quality=85
"$pack" --quality "$quality" --no-aux "$input" "$tmp/p.qvrmp" 2>/dev/null
# The input's three bands plus its (all-valid) mask as alpha: the four bands the package has.
gdal_translate -q -of COG -b 1 -b 2 -b 3 -b mask -colorinterp_4 alpha -co COMPRESS=WEBP \
    -co QUALITY="$quality" -co BLOCKSIZE=512 "$input" "$tmp/c.tif"

source bench/timing.sh
elapsed_ns() {
    local t0
    t0=$(now_ns)
    "$@" >/dev/null
    echo $(($(now_ns) - t0))
}
full_read_ns() { "$reader" "$1" | awk '{ printf "%.0f\n", $1 * 1e9 }'; }
threaded_read_ns() { GDAL_NUM_THREADS=ALL_CPUS full_read_ns "$1"; }
thumbnail_ns() { elapsed_ns gdal_translate -q -of GTiff -outsize 512 0 "$1" "$tmp/thumb.tif"; }
# The package beside external overviews down to one block (gdaladdo -ro 16 32), as a COG has.
mkdir "$tmp/ovr"
ln "$tmp/p.qvrmp" "$tmp/ovr/p.qvrmp"
gdaladdo -q -ro "$tmp/ovr/p.qvrmp" 16 32
thumbnail_ovr_ns() { thumbnail_ns "${1/\/p.qvrmp//ovr/p.qvrmp}"; }
info_ns() { elapsed_ns gdalinfo "$1"; }

measures=(full_read threaded_read thumbnail thumbnail_ovr info)
for measure in "${measures[@]}"; do
    : >"$tmp/$measure-p"
    : >"$tmp/$measure-c"
done
for ((i = 0; i < runs; i++)); do
    for measure in "${measures[@]}"; do
        "${measure}_ns" "$tmp/p.qvrmp" >>"$tmp/$measure-p"
        "${measure}_ns" "$tmp/c.tif" >>"$tmp/$measure-c"
    done
done
printf 'input: %d x %d RGB texture, WebP quality %d, %d runs, %d cores; sizes %d (package), %d (COG)\n' \
    "$side" "$side" "$quality" "$runs" "$(nproc)" "$(stat -c %s "$tmp/p.qvrmp")" \
    "$(stat -c %s "$tmp/c.tif")"
for measure in "${measures[@]}"; do
    awk -v m="$measure" -v p="$(median <"$tmp/$measure-p")" -v c="$(median <"$tmp/$measure-c")" \
        'BEGIN { printf "%-14s package %9.1f ms, COG %9.1f ms, ratio %.3f\n", m, p / 1e6, c / 1e6, p / c }'
done
