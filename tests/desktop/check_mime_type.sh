#!/usr/bin/env bash
# check_mime_type.sh MIME_XML TARNVIEW_PACK: installs the package type into a temporary XDG data
# folder and asks xdg-mime what a package is, by its name and, renamed, by its first bytes; a
# file of another kind must not be taken for one.
set -euo pipefail
mime_xml=$1
TARNVIEW_PACK=$2
source "$(dirname "$0")/make_package.sh"
for tool in update-mime-database xdg-mime mimetype; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/mime/packages"
cp "$mime_xml" "$work/data/mime/packages/tarnview.xml"
export XDG_DATA_HOME="$work/data" XDG_DATA_DIRS="$work/data:/usr/share"
# Outside a known desktop xdg-mime asks mimetype (libfile-mimeinfo-perl), which reads this database.
unset XDG_CURRENT_DESKTOP
update-mime-database "$work/data/mime"

package=$(make_package "$work")
cp "$package" "$work/renamed.bin"
printf 'not a package' >"$work/other.qvrmp.txt"
expect() {  # FILE TYPE
    local got
    got=$(xdg-mime query filetype "$1")
    if [ "$got" != "$2" ]; then
        echo "$(basename "$1"): $got, wanted $2"
        exit 1
    fi
}
expect "$package" application/x-qvrmp
expect "$work/renamed.bin" application/x-qvrmp
expect "$work/other.qvrmp.txt" text/plain
comment=$(grep -o '<comment>[^<]*</comment>' "$work/data/mime/application/x-qvrmp.xml")
[ "$comment" = "<comment>Tarnview QVRMP tile package</comment>" ] || { echo "$comment"; exit 1; }
echo "mime type: application/x-qvrmp by name and by its first bytes"
