#!/usr/bin/env bash
# Copies the built TolvaneSynthWT.lv2 bundle (module, editor bitmaps,
# description files and factory presets) into the user's LV2 folder (~/.lv2,
# or the folder given as the second argument), where every LV2 host looks.
# Usage: scripts/lv2/install.sh <build-folder> [destination]
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail

build_dir="${1:?usage: install.sh <build-folder> [destination]}"
destination="${2:-${HOME}/.lv2}"
bundle="${build_dir}/lv2/TolvaneSynthWT.lv2"
for file in TolvaneSynthWT.so manifest.ttl TolvaneSynthWT.ttl presets.ttl; do
    if [[ ! -f "${bundle}/${file}" ]]; then
        echo "install: ${bundle}/${file} is missing (build the tolvane_lv2_bundle target first)" >&2
        exit 1
    fi
done
mkdir -p "${destination}"
rm -rf "${destination}/TolvaneSynthWT.lv2"
cp -R "${bundle}" "${destination}/"
echo "install: ${destination}/TolvaneSynthWT.lv2 ($(grep -c 'a pset:Preset' "${bundle}/manifest.ttl") presets)"
