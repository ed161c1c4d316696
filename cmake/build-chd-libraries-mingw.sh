#!/usr/bin/env bash
# The libraries that unpack CHD images' hunks, for the 32-bit Windows program: liblzma, libzstd
# and libFLAC, each built from Debian's source package (xz-utils, libzstd, flac) with its own
# CMake by mingw-w64 as a static library, and installed in PREFIX as lib/liblzma.a,
# lib/libzstd.a and lib/libFLAC.a (with lib/pkgconfig/flac.pc), their headers in include and
# their licences in share/doc/xz/COPYING, share/doc/zstd/LICENSE and
# share/doc/flac/COPYING.Xiph. zlib is Debian's own mingw-w64 build (libz-mingw-w64-dev), as
# libspng's. Does nothing when they are there already.
#
# Usage: build-chd-libraries-mingw.sh [PREFIX]
#        build-chd-libraries-mingw.sh --print-prefix
# Without PREFIX it builds into a cache outside the source tree, one folder per set of
# versions: $XDG_CACHE_HOME/quillmoor (else ~/.cache/quillmoor), then
# chd-xz-utils-VERSION-libzstd-VERSION-flac-VERSION-mingw-i686, the versions of the sources
# that apt's liblzma-dev, libzstd-dev and libflac-dev are built from, so that the Windows
# program unpacks hunks with the code the Linux one links. --print-prefix prints that folder
# and does nothing else (the build asks it where to look). A build fetches the sources only
# when the cache lacks them. Needs dpkg-dev, cmake, make, gcc-mingw-w64-i686 and
# libz-mingw-w64-dev; run as root, it adds deb-src lines for Debian when apt lacks a source.
set -Eeuo pipefail
# shellcheck source-path=SCRIPTDIR
source "$(dirname "$0")/debian-source.sh"

# The source packages, each as "NAME VERSION", in the order of their -dev packages.
development_packages=(liblzma-dev libzstd-dev libflac-dev)
sources() {
    local package
    for package in "${development_packages[@]}"; do
        binary_source "$package"
    done
}

cache_prefix() {
    local name version key=chd
    while read -r name version; do
        key+="-$name-$version"
    done < <(sources)
    echo "$(quillmoor_cache)/$key-mingw-i686"
}

take_prefix_arguments "$@"
# libFLAC's archive goes in last, so that it stands for a whole installation.
last=$prefix/lib/libFLAC.a

if [ -f "$last" ]; then
    echo "CHD libraries for mingw-w64: already in $prefix"
    exit 0
fi
require_mingw_zlib
mapfile -t wanted < <(sources)
for source in "${wanted[@]}"; do
    if [[ "$source" == *" unknown" ]]; then
        echo "$0: apt knows no version of ${source% *}" >&2
        exit 1
    fi
    # shellcheck disable=SC2086 # NAME VERSION, two words
    offer_source $source
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "$0: the CHD libraries were not built" >&2' ERR
cd "$work"
for source in "${wanted[@]}"; do
    # shellcheck disable=SC2086 # NAME VERSION, then the folder
    unpack_source $source "${source% *}"
done

configure() {
    cmake -S "$1" -B "build-$2" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "${@:3}"
}
build() {
    cmake --build "build-$1" --target "$2" -j "$(nproc)"
}

# liblzma: the library alone, whose CMake build 5.4 has (xz's programs and tests are other
# targets).
configure xz-utils xz
build xz liblzma
install -D -m 644 -t "$prefix/include" xz-utils/src/liblzma/api/lzma.h
install -D -m 644 -t "$prefix/include/lzma" xz-utils/src/liblzma/api/lzma/*.h
install -D -m 644 xz-utils/COPYING "$prefix/share/doc/xz/COPYING"
install -D -m 644 build-xz/liblzma.a "$prefix/lib/liblzma.a"

# libzstd: decoding needs neither threads (they only split compression) nor the formats of
# before zstd 0.8, which no CHD image holds.
configure libzstd/build/cmake zstd -DZSTD_BUILD_STATIC=ON -DZSTD_BUILD_SHARED=OFF \
    -DZSTD_BUILD_PROGRAMS=OFF -DZSTD_BUILD_TESTS=OFF -DZSTD_MULTITHREAD_SUPPORT=OFF \
    -DZSTD_LEGACY_SUPPORT=OFF
build zstd libzstd_static
install -D -m 644 -t "$prefix/include" libzstd/lib/zstd.h libzstd/lib/zstd_errors.h
install -D -m 644 libzstd/LICENSE "$prefix/share/doc/zstd/LICENSE"
install -D -m 644 build-zstd/lib/libzstd.a "$prefix/lib/libzstd.a"

# libFLAC: the C library without Ogg. The stack protector and _FORTIFY_SOURCE stay off, as in
# the rest of the Windows program: with mingw-w64 they would tie the archive to libssp.
configure flac flac -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DWITH_OGG=OFF \
    -DWITH_STACK_PROTECTOR=OFF -DWITH_FORTIFY_SOURCE=OFF
build flac FLAC
install -D -m 644 -t "$prefix/include/FLAC" flac/include/FLAC/*.h
install -D -m 644 flac/COPYING.Xiph "$prefix/share/doc/flac/COPYING.Xiph"
# Its headers do not say its version; its pkg-config file does.
install -D -m 644 build-flac/src/libFLAC/flac.pc "$prefix/lib/pkgconfig/flac.pc"
install -D -m 644 build-flac/src/libFLAC/libFLAC.a "$last"
echo "CHD libraries for mingw-w64: installed in $prefix"
