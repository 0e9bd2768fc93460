#!/usr/bin/env bash
# Copies the built TolvaneSynthWT.vst3 bundle into the user's VST 3 folder
# (~/.vst3, or the folder given as the second argument), and the factory
# .vstpreset files into its presets/Kestrawerk/Tolvane Synth WT folder, one
# subfolder per category, where hosts' preset browsers look for them.
# Usage: scripts/vst/install.sh <build-folder> [destination]
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail

build_dir="${1:?usage: install.sh <build-folder> [destination]}"
destination="${2:-${HOME}/.vst3}"
bundle="$(find "${build_dir}/VST3" -maxdepth 2 -type d -name TolvaneSynthWT.vst3 | head -n 1)"
if [[ -z "${bundle}" || ! -f "${bundle}/Contents/x86_64-linux/TolvaneSynthWT.so" && -z "$(ls "${bundle}"/Contents/*-linux/*.so 2>/dev/null)" ]]; then
    echo "install: no built TolvaneSynthWT.vst3 under ${build_dir}/VST3 (build the TolvaneSynthWT target first)" >&2
    exit 1
fi
mkdir -p "${destination}"
rm -rf "${destination}/TolvaneSynthWT.vst3"
cp -R "${bundle}" "${destination}/"
echo "install: ${destination}/TolvaneSynthWT.vst3"

mapfile -t presets < <(cd "${build_dir}/presets" 2>/dev/null && find . -name '*.vstpreset' | sort)
if [[ ${#presets[@]} -eq 0 ]]; then
    echo "install: no factory presets under ${build_dir}/presets (build the tolvane_factory_presets target); bundle installed without them" >&2
    exit 0
fi
preset_dir="${destination}/presets/Kestrawerk/Tolvane Synth WT"
mkdir -p "${preset_dir}"
# Only the factory files are replaced; presets the user saved there stay.
for preset in "${presets[@]}"; do
    mkdir -p "${preset_dir}/$(dirname "${preset}")"
    cp "${build_dir}/presets/${preset}" "${preset_dir}/${preset}"
    # Ardour 7 lists only the files at the top of the folder: a link there
    # for each (never over a file the user saved under the same name).
    link="${preset_dir}/$(basename "${preset}")"
    if [[ ! -e "${link}" || -L "${link}" ]]; then
        ln -sfn "${preset#./}" "${link}"
    fi
done
echo "install: ${#presets[@]} factory presets in ${preset_dir}, by category"
