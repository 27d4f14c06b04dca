#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exit 0 only if all pass.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

tarnview_install_packages
# Warnings are errors here and in CI, not in a user's own build.
werror=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON
tarnview_build default "$werror"
scripts/install-s3rver.sh build/s3rver  # the S3-compatible server of the remote tests
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j2

# The terminal programs need no GUI toolkit: a server that catalogues or packs imagery runs them
# without Qt.
if ldd build/tarnview-info build/tarnview-pack | grep -i qt; then
    echo "the terminal programs link Qt" >&2
    exit 1
fi

# The files a desktop installs: the entry and the metainfo as their validators see them, the
# package type through xdg-mime and the thumbnailer's own Exec line (77: skipped, said why).
desktop-file-validate res/tarnview.desktop
appstreamcli validate --no-net build/res/org.tarnview.Tarnview.metainfo.xml
tests/desktop/check_mime_type.sh res/tarnview-mime.xml build/tarnview-pack || [ $? -eq 77 ]
tests/desktop/check_thumbnailer.sh res/tarnview.thumbnailer build/tarnview-info build/tarnview-pack ||
    [ $? -eq 77 ]

# The package library, the report engine, the catalogue and tarnview-info again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
tarnview_configure asan "$werror"
cmake --build --preset asan --target package_tests report_tests cli_tests pack_tests \
    tarnview_pack_tests catalog_tests gdal_tests gdal_QVRMP tarnview-info tarnview-pack
for area in package report cli ingest catalog; do
    ctest --test-dir "build-asan/tests/$area" --output-on-failure -j2
done
# The plugin inside the sanitized test program (GDAL's own programs would load it uninstrumented).
ctest --test-dir build-asan/tests/gdal --output-on-failure -j2 -R QvrmpPlugin

# Every hostile input make_hostile_inputs writes, reported and thumbnailed by the sanitized
# tarnview-info: it must end with a report (0) or a message (1), never a sanitizer's finding.
hostile=$(mktemp -d)
build/bench/make_hostile_inputs "$hostile" >/dev/null
for file in "$hostile"/*; do
    for run in "" "--thumbnail $hostile/.png"; do
        status=0
        # shellcheck disable=SC2086
        ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=86 \
            build-asan/tarnview-info $run "$file" >/dev/null 2>"$hostile/.err" || status=$?
        if [ "$status" -gt 1 ]; then
            echo "hostile input $(basename "$file") ${run:+(thumbnail) }ended with $status:"
            cat "$hostile/.err"
            exit 1
        fi
    done
done
echo "hostile inputs: $(ls "$hostile" | wc -l) replayed under the sanitizers"
rm -rf "$hostile"

# The writer's parallel encoding and the catalogue's files read in parallel under ThreadSanitizer
# (.ci/tsan-suppressions.txt silences only what is GDAL's own), and an optimised build that must
# keep compiling (built only: the suite has run above; the programs, the plugin and the desktop
# tool, which is what users run optimised, to keep the whole script within its time).
tarnview_configure tsan "$werror"
cmake --build --preset tsan --target package_tests catalog_tests
export TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/.ci/tsan-suppressions.txt"
build-tsan/tests/package/package_tests --gtest_filter='PackageWriterTest.*' --gtest_brief=1
ctest --test-dir build-tsan/tests/catalog --output-on-failure -j2
unset TSAN_OPTIONS
tarnview_configure release "$werror"
cmake --build --preset release --target tarnview-info tarnview-pack gdal_QVRMP tarnview

# Every fuzz target for 15 s with a fixed seed, from the committed seeds and those make_corpus
# writes; every seed is replayed first. bench/fuzz_long.sh runs them for longer.
tarnview_configure fuzz "$werror"
cmake --build --preset fuzz --target make_corpus package_fuzzer qvrmp_plugin_fuzzer \
    thumbnail_fuzzer report_fuzzer catalog_fuzzer text_fuzzer
seeds=build-fuzz/corpus-seeds
rm -rf "$seeds" && build-fuzz/tests/fuzz/make_corpus "$seeds"
fuzz_short() {  # TARGET FOLDER SEEDS...
    local target=$1 folder=$2
    shift 2
    rm -rf "build-fuzz/corpus-$target" && mkdir -p "build-fuzz/corpus-$target"
    if ! "build-fuzz/tests/$folder/$target" -seed=1 -max_total_time=15 -max_len=16384 \
        -timeout=25 -artifact_prefix="build-fuzz/$target-" "build-fuzz/corpus-$target" "$@" \
        >"build-fuzz/$target.log" 2>&1; then
        tail -n 60 "build-fuzz/$target.log"
        exit 1
    fi
    echo "$target: $(grep -E '^Done' "build-fuzz/$target.log")"
}
packages="$seeds/package tests/package/fuzz_corpus"
fuzz_short package_fuzzer package $packages
fuzz_short qvrmp_plugin_fuzzer gdal $packages
fuzz_short thumbnail_fuzzer preview $packages
fuzz_short report_fuzzer report $packages "$seeds/raster"
fuzz_short catalog_fuzzer catalog "$seeds/catalog"
fuzz_short text_fuzzer report tests/report/fuzz_corpus/text
