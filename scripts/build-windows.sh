#!/usr/bin/env bash
# Cross-compiles the Windows x86-64 build on Debian with MinGW-w64: the plug-in
# bundle with its editor, tolvane-render.exe, the SDK's validator.exe and
# editorhost.exe, and the SDK-free test suites with GoogleTest for Windows.
#   scripts/build-windows.sh [build dir [target...]]   (default: build-windows, all)
# Installs the packages it needs (as root), builds libsndfile and its codecs
# from Debian's source packages once (scripts/windows/build-deps.sh), then
# builds. The programs run under Wine: ctest --test-dir <build dir>.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build-windows}")
targets=("${@:2}")
jobs=$(nproc)

bash "$root/scripts/setup.sh" --windows
bash "$root/scripts/windows/build-deps.sh" "$build"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DTOLVANE_TARGET_PREFIX="$build/windows-deps/prefix" \
    -DTOLVANE_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build "$build" -j "$jobs" ${targets[@]+--target "${targets[@]}"}
