#!/usr/bin/env bash
# Reports every hostile input that bench/make_hostile_inputs writes with tarnview-info (and reads
# each package's thumbnail, as the preview does) and checks what a user would expect of each: done
# within a second and within 100 MB of memory.
# Usage: bench/hostile_headers.sh   (build first)
set -euo pipefail
cd "$(dirname "$0")/.."
info=build/tarnview-info
make=build/bench/make_hostile_inputs
[ -x "$info" ] && [ -x "$make" ] || { echo "build first (./test.sh)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$make" "$tmp" >/dev/null
worst_s=0
worst_kb=0
failures=0
measure() {  # NAME COMMAND...
    local name=$1
    shift
    /usr/bin/time -f "%e %M" -o "$tmp/.time" "$@" >/dev/null 2>&1 || true
    read -r seconds kb < <(tail -n 1 "$tmp/.time")
    status=ok
    if awk -v s="$seconds" 'BEGIN { exit !(s >= 1.0) }' || [ "$kb" -ge 102400 ]; then
        status=OVER
        failures=$((failures + 1))
    fi
    printf '%-44s %6s s %8s KB  %s\n' "$name" "$seconds" "$kb" "$status"
    if awk -v s="$seconds" -v w="$worst_s" 'BEGIN { exit !(s > w) }'; then worst_s=$seconds; fi
    if [ "$kb" -gt "$worst_kb" ]; then worst_kb=$kb; fi
}
for file in "$tmp"/*; do
    name=$(basename "$file")
    measure "$name" "$info" "$file"
    case "$name" in
        *.qvrmp) measure "$name (thumbnail)" "$info" --thumbnail "$tmp/.png" "$file" ;;
    esac
done
echo "worst: $worst_s s, $worst_kb KB; over the limits: $failures"
[ "$failures" -eq 0 ]
