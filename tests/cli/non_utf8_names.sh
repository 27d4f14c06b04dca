#!/usr/bin/env bash
# non_utf8_names.sh TARNVIEW_INFO TARNVIEW_PACK: names that are not UTF-8 (a Latin-1 byte) reach
# the system byte for byte in both programs: packing, the report, JSON, the thumbnail, a list
# and a walked folder.
set -euo pipefail
info=$(realpath "$1")
pack=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "$*"; exit 1; }

raster=$'r\xe9.tif'
package=$'p\xe9.qvrmp'
picture=$'o\xe9.png'
gdal_create -q -of GTiff -outsize 64 48 -bands 3 -burn 50 "$raster"

"$pack" "$raster" "$package" >/dev/null 2>&1 || fail "tarnview-pack could not pack $raster"
[ -f "$package" ] || fail "the package was not written under its own name"
"$info" "$package" >report.txt || fail "no report of the package"
grep -q "64" report.txt || fail "the package report lacks its size"
"$info" --json "$raster" >raster.json || fail "no JSON report of the raster"
"$info" --thumbnail "$picture" --size 32 "$package" || fail "no thumbnail"
[ "$(gdalinfo "$picture" | grep 'Size is')" = "Size is 32, 24" ] || fail "wrong thumbnail size"

printf '%s\0' "$raster" "$package" >list
[ "$("$info" --jsonl -0 --files-from list | grep -c '"error"' || true)" = 0 ] ||
    fail "a listed name failed"
mkdir folder && mv "$raster" "$package" folder/
# The text headers give the names as the system gave them.
"$info" -r folder >walk.txt || fail "a walked name failed"
grep -qa "==> folder/$raster <==" walk.txt || fail "the header does not keep the name's bytes"
