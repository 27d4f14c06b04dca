#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tarnview. Without a display it prints the report
# of the bundled sample instead, so the main job is seen working either way.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

tarnview_install_packages
tarnview_build default

sample=samples/utm50n_overviews.tif
if [ -x build/tarnview ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec build/tarnview
fi
if [ -x build/tarnview ]; then
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): here is the report of $sample."
else
    echo "The desktop tool is not built yet: here is the report of $sample."
fi
exec build/tarnview-info "$sample"
