#!/usr/bin/env bash
# A whole lossy package read at full resolution through GDAL (the QVRMP plugin) against GDAL
# reading a WebP COG of the same pixels at the same quality (512 x 512 blocks, RGBA like the
# package) the same way, interleaved over repeated runs; prints both medians and their ratio
# (package / COG), then the same for gdalinfo on each.
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

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnview-bench-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
input=$(bench/make_texture_vrt.sh "$side" "$side" "$tmp")
quality=85
"$pack" --quality "$quality" --no-aux "$input" "$tmp/p.qvrmp" 2>/dev/null
# The input's three bands plus its (all-valid) mask as alpha: the four bands the package has.
gdal_translate -q -of COG -b 1 -b 2 -b 3 -b mask -colorinterp_4 alpha -co COMPRESS=WEBP \
    -co QUALITY="$quality" -co BLOCKSIZE=512 "$input" "$tmp/c.tif"

now_ns() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
gdalinfo_ns() {
    local t0
    t0=$(now_ns)
    gdalinfo "$1" >/dev/null
    echo $(($(now_ns) - t0))
}

: >"$tmp/read-p"
: >"$tmp/read-c"
: >"$tmp/info-p"
: >"$tmp/info-c"
for ((i = 0; i < runs; i++)); do
    "$reader" "$tmp/p.qvrmp" | cut -d' ' -f1 >>"$tmp/read-p"
    "$reader" "$tmp/c.tif" | cut -d' ' -f1 >>"$tmp/read-c"
    gdalinfo_ns "$tmp/p.qvrmp" >>"$tmp/info-p"
    gdalinfo_ns "$tmp/c.tif" >>"$tmp/info-c"
done
awk -v rp="$(median <"$tmp/read-p")" -v rc="$(median <"$tmp/read-c")" \
    -v ip="$(median <"$tmp/info-p")" -v ic="$(median <"$tmp/info-c")" -v n="$runs" \
    -v side="$side" -v q="$quality" -v sp="$(stat -c %s "$tmp/p.qvrmp")" \
    -v sc="$(stat -c %s "$tmp/c.tif")" 'BEGIN {
    printf "input: %d x %d RGB texture, WebP quality %d, %d runs\n", side, side, q, n;
    printf "full read, package median: %.2f s (%d bytes)\n", rp, sp;
    printf "full read, COG median:     %.2f s (%d bytes)\n", rc, sc;
    printf "ratio (package / COG): %.3f\n", rp / rc;
    printf "gdalinfo, package median: %.1f ms; COG median: %.1f ms; ratio %.3f\n",
        ip / 1e6, ic / 1e6, ip / ic;
}'
