#!/usr/bin/env bash
# check_thumbnailer.sh THUMBNAILER TARNVIEW_INFO TARNVIEW_PACK: runs the thumbnailer's Exec line
# as a file manager does (%i the package, %o the PNG, %s the size) for a wide package and for a
# tall one with no data and no extension, and checks that the PNG's longer side is the size asked
# for and that its alpha is the package's: opaque where it has data, transparent where not.
# Exits 77 (skipped) when tarnview-info has no --size yet.
set -euo pipefail
thumbnailer=$1
TARNVIEW_INFO=$2
TARNVIEW_PACK=$3
source "$(dirname "$0")/make_package.sh"

if ! "$TARNVIEW_INFO" --help | grep -q -- '--size'; then
    echo "skipped: this tarnview-info has no --size option yet"
    exit 77
fi
exec_line=$(sed -n 's/^Exec=//p' "$thumbnailer")
[ -n "$exec_line" ] || { echo "no Exec line in $thumbnailer"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for shape in "300 200 255" "120 400 0"; do
    # shellcheck disable=SC2086
    package=$(make_package "$work" $shape)
    alpha=${shape##* }
    if ((alpha == 0)); then # known by its content alone
        mv "$package" "$work/scene"
        package=$work/scene
    fi
    for size in 128 256; do
        out="$work/thumb-$size.png"
        rm -f "$out"
        command=${exec_line//%i/$package}
        command=${command//%o/$out}
        command=${command//%s/$size}
        command=${command/#tarnview-info/$TARNVIEW_INFO}
        # shellcheck disable=SC2086
        $command
        # Debian's own Python, which has Debian's GDAL bindings.
        /usr/bin/python3 - "$out" "$size" "$alpha" <<'PY'
import sys
from osgeo import gdal
gdal.UseExceptions()
path, size, wanted = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
png = gdal.Open(path)
longer = max(png.RasterXSize, png.RasterYSize)
if png.GetDriver().ShortName != "PNG" or longer != size:
    sys.exit(f"{path}: {png.GetDriver().ShortName} {png.RasterXSize}x{png.RasterYSize}, "
             f"longer side {longer}, wanted {size}")
alpha = [png.GetRasterBand(b) for b in range(1, png.RasterCount + 1)
         if png.GetRasterBand(b).GetColorInterpretation() == gdal.GCI_AlphaBand]
span = alpha[0].ComputeRasterMinMax(False) if alpha else (255, 255)
if span != (wanted, wanted):
    sys.exit(f"{path}: alpha from {span[0]:g} to {span[1]:g}, wanted {wanted} throughout")
PY
    done
    rm -f "$package"
done
echo "thumbnailer: PNGs of the asked size, opaque for a wide package, transparent for an empty one"
