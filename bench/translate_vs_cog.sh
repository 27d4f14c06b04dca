#!/usr/bin/env bash
# The same RGB raster through gdal_translate twice, interleaved over repeated runs: to a package
# through the plugin (-of QVRMP) and to a WebP COG of the same quality (which also builds
# overviews); tarnview-pack beside them, which runs the same engine. Prints each median time, the
# ratio QVRMP / COG and the sizes of the outputs.
# Usage: bench/translate_vs_cog.sh [RUNS] [SIDE]   (default 3 runs of 8000 x 8000; build first)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
side=${2:-8000}
plugin_dir=${TARNVIEW_BUILD:-build}/gdal
pack=${TARNVIEW_PACK:-${TARNVIEW_BUILD:-build}/tarnview-pack}
[ -x "$pack" ] || { echo "$pack is missing: build first" >&2; exit 1; }
[ -f "$plugin_dir/gdal_QVRMP.so" ] || { echo "$plugin_dir/gdal_QVRMP.so is missing: build first" >&2; exit 1; }
export GDAL_DRIVER_PATH=$plugin_dir

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnview-bench-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
input=$(bench/make_texture_vrt.sh "$side" "$side" "$tmp")

source bench/timing.sh

: >"$tmp/qvrmp"
: >"$tmp/cog"
: >"$tmp/pack"
for ((i = 0; i < runs; i++)); do
    rm -f "$tmp/out.qvrmp" "$tmp/out.tif" "$tmp/packed.qvrmp"
    t0=$(now_ns)
    # The engine's note on the band choice (the VRT's bands say no colour) is no failure.
    gdal_translate -q -of QVRMP -co QUALITY=85 "$input" "$tmp/out.qvrmp" 2>/dev/null
    t1=$(now_ns)
    gdal_translate -q -of COG -co COMPRESS=WEBP -co QUALITY=85 "$input" "$tmp/out.tif"
    t2=$(now_ns)
    "$pack" --quality 85 "$input" "$tmp/packed.qvrmp" 2>/dev/null
    t3=$(now_ns)
    echo $((t1 - t0)) >>"$tmp/qvrmp"
    echo $((t2 - t1)) >>"$tmp/cog"
    echo $((t3 - t2)) >>"$tmp/pack"
done
same=$(cmp -s "$tmp/out.qvrmp" "$tmp/packed.qvrmp" && echo "the same bytes" || echo "DIFFERENT bytes")
qvrmp=$(median <"$tmp/qvrmp")
cog=$(median <"$tmp/cog")
packed=$(median <"$tmp/pack")
awk -v q="$qvrmp" -v c="$cog" -v p="$packed" -v n="$runs" -v side="$side" -v same="$same" \
    -v sq="$(stat -c %s "$tmp/out.qvrmp")" -v sc="$(stat -c %s "$tmp/out.tif")" 'BEGIN {
    printf "input: %d x %d RGB (VRT of a 1000 x 1000 texture), %d runs\n", side, side, n;
    printf "gdal_translate -of QVRMP median: %.2f s, package %d bytes\n", q / 1e9, sq;
    printf "gdal_translate -of COG median:   %.2f s, COG %d bytes\n", c / 1e9, sc;
    printf "tarnview-pack median:            %.2f s, package of %s\n", p / 1e9, same;
    printf "ratio (QVRMP / COG): %.3f\n", q / c;
}'
