#!/usr/bin/env bash
# scripts/make-deb.sh [OUT_DIR [CMAKE_OPTION...]]: builds the release programs into build-deb/ and
# packs them into two Debian packages in OUT_DIR (default: the repository root):
# tarnview-tools_VERSION_ARCH.deb (the terminal programs, the GDAL plugin, the package type and
# thumbnailer; no Qt) and tarnview_VERSION_ARCH.deb (the desktop tool). Install them with
# apt-get install ./tarnview*.deb, which pulls in what they depend on.
set -euo pipefail
out="$(realpath -m "${1:-.}")"
shift || true
cd "$(dirname "$0")/.."
source scripts/common.sh
tarnview_install_packages

# The deb preset: Release with Debian's hardening flags, no tests, installed under /usr, so that
# GNUInstallDirs picks Debian's multiarch library folder and the GDAL plugin lands where Debian's
# GDAL looks for plugins.
tarnview_build deb "$@"
(cd build-deb && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
ls "$out"/tarnview-tools_*.deb "$out"/tarnview_*.deb
