#!/usr/bin/env bash
# Times the whole extraction of the sample disc against the I/O it cannot avoid, and
# measures its peak memory against an empty program's. Builds nothing: run
# `cmake --workflow --preset bench` first.
#
# Usage: bench/whole-run.sh [-b BUILD_DIR] [-p PROGRAM] [-m MAKER] [-n RUNS]
#   BUILD_DIR  default build-bench/ beside this folder; holds io_floor and the empty programs
#   PROGRAM    default BUILD_DIR/quillmoor
#   MAKER      default BUILD_DIR/make_sample_disc
#   RUNS       timed rounds, after one untimed round; default 11
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$here/../build-bench
program=
maker=
runs=11
memory_runs=5
goal_ratio=1.5
goal_extra_kib=2048

while getopts b:p:m:n: option; do
    case $option in
    b) build=$OPTARG ;;
    p) program=$OPTARG ;;
    m) maker=$OPTARG ;;
    n) runs=$OPTARG ;;
    *)
        sed -n '6,10p' "$0" >&2
        exit 2
        ;;
    esac
done
build=$(cd "$build" && pwd)
program=$(realpath "${program:-$build/quillmoor}")
maker=$(realpath "${maker:-$build/make_sample_disc}")
io_floor=$build/io_floor
empty=$build/empty_program
empty_linked=$build/empty_program_linked
time_tool=/usr/bin/time

for tool in "$program" "$maker" "$io_floor" "$empty" "$empty_linked"; do
    if [ ! -x "$tool" ]; then
        echo "missing $tool: run cmake --workflow --preset bench" >&2
        exit 1
    fi
done
if [ ! -x "$time_tool" ]; then
    echo "missing $time_tool: apt-get install -y time" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmoor-whole-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
disc=$work/sample/disc
typed=$work/typed
printf 'q\n' >"$typed"
"$maker" "$work/sample" >/dev/null
disc_files=("$disc"/*)

# A fresh folder with the disc linked as drive q, as a user would have it.
fresh_run_dir() {
    rm -rf "$work/run"
    mkdir "$work/run"
    ln -s "$disc" "$work/run/q:"
}

# One untimed run: warms the cache, checks the output and leaves the pictures whose
# sizes the floors write.
fresh_run_dir
(cd "$work/run" && "$program" <"$typed" >/dev/null) || {
    echo "$program failed on the sample disc" >&2
    exit 1
}
reference=$work/reference
mv "$work/run" "$reference"
rm -f "$reference/q:"
if ! diff -rq --exclude=transcript.txt --exclude=manifest.txt "$reference" \
    "$work/sample/expected" >/dev/null; then
    echo "warning: the pictures differ from the maker's expected ones" >&2
fi
sizes=$work/sizes
for picture in "$reference"/*; do
    printf '%s %s\n' "$(stat -c %s "$picture")" "${picture##*/}"
done >"$sizes"
picture_count=$(wc -l <"$sizes")

