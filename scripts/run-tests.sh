#!/usr/bin/env bash
# Sets up, builds everything and runs every test: the unit and integration
# tests (the SDK's validator on the plug-in included), the web page's tests
# (its WebAssembly suites under Node, the page in headless Chromium), the
# SDK-free test suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# each fuzzer for a bounded time under the same sanitizers, and the processor's
# concurrency test under ThreadSanitizer, and the Windows version built with
# MinGW-w64 and tested under Wine. Each stage reports how long it took.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)
start=$(date +%s)
stage_start=$start
timings=""

# Records the time since the previous stage ended.
stage_done() {
    local now
    now=$(date +%s)
    timings+="  $1: $(( now - stage_start )) s"$'\n'
    stage_start=$now
}

bash "$root/scripts/setup.sh" --windows
stage_done "setup"

echo "== build and test (Release) =="
cmake -G Ninja -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build" -j "$jobs"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs" -LE web
stage_done "Release build and tests"

echo "== web page: WebAssembly suites under Node, the page in headless Chromium =="
# Built with the rest above (cmake/WebPage.cmake); its tests run alone here,
# the page's renders timed against tolvane-render on an otherwise idle machine.
ctest --test-dir "$root/build" --output-on-failure -L web
stage_done "web page"

echo "== test suite (clang, address + undefined) =="
# The SDK-free layers only: the plug-in shell and editor get the validator and
# ThreadSanitizer runs instead, and would double this stage's build time.
cmake -G Ninja -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTOLVANE_SANITIZE=address,undefined \
    -DTOLVANE_BUILD_PLUGIN=OFF -DTOLVANE_BUILD_TESTS=ON -DTOLVANE_BUILD_BENCH=OFF
cmake --build "$root/build-asan" -j "$jobs"
ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:${ASAN_OPTIONS:-}" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}" \
    ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"
stage_done "sanitized test suite"

echo "== fuzzers (clang, address + undefined) =="
cmake -G Ninja -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTOLVANE_BUILD_FUZZERS=ON -DTOLVANE_SANITIZE=address,undefined \
    -DTOLVANE_BUILD_PLUGIN=OFF -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=OFF \
    -DTOLVANE_FUZZ_SECONDS="${TOLVANE_FUZZ_SECONDS:-60}"
cmake --build "$root/build-fuzz" -j "$jobs"
ctest --test-dir "$root/build-fuzz" --output-on-failure -j "$jobs"
stage_done "fuzzers"

echo "== audio thread against message thread (ThreadSanitizer) =="
bash "$root/scripts/vst/tsan-test.sh" "$root/build-tsan"
stage_done "ThreadSanitizer"

echo "== Windows: cross build, tests under Wine, renders against Linux, editor, packages =="
bash "$root/scripts/windows/test-stage.sh" "$root/build" "$root/build-windows"
stage_done "Windows"

echo "== stage times =="
printf '%s' "$timings"
echo "== all tests passed in $(( $(date +%s) - start )) s =="
