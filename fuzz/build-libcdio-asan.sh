#!/usr/bin/env bash
# Builds libcdio and libiso9660 from Debian's source package with clang, AddressSanitizer,
# UndefinedBehaviorSanitizer and libFuzzer's coverage, as static libraries in
# build-fuzz-cdio/libcdio-asan/, where the fuzz-cdio preset takes them from. The fuzz
# targets then see over-reads inside libcdio too, not only in our own code.
set -euo pipefail

usage() {
    cat >&2 <<'EOF'
usage: fuzz/build-libcdio-asan.sh [--force] [--check]
  --force  build again even when the prefix already holds this version
  --check  also run libcdio's own test suite under the sanitizers
Needs clang, make and dpkg-dev. Without a deb-src line for Debian's main archive it adds
/etc/apt/sources.list.d/quillmoor-src.sources and runs apt-get update, which needs root.
EOF
    exit 2
}

force=0
check=0
for arg in "$@"; do
    case $arg in
    --force) force=1 ;;
    --check) check=1 ;;
    *) usage ;;
    esac
done

root=$(cd "$(dirname "$0")/.." && pwd)
top="$root/build-fuzz-cdio"
src="$top/libcdio-src"
prefix="$top/libcdio-asan"
package=libcdio

# The flags of our own fuzz build, so that libcdio's faults stop the fuzzer the same way.
# But for one check: on every lookup libcdio copies a file's empty symbolic link name as
# memcpy(to, NULL, 0), which would stop each run before it got anywhere.
cflags='-O1 -g -fsanitize=address,undefined -fno-sanitize=nonnull-attribute -fno-sanitize-recover=all -fsanitize=fuzzer-no-link -fno-omit-frame-pointer'

say() { echo "build-libcdio-asan: $*" >&2; }
die() {
    say "$*"
    exit 1
}

for tool in clang make apt-get sha256sum; do
    command -v "$tool" >/dev/null || die "$tool is missing"
done

have_source_lines() {
    # shellcheck disable=SC2016 # a field of apt's format, not ours to expand
    apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -qx Sources
}

add_source_lines() {
    local codename file=/etc/apt/sources.list.d/quillmoor-src.sources
    # shellcheck disable=SC1091
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || die "cannot tell this system's Debian release; add a deb-src line for $package's source by hand"
    local lines="Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    if [ "$(id -u)" -ne 0 ]; then
        say "apt has no source lines; as root, put these lines into $file and run apt-get update:"
        echo "$lines" >&2
        exit 1
    fi
    say "adding $file (deb-src for $codename main)"
    echo "$lines" >"$file"
    apt-get update -qq
}

# Downloads the source package into the current folder. apt checks every file it does get
# against the signed index; a file the mirror lacks is left out, and we go on without it.
download() {
    LC_ALL=C apt-get source --download-only -o APT::Sandbox::User=root "$package" \
        >download.log 2>&1 || true
    compgen -G "${package}_*.dsc" >/dev/null
}

# The first file of the .dsc whose name matches PATTERN.
listed_file() {
    awk -v p="$2" '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && $3 ~ p { print $3; exit }' "$1"
}

# The checksum the .dsc lists for FILE, or nothing.
listed_sha256() {
    awk -v f="$2" '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && $3 == f { print $1 }' "$1"
}

verified() {
    local dsc=$1 file=$2 sum
    [ -f "$file" ] || return 1
    sum=$(listed_sha256 "$dsc" "$file")
    [ -n "$sum" ] && [ "$(sha256sum <"$file" | cut -d' ' -f1)" = "$sum" ]
}

start=$SECONDS
have_source_lines || add_source_lines

# The download is fresh each time; the unpacked tree stays, for reading the lines that
# the sanitizers' reports point into.
rm -rf "$src/download"
mkdir -p "$src/download"
cd "$src/download"
if ! download; then
    # Source lines without their indexes: fetch them once, if we may.
    [ "$(id -u)" -eq 0 ] || { cat download.log >&2; die "apt-get source found no $package; run apt-get update as root"; }
    apt-get update -qq
    download || { cat download.log >&2; die "apt-get source found no $package"; }
