#include "plugin/APlugin.h"

#include "dsp/ReverbPresets.h"
#include "platform/AudioThread.h"
#include "platform/Preferences.h"
#include "plugin/Identity.h"
#include "platform/StringUtils.h"
#include "presets/FactoryPresets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <xmmintrin.h>

namespace morlake {

using namespace vst;

namespace {

using identity::kEffectName;
using identity::kProductName;
using identity::kVendorName;
constexpr const char* CHANNEL_ID_STR = "Morlake";

constexpr const char* CAN_DO_STR[] = {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo",
                                      "plugAsChannelInsert", "1in1out", "1in2out", "2in2out"};

// Longest text a host may hand to canDo that we still compare.
constexpr std::size_t kMaxCanDoLength = 64;

float clamp01 (float v)
{
    if (! (v >= 0.0f)) // below 0 or NaN
        return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

void copyText (char* text, const char* source) { std::memcpy (text, source, std::strlen (source) + 1); }

} // namespace

HostFlags detectHost (const char* productText, const char* vendorText)
{
    char product[256] {};
    char vendor[256] {};
    std::snprintf (product, sizeof product, "%s", productText != nullptr ? productText : "");
    std::snprintf (vendor, sizeof vendor, "%s", vendorText != nullptr ? vendorText : "");
    upperCase (product);
    upperCase (vendor);

    HostFlags flags;
    flags.kore = std::strncmp (product, "KORE", 4) == 0;
    flags.maschine = std::strcmp (product, "MASCHINE HOST") == 0;
    flags.own = std::strcmp (product, identity::kOwnHostProduct) == 0;
    flags.reaper = std::strcmp (product, "REAPER") == 0;
    flags.propVendor = std::strncmp (vendor, "PROP", 4) == 0;
    return flags;
}

APlugin::APlugin (HostCallback master, EditorFactory makeEditor, Preferences& store)
    : AudioEffectX (master, 1, kNumParams), prefs (store)
{
    isSynth (false);
    suspend ();

    if (makeEditor != nullptr)
        setEditor (makeEditor (*this));
    chain.modulation ().setParameterSetter (writeDisruptValue, this);

    setNumInputs (4);
    setNumOutputs (2);
    canProcessReplacing (true);

    // The host writes at most 64 bytes; the buffers are zero-filled so a silent host leaves them empty.
    char product[256] {};
    char vendor[256] {};
    getHostProductString (product);
    getHostVendorString (vendor);
    product[sizeof product - 1] = '\0';
    vendor[sizeof vendor - 1] = '\0';
    host = detectHost (product, vendor);
    programsAreChunks (host.any ());

    setUniqueID (identity::kUniqueID);

    editChanged.store (false, std::memory_order_relaxed);
    initVariables ();

    midi.loadControllerMap ();
    initPathPrefs (prefs);
    midi.readSettings ();
    prefs.addListener (this);

    ChunkBlock defaults {};
    for (int t = 0; t < kNumParams; ++t)
        defaults.values[t] = params.getDefault (t);
    live.copyFrom (defaults.values);
    bankChunk = defaults;
    programChunk = defaults;

    factoryIndex.store (0, std::memory_order_relaxed);
    setProgram (0);
    factoryIndex.store (0, std::memory_order_relaxed);
}

APlugin::~APlugin ()
{
    prefs.removeListener (this);
    // The editor closes while the instance it talks to is still whole.
    setEditor (nullptr);
    midi.saveLearned ();
}

void APlugin::initVariables ()
{
    params.initVariables ();
    tempo.store (120.0f, std::memory_order_relaxed);
    // The DSP is sized for a rate when the host names one (or resumes without
    // doing so): a host always does before audio, and sizing it twice, for
    // this rate and then the host's, was most of an instance's creation time.
    dspSampleRate.store (kConstructionSampleRate, std::memory_order_relaxed);
}

// Host interface -------------------------------------------------------------

void APlugin::setSampleRate (float rate)
{
    // A rate no host runs at (0, negative, NaN, absurdly high) keeps the last valid one.
    if (! (rate >= kMinSampleRate && rate <= kMaxSampleRate))
        return;
    if (std::fabs (rate - getSampleRate ()) < 0.00001f && dspPrepared.load (std::memory_order_acquire))
        return;
    dspSampleRate.store (rate, std::memory_order_relaxed);
    withDspStopped ([&] { prepareDsp (rate); });
}

void APlugin::prepareDsp (float rate)
{
    chain.setSampleRate (rate);
    dspPrepared.store (true, std::memory_order_release);
}

void APlugin::resume ()
{
    if (! dspPrepared.load (std::memory_order_acquire))
        withDspStopped ([&] { prepareDsp (getSampleRate ()); });
    // Hosts resume after a transport jump or a bypass: start without the old tail.
    requestDspReset (kReset);
    AudioEffectX::resume ();
}

template <typename Work>
void APlugin::withDspStopped (Work&& work)
{
    // The audio thread never waits: while the DSP is being rebuilt it outputs
    // silence. This side waits for at most the block being processed.
    DspState expected = DspState::Idle;
    while (! dspState.compare_exchange_weak (expected, DspState::Reconfiguring, std::memory_order_acquire))
    {
        expected = DspState::Idle;
        std::this_thread::yield ();
    }
    work ();
    dspState.store (DspState::Idle, std::memory_order_release);
}

void APlugin::requestDspReset (DspRequest request)
{
    int current = dspRequest.load (std::memory_order_relaxed);
    while (current < request && ! dspRequest.compare_exchange_weak (current, request, std::memory_order_relaxed))
    {
    }
}

void APlugin::serveDspRequests ()
{
    const int request = dspRequest.exchange (kNoRequest, std::memory_order_relaxed);
    if (request == kProgramChanged)
        chain.programChanged ();
    else if (request == kReset)
        chain.resetEverything ();
}

void APlugin::processReplacing (float** inputs, float** outputs, int32 sampleFrames)
{
    processBlock (inputs, outputs, sampleFrames, false);
}

void APlugin::__processDeprecated (float** inputs, float** outputs, int32 sampleFrames)
{
    processBlock (inputs, outputs, sampleFrames, true);
}

void APlugin::processBlock (float** inputs, float** outputs, int32 sampleFrames, bool accumulate)
{
    if (outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr || sampleFrames <= 0)
        return;

    DspState expected = DspState::Idle;
    if (! dspState.compare_exchange_strong (expected, DspState::Processing, std::memory_order_acquire))
    {
        if (! accumulate)
        {
            std::memset (outputs[0], 0, sizeof (float) * static_cast<std::size_t> (sampleFrames));
            std::memset (outputs[1], 0, sizeof (float) * static_cast<std::size_t> (sampleFrames));
        }
        return;
    }

    // A host that neither named a rate nor resumed: the DSP is sized here,
    // once, at the rate it was created with.
    if (! dspPrepared.load (std::memory_order_acquire))
        prepareDsp (getSampleRate ());

    // Denormals flush to zero inside the block; the host's mode comes back after it.
    const unsigned int hostMode = _mm_getcsr ();
    _mm_setcsr (hostMode | 0x8040u);

    ChainTime time;
    if (const VstTimeInfo* info = getTimeInfo (kVstTempoValid | kVstPpqPosValid))
    {
        time.valid = true;
        time.tempoValid = (info->flags & kVstTempoValid) != 0;
        time.tempo = static_cast<float> (info->tempo);
        time.playing = (info->flags & kVstTransportPlaying) != 0;
    }

    AudioThreadScope audioThread;
    midi.startBlock ();
    // An event belongs to the block it arrives in: one timed beyond the
    // block's end comes at its last frame.
    MidiQueue& events = midi.pending ();
    if (events.pendingCount () > 0)
        events.limitTo (sampleFrames);
    const float* in[4] {};
    for (int c = 0; c < 4 && inputs != nullptr; ++c)
        in[c] = inputs[c];
    int done = 0;
    while (done < sampleFrames)
    {
        serveDspRequests ();
        int run = sampleFrames - done;
        if (midi.pending ().pendingCount () > 0)
        {
            // Events are released before the frame they fall on; frames
            // before the next due event run in one go.
            const int until = events.framesUntilDue ();
            if (until == 0)
            {
                events.release ([this] (const MidiMessage& e) { midi.handle (e, chain.modulation ()); });
                serveDspRequests (); // a program change may have asked for a reset
                run = 1;
            }
            else
            {
                run = std::min (run, until);
                events.skip (run);
            }
        }
        const float* segmentIn[4];
        for (int c = 0; c < 4; ++c)
            segmentIn[c] = in[c] != nullptr ? in[c] + done : nullptr;
        float* segmentOut[2] = {outputs[0] + done, outputs[1] + done};
        if (accumulate)
            processAdding (segmentIn, segmentOut, run, time);
        else
            chain.process (segmentIn, segmentOut, run, time);
        done += run;
    }
    tempo.store (chain.getTempo (), std::memory_order_relaxed);

    _mm_setcsr (hostMode);
    dspState.store (DspState::Idle, std::memory_order_release);
}

void APlugin::processAdding (const float* const* inputs, float* const* outputs, int frames, const ChainTime& time)
{
    // The chain writes into scratch on the stack, added to what the host has.
    constexpr int kPiece = 256;
    float wet[2][kPiece];
    for (int start = 0; start < frames; start += kPiece)
    {
        const int n = std::min (kPiece, frames - start);
        const float* pieceIn[4];
        for (int c = 0; c < 4; ++c)
            pieceIn[c] = inputs[c] != nullptr ? inputs[c] + start : nullptr;
        float* pieceOut[2] = {wet[0], wet[1]};
        chain.process (pieceIn, pieceOut, n, time);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                outputs[c][start + i] += wet[c][i];
    }
}

void APlugin::housekeeping ()
{
    updateEditorScreen ();
    updateReverbPreset ();
    serveFactoryReload ();
}

void APlugin::disruptNotice (float value)
{
    if (isEditorOpen ())
        editor->setDisruptValue (value);
}

void APlugin::writeDisruptValue (void* context, int t, float value)
{
    // Modulation moves "Disrupt Value" every sample: plain stores, uncounted
    // (the chain reads this value at every tick anyway); the editor follows
    // through the periodic notice.
    auto* self = static_cast<APlugin*> (context);
    if (t != tag::DisruptValue)
    {
        if (isValidTag (t))
            self->storeValue (t, clamp01 (value));
        return;
    }
    value = clamp01 (value);
    self->live.setUncounted (t, value);
    self->program.setUncounted (t, value);
    self->edited.setUncounted (t, value);
}

void APlugin::updateReverbPreset ()
{
    if (! reverbUpdateRequest.exchange (false, std::memory_order_relaxed))
        return;
    const WholeStateWrite whole (*this);
    const int step = getSteppedValue (tag::ReverbPreset);
    float hidden[kReverbHiddenCount];
    reverbPresetValues (step, hidden);
    for (int k = 0; k < kReverbHiddenCount; ++k)
        setParameter (kReverbHiddenFirstTag + k, hidden[k]);
    chain.setCharacterRow (reverbPresetRows (step).character);
    refreshPending.store (true, std::memory_order_relaxed);
}

void APlugin::followReverbPreset ()
{
    // The room type is not a parameter of its own: it follows the stored
    // choice, so that the values alone give back the sound they were saved with.
    chain.setCharacterRow (reverbPresetRows (getSteppedValue (tag::ReverbPreset)).character);
}

void APlugin::storeValue (int t, float value)
{
    live.set (t, value);
    program.set (t, value);
    edited.set (t, value);
}

void APlugin::setParameter (int32 t, float value)
{
    if (! isValidTag (t))
        return;
    value = clamp01 (value);
    const bool loading = settingPreset.load (std::memory_order_relaxed);
    // Program loads and host restores write every tag, this one included:
    // only a write from outside a load that moves the value asks for the
    // reload, or a restored state would be replaced by the first preset at
    // the next housekeeping.
    if (t == tag::FactoryReload && ! loading && differs (value, live[t]))
        tag79Request.store (true, std::memory_order_relaxed);
    if (params.isOnOff (t))
        value = value < 0.5f ? 0.0f : 1.0f;
    storeValue (t, value);
    if (t == tag::ReverbPreset)
        followReverbPreset ();
    // A host restoring values one by one writes the name slots after the
    // values they belong to: the preset named there is where the state began.
    if (t >= tag::NameFirst && t <= tag::NameLast && ! loading)
        adoptNamedOrigin ();
    if (t > tag::LastEditable)
        return;

    if (differs (value, lastSet[t]))
    {
        lastSet.set (t, value);
        if (original[t] > -0.5f && differs (original[t], value))
            editChanged.store (true, std::memory_order_relaxed);
    }
    if (isEditorOpen ())
        editor->setParameter (t, value);
}

float APlugin::getParameter (int32 t)
{
    return isValidTag (t) ? clamp01 (program[t]) : 0.0f;
}

void APlugin::getParameterName (int32 t, char* text)
{
    if (text == nullptr)
        return;
    text[0] = '\0';
    if (isValidTag (t))
        copyText (text, params.getName (t).c_str ());
}

void APlugin::getParameterLabel (int32, char* text)
{
    if (text != nullptr)
        copyText (text, " ");
}

DisplayText APlugin::getDisplayText (int t) const
{
    if (! isValidTag (t))
        return {};
    float values[kNumParams];
    live.copyTo (values);
    return formatParameterDisplay (params, t, clamp01 (program[t]), values, getChainDisplayState ());
}

void APlugin::getParameterDisplay (int32 t, char* text)
{
    if (text == nullptr)
        return;
    text[0] = '\0';
    if (isValidTag (t))
        copyText (text, getDisplayText (t).c_str ());
}

ChainDisplayState APlugin::getChainDisplayState () const
{
    // From the values and the character they chose, never from what the
    // audio thread last applied: texts must not depend on whether, or how
    // recently, audio ran (a host's generic view, a scan, the editor).
    ChainDisplayState state;
    state.preDelaySync = live[tag::ReverbPreDelaySync] >= 0.5f;
    state.roomType = chain.getCharacterRoomType ();
    state.roomScale = live[tag::HiddenRoomScale] >= 0.5f;
    state.lengthScale = live[tag::HiddenLengthScale] >= 0.5f;
    state.earlyScale = live[tag::HiddenEarlyScale] >= 0.5f;
    return state;
}

bool APlugin::beginEdit (int32 t)
{
    if (editor != nullptr)
        editor->setEditTag (t);
    return AudioEffectX::beginEdit (t);
}

bool APlugin::endEdit (int32 t)
{
    if (editor != nullptr)
        editor->setEditTag (-1);
    return AudioEffectX::endEdit (t);
}

bool APlugin::getInputProperties (int32 index, VstPinProperties* pin)
{
    if (pin == nullptr || index < 0 || index > 3)
        return false;
    // Both pins of a stereo pair carry the pair's name.
    const int first = index - index % 2 + 1;
    pin->flags = kVstPinIsActive | kVstPinIsStereo;
    std::snprintf (pin->label, sizeof pin->label, "In %d + %d", first, first + 1);
    std::snprintf (pin->shortLabel, sizeof pin->shortLabel, "In %d+%d", first, first + 1);
    return true;
}

bool APlugin::getOutputProperties (int32 index, VstPinProperties* pin)
{
    if (pin == nullptr || index < 0 || index > 1)
        return false;
    std::snprintf (pin->label, sizeof pin->label, "%s %d", CHANNEL_ID_STR, index + 1);
    std::snprintf (pin->shortLabel, sizeof pin->shortLabel, "Out %d", index + 1);
    pin->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool APlugin::getEffectName (char* text)
{
    copyText (text, kEffectName);
    return true;
}

bool APlugin::getVendorString (char* text)
{
    copyText (text, kVendorName);
    return true;
}

bool APlugin::getProductString (char* text)
{
    copyText (text, kProductName);
    return true;
}

intptr APlugin::vendorSpecific (int32 index, intptr value, void*, float opt)
{
    if (index == fourCC ('s', 't', 'C', 'A') && value == fourCC ('W', 'h', 'e', 'e') && editor != nullptr)
        return editor->onWheel (opt) ? 1 : 0;
    return 0;
}

int32 APlugin::canDo (const char* text)
{
    if (text == nullptr)
        return 0;
    const std::size_t length = strnlen (text, kMaxCanDoLength);
    for (const char* known : CAN_DO_STR)
        if (length == std::strlen (known) && std::memcmp (text, known, length) == 0)
            return 1;
    return 0;
}

// Parameter operations -------------------------------------------------------

void APlugin::setOn (int t)
{
    if (isValidTag (t))
        setParameterAutomated (t, 1.0f);
}

void APlugin::setOff (int t)
{
    if (isValidTag (t))
        setParameterAutomated (t, 0.0f);
}

void APlugin::toggleOnOff (int t)
{
    if (isValidTag (t))
        setParameterAutomated (t, live[t] >= 0.5f ? 0.0f : 1.0f);
}

void APlugin::setSteppedValue (int t, int step)
{
    const int steps = params.getSteps (t);
    if (steps == -1)
        return;
    setParameterAutomated (t, stepToValue (step, params.getStepScale (t), steps));
}

void APlugin::setSteppedValueMax (int t)
{
    const int steps = params.getSteps (t);
    setSteppedValue (t, steps > 0 ? steps - 1 : 0);
}

void APlugin::setToDefault (int t)
{
    if (isValidTag (t))
        setParameterAutomated (t, params.getDefault (t));
}

void APlugin::changeDelta (int t, int delta)
{
    if (! isValidTag (t))
        return;
    if (params.getSteps (t) != -1)
        setSteppedValue (t, getSteppedValue (t) + delta);
    else if (params.isOnOff (t))
        delta < 0 ? setOff (t) : setOn (t);
    else
        setParameterAutomated (t, clamp01 (getParameter (t) + static_cast<float> (delta) * 0.01f));
    if (t == tag::ReverbPreset)
        setResetPresetValues ();
}

// Editor ---------------------------------------------------------------------

bool APlugin::isEditorOpen () const
{
    return editor != nullptr && editorOpen.load (std::memory_order_relaxed) &&
           ! editorOpening.load (std::memory_order_relaxed) && editor->isOpen ();
}

} // namespace morlake
