#!/usr/bin/env bash
# The Windows CLAP plug-in under Wine, in the project's CLAP host built for
# Windows (tests/clap/ClapHostMain.cpp), which loads TolvaneSynthWT.clap
# through clap_entry as hosts do: GM songs rendered in both note dialects at
# small, usual and large blocks must equal, sample for sample, the Linux CLAP
# plug-in's and the renderer's renders of the same songs; then its window
# opens through the gui extension in a Win32 window on a private Xvfb, is
# resized to 200 % and back and closes, three times.
#   scripts/windows/clap-check.sh <linux build> <windows build>
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
linux=$(realpath "${1:?usage: clap-check.sh <linux build> <windows build>}")
windows=$(realpath "${2:?usage: clap-check.sh <linux build> <windows build>}")
export WINEPREFIX="$windows/wine-prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset WINEPATH
songs="$root/tests/plugin/vst/songs"
linux_host="$linux/tests/clap/tolvane_clap_host"
linux_clap="$linux/clap/TolvaneSynthWT.clap"
windows_host="$windows/tests/clap/tolvane_clap_host.exe"
windows_clap=$(wine winepath -w "$windows/clap/TolvaneSynthWT.clap" 2>/dev/null)
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
hash_of() { sed -n "s/^$1 //p" <<<"$2" | tr -d '\r'; }

# same SONG ARGS...: the Windows plug-in renders as the Linux one and the renderer do.
same() {
    local song=$1 linux_out windows_out
    shift
    linux_out=$("$linux_host" render "$linux_clap" "$songs/$song.mid" "$@")
    windows_out=$(wine "$windows_host" render "$windows_clap" "$(wine winepath -w "$songs/$song.mid" 2>/dev/null)" "$@")
    local linux_clap_hash linux_renderer windows_clap_hash
    linux_clap_hash=$(hash_of clap "$linux_out")
    linux_renderer=$(hash_of renderer "$linux_out")
    windows_clap_hash=$(hash_of clap "$windows_out")
    if [[ -n $linux_clap_hash && $linux_clap_hash == "$linux_renderer" && $windows_clap_hash == "$linux_clap_hash" ]]; then
        echo "same     $linux_clap_hash  $song $*"
    else
        fail "$song $*: Linux CLAP ${linux_clap_hash:-none}, renderer ${linux_renderer:-none}, Windows CLAP ${windows_clap_hash:-none}"
    fi
}

echo "== renders: the Windows CLAP plug-in, the Linux one and the renderer =="
same blupi-music004 --block 32
same blupi-music006 --block 512 --clap-notes
same blupi-music004 --block 4096 --clap-notes

echo "== the window through the gui extension, three times =="
# Wine's desktop process takes the display of the first program that starts
# the prefix's server: none may run before DISPLAY names the private one.
wineserver -k 2>/dev/null || true
for n in $(seq 241 290); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || { display=:$n; break; }
done
[[ -n ${display:-} ]] || { echo "no free X display"; exit 1; }
Xvfb "$display" -screen 0 1200x1500x24 -nolisten tcp -noreset +extension GLX >"$windows/clap-xvfb.log" 2>&1 &
xvfb_pid=$!
stop() {
    wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
}
trap stop EXIT
export DISPLAY=$display LIBGL_ALWAYS_SOFTWARE=1
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if wine "$windows_host" editor "$windows_clap" --cycles 3 --hold-ms 1500 >"$windows/clap-editor.log" 2>&1; then
    tr -d '\r' <"$windows/clap-editor.log"
else
    tr -d '\r' <"$windows/clap-editor.log"
    fail "the window's cycles under Wine"
fi

if ((failures)); then
    echo "clap-check: $failures failure(s)"
    exit 1
fi
echo "clap-check: the Windows CLAP plug-in renders as on Linux and its window opens and closes"
