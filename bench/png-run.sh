#!/usr/bin/env bash
# The PNG run of the sample disc against the BMP run, in paired rounds, and the PNG files'
# size against what optipng -o2 makes of the same pixels (where optipng is at hand).
# Builds nothing: run `cmake --workflow --preset bench` first.
#
# Usage: bench/png-run.sh [-b BUILD_DIR] [-n RUNS]
#   BUILD_DIR  default build-bench/ beside this folder
#   RUNS       timed pairs, after one untimed pair; default 11
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$here/../build-bench
runs=11
goal_time=1.5
goal_size=1.15

while getopts b:n: option; do
    case $option in
    b) build=$OPTARG ;;
    n) runs=$OPTARG ;;
    *)
        sed -n '6,8p' "$0" >&2
        exit 2
        ;;
    esac
done
program=$build/quillmoor
maker=$build/make_sample_disc
for tool in "$program" "$maker"; do
    [ -x "$tool" ] || { echo "missing $tool: run cmake --workflow --preset bench" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-png-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$maker" "$work/sample" >/dev/null
disc=$work/sample/disc

# One run into a fresh folder; prints its wall time in microseconds.
timed_run() {
    rm -rf "$work/out"
    local start=$EPOCHREALTIME
    "$program" -q "$@" -o "$work/out" "$disc"
    local end=$EPOCHREALTIME
    echo $((${end//[!0-9]/} - ${start//[!0-9]/}))
}

# Each round runs both, in turns, so that they meet the same load; round 0 is not counted.
for ((round = 0; round <= runs; ++round)); do
    if ((round % 2)); then
        png=$(timed_run -f png)
        bmp=$(timed_run -f bmp)
    else
        bmp=$(timed_run -f bmp)
        png=$(timed_run -f png)
    fi
    ((round == 0)) || echo "$bmp $png"
done >"$work/pairs"

median() {
    sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
bmp_us=$(awk '{ print $1 }' "$work/pairs" | median)
png_us=$(awk '{ print $2 }' "$work/pairs" | median)
pair_ratio=$(awk '{ printf "%.4f\n", $2 / $1 }' "$work/pairs" | median)

timed_run -f png >/dev/null
png_bytes=$(cat "$work/out"/*.PNG | wc -c)
pictures=$(find "$work/out" -name '*.PNG' | wc -l)
printf 'pictures            %d PNG files, %d bytes\n' "$pictures" "$png_bytes"
printf 'BMP run (median)    %.2f ms\n' "$(awk -v u="$bmp_us" 'BEGIN { print u / 1000 }')"
printf 'PNG run (median)    %.2f ms\n' "$(awk -v u="$png_us" 'BEGIN { print u / 1000 }')"
printf 'PNG / BMP           %s (median of %d paired rounds; goal <= %s)\n' \
    "$pair_ratio" "$runs" "$goal_time"
if command -v pngcheck >/dev/null; then
    pngcheck -q "$work/out"/*.PNG >/dev/null && echo "pngcheck            clean" ||
        echo "pngcheck            FAILED"
fi
if command -v optipng >/dev/null; then
    cp -r "$work/out" "$work/optimised"
    optipng -quiet -o2 "$work/optimised"/*.PNG
    optimised=$(cat "$work/optimised"/*.PNG | wc -c)
    printf 'optipng -o2         %d bytes; ours %.3fx (goal <= %s)\n' "$optimised" \
        "$(awk -v a="$png_bytes" -v b="$optimised" 'BEGIN { print a / b }')" "$goal_size"
else
    echo "optipng             not installed: no size yardstick"
fi
