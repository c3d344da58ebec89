#include "tools/harness/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace morlake {

namespace {

struct Reader
{
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
    bool failed = false;

    bool has (std::size_t n) const { return ! failed && pos <= data.size () && data.size () - pos >= n; }
    std::uint32_t byte ()
    {
        if (! has (1))
        {
            failed = true;
            return 0;
        }
        return data[pos++];
    }
    std::uint32_t be (int n)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | byte ();
        return v;
    }
    std::uint32_t vlq ()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
        {
            const auto b = byte ();
            v = (v << 7) | (b & 0x7F);
            if ((b & 0x80) == 0)
                return v;
        }
        failed = true; // longer than the four bytes the format allows
        return 0;
    }
    void skip (std::size_t n)
    {
        if (! has (n))
            failed = true;
        else
            pos += n;
    }
};

struct TickEvent
{
    std::uint64_t tick;
    MidiEvent event;
};

struct TempoChange
{
    std::uint64_t tick;
    double microsPerQuarter;
};

int dataBytesFor (std::uint32_t status)
{
    const auto kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

} // namespace

namespace {

struct TrackEvents
{
    std::vector<TickEvent> events;
    std::vector<TempoChange> tempos;
    std::uint64_t lastTick = 0;
};

// One track's events and tempo changes; false with a reason when it is damaged.
bool parseTrack (Reader& tr, std::uint32_t trackNumber, TrackEvents& found, std::string& error)
{
    std::uint64_t tick = 0;
    std::uint32_t running = 0;
    while (tr.has (1))
    {
        tick += tr.vlq ();
        auto status = tr.byte ();
        if (tr.failed)
            break;
        if (status < 0x80)
        {
            if (running == 0)
            {
                error = "MIDI file has data bytes without a status";
                return false;
            }
            --tr.pos; // running status: the byte was data
            status = running;
        }
        if (status == 0xFF)
        {
            const auto type = tr.byte ();
            const auto len = tr.vlq ();
            if (type == 0x51 && len == 3 && tr.has (3))
                found.tempos.push_back ({tick, static_cast<double> (tr.be (3))});
            else
                tr.skip (len);
            found.lastTick = std::max (found.lastTick, tick);
            if (type == 0x2F)
                break; // end of track
            continue;
        }
        if (status == 0xF0 || status == 0xF7)
        {
            tr.skip (tr.vlq ());
            running = 0;
            continue;
        }
        if (status >= 0xF0)
        {
            error = "MIDI file holds a system message where a track event belongs";
            return false;
        }
        running = status;
        MidiEvent e;
        e.bytes[0] = static_cast<std::uint8_t> (status);
        for (int i = 0; i < dataBytesFor (status); ++i)
            e.bytes[static_cast<std::size_t> (1 + i)] = static_cast<std::uint8_t> (tr.byte () & 0x7F);
        if (tr.failed)
            break;
        found.events.push_back ({tick, e});
        found.lastTick = std::max (found.lastTick, tick);
    }
    if (tr.failed)
    {
        error = "MIDI file track " + std::to_string (trackNumber) + " is truncated";
        return false;
    }
    return true;
}

// Ticks to seconds: SMPTE division is a fixed rate, quarter-note division
// follows the tempo map.
class TickClock
{
public:
    TickClock (std::uint32_t division, std::vector<TempoChange> tempoMap, double defaultTempo)
    : tempos (std::move (tempoMap)),
      smpte ((division & 0x8000) != 0),
      secondsPerTickSmpte (smpte ? 1.0 / (static_cast<double> (-static_cast<std::int8_t> (division >> 8)) *
                                          static_cast<double> (division & 0xFF))
                                 : 0.0),
      ppq (static_cast<double> (division & 0x7FFF)),
      defaultMicros (60.0e6 / std::max (defaultTempo, 1.0))
    {
        std::stable_sort (tempos.begin (), tempos.end (),
                          [] (const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    }

    double seconds (std::uint64_t tick) const
    {
        if (smpte)
            return static_cast<double> (tick) * secondsPerTickSmpte;
        double s = 0.0;
        std::uint64_t at = 0;
        double micros = defaultMicros;
        for (const auto& change : tempos)
        {
            if (change.tick >= tick)
                break;
            s += static_cast<double> (change.tick - at) * micros / (ppq * 1.0e6);
            at = change.tick;
            micros = change.microsPerQuarter;
        }
        return s + static_cast<double> (tick - at) * micros / (ppq * 1.0e6);
    }

private:
    std::vector<TempoChange> tempos;
    bool smpte;
    double secondsPerTickSmpte;
    double ppq;
    double defaultMicros;
};

} // namespace

bool parseMidiFile (std::span<const std::uint8_t> bytes, double sampleRate, double defaultTempo, MidiFileContents& out,
                    std::string& error)
{
    out = {};
    Reader r {bytes};
    if (! r.has (14) || r.be (4) != 0x4D546864 /* MThd */)
    {
        error = "not a standard MIDI file";
        return false;
    }
    const auto headerLength = r.be (4);
    const auto format = r.be (2);
    const auto trackCount = r.be (2);
    const auto division = r.be (2);
    if (headerLength < 6 || format > 2 || division == 0)
    {
        error = "unsupported MIDI file header";
        return false;
    }
    r.skip (headerLength - 6);

    TrackEvents found;
    for (std::uint32_t t = 0; t < trackCount && r.has (8);)
    {
        const auto id = r.be (4);
        const auto length = r.be (4);
        if (! r.has (length))
        {
            error = "MIDI file is truncated";
            return false;
        }
        if (id != 0x4D54726B /* MTrk */)
        {
            r.skip (length); // unknown chunks are allowed and ignored
            continue;
        }
        ++t;
        Reader tr {bytes.subspan (r.pos, length)};
        r.skip (length);
        if (! parseTrack (tr, t, found, error))
            return false;
    }
    if (r.failed)
    {
        error = "MIDI file is truncated";
        return false;
    }

    const TickClock clock (division, std::move (found.tempos), defaultTempo);
    auto& events = found.events;
    std::stable_sort (events.begin (), events.end (),
                      [] (const TickEvent& a, const TickEvent& b) { return a.tick < b.tick; });
    out.events.reserve (events.size ());
    for (const auto& e : events)
    {
        MidiEvent m = e.event;
        m.frame = static_cast<std::int64_t> (std::llround (clock.seconds (e.tick) * sampleRate));
        out.events.push_back (m);
    }
    out.lengthSeconds = clock.seconds (found.lastTick);
    return true;
}

bool readMidiFile (const std::string& path, double sampleRate, double defaultTempo, MidiFileContents& out,
                   std::string& error)
{
    std::ifstream in (path, std::ios::binary);
    if (! in)
    {
        error = "cannot open MIDI file \"" + path + "\"";
        return false;
    }
    std::vector<std::uint8_t> bytes ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char> ());
    if (! parseMidiFile (bytes, sampleRate, defaultTempo, out, error))
    {
        error = "\"" + path + "\": " + error;
        return false;
    }
    return true;
}

} // namespace morlake
