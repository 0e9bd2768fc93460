-- SPDX-License-Identifier: GPL-3.0-or-later
-- ardour7-lua render_session.lua FOLDER NAME OUTPUT-FOLDER SECONDS: loads the
-- session and exports its first SECONDS as a WAV file (Ardour's "WAV @
-- session-rate" preset) into OUTPUT-FOLDER.
local folder, name, out, seconds = arg[1], arg[2], arg[3], tonumber(arg[4])
AudioEngine:set_backend("JACK", "", "")
assert(load_session(folder, name), "the session did not load")
-- A region added outside Ardour gets its MIDI model read now, and the track
-- its playback data rebuilt; the session is saved with it.
for track in Session:get_tracks():iter() do
  for region in track:to_track():playlist():region_list():iter() do
    print("region " .. region:name() .. " notes " .. ARDOUR.LuaAPI.note_list(region:to_midiregion():model()):size())
    region:set_muted(true)
    region:set_muted(false)
  end
end
Session:save_state("", false, false, false, false, false)
Session:request_locate(0, false, ARDOUR.LocateTransportDisposition.MustStop, ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.wait_for_process_callback(200, 10000)
ARDOUR.LuaAPI.usleep(3000000)
local export = Session:simple_export()
export:set_folder(out)
export:set_range(0, math.floor(seconds * Session:nominal_sample_rate()))
export:set_preset("75969a1c-3133-4694-864b-a1fa50e43348")
print("exported " .. tostring(export:run_export()))
close_session()
