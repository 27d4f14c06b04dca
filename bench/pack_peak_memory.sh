#!/usr/bin/env bash
# Packs a large RGB raster (default 60000 x 60000, a VRT over a small texture, so the input costs
# no disk) under /usr/bin/time -v and prints the peak resident memory and the elapsed time.
# Usage: bench/pack_peak_memory.sh [SIDE | WIDTHxHEIGHT] [OUTPUT_FOLDER]
#   e.g. bench/pack_peak_memory.sh 60000, bench/pack_peak_memory.sh 1000000x1024
# (build first; the package is deleted)
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-60000}
width=${size%x*}
height=${size#*x}
pack=${TARNVIEW_PACK:-build/tarnview-pack}
[ -x "$pack" ] || { echo "$pack is missing: build first" >&2; exit 1; }

tmp=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/tarnview-memory-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
input=$(bench/make_texture_vrt.sh "$width" "$height" "$tmp")

/usr/bin/time -v "$pack" "$input" "$tmp/out.qvrmp" 2>"$tmp/time.txt"
grep -v '^\s' "$tmp/time.txt"  # the summary line
grep -E 'Maximum resident set size|Elapsed \(wall clock\)|User time|System time' "$tmp/time.txt"
awk '/Maximum resident set size/ { printf "peak resident memory: %.1f MiB\n", $NF / 1024 }' \
    "$tmp/time.txt"
