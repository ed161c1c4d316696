#!/usr/bin/env bash
# libspng for the 32-bit Windows program, from Debian's source package: built with its own
# CMake by mingw-w64 as a static library against Debian's mingw-w64 zlib, and installed in
# PREFIX as lib/libspng_static.a, include/spng.h and share/doc/libspng/LICENSE. Does nothing
# when they are there already.
#
# Usage: build-libspng-mingw.sh [PREFIX]
#        build-libspng-mingw.sh --print-prefix
# Without PREFIX it builds into a cache outside the source tree, one folder per libspng
# version that apt offers: $XDG_CACHE_HOME/quillmoor (else ~/.cache/quillmoor), then
# libspng-VERSION-mingw-i686. --print-prefix prints that folder and does nothing else (the
# build asks it where to look). A build fetches the source only when the cache lacks it.
# Needs dpkg-dev, cmake, make, gcc-mingw-w64-i686 and libz-mingw-w64-dev; run as root, it
# adds a deb-src line for Debian when apt has none.
set -Eeuo pipefail
# shellcheck source-path=SCRIPTDIR
source "$(dirname "$0")/debian-source.sh"

# The version apt would install, as the cache's key: Debian's binary and source versions of
# libspng are the same.
cache_prefix() {
    echo "$(quillmoor_cache)/libspng-$(binary_version libspng0)-mingw-i686"
}

take_prefix_arguments "$@"
# The archive goes in last, so that it stands for a whole installation.
library=$prefix/lib/libspng_static.a

if [ -f "$library" ]; then
    echo "libspng for mingw-w64: already in $prefix"
    exit 0
fi
require_mingw_zlib

offer_source libspng

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "$0: libspng was not built" >&2' ERR
cd "$work"

unpack_source libspng "" source

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
