#!/usr/bin/env bash
# Builds the VST 3 shell's concurrency test with ThreadSanitizer in its own
# build folder (without the editor, which the test does not open) and runs it; any race report fails the run.
# Usage: scripts/vst/tsan-test.sh [build-folder]   (default: build-vst-tsan)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build_dir="${1:-${source_dir}/build-vst-tsan}"

cmake -G Ninja -S "${source_dir}" -B "${build_dir}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOLVANE_BUILD_PLUGIN=ON -DTOLVANE_BUILD_TESTS=ON -DTOLVANE_BUILD_BENCH=OFF \
    -DTOLVANE_SANITIZE=thread -DTOLVANE_BUILD_EDITOR=OFF
ninja -C "${build_dir}" -j2 tolvane_vst_tsan_tests

# halt_on_error: the first report fails the test; the exit code is checked below.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
    "${build_dir}/tests/plugin/vst/tolvane_vst_tsan_tests"
echo "tsan-test: no ThreadSanitizer report"
