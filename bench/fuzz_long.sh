#!/usr/bin/env bash
# Runs every libFuzzer target for a number of executions, from the committed corpora and the seeds
# tests/fuzz/make_corpus writes (into build-fuzz/corpus-seeds/), growing each target's corpus in
# build-fuzz/long/. Prints each target's executions, time and rate, any crash, and the totals.
#
# Usage: bench/fuzz_long.sh [RUNS] [TARGET=RUNS ...]
#   RUNS         executions per target (default 1000000)
#   TARGET=RUNS  another count for one target, e.g. qvrmp_plugin_fuzzer=500000
#   FUZZ_JOBS    targets run at once (default 2)
# Configure build-fuzz/ first, as scripts/fuzz-short.sh does; the targets are built here.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-1000000}
[ $# -gt 0 ] && shift
declare -A own_runs=()
for setting in "$@"; do
    own_runs[${setting%%=*}]=${setting#*=}
done
jobs=${FUZZ_JOBS:-2}
build=build-fuzz
seeds=$build/corpus-seeds
packages="$seeds/package tests/package/fuzz_corpus"
# target, its folder under tests/, its seed folders; the fastest (run longest) first
targets=(
    "text_fuzzer report tests/report/fuzz_corpus/text"
    "package_fuzzer package $packages"
    "qvrmp_plugin_fuzzer gdal $packages"
    "thumbnail_fuzzer preview $packages"
    "report_fuzzer report $packages $seeds/raster"
    "catalog_fuzzer catalog $seeds/catalog"
)
names=()
for entry in "${targets[@]}"; do
    read -r name _ <<<"$entry"
    names+=("$name")
done
[ -f "$build/build.ninja" ] || { echo "configure $build first (see ./test.sh)" >&2; exit 1; }
cmake --build "$build" --target make_corpus "${names[@]}" >/dev/null
rm -rf "$seeds"
"$build/tests/fuzz/make_corpus" "$seeds"
mkdir -p "$build/long"

run_target() {  # NAME FOLDER SEEDS...
    local name=$1 folder=$2
    shift 2
    local count=${own_runs[$name]:-$runs}
    local log=$build/long/$name.log
    mkdir -p "$build/long/$name"
    local start status=0
    start=$(date +%s.%N)
    "$build/tests/$folder/$name" -runs="$count" -max_len=16384 -timeout=25 -print_final_stats=1 \
        -artifact_prefix="$build/long/$name-" "$build/long/$name" "$@" >"$log" 2>&1 || status=$?
    local seconds executed
    seconds=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN {printf "%.1f", b - a}')
    executed=$(awk '/^stat::number_of_executed_units/ {print $2}' "$log")
    echo "${executed:-0} $seconds" >"$build/long/$name.count"
    if [ "$status" -ne 0 ]; then
        printf '%s: CRASH after %s executions in %.0f s; see %s\n' "$name" "${executed:-?}" \
            "$seconds" "$log"
        grep -E '^==[0-9]+==ERROR|^SUMMARY|^artifact_prefix|Test unit written' "$log" | head -n 4
        return 1
    fi
    printf '%s: %s executions in %.0f s (%.0f/s), no crash\n' "$name" "$executed" "$seconds" \
        "$(awk -v n="$executed" -v s="$seconds" 'BEGIN {print n / s}')"
}

wall_start=$(date +%s)
failed=0
running=0
for entry in "${targets[@]}"; do
    # shellcheck disable=SC2086
    run_target $entry &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || failed=$((failed + 1))
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=$((failed + 1))
    running=$((running - 1))
done
total=0
for name in "${names[@]}"; do
    read -r executed _ <"$build/long/$name.count"
    total=$((total + executed))
done
echo "total: $total executions in $(($(date +%s) - wall_start)) s wall time, $failed target(s) crashed"
[ "$failed" -eq 0 ]
