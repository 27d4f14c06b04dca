#!/usr/bin/env bash
# One folder of 1,000 small GeoTIFFs (mixed layouts) and 50 packages, catalogued in one run by
# tarnview-info --jsonl -r (with --jobs 1 and with the default, one job per processor) against
# (a) a shell loop of gdalinfo -json and (b) one Python process calling gdal.Info(path,
# format='json') for each file. GDAL reads the packages through our plugin, so every program
# reports every file. Prints the wall times, files per second and the speed-ups; then the same
# catalogue as STAC Items (--stac --jsonl) against --jsonl.
# Usage: bench/catalogue_vs_gdalinfo.sh [RASTERS] [PACKAGES]   (build first; TARNVIEW_BUILD=DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
rasters=${1:-1000}
packages=${2:-50}
build=${TARNVIEW_BUILD:-build}
info=$build/tarnview-info
pack=$build/tarnview-pack
python=/usr/bin/python3  # Debian's, which has GDAL's module
for program in "$info" "$pack" "$build/gdal/gdal_QVRMP.so"; do
    [ -e "$program" ] || { echo "$program is missing: build first" >&2; exit 1; }
done
export GDAL_DRIVER_PATH=$build/gdal

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnview-bench-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
dir=$tmp/catalogue
"$python" bench/make_catalogue_inputs.py "$dir" "$rasters"
for ((i = 0; i < packages; i++)); do
    source=$(printf '%s/raster_%04d.tif' "$dir" $((i * 3 % rasters)))
    "$pack" --no-aux --quality 75 "$source" "$(printf '%s/package_%02d.qvrmp' "$dir" "$i")" >/dev/null 2>&1
done
files=$(find "$dir" -type f | wc -l)

source bench/timing.sh
seconds() { awk -v n="$1" 'BEGIN { printf "%.3f", n / 1e9 }'; }

# Warm the page cache and the PROJ database for everyone alike.
"$info" --jsonl -r "$dir" >/dev/null || true

t0=$(now_ns)
for f in "$dir"/*; do gdalinfo -json "$f" >/dev/null 2>&1 || true; done
t1=$(now_ns)
"$python" - "$dir" <<'PY'
import os, sys
from osgeo import gdal
gdal.UseExceptions()
folder = sys.argv[1]
for name in sorted(os.listdir(folder)):
    try:
        gdal.Info(os.path.join(folder, name), format="json")
    except RuntimeError:
        pass
PY
t2=$(now_ns)
"$info" --jsonl --jobs 1 -r "$dir" >"$tmp/one.jsonl" || true
t3=$(now_ns)
"$info" --jsonl -r "$dir" >"$tmp/all.jsonl" || true
t4=$(now_ns)
"$info" --stac --jsonl --jobs 1 -r "$dir" >"$tmp/stac_one.jsonl" || true
t5=$(now_ns)
"$info" --stac --jsonl -r "$dir" >"$tmp/stac_all.jsonl" || true
t6=$(now_ns)

lines=$(wc -l <"$tmp/one.jsonl")
errors=$(grep -c '"error":' "$tmp/one.jsonl" || true)
cmp -s "$tmp/one.jsonl" "$tmp/all.jsonl" || echo "warning: --jobs 1 and the default differ" >&2
loop=$((t1 - t0)) python_ns=$((t2 - t1)) one=$((t3 - t2)) all=$((t4 - t3))
stac_one=$((t5 - t4)) stac_all=$((t6 - t5))
echo "files: $files ($rasters GeoTIFFs, $packages packages); tarnview-info lines: $lines, errors: $errors"
echo "jobs by default: $(nproc)"
awk -v f="$files" -v a="$loop" -v b="$python_ns" -v o="$one" -v d="$all" \
    -v so="$stac_one" -v sd="$stac_all" 'BEGIN {
    printf "(a) shell loop of gdalinfo -json:      %8.3f s  %8.1f files/s\n", a / 1e9, f * 1e9 / a;
    printf "(b) one Python process, gdal.Info:     %8.3f s  %8.1f files/s\n", b / 1e9, f * 1e9 / b;
    printf "tarnview-info --jsonl -r --jobs 1:     %8.3f s  %8.1f files/s\n", o / 1e9, f * 1e9 / o;
    printf "tarnview-info --jsonl -r (default):    %8.3f s  %8.1f files/s\n", d / 1e9, f * 1e9 / d;
    printf "speed-up over (a): %.1fx with --jobs 1, %.1fx by default\n", a / o, a / d;
    printf "speed-up over (b): %.2fx with --jobs 1, %.2fx by default\n", b / o, b / d;
    printf "tarnview-info --stac --jsonl --jobs 1: %8.3f s  %8.1f files/s\n", so / 1e9, f * 1e9 / so;
    printf "tarnview-info --stac --jsonl (default):%8.3f s  %8.1f files/s\n", sd / 1e9, f * 1e9 / sd;
    printf "--stac against --jsonl: %.2fx with --jobs 1, %.2fx by default\n", so / o, sd / d;
}'
