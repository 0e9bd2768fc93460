#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Opens the built plug-in's editor in the SDK's editor host on a virtual X
# display and checks it as a person would look at it: the window's size, the
# tone page after the processor's first answer, the sequences page with an
# arpeggio typed into its notation field, the PLAY panel opened from the
# PART menu and set with the pointer, and the sampler page after part
# 1 is switched to Sampler mode with the MODE menu; then the same at 200 %
# zoom, chosen from the SYNTH menu with the keyboard.
#
# usage: editor_window_test.sh <editorhost> <TolvaneSynthWT.vst3> <output folder> [<docs folder>]
set -euo pipefail

host=$1 bundle=$2 out=$3 docs=${4:-}
mkdir -p "$out"

fail() { echo "FAIL: $*" >&2; exit 1; }

# A display number nobody uses.
for n in $(seq 91 140); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || { display=:$n; break; }
done
[[ -n ${display:-} ]] || fail "no free X display"

Xvfb "$display" -screen 0 1200x1500x24 -nolisten tcp -noreset >"$out/xvfb.log" 2>&1 &
xvfb_pid=$!
host_pid=
cleanup() {
    [[ -n $host_pid ]] && kill "$host_pid" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# The SDK's host only looks the XEmbed atom up; a bare server has not made it yet.
xprop -root -f _XEMBED_INFO 32c -set _XEMBED_INFO 0

"$host" "$bundle" >"$out/editorhost.log" 2>&1 &
host_pid=$!

window=
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Editor$' 2>/dev/null | head -n1 || true)
    [[ -n $window ]] && break
    kill -0 "$host_pid" 2>/dev/null || fail "editor host exited: $(cat "$out/editorhost.log")"
    sleep 0.2
done
[[ -n $window ]] || fail "no editor window appeared"

geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[[ $geometry == 528x704 ]] || fail "window is $geometry, expected 528x704"

shot() { import -window "$window" "$out/$1.png"; }
# A click at a window point, then a pause (0.3 s unless given) for the editor to answer.
click_at() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep "${3:-0.3}"; }
# Luma 0..255 of one window pixel in a screenshot.
luma() { convert "$out/$1.png" -crop "1x1+$2+$3" -format '%[fx:int(255*luma)]' info:; }

# The handshake and the first timer ticks need a moment.
sleep 1.5
shot tone
# The about overlay (dark) must be gone: the panel left of MAIN VOLUME is light.
(( $(luma tone 6 150) > 150 )) || fail "overlay still covers the window"
# Tone page: the wave tool buttons (dark walnut) sit at y 240 + 420.
(( $(luma tone 14 660) < 110 )) || fail "tone page not shown"

# The SEQUENCES tab on the TONE PRESET bar, the ARP button, then a chord
# typed into the notation field: its bars rise in the display.
click_at 476 251 0.5
click_at 100 276
click_at 300 348
xdotool type --delay 40 "0 4 7 | 12 / 0"
xdotool key Return
sleep 1
shot sequences
(( $(luma sequences 14 660) > 150 )) || fail "sequences page not shown"
(( $(luma sequences 300 470) < 80 )) || fail "no step display on the sequences page"
(( $(luma sequences 120 400) > 110 )) || fail "the typed arpeggio's 12 is not drawn"
# Back to the tone page with the TONE tab.
click_at 476 251 0.5
shot back-to-tone
(( $(luma back-to-tone 14 660) < 110 )) || fail "the TONE tab did not bring the tone page back"

# The PLAY panel: "Play…", the PART menu's fifth entry, chosen with the
# keyboard; then LEGATO, portamento 40 and 2 octaves typed, pattern
# "3 [Up-Down]", note value "3 [1/16]" (each the fourth entry of its menu)
# and retrigger on. Escape closes it.
click_at 22 108 0.5
xdotool key --delay 150 Down Down Down Down Down Return
sleep 0.5
click_at 224 276
click_at 393 276
xdotool type --delay 40 "40"
xdotool key Return
sleep 0.3
click_at 393 350
xdotool type --delay 40 "2"
xdotool key Return
sleep 0.3
click_at 176 350 0.5
click_at 176 433
click_at 176 373 0.5
click_at 176 456
click_at 137 398 0
xdotool mousemove --window "$window" 300 30
sleep 1
shot play
(( $(luma play 224 276) > 130 )) || fail "LEGATO is not lit on the PLAY panel"
(( $(luma play 137 398) > 130 )) || fail "retrigger is not on"
# Between the tone page's columns, just below the panel: the panel shaded, then light again.
(( $(luma play 258 425) < 110 )) || fail "the page below the PLAY panel is not shaded"
xdotool key Escape
sleep 0.5
shot play-closed
(( $(luma play-closed 258 425) > 150 )) || fail "Escape did not close the PLAY panel"

# Part 1's MODE menu: open it and choose "3 [Sampler]", the fourth of its
# 20-pixel entries that drop down below the menu.
click_at 420 132 0.5
shot mode-menu
click_at 410 215 1
shot sampler
(( $(luma sampler 14 660) > 150 )) || fail "sampler page not shown after switching the mode"

# The logo shows the about overlay; the library logo on it hides it again.
click_at 264 23
shot about
(( $(luma about 6 150) < 60 )) || fail "logo did not show the about overlay"
click_at 264 300
shot closed-about
(( $(luma closed-about 6 150) > 150 )) || fail "library logo did not hide the about overlay"

# Zoom 200 %: SYNTH menu, down to "Zoom", its sub-menu, down to "200 %".
click_at 22 60 0.5
xdotool key --delay 150 Down Down Down Down Down Right
sleep 0.3
xdotool key --delay 150 Down Down Down Down Return
sleep 1.5
geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[[ $geometry == 1056x1408 ]] || fail "zoomed window is $geometry, expected 1056x1408"
shot sampler-200
# The same points, twice as far from the corner.
(( $(luma sampler-200 12 300) > 150 )) || fail "zoomed window not drawn"
(( $(luma sampler-200 28 1320) > 150 )) || fail "zoomed sampler page not shown"
# Clicks land where the controls are drawn: MODE back to "1 [Instrument]".
click_at 840 264 0.5
click_at 820 350 1
shot tone-200
(( $(luma tone-200 28 1320) < 110 )) || fail "zoomed MODE menu did not bring the tone page back"
# The PLAY panel at 200 %, closed by its CLOSE button (where the SEQUENCES tab is).
click_at 44 216 0.5
xdotool key --delay 150 Down Down Down Down Down Return
xdotool mousemove --window "$window" 600 60
sleep 1
shot play-200
(( $(luma play-200 448 552) > 130 )) || fail "zoomed PLAY panel does not show LEGATO"
click_at 952 502 0.5
# The sequences page at 200 %: the arpeggio typed before, twice as large.
click_at 952 502 1
shot sequences-200
(( $(luma sequences-200 240 800) > 110 )) || fail "zoomed sequences page does not show the arpeggio"

if [[ -n $docs ]]; then
    mkdir -p "$docs"
    for name in tone sampler tone-200 sequences sequences-200 play play-200; do
        cp "$out/$name.png" "$docs/screenshot-$name.png"
    done
fi
echo "editor window test passed"
