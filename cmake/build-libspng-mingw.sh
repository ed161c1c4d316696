#!/usr/bin/env bash
# libspng for the 32-bit Windows program, from Debian's source package: built with its own
# CMake by mingw-w64 as a static library against Debian's mingw-w64 zlib, and installed in
# PREFIX as lib/libspng_static.a, include/spng.h and share/doc/libspng/LICENSE. Does nothing
# when they are there already.
# Usage: build-libspng-mingw.sh PREFIX
# Needs deb-src lines for Debian in apt's sources, dpkg-dev, cmake, make, gcc-mingw-w64-i686
# and libz-mingw-w64-dev.
set -euo pipefail

if [ $# -ne 1 ] || [ -z "$1" ]; then
    echo "usage: $0 PREFIX" >&2
    exit 2
fi
prefix=$(realpath -m -- "$1")
toolchain=$(cd "$(dirname "$0")" && pwd)/mingw-i686.cmake
mingw_root=/usr/i686-w64-mingw32
# The archive goes in last, so that it stands for a whole installation.
library=$prefix/lib/libspng_static.a

if [ -f "$library" ]; then
    echo "libspng for mingw-w64: already in $prefix"
    exit 0
fi
if [ ! -f "$mingw_root/lib/libz.a" ]; then
    echo "$0: $mingw_root/lib/libz.a is missing (package libz-mingw-w64-dev)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "$0: libspng was not built" >&2' ERR
cd "$work"

# apt checks each downloaded file against the signed Sources index, and dpkg-source -x checks
# them against the .dsc and applies Debian's patches: the source as the package is. (It warns
# that it cannot check the uploader's signature on the .dsc without debian-keyring; apt's
# check has covered the .dsc already.) apt downloads as its own user, who must be able to
# write here.
if [ "$(id -u)" = 0 ] && id _apt >/dev/null 2>&1; then
    chown _apt "$work"
fi
apt-get source -q --download-only libspng
dsc=(libspng_*.dsc)
if [ ${#dsc[@]} -ne 1 ] || [ ! -f "${dsc[0]}" ]; then
    echo "$0: expected one libspng .dsc, found: ${dsc[*]}" >&2
    exit 1
fi
dpkg-source -x "${dsc[0]}" source

# libspng's CMake file cannot be configured without its shared library (the static library's
# include line names the shared target), so both are configured and the static one alone is
# built and installed. SIMD stays off as in Debian's build: it only speeds up reading, and
# would need SSE2, which an i686 build does not assume.
cmake -S source -B build -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DSPNG_STATIC=ON -DSPNG_SHARED=ON -DBUILD_EXAMPLES=OFF -DENABLE_OPT=OFF \
    -DZLIB_INCLUDE_DIR="$mingw_root/include" -DZLIB_LIBRARY="$mingw_root/lib/libz.a"
cmake --build build --target spng_static -j "$(nproc)"
install -D -m 644 source/spng/spng.h "$prefix/include/spng.h"
install -D -m 644 source/LICENSE "$prefix/share/doc/libspng/LICENSE"
install -D -m 644 build/libspng_static.a "$library"
echo "libspng for mingw-w64: installed in $prefix"
