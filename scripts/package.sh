#!/usr/bin/env bash
# Release packages for Linux and Windows:
#   dist/TolvaneSynthWT-<version>-linux-x86_64.tar.gz
#   dist/TolvaneSynthWT-<version>-windows-x86_64.zip
#   dist/TolvaneSynthWT-<version>-windows-x86_64-setup.exe   (the installer)
# The archives are each a folder a user unpacks, with the plug-ins (the VST 3
# bundle, the CLAP file, and the LV2 bundle on Linux), the factory presets, the
# renderer (and tolvane-play on Linux), README, manual, licence and the notices
# of every component, with where its source is; the installer holds the Windows
# folder and puts each part where Windows hosts look for it
# (scripts/windows/installer.nsi).
#   scripts/package.sh [linux build] [windows build]   (default: build, build-windows)
# Configures a build folder that is not configured yet and builds in each only
# what the packages hold, so it works in a fresh clone.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
linux=$(realpath -m "${1:-$root/build}")
windows=$(realpath -m "${2:-$root/build-windows}")
dist="$root/dist"
version=$(sed -n 's/.*kVersion = "\([0-9.]*\)".*/\1/p' "$root/plugin/core/ProtocolIds.h")

# What the packages hold.
linux_targets=(TolvaneSynthWT tolvane_clap_module tolvane_lv2_bundle tolvane-render tolvane-play tolvane_factory_presets)
windows_targets=(TolvaneSynthWT tolvane_clap_module tolvane-render tolvane_factory_presets)

if [[ ! -f $linux/CMakeCache.txt ]]; then
    bash "$root/scripts/setup.sh"
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -G Ninja -S "$root" -B "$linux" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}"
fi
cmake --build "$linux" --target "${linux_targets[@]}"
if [[ ! -f $windows/CMakeCache.txt ]]; then
    bash "$root/scripts/build-windows.sh" "$windows" "${windows_targets[@]}"
fi
cmake --build "$windows" --target "${windows_targets[@]}"
bash "$root/scripts/setup.sh" --windows # makensis for the installer
sdk=$(sed -n 's/^TOLVANE_VST3_SDK_ROOT:INTERNAL=//p' "$linux/CMakeCache.txt")

commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
mkdir -p "$dist"

