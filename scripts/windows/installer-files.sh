#!/usr/bin/env bash
# Writes the installer's file list from the unpacked Windows package: two NSIS
# macros, TOLVANE_INSTALL_FILES (each folder, then its files) and
# TOLVANE_UNINSTALL_FILES (the same files, then the folders deepest first,
# each removed only when empty, so files a user put there stay). Where each
# part goes:
#   TolvaneSynthWT.vst3\   C:\Program Files\Common Files\VST3\
#   TolvaneSynthWT.clap    C:\Program Files\Common Files\CLAP\
#   presets\*              C:\ProgramData\VST3 Presets\Kestrawerk\Tolvane Synth WT\
#   everything else        the program folder (C:\Program Files\Tolvane Synth WT)
#   scripts/windows/installer-files.sh <unpacked package> <output .nsh>
# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck disable=SC2016 # $INSTDIR, $APPDATA and $COMMONFILES64 are NSIS's
set -euo pipefail
stage=$(realpath "${1:?usage: installer-files.sh <unpacked package> <output .nsh>}")
out=$(realpath -m "${2:?usage: installer-files.sh <unpacked package> <output .nsh>}")

presets='$APPDATA\VST3 Presets\Kestrawerk\Tolvane Synth WT'
# target RELATIVE-PATH: where a file or folder of the package goes on Windows
# ($APPDATA is ProgramData: the installer works for all users).
target() {
    local path=${1//\//\\}
    case $1 in
    TolvaneSynthWT.vst3 | TolvaneSynthWT.vst3/*) echo "\$COMMONFILES64\\VST3\\$path" ;;
    TolvaneSynthWT.clap) echo "\$COMMONFILES64\\CLAP\\$path" ;;
    presets) echo "$presets" ;;
    presets/*) echo "$presets\\${path#presets\\}" ;;
    *) echo "\$INSTDIR\\$path" ;;
    esac
}

nsis_string() { printf '"%s"' "$1"; }

cd "$stage"
mapfile -t files < <(find . -type f -printf '%P\n' | LC_ALL=C sort)
# NSIS strings take no quote and read $ as a variable; File reads * and ? as wildcards.
for f in "$stage" "${files[@]}"; do
    [[ $f != *['"$*?']* ]] || { echo "installer-files: cannot list $f" >&2; exit 1; }
done
# Every folder that holds something of ours, parents first; the top folder
# (the program folder) is the installer's own.
mapfile -t folders < <(for f in "${files[@]}"; do
    d=$(dirname "$f")
    while [[ $d != . ]]; do echo "$d"; d=$(dirname "$d"); done
done | LC_ALL=C sort -u)

{
    echo "; Written by scripts/windows/installer-files.sh from $stage"
    echo "!macro TOLVANE_INSTALL_FILES"
    current=
    for f in "${files[@]}"; do
        d=$(dirname "$f")
        place=$(target "$d")
        [[ $d == . ]] && place='$INSTDIR'
        # A single file of its own (the CLAP plug-in) goes to its folder.
        [[ $f == TolvaneSynthWT.clap ]] && place='$COMMONFILES64\CLAP'
        if [[ $place != "$current" ]]; then
            echo "    SetOutPath $(nsis_string "$place")"
            current=$place
        fi
        echo "    File $(nsis_string "$stage/$f")"
    done
    echo "!macroend"
    echo
    echo "!macro TOLVANE_UNINSTALL_FILES"
    for f in "${files[@]}"; do
        echo "    Delete $(nsis_string "$(target "$f")")"
    done
    for ((i = ${#folders[@]} - 1; i >= 0; i--)); do
        echo "    RMDir $(nsis_string "$(target "${folders[i]}")")"
    done
    # The vendor's folder goes with its last product; the common folders stay.
    echo "    RMDir $(nsis_string '$APPDATA\VST3 Presets\Kestrawerk')"
    echo "!macroend"
} >"$out"
