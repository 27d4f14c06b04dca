# Sourced by the desktop checks: make_package DIR [WIDTH HEIGHT [ALPHA]] writes DIR/scene.qvrmp, a
# package of a small raster of one colour made at test time, and prints its path. ALPHA 0 makes
# a package with no data at all. Needs TARNVIEW_PACK.
make_package() {
    local dir=$1 width=${2:-300} height=${3:-200} alpha=${4:-255}
    gdal_create -q -of GTiff -outsize "$width" "$height" -bands 4 -ot Byte -burn 40 -burn 120 \
        -burn 200 -burn "$alpha" -co PHOTOMETRIC=RGB -co ALPHA=YES "$dir/scene.tif"
    if ! "$TARNVIEW_PACK" --no-aux "$dir/scene.tif" "$dir/scene.qvrmp" >"$dir/pack.log" 2>&1; then
        cat "$dir/pack.log" >&2
        return 1
    fi
    echo "$dir/scene.qvrmp"
}
