#!/usr/bin/env bash
# Times the whole extraction of the sample disc against the I/O it cannot avoid, and
# measures its peak memory against an empty program's. Where xorriso is at hand and the
# program reads images, the same disc is also read as an ISO image, as a CUE sheet with a
# raw image, as an Alcohol image (.mds and its .mdf), as a Nero image (.nrg) and, where
# chdman is at hand, as a CHD image, in the same rounds as from its folder; and from its folder
# with --gallery, each round beside the run without it. Builds nothing: run
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
goal_ratio=1.2
goal_image_ratio=1.1
# The images of other dumping tools: their frames read in place, or decompressed as read.
declare -A goal_of=([mds]=1.2 [nrg]=1.2 [chd]=1.2)
goal_own_kib=2048

while getopts b:p:m:n: option; do
    case $option in
    b) build=$OPTARG ;;
    p) program=$OPTARG ;;
    m) maker=$OPTARG ;;
    n) runs=$OPTARG ;;
    *)
        sed -n '10,14p' "$0" >&2
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
raw_imager=$build/make_raw_image
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
# The program's temporary files go here, where the rounds can see what is left.
export TMPDIR=$work/tmp
mkdir "$TMPDIR"

# The drives timed: the folder, and the images where they can be made and read.
declare -A drive_of=([folder]=$disc)
drives=(folder)
if command -v xorriso >/dev/null && [ -x "$raw_imager" ] &&
    xorriso -as mkisofs -quiet -allow-lowercase -o "$work/sample/disc.iso" "$disc" \
        >/dev/null 2>&1 &&
    "$raw_imager" "$work/sample/disc.iso" "$work/sample/disc.bin" "$work/sample/disc.cue" 1; then
    drive_of[iso]=$work/sample/disc.iso
    drive_of[cue]=$work/sample/disc.cue
    drives+=(iso cue)
    if "$raw_imager" --as mds "$work/sample/disc.iso" "$work/sample/disc" 1 &&
        "$raw_imager" --as nrg "$work/sample/disc.iso" "$work/sample/disc" 1; then
        drive_of[mds]=$work/sample/disc.mds
        drive_of[nrg]=$work/sample/disc.nrg
        drives+=(mds nrg)
    else
        echo "note: make_raw_image writes no Alcohol or Nero image: those are not timed" >&2
    fi
else
    echo "note: xorriso or make_raw_image missing: the folder alone is timed" >&2
fi
# The CHD image of the same frames, with chdman's default codecs, where it can be made.
if [ -n "${drive_of[cue]:-}" ] && command -v chdman >/dev/null &&
    chdman createcd -i "$work/sample/disc.cue" -o "$work/sample/disc.chd" >/dev/null 2>&1; then
    drive_of[chd]=$work/sample/disc.chd
    drives+=(chd)
elif [ -n "${drive_of[cue]:-}" ]; then
    echo "note: chdman missing or failed: no CHD image timed" >&2
fi

# A fresh folder with the disc linked as drive q, as a user would have it.
fresh_run_dir() {
    rm -rf "$work/run"
    mkdir "$work/run"
    ln -s "${drive_of[${1:-folder}]}" "$work/run/q:"
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
for drive in "${drives[@]:1}"; do
    fresh_run_dir "$drive"
    (cd "$work/run" && "$program" <"$typed" >/dev/null) || true
    rm -f "$work/run/q:"
    if ! diff -rq "$reference" "$work/run" >/dev/null; then
        echo "note: the program gives other pictures from the $drive image: not timed" >&2
        drives=("${drives[@]/$drive/}")
    fi
done
read -r -a drives <<<"${drives[*]}"
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
    "$program" "$@" <"$typed" || status=$?
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

measure_gallery() {
    fresh_run_dir
    measure "$( ((round == 0)) && echo "$work/warm" || echo "$work/program-gallery")" \
        run_program --gallery
}

# Rounds interleave them all, so that they meet the same load; round 0 is not counted.
: >"$work/warm"
for ((round = 0; round <= runs; ++round)); do
    for drive in "${drives[@]}"; do
        # The folder's run with the page of its pictures beside the run without it, a pair a
        # round, taking turns at going first: neither meets a warmer cache each time.
        if [ "$drive" = folder ] && ((round % 2 == 1)); then
            measure_gallery
        fi
        fresh_run_dir "$drive"
        measure "$( ((round == 0)) && echo "$work/warm" || echo "$work/program-$drive")" run_program
        if [ "$drive" = folder ] && ((round % 2 == 0)); then
            measure_gallery
        fi
    done
    if ((round == 0)); then
        floor_times=$work/warm shell_times=$work/warm
    else
        floor_times=$work/floor shell_times=$work/shell
    fi
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

program_wall=$(median "$work/program-folder" 1)
program_best=$(fastest "$work/program-folder" 1)
program_cpu=$(median "$work/program-folder" 2)
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
    fresh_run_dir "${1:-folder}"
    (cd "$work/run" && peak_kib "$program" <"$typed")
}
has_chd=
[[ " ${drives[*]} " == *" chd "* ]] && has_chd=1

# The yardstick loads what the program loads, or the difference counts libraries too.
loaded_libraries() {
    ldd "$1" | awk '$1 !~ /^linux-vdso/ { print $1 }' | sort
}
if ! diff <(loaded_libraries "$program") <(loaded_libraries "$empty_linked") >"$work/libraries"
then
    echo "warning: $empty_linked loads other libraries than $program" \
        "(< the program's, > its own): the program's own memory is not comparable" >&2
    grep '^[<>]' "$work/libraries" >&2
fi

