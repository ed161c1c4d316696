#!/usr/bin/env bash
# The 32-bit Windows program, run under Wine, must do what the native program does: the
# same pictures byte for byte, the same console text once "\r\n" is read as "\n", the same
# exit status, on the sample disc, on an empty drive and for a typed "1", and with the disc
# given on the command line as a drive letter, a folder or a disc image; the same gallery
# page; and PNG files, where the Windows program writes them. The Windows program runs in a
# Japanese locale and writes the program's own Shift-JIS bytes, as the native one does in
# the C locale; in an English locale both write English.
# The Windows program is built first, always; where Wine cannot start it on this machine (no
# Wine, no 32-bit Wine, a kernel that runs no 32-bit programs), the check ends with status 77,
# which CTest shows as skipped, and says why.
# Usage: check_wine.sh SOURCE_DIR NATIVE_PROGRAM SAMPLE_DISC_MAKER WORK_DIR XORRISO RAW_IMAGER
set -euo pipefail
skipped=77
src=$1 native=$2 maker=$3 work=$4 xorriso=$5 raw_imager=$6
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
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | LC_ALL=C sort |
    tr '\n' ' ')
check "imports only KERNEL32.dll, bcrypt.dll and msvcrt.dll (saw: $imports)" \
    test "$imports" = "KERNEL32.dll bcrypt.dll msvcrt.dll "

"$maker" sample >/dev/null
# The pictures the disc gives, as its maker describes them: a line each.
picture_count=$(wc -l <sample/expected/manifest.txt)
mkdir empty
# The sample disc as images: 2048-byte sectors, and raw frames with a CUE sheet.
"$xorriso" -as mkisofs -quiet -allow-lowercase -o sample/disc.iso sample/disc >/dev/null 2>&1
"$raw_imager" sample/disc.iso sample/disc-mode1.bin sample/disc-mode1.cue 1
# And as a CHD image, where chdman is at hand.
chd_made=
if command -v chdman >/dev/null &&
    chdman createcd -i sample/disc-mode1.cue -o sample/disc.chd >/dev/null 2>&1; then
    chd_made=1
fi

export HOME=${HOME:-$work} WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if ! command -v wine >/dev/null; then
    echo "SKIPPED: Wine is not installed (Debian: wine, wine32:i386); the Windows program was built"
    exit $skipped
fi
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# Can Wine start a 32-bit program here? The program's own version line says it can.
timeout 120 wine "$exe" -V >probe.log 2>&1 || true
if ! tr -d '\r' <probe.log | grep -q -x 'quillmoor 1.02'; then
    why=$(grep -a -m 1 -i -E 'wine32|exec format|cannot execute' probe.log ||
        grep -a -m 1 -v 'configuration' probe.log || true)
    if command -v dpkg >/dev/null && ! dpkg -s wine32:i386 >/dev/null 2>&1; then
        why="wine32:i386 is not installed; $why"
    fi
    echo "SKIPPED: Wine cannot start a 32-bit program on this machine (${why:-no output});" \
        "the Windows program was built"
    exit $skipped
fi
wineboot -i >wineboot.log 2>&1
ln -s "$work/sample/disc" "$WINEPREFIX/dosdevices/q:"
ln -s "$work/empty" "$WINEPREFIX/dosdevices/r:"

# The locales the programs run in, made here (Wine takes the Windows system's language from
# the host's locale): each program's variables, none of the caller's left over. Without
# them, both run in the C locale, and the English runs are left out.
locales=$work/locales
mkdir -p "$locales"
unset_locale=(-u LC_ALL -u LC_MESSAGES -u LANG -u LANGUAGE)
native_env=("${unset_locale[@]}" LC_ALL=C)
wine_env=("${unset_locale[@]}" LC_ALL=C)
english=
if localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" >/dev/null 2>&1 &&
    localedef -i en_US -f UTF-8 "$locales/en_US.UTF-8" >/dev/null 2>&1; then
    wine_env=("${unset_locale[@]}" LOCPATH="$locales" LC_ALL=ja_JP.UTF-8)
    english=1
else
    echo "no ja_JP.UTF-8 or en_US.UTF-8 locale can be made here: both programs run in the C locale"
fi

