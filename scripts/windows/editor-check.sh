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
# Wine's desktop process takes the display of the first program that starts
# the prefix's server: none may run before DISPLAY names the private one.
wineserver -k 2>/dev/null || true

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
    wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display LIBGL_ALWAYS_SOFTWARE=1
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
bundle=$(wine winepath -w "$windows/VST3/Release/TolvaneSynthWT.vst3" 2>/dev/null)

editor_windows() { xdotool search --onlyvisible --name '^Editor$' 2>/dev/null || true; }
size_of() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p'; }

# open RUN [BUNDLE]: starts the host with Wine's error messages on; sets window
# to its editor window.
open_editor() {
    WINEDEBUG=-all,err+all wine "$host" "${2:-$bundle}" >"$out/editorhost-$1.log" 2>&1 &
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

# Zoom from the SYNTH menu (a Win32 pop-up menu) with the keyboard: its sixth
# entry "Zoom", whose sub-menu holds As Host, 100 %, 150 % and 200 %. The menu
# sits twice as far from the corner in a window zoomed to 200 %.
zoom() {
    local scale=1
    [[ $(size_of "$window") == 1056x1408 ]] && scale=2
    xdotool mousemove --window "$window" $((22 * scale)) $((60 * scale)) click 1
    sleep 0.7
    xdotool key --delay 200 Down Down Down Down Down Down Right
    sleep 0.4
    if [[ $1 == 200 ]]; then
        xdotool key --delay 200 Down Down Down Return
    else
        xdotool key --delay 200 Down Return
    fi
    sleep 1.5
}

# Closes the window as Windows does (WM_CLOSE); the host ends with it.
close_editor() {
    wine taskkill /IM editorhost.exe >/dev/null 2>&1
    for _ in $(seq 150); do
        kill -0 "$host_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$host_pid" 2>/dev/null && fail "the editor host did not end when its window closed"
    wait "$host_pid" || fail "the editor host ended with status $?"
    host_pid=
}

# Wine's error messages of a run (thread ids and handles taken out), less those
# the SDK's example editor also gets from this Wine (the missing Vulkan loader,
# as Direct3D runs on OpenGL here, and the OpenGL context of a closing window)
# and the OpenGL driver's own debug messages that Wine relays (while zooming,
# Wine's Direct2D hands empty clip rectangles to glScissor as negative sizes).
errors_of() {
    grep ':err:' "$out/editorhost-$1.log" | grep -v 'wined3d_debug_callback' |
        sed 's/^[0-9a-f]*://; s/[0-9A-Fa-f]\{16\}/<handle>/g' | sort -u || true
}
wine_errors() { comm -23 <(errors_of "$1") <(errors_of sdk-example); }

# screenshot NAME BUNDLE: the editor's first picture; prints its mean luma.
screenshot() {
    open_editor "$1" "$2"
    sleep 4 # Wine's first Direct2D frame and the editor's first timer ticks
    import -window "$window" "$out/$1.png"
    close_editor
    convert "$out/$1.png" -colorspace Gray -format '%[fx:int(255*mean)]' info:
}

echo "== screenshots: this editor and, as control, the SDK's example editor =="
cmake --build "$windows" --target again >/dev/null
control=$(screenshot sdk-example "$(wine winepath -w "$windows/VST3/Release/again.vst3" 2>/dev/null)")
echo "mean luma of the SDK's example editor (again.vst3): $control (0 black .. 255 white)"
mean=$(screenshot windows-tone "$bundle")
echo "mean luma of the Windows tone page: $mean (0 black .. 255 white)"
reference="$root/docs/screenshot-tone.png"
pixels=$((528 * 704))
# Pixels more than 20 % apart (the fonts rasterise differently), and the RMS difference.
differing=$(compare -metric AE -fuzz 20% "$reference" "$out/windows-tone.png" "$out/difference.png" 2>&1 || true)
rmse=$(compare -metric RMSE "$reference" "$out/windows-tone.png" null: 2>&1 || true)
echo "against the Linux screenshot: $differing of $pixels pixels differ by more than 20 %; RMSE $rmse"
if ((mean < 5)); then
    ((control < 5)) || fail "Wine draws the SDK's example editor but not this one"
    echo "Wine draws every Direct2D editor black on this display: the picture is not compared"
else
    ((differing * 20 < pixels)) || fail "the Windows editor differs from the Linux one in more than 5 % of its pixels"
fi
[[ -z $(wine_errors windows-tone) ]] || fail "Wine reported: $(wine_errors windows-tone | head -n 3)"

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
    [[ -z $(wine_errors "$run") ]] || fail "run $run: Wine reported: $(wine_errors "$run" | head -n 3)"
    left=$(editor_windows | wc -l)
    ((left == 0)) || fail "run $run: $left editor window(s) left open"
    echo "run $run: 528x704 -> $zoomed -> $restored, closed, no window left"
done
echo "editor check passed"
