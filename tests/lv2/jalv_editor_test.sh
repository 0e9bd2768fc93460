#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The LV2 plug-in's editor (the stereo plug-in, "Tolvane Synth WT"; the one
# with 16 pairs has the same) in Debian's jalv on a virtual X display, beside the
# VST 3 editor in the SDK's editor host: both must show the same picture,
# pixel for pixel; a change made in jalv's window must reach the
# engine (part 1 to Sampler mode brings the sampler page).
#
# usage: jalv_editor_test.sh <editorhost> <TolvaneSynthWT.vst3> <LV2 path> <output folder>
set -euo pipefail

host=$1 vst3=$2 lv2_path=$3 out=$4
uri=https://kestrawerk.invalid/plugins/tolvane-synth-wt-stereo
editor_uri=https://kestrawerk.invalid/plugins/tolvane-synth-wt#editor
mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }

for n in $(seq 141 190); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || { display=:$n; break; }
done
[[ -n ${display:-} ]] || fail "no free X display"

# A private JACK server for jalv; nothing else connects to it.
export JACK_DEFAULT_SERVER=tolvane-jalv-test-$$ JACK_NO_AUDIO_RESERVATION=1
# The hosts are killed outright (jalv may hang in jack_client_close on a
# dummy server, with or without a UI), then the servers are stopped.
servers=() hosts=()
cleanup() {
    for pid in "${hosts[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    # The killed client's semaphores stay behind otherwise.
    rm -f /dev/shm/jack_sem.*_"${JACK_DEFAULT_SERVER}"_*
}
trap cleanup EXIT
Xvfb "$display" -screen 0 1200x1500x24 -nolisten tcp -noreset >"$out/xvfb.log" 2>&1 &
servers+=($!)
jackd --no-realtime -d dummy -r 44100 -p 256 >"$out/jackd.log" 2>&1 &
servers+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xprop -root -f _XEMBED_INFO 32c -set _XEMBED_INFO 0
for _ in $(seq 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done

# Waits for the editor's own window (the innermost one of its size) under
# the named top-level window, and prints its id.
find_editor() {
    local top=$1 size=$2 id
    for _ in $(seq 100); do
        id=$(xwininfo -root -tree 2>/dev/null | awk -v top="$top" -v size="$size" '
            { indent = match($0, /[^ ]/) }
            depth && indent <= depth { exit }
            depth && $0 ~ (" " size "\\+") { found = $1 }
            !depth && index($0, "\"" top "\"") { depth = indent }
            END { if (found) print found }')
        [[ -n $id ]] && { echo "$id"; return; }
        sleep 0.2
    done
}
luma() { convert "$out/$1.png" -crop "1x1+$2+$3" -format '%[fx:int(255*luma)]' info:; }
# shot WINDOW NAME: once the window shows its first picture (on a busy machine
# that may take seconds), and the handshake and first refresh after it.
shot() {
    for _ in $(seq 40); do
        import -window "$1" "$out/$2.png"
        (($(convert "$out/$2.png" -colorspace Gray -format '%[fx:int(255*mean)]' info:) > 5)) && break
        sleep 0.25
    done
    sleep 1.5
    import -window "$1" "$out/$2.png"
}

"$host" "$vst3" >"$out/editorhost.log" 2>&1 &
hosts+=($!)
vst3_window=$(find_editor Editor 528x704)
[[ -n $vst3_window ]] || fail "the editor host shows no 528x704 editor: $(cat "$out/editorhost.log")"
shot "$vst3_window" vst3

LV2_PATH=$lv2_path jalv.gtk3 "$uri" >"$out/jalv.log" 2>&1 &
hosts+=($!)
lv2_window=$(find_editor "Tolvane Synth WT" 528x704)
[[ -n $lv2_window ]] || fail "jalv shows no 528x704 editor: $(cat "$out/jalv.log")"
grep -q "UI: *$editor_uri" "$out/jalv.log" || fail "jalv did not pick the plug-in's own UI"
shot "$lv2_window" lv2

# The editor host frames its view with a 1-pixel border that hides the view's
# last column and row: those are left out of the comparison.
for side in vst3 lv2; do convert "$out/$side.png" -crop 527x703+0+0 +repage "$out/$side-shown.png"; done
differing=$(compare -metric AE "$out/vst3-shown.png" "$out/lv2-shown.png" "$out/difference.png" 2>&1 || true)
[[ $differing == 0 ]] || fail "the LV2 editor differs from the VST 3 editor in $differing pixels (see $out/difference.png)"
(( $(luma lv2 6 150) > 150 )) || fail "the about overlay still covers the LV2 editor"

# Part 1's MODE menu to "3 [Sampler]": the sampler page shows once the engine has it.
xdotool mousemove --window "$lv2_window" 420 132 click 1
sleep 0.5
xdotool mousemove --window "$lv2_window" 410 215 click 1
sleep 1
import -window "$lv2_window" "$out/lv2-sampler.png"
(( $(luma lv2-sampler 14 660) > 150 )) || fail "the sampler page did not follow the mode change"

echo "jalv editor test passed ($differing pixels differ)"