# Runs a command, its output discarded, and appends "wall cpu" in microseconds to the
# file named first; cpu is user plus system time (to the millisecond), which other load
# on the machine disturbs less than the wall clock.
TIMEFORMAT='%3U %3S'
measure() {
    local into=$1
    shift
    local start end status=0
    start=$EPOCHREALTIME
    { time "$@" >/dev/null 2>"$work/stderr"; } 2>"$work/cpu" || status=$?
    end=$EPOCHREALTIME
    if ((status != 0)); then
        echo "failed ($status): $* $(cat "$work/stderr")" >&2
        exit 1
    fi
    awk -v wall=$((${end//[!0-9]/} - ${start//[!0-9]/})) \
        '{ printf "%d %d\n", wall, ($1 + $2) * 1e6 }' "$work/cpu" >>"$into"
}

run_program() {
    local status=0
    cd "$work/run"
    "$program" <"$typed" || status=$?
    cd "$work"
    return "$status"
}

# The same I/O from the shell: a process for every file, so far above the true floor.
shell_floor() {
    local file size name
    for file in "${disc_files[@]}"; do
        cat "$file" >/dev/null
    done
    while read -r size name; do
        head -c "$size" /dev/zero >"$work/out/$name"
    done <"$sizes"
}

fresh_out_dir() {
    rm -rf "$work/out"
    mkdir "$work/out"
}

# Rounds interleave the three, so that they meet the same load; round 0 is not counted.
: >"$work/warm"
for ((round = 0; round <= runs; ++round)); do
    if ((round == 0)); then
        program_times=$work/warm floor_times=$work/warm shell_times=$work/warm
    else
        program_times=$work/program floor_times=$work/floor shell_times=$work/shell
    fi
    fresh_run_dir
    measure "$program_times" run_program
    fresh_out_dir
    measure "$floor_times" "$io_floor" "$disc" "$work/out" <"$sizes"
    fresh_out_dir
    measure "$shell_times" shell_floor
done

# Median of the given column of a file of numbers.
median() {
    awk -v c="$2" '{ print $c }' "$1" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# The fastest round: what is left when other load happened to stay away.
fastest() {
    awk -v c="$2" '{ print $c }' "$1" | sort -n | head -n 1
}

program_wall=$(median "$work/program" 1)
program_best=$(fastest "$work/program" 1)
program_cpu=$(median "$work/program" 2)
floor_wall=$(median "$work/floor" 1)
floor_best=$(fastest "$work/floor" 1)
floor_cpu=$(median "$work/floor" 2)
shell_wall=$(median "$work/shell" 1)
shell_best=$(fastest "$work/shell" 1)
shell_cpu=$(median "$work/shell" 2)

peak_kib() {
    "$time_tool" -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ { print $2 }'
}

program_peak() {
    fresh_run_dir
    (cd "$work/run" && peak_kib "$program" <"$typed")
}

memory_median() {
    local i
    for ((i = 0; i < memory_runs; ++i)); do
        "$@"
    done | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

program_kib=$(memory_median program_peak)
empty_kib=$(memory_median peak_kib "$empty")
linked_kib=$(memory_median peak_kib "$empty_linked")
extra_kib=$((program_kib - empty_kib))
own_kib=$((program_kib - linked_kib))

# System calls of one run, where strace is at hand: counts other load cannot disturb.
syscall_counts() {
    local log=$work/strace
    strace -f -c -o "$log" "$@" >/dev/null 2>&1 || return 0
    awk '$NF == "total" { total = $4 }
         $NF == "write" || $NF == "read" || $NF == "openat" { n[$NF] += $4 }
         $NF ~ /stat/ { n["stat"] += $4 }
         END { printf "%d (write %d, read %d, openat %d, stat %d)", total, n["write"],
               n["read"], n["openat"], n["stat"] }' "$log"
}

program_calls=
floor_calls=
if command -v strace >/dev/null; then
    fresh_run_dir
    program_calls=$(cd "$work/run" && syscall_counts "$program" <"$typed")
    fresh_out_dir
    floor_calls=$(syscall_counts "$io_floor" "$disc" "$work/out" <"$sizes")
fi

ms() {
    awk -v us="$1" 'BEGIN { printf "%.2f ms", us / 1000 }'
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

verdict() {
    awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit) ? "met" : "MISSED" }'
}

wall_ratio=$(ratio "$program_wall" "$floor_wall")
best_ratio=$(ratio "$program_best" "$floor_best")
cpu_ratio=$(ratio "$program_cpu" "$floor_cpu")

echo "Sample disc: ${#disc_files[@]} files, $(du -sk "$disc" | cut -f1) KiB;" \
    "$picture_count pictures, $(du -sk "$reference" | cut -f1) KiB; $runs rounds"
printf '%-36s %12s %12s %12s  %s\n' \
    "" "median wall" "fastest" "user+sys" "" \
    "whole run" "$(ms "$program_wall")" "$(ms "$program_best")" "$(ms "$program_cpu")" "" \
    "I/O floor, one process (the floor)" "$(ms "$floor_wall")" "$(ms "$floor_best")" \
    "$(ms "$floor_cpu")" "" \
    "I/O floor, cat and head" "$(ms "$shell_wall")" "$(ms "$shell_best")" "$(ms "$shell_cpu")" \
    "a process a file" \
    "whole run / floor" "$wall_ratio" "$best_ratio" "$cpu_ratio" \
    "goal <= $goal_ratio (median wall): $(verdict "$wall_ratio" "$goal_ratio")"
echo
printf '%-36s %12s  %s\n' \
    "peak RSS, whole run" "$program_kib KiB" "" \
    "peak RSS, empty program" "$empty_kib KiB" "" \
    "difference" "$extra_kib KiB" \
    "goal <= $goal_extra_kib KiB: $(verdict "$extra_kib" "$goal_extra_kib")" \
    "peak RSS, empty program, same libs" "$linked_kib KiB" "loads what the program loads" \
    "whole run above that" "$own_kib KiB" "the program's own memory"
if [ -n "$program_calls" ]; then
    echo
    printf '%-36s %s\n' \
        "system calls, whole run" "$program_calls" \
        "system calls, I/O floor" "$floor_calls"
fi
