#include "tools/harness/HostedPlugin.h"

#include "tools/harness/NameMatch.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

namespace morlake {

namespace {

using EntryProc = vst::AEffect* (*)(vst::HostCallback);

// The entry point calls back before the host knows the effect record; this
// names the instance being created on this thread for those calls.
thread_local HostedPlugin* constructing = nullptr;
thread_local int processDepth = 0;

struct ProcessScope
{
    ProcessScope () { ++processDepth; }
    ~ProcessScope () { --processDepth; }
};

void copyCapped (void* ptr, const std::string& text, int cap)
{
    auto* dst = static_cast<char*> (ptr);
    const auto n = std::min<std::size_t> (text.size (), static_cast<std::size_t> (cap - 1));
    std::memcpy (dst, text.data (), n);
    dst[n] = '\0';
}

MidiEvent makeEvent (std::int64_t frame, int status, int channel, int d1, int d2)
{
    MidiEvent e;
    e.frame = frame;
    e.bytes = {static_cast<std::uint8_t> ((status & 0xF0) | (channel & 0x0F)), static_cast<std::uint8_t> (d1 & 0x7F),
               static_cast<std::uint8_t> (d2 & 0x7F)};
    return e;
}

} // namespace

MidiEvent MidiEvent::noteOn (std::int64_t frame, int channel, int key, int velocity)
{
    return makeEvent (frame, 0x90, channel, key, velocity);
}
MidiEvent MidiEvent::noteOff (std::int64_t frame, int channel, int key, int velocity)
{
    return makeEvent (frame, 0x80, channel, key, velocity);
}
MidiEvent MidiEvent::controller (std::int64_t frame, int channel, int number, int value)
{
    return makeEvent (frame, 0xB0, channel, number, value);
}
MidiEvent MidiEvent::programChange (std::int64_t frame, int channel, int program)
{
    return makeEvent (frame, 0xC0, channel, program, 0);
}
MidiEvent MidiEvent::channelPressure (std::int64_t frame, int channel, int value)
{
    return makeEvent (frame, 0xD0, channel, value, 0);
}
MidiEvent MidiEvent::pitchBend (std::int64_t frame, int channel, int value14)
{
    return makeEvent (frame, 0xE0, channel, value14 & 0x7F, (value14 >> 7) & 0x7F);
}

// ---------------------------------------------------------------------------

std::unique_ptr<HostedPlugin> HostedPlugin::load (const std::string& path, const HostConfig& config, std::string& error)
{
    std::unique_ptr<HostedPlugin> host (new HostedPlugin ());
    host->cfg = config;
    host->modulePath = path;
    host->time.sampleRate = config.sampleRate;
    host->time.tempo = config.tempo;
    host->time.timeSigNumerator = config.timeSigNumerator;
    host->time.timeSigDenominator = config.timeSigDenominator;

    host->module = dlopen (path.c_str (), RTLD_NOW | RTLD_LOCAL);
    if (host->module == nullptr)
    {
        const char* why = dlerror ();
        error = "cannot load plug-in \"" + path + "\": " + (why != nullptr ? why : "unknown reason");
        return nullptr;
    }

    auto entry = reinterpret_cast<EntryProc> (dlsym (host->module, "VSTPluginMain"));
    if (entry == nullptr)
    {
        entry = reinterpret_cast<EntryProc> (dlsym (host->module, "main_macho"));
        host->viaMainMacho = entry != nullptr;
    }
    if (entry == nullptr)
    {
        error = "\"" + path + "\" is not a VST 2.4 plug-in (no VSTPluginMain or main_macho entry point)";
        return nullptr;
    }

    constructing = host.get ();
    vst::AEffect* effect = entry (&HostedPlugin::hostCallback);
    constructing = nullptr;

    if (effect == nullptr)
    {
        error = "plug-in \"" + path + "\" refused to create an instance";
        return nullptr;
    }
    if (effect->magic != vst::kEffectMagic)
    {
        error = "plug-in \"" + path + "\" returned an effect record without the VST magic";
        return nullptr; // not ours to close: the record is not trustworthy
    }
    effect->resvd1 = reinterpret_cast<vst::intptr> (host.get ());
    host->effect = effect;
    return host;
}

HostedPlugin::~HostedPlugin ()
{
    close ();
#if defined(__SANITIZE_ADDRESS__)
    // Keep the module mapped so that leak reports can name its functions.
    const bool unload = false;
#else
    const bool unload = cfg.unloadModule;
#endif
    if (module != nullptr && unload)
        dlclose (module);
}

void HostedPlugin::open ()
{
    if (effect == nullptr || opened)
        return;
    dispatch (vst::effOpen);
    dispatch (vst::effSetSampleRate, 0, 0, nullptr, static_cast<float> (cfg.sampleRate));
    dispatch (vst::effSetBlockSize, 0, cfg.blockSize);
    mains (true);
    opened = true;
}

void HostedPlugin::close ()
{
    if (effect == nullptr)
        return;
    if (opened)
        mains (false);
    dispatch (vst::effClose);
    effect = nullptr;
    opened = false;
}

void HostedPlugin::mains (bool on) { dispatch (vst::effMainsChanged, 0, on ? 1 : 0); }

void HostedPlugin::setSampleRate (double rate)
{
    cfg.sampleRate = rate;
    time.sampleRate = rate;
    if (effect == nullptr)
        return;
    if (opened)
        mains (false);
    dispatch (vst::effSetSampleRate, 0, 0, nullptr, static_cast<float> (rate));
    if (opened)
        mains (true);
}

void HostedPlugin::setBlockSize (int frames)
{
    cfg.blockSize = frames;
    if (effect == nullptr)
        return;
    if (opened)
        mains (false);
    dispatch (vst::effSetBlockSize, 0, frames);
    if (opened)
        mains (true);
}

vst::intptr HostedPlugin::dispatch (vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt)
{
    if (effect == nullptr)
        return 0;
    return effect->dispatcher (effect, opcode, index, value, ptr, opt);
}

// Identity ------------------------------------------------------------------

vst::int32 HostedPlugin::uniqueID () const { return effect != nullptr ? effect->uniqueID : 0; }
int HostedPlugin::numParams () const { return effect != nullptr ? effect->numParams : 0; }
int HostedPlugin::numPrograms () const { return effect != nullptr ? effect->numPrograms : 0; }
int HostedPlugin::numInputs () const { return effect != nullptr ? effect->numInputs : 0; }
int HostedPlugin::numOutputs () const { return effect != nullptr ? effect->numOutputs : 0; }
vst::int32 HostedPlugin::flags () const { return effect != nullptr ? effect->flags : 0; }

std::string HostedPlugin::uniqueIDText () const
{
    const auto id = static_cast<std::uint32_t> (uniqueID ());
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        const auto c = static_cast<unsigned char> ((id >> shift) & 0xFF);
        out += std::isprint (c) ? static_cast<char> (c) : '?';
    }
    return out;
}

