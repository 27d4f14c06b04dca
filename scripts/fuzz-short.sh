#!/usr/bin/env bash
# scripts/fuzz-short.sh: every fuzz target for a short run, the last stage of ./test.sh and a quick
# check on its own; bench/fuzz_long.sh runs them for longer.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
tarnview_install_packages
werror=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON

# Every fuzz target for 5 s with a fixed seed, from the committed seeds and those make_corpus
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
    if ! "build-fuzz/tests/$folder/$target" -seed=1 -max_total_time=5 -max_len=16384 \
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
