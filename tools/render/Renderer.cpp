#include "tools/render/Renderer.h"

#include "tools/harness/FactoryPresets.h"
#if MORLAKE_HAVE_CLAP
#include "tools/harness/ClapHostedPlugin.h"
#endif
#include "tools/harness/MidiFile.h"
#include "tools/harness/NameMatch.h"
#include "tools/render/AudioFiles.h"
#include "tools/render/DemoSignal.h"
#include "tools/render/ParameterValues.h"
#include "tools/report/ReportPicture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace morlake {

namespace {

std::atomic<bool> stopRequested {false};

std::string dbText (double linear)
{
    if (linear <= 0.0)
        return "-inf";
    std::ostringstream s;
    s << std::fixed << std::setprecision (1) << 20.0 * std::log10 (linear);
    return s.str ();
}

std::string seconds (double s)
{
    std::ostringstream out;
    out << std::fixed << std::setprecision (2) << s << " s";
    return out.str ();
}

bool isIndex (const std::string& text)
{
    return ! text.empty () && std::all_of (text.begin (), text.end (), [] (char c) { return c >= '0' && c <= '9'; });
}

// Programs of a plug-in other than Morlake, by effGetProgramNameIndexed, or
// by switching to each when the plug-in does not answer that.
std::vector<std::string> programNames (HostedPlugin& plugin)
{
    std::vector<std::string> names;
    const int current = plugin.getProgram ();
    bool switched = false;
    for (int i = 0; i < plugin.numPrograms (); ++i)
    {
        auto r = plugin.programNameIndexed (i);
        if (r.answer == 0)
        {
            plugin.setProgram (i);
            r = plugin.programName ();
            switched = true;
        }
        names.push_back (r.text);
    }
    if (switched)
        plugin.setProgram (current);
    return names;
}

} // namespace

bool applyPreset (HostedPlugin& plugin, const std::string& preset, std::string& error)
{
    const bool morlake = isMorlake (plugin);
    const auto names = morlake ? factoryPresetNames () : programNames (plugin);
    int index = -1;
    if (isIndex (preset))
    {
        index = preset.size () < 6 ? std::stoi (preset) : -1;
        if (index < 0 || index >= static_cast<int> (names.size ()))
        {
            error = "preset index " + preset + " is out of range (0.." +
                    std::to_string (static_cast<int> (names.size ()) - 1) + ")";
            return false;
        }
    }
    else
    {
        for (std::size_t i = 0; i < names.size () && index < 0; ++i)
            if (equalsIgnoringCase (names[i], preset))
                index = static_cast<int> (i);
        if (index < 0)
        {
            const auto close = closeMatches (preset, names);
            error = "unknown preset \"" + preset + "\"";
            error += close.empty () ? " (--list-presets shows them all)" : "; close names: " + quotedList (close);
            return false;
        }
    }
    if (morlake)
        selectFactoryPreset (plugin, index);
    else
        plugin.setProgram (index);
    return true;
}

bool applyAssignment (HostedPlugin& plugin, const ParameterAssignment& a, std::string& error)
{
    const int index = resolveParameter (plugin, a.parameter, error);
    if (index < 0)
        return false;
    float value = 0.0f;
    if (a.normalised)
    {
        const auto v = parseWholeNumber (a.value);
        if (! v)
        {
            error = "\"" + a.value + "\" for \"" + a.parameter + "\" is not a number";
            return false;
        }
        if (*v < 0.0 || *v > 1.0)
        {
            error = "value " + a.value + " for \"" + a.parameter + "\" is outside 0..1";
            return false;
        }
        value = static_cast<float> (*v);
    }
    else if (! displayValueToNormalised (plugin, index, a.value, value, error))
        return false;
    plugin.setParameter (index, value);
    return true;
}

