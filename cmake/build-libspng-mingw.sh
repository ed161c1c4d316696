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
set -euo pipefail

# The version apt would install, as the cache's key: Debian's binary and source versions of
# libspng are the same.
spng_version() {
    local version
    version=$(apt-cache show --no-all-versions libspng0 2>/dev/null | sed -n 's/^Version: //p' |
        head -n 1)
    echo "${version:-unknown}"
}

cache_prefix() {
    local cache=${XDG_CACHE_HOME:-${HOME:-/root}/.cache}
    echo "$cache/quillmoor/libspng-$(spng_version)-mingw-i686"
}

if [ $# -eq 1 ] && [ "$1" = --print-prefix ]; then
    cache_prefix
    exit 0
fi
if [ $# -gt 1 ] || { [ $# -eq 1 ] && [ -z "$1" ]; }; then
    echo "usage: $0 [PREFIX] | --print-prefix" >&2
    exit 2
fi
prefix=$(realpath -m -- "${1:-$(cache_prefix)}")
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

# apt fetches a source package through deb-src lines. Only their index is updated, and a
# failing index elsewhere (a mirror in the middle of a sync) does not matter: what counts is
# whether the source can be had.
if [ -z "$(apt-cache showsrc libspng 2>/dev/null)" ] && [ "$(id -u)" = 0 ]; then
    list=/etc/apt/sources.list.d/quillmoor-src.sources
    cat >"$list" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    apt-get update -q -o Dir::Etc::sourcelist="$list" -o Dir::Etc::sourceparts=- \
        -o APT::Get::List-Cleanup=0 || true
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
