#!/usr/bin/env bash
# The 32-bit Windows program, run under Wine, must do what the native program does: the
# same pictures byte for byte, the same console text once "\r\n" is read as "\n", the same
# exit status, on the sample disc, on an empty drive and for a typed "1", and with the disc
# given on the command line as a drive letter or a folder.
# Usage: check_wine.sh SOURCE_DIR NATIVE_PROGRAM SAMPLE_DISC_MAKER WORK_DIR
set -euo pipefail
src=$1 native=$2 maker=$3 work=$4
exe=$src/build-win32/quillmoor.exe

rm -rf "$work"
mkdir -p "$work"
cd "$work"

if ! (cd "$src" && cmake --workflow --preset win32) >build.log 2>&1; then
    cat build.log
    exit 1
fi

failed=0
passed=0
check() { # description, then a command that must succeed
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "FAILED: $what"
        failed=$((failed + 1))
    fi
}

# A PE32 console program for the 80386 that needs no DLL a bare Windows lacks.
check "PE32 i386 console program" grep -q 'file format pei-i386' \
    <(i686-w64-mingw32-objdump -f "$exe")
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | sort | tr '\n' ' ')
check "imports only KERNEL32.dll and msvcrt.dll (saw: $imports)" \
    test "$imports" = "KERNEL32.dll msvcrt.dll "

"$maker" sample >/dev/null
mkdir empty

export HOME=${HOME:-$work} WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineboot -i >wineboot.log 2>&1
ln -s "$work/sample/disc" "$WINEPREFIX/dosdevices/q:"
ln -s "$work/empty" "$WINEPREFIX/dosdevices/r:"

# run NAME TYPED [ARGUMENT...]: both programs in fresh folders, each with the disc as the
# folder "disc" too; console, status and pictures (in $out, when set) side by side.
run() {
    local name=$1 typed=$2
    shift 2
    mkdir "native-$name" "wine-$name"
    ln -s "$work/sample/disc" "native-$name/q:"
    ln -s "$work/empty" "native-$name/r:"
    ln -s "$work/sample/disc" "native-$name/disc"
    ln -s "$work/sample/disc" "wine-$name/disc"
    printf '%s' "$typed" >"$name.typed"
    local native_status=0 wine_status=0
    (cd "native-$name" && "$native" "$@" <"../$name.typed" >"../$name.native.console") ||
        native_status=$?
    (cd "wine-$name" && wine "$exe" "$@" <"../$name.typed" >"../$name.wine.console") ||
        wine_status=$?
    tr -d '\r' <"$name.wine.console" >"$name.wine.unix"
    check "$name: same console text" cmp -s "$name.native.console" "$name.wine.unix"
    check "$name: same exit status ($native_status, $wine_status)" \
        test "$native_status" = "$wine_status"
    last_status=$native_status
    local pictures native_out="native-$name/${out:-.}" wine_out="wine-$name/${out:-.}"
    pictures=$(cd "$native_out" && ls -- *.BMP 2>/dev/null | sort | tr '\n' ' ' || true)
    check "$name: same pictures" \
        test "$pictures" = "$(cd "$wine_out" && ls -- *.BMP 2>/dev/null | sort | tr '\n' ' ' || true)"
    local bmp
    for bmp in $pictures; do
        check "$name: $bmp identical" cmp -s "$native_out/$bmp" "$wine_out/$bmp"
    done
    echo "$name: $(echo "$pictures" | wc -w) pictures compared"
}

last_status=
run disc $'q\n'
check "disc: exit status 0" test "$last_status" = 0
run empty $'r\n'
check "empty drive: exit status 255 (-1)" test "$last_status" = 255
check "empty drive: one -104 line and three -201 lines" \
    test "$(grep -a -c '^Error!  ' empty.wine.unix)" = 4
run invalid $'1\n'
check "typed 1: exit status 255 (-1)" test "$last_status" = 255
check "typed 1: the invalid-drive line" test "$(grep -a -c '^Error!  ' invalid.wine.unix)" = 1

out=pictures run letter '' -q -o pictures q
check "q given: exit status 0" test "$last_status" = 0
check "q given, quiet: no lines" test ! -s letter.wine.unix
out=pictures run folder '' --output=pictures disc
check "folder given: exit status 0 and 84 pictures" \
    test "$last_status/$(ls wine-folder/pictures | wc -l)" = 0/84
# An image is read only through a drive it is mounted as: a line says so, and the status is 2.
status=0
(cd wine-folder && wine "$exe" disc/TITLE.SEQ >image.out 2>image.err) || status=$?
check "image given: status 2, nothing on standard output, the reason on standard error" \
    test "$status/$(wc -c <wine-folder/image.out)/$(grep -c 'only through a drive' wine-folder/image.err)" = 2/0/1

echo "$passed passed, $failed failed"
test "$failed" = 0
