#!/usr/bin/env bash
# Builds what the Windows renderer needs and Debian ships no MinGW build of:
# libsndfile with its FLAC, Ogg, Vorbis and Opus codecs, as static libraries,
# from Debian's own source packages (apt-get source, Debian's patches applied).
#   scripts/windows/build-deps.sh <build dir>
# Writes <build dir>/windows-deps/prefix (headers, libraries, pkg-config files)
# and prefix/SOURCES.txt (the source package versions, for the release notices).
# A second run with the same package versions does nothing.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(realpath -m "${1:?usage: build-deps.sh <build dir>}")
deps="$build/windows-deps"
prefix="$deps/prefix"
toolchain="$root/cmake/toolchains/mingw-w64-x86_64.cmake"
jobs=$(nproc)

# Source package and the CMake options of its static, library-only build; in
# link order (libsndfile takes FLAC and Vorbis only together with Opus). Opus
# 1.3.1's CMake files are incomplete in its release: it builds with configure.
packages=(libogg flac libvorbis opus libsndfile)
declare -A options=(
    [libogg]="-DINSTALL_DOCS=OFF"
    [flac]="-DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DWITH_OGG=ON"
    [libvorbis]=""
    # FLAC's headers assume a DLL unless told otherwise.
    [libsndfile]="-DCMAKE_C_FLAGS=-DFLAC__NO_DLL -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=OFF -DENABLE_CPACK=OFF -DINSTALL_MANPAGES=OFF -DENABLE_PACKAGE_CONFIG=ON"
)

# The versions apt would fetch now; the build is redone only when they or this
# script change.
versions="build-deps.sh $(sha256sum "${BASH_SOURCE[0]}" | cut -c 1-16)"$'\n'
for p in "${packages[@]}"; do
    v=$(apt-cache showsrc "$p" 2>/dev/null | awk '/^Version:/ { print $2; exit }')
    if [[ -z $v ]]; then
        echo "build-deps: no source package $p; add a deb-src line (scripts/setup.sh --windows does)" >&2
        exit 1
    fi
    versions+="$p $v"$'\n'
done
if [[ -f $prefix/SOURCES.txt && $(cat "$prefix/SOURCES.txt") == "${versions%$'\n'}" ]]; then
    echo "build-deps: $prefix is up to date"
    exit 0
fi

rm -rf "$deps"
mkdir -p "$deps/src" "$prefix"
cd "$deps/src"
for p in "${packages[@]}"; do
    echo "== $p: source =="
    apt-get source -qq "$p" >/dev/null 2>"$deps/src/$p.apt.log" || { cat "$deps/src/$p.apt.log" >&2; exit 1; }
    src=$(find "$deps/src" -mindepth 1 -maxdepth 1 -type d -name "${p}-*" | head -n 1)
    echo "== $p: build =="
    if [[ $p == opus ]]; then
        (cd "$src" && ./configure --host=x86_64-w64-mingw32 --prefix="$prefix" --enable-static --disable-shared \
            --disable-doc --disable-extra-programs CC=x86_64-w64-mingw32-gcc-posix && make -j "$jobs" install) \
            >"$deps/build-$p.log" 2>&1 || { tail -n 30 "$deps/build-$p.log" >&2; exit 1; }
        continue
    fi
    # shellcheck disable=SC2086 # the options are words
    cmake -G Ninja -S "$src" -B "$deps/build-$p" -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTOLVANE_TARGET_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF ${options[$p]} >"$deps/build-$p.log"
    cmake --build "$deps/build-$p" -j "$jobs" >>"$deps/build-$p.log"
    cmake --install "$deps/build-$p" >>"$deps/build-$p.log"
done
printf '%s' "${versions%$'\n'}" >"$prefix/SOURCES.txt"
echo "build-deps: libsndfile and its codecs are in $prefix"