# run NAME TYPED [ARGUMENT...]: both programs in fresh folders, each with the disc as the
# folder "disc" too, each in its locale (native_env, wine_env); console, status and pictures
# (in $out, when set; .$ext files, .BMP unless set) side by side.
run() {
    local name=$1 typed=$2
    shift 2
    mkdir "native-$name" "wine-$name"
    ln -s "$work/sample/disc" "native-$name/q:"
    ln -s "$work/empty" "native-$name/r:"
    local side
    for side in native wine; do
        ln -s "$work/sample/disc" "$side-$name/disc"
        ln -s "$work/sample/disc.iso" "$side-$name/disc.iso"
        ln -s "$work/sample/disc-mode1.cue" "$side-$name/disc-mode1.cue"
        ln -s "$work/sample/disc-mode1.bin" "$side-$name/disc-mode1.bin"
        [ -z "$chd_made" ] || ln -s "$work/sample/disc.chd" "$side-$name/disc.chd"
    done
    printf '%s' "$typed" >"$name.typed"
    local native_status=0 wine_status=0
    (cd "native-$name" &&
        env "${native_env[@]}" "$native" "$@" <"../$name.typed" >"../$name.native.console") ||
        native_status=$?
    (cd "wine-$name" &&
        env "${wine_env[@]}" wine "$exe" "$@" <"../$name.typed" >"../$name.wine.console") ||
        wine_status=$?
    tr -d '\r' <"$name.wine.console" >"$name.wine.unix"
    check "$name: same console text" cmp -s "$name.native.console" "$name.wine.unix"
    check "$name: same exit status ($native_status, $wine_status)" \
        test "$native_status" = "$wine_status"
    last_status=$native_status
    local pictures native_out="native-$name/${out:-.}" wine_out="wine-$name/${out:-.}"
    local ext=${ext:-BMP}
    pictures=$(cd "$native_out" && ls -- *."$ext" 2>/dev/null | sort | tr '\n' ' ' || true)
    check "$name: same pictures" \
        test "$pictures" = "$(cd "$wine_out" && ls -- *."$ext" 2>/dev/null | sort | tr '\n' ' ' || true)"
    local file
    for file in $pictures; do
        check "$name: $file identical" cmp -s "$native_out/$file" "$wine_out/$file"
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
check "folder given: exit status 0 and $picture_count pictures" \
    test "$last_status/$(ls wine-folder/pictures | wc -l)" = "0/$picture_count"
# Images are read by the program itself, as on Linux.
out=pictures run iso '' -q -o pictures disc.iso
check "image given: exit status 0 and $picture_count pictures" \
    test "$last_status/$(ls wine-iso/pictures | wc -l)" = "0/$picture_count"
out=pictures run cue '' -q -o pictures disc-mode1.cue
check "CUE sheet given: exit status 0 and $picture_count pictures" \
    test "$last_status/$(ls wine-cue/pictures | wc -l)" = "0/$picture_count"
# The page of the pictures: the same page, but for its date and the source's absolute path,
# which name each side's own folder.
out=pictures run gallery '' -q --gallery -o pictures disc
check "gallery: exit status 0" test "$last_status" = 0
page_body() { grep -v -e '^<dt>Date</dt>' -e '^<dt>Source</dt>' "$1"; }
check "gallery: same page" cmp -s <(page_body native-gallery/pictures/index.html) \
    <(page_body wine-gallery/pictures/index.html)
# A CHD image, where the Windows program reads them (its codecs' libraries linked in, as
# cmake/build-chd-libraries-mingw.sh provides them).
images=$(wine "$exe" -V | tr -d '\r' | sed -n 's/^disc images: //p')
if [ -n "$chd_made" ] && [[ $images == *"CHD (.chd)"* ]]; then
    out=pictures run chd '' -q -o pictures disc.chd
    check "CHD image given: exit status 0 and $picture_count pictures" \
        test "$last_status/$(ls wine-chd/pictures | wc -l)" = "0/$picture_count"
else
    echo "chd: not compared (chdman missing, or the Windows program reads no CHD images)"
fi
# PNG files, where the Windows program writes them (libspng linked in, as
# cmake/build-libspng-mingw.sh provides it): the same libspng and zlib make the same bytes.
formats=$(wine "$exe" -V | tr -d '\r' | sed -n 's/^picture formats: //p')
if [[ $formats == "BMP, PNG"* ]]; then
    ext=PNG out=png run png '' -q -f png -o png disc-mode1.cue
    check "PNG files: exit status 0 and $picture_count pictures" \
        test "$last_status/$(ls wine-png/png | wc -l)" = "0/$picture_count"
else
    echo "png: not compared, the Windows program writes no PNG files: $formats"
fi

# In English, both: the Error! lines, the prompt, the done lines and the summary.
if [ -n "$english" ] && [ -f "$(dirname "$native")/locale/en/LC_MESSAGES/quillmoor.mo" ]; then
    native_env=("${unset_locale[@]}" LOCPATH="$locales" LANGUAGE=en LANG=en_US.UTF-8
        TEXTDOMAINDIR="$(dirname "$native")/locale")
    wine_env=("${unset_locale[@]}" LOCPATH="$locales" LANGUAGE=en LANG=en_US.UTF-8)
    run english_empty $'r\n'
    check "English: the prompt and the Error! lines" \
        grep -q -x 'Error!  File not found. > r:\\MP1001.SEQ' english_empty.wine.unix
    run english_disc $'q\n'
    check "English: exit status 0" test "$last_status" = 0
fi

echo "$passed passed, $failed failed"
test "$failed" = 0