fi
dsc=$(compgen -G "${package}_*.dsc" | head -n 1)
version=$(sed -n 's/^Version: *//p' "$dsc")
orig=$(listed_file "$dsc" '\.orig\.tar\.[a-z0-9]+$')
debian=$(listed_file "$dsc" '\.debian\.tar\.[a-z0-9]+$')
[ -n "$orig" ] || die "$dsc names no upstream tarball"
verified "$dsc" "$orig" || { cat download.log >&2; die "$orig is missing or does not match $dsc"; }
patched=""
if [ -z "$debian" ] || ! verified "$dsc" "$debian"; then
    patched="without Debian's patches"
fi

stamp="$package $version${patched:+ $patched} CC=clang CFLAGS=$cflags"
if [ $force -eq 0 ] && [ -f "$prefix/.stamp" ] && [ "$(cat "$prefix/.stamp")" = "$stamp" ]; then
    say "$prefix already holds $package $version${patched:+ ($patched)}; --force builds it again"
    exit 0
fi

rm -rf "$src/tree"
if [ -z "$patched" ]; then
    command -v dpkg-source >/dev/null || die "dpkg-source is missing (package dpkg-dev)"
    dpkg-source -x "$dsc" "$src/tree" >extract.log 2>&1 ||
        { cat extract.log >&2; die "dpkg-source could not unpack $dsc"; }
    say "$package $version with Debian's patches"
else
    # The orig tarball is the upstream release as Debian took it; only Debian's own
    # changes are missing.
    grep '^E: ' download.log >&2 || true
    mkdir "$src/tree"
    tar -xf "$orig" -C "$src/tree" --strip-components=1
    say "WARNING: ${debian:-the Debian tarball} could not be had; building the upstream $orig without Debian's patches"
fi

cd "$src/tree"
# Configure's test programs run under the sanitizers too; a leak in one must not fail it.
export ASAN_OPTIONS=detect_leaks=0
jobs=$(nproc)
say "configuring (log: $src/tree/configure.log)"
# Static libraries only, so that the linker cannot pick a shared libcdio; position-
# independent, as clang links PIE programs here. None of the programs, C++ bindings or
# CDDB: only the two libraries are wanted.
CC=clang CFLAGS="$cflags" ./configure --prefix="$prefix" --libdir="$prefix/lib" \
    --disable-shared --enable-static --with-pic \
    --disable-cxx --disable-cpp-progs --disable-example-progs \
    --without-cd-drive --without-cd-info --without-cdda-player --without-cd-read \
    --without-iso-info --without-iso-read --disable-cddb --disable-vcd-info \
    --disable-dependency-tracking --disable-maintainer-mode --disable-silent-rules \
    >configure.log 2>&1 || { tail -n 40 configure.log >&2; die "configure failed"; }

# Only the headers and the libraries: src/ would still build a drive tool.
say "building with $jobs jobs (log: $src/tree/make.log)"
{ nice make -j"$jobs" -C include && nice make -j"$jobs" -C lib; } >make.log 2>&1 || { tail -n 40 make.log >&2; die "make failed"; }

if [ $check -eq 1 ]; then
    # A test may fail for reasons of its own (realpath's does, without sanitizers too);
    # what counts here is a sanitizer's report. The test programs' own leaks do not.
    say "running libcdio's tests under the sanitizers (log: $src/tree/check.log)"
    UBSAN_OPTIONS=print_stacktrace=1 \
        nice make -k -j"$jobs" -C test check >check.log 2>&1 || true
    grep -E '^(FAIL|ERROR|XPASS):' check.log >&2 || true
    reports=$(find test -name '*.log' ! -name test-suite.log \
        -exec grep -l -E 'Sanitizer|runtime error:' {} + || true)
    if [ -n "$reports" ]; then
        while IFS= read -r log; do
            say "sanitizer report in $src/tree/$log:"
            head -n 30 "$log" >&2
        done <<<"$reports"
        die "libcdio's tests set off the sanitizers"
    fi
    say "libcdio's tests set off no sanitizer"
fi

rm -rf "$prefix"
{ make -C include install && make -C lib install && make install-pkgconfigDATA; } >install.log 2>&1 || { tail -n 40 install.log >&2; die "make install failed"; }
# The .la files matter to libtool alone, which nothing of ours uses.
rm -f "$prefix"/lib/*.la
echo "$stamp" >"$prefix/.stamp"

say "installed $package $version${patched:+ ($patched)} in $prefix in $((SECONDS - start)) s"
say "build the fuzz targets against it: cmake --workflow --preset fuzz-cdio"
