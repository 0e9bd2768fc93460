#!/usr/bin/env bash
# Writes the release packages as a new user would: clones this repository's
# current commit into <folder>/TolvaneSynthWT, with <folder>/shared standing
# for the shared folder beside the source tree where the build finds the
# VST 3 SDK, and runs `bash scripts/package.sh` there with nothing built.
# The packages end in <folder>/TolvaneSynthWT/dist; prints how long it took.
#   scripts/package-fresh-clone.sh <folder> [VST 3 SDK]
# The SDK is the one beside this tree (../shared/vst3sdk) unless given.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
folder=$(realpath -m "${1:?usage: package-fresh-clone.sh <folder> [VST 3 SDK]}")
sdk=$(realpath "${2:-$root/../shared/vst3sdk}")
[[ -f $sdk/cmake/modules/SMTG_VST3_SDK.cmake ]] || { echo "package-fresh-clone: no VST 3 SDK at $sdk" >&2; exit 1; }

rm -rf "$folder"
mkdir -p "$folder/shared"
ln -s "$sdk" "$folder/shared/vst3sdk"
git clone -q --no-hardlinks "$root" "$folder/TolvaneSynthWT"
git -C "$folder/TolvaneSynthWT" checkout -q --detach "$(git -C "$root" rev-parse HEAD)"

start=$(date +%s)
(cd "$folder/TolvaneSynthWT" && bash scripts/package.sh)
echo "packages from a fresh clone in $(($(date +%s) - start)) s"
