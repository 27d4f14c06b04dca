#!/usr/bin/env bash
# scripts/make-deb.sh [OUT_DIR]: builds the release programs into build-deb/ and packs them into
# tarnview_VERSION_ARCH.deb in OUT_DIR (default: the repository root). Install it with
# apt-get install ./tarnview_*.deb, which pulls in what it depends on.
set -euo pipefail
out="$(realpath -m "${1:-.}")"
cd "$(dirname "$0")/.."
source scripts/common.sh
tarnview_install_packages

# The deb preset: Release, no tests, installed under /usr, so that GNUInstallDirs picks Debian's
# multiarch library folder and the GDAL plugin lands where Debian's GDAL looks for plugins.
tarnview_build deb
(cd build-deb && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
ls "$out"/tarnview_*.deb