namespace {

bool needsChunks (HostedPlugin& plugin, const char* what, std::string& error)
{
    if ((plugin.flags () & vst::effFlagsProgramChunks) != 0)
        return true;
    error = std::string ("the plug-in does not ") + what + " chunks in host \"" + plugin.config ().productString +
            "\" (see --host-product)";
    return false;
}

void listParameters (HostedPlugin& plugin, std::ostream& out)
{
    out << "index  name                      display                   label\n";
    for (int i = 0; i < plugin.numParams (); ++i)
    {
        const auto name = plugin.parameterName (i).text;
        const auto display = plugin.parameterDisplay (i).text;
        const auto label = plugin.parameterLabel (i).text;
        out << std::setw (5) << i << "  " << std::left << std::setw (24) << name << "  " << std::setw (24) << display
            << "  " << label << std::right << "  (" << std::fixed << std::setprecision (4) << plugin.getParameter (i)
            << ")\n";
        out.unsetf (std::ios::floatfield);
    }
}

void listPresets (HostedPlugin& plugin, std::ostream& out)
{
    const auto names = isMorlake (plugin) ? factoryPresetNames () : programNames (plugin);
    for (std::size_t i = 0; i < names.size (); ++i)
        out << std::setw (3) << i << "  " << names[i] << '\n';
}

class Progress
{
public:
    Progress (bool enabled, std::int64_t inputFrames, double rate) : on (enabled), total (inputFrames), rate (rate) {}
    ~Progress () { finish (); }

    void update (std::int64_t position)
    {
        if (! on)
            return;
        const auto now = std::chrono::steady_clock::now ();
        if (now - last < std::chrono::milliseconds (100))
            return;
        last = now;
        if (position < total)
        {
            const int width = 30;
            const double f = static_cast<double> (position) / static_cast<double> (std::max<std::int64_t> (total, 1));
            const int filled = static_cast<int> (f * width);
            std::fprintf (stderr, "\r[%s%s] %3d%%", std::string (static_cast<std::size_t> (filled), '#').c_str (),
                          std::string (static_cast<std::size_t> (width - filled), '.').c_str (),
                          static_cast<int> (f * 100.0));
        }
        else
            std::fprintf (stderr, "\r\033[Ktail %.1f s", static_cast<double> (position - total) / rate);
        std::fflush (stderr);
        drawn = true;
    }

    void finish ()
    {
        if (drawn)
            std::fprintf (stderr, "\r\033[K");
        drawn = false;
    }

private:
    bool on;
    std::int64_t total;
    double rate;
    bool drawn = false;
    std::chrono::steady_clock::time_point last {};
};

struct ChannelStats
{
    double peak = 0.0;
    double sumSquares = 0.0;
};

} // namespace

void requestRenderStop () { stopRequested.store (true, std::memory_order_relaxed); }

std::string defaultOutputName (const std::string& input)
{
    if (input.empty ())
        return "morlake-demo.wav";
    const std::filesystem::path p (input);
    return (p.parent_path () / (p.stem ().string () + "-morlake.wav")).string ();
}

