#!/usr/bin/env bash
# Sets up, builds everything and runs every test: the unit and integration
# tests (the SDK's validator on the plug-in included), then each fuzzer for a
# bounded time under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# processor's concurrency test under ThreadSanitizer.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)
start=$(date +%s)

bash "$root/scripts/setup.sh"

echo "== build and test (Release) =="
cmake -G Ninja -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build" -j "$jobs"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

echo "== fuzzers (clang, address + undefined) =="
cmake -G Ninja -S "$root" -B "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTOLVANE_BUILD_FUZZERS=ON -DTOLVANE_SANITIZE=address,undefined \
    -DTOLVANE_BUILD_PLUGIN=OFF -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=OFF \
    -DTOLVANE_FUZZ_SECONDS="${TOLVANE_FUZZ_SECONDS:-60}"
cmake --build "$root/build-fuzz" -j "$jobs"
ctest --test-dir "$root/build-fuzz" --output-on-failure -j "$jobs"

echo "== audio thread against message thread (ThreadSanitizer) =="
bash "$root/scripts/vst/tsan-test.sh" "$root/build-tsan"

echo "== all tests passed in $(( $(date +%s) - start )) s =="
