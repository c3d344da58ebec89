-- ardour7-lua reload-session.lua SESSION_DIR SNAPSHOT VALUES_FILE
-- Reopens the saved session, runs the engine and compares all 256 parameter
-- values and the program name with those dumped before saving.
local dir, snap, values_file = arg[1], arg[2], arg[3]
local TRS = ARDOUR.TransportRequestSource.TRS_UI

local s = load_session(dir, snap)
assert(s, "cannot load session")
local route = s:route_by_name("Verb")
assert(not route:isnil(), "track missing after reload")
local proc = route:nth_plugin(0)
assert(not proc:isnil() and proc:display_name() == "Morlake", "Morlake missing after reload")
local plug = proc:to_insert():plugin(0)

s:request_roll(TRS)
sleep(1.2)
s:request_stop(false, false, TRS)
sleep(0.3)

local failures = 0
local values, count = {}, 0
for line in io.lines(values_file) do
  local i, saved = line:match("^(%d+) (%S+)$")
  i, saved = tonumber(i), tonumber(saved)
  local now = ARDOUR.LuaAPI.get_processor_param(proc, i)
  values[i] = now
  count = count + 1
  if math.abs(now - saved) > 1e-6 then
    print(string.format("MISMATCH %3d %-24s saved %.9g, after reload %.9g",
                        i, plug:parameter_label(i), saved, now))
    failures = failures + 1
  end
end
assert(count == 256, "values file has " .. count .. " lines")

-- The program name travels in values 145..172, one character each.
local name = ""
for i = 145, 172 do
  local c = math.floor(values[i] * 255.99 + 0.1)
  if c == 0 then break end
  name = name .. string.char(c)
end
if name ~= "1 to Morlake" then
  print("MISMATCH name in the values: '" .. name .. "'")
  failures = failures + 1
end
-- Ardour lists the plug-in's one program as a preset under its current name.
local program = plug:preset_by_uri(string.format("VST:%s:0000", plug:unique_id()))
if not program or program.label ~= "1 to Morlake" then
  print("MISMATCH program name: '" .. tostring(program and program.label) .. "'")
  failures = failures + 1
end

close_session()
assert(failures == 0, failures .. " values differ after reload")
print("reload: 256 values and the program name as saved")
