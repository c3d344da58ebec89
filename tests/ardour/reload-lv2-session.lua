-- ardour7-lua reload-lv2-session.lua SESSION_DIR SNAPSHOT VALUES_FILE
-- Reopens the saved session, runs the engine and compares every control
-- value with those dumped before saving, and saves it as snapshot "reloaded".
local dir, snap, values_file = arg[1], arg[2], arg[3]
local TRS = ARDOUR.TransportRequestSource.TRS_UI
local kFirstControlPort = 7

local s = load_session(dir, snap)
assert(s, "cannot load session")
local route = s:route_by_name("Verb")
assert(not route:isnil(), "track missing after reload")
local proc = route:nth_plugin(0)
assert(not proc:isnil() and proc:display_name() == "Morlake", "Morlake missing after reload")
local plug = proc:to_insert():plugin(0)

s:request_roll(TRS)
sleep(1.0)
s:request_stop(false, false, TRS)
sleep(0.3)

local failures, count = 0, 0
for line in io.lines(values_file) do
  local i, saved = line:match("^(%d+) (%S+)$")
  i, saved = tonumber(i), tonumber(saved)
  local now = ARDOUR.LuaAPI.get_processor_param(proc, i)
  count = count + 1
  if now ~= saved and math.abs(now - saved) > 1e-6 * math.max(1, math.abs(saved)) then
    print(string.format("MISMATCH %2d %-28s saved %.9g, after reload %.9g",
                        i, plug:parameter_label(kFirstControlPort + i), saved, now))
    failures = failures + 1
  end
end
assert(count == 77, "values file has " .. count .. " lines")
-- Saved again: the shell compares the plug-in state with the first save.
assert(s:save_state("reloaded", false, false, false, false, false) == 0, "cannot save the reloaded session")
close_session()
assert(failures == 0, failures .. " values differ after reload")
print("reload: " .. count .. " control values as saved")
