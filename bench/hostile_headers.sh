#!/usr/bin/env bash
# Runs every hostile input that bench/make_hostile_inputs writes through every way a user meets a
# file: the text report, the JSON report, the installed thumbnailer's command, a catalogue,
# tarnview-pack, and GDAL's own gdalinfo -stats through the plugin. Each run must end within a
# second and within 100 MB of memory.
# Usage: bench/hostile_headers.sh   (build first)
set -euo pipefail
cd "$(dirname "$0")/.."
info=build/tarnview-info
pack=build/tarnview-pack
make=build/bench/make_hostile_inputs
plugin_dir=$(dirname "$(find build/gdal -name gdal_QVRMP.so | head -n 1)")
[ -x "$info" ] && [ -x "$pack" ] && [ -x "$make" ] && [ -f "$plugin_dir/gdal_QVRMP.so" ] ||
    { echo "build first (./test.sh)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
inputs="$tmp/inputs"
mkdir "$inputs"
"$make" "$inputs" >/dev/null
worst_s=0
worst_kb=0
failures=0
runs=0
measure() {  # NAME COMMAND...
    local name=$1
    shift
    /usr/bin/time -f "%e %M" -o "$tmp/.time" "$@" >/dev/null 2>&1 </dev/null || true
    read -r seconds kb < <(tail -n 1 "$tmp/.time")
    status=ok
    if awk -v s="$seconds" 'BEGIN { exit !(s >= 1.0) }' || [ "$kb" -ge 102400 ]; then
        status=OVER
        failures=$((failures + 1))
    fi
    runs=$((runs + 1))
    printf '%-52s %6s s %8s KB  %s\n' "$name" "$seconds" "$kb" "$status"
    if awk -v s="$seconds" -v w="$worst_s" 'BEGIN { exit !(s > w) }'; then worst_s=$seconds; fi
    if [ "$kb" -gt "$worst_kb" ]; then worst_kb=$kb; fi
}
for file in "$inputs"/*; do
    name=$(basename "$file")
    measure "$name" "$info" "$file"
    measure "$name (json)" "$info" --json "$file"
    measure "$name (catalogue)" "$info" --jsonl --jobs 2 "$file"
    measure "$name (pack)" "$pack" --force "$file" "$tmp/out.qvrmp"
    rm -f "$tmp/out.qvrmp" "$tmp/out.qvrmp.aux.xml"
    case "$name" in
        *.qvrmp)
            measure "$name (thumbnailer)" "$info" --thumbnail-view "$tmp/.png" --size 256 "$file"
            measure "$name (gdalinfo -stats)" env GDAL_DRIVER_PATH="$plugin_dir" \
                GDAL_PAM_ENABLED=NO gdalinfo -stats "$file"
            ;;
    esac
done
echo "$runs runs; worst: $worst_s s, $worst_kb KB; over the limits: $failures"
[ "$failures" -eq 0 ]
