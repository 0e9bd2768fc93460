#!/usr/bin/env bash
# Measures how fast tolvane-render runs a dense 16-part song and the demo.
# Not a test: timings depend on the machine and its load. Use a Release build:
#   tools/demo/measure-render-speed.sh build-folder [seconds]
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
build=${1:?usage: measure-render-speed.sh BUILD_FOLDER [SECONDS]}
seconds=${2:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tools/tolvane-make-demo" --dense "$seconds" "$work/dense.mid"
for song in dense demo; do
    args=(-o "$work/$song.wav")
    [[ $song == dense ]] && args+=(--receive-sysex "$work/dense.mid")
    # CPU time as well as wall time: on a shared machine the wall clock mostly measures the neighbours.
    /usr/bin/time -f "  cpu %U s user + %S s system" "$build/tools/tolvane-render" "${args[@]}"
done
