#!/usr/bin/env bash
# scripts/screenshot.sh [--browse] OUT.png [FILE]: starts the desktop tool's main dialog on a
# virtual display, drops FILE on it if given, and writes a PNG of the window. --browse also opens
# the file dialog on a Chinese desktop (zh_CN) and pictures both windows. Needs no desktop.
set -euo pipefail
browse=()
if [ "${1:-}" = "--browse" ]; then
    browse=(--browse)
    export LC_ALL=zh_CN.UTF-8
    shift
fi
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "Usage: scripts/screenshot.sh [--browse] OUT.png [FILE]" >&2
    exit 2
fi
out="$(realpath -m "$1")"
file=()
if [ $# -eq 2 ]; then
    file=("$(realpath -m "$2")")
fi

cd "$(dirname "$0")/.."
source scripts/common.sh
tarnview_install_packages
tarnview_build build

# Run from the build folder, as the tool would be, so GDAL's "./data" lookup behaves the same.
cd build
xvfb-run -a -s "-screen 0 1280x1024x24" tests/ui/tarnview_screenshot "${browse[@]}" "$out" "${file[@]}"
echo "Wrote $out"
