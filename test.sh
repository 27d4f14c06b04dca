#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exit 0 only if all pass.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

tarnview_install_packages
tarnview_build build
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j2
