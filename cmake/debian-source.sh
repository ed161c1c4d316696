# shellcheck shell=bash
# Functions the scripts that build libraries for the Windows program share (sourced, not run):
# where their cache lies, and a Debian source package fetched with apt's checks and unpacked.

# The folder that holds one folder per built set of libraries: $XDG_CACHE_HOME/quillmoor, else
# ~/.cache/quillmoor.
quillmoor_cache() {
    local cache=${XDG_CACHE_HOME:-${HOME:-/root}/.cache}
    echo "$cache/quillmoor"
}

# The arguments of a build script for the Windows program ([PREFIX] | --print-prefix), with
# cache_prefix defined by the script: --print-prefix prints the cache's folder and ends the
# script; otherwise prefix is PREFIX or that folder, and toolchain and mingw_root are set.
take_prefix_arguments() {
    if [ $# -eq 1 ] && [ "$1" = --print-prefix ]; then
        cache_prefix
        exit 0
    fi
    if [ $# -gt 1 ] || { [ $# -eq 1 ] && [ -z "$1" ]; }; then
        echo "usage: $0 [PREFIX] | --print-prefix" >&2
        exit 2
    fi
    # shellcheck disable=SC2034 # the sourcing script's
    prefix=$(realpath -m -- "${1:-$(cache_prefix)}")
    # shellcheck disable=SC2034 # the sourcing script's
    toolchain=$(cd "$(dirname "$0")" && pwd)/mingw-i686.cmake
    mingw_root=/usr/i686-w64-mingw32
}

# Ends the script unless mingw-w64's static zlib, which the libraries link, is installed.
require_mingw_zlib() {
    if [ ! -f "$mingw_root/lib/libz.a" ]; then
        echo "$0: $mingw_root/lib/libz.a is missing (package libz-mingw-w64-dev)" >&2
        exit 1
    fi
}

# The version of binary package $1 that apt would install, or "unknown".
binary_version() {
    local version
    version=$(apt-cache show --no-all-versions "$1" 2>/dev/null | sed -n 's/^Version: //p' |
        head -n 1)
    echo "${version:-unknown}"
}

# "NAME VERSION" of the source package that binary package $1, as apt would install it, is
# built from, or "NAME unknown". The Source field names the source's version only where it
# differs from the binary's (a rebuild).
binary_source() {
    local fields name version
    fields=$(apt-cache show --no-all-versions "$1" 2>/dev/null)
    name=$(sed -n 's/^Source: \([^ ]*\).*/\1/p' <<<"$fields" | head -n 1)
    version=$(sed -n 's/^Source: [^ ]* (\(.*\))$/\1/p' <<<"$fields" | head -n 1)
    if [ -z "$version" ]; then
        version=$(sed -n 's/^Version: //p' <<<"$fields" | head -n 1)
    fi
    echo "${name:-$1} ${version:-unknown}"
}

# Whether apt offers source package $1 (at version $2, when given).
source_offered() {
    local versions
    versions=$(apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p')
    if [ $# -eq 1 ]; then
        [ -n "$versions" ]
    else
        grep -qxF -- "$2" <<<"$versions"
    fi
}

# apt fetches a source package through deb-src lines: run as root, this adds Debian's (with the
# updates and security suites, where a fixed library comes from) when apt does not offer
# source $1 (at version $2). Only their index is updated, and a failing index elsewhere (a
# mirror in the middle of a sync) does not matter: what counts is whether the source can be
# had.
offer_source() {
    if source_offered "$@" || [ "$(id -u)" != 0 ]; then
        return 0
    fi
    local list=/etc/apt/sources.list.d/quillmoor-src.sources
    cat >"$list" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    apt-get update -q -o Dir::Etc::sourcelist="$list" -o Dir::Etc::sourceparts=- \
        -o APT::Get::List-Cleanup=0 || true
}

# Source package $1 (at version $2, when given) unpacked into folder $3, below the current
# folder, which must be empty of other packages' .dsc files. apt checks each downloaded file
# against the signed Sources index, and dpkg-source -x checks them against the .dsc and applies
# Debian's patches: the source as the package is. (It warns that it cannot check the
# uploader's signature on the .dsc without debian-keyring; apt's check has covered the .dsc
# already.) apt downloads as its own user, who must be able to write here.
unpack_source() {
    local name=$1 version=$2 folder=$3
    if [ "$(id -u)" = 0 ] && id _apt >/dev/null 2>&1; then
        chown _apt .
    fi
    # A version the index names may still be missing from the mirror (a security update not
    # yet copied there): then the newest other version apt offers is taken, and said.
    if ! apt-get source -q --download-only "$name${version:+=$version}"; then
        [ -n "$version" ] || return 1
        local other fetched=
        while read -r other; do
            rm -f "${name}"_*
            echo "$0: $name $version cannot be fetched; taking $other" >&2
            if apt-get source -q --download-only "$name=$other"; then
                fetched=$other
                break
            fi
        done < <(apt-cache showsrc --only-source "$name" 2>/dev/null |
            sed -n 's/^Version: //p' | grep -vxF -- "$version" | sort -rVu)
        [ -n "$fetched" ] || return 1
    fi
    local dsc=("${name}"_*.dsc)
    if [ ${#dsc[@]} -ne 1 ] || [ ! -f "${dsc[0]}" ]; then
        echo "$0: expected one $name .dsc, found: ${dsc[*]}" >&2
        return 1
    fi
    dpkg-source -x "${dsc[0]}" "$folder"
}
