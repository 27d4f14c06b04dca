#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exit 0 only if all pass.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh

# Each stage says when it starts, so a run's log shows where its minutes go.
stage() { echo "== $1 (${SECONDS} s)"; }

stage "packages"
tarnview_install_packages
# Warnings are errors here and in CI, not in a user's own build.
werror=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON
stage "default build"
tarnview_build default "$werror"
stage "tests"
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

# What reads bytes from files under AddressSanitizer and UndefinedBehaviorSanitizer: the package
# library, the report engine, the catalogue and the plugin; both programs below replay the hostile
# inputs. (The command-line and packer suites run once, above, to keep the script within its time.)
stage "sanitizers"
tarnview_configure asan "$werror"
cmake --build --preset asan --target package_tests report_tests catalog_tests gdal_tests \
    gdal_QVRMP tarnview-info tarnview-pack
for area in package report catalog; do
    ctest --test-dir "build-asan/tests/$area" --output-on-failure -j2
done
# The plugin inside the sanitized test program (GDAL's own programs would load it uninstrumented).
ctest --test-dir build-asan/tests/gdal --output-on-failure -j2 -R QvrmpPlugin

# Every hostile input make_hostile_inputs writes through the sanitized programs: the report, the
# thumbnailer's command for packages, tarnview-pack for the rest, and one catalogue of them all.
# Each must end with a result (0) or a message (1), never a sanitizer's finding.
stage "hostile inputs"
hostile=$(mktemp -d)
mkdir "$hostile/in"
build/bench/make_hostile_inputs "$hostile/in" >/dev/null
sanitized() {  # WHAT COMMAND...
    local what=$1 status=0
    shift
    ASAN_OPTIONS=exitcode=86 UBSAN_OPTIONS=exitcode=86 "$@" >/dev/null 2>"$hostile/.err" </dev/null ||
        status=$?
    if [ "$status" -gt 1 ]; then
        echo "hostile input $what ended with $status:"
        cat "$hostile/.err"
        exit 1
    fi
}
for file in "$hostile"/in/*; do
    name=$(basename "$file")
    sanitized "$name" build-asan/tarnview-info "$file"
    case "$name" in
        *.qvrmp) sanitized "$name (thumbnailer)" build-asan/tarnview-info --thumbnail \
            "$hostile/.png" --size 256 "$file" ;;
        *) sanitized "$name (pack)" build-asan/tarnview-pack --force "$file" "$hostile/out.qvrmp" ;;
    esac
done
sanitized "catalogue" build-asan/tarnview-info --jsonl --jobs 2 "$hostile"/in/*
echo "hostile inputs: $(ls "$hostile/in" | wc -l) replayed under the sanitizers"
rm -rf "$hostile"

# The catalogue's files read in parallel, and the plugin's decoding threads, under ThreadSanitizer
# (.ci/tsan-suppressions.txt silences only what is GDAL's own).
stage "thread sanitizer"
tarnview_configure tsan "$werror"
cmake --build --preset tsan --target catalog_tests gdal_tests gdal_QVRMP
export TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/.ci/tsan-suppressions.txt"
# (the Dask driver runs tarnview-info, which this build does not make)
ctest --test-dir build-tsan/tests/catalog --output-on-failure -j2 -E catalogue_on_dask
ctest --test-dir build-tsan/tests/gdal --output-on-failure -j2 -R QvrmpPlugin
unset TSAN_OPTIONS

# What users install, optimised: both Debian packages from the deb preset, checked by lintian, and
# each terminal program's manual page and completion against its --help.
stage "debian packages"
debs=$(mktemp -d)
scripts/make-deb.sh "$debs" "$werror"
tests/desktop/check_debian_packages.sh "$debs"
rm -rf "$debs"

# Every fuzz target for a few seconds, every seed replayed first (bench/fuzz_long.sh runs them for
# longer).
stage "fuzzing"
scripts/fuzz-short.sh
stage "done"
