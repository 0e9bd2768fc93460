#!/usr/bin/env bash
# Sets up, builds the renderer and renders the bundled demo song to demo.wav.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/scripts/setup.sh"
cmake -G Ninja -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target tolvane-render
"$root/build/tools/tolvane-render" -o "$root/demo.wav" "$@"
echo "demo written to $root/demo.wav"
