#!/usr/bin/env bash
# The Windows installer in a fresh Wine prefix, as a user's machine sees it:
# an older version installs silently; the new installer upgrades it in place
# (the file only the older one had is gone, one uninstall entry is left, with
# the new version); every file of the Windows package is where it belongs and
# nothing else is; a VST 3 host's scan of the common folder finds the plug-in;
# the installed renderer renders the demo with the Linux renderer's samples;
# the silent uninstall leaves nothing of ours. Prints the installer's size and
# what it installed.
#   scripts/windows/installer-check.sh <linux build> <windows build> [dist folder]
# The Windows build gives the SDK's validator (its -list is a host's scan).
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
linux=$(realpath "${1:?usage: installer-check.sh <linux build> <windows build> [dist folder]}")
windows=$(realpath "${2:?usage: installer-check.sh <linux build> <windows build> [dist folder]}")
dist=$(realpath "${3:-$root/dist}")
version=$(sed -n 's/.*kVersion = "\([0-9.]*\)".*/\1/p' "$root/plugin/core/ProtocolIds.h")
name="TolvaneSynthWT-$version-windows-x86_64"
setup="$dist/$name-setup.exe"
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset WINEPATH DISPLAY
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
data_hash() { python3 "$root/scripts/windows/audio-hash.py" "$1" | cut -d ' ' -f 1; }

[[ -f $setup ]] || fail "no installer $setup"
echo "installer: ${setup##*/}, $(stat -c %s "$setup") bytes"
unzip -q "$dist/$name.zip" -d "$work"
package="$work/$name"

drive="$WINEPREFIX/drive_c"
program="$drive/Program Files/Tolvane Synth WT"
vst3="$drive/Program Files/Common Files/VST3"
clap="$drive/Program Files/Common Files/CLAP"
presets="$drive/ProgramData/VST3 Presets/Kestrawerk/Tolvane Synth WT"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TolvaneSynthWT'
registered() { wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v v="$1" '$1 == v { print $3 }'; }

wineboot -i >/dev/null 2>&1
wineserver -w

# install SETUP: a silent install, waited for.
install() {
    wine "$1" /S || fail "${1##*/} /S ended with status $?"
    wineserver -w
}

echo "== an older version, then this one over it =="
# The older installer: the same script over this package with one more file.
older="$work/older"
cp -a "$package" "$older"
echo "a file only the older version installs" >"$older/docs/older-only.txt"
bash "$root/scripts/windows/installer-files.sh" "$older" "$work/older-files.nsh"
makensis -V1 -DVERSION=23.0.0 -DSTAGE="$older" -DFILES="$work/older-files.nsh" -DSIZE_KB=1 \
    -DOUTFILE="$work/older-setup.exe" "$root/scripts/windows/installer.nsi"
install "$work/older-setup.exe"
[[ $(registered DisplayVersion) == 23.0.0 && -f $program/docs/older-only.txt ]] || fail "the older version is not installed"
install "$setup"
[[ $(registered DisplayVersion) == "$version" ]] || fail "the registered version is $(registered DisplayVersion), not $version"
entries=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null | grep -ci 'tolvane' || true)
((entries == 1)) || fail "$entries uninstall entries"
echo "upgraded from 23.0.0 to $version in place, one uninstall entry"

echo "== the installed files =="
# Each place holds exactly its part of the package.
diff -r "$package/TolvaneSynthWT.vst3" "$vst3/TolvaneSynthWT.vst3" || fail "the VST 3 bundle differs"
diff -r "$package/presets" "$presets" || fail "the factory presets differ"
cmp "$package/TolvaneSynthWT.clap" "$clap/TolvaneSynthWT.clap" || fail "the CLAP plug-in differs"
[[ $(ls "$clap") == TolvaneSynthWT.clap ]] || fail "the CLAP folder holds $(ls "$clap")"
[[ $(ls "$vst3") == TolvaneSynthWT.vst3 ]] || fail "the VST 3 folder holds $(ls "$vst3")"
rest="$work/rest"
cp -a "$package" "$rest"
rm -rf "$rest/TolvaneSynthWT.vst3" "$rest/TolvaneSynthWT.clap" "$rest/presets"
cp "$program/uninstall.exe" "$rest/"
diff -r "$rest" "$program" || fail "the program folder differs"
places=("$program" "$vst3/TolvaneSynthWT.vst3" "$presets" "$clap")
for place in "${places[@]}"; do
    echo "${place#"$drive/"}: $(find "$place" -type f | wc -l) files, $(du -sk "$place" | cut -f 1) KB"
done
echo "registered size: $(registered EstimatedSize) KB (hex)"

echo "== a host's scan, the installed renderer =="
scan=$(wine "$windows/bin/validator.exe" -list 2>&1 | tr -d '\r')
grep -qF 'C:/Program Files/Common Files/VST3/TolvaneSynthWT.vst3/' <<<"$scan" || fail "a scan does not find the plug-in: $scan"
"$linux/tools/tolvane-render" -q -o "$work/linux-demo.wav"
(cd "$work" && wine "C:\\Program Files\\Tolvane Synth WT\\tolvane-render.exe" -q -o windows-demo.wav)
[[ $(data_hash "$work/windows-demo.wav") == $(data_hash "$work/linux-demo.wav") ]] ||
    fail "the installed renderer renders otherwise than Linux"
echo "the scan finds the plug-in; the installed renderer renders the demo as Linux does"

echo "== silent uninstall =="
# The uninstaller runs from a copy in the temporary folder: wait for it.
wine "$(wine reg query "$key" /v UninstallString 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *"\(.*\)".*/\1/p')" /S
wineserver -w
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry is left"
left=$(find "$drive" \( -iname '*tolvane*' -o -iname '*kestrawerk*' \) 2>/dev/null || true)
[[ -z $left ]] || fail "left behind: $left"
echo "installer check passed"