# Paired rounds: each measures the program and both empty programs one after the other, and
# takes the differences within the round, which whatever else the machine does meets alike.
for ((i = 0; i < memory_runs; ++i)); do
    program_round=$(program_peak)
    empty_round=$(peak_kib "$empty")
    linked_round=$(peak_kib "$empty_linked")
    chd_round=$linked_round
    [ -z "$has_chd" ] || chd_round=$(program_peak chd)
    echo "$program_round $empty_round $linked_round $((program_round - empty_round))" \
        "$((program_round - linked_round)) $((chd_round - linked_round))"
done >"$work/memory"
program_kib=$(median "$work/memory" 1)
empty_kib=$(median "$work/memory" 2)
linked_kib=$(median "$work/memory" 3)
extra_kib=$(median "$work/memory" 4)
own_kib=$(median "$work/memory" 5)
chd_own_kib=$(median "$work/memory" 6)

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
declare -A image_calls
if command -v strace >/dev/null; then
    fresh_run_dir
    program_calls=$(cd "$work/run" && syscall_counts "$program" <"$typed")
    fresh_out_dir
    floor_calls=$(syscall_counts "$io_floor" "$disc" "$work/out" <"$sizes")
    # How often a run from an image opens it, and how many folders it makes.
    for drive in "${drives[@]:1}"; do
        fresh_run_dir "$drive"
        image_calls[$drive]=$(cd "$work/run" &&
            strace -f -e trace=openat,mkdir,mkdirat -o "$work/strace.$drive" \
                "$program" <"$typed" >/dev/null 2>&1
            awk -v image="${drive_of[$drive]##*/}" '
                /^[0-9]+ +openat\(/ && (index($0, "/" image "\"") || index($0, "\"./q:\"")) { ours++ }
                /^[0-9]+ +openat\(/ && index($0, "/disc.bin\"") && image == "disc.cue" { ours++ }
                /^[0-9]+ +openat\(/ && index($0, "/disc.mdf\"") && image == "disc.mds" { ours++ }
                /^[0-9]+ +mkdir/ { folders++ }
                END { printf "%d opens of the image files; %d folders made", ours, folders }' \
                "$work/strace.$drive")
    done
fi
left_behind=$(find "$TMPDIR" -mindepth 1 | wc -l)

ms() {
    awk -v us="$1" 'BEGIN { printf "%.2f ms", us / 1000 }'
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

verdict() {
    awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit) ? "met" : "MISSED" }'
}

# The median of the rounds' own ratios of two files' column, line by line: paired rounds.
paired_ratio() {
    paste -d ' ' "$1" "$2" | awk -v c="$3" '{ printf "%.4f\n", $(c + 2) / $c }' | sort -n |
        awk '{ v[NR] = $1 } END { printf "%.2f", v[int((NR + 1) / 2)] }'
}

wall_ratio=$(ratio "$program_wall" "$floor_wall")
best_ratio=$(ratio "$program_best" "$floor_best")
cpu_ratio=$(ratio "$program_cpu" "$floor_cpu")

image_rows=()
for drive in "${drives[@]:1}"; do
    wall=$(median "$work/program-$drive" 1)
    best=$(fastest "$work/program-$drive" 1)
    cpu=$(median "$work/program-$drive" 2)
    wall_r=$(ratio "$wall" "$program_wall")
    cpu_r=$(ratio "$cpu" "$program_cpu")
    goal=${goal_of[$drive]:-$goal_image_ratio}
    image_rows+=("whole run from the $drive image" "$(ms "$wall")" "$(ms "$best")" "$(ms "$cpu")" ""
        "  / whole run from the folder" "$wall_r" "$(ratio "$best" "$program_best")" "$cpu_r"
        "goal <= $goal (median wall and user+sys): $(verdict "$(awk -v a="$wall_r" -v b="$cpu_r" 'BEGIN { print (a > b) ? a : b }')" "$goal")")
done

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
gallery_wall=$(median "$work/program-gallery" 1)
printf '%-36s %12s %12s %12s  %s\n' \
    "whole run with --gallery" "$(ms "$gallery_wall")" \
    "$(ms "$(fastest "$work/program-gallery" 1)")" "$(ms "$(median "$work/program-gallery" 2)")" "" \
    "  / whole run without it" "$(paired_ratio "$work/program-folder" "$work/program-gallery" 1)" \
    "" "$(paired_ratio "$work/program-folder" "$work/program-gallery" 2)" \
    "medians of the rounds' own ratios (paired rounds)"
if [ ${#image_rows[@]} -gt 0 ]; then
    printf '%-36s %12s %12s %12s  %s\n' "${image_rows[@]}"
fi
echo
printf '%-36s %12s  %s\n' \
    "peak RSS, whole run" "$program_kib KiB" "medians of $memory_runs paired rounds" \
    "peak RSS, empty program" "$empty_kib KiB" "" \
    "difference" "$extra_kib KiB" "" \
    "peak RSS, empty program, same libs" "$linked_kib KiB" "loads what the program loads" \
    "whole run above that" "$own_kib KiB" \
    "the program's own memory; goal <= $goal_own_kib KiB: $(verdict "$own_kib" "$goal_own_kib")"
if [ -n "$has_chd" ]; then
    printf '%-36s %12s  %s\n' "whole run from the chd image, above" "$chd_own_kib KiB" \
        "the same; goal <= $goal_own_kib KiB: $(verdict "$chd_own_kib" "$goal_own_kib")"
fi
if [ -n "$program_calls" ]; then
    echo
    printf '%-36s %s\n' \
        "system calls, whole run" "$program_calls" \
        "system calls, I/O floor" "$floor_calls"
    for drive in "${drives[@]:1}"; do
        printf '%-36s %s\n' "whole run from the $drive image" "${image_calls[$drive]}"
    done
fi
echo "left in the temporary folder by every run: $left_behind files"
