-- ardour7-lua create-session.lua SESSION_DIR SNAPSHOT VALUES_FILE EXPECT_FILE
-- New session with Morlake on a mono track: factory preset loaded through the
-- host, parameters changed, a second of the dummy backend's sine recorded,
-- all 256 values written to VALUES_FILE, session saved.
local dir, snap, values_file, expect_file = arg[1], arg[2], arg[3], arg[4]
local rate = 48000
local TRS = ARDOUR.TransportRequestSource.TRS_UI
local NoGroup = PBD.GroupControlDisposition.NoGroup

-- The dummy backend's sine on the physical inputs is what gets recorded.
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(backend, "no dummy audio backend")
backend:set_device_name("Sine Wave")

local s = create_session(dir, snap, rate)
assert(s, "cannot create session")

local tracks = s:new_audio_track(1, 2, nil, 1, "Verb", ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true)
assert(tracks:size() == 1, "no track")
local track = tracks:front()

local proc = ARDOUR.LuaAPI.new_plugin(s, "Morlake", ARDOUR.PluginType.LXVST, "")
assert(not proc:isnil(), "Ardour cannot instantiate Morlake (LXVST)")
assert(track:add_processor_by_index(proc, 0, nil, true) == 0, "cannot add Morlake to the track")
local plug = proc:to_insert():plugin(0)
assert(plug:parameter_count() == 256, "parameter count " .. plug:parameter_count())

local preset = plug:preset_by_label("1 to Morlake")
assert(preset, "factory program not offered as a preset")
assert(plug:load_preset(preset), "cannot load the factory program")

local index = {}
for i = 0, 255 do index[plug:parameter_label(i)] = i end

local function set(name, value)
  local i = index[name]
  assert(i, "no parameter named " .. name)
  assert(ARDOUR.LuaAPI.set_processor_param(proc, i, value), "cannot set " .. name)
end
set("Wet/Dry Mix", 0.3)
set("Reverb Length", 0.71)
set("Reverb Damp", 0.42)
set("Late Volume", 0.55)
set("Early Feed", 0.33)
set("Distortion On/Off", 1.0)
set("Reverb Preset", 3.1 / 10.99) -- step 3

-- Record for 1.2 s: the plug-in's periodic housekeeping runs meanwhile.
track:rec_enable_control():set_value(1, NoGroup)
s:maybe_enable_record(false)
s:request_roll(TRS)
sleep(1.2)
s:request_stop(false, false, TRS)
sleep(0.5)
track:rec_enable_control():set_value(0, NoGroup)
s:disable_record(false, false)

local region, count = nil, 0
for r in track:playlist():region_list():iter() do region, count = r, count + 1 end
assert(count == 1, "recording made " .. count .. " regions")
local input_end = region:position():samples() + region:length():samples()
assert(input_end > rate / 2, "recorded only " .. input_end .. " samples")

-- Room for the reverb tail after the recorded sound.
local range = s:locations():session_range_location()
range:set_end(Temporal.timepos_t(input_end + 2 * rate), false)
local frames = range:_end():samples() - range:start():samples()

local f = assert(io.open(values_file, "w"))
for i = 0, 255 do
  f:write(string.format("%d %.9g\n", i, ARDOUR.LuaAPI.get_processor_param(proc, i)))
end
f:close()
f = assert(io.open(expect_file, "w"))
f:write(string.format("%d %d %d\n", frames, input_end - range:start():samples(), rate))
f:close()

assert(s:save_state("", false, false, false, false, false) == 0, "cannot save the session")
print(string.format("created: %d frames, sound until %d", frames, input_end))
close_session()
