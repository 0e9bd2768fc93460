#!/usr/bin/env bash
# Unpacks the release packages as a user would and checks what is inside: the
# SDK's validator passes the unpacked plug-in bundle, and the unpacked renderer
# renders the demo song with the same samples as the build's own renderer
# (the Windows package under Wine, in the Windows build's Wine prefix). Prints
# each package's size and the DLLs each Windows binary needs. The installer
# has its own check (scripts/windows/installer-check.sh).
#   scripts/package-check.sh [linux build] [windows build] [dist folder]
# The builds give the reference renderer and the validators; the packages
# come from the dist folder (default: dist).
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
linux=$(realpath "${1:-$root/build}")
windows=$(realpath "${2:-$root/build-windows}")
dist=$(realpath "${3:-$root/dist}")
version=$(sed -n 's/.*kVersion = "\([0-9.]*\)".*/\1/p' "$root/plugin/core/ProtocolIds.h")
export WINEPREFIX="$windows/wine-prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset WINEPATH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data_hash() { python3 "$root/scripts/windows/audio-hash.py" "$1" | cut -d ' ' -f 1; }
"$linux/tools/tolvane-render" -q -o "$work/reference.wav"
reference=$(data_hash "$work/reference.wav")

# validator RUN... BUNDLE LOG: passes with no failed test.
validate() {
    local log=${*: -1}
    "${@:1:$#-1}" >"$log" 2>&1 || { tail -n 20 "$log"; return 1; }
    grep '^Result:' "$log"
    grep -q '^Result: [1-9][0-9]* tests passed, 0 tests failed' "$log"
}

echo "== Linux package =="
tarball="$dist/TolvaneSynthWT-$version-linux-x86_64.tar.gz"
ls -l "$tarball"
tar -xzf "$tarball" -C "$work"
unpacked="$work/TolvaneSynthWT-$version-linux-x86_64"
validate "$linux/bin/Release/validator" "$unpacked/TolvaneSynthWT.vst3" "$work/linux-validator.log"
# The LV2 bundle: its module, its editor's bitmaps and description files LV2's validator passes.
lv2="$unpacked/TolvaneSynthWT.lv2"
[[ -f $lv2/TolvaneSynthWT.so && -f $lv2/resources/bg0.png ]] || { echo "the LV2 bundle is incomplete"; exit 1; }
(cd "$lv2" && lv2_validate manifest.ttl TolvaneSynthWT.ttl presets.ttl 2>&1 | grep 'Found 0 errors') ||
    { echo "LV2's validator finds errors in the packaged bundle"; exit 1; }
(cd "$work" && "$unpacked/bin/tolvane-render" -q -o linux-demo.wav)
[[ $(data_hash "$work/linux-demo.wav") == "$reference" ]] || { echo "the packaged Linux renderer renders otherwise"; exit 1; }
ls "$unpacked/presets" | head -n 3
[[ -f $unpacked/TolvaneSynthWT.clap ]] || { echo "the Linux package has no CLAP plug-in"; exit 1; }
echo "needs: $(objdump -p "$unpacked/bin/tolvane-render" | awk '/NEEDED/ { printf "%s ", $2 }')"
echo "glibc: $(objdump -T "$unpacked/bin/"* "$unpacked"/TolvaneSynthWT.vst3/Contents/x86_64-linux/*.so "$lv2"/*.so |
    grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -n 1) at most"

echo "== Windows package =="
zipfile="$dist/TolvaneSynthWT-$version-windows-x86_64.zip"
ls -l "$zipfile"
unzip -q "$zipfile" -d "$work"
unpacked="$work/TolvaneSynthWT-$version-windows-x86_64"
validate wine "$windows/bin/validator.exe" "$unpacked/TolvaneSynthWT.vst3" "$work/windows-validator.log"
(cd "$work" && wine "$unpacked/tolvane-render.exe" -q -o windows-demo.wav)
[[ $(data_hash "$work/windows-demo.wav") == "$reference" ]] || { echo "the packaged Windows renderer renders otherwise"; exit 1; }
[[ -f $unpacked/TolvaneSynthWT.clap ]] || { echo "the Windows package has no CLAP plug-in"; exit 1; }
for binary in "$unpacked/tolvane-render.exe" "$unpacked"/TolvaneSynthWT.vst3/Contents/x86_64-win/*.vst3 \
    "$unpacked/TolvaneSynthWT.clap"; do
    echo "${binary##*/} needs: $(x86_64-w64-mingw32-objdump -p "$binary" | awk '/DLL Name/ { printf "%s ", $3 }')"
done
echo "packages check out"
