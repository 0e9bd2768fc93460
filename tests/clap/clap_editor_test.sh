#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The CLAP plug-in's editor, opened through the gui extension by the
# project's CLAP host in an X window on a virtual display, beside the VST 3
# editor in the SDK's editor host: both must show the same picture, pixel for
# pixel. Then ten times open, resize to 200 % and back, and close: no window
# and no timer may be left, and the heap must not grow from one to the next.
#
# usage: clap_editor_test.sh <editorhost> <TolvaneSynthWT.vst3> <tolvane_clap_host> <TolvaneSynthWT.clap> <output folder>
set -euo pipefail

editorhost=$1 vst3=$2 clap_host=$3 clap=$4 out=$5
mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }

for n in $(seq 191 240); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || { display=:$n; break; }
done
[[ -n ${display:-} ]] || fail "no free X display"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT
Xvfb "$display" -screen 0 1200x1500x24 -nolisten tcp -noreset >"$out/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# The SDK's host only looks the XEmbed atom up; a bare server has not made it yet.
xprop -root -f _XEMBED_INFO 32c -set _XEMBED_INFO 0

# The innermost window of the given size under the named top-level window.
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

"$editorhost" "$vst3" >"$out/editorhost.log" 2>&1 &
pids+=($!)
vst3_window=$(find_editor Editor 528x704)
[[ -n $vst3_window ]] || fail "the editor host shows no 528x704 editor: $(cat "$out/editorhost.log")"
sleep 1.5 # the handshake and the first refresh
import -window "$vst3_window" "$out/vst3.png"
kill "${pids[-1]}"

"$clap_host" editor "$clap" --cycles 1 --hold-ms 4000 >"$out/clap-host.log" 2>&1 &
pids+=($!)
clap_window=$(find_editor "CLAP host" 528x704)
[[ -n $clap_window ]] || fail "the CLAP host shows no 528x704 editor: $(cat "$out/clap-host.log")"
sleep 1.5
import -window "$clap_window" "$out/clap.png"
wait "${pids[-1]}" || fail "the CLAP host's window cycle failed: $(cat "$out/clap-host.log")"

# The editor host frames its view with a 1-pixel border that hides the view's
# last column and row: those are left out of the comparison.
for side in vst3 clap; do convert "$out/$side.png" -crop 527x703+0+0 +repage "$out/$side-shown.png"; done
differing=$(compare -metric AE "$out/vst3-shown.png" "$out/clap-shown.png" "$out/difference.png" 2>&1 || true)
[[ $differing == 0 ]] || fail "the CLAP editor differs from the VST 3 editor in $differing pixels (see $out/difference.png)"

"$clap_host" editor "$clap" --cycles 10 --hold-ms 300 >"$out/cycles.log" 2>&1 ||
    fail "open, resize and close ten times: $(cat "$out/cycles.log")"
cat "$out/cycles.log"
growth=$(sed -n 's/^heap in use: .*(\([-+0-9]*\))$/\1/p' "$out/cycles.log")
[[ -n $growth ]] || fail "no heap figure"
# Cycles 3 to 10 may not keep more than a few kilobytes of what they allocated.
(( growth < 65536 )) || fail "the heap grew by $growth bytes over eight cycles"
left=$(xwininfo -root -tree | grep -c '"CLAP host"' || true)
(( left == 0 )) || fail "a host window is left"
echo "CLAP editor test passed ($differing pixels differ; heap $growth bytes over cycles 3-10)"
