#!/usr/bin/env bash
# How soon tarnview-pack answers SIGTERM on a very wide input (default 1,000,000 x 8192, a VRT
# without sources, which reads as zeros at no cost), its peak memory until then, and whether it
# left a temporary file. The signal is sent DELAY seconds (default 3) after the temporary file
# appears, in the middle of the work.
# Usage: bench/pack_interrupt_wide.sh [WIDTH] [HEIGHT] [DELAY]   (build first)
set -euo pipefail
cd "$(dirname "$0")/.."
width=${1:-1000000}
height=${2:-8192}
delay=${3:-3}
pack=${TARNVIEW_PACK:-build/tarnview-pack}
[ -x "$pack" ] || { echo "$pack is missing: build first" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarnview-interrupt-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
cat >"$tmp/wide.vrt" <<VRT
<VRTDataset rasterXSize="$width" rasterYSize="$height">
  <VRTRasterBand dataType="Byte" band="1"/>
  <VRTRasterBand dataType="Byte" band="2"/>
  <VRTRasterBand dataType="Byte" band="3"/>
</VRTDataset>
VRT

"$pack" "$tmp/wide.vrt" "$tmp/out.qvrmp" 2>"$tmp/err.txt" &
pid=$!
until compgen -G "$tmp/.qv-*.tmp" >/dev/null; do
    kill -0 "$pid" 2>/dev/null || { echo "the pack ended before it started writing" >&2; exit 1; }
    sleep 0.01
done
sleep "$delay"
peak=$(awk '/VmHWM/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status")
start=$(date +%s.%N)
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
end=$(date +%s.%N)
left=$(find "$tmp" -name '.qv-*' | wc -l)
echo "$width x $height: SIGTERM answered in $(printf "%.2f" "$(echo "$end - $start" | bc)") s, exit status $status," \
    "peak resident memory before it $peak MiB, temporary files left: $left"
cat "$tmp/err.txt"
