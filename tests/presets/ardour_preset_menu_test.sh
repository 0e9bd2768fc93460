#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Ardour 7's preset menu for the installed VST 3 plug-in lists every factory
# preset the build wrote, and no entry made from a part's program list.
# usage: ardour_preset_menu_test.sh <source folder> <build folder>
set -euo pipefail
root=$1 build=$2
listing=$(bash "$root/scripts/vst/ardour-presets.sh" "$build")
listed=$(sed -n 's/^preset: //p' <<<"$listing" | sort)
expected=$(find "$build/presets" -name '*.vstpreset' -printf '%f\n' | sed 's/\.vstpreset$//' | sort)
if [[ -z $expected || $listed != "$expected" ]]; then
    echo "FAIL: Ardour lists"$'\n'"$listed"$'\n'"instead of"$'\n'"$expected" >&2
    exit 1
fi
grep -qx 'program entries: 0' <<<"$listing" || { echo "FAIL: $(grep '^program' <<<"$listing")" >&2; exit 1; }
echo "Ardour lists the $(wc -l <<<"$expected") factory presets and no program entries"
