#!/usr/bin/env bash
# compare_outputs.sh BASE_BUILD_DIR NEW_BUILD_DIR [WORK_DIR]
# Runs tarnview-info and tarnview-pack of two builds on one set of fixtures made here at run time,
# and checks that every output is the same: report texts, JSON, thumbnails, packages, sidecars,
# stderr and exit statuses. Usage errors may change wording: their stdout/stderr are reported as
# "expected to differ", only their exit statuses must match. Exit 0 when nothing else differs.
set -uo pipefail
[[ $# -ge 2 ]] || { echo "usage: $0 BASE_BUILD_DIR NEW_BUILD_DIR [WORK_DIR]" >&2; exit 2; }
BASE=$(realpath "$1"); NEW=$(realpath "$2")
WORK=${3:-$(mktemp -d)}; mkdir -p "$WORK"; WORK=$(realpath "$WORK")
FIX=$WORK/fixtures
PY=/usr/bin/python3   # the system Python, which has GDAL's bindings and numpy
SAMPLE=${SAMPLE:-$(realpath "$(dirname "$0")/../samples/utm50n_overviews.tif")}  # the sample raster
export LC_ALL=C.UTF-8 TZ=UTC GDAL_PAM_ENABLED=NO
unset GDAL_DRIVER_PATH
PARALLEL=${PARALLEL:-$(($(nproc) * 2))}   # fixtures run at once within one build

# ---------------------------------------------------------------- fixtures (made once, shared)
make_rasters() {  # GeoTIFFs and friends, written with GDAL's Python bindings
    "$PY" - "$FIX" <<'PYEOF'
import sys, numpy as np
from osgeo import gdal, osr
gdal.UseExceptions()
d = sys.argv[1]
UTM, GT = 'EPSG:32650', (500000, 10, 0, 4000000, 0, -10)
LCC = '+proj=lcc +lat_1=25 +lat_2=47 +lat_0=0 +lon_0=105 +x_0=0 +y_0=0 +ellps=krass +units=m +no_defs'
def tif(name, w, h, n, t, srs=None, gt=GT, co=(), md=None, bmd=None, qv=None, ovr=None, const=False):
    ds = gdal.GetDriverByName('GTiff').Create(f'{d}/{name}', w, h, n, t, list(co))
    if gt: ds.SetGeoTransform(gt)
    if srs:
        s = osr.SpatialReference(); s.SetFromUserInput(srs); ds.SetProjection(s.ExportToWkt())
    y, x = np.indices((h, w))
    for b in range(1, n + 1):
        a = np.full((h, w), 7) if const else (x * b + y * 3) % 251
        if t == gdal.GDT_CInt16: a = a + 1j * (a // 2)
        ds.GetRasterBand(b).WriteArray(a)
        if bmd: ds.GetRasterBand(b).SetMetadata(bmd)
    if md: ds.SetMetadata(md)
    if qv: ds.SetMetadata(qv, 'QV')
    if ovr: ds.BuildOverviews('AVERAGE', ovr)
    ds = None
tif('byte_utm_1b.tif', 100, 80, 1, gdal.GDT_Byte, UTM)
tif('uint16_wgs84_3b.tif', 64, 48, 3, gdal.GDT_UInt16, 'EPSG:4326', (116.0, 0.01, 0, 40.0, 0, -0.01))
tif('int16_proj4.tif', 50, 50, 1, gdal.GDT_Int16, LCC, (-100000, 30, 0, 4500000, 0, -30))
tif('float32_nocrs.tif', 40, 30, 1, gdal.GDT_Float32)
tif('float64_nogt.tif', 40, 30, 2, gdal.GDT_Float64, gt=None)
tif('cint16.tif', 20, 20, 1, gdal.GDT_CInt16, UTM)
tif('rgba_rotated.tif', 120, 90, 4, gdal.GDT_Byte, UTM, (500000, 8, 3, 4000000, 2, -8))
tif('overviews_internal.tif', 300, 200, 3, gdal.GDT_Byte, UTM, co=['TILED=YES'], ovr=[2, 4, 8])
tif('overviews_external.tif', 300, 200, 1, gdal.GDT_Byte, UTM)
tif('deflate_big.tif', 1000, 1000, 1, gdal.GDT_Byte, UTM, co=['COMPRESS=DEFLATE'], const=True)
tif('wide_2100.tif', 2100, 300, 3, gdal.GDT_Byte, UTM)
tif('metadata.tif', 30, 20, 2, gdal.GDT_Byte, 'EPSG:4326', (110, 0.1, 0, 30, 0, -0.1),
    md={'TITLE': '测试影像 café', 'EMPTY': '', 'PERCENT': '100%s %d %n'},
    bmd={'BAND_NOTE': 'ünïcode 波段', 'SCALE_HINT': '0.5'}, qv={'SOURCE': 'QV数据', 'LEVEL': '3'})
tif('badutf8_meta.tif', 10, 10, 1, gdal.GDT_Byte, md={'BROKEN': 'aZQ1Zb'}, qv={'Q': 'ZQ2Z'})
with open(f'{d}/badutf8_meta.tif', 'r+b') as f:  # same-length patch: bytes that are not UTF-8
    data = f.read().replace(b'ZQ1Z', b'\xff\xc3\x28\xfe').replace(b'ZQ2Z', b'\xe6\x96\xff\x80')
    f.seek(0); f.write(data)
tif('带 空格 影像.tif', 16, 16, 3, gdal.GDT_Byte, 'EPSG:4326', (100, 1, 0, 50, 0, -1))
PYEOF
}

vrt_with_geotransform() {  # $1 name, $2 geotransform text
    printf '<VRTDataset rasterXSize="10" rasterYSize="10"><GeoTransform>%s</GeoTransform>
  <VRTRasterBand dataType="Byte" band="1"><SimpleSource><SourceFilename relativeToVRT="1">byte_utm_1b.tif</SourceFilename>
  <SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>\n' "$2" >"$FIX/$1"
}

make_fixtures() {
    mkdir -p "$FIX/catalogue/sub" "$FIX/pk"
    cp "$SAMPLE" "$FIX/utm50n_overviews.tif"
    make_rasters || { echo "fixture rasters failed" >&2; exit 2; }
    local g="gdal_translate -q"; gdaladdo -q -ro "$FIX/overviews_external.tif" 2 4  # a .ovr file
    cp "$FIX/byte_utm_1b.tif" "$FIX/"$'bad\xff\xfename.tif'   # a name that is not UTF-8
    $g -of PNG "$FIX/utm50n_overviews.tif" "$FIX/sample.png"
    $g -of JPEG "$FIX/utm50n_overviews.tif" "$FIX/sample.jpg"
    $g -of ENVI "$FIX/uint16_wgs84_3b.tif" "$FIX/envi_multi.img"
    gdalbuildvrt -q "$FIX/mosaic.vrt" "$FIX/byte_utm_1b.tif"
    vrt_with_geotransform nan_geotransform.vrt "nan, 1, 0, nan, 0, -1"
    vrt_with_geotransform odd_geotransform.vrt "-0.0, 1e-300, 0, 1e300, 0, 0"
    printf '<VRTDataset rasterXSize="10" rasterYSize="10"></VRTDataset>\n' >"$FIX/no_bands.vrt"
    : >"$FIX/empty.tif"; head -c 3000 "$FIX/overviews_internal.tif" >"$FIX/truncated.tif"
    head -c 100 "$FIX/overviews_internal.tif" >"$FIX/truncated_header.tif"
    cp "$FIX"/{byte_utm_1b.tif,sample.png,metadata.tif} "$FIX/catalogue/"
    cp "$FIX"/{sample.jpg,empty.tif} "$FIX/catalogue/sub/"; : >"$FIX/catalogue/.hidden.tif"
    make_packages
}

damaged() {  # damaged NAME OFFSET BYTES: a copy of the sample package with BYTES (printf escapes) at OFFSET
    cp "$FIX/pk/sample.qvrmp" "$FIX/pk/$1.qvrmp"
    printf '%b' "$3" | dd of="$FIX/pk/$1.qvrmp" bs=1 seek="$2" conv=notrunc status=none
}

make_packages() {  # packages made by BASE's packer, then damaged copies of them
    local p="$BASE/tarnview-pack --threads 2" k=$FIX/pk
    { $p "$FIX/utm50n_overviews.tif" "$k/sample.qvrmp"; $p --lossless "$FIX/rgba_rotated.tif" "$k/lossless_rgba.qvrmp"
      $p --quality 5 "$FIX/utm50n_overviews.tif" "$k/quality5.qvrmp"; $p "$FIX/wide_2100.tif" "$k/wide_2100.qvrmp"
      $p --bands 3,2,1 --scale 0,400 "$FIX/uint16_wgs84_3b.tif" "$k/bands_scaled.qvrmp"
      $p --no-aux "$FIX/float32_nocrs.tif" "$k/float32.qvrmp"; } 2>/dev/null
    local s=$k/sample.qvrmp  # header fields: magic 0, magic2 4, width 8, top level 16, length 20, gt 24
    damaged bad_magic 0 'XXXX';  damaged bad_magic2 4 '\x4c\x59\x4c\x4c';  damaged bad_toplevel 16 '\x03'
    damaged bad_headerlen 20 '\x01\x02';  damaged zero_width 8 '\0\0\0\0';  damaged nan_gt 24 '\0\0\0\0\0\0\xf8\x7f'
    damaged garbled_tile 65700 'garbage!garbage!';  damaged huge_index 1024 '\xff\xff\xff\x7f\0\0\0\0'
    head -c 500 "$s" >"$k/truncated_header.qvrmp"; head -c 66000 "$s" >"$k/truncated_tiles.qvrmp"; : >"$k/empty.qvrmp"
    cp "$s" "$k/.qvrmp"; cp "$s" "$k/x.qvrmp"; cp "$s" "$k/upper.QVRMP"; cp "$s" "$k/no_extension"
}

# ------------------------------------------------------------------------------------- runs
run() {  # run ID DIR CMD...: record stdout, stderr and exit status of CMD run in DIR
    local id=$1 dir=$2; shift 2
    (cd "$dir" && timeout 300 "$@" </dev/null >"$OUT/$id.out" 2>"$OUT/$id.err"; echo $? >"$OUT/$id.rc")
}

fixture_list() {  # every path reported on, one a line, in a fixed order
    find "$FIX" -maxdepth 2 -mindepth 1 ! -path "$FIX/catalogue*" | LC_ALL=C sort
    printf '%s\n' "$FIX/does_not_exist.tif" "$FIX/missing.qvrmp" "$FIX/catalogue"
}

safe_name() { printf '%s' "$1" | LC_ALL=C tr -c 'A-Za-z0-9._-' '_'; }

fixture_cases() {  # fixture_cases INFO SIDE ID PATH: the report forms, and thumbnails of packages
    local info=$1 t=$2/thumbs id=$3 f=$4
    run "info.$id.text" "$FIX" "$info" "$f"
    run "info.$id.crlf" "$FIX" "$info" --crlf "$f"
    run "info.$id.json" "$FIX" "$info" --json "$f"
    run "info.$id.compact.json" "$FIX" "$info" --json --compact "$f"
    [[ $f == *.qvrmp ]] || return 0
    run "thumb.$id.buffer" "$t" "$info" --thumbnail "$id.buffer.png" "$f"
    run "thumb.$id.view" "$t" "$info" --thumbnail-view "$id.view.png" "$f"
    run "thumb.$id.view256" "$t" "$info" --thumbnail-view "$id.view256.png" --size 256 "$f"
    run "thumb.$id.buffer100" "$t" "$info" --thumbnail "$id.buffer100.png" --size 100 "$f"
}

catalogue_cases() {  # several files at once: folders, path lists, text, JSON, JSON Lines
    local info=$1 side=$2 c=$FIX/catalogue
    local many=("$FIX/byte_utm_1b.tif" "$FIX/pk/sample.qvrmp" "$FIX/empty.tif" "$FIX/metadata.tif" "$FIX/does_not_exist.tif")
    run cat.jsonl_r_jobs1.jsonl "$FIX" "$info" --jsonl -r --jobs 1 "$c"
    run cat.jsonl_r_parallel.jsonl "$FIX" "$info" --jsonl -r --jobs 4 "$c" "$FIX/pk"
    run cat.json_many.json "$FIX" "$info" --json --jobs 1 "${many[@]}"
    run cat.json_compact_many.json "$FIX" "$info" --json --compact --jobs 2 "${many[@]}"
    run cat.text_many "$FIX" "$info" --jobs 1 "${many[@]}"
    run cat.text_r "$FIX" "$info" -r --jobs 3 "$c"
    run cat.json_r_relative.json "$FIX" "$info" --json -r --jobs 1 catalogue
    fixture_list >"$side/list.txt"; fixture_list | tr '\n' '\0' >"$side/list0.txt"
    run cat.files_from.jsonl "$FIX" "$info" --jsonl --jobs 2 --files-from "$side/list.txt"
    run cat.files_from_nul "$FIX" "$info" --jobs 2 --files-from "$side/list0.txt" -0
    run cat.files_from_missing "$FIX" "$info" --files-from "$FIX/no_such_list.txt"
}

run_build() {  # run_build BUILD_DIR SIDE: every case of one build, results in $WORK/SIDE
    local info=$1/tarnview-info side=$WORK/$2 n=0 f
    OUT=$side/results; rm -rf "$side"; mkdir -p "$OUT" "$side/thumbs" "$side/packs"
    while IFS= read -r f; do  # a few fixtures at a time: each run writes its own files
        n=$((n + 1))
        while (($(jobs -rp | wc -l) >= PARALLEL)); do wait -n; done
        fixture_cases "$info" "$side" "$(printf 'f%03d_%s' "$n" "$(safe_name "${f#"$FIX"/}")")" "$f" &
    done < <(fixture_list)
    catalogue_cases "$info" "$side" &
    wait
    run thumb.not_a_package "$side/thumbs" "$info" --thumbnail t.png "$FIX/byte_utm_1b.tif"
    if [[ -f $1/gdal/gdal_QVRMP.so ]]; then  # the GDAL plugin, loaded as users load it
        run plugin.no_extension "$FIX" env GDAL_DRIVER_PATH="$1/gdal" "$info" "$FIX/pk/no_extension"
        run plugin.upper.json "$FIX" env GDAL_DRIVER_PATH="$1/gdal" "$info" --json "$FIX/pk/upper.QVRMP"
    fi
    pack_cases "$1/tarnview-pack" "$side/packs"
    usage_cases "$info" "$1/tarnview-pack"
}

pack_one() {  # pack_one NAME DIR OUTPUT CMD...: run, then keep the package's md5 and sidecar
    local name=$1 d=$2 out=$3; shift 3
    run "pack.$name" "$d" "$@"
    sed -i -E 's/, [0-9]+\.[0-9] s(,|$)/, N.N s\1/' "$OUT/pack.$name.err"  # elapsed time varies
    (cd "$d" && md5sum "$out" 2>&1 | sed 's/:.*//') >"$OUT/pack.$name.md5"
    if [[ -f $d/$out.aux.xml ]]; then cp "$d/$out.aux.xml" "$OUT/pack.$name.aux.xml"; fi
}

pack_cases() {  # pack_cases PACK DIR: outputs are relative names, so printed paths match
    local p=$1 d=$2 s=$FIX/utm50n_overviews.tif
    local -a cases=(
        "default|p_default.qvrmp|$s"          "lossless|p_lossless.qvrmp|--lossless $s"
        "quality0|p_q0.qvrmp|--quality 0 $s"  "quality100|p_q100.qvrmp|--quality 100 $s"
        "rgba_rotated|p_rgba.qvrmp|$FIX/rgba_rotated.tif"
        "bands_scale|p_bands.qvrmp|--bands 3,2,1 --scale 0,400 $FIX/uint16_wgs84_3b.tif"
        "bands_alpha|p_bands_alpha.qvrmp|--bands 1,2,3,4 $FIX/rgba_rotated.tif"
        "auto_scale_float|p_float.qvrmp|$FIX/float64_nogt.tif"
        "int16_proj4|p_int16.qvrmp|$FIX/int16_proj4.tif"  "no_aux|p_noaux.qvrmp|--no-aux $s"
        "wide_threads1|p_wide1.qvrmp|$FIX/wide_2100.tif"  "wide_threads4|p_wide4.qvrmp|$FIX/wide_2100.tif"
        "png|p_png.qvrmp|$FIX/sample.png"     "jpeg|p_jpeg.qvrmp|$FIX/sample.jpg"
        "vrt_nan_gt|p_nan.qvrmp|$FIX/nan_geotransform.vrt"  "envi|p_envi.qvrmp|$FIX/envi_multi.img"
        "exists_no_force|p_default.qvrmp|$s"  "exists_force|p_default.qvrmp|--force --quality 50 $s"
        "bad_band|p_badband.qvrmp|--bands 5,6,7 $s"  "cint16|p_cint16.qvrmp|$FIX/cint16.tif"
        "missing_input|p_missing.qvrmp|$FIX/does_not_exist.tif"  "empty_input|p_empty.qvrmp|$FIX/empty.tif"
        "no_dir|nodir/p.qvrmp|$s"             "constant|p_const.qvrmp|$FIX/deflate_big.tif")
    local c name out args
    for c in "${cases[@]}"; do
        IFS='|' read -r name out args <<<"$c"
        local threads=2; [[ $name == wide_threads[14] ]] && threads=${name: -1}
        # shellcheck disable=SC2086  # args are split on purpose; fixture paths here have no blanks
        pack_one "$name" "$d" "$out" "$p" --threads "$threads" $args "$out"
    done
    pack_one chinese_name "$d" "输出 包.qvrmp" "$p" --threads 2 "$FIX/带 空格 影像.tif" "输出 包.qvrmp"
    (cd "$d" && find . | LC_ALL=C sort) >"$OUT/pack.files_left.list"  # no stray temporaries
}

usage_cases() {  # wording may change here: only the exit status must stay
    local i=$1 p=$2
    run usage.info_no_args "$FIX" "$i";            run usage.pack_no_args "$FIX" "$p"
    run usage.info_unknown "$FIX" "$i" --bogus x;  run usage.pack_unknown "$FIX" "$p" --bogus a b
    run usage.info_size0 "$FIX" "$i" --thumbnail t.png --size 0 x.qvrmp
    run usage.info_json_jsonl "$FIX" "$i" --json --jsonl x.tif;  run usage.info_jobs0 "$FIX" "$i" --jobs 0 a b
    run usage.info_crlf_many "$FIX" "$i" --crlf a.tif b.tif;     run usage.info_compact "$FIX" "$i" --compact x.tif
    run usage.pack_one_path "$FIX" "$p" in.tif;    run usage.pack_quality101 "$FIX" "$p" --quality 101 a b
    run usage.pack_quality_lossless "$FIX" "$p" --quality 5 --lossless a b
    run usage.pack_bad_bands "$FIX" "$p" --bands 1,2 a b;  run usage.pack_bad_scale "$FIX" "$p" --scale 5,1 a b
}

fixture_sums() { (cd "$FIX" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum); }

# -------------------------------------------------------------------------------- comparing
TOTAL=0 SAME=0 FAILS=0 EXPECTED=0
show_diff() {  # a short diff of two outputs, carriage returns shown as \r
    if [[ $1 == *.png ]]; then echo "      pictures differ: $(stat -c %s "$1") vs $(stat -c %s "$2") bytes"
    else diff -a -u --label BASE --label NEW "$1" "$2" | sed -n '3,14p' | sed 's/\r/\\r/g; s/^/      /' | cut -c1-240
    fi
}

json_verdict() {  # equal parsed values despite different bytes? (a document or JSON Lines)
    "$PY" - "$1" "$2" <<'PYEOF'
import json, sys
def load(p):
    t = open(p, 'rb').read().decode('utf-8', 'surrogateescape')
    try: return json.loads(t)
    except ValueError: return [json.loads(l) for l in t.splitlines() if l.strip()]
try: print('same JSON values: key order or number format differ' if load(sys.argv[1]) == load(sys.argv[2]) else 'JSON values differ')
except ValueError as e: print(f'not parseable as JSON ({e})')
PYEOF
}

compare_one() {  # compare_one NAME BASEFILE NEWFILE
    local name=$1 a=$2 b=$3 note=""
    TOTAL=$((TOTAL + 1))
    if [[ -f $a && -f $b ]] && cmp -s "$a" "$b"; then SAME=$((SAME + 1)); return; fi
    [[ -f $b ]] || note=" (missing in NEW)"; [[ -f $a ]] || note=" (missing in BASE)"
    if [[ $name == usage.*.out || $name == usage.*.err ]]; then
        EXPECTED=$((EXPECTED + 1)); echo "  expected to differ: $name$note"
    else
        FAILS=$((FAILS + 1))
        [[ -z $note && $name == *json*.out ]] && note=" [$(json_verdict "$a" "$b")]"
        echo "  DIFFERS: $name$note"
    fi
    [[ -f $a && -f $b ]] && show_diff "$a" "$b"
}

compare_dir() {  # compare_dir SUBDIR LABEL: every file that either side wrote there
    local name
    while IFS= read -r name; do compare_one "$2$name" "$WORK/base/$1/$name" "$WORK/new/$1/$name"
    done < <( (ls "$WORK/base/$1"; ls "$WORK/new/$1") | LC_ALL=C sort -u)
}

compare_all() {
    compare_dir results ""; compare_dir thumbs "png:"
    compare_one "fixtures untouched by BASE" "$WORK/sums.before" "$WORK/sums.base"
    compare_one "fixtures untouched by NEW" "$WORK/sums.before" "$WORK/sums.new"
}

# ------------------------------------------------------------------------------------- main
for b in "$BASE" "$NEW"; do
    [[ -x $b/tarnview-info && -x $b/tarnview-pack ]] || { echo "no tarnview-info/pack in $b" >&2; exit 2; }
done
start=$SECONDS
rm -rf "$FIX"; mkdir -p "$FIX"; make_fixtures
fixture_sums >"$WORK/sums.before"
run_build "$BASE" base; fixture_sums >"$WORK/sums.base"
run_build "$NEW" new;   fixture_sums >"$WORK/sums.new"
echo "Comparing BASE=$BASE with NEW=$NEW (work folder $WORK)"
compare_all
echo "$TOTAL comparisons, $SAME identical, $FAILS different, $EXPECTED usage texts expected to differ ($((SECONDS - start)) s)"
[[ $FAILS -eq 0 ]]
