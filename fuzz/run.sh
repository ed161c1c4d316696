#!/usr/bin/env bash
# Builds the fuzz targets, replays the saved findings, then fuzzes each target for a while.
# Usage: fuzz/run.sh SECONDS [TARGET...]
#   (targets: fuzz_cnx fuzz_cells fuzz_bmp fuzz_png fuzz_run fuzz_image fuzz_cue fuzz_options)
# They are built by the fuzz preset, in build-fuzz/.
# Exits non-zero when any target crashes, on a saved finding or a new one.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
preset=fuzz

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
    echo "usage: fuzz/run.sh SECONDS [TARGET...]" >&2
    exit 2
fi
build="$root/build-$preset"
work="$build/fuzz-work"
seconds=$1
shift
targets=("$@")
asked=${#targets[@]}
[ "$asked" -gt 0 ] || targets=(fuzz_cnx fuzz_cells fuzz_bmp fuzz_png fuzz_run fuzz_image fuzz_cue fuzz_options)

# Inputs as large as their largest seed, but for the run: the whole sample disc (4 MB)
# runs at half the speed of 1 MB, so its seed is cut there (its groups come first).
max_len() {
    case $1 in
    fuzz_run) echo 1048576 ;;
    fuzz_image) echo 131072 ;;
    fuzz_cells) echo 280000 ;;
    fuzz_cnx) echo 65536 ;;
    fuzz_cue) echo 8192 ;;
    fuzz_options) echo 512 ;; # a letter and a command line
    *) echo 4096 ;;
    esac
}

mkdir -p "$work"
(cd "$root" && cmake --workflow --preset "$preset") >"$work/build.log" 2>&1 || {
    tail -n 60 "$work/build.log" >&2
    echo "fuzz: build failed" >&2
    exit 1
}