namespace {

struct RenderInputs
{
    std::unique_ptr<AudioSource> main;
    std::unique_ptr<AudioSource> side;
    MidiFileContents midi;
    std::vector<std::uint8_t> chunk;
    double rate = 0.0;
};

// Inputs first: a bad file should not cost a plug-in load.
bool openAudioInputs (const RenderOptions& o, RenderInputs& in, std::string& error)
{
    if (! o.input.empty ())
    {
        in.main = openAudioFile (o.input, error);
        if (! in.main)
            return false;
    }
    else
        in.main = memorySource (makeDemoSignal (o.demoSampleRate), o.demoSampleRate);
    in.rate = in.main->sampleRate ();
    if (! o.side.empty ())
    {
        in.side = openAudioFile (o.side, error);
        if (! in.side)
            return false;
        if (in.side->sampleRate () != in.rate)
        {
            error = "side input \"" + o.side + "\" runs at " +
                    std::to_string (static_cast<int> (in.side->sampleRate ())) + " Hz, the main input at " +
                    std::to_string (static_cast<int> (in.rate)) + " Hz";
            return false;
        }
    }
    return true;
}

// The MIDI file and the saved state a render starts from.
bool readExtras (const RenderOptions& o, RenderInputs& in, std::string& error)
{
    if (! o.midi.empty () && ! readMidiFile (o.midi, in.rate, o.tempo, in.midi, error))
        return false;
    if (! o.chunkIn.empty ())
    {
        if (! readWholeFile (o.chunkIn, in.chunk, error))
            return false;
        if (in.chunk.empty ())
        {
            error = "chunk file \"" + o.chunkIn + "\" is empty";
            return false;
        }
    }
    return true;
}

// Loads the plug-in and brings it into the state the options ask for.
std::unique_ptr<HostedPlugin> loadConfigured (const RenderOptions& o, const RenderInputs& in, std::string& error)
{
    HostConfig config;
    config.productString = o.hostProduct;
    config.vendorString = o.hostVendor;
    config.sampleRate = in.rate;
    config.blockSize = o.blockSize;
    config.tempo = o.tempo;
    config.unloadModule = false;
    auto plugin = HostedPlugin::load (o.pluginPath, config, error);
    if (! plugin)
        return nullptr;
    plugin->open ();
    if (plugin->numOutputs () < 1)
    {
        error = "plug-in \"" + o.pluginPath + "\" has no outputs";
        return nullptr;
    }
    if (! in.chunk.empty ())
    {
        if (! needsChunks (*plugin, "take", error))
            return nullptr;
        if (plugin->setChunk (in.chunk) == 0)
        {
            error = "the plug-in rejected the chunk in \"" + o.chunkIn + "\"";
            return nullptr;
        }
    }
    if (! o.preset.empty () && ! applyPreset (*plugin, o.preset, error))
        return nullptr;
    for (const auto& a : o.assignments)
        if (! applyAssignment (*plugin, a, error))
            return nullptr;
    return plugin;
}

// The saved state is the one this render starts from, so loading it
// reproduces the render.
bool saveChunk (HostedPlugin& plugin, const std::string& path, std::string& error)
{
    if (! needsChunks (plugin, "give", error))
        return false;
    const auto bytes = plugin.getChunk ();
    if (bytes.empty ())
    {
        error = "the plug-in gave no chunk";
        return false;
    }
    return writeFileAtomically (path, bytes, error);
}

struct RenderResult
{
    std::int64_t inputFrames = 0;
    std::int64_t tailFrames = 0;
    bool fixedTail = false;
    bool capReached = false;
    double wallSeconds = 0.0;
};

// The events of the block at `position`, as offsets into it.
void eventsOfBlock (const std::vector<MidiEvent>& events, std::int64_t position, int frames, std::size_t& next,
                    std::vector<MidiEvent>& block)
{
    block.clear ();
    while (next < events.size () && events[next].frame < position + frames)
    {
        MidiEvent e = events[next++];
        e.frame = std::max<std::int64_t> (e.frame - position, 0);
        block.push_back (e);
    }
}

// Keeps frames from `from` on (past the input) in the tail and notes the
// last one above the threshold.
void keepTail (const std::vector<float*>& out, int from, int frames, std::int64_t position, float threshold,
               AudioBuffers& tail, std::int64_t& lastLoud)
{
    for (std::size_t c = 0; c < out.size (); ++c)
    {
        const float* s = out[c];
        for (int i = from; i < frames; ++i)
            if (std::abs (s[i]) > threshold)
                lastLoud = std::max (lastLoud, position + i);
        if (from < frames)
            tail[c].insert (tail[c].end (), s + from, s + frames);
    }
}

// Runs the input and then the tail through the plug-in into the writer. The
// tail is kept until its end is known; it is cut after the last sample above
// the threshold, so the length does not depend on the block size.
template <typename Plugin>
bool renderAudio (const RenderOptions& o, RenderInputs& in, Plugin& plugin, AudioWriter& writer,
                  const std::string& outputPath, RenderResult& result, std::string& error)
{
    const double rate = in.rate;
    const int outs = plugin.numOutputs ();
    const auto& events = in.midi.events;
    const auto midiEnd = events.empty () ? 0 : events.back ().frame + 1;
    const std::int64_t inputFrames = std::max ({in.main->frames (), in.side ? in.side->frames () : 0, midiEnd});
    const bool fixedTail = o.tailSeconds >= 0.0;
    const auto fixedTailFrames = static_cast<std::int64_t> (std::llround (std::max (o.tailSeconds, 0.0) * rate));
    const auto maxTailFrames =
        fixedTail ? fixedTailFrames : static_cast<std::int64_t> (std::llround (o.maxTailSeconds * rate));
    const auto windowFrames =
        std::max<std::int64_t> (1, static_cast<std::int64_t> (std::llround (o.quietWindowSeconds * rate)));
    const float threshold = static_cast<float> (std::pow (10.0, o.thresholdDb / 20.0));

    const int block = o.blockSize;
    const auto blockFrames = static_cast<std::size_t> (block);
    std::vector<float> inBuffers[4];
    for (auto& b : inBuffers)
        b.assign (blockFrames, 0.0f);
    const float* inPtr[4] = {inBuffers[0].data (), inBuffers[1].data (), inBuffers[2].data (), inBuffers[3].data ()};
    AudioBuffers outBlock (static_cast<std::size_t> (outs), std::vector<float> (blockFrames));
    std::vector<float*> outPtr;
    for (auto& ch : outBlock)
        outPtr.push_back (ch.data ());

    AudioBuffers tail (static_cast<std::size_t> (outs));
    std::int64_t lastLoud = -1; // absolute frame of the last sample above the threshold after the input
    std::vector<MidiEvent> blockEvents;
    std::size_t nextEvent = 0;

    Progress progress (o.progress, inputFrames, rate);
    const auto started = std::chrono::steady_clock::now ();
    std::int64_t position = 0;
    for (;;)
    {
        if (stopRequested.load (std::memory_order_relaxed))
        {
            error = "interrupted";
            return false;
        }
        if (position >= inputFrames)
        {
            const auto quietFor = position - std::max (lastLoud + 1, inputFrames);
            if (position - inputFrames >= maxTailFrames)
            {
                result.capReached = ! fixedTail && quietFor < windowFrames;
                break;
            }
            if (! fixedTail && quietFor >= windowFrames)
                break;
        }
        int n = block;
        if (fixedTail)
            n = static_cast<int> (std::min<std::int64_t> (block, inputFrames + fixedTailFrames - position));

        if (! in.main->read (inBuffers[0].data (), inBuffers[1].data (), n) ||
            (in.side && ! in.side->read (inBuffers[2].data (), inBuffers[3].data (), n)))
        {
            error = "reading the input failed";
            return false;
        }
        if (! in.side)
        {
            std::fill (inBuffers[2].begin (), inBuffers[2].end (), 0.0f);
            std::fill (inBuffers[3].begin (), inBuffers[3].end (), 0.0f);
        }

        eventsOfBlock (events, position, n, nextEvent, blockEvents);
        plugin.processBlock (inPtr, 4, outPtr.data (), n, blockEvents);

        // Input part goes straight to the file; the rest waits in the tail.
        const int inputPart = static_cast<int> (std::clamp<std::int64_t> (inputFrames - position, 0, n));
        keepTail (outPtr, inputPart, n, position, threshold, tail, lastLoud);
        if (inputPart > 0 && ! writer.write (outPtr.data (), inputPart))
        {
            error = "writing \"" + outputPath + "\" failed";
            return false;
        }
        position += n;
        progress.update (position);
    }
    progress.finish ();

    result.inputFrames = inputFrames;
    result.fixedTail = fixedTail;
    result.tailFrames =
        fixedTail ? fixedTailFrames : std::clamp<std::int64_t> (lastLoud + 1 - inputFrames, 0, maxTailFrames);
    std::vector<const float*> tailPtr;
    for (auto& ch : tail)
    {
        ch.resize (static_cast<std::size_t> (result.tailFrames), 0.0f);
        tailPtr.push_back (ch.data ());
    }
    if (result.tailFrames > 0 && ! writer.write (tailPtr.data (), static_cast<int> (result.tailFrames)))
    {
        error = "writing \"" + outputPath + "\" failed";
        return false;
    }
    if (! writer.commit (error))
        return false;
    result.wallSeconds = std::chrono::duration<double> (std::chrono::steady_clock::now () - started).count ();
    return true;
}

// Peaks and sums of squares read back from the written file, so that they
// describe exactly what is in it; counts samples that are not finite.
std::vector<ChannelStats> measureFile (const std::string& path, int outs, std::int64_t total, int block,
                                       std::int64_t& nonFinite)
{
    std::vector<ChannelStats> stats (static_cast<std::size_t> (outs));
    std::string readError;
    auto written = openAudioFile (path, readError);
    if (! written || outs > 2)
        return stats;
    const auto blockFrames = static_cast<std::size_t> (block);
    std::vector<float> l (blockFrames), r (blockFrames);
    for (std::int64_t pos = 0; pos < total; pos += block)
    {
        const int n = static_cast<int> (std::min<std::int64_t> (block, total - pos));
        written->read (l.data (), r.data (), n);
        for (int c = 0; c < outs; ++c)
            for (int i = 0; i < n; ++i)
            {
                const double v = (c == 0 ? l : r)[static_cast<std::size_t> (i)];
                if (! std::isfinite (v))
                {
                    ++nonFinite;
                    continue;
                }
                auto& s = stats[static_cast<std::size_t> (c)];
                s.peak = std::max (s.peak, std::abs (v));
                s.sumSquares += v * v;
            }
    }
    return stats;
}

std::size_t overrunCount (const HostedPlugin& plugin) { return plugin.overruns ().size (); }

template <typename Plugin>
void printSummary (const RenderOptions& o, const std::string& outputPath, Plugin& plugin, const AudioWriter& writer,
                   double rate, const RenderResult& result, std::ostream& out)
{
    const int outs = plugin.numOutputs ();
    const std::int64_t total = result.inputFrames + result.tailFrames;
    std::int64_t nonFinite = 0;
    const auto stats = measureFile (outputPath, outs, total, o.blockSize, nonFinite);

    out << "Rendered \"" << outputPath << "\": " << seconds (static_cast<double> (total) / rate) << ", " << outs
        << (outs == 1 ? " channel, " : " channels, ") << static_cast<int> (rate) << " Hz, " << writer.formatName ()
        << '\n';
    if (outs <= 2)
        for (int c = 0; c < outs; ++c)
        {
            const auto& s = stats[static_cast<std::size_t> (c)];
            const double rms = total > 0 ? std::sqrt (s.sumSquares / static_cast<double> (total)) : 0.0;
            out << "  channel " << c + 1 << ": peak " << dbText (s.peak) << " dBFS, RMS " << dbText (rms) << " dBFS\n";
        }
    out << "Tail: " << seconds (static_cast<double> (result.tailFrames) / rate);
    if (result.fixedTail)
        out << " (fixed)\n";
    else if (result.capReached)
        out << " (cap reached: still above " << o.thresholdDb << " dBFS)\n";
    else
        out << " (until below " << o.thresholdDb << " dBFS)\n";
    const double audio = static_cast<double> (total) / rate;
    const double wall = result.wallSeconds;
    out << "Speed: " << std::fixed << std::setprecision (1) << (wall > 0.0 ? audio / wall : 0.0) << "x real time ("
        << std::setprecision (2) << wall << " s)\n";
    out.unsetf (std::ios::floatfield);
    if (nonFinite > 0)
        out << "Warning: " << nonFinite << " samples are not finite numbers\n";
    if (overrunCount (plugin) > 0)
        out << "Warning: the plug-in wrote past the host's text limit " << overrunCount (plugin) << " times\n";
}

// The picture of the written file, read back, with the output name as title.
bool drawRenderReport (const std::string& outputPath, const std::string& picture, std::string& error)
{
    auto file = openAudioFile (outputPath, error);
    if (! file)
        return false;
    const auto frames = static_cast<std::size_t> (file->frames ());
    std::vector<float> left (frames), right (frames);
    if (! file->read (left.data (), right.data (), static_cast<int> (frames)))
    {
        error = "cannot read back \"" + outputPath + "\"";
        return false;
    }
    const auto m = sound::measureImpulse (left, right, file->sampleRate ());
    const auto title = std::filesystem::path (outputPath).filename ().string ();
    return sound::drawReport (picture, title, left, right, file->sampleRate (), m, error);
}

#if MORLAKE_HAVE_CLAP
// A CLAP plug-in as the render loop sees it: two outputs, MIDI as events.
class ClapRenderPlugin
{
public:
    ClapRenderPlugin (ClapHostedPlugin& hosted, double bpm) : plugin (hosted), tempo (bpm) {}
    int numOutputs () const { return 2; }
    void processBlock (const float* const* inputs, int, float* const* outputs, int frames,
                       std::span<const MidiEvent> events)
    {
        midi.clear ();
        for (const MidiEvent& e : events)
            midi.push_back (
                ClapInputEvent::midiBytes (static_cast<std::uint32_t> (e.frame), e.bytes[0], e.bytes[1], e.bytes[2]));
        plugin.process (inputs, outputs, static_cast<std::uint32_t> (frames), midi, tempo);
    }
    friend std::size_t overrunCount (const ClapRenderPlugin&) { return 0; }

private:
    ClapHostedPlugin& plugin;
    double tempo;
    std::vector<ClapInputEvent> midi;
};

bool isClapPath (const std::string& path)
{
    return path.size () > 5 && path.compare (path.size () - 5, 5, ".clap") == 0;
}

// Loads the CLAP plug-in and applies the factory preset and the assignments
// (display texts through the plug-in's own text_to_value).
std::unique_ptr<ClapHostedPlugin> loadClapConfigured (const RenderOptions& o, const RenderInputs& in,
                                                      std::string& error)
{
    if (! o.chunkIn.empty () || ! o.chunkOut.empty () || o.listPresets || o.listParams)
    {
        error = "chunks and lists are for VST 2.4 plug-ins; a CLAP plug-in takes --preset, --set and --set-norm";
        return nullptr;
    }
    auto plugin = ClapHostedPlugin::load (o.pluginPath, error);
    if (! plugin)
        return nullptr;
    if (! plugin->activate (in.rate, static_cast<std::uint32_t> (o.blockSize)))
    {
        error = "the CLAP plug-in did not start at " + std::to_string (static_cast<int> (in.rate)) + " Hz";
        return nullptr;
    }
    if (! o.preset.empty ())
    {
        const auto names = factoryPresetNames ();
        int index = -1;
        if (isIndex (o.preset) && o.preset.size () < 6)
            index = std::stoi (o.preset);
        for (std::size_t i = 0; i < names.size () && index < 0; ++i)
            if (equalsIgnoringCase (names[i], o.preset))
                index = static_cast<int> (i);
        if (index < 0 || ! plugin->loadPreset (index))
        {
            error = "unknown preset \"" + o.preset + "\"";
            return nullptr;
        }
    }
    const auto params = plugin->params ();
    std::vector<ClapInputEvent> changes;
    for (const auto& a : o.assignments)
    {
        const auto it = std::find_if (params.begin (), params.end (),
                                      [&] (const ClapParam& p) { return equalsIgnoringCase (p.name, a.parameter); });
        if (it == params.end ())
        {
            error = "unknown parameter \"" + a.parameter + "\"";
            return nullptr;
        }
        double value = 0.0;
        if (a.normalised)
        {
            const auto v = parseWholeNumber (a.value);
            if (! v || *v < 0.0 || *v > 1.0)
            {
                error = "value " + a.value + " for \"" + a.parameter + "\" is not a number in 0..1";
                return nullptr;
            }
            value = it->minValue + *v * (it->maxValue - it->minValue);
        }
        else if (! plugin->textToValue (it->id, a.value, value))
        {
            error = "\"" + a.value + "\" is no value of \"" + a.parameter + "\"";
            return nullptr;
        }
        changes.push_back (ClapInputEvent::param (0, it->id, value));
    }
    if (! changes.empty ())
        plugin->flush (changes);
    return plugin;
}

bool runClapRender (const RenderOptions& o, RenderInputs& in, const std::string& outputPath, std::ostream& out,
                    std::string& error)
{
    auto plugin = loadClapConfigured (o, in, error);
    if (! plugin)
        return false;
    ClapRenderPlugin render (*plugin, o.tempo);
    auto writer = AudioWriter::create (outputPath, render.numOutputs (), in.rate, error);
    if (! writer)
        return false;
    RenderResult result;
    if (! renderAudio (o, in, render, *writer, outputPath, result, error))
        return false;
    if (! o.quiet)
        printSummary (o, outputPath, render, *writer, in.rate, result, out);
    return true;
}
#endif

} // namespace