TextResult HostedPlugin::effectName () { return queryText (vst::effGetEffectName, 0, 0, kStringCap); }
TextResult HostedPlugin::vendorString () { return queryText (vst::effGetVendorString, 0, 0, kStringCap); }
TextResult HostedPlugin::productString () { return queryText (vst::effGetProductString, 0, 0, kStringCap); }
vst::intptr HostedPlugin::vendorVersion () { return dispatch (vst::effGetVendorVersion); }

vst::intptr HostedPlugin::canDo (const char* what) { return dispatch (vst::effCanDo, 0, 0, const_cast<char*> (what)); }

PinResult HostedPlugin::inputProperties (int index)
{
    vst::VstPinProperties pin {};
    std::memcpy (pin.label, kPinFillLabel.data (), kPinFillLabel.size ());
    return pinProperties (false, index, pin);
}

PinResult HostedPlugin::outputProperties (int index)
{
    vst::VstPinProperties pin {};
    std::memcpy (pin.label, kPinFillLabel.data (), kPinFillLabel.size ());
    return pinProperties (true, index, pin);
}

PinResult HostedPlugin::pinProperties (bool output, int index, const vst::VstPinProperties& handedOver)
{
    PinResult r;
    r.pin = handedOver;
    r.answered = dispatch (output ? vst::effGetOutputProperties : vst::effGetInputProperties, index, 0, &r.pin) != 0;
    r.touched = std::memcmp (&r.pin, &handedOver, sizeof (r.pin)) != 0;
    return r;
}

