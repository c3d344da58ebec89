-- ardour7-lua create-lv2-session.lua SESSION_DIR SNAPSHOT URI VALUES_FILE
-- New session with Morlake's LV2 build on a track: factory preset loaded
-- through the host's preset list, parameters changed through their ports,
-- the engine run, all control values written to VALUES_FILE, session saved.
local dir, snap, uri, values_file = arg[1], arg[2], arg[3], arg[4]
local TRS = ARDOUR.TransportRequestSource.TRS_UI
local kControls, kFirstControlPort = 77, 7

local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(backend, "no dummy audio backend")
backend:set_device_name("Sine Wave")

local s = create_session(dir, snap, 48000)
assert(s, "cannot create session")
local tracks = s:new_audio_track(1, 2, nil, 1, "Verb", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true)
assert(tracks:size() == 1, "no track")
local track = tracks:front()

local proc = ARDOUR.LuaAPI.new_plugin(s, uri, ARDOUR.PluginType.LV2, "")
assert(not proc:isnil(), "Ardour cannot instantiate Morlake (LV2)")
assert(track:add_processor_by_index(proc, 0, nil, true) == 0, "cannot add Morlake to the track")
local plug = proc:to_insert():plugin(0)

local preset = plug:preset_by_label("1 to Morlake")
assert(preset, "factory preset not offered")
assert(plug:load_preset(preset), "cannot load the factory preset")

local index = {}
for i = 0, kControls - 1 do index[plug:parameter_label(kFirstControlPort + i)] = i end
local function set(name, value)
  local i = index[name]
  assert(i, "no control named " .. name)
  assert(ARDOUR.LuaAPI.set_processor_param(proc, i, value), "cannot set " .. name)
end
-- In the ports' own units.
set("Wet/Dry Mix", -40)
set("Reverb Damp", 42)
set("Late Volume", -12.5)
set("Reverb HP Frequency", 250)
set("Distortion On/Off", 1)
set("Reverb Preset", 3)
set("Reverb Pre-Delay", 33)

s:request_roll(TRS)
sleep(1.0)
s:request_stop(false, false, TRS)
sleep(0.3)

local f = assert(io.open(values_file, "w"))
for i = 0, kControls - 1 do
  f:write(string.format("%d %.9g\n", i, ARDOUR.LuaAPI.get_processor_param(proc, i)))
end
f:close()
assert(s:save_state("", false, false, false, false, false) == 0, "cannot save the session")
print("created: Morlake (LV2) on a track, " .. kControls .. " controls saved")
close_session()