bool runRender (const RenderOptions& o, std::ostream& out, std::string& error)
{
    const bool listing = o.listPresets || o.listParams;
    RenderInputs in;
    if (! openAudioInputs (o, in, error))
        return false;

    const std::string outputPath = o.output.empty () ? defaultOutputName (o.input) : o.output;
    int format = 0;
    std::string formatName;
    if (! listing && ! outputFormatFor (outputPath, format, formatName))
    {
        error = "unsupported output format for \"" + outputPath + "\" (use .wav, .aiff, .flac, .caf or .w64)";
        return false;
    }
    if (! readExtras (o, in, error))
        return false;

#if MORLAKE_HAVE_CLAP
    if (isClapPath (o.pluginPath))
        return runClapRender (o, in, outputPath, out, error) &&
               (o.reportPicture.empty () || drawRenderReport (outputPath, o.reportPicture, error));
#endif
    auto plugin = loadConfigured (o, in, error);
    if (! plugin)
        return false;
    if (o.listPresets)
        listPresets (*plugin, out);
    if (o.listParams)
        listParameters (*plugin, out);
    if (listing)
        return true;
    if (! o.chunkOut.empty () && ! saveChunk (*plugin, o.chunkOut, error))
        return false;

    auto writer = AudioWriter::create (outputPath, plugin->numOutputs (), in.rate, error);
    if (! writer)
        return false;
    RenderResult result;
    if (! renderAudio (o, in, *plugin, *writer, outputPath, result, error))
        return false;
    if (! o.quiet)
        printSummary (o, outputPath, *plugin, *writer, in.rate, result, out);
    return o.reportPicture.empty () || drawRenderReport (outputPath, o.reportPicture, error);
}

} // namespace morlake
