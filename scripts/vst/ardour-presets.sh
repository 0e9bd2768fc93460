#!/usr/bin/env bash
# Lists the presets Ardour 7 offers for the built plug-in, as its preset menu
# shows them: the bundle and factory presets installed into a scratch home,
# scanned with Ardour's VST 3 scanner, then asked from a headless session
# (ardour7-lua). Prints every preset, then how many of the entries are
# programs of the plug-in's program list rather than preset files.
# Usage: scripts/vst/ardour-presets.sh <build-folder>   (needs Debian's ardour)
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail

build_dir="$(cd "${1:?usage: ardour-presets.sh <build-folder>}" && pwd)"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "${scratch}"' EXIT

HOME="${scratch}" bash "${root}/scripts/vst/install.sh" "${build_dir}" "${scratch}/.vst3" >/dev/null
# Ardour takes a scan result written in the same second as the module for
# stale and then offers no plug-in: scan a second after installing.
sleep 1.1
HOME="${scratch}" LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst3-scanner -q -f \
    "${scratch}/.vst3/TolvaneSynthWT.vst3"

cat >"${scratch}/list.lua" <<'LUA'
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:start(false)
local session = create_session(os.getenv("HOME") .. "/session", "presets", 48000) -- kept: the session lives while referenced
local insert = ARDOUR.LuaAPI.new_plugin(Session, "Tolvane Synth WT", ARDOUR.PluginType.VST3, "")
local plugin = insert:to_insert():plugin(0)
local id = plugin:unique_id()
for info in ARDOUR.LuaAPI.list_plugins():iter() do
  if info.type == ARDOUR.PluginType.VST3 and info.unique_id == id then
    for preset in info:get_presets(false):iter() do
      if plugin:preset_by_uri(preset.uri) then print("preset: " .. preset.label) end
    end
  end
end
local programs = 0
for n = 0, 127 do
  local preset = plugin:preset_by_uri(string.format("VST3-P:%s:%04d", id, n))
  if preset then programs = programs + 1; print("program entry: " .. preset.label) end
end
print("program entries: " .. programs)
close_session()
LUA
# LV2_PATH names an empty folder: Ardour loads no LV2 plug-in at all (not even
# for its MIDI audition).
mkdir -p "${scratch}/no-lv2"
# Should a fresh headless session still fail to create the plug-in ("shared_ptr
# is nil"), up to four tries.
for try in 1 2 3 4; do
    rm -rf "${scratch}/session"
    HOME="${scratch}" LV2_PATH="${scratch}/no-lv2" ardour7-lua "${scratch}/list.lua" >"${scratch}/list.log" 2>&1 || true
    grep -q '^program entries: ' "${scratch}/list.log" && break
done
grep -E "^(preset|program|Error)" "${scratch}/list.log"
