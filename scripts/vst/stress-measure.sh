#!/usr/bin/env bash
# The long measurement of the playback stress test: 1,000,000 blocks of 32
# frames at real-time pace (about 12 minutes) with about 50 MB of WAV data
# loaded, while value changes, imports, state saves and loads run alongside.
# Prints the missed-block count and the longest process call.
# Usage: scripts/vst/stress-measure.sh [build-folder]   (default: build)
# Any TOLVANE_STRESS_* variable already set wins over the defaults below.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build_dir="${1:-${source_dir}/build}"

cmake --build "${build_dir}" --target tolvane_vst_stress_tests -j2
TOLVANE_STRESS_BLOCKS="${TOLVANE_STRESS_BLOCKS:-1000000}" \
TOLVANE_STRESS_FRAMES="${TOLVANE_STRESS_FRAMES:-32}" \
TOLVANE_STRESS_SPEED="${TOLVANE_STRESS_SPEED:-1}" \
TOLVANE_STRESS_SAMPLE_MB="${TOLVANE_STRESS_SAMPLE_MB:-52}" \
    "${build_dir}/tests/plugin/vst/tolvane_vst_stress_tests"
