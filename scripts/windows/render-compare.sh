#!/usr/bin/env bash
# The Windows renderer under Wine against the Linux renderer: every render must
# hold the same audio data to the last bit (SHA-256 of the WAV data chunks).
# Also renders into a folder with non-ASCII characters, over an existing file,
# and asks for a format the Windows build lacks, which must be refused.
#   scripts/windows/render-compare.sh <linux build> <windows build>
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
linux=$(realpath "${1:?usage: render-compare.sh <linux build> <windows build>}")
windows=$(realpath "${2:?usage: render-compare.sh <linux build> <windows build>}")
work="$windows/render-compare"
songs="$root/tests/plugin/vst/songs"
golden="$root/tests/golden"
export WINEPREFIX="$windows/wine-prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
unset WINEPATH

rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"
failures=0

render_linux() { (cd "$work/linux" && "$linux/tools/tolvane-render" -q "$@"); }
render_windows() { (cd "$work/windows" && wine "$windows/tools/tolvane-render.exe" -q "$@"); }
data_hash() { python3 "$root/scripts/windows/audio-hash.py" "$1" | cut -d ' ' -f 1; }
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# compare NAME LINUX-FILE WINDOWS-FILE: the two renders hold the same samples.
compare() {
    local a b
    a=$(data_hash "$2")
    b=$(data_hash "$3")
    if [[ $a == "$b" ]]; then
        echo "same     $a  $1"
    else
        fail "$1 differs: Linux $a, Windows $b"
    fi
}

# same NAME [options...]: both renderers, the same options, output NAME.wav.
same() {
    local name=$1
    shift
    render_linux -o "$name.wav" "$@"
    render_windows -o "$name.wav" "$@"
    compare "$name" "$work/linux/$name.wav" "$work/windows/$name.wav"
}

echo "== renders: Linux and Windows =="
same demo
same demo-gain --gain 4.5
same demo-normalize --normalize -0.3
same demo-float --float
same demo-48k-odd-blocks --sample-rate 48000 --block 441
same demo-stems --stems stems
for stem in "$work/linux/stems/"*.wav; do
    compare "stems/${stem##*/}" "$stem" "$work/windows/stems/${stem##*/}"
done
# The same libFLAC on both sides (Debian's binary package, and its source package
# built here): the FLAC files are the same byte for byte.
render_linux -o demo.flac
render_windows -o demo.flac
if cmp -s "$work/linux/demo.flac" "$work/windows/demo.flac"; then
    echo "same     $(sha256sum <"$work/linux/demo.flac" | cut -d ' ' -f 1)  demo.flac (the whole file)"
else
    fail "demo.flac differs"
fi
for song in blupi-music004 blupi-music006; do
    same "$song" "$songs/$song.mid"
    rm -f "$work/linux/$song.wav" "$work/windows/$song.wav"
done

echo "== a state and a .vstpreset saved on Linux, with an imported WAV =="
# A short decaying square wave for sample slot 0, and a song whose channel 1
# (part 1, in Sampler mode in the state) plays it: four notes, half a second each.
python3 - "$work/tone.wav" "$work/sampler.mid" <<'PY'
import struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(1); w.setsampwidth(2); w.setframerate(22050)
    frames = [int(12000 * (1 - n / 11025) * (1 if (n // 50) % 2 else -1)) for n in range(11025)]
    w.writeframes(struct.pack("<%dh" % len(frames), *frames))
events = b""
for key in (60, 64, 67, 72):
    events += bytes([0, 0x90, key, 100, 0x83, 0x60, 0x80, key, 0])  # 480 ticks: half a second at 120 bpm
events += bytes([0, 0xFF, 0x2F, 0])
with open(sys.argv[2], "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 960) + b"MTrk" + struct.pack(">I", len(events)) + events)
PY
"$linux/tests/windows/tolvane_state_fixture" "$work/saved.state" "$work/saved.vstpreset" \
    --wav "0=$work/tone.wav" --samplers "$golden/samplers.txt" --sample-params "$golden/sample-params.txt"
song="$work/sampler.mid"
render_linux -o sampler-plain.wav "$song"
same state --state "$work/saved.state" "$song"
same preset --preset "$work/saved.vstpreset" "$song"
# With the WAV gone, both restore the sample from the copy stored in the state.
mv "$work/tone.wav" "$work/tone-moved.wav"
same state-stored-copy --state "$work/saved.state" "$song"
[[ $(data_hash "$work/linux/state.wav") != $(data_hash "$work/linux/sampler-plain.wav") ]] ||
    fail "the state's sample is not heard"
rm -f "$work"/*/state*.wav "$work"/*/preset.wav

echo "== Windows: a folder with non-ASCII characters, an existing file, a missing format =="
unicode_dir="$work/windows/Usuários/José Ñandú 音楽"
mkdir -p "$unicode_dir"
windows_dir=$(wine winepath -w "$unicode_dir" 2>/dev/null)
render_windows -o "$windows_dir\\demo.wav" --stems "$windows_dir\\stems"
compare "demo and stems into $unicode_dir" "$work/linux/demo-stems.wav" "$unicode_dir/demo.wav"
[[ -f "$unicode_dir/stems/$(basename "$(ls "$work/linux/stems/" | head -n 1)")" ]] || fail "no stems in $unicode_dir"
cp "$work/linux/demo-gain.wav" "$unicode_dir/over.wav"
render_windows -o "$windows_dir\\over.wav"
compare "demo over an existing file" "$work/linux/demo.wav" "$unicode_dir/over.wav"
if ls -A "$unicode_dir" | grep -q '\.part-'; then fail "a temporary file was left in $unicode_dir"; fi
set +e
message=$(render_windows -o refused.mp3 2>&1)
status=$?
set -e
echo "mp3: exit $status: $message"
[[ $status -eq 2 && $message == *"this build writes wav, flac"* && ! -e "$work/windows/refused.mp3" ]] ||
    fail "a format the Windows build lacks is not refused cleanly"

if ((failures)); then
    echo "render-compare: $failures failure(s)"
    exit 1
fi
echo "render-compare: every render the same on Linux and Windows"
