#!/usr/bin/env bash
# Packs the same RGB raster with tarnview-pack and with gdal_translate to a WebP COG (which also
# builds overviews), interleaved over repeated runs, and prints each median time, their ratio
# (tarnview-pack / gdal_translate) and the sizes of both outputs.
# Usage: bench/pack_vs_gdal_cog.sh [RUNS] [SIDE]   (default 3 runs of 20000 x 20000; build first)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
side=${2:-20000}
pack=${TARNVIEW_PACK:-build/tarnview-pack}
[ -x "$pack" ] || { echo "$pack is missing: build first" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnview-bench-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
input=$(bench/make_texture_vrt.sh "$side" "$side" "$tmp")

source bench/timing.sh

: >"$tmp/ours"
: >"$tmp/gdal"
for ((i = 0; i < runs; i++)); do
    rm -f "$tmp/out.qvrmp" "$tmp/out.tif"
    t0=$(now_ns)
    "$pack" "$input" "$tmp/out.qvrmp" 2>/dev/null
    t1=$(now_ns)
    gdal_translate -q -of COG -co COMPRESS=WEBP -co QUALITY=85 "$input" "$tmp/out.tif"
    t2=$(now_ns)
    echo $((t1 - t0)) >>"$tmp/ours"
    echo $((t2 - t1)) >>"$tmp/gdal"
done
ours=$(median <"$tmp/ours")
gdal=$(median <"$tmp/gdal")
awk -v o="$ours" -v g="$gdal" -v n="$runs" -v side="$side" \
    -v po="$(stat -c %s "$tmp/out.qvrmp")" -v pg="$(stat -c %s "$tmp/out.tif")" 'BEGIN {
    printf "input: %d x %d RGB (VRT of a 1000 x 1000 texture), %d runs\n", side, side, n;
    printf "tarnview-pack median:  %.2f s, package %d bytes\n", o / 1e9, po;
    printf "gdal_translate median: %.2f s, COG %d bytes\n", g / 1e9, pg;
    printf "ratio (tarnview-pack / gdal_translate): %.3f\n", o / g;
}'
