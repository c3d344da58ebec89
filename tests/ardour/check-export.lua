-- ardour7-lua check-export.lua WAV FRAMES SOUND_END RATE
-- Checks an exported 32-bit float stereo WAV: the session's length, finite
-- samples, sound, and a reverb tail after the input has ended.
-- Exit 0: fine; 2: missing or incomplete file; 1: wrong content.
local path, frames, sound_end, rate = arg[1], tonumber(arg[2]), tonumber(arg[3]), tonumber(arg[4])

local function incomplete(why)
  print("export incomplete: " .. why)
  os.exit(2)
end

local f = io.open(path, "rb")
if not f then incomplete("no file") end
local data = f:read("a")
f:close()
if data:sub(1, 4) ~= "RIFF" or data:sub(9, 12) ~= "WAVE" then incomplete("no WAV header") end

local pos, fmt, channels, bits, samples_at, samples_len = 13
while pos + 8 <= #data do
  local id, size = data:sub(pos, pos + 3), string.unpack("<I4", data, pos + 4)
  if id == "fmt " then
    fmt, channels = string.unpack("<I2I2", data, pos + 8)
    bits = string.unpack("<I2", data, pos + 22)
    if fmt == 0xFFFE then fmt = string.unpack("<I2", data, pos + 32) end
  elseif id == "data" then
    samples_at, samples_len = pos + 8, size
  end
  pos = pos + 8 + size + size % 2
end
if not samples_at or samples_at + samples_len - 1 > #data then incomplete("data cut short") end
local n = samples_len // 8
if n < frames then incomplete(string.format("%d of %d frames", n, frames)) end
assert(fmt == 3 and bits == 32, "not 32-bit float")
assert(channels == 2, channels .. " channels")
assert(n == frames, string.format("%d frames, expected %d", n, frames))

local peak, tail_peak = 0, 0
local tail_from = sound_end + rate // 20
for i = 0, n * 2 - 1 do
  local v = string.unpack("<f", data, samples_at + 4 * i)
  assert(v == v and math.abs(v) < math.huge, "non-finite sample at frame " .. i // 2)
  v = math.abs(v)
  if v > peak then peak = v end
  if i // 2 >= tail_from and v > tail_peak then tail_peak = v end
end
print(string.format("export: %d frames, peak %.4f, tail peak %.6f", n, peak, tail_peak))
assert(peak > 0.01, "export is silent")
assert(tail_peak > 1e-4, "no reverb tail after the sound ends")
