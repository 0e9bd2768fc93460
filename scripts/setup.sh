#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the fuzzers and the
# editor tests need. Idempotent and quiet when everything is already there.
#   setup.sh             the Linux build and its tests
#   setup.sh --windows   also the Windows cross build, Wine to test it and the
#                        source packages of libsndfile and its codecs
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
windows=false
[[ ${1:-} == --windows ]] && windows=true

packages=(
    # toolchain
    cmake ninja-build g++ pkg-config git
    # VST 3 SDK and VSTGUI on Linux
    libx11-xcb-dev libxcb-util-dev libxcb-cursor-dev libxcb-xkb-dev libxkbcommon-dev
    libxkbcommon-x11-dev libfontconfig1-dev libcairo2-dev libgtkmm-3.0-dev libsqlite3-dev
    libxcb-keysyms1-dev libxcb-damage0-dev libxcb-xtest0-dev
    # tests, benchmarks, audio files
    libgtest-dev libgmock-dev libbenchmark-dev libsndfile1-dev
    # fuzzers and sanitizers
    clang libclang-rt-14-dev
    # editor tests in a real X window, screenshots, artwork fonts
    xvfb xauth x11-apps x11-utils imagemagick xdotool xtrace fonts-dejavu-core
    # the factory bank generator check; the audition pages' audio and spectrograms
    python3 sox libsox-fmt-base
    # tolvane-play (JACK client) and its tests on a private dummy JACK server
    libjack-jackd2-dev jackd2
    # the LV2 plug-in, its lilv test host, lv2_validate (sord_validate), jalv and Ardour's headless session tool
    lv2-dev liblilv-dev sordi jalv ardour
    # the web page: Emscripten (its C and C++ libraries come prebuilt), and
    # headless Chromium driven by selenium for its tests
    emscripten chromium chromium-driver python3-selenium
    # the CLAP headers (only the headers under /usr/share/dpf/distrho/src/clap are used)
    dpf-source
)

if $windows; then
    packages+=(
        # MinGW-w64 cross compiler (POSIX threads for std::thread), Wine to run the result
        g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64
        # Debian's source packages of libsndfile and its codecs, unpacked and patched
        dpkg-dev patch
        # Direct2D under Wine draws through OpenGL: Mesa's software driver on Xvfb
        libgl1-mesa-dri libglx-mesa0
        # release packages and the Windows installer (makensis)
        zip unzip nsis
    )
fi

# apt-get source needs the archive's source lists: the same archive as the binaries.
add_source_lists() {
    local list=/etc/apt/sources.list.d/debian.sources
    if [[ -f $list ]]; then
        sed 's/^Types: deb$/Types: deb-src/' "$list" >/etc/apt/sources.list.d/tolvane-debian-src.sources
    elif [[ -f /etc/apt/sources.list ]]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/tolvane-debian-src.list
    fi
}

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    if [[ $(id -u) -ne 0 ]]; then
        echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
        exit 1
    fi
    echo "setup: installing ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if $windows && [[ -z $(apt-cache showsrc libsndfile 2>/dev/null) ]]; then
    if [[ $(id -u) -ne 0 ]]; then
        echo "setup: no deb-src lines for apt-get source (run as root to add them)" >&2
        exit 1
    fi
    echo "setup: adding the Debian archive's source lists" >&2
    add_source_lists
    apt-get update -qq
fi
