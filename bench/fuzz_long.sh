#!/usr/bin/env bash
# Runs every libFuzzer target for a number of executions each, from the committed corpora (grown
# in build-fuzz/long/), and prints each target's executions, time and any crash it found.
# Usage: bench/fuzz_long.sh [RUNS_PER_TARGET]   (./test.sh builds build-fuzz/ first)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-1000000}
fuzz=build-fuzz/tests
targets=(
    "package/package_fuzzer tests/package/fuzz_corpus"
    "report/report_fuzzer tests/package/fuzz_corpus"
    "report/text_fuzzer tests/report/fuzz_corpus/text"
    "gdal/qvrmp_plugin_fuzzer tests/package/fuzz_corpus"
)
crashes=0
total=0
for entry in "${targets[@]}"; do
    read -r target seeds <<<"$entry"
    name=$(basename "$target")
    [ -x "$fuzz/$target" ] || { echo "$name: not built (run ./test.sh first)" >&2; exit 1; }
    corpus=build-fuzz/long/$name
    mkdir -p "$corpus"
    log=build-fuzz/long/$name.log
    start=$(date +%s)
    status=0
    "$fuzz/$target" -runs="$runs" -max_len=16384 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/long/$name-" "$corpus" "$seeds" >"$log" 2>&1 || status=$?
    seconds=$(($(date +%s) - start))
    done_runs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
    total=$((total + ${done_runs:-0}))
    if [ "$status" -ne 0 ]; then
        crashes=$((crashes + 1))
        echo "$name: CRASH after ${done_runs:-?} executions in ${seconds} s; see $log"
        grep -E '^==[0-9]+==ERROR|^SUMMARY' "$log" | head -n 3
    else
        echo "$name: ${done_runs:-?} executions in ${seconds} s, no crash"
    fi
done
echo "total: $total executions, $crashes target(s) crashed"
[ "$crashes" -eq 0 ]