// Texts ---------------------------------------------------------------------

TextResult HostedPlugin::queryText (vst::int32 opcode, vst::int32 index, vst::intptr value, int cap)
{
    std::array<unsigned char, kTextBufferSize> buffer;
    std::fill (buffer.begin (), buffer.begin () + cap, 0);
    std::fill (buffer.begin () + cap, buffer.end (), kCanaryByte);

    TextResult r;
    r.answer = dispatch (opcode, index, value, buffer.data ());

    const auto* nul = std::find (buffer.begin (), buffer.begin () + cap, 0);
    r.terminated = nul != buffer.begin () + cap;
    r.text.assign (reinterpret_cast<const char*> (buffer.data ()), static_cast<std::size_t> (nul - buffer.begin ()));

    const auto changed =
        std::find_if (buffer.begin () + cap, buffer.end (), [] (unsigned char b) { return b != kCanaryByte; });
    if (changed != buffer.end ())
    {
        r.overrun = true;
        TextOverrun o;
        o.opcode = opcode;
        o.index = index;
        o.cap = cap;
        o.firstChangedByte = static_cast<int> (changed - buffer.begin ());
        const auto* end = std::find (buffer.begin (), buffer.end (), 0);
        o.written.assign (reinterpret_cast<const char*> (buffer.data ()),
                          static_cast<std::size_t> (end - buffer.begin ()));
        textOverruns.push_back (std::move (o));
    }
    return r;
}

TextResult HostedPlugin::parameterName (int index) { return queryText (vst::effGetParamName, index, 0, kParamNameCap); }
TextResult HostedPlugin::parameterLabel (int index)
{
    return queryText (vst::effGetParamLabel, index, 0, kParamTextCap);
}
TextResult HostedPlugin::parameterDisplay (int index)
{
    return queryText (vst::effGetParamDisplay, index, 0, kParamTextCap);
}

float HostedPlugin::getParameter (int index) { return effect != nullptr ? effect->getParameter (effect, index) : 0.0f; }

void HostedPlugin::setParameter (int index, float value)
{
    if (effect != nullptr)
        effect->setParameter (effect, index, value);
}

int HostedPlugin::findParameter (std::string_view name)
{
    const auto wanted = toLowerTrimmed (name);
    if (wanted.empty ())
        return -1;
    for (int i = 0; i < numParams (); ++i)
        if (toLowerTrimmed (parameterName (i).text) == wanted)
            return i;
    return -1;
}

void HostedPlugin::setProgram (int index) { dispatch (vst::effSetProgram, 0, index); }
int HostedPlugin::getProgram () { return static_cast<int> (dispatch (vst::effGetProgram)); }
TextResult HostedPlugin::programName () { return queryText (vst::effGetProgramName, 0, 0, kProgramNameCap); }
TextResult HostedPlugin::programNameIndexed (int index)
{
    // index is the program, the category goes in value (-1: all categories).
    return queryText (vst::effGetProgramNameIndexed, index, -1, kProgramNameCap);
}

// Chunks --------------------------------------------------------------------

