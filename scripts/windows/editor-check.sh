#!/usr/bin/env bash
# The Windows editor (VSTGUI on Direct2D) in the SDK's editor host under Wine,
# on a private Xvfb whose GLX is Mesa's software driver (Wine's Direct2D draws
# through its Direct3D on OpenGL). Takes a screenshot of the tone page and
# compares it with the Linux screenshot, then opens the editor ten times, each
# time zooming it to 200 % and back (the window resizes with it) and closing
# it, and checks that no run reports an error and no window is left behind.
#
# What Wine 8 does with it: DirectComposition is a stub there, so VSTGUI takes
# its plain Direct2D path (a render target on the editor's child window), and
# the editor draws its whole picture into it; but Wine does not bring Direct3D
# output of a child window onto the screen: the picture stays in the X window
# Wine renders that child into offscreen (redirected with XComposite, under a
# 1 x 1 parent), and the editor's window on screen stays black. The screenshot
# is taken from that offscreen X window. Wine's DirectWrite draws no text in a
# font it lacks, so the prefix maps the editor's Arial to DejaVu Sans, the font
# Linux gives the Linux editor for it.
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

# drawn_window: the offscreen X window Wine renders the open editor's child
# window into (no name, the editor window's size), the newest one.
drawn_window() {
    xwininfo -root -tree | awk -v size="$(size_of "$window")+0+0" '/\(has no name\)/ && $6 == size { print $1 }' |
        tail -n 1
}
luma() { convert "$1" -colorspace Gray -format '%[fx:int(255*mean)]' info:; }

# screenshot NAME BUNDLE: the editor's first picture, as on screen (NAME-shown.png)
# and as drawn (NAME.png); prints the two mean lumas.
screenshot() {
    open_editor "$1" "$2"
    sleep 4 # Wine's first Direct2D frame and the editor's first timer ticks
    import -window "$window" "$out/$1-shown.png"
    local drawn
    drawn=$(drawn_window)
    [[ -n $drawn ]] && import -window "$drawn" "$out/$1.png"
    close_editor
    [[ -n $drawn ]] || fail "$1: Wine made no offscreen window for the editor"
    echo "$(luma "$out/$1-shown.png") $(luma "$out/$1.png")"
}

# differing REFERENCE PICTURE: the fewest pixels more than 20 % apart (the fonts
# rasterise differently) with the two aligned within 3 pixels (the Linux
# editor host frames its view, and the offscreen window's picture starts a
# pixel in), as "count offset".
differing() {
    local best="" at="" dx dy n
    for dx in 0 1 2 3; do
        for dy in 0 1 2 3; do
            convert "$1" -crop "520x696+$dx+$dy" +repage "$out/reference-crop.png"
            convert "$2" -crop 520x696+0+0 +repage "$out/picture-crop.png"
            n=$(compare -metric AE -fuzz 20% "$out/reference-crop.png" "$out/picture-crop.png" null: 2>&1 || true)
            if [[ -z $best ]] || ((n < best)); then best=$n at="$dx,$dy"; fi
        done
    done
    echo "$best $at"
}

echo "== screenshots: this editor and, as control, the SDK's example editor =="
# Wine's DirectWrite draws nothing in a missing font: Arial is DejaVu Sans, as fontconfig gives Linux.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'DejaVu Sans' /f >/dev/null 2>&1
wineserver -w
cmake --build "$windows" --target again >/dev/null
read -r control_shown control < <(screenshot sdk-example "$(wine winepath -w "$windows/VST3/Release/again.vst3" 2>/dev/null)")
echo "mean luma of the SDK's example editor (again.vst3): $control_shown on screen, $control drawn (0 black .. 255 white)"
read -r shown mean < <(screenshot windows-tone "$bundle")
echo "mean luma of the Windows tone page: $shown on screen, $mean drawn"
reference="$root/docs/screenshot-tone.png"
pixels=$((520 * 696))
read -r count offset < <(differing "$reference" "$out/windows-tone.png")
echo "drawn against the Linux screenshot (offset $offset): $count of $pixels pixels differ by more than 20 %"
((mean >= 5)) || fail "the Windows editor drew nothing (drawn mean luma $mean)"
((count * 20 < pixels)) || fail "the Windows editor differs from the Linux one in more than 5 % of its pixels"
((shown < 5)) && echo "on screen its window is black: Wine shows no Direct3D output of a child window"
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