rm -rf "$work/sample" "$work/seeds"
# The targets' scratch folders go here, not into the system's temporary folder; a folder of
# this run's own, so that another run's targets keep theirs.
mkdir -p "$work/tmp"
scratch=$(mktemp -d "$work/tmp/run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
"$build/make_sample_disc" "$work/sample" >/dev/null &&
    "$build/make_seeds" "$work/sample/disc" "$work/seeds" || {
    echo "fuzz: could not make the seed corpora" >&2
    exit 1
}
# Image seeds: a few small files as an image of 2048-byte sectors, a raw image, a CUE sheet
# with its track, a CloneCD control file with its frames, and CHD images (the input layout
# of fuzz_image.cpp); Alcohol and Nero images follow.
image_seeds() {
    local dir="$work/seeds/image-files" out="$work/seeds/fuzz_image"
    mkdir -p "$dir/files/SUB" "$out"
    printf 'portrait' >"$dir/files/F001.SPR"
    printf 'lower' >"$dir/files/f002.spr"
    head -c 5000 "$work/sample/disc/TITLE.SEQ" >"$dir/files/TITLE.SEQ"
    printf 'x' >"$dir/files/SUB/INNER.BIN"
    xorriso -as mkisofs -quiet -no-pad -allow-lowercase -o "$dir/disc.iso" "$dir/files" \
        >/dev/null 2>&1 &&
        "$build/make_raw_image" "$dir/disc.iso" "$dir/track.bin" "$dir/disc.cue" 1 || return 1
    { printf '\x00' && cat "$dir/disc.iso"; } >"$out/iso"
    { printf '\x01' && cat "$dir/track.bin"; } >"$out/raw"
    local sheet='FILE "track.bin" BINARY
  TRACK 01 MODE1/2352
    INDEX 01 00:00:00
'
    local length
    length=$(printf '%04x' "${#sheet}")
    { printf "\\x02\\x${length:0:2}\\x${length:2:2}%s" "$sheet" && cat "$dir/track.bin"; } >"$out/cue"
    local control=$'[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=4\r\n[TRACK 1]\r\nMODE=1\r\nINDEX 1=0\r\n'
    length=$(printf '%04x' "${#control}")
    { printf "\\x03\\x${length:0:2}\\x${length:2:2}%s" "$control" && cat "$dir/track.bin"; } >"$out/ccd"
    # The same disc as CHD images, compressed and not, where chdman is at hand.
    if command -v chdman >/dev/null; then
        for codecs in cdlz,cdzl,cdfl cdzl cdfl none; do
            chdman createcd -f -c "$codecs" -i "$dir/disc.cue" -o "$dir/disc.chd" >/dev/null 2>&1 &&
                { printf '\x06' && cat "$dir/disc.chd"; } >"$out/chd-${codecs%%,*}"
        done
    fi
    # Sheets as other tools write them, for the sheet reader alone.
    local sheets="$work/seeds/fuzz_cue"
    mkdir -p "$sheets"
    printf '%s' "$sheet" >"$sheets/plain"
    printf 'REM GENRE Game\r\nfile "Game (Track 1).bin" binary\r\n  track 1 mode2/2352\r\n    index 0 00:00:00\r\n    index 1 00:02:00\r\nFILE "Game (Track 2).bin" BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:00:00\r\n' >"$sheets/tracks"
    printf 'FILE sub\\disc.bin BINARY\rTRACK 01 MODE1/2048\rINDEX 01 00:00:00\r' >"$sheets/cr"
    # An Alcohol descriptor with its frames, and Nero images, of 2048-byte sectors and raw,
    # after a pregap of a few sectors (not 150: the input's length is bounded).
    "$build/make_raw_image" --as mds "$dir/disc.iso" "$dir/alcohol" 1 &&
        "$build/make_raw_image" --as nrg "$dir/disc.iso" "$dir/nero" 1 2 &&
        "$build/make_raw_image" --as nrg-raw "$dir/disc.iso" "$dir/nero-raw" 2 2 || return 1
    length=$(printf '%04x' "$(stat -c %s "$dir/alcohol.mds")")
    { printf "\\x04\\x${length:0:2}\\x${length:2:2}" && cat "$dir/alcohol.mds" "$dir/alcohol.mdf"; } >"$out/mds"
    { printf '\x05' && cat "$dir/nero.nrg"; } >"$out/nrg"
    { printf '\x05' && cat "$dir/nero-raw.nrg"; } >"$out/nrg-raw"
}
if command -v xorriso >/dev/null; then
    image_seeds || echo "fuzz: no image seeds (xorriso or make_raw_image failed)" >&2
else
    echo "fuzz: xorriso is missing: fuzz_image starts without seeds" >&2
fi
export TMPDIR="$scratch"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

failed=0
summary=()
for target in "${targets[@]}"; do
    binary="$build/$target"
    if [ ! -x "$binary" ] && [ "$target" = fuzz_png ] && [ "$asked" -eq 0 ]; then
        # Built only where libspng is found; asked for by name, its absence fails the run.
        summary+=("$target: not built (libspng not found)")
        continue
    fi
    if [ ! -x "$binary" ]; then
        echo "fuzz: no target $target" >&2
        failed=1
        continue
    fi
    corpus="$work/corpus/$target"
    findings="$work/findings/$target"
    log="$work/$target.log"
    mkdir -p "$corpus" "$findings"
    cp -f "$work/seeds/$target"/* "$corpus"/ 2>/dev/null || true

    # Fixed findings stay fixed.
    regressions=("$root/fuzz/regressions/$target"/*)
    replayed=0
    if [ -e "${regressions[0]}" ]; then
        replayed=${#regressions[@]}
        if ! "$binary" -artifact_prefix="$findings/" "${regressions[@]}" >"$log.replay" 2>&1; then
            tail -n 40 "$log.replay" >&2
            echo "fuzz: $target fails on a saved finding (log: $log.replay)" >&2
            failed=1
            summary+=("$target: FAILED on a saved finding in fuzz/regressions/$target")
            continue
        fi
    fi

    before=$(find "$findings" -type f | wc -l)
    "$binary" "$corpus" -max_total_time="$seconds" -max_len="$(max_len "$target")" \
        -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$findings/" \
        >"$log" 2>&1
    rc=$?
    after=$(find "$findings" -type f | wc -l)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    size=$(find "$corpus" -type f | wc -l)
    new=$((after - before))
    line="$target: ${runs:-?} executions in ${seconds}s, corpus $size, $replayed saved findings replayed, $new new findings"
    if [ $rc -ne 0 ] || [ $new -gt 0 ]; then
        tail -n 60 "$log" >&2
        echo "fuzz: $target found a fault (log: $log, inputs: $findings)" >&2
        failed=1
        line="$line: FAILED"
    fi
    summary+=("$line")
done

printf '%s\n' "${summary[@]}"
exit $failed