std::vector<std::uint8_t> HostedPlugin::getChunk (bool isPreset)
{
    void* data = nullptr;
    const auto size = dispatch (vst::effGetChunk, isPreset ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*> (data);
    return std::vector<std::uint8_t> (bytes, bytes + size);
}

vst::intptr HostedPlugin::setChunk (std::span<const std::uint8_t> bytes, bool isPreset)
{
    // The plug-in may keep reading from the pointer only during the call; a
    // private copy keeps the caller's buffer out of its reach.
    std::vector<std::uint8_t> copy (bytes.begin (), bytes.end ());
    return dispatch (vst::effSetChunk, isPreset ? 1 : 0, static_cast<vst::intptr> (copy.size ()), copy.data ());
}

// Audio ---------------------------------------------------------------------

void HostedPlugin::sendEvents (std::span<const MidiEvent> events)
{
    if (effect == nullptr || events.empty ())
        return;
    const std::size_t n = events.size ();
    if (midiStorage.size () < n)
        midiStorage.resize (n);
    const std::size_t bytes = offsetof (vst::VstEvents, events) + n * sizeof (vst::VstEvent*);
    if (eventsStorage.size () < bytes)
        eventsStorage.resize (std::max (bytes, sizeof (vst::VstEvents)));

    auto* list = reinterpret_cast<vst::VstEvents*> (eventsStorage.data ());
    list->numEvents = static_cast<vst::int32> (n);
    list->reserved = 0;
    for (std::size_t i = 0; i < n; ++i)
    {
        auto& m = midiStorage[i];
        m = vst::VstMidiEvent {};
        m.type = vst::kVstMidiType;
        m.byteSize = sizeof (vst::VstMidiEvent);
        m.deltaFrames = static_cast<vst::int32> (events[i].frame);
        m.flags = vst::kVstMidiEventIsRealtime;
        for (int b = 0; b < 3; ++b)
            m.midiData[b] = static_cast<char> (events[i].bytes[static_cast<std::size_t> (b)]);
        list->events[i] = reinterpret_cast<vst::VstEvent*> (&m);
    }
    ProcessScope scope;
    dispatch (vst::effProcessEvents, 0, 0, list);
}

void HostedPlugin::processBlock (const float* const* inputs, int inputChannels, float* const* outputs, int frames,
                                 std::span<const MidiEvent> events)
{
    if (effect == nullptr || frames <= 0)
        return;
    if (frames > cfg.blockSize)
        setBlockSize (frames); // never hand over more than the plug-in was told to expect
    refreshTime ();
    sendEvents (events);

    const int ins = numInputs ();
    if (static_cast<int> (silence.size ()) < frames)
        silence.assign (static_cast<std::size_t> (frames), 0.0f);
    inputPointers.resize (static_cast<std::size_t> (std::max (ins, 1)));
    for (int c = 0; c < ins; ++c)
        inputPointers[static_cast<std::size_t> (c)] =
            c < inputChannels && inputs != nullptr ? inputs[c] : silence.data ();

    const bool replacing = (effect->flags & vst::effFlagsCanReplacing) != 0 && effect->processReplacing != nullptr;
    const float fill = replacing && cfg.poisonOutputs ? std::numeric_limits<float>::quiet_NaN () : 0.0f;
    for (int c = 0; c < numOutputs (); ++c)
        std::fill (outputs[c], outputs[c] + frames, fill);

    {
        ProcessScope scope;
        auto** in = const_cast<float**> (inputPointers.data ());
        auto** out = const_cast<float**> (outputs);
        if (replacing)
            effect->processReplacing (effect, in, out, frames);
        else if (effect->process != nullptr)
            effect->process (effect, in, out, frames);
    }

    time.flags &= ~vst::kVstTransportChanged;
    if (cfg.playing)
        time.samplePos += frames;
}

AudioBuffers HostedPlugin::processAll (const AudioBuffers& inputs, int blockSize, std::span<const MidiEvent> events,
                                       std::int64_t extraFrames)
{
    std::int64_t inputLength = 0;
    for (const auto& ch : inputs)
        inputLength = std::max<std::int64_t> (inputLength, static_cast<std::int64_t> (ch.size ()));
    const std::int64_t total = inputLength + std::max<std::int64_t> (extraFrames, 0);
    blockSize = std::max (blockSize, 1);
    if (blockSize > cfg.blockSize)
        setBlockSize (blockSize);

    const int outs = numOutputs ();
    AudioBuffers out (static_cast<std::size_t> (outs), std::vector<float> (static_cast<std::size_t> (total), 0.0f));

    // Inputs are copied block-wise so that short channels read as silence.
    const int ins = static_cast<int> (inputs.size ());
    AudioBuffers inBlock (static_cast<std::size_t> (ins), std::vector<float> (static_cast<std::size_t> (blockSize)));
    std::vector<const float*> inPtr (static_cast<std::size_t> (ins));
    std::vector<float*> outPtr (static_cast<std::size_t> (outs));

    std::vector<MidiEvent> sorted (events.begin (), events.end ());
    std::stable_sort (sorted.begin (), sorted.end (),
                      [] (const MidiEvent& a, const MidiEvent& b) { return a.frame < b.frame; });
    std::vector<MidiEvent> blockEvents;
    std::size_t nextEvent = 0;

    for (std::int64_t start = 0; start < total; start += blockSize)
    {
        const int n = static_cast<int> (std::min<std::int64_t> (blockSize, total - start));
        for (int c = 0; c < ins; ++c)
        {
            const auto& src = inputs[static_cast<std::size_t> (c)];
            auto& dst = inBlock[static_cast<std::size_t> (c)];
            for (int i = 0; i < n; ++i)
            {
                const auto pos = static_cast<std::size_t> (start + i);
                dst[static_cast<std::size_t> (i)] = pos < src.size () ? src[pos] : 0.0f;
            }
            inPtr[static_cast<std::size_t> (c)] = dst.data ();
        }
        for (int c = 0; c < outs; ++c)
            outPtr[static_cast<std::size_t> (c)] = out[static_cast<std::size_t> (c)].data () + start;

        blockEvents.clear ();
        while (nextEvent < sorted.size () && sorted[nextEvent].frame < start + n)
        {
            MidiEvent e = sorted[nextEvent++];
            e.frame = std::max<std::int64_t> (e.frame - start, 0); // late events go to the block's first frame
            blockEvents.push_back (e);
        }
        processBlock (inPtr.data (), ins, outPtr.data (), n, blockEvents);
    }
    return out;
}

// Host time -----------------------------------------------------------------

void HostedPlugin::setTempo (double bpm)
{
    cfg.tempo = bpm;
    time.tempo = bpm;
}

void HostedPlugin::setPlaying (bool playing)
{
    if (playing != cfg.playing)
        time.flags |= vst::kVstTransportChanged;
    cfg.playing = playing;
}

void HostedPlugin::setSamplePosition (double samplePos) { time.samplePos = samplePos; }

void HostedPlugin::refreshTime ()
{
    const auto changed = time.flags & vst::kVstTransportChanged;
    time.sampleRate = cfg.sampleRate;
    time.tempo = cfg.tempo;
    time.timeSigNumerator = cfg.timeSigNumerator;
    time.timeSigDenominator = cfg.timeSigDenominator;
    time.nanoSeconds = 1.0e9 * time.samplePos / cfg.sampleRate;
    time.ppqPos = time.samplePos / cfg.sampleRate * cfg.tempo / 60.0;
    const double quartersPerBar = cfg.timeSigNumerator * 4.0 / std::max (cfg.timeSigDenominator, 1);
    time.barStartPos = std::floor (time.ppqPos / quartersPerBar) * quartersPerBar;
    time.flags = changed | vst::kVstNanosValid | vst::kVstPpqPosValid | vst::kVstTempoValid | vst::kVstBarsValid |
                 vst::kVstTimeSigValid | (cfg.playing ? vst::kVstTransportPlaying : 0);
}

// Callbacks -----------------------------------------------------------------

vst::intptr HostedPlugin::hostCallback (vst::AEffect* effect, vst::int32 opcode, vst::int32 index, vst::intptr value,
                                        void* ptr, float opt)
{
    HostedPlugin* host = nullptr;
    if (effect != nullptr && effect->resvd1 != 0)
        host = reinterpret_cast<HostedPlugin*> (effect->resvd1);
    else
        host = constructing;

    if (host == nullptr)
        return opcode == vst::audioMasterVersion ? vst::kVstVersion : 0;
    return host->answer (opcode, index, value, ptr, opt);
}

vst::intptr HostedPlugin::answer (vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt)
{
    using namespace vst;
    if (opcode == audioMasterGetTime)
    {
        timeQueryCount.fetch_add (1, std::memory_order_relaxed);
        if (! cfg.provideTime)
            return 0;
        if (processDepth == 0)
            refreshTime (); // outside a block the host still knows where it is
        return reinterpret_cast<intptr> (&time);
    }

    record (opcode, index, value, opt, opcode == audioMasterCanDo ? static_cast<const char*> (ptr) : nullptr);

    switch (opcode)
    {
        case audioMasterVersion: return cfg.versionAnswer;
        case audioMasterAutomate:
        case audioMasterBeginEdit:
        case audioMasterEndEdit:
        case audioMasterWantMidi:
        case audioMasterIdle:
        case audioMasterUpdateDisplay: return 1;
        case audioMasterCurrentId: return 0;
        case audioMasterGetSampleRate: return static_cast<intptr> (cfg.sampleRate);
        case audioMasterGetBlockSize: return cfg.blockSize;
        case audioMasterGetCurrentProcessLevel: return processDepth > 0 ? 2 : 1; // realtime : user thread
        case audioMasterGetAutomationState: return 1;                            // off
        case audioMasterGetLanguage: return 1;                                   // English
        case audioMasterGetVendorVersion: return 1;
        case audioMasterGetVendorString:
        case audioMasterGetProductString:
            if (! cfg.answerHostStrings || ptr == nullptr)
                return 0;
            copyCapped (ptr, opcode == audioMasterGetVendorString ? cfg.vendorString : cfg.productString, kStringCap);
            return 1;
        case audioMasterCanDo: {
            if (ptr == nullptr)
                return 0;
            const std::string_view what (static_cast<const char*> (ptr));
            return what == "sendVstEvents" || what == "sendVstMidiEvent" || what == "sendVstTimeInfo" ||
                           what == "supplyIdle"
                       ? 1
                       : 0;
        }
        default: return 0;
    }
}

void HostedPlugin::record (vst::int32 opcode, vst::int32 index, vst::intptr value, float opt, const char* text)
{
    HostCall call;
    call.opcode = opcode;
    call.index = index;
    call.value = value;
    call.opt = opt;
    if (text != nullptr)
        call.text = text;
    call.thread = std::this_thread::get_id ();
    call.duringProcess = processDepth > 0;
    std::lock_guard<std::mutex> guard (logLock);
    log.push_back (std::move (call));
}

std::vector<HostCall> HostedPlugin::calls () const
{
    std::lock_guard<std::mutex> guard (logLock);
    return log;
}

std::vector<HostCall> HostedPlugin::calls (vst::int32 opcode) const
{
    std::lock_guard<std::mutex> guard (logLock);
    std::vector<HostCall> out;
    for (const auto& c : log)
        if (c.opcode == opcode)
            out.push_back (c);
    return out;
}

void HostedPlugin::clearCalls ()
{
    std::lock_guard<std::mutex> guard (logLock);
    log.clear ();
}

} // namespace morlake