# notices FOLDER PLATFORM: the licence texts of every component and where the sources are.
notices() {
    local folder=$1 platform=$2
    mkdir -p "$folder/licenses"
    cp "$root/LICENSE" "$folder/LICENSE.txt"
    cp "$sdk/LICENSE.txt" "$folder/licenses/vst3sdk-LICENSE.txt"
    cp "$sdk/vstgui4/LICENSE" "$folder/licenses/vstgui-LICENSE.txt"
    cp "$root/plugin/clap/CLAP-HEADERS-LICENSE.txt" "$folder/licenses/clap-LICENSE.txt"
    cp /usr/share/doc/dpf-source/copyright "$folder/licenses/dpf-source-copyright.txt"
    {
        echo "Tolvane Synth WT $version ($platform)"
        echo
        echo "Tolvane Synth WT is free software under the GNU General Public License,"
        echo "version 3 or later (LICENSE.txt). Its source is the project's repository at"
        echo "tag v$version (commit $commit)."
        echo
        echo "It contains:"
        echo "- the VST 3 SDK 3.7.14 (base, pluginterfaces, public.sdk), under its GPL v3"
        echo "  option (licenses/vst3sdk-LICENSE.txt);"
        echo "- VSTGUI 4.14.2, BSD 3-Clause (licenses/vstgui-LICENSE.txt)."
        if [[ $platform == windows ]]; then
            echo "  Both are built with the patches in source/vst3sdk-patches (MinGW-w64)."
            echo "- libsndfile, LGPL 2.1 or later, with libFLAC and libogg, libvorbis and"
            echo "  libopus (BSD-style licences), linked statically into tolvane-render.exe"
            echo "  (licenses/libsndfile-COPYING.txt and the others). They were built from"
            echo "  these Debian 12 source packages, unchanged but for Debian's own patches"
            echo "  (apt-get source <package>=<version>):"
            grep -v '^build-deps.sh' "$windows/windows-deps/prefix/SOURCES.txt" | sed 's/^/    /'
            echo
            echo "  Under the LGPL you may relink tolvane-render.exe with a changed"
            echo "  libsndfile: build this project's source with scripts/build-windows.sh,"
            echo "  which builds libsndfile from the source package."
            echo "- the MinGW-w64 runtime and winpthreads (licenses/mingw-w64-copyright.txt)"
            echo "  and GCC's libstdc++ and libgcc under the GCC Runtime Library Exception"
            echo "  (licenses/gcc-runtime-copyright.txt), linked statically; Debian 12"
            echo "  packages mingw-w64 $(dpkg-query -W -f='${Version}' mingw-w64-common) and"
            echo "  gcc-mingw-w64 $(dpkg-query -W -f='${Version}' gcc-mingw-w64-base)."
        else
            echo "- tolvane-render and tolvane-play use the system's libsndfile (LGPL 2.1"
            echo "  or later) and tolvane-play the JACK client library (LGPL 2.1 or later);"
            echo "  neither is included."
        fi
        echo "- the CLAP 1.1 headers in TolvaneSynthWT.clap, MIT upstream"
        echo "  (licenses/clap-LICENSE.txt), from Debian 12's dpf-source package"
        echo "  $(dpkg-query -W -f='${Version}' dpf-source), whose copyright file lists them"
        echo "  under GPL-2+ with the rest of DPF (licenses/dpf-source-copyright.txt)."
    } >"$folder/NOTICES.txt"
    if [[ $platform == windows ]]; then
        local src="$windows/windows-deps/src"
        cp "$src"/libsndfile-*/COPYING "$folder/licenses/libsndfile-COPYING.txt"
        cp "$src"/flac-*/COPYING.Xiph "$folder/licenses/flac-COPYING.Xiph.txt"
        cp "$src"/libogg-*/COPYING "$folder/licenses/libogg-COPYING.txt"
        cp "$src"/libvorbis-*/COPYING "$folder/licenses/libvorbis-COPYING.txt"
        cp "$src"/opus-*/COPYING "$folder/licenses/opus-COPYING.txt"
        cp /usr/share/doc/mingw-w64-common/copyright "$folder/licenses/mingw-w64-copyright.txt"
        cp /usr/share/doc/gcc-mingw-w64-base/copyright "$folder/licenses/gcc-runtime-copyright.txt"
        mkdir -p "$folder/source/vst3sdk-patches"
        cp "$root"/cmake/vst3sdk-patches/*.patch "$folder/source/vst3sdk-patches/"
    fi
}

# common FOLDER BUILD: README, manual and the factory presets as the generator wrote them.
common() {
    local folder=$1 build=$2
    cp "$root/README.md" "$folder/README.md"
    mkdir -p "$folder/docs"
    cp "$root/docs/manual.md" "$folder/docs/manual.md"
    cp -r "$build/presets" "$folder/presets"
}

echo "== Linux package =="
name="TolvaneSynthWT-$version-linux-x86_64"
stage="$dist/$name"
rm -rf "$stage" "$dist/$name.tar.gz"
mkdir -p "$stage/bin"
cp -r "$linux/VST3/Release/TolvaneSynthWT.vst3" "$stage/"
cp -r "$linux/lv2/TolvaneSynthWT.lv2" "$linux/clap/TolvaneSynthWT.clap" "$stage/"
cp "$linux/tools/tolvane-render" "$linux/tools/tolvane-play" "$stage/bin/"
strip "$stage/bin/"* "$stage/TolvaneSynthWT.vst3/Contents/x86_64-linux/"*.so "$stage/TolvaneSynthWT.lv2/"*.so \
    "$stage/TolvaneSynthWT.clap"
common "$stage" "$linux"
notices "$stage" linux
tar -C "$dist" -czf "$dist/$name.tar.gz" "$name"
rm -rf "$stage"

echo "== Windows package =="
name="TolvaneSynthWT-$version-windows-x86_64"
stage="$dist/$name"
rm -rf "$stage" "$dist/$name.zip"
mkdir -p "$stage"
cp -r "$windows/VST3/Release/TolvaneSynthWT.vst3" "$stage/"
cp "$windows/clap/TolvaneSynthWT.clap" "$windows/tools/tolvane-render.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/tolvane-render.exe" "$stage/TolvaneSynthWT.vst3/Contents/x86_64-win/"*.vst3 \
    "$stage/TolvaneSynthWT.clap"
common "$stage" "$windows"
notices "$stage" windows
(cd "$dist" && zip -qr "$name.zip" "$name")

echo "== Windows installer =="
setup="$dist/$name-setup.exe"
rm -f "$setup"
bash "$root/scripts/windows/installer-files.sh" "$stage" "$dist/installer-files.nsh"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$dist/installer-files.nsh" \
    -DSIZE_KB="$(du -sk "$stage" | cut -f 1)" -DOUTFILE="$setup" "$root/scripts/windows/installer.nsi"
rm -rf "$stage" "$dist/installer-files.nsh"

ls -l "$dist"/TolvaneSynthWT-"$version"-*
