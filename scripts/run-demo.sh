#!/usr/bin/env bash
# Sets up, builds the renderer and the factory presets, and renders the chip
# bank's demo song (presets/chip-songs/pixel-harbor.mid) to demo.wav.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bash "$root/scripts/setup.sh"
cmake -G Ninja -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target tolvane-render tolvane_factory_presets
# From presets/, where the sample kit's files lie under the names the presets keep.
cd "$root/presets"
"$root/build/tools/tolvane-render" --preset "$root/build/presets/Banks/Chip Bank.vstpreset" \
    -o "$root/demo.wav" "$@" chip-songs/pixel-harbor.mid
echo "demo written to $root/demo.wav"
