#!/usr/bin/env bash
# The Windows editor (VSTGUI on Direct2D) in the SDK's editor host under Wine,
# on a private Xvfb whose GLX is Mesa's software driver (Wine's Direct2D draws
# through its Direct3D on OpenGL). Takes a screenshot of the tone page and
# compares it with the Linux screenshot, then opens the editor ten times, each
# time zooming it to 200 % and back (the window resizes with it) and closing
# it, and checks that no run reports an error and no window is left behind.
#   scripts/windows/editor-check.sh <windows build> <output folder>
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
windows=$(realpath "${1:?usage: editor-check.sh <windows build> <output folder>}")
out=$(realpath -m "${2:?usage: editor-check.sh <windows build> <output folder>}")
mkdir -p "$out"
export WINEPREFIX="$windows/wine-prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset WINEPATH
host="$windows/bin/editorhost.exe"
bundle=$(wine winepath -w "$windows/VST3/Release/TolvaneSynthWT.vst3" 2>/dev/null)

fail() { echo "FAIL: $*" >&2; exit 1; }

for n in $(seq 141 190); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || { display=:$n; break; }
done
[[ -n ${display:-} ]] || fail "no free X display"
Xvfb "$display" -screen 0 1200x1500x24 -nolisten tcp -noreset +extension GLX >"$out/xvfb.log" 2>&1 &
xvfb_pid=$!
host_pid=
cleanup() {
    [[ -n $host_pid ]] && kill "$host_pid" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display LIBGL_ALWAYS_SOFTWARE=1
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

editor_windows() { xdotool search --onlyvisible --name '^Editor$' 2>/dev/null || true; }
size_of() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p'; }

# open RUN: starts the host; sets window to its editor window.
open_editor() {
    wine "$host" "$bundle" >"$out/editorhost-$1.log" 2>&1 &
    host_pid=$!
    window=
    for _ in $(seq 150); do
        window=$(editor_windows | head -n 1)
        [[ -n $window ]] && return 0
        kill -0 "$host_pid" 2>/dev/null || fail "editor host exited: $(cat "$out/editorhost-$1.log")"
        sleep 0.2
    done
    fail "no editor window appeared"
}

# Zoom from the SYNTH menu with the keyboard: the fifth entry "Zoom", its
# sub-menu's entries 100 % .. 200 % (the fifth).
zoom() {
    xdotool mousemove --window "$window" 22 60 click 1
    sleep 0.7
    xdotool key --delay 200 Down Down Down Down Down Right
    sleep 0.4
    if [[ $1 == 200 ]]; then
        xdotool key --delay 200 Down Down Down Down Return
    else
        xdotool key --delay 200 Return
    fi
    sleep 1.5
}

close_editor() {
    xdotool windowclose "$window" 2>/dev/null || xdotool key --window "$window" alt+F4
    for _ in $(seq 100); do
        kill -0 "$host_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$host_pid" 2>/dev/null && fail "the editor host did not end when its window closed"
    wait "$host_pid" || fail "the editor host ended with status $?"
    host_pid=
}

echo "== screenshot =="
open_editor shot
sleep 4 # Wine's first Direct2D frame and the editor's first timer ticks
[[ $(size_of "$window") == 528x704 ]] || fail "window is $(size_of "$window"), expected 528x704"
import -window "$window" "$out/windows-tone.png"
close_editor
mean=$(convert "$out/windows-tone.png" -colorspace Gray -format '%[fx:int(255*mean)]' info:)
echo "mean luma of the Windows tone page: $mean (0 black .. 255 white)"
reference="$root/docs/screenshot-tone.png"
# Share of pixels more than 20 % apart, and the RMS difference.
differing=$(compare -metric AE -fuzz 20% "$reference" "$out/windows-tone.png" "$out/difference.png" 2>&1 || true)
rmse=$(compare -metric RMSE "$reference" "$out/windows-tone.png" null: 2>&1 || true)
echo "against the Linux screenshot: $differing of 371712 pixels differ by more than 20 %; RMSE $rmse"
echo "$mean $differing $rmse" >"$out/comparison.txt"

echo "== ten times: open, zoom to 200 % and back, close =="
for run in $(seq 1 10); do
    open_editor "$run"
    sleep 1
    zoom 200
    zoomed=$(size_of "$window")
    zoom 100
    restored=$(size_of "$window")
    close_editor
    [[ $zoomed == 1056x1408 && $restored == 528x704 ]] || fail "run $run: zoomed $zoomed, back $restored"
    ! grep -qiE '^(err|fixme:.*err)|exception|could not' "$out/editorhost-$run.log" ||
        fail "run $run: $(head -n 5 "$out/editorhost-$run.log")"
    left=$(editor_windows | wc -l)
    ((left == 0)) || fail "run $run: $left editor window(s) left open"
    echo "run $run: 528x704 -> $zoomed -> $restored, closed, no window left"
done
echo "editor check passed"
