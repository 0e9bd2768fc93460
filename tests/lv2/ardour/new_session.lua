-- SPDX-License-Identifier: GPL-3.0-or-later
-- ardour7-lua new_session.lua FOLDER NAME PLUGIN-URI [OTHER-URI...]: a new
-- session with one MIDI track (strict I/O, as Ardour's Add Track dialog makes
-- it) whose instrument is the LV2 plug-in; prints the plug-in's name, the
-- track's outputs ("track outputs <audio> of <the plug-in's>"), the presets
-- Ardour lists for it, one "preset <label>" line each, and for every URI the
-- audio outputs Ardour counts ("offers <uri> <n>"): for an LV2 plug-in the
-- one output configuration its Plugin Setup dialog offers for a new track.
local folder, name, uri = arg[1], arg[2], arg[3]
AudioEngine:set_backend("JACK", "", "")
assert(create_session(folder, name, 44100), "no session")
local plugin = ARDOUR.LuaAPI.new_plugin_info(uri, ARDOUR.PluginType.LV2)
assert(not plugin:isnil(), "Ardour does not know the plug-in")
local midi, audio = ARDOUR.ChanCount(ARDOUR.DataType("midi"), 1), ARDOUR.ChanCount(ARDOUR.DataType("audio"), 2)
Session:new_midi_track(midi, audio, true, plugin, nil, nil, 1, "synth", ARDOUR.PresentationInfo.max_order,
                       ARDOUR.TrackMode.Normal, true)
for track in Session:get_tracks():iter() do
  local instrument = track:nth_plugin(0)
  print("instrument " .. instrument:display_name())
  print("track outputs " .. track:n_outputs():n_audio() .. " of "
        .. instrument:to_insert():natural_output_streams():n_audio())
end
for preset in plugin:get_presets(false):iter() do print("preset " .. preset.label) end
for i = 3, #arg do
  print("offers " .. arg[i] .. " " .. ARDOUR.LuaAPI.new_plugin_info(arg[i], ARDOUR.PluginType.LV2).n_outputs:n_audio())
end
assert(Session:save_state("", false, false, false, false, false) == 0, "not saved")
close_session()
