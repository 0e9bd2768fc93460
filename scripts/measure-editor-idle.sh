#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the open editor costs: CPU of the plug-in's host process and of the X
# server (Xvfb), and the drawing requests reaching the editor's window, with the
# editor idle, with a song playing into the shown part (at 100 % and at 200 %
# zoom), and with the same song and no editor (the engine's and the test host's
# own share). A second run of each case under xtrace counts every X request the
# process sends during the measurement.
#
# usage: scripts/measure-editor-idle.sh [<build dir>] [<seconds>]
#   builds tolvane_editor_quiet_host in <build dir> (default: build) first.
set -euo pipefail

build=${1:-build}
seconds=${2:-5}
cmake --build "$build" --target tolvane_editor_quiet_host >/dev/null
host=$build/tests/editor/tolvane_editor_quiet_host
[[ -x $host ]] || { echo "no $host (needs Xvfb and xcb-damage)" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

free_display() {
    for n in $(seq "$1" 199); do
        [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || { echo "$n"; return; }
    done
    return 1
}

n=$(free_display 150)
Xvfb ":$n" -screen 0 1200x1500x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
pids+=("$xvfb")
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done

# mode and zoom %
cases=("idle 100" "playing 100" "playing 200" "closed 100")
for c in "${cases[@]}"; do
    read -r mode zoom <<<"$c"
    DISPLAY=:$n "$host" "$mode" "$seconds" "$xvfb" "$zoom"
done

if command -v xtrace >/dev/null; then
    for c in "${cases[@]:0:3}"; do
        read -r mode zoom <<<"$c"
        m=$(free_display $((n + 1)))
        trace=$work/$mode-$zoom.trace
        DISPLAY=:$n xtrace -n -d ":$n" -D ":$m" -o "$trace" -- "$host" "$mode" "$seconds" 0 "$zoom" >/dev/null 2>"$trace.log"
        # Requests of every connection between the two marks the host interns.
        requests=$(awk '/TOLVANE_MEASURE_BEGIN/ {on = 1; next} /TOLVANE_MEASURE_END/ {on = 0}
                        on && /Request\(/ {count++} END {print count + 0}' "$trace")
        uploads=$(awk '/TOLVANE_MEASURE_BEGIN/ {on = 1; next} /TOLVANE_MEASURE_END/ {on = 0}
                       on && /Request\(72\): PutImage/ {count++} END {print count + 0}' "$trace")
        echo "mode=$mode zoom=$zoom% x_requests=$requests put_image=$uploads (xtrace, ${seconds}s)"
    done
else
    echo "xtrace not installed: X request counts skipped"
fi
