#include "instance/APlugin.h"

#include "dsp/ReverbPresets.h"
#include "platform/AudioThread.h"
#include "platform/Preferences.h"
#include "platform/StringUtils.h"
#include "presets/FactoryPresets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <xmmintrin.h>

namespace morlake {

namespace {

float clamp01 (float v)
{
    if (! (v >= 0.0f)) // below 0 or NaN
        return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

} // namespace

APlugin::APlugin (InstanceHost& owner, Preferences& store) : host (owner), prefs (store)
{
    chain.modulation ().setParameterSetter (writeDisruptValue, this);
    params.initVariables ();

    midi.loadControllerMap ();
    initPathPrefs (prefs);
    midi.readSettings ();
    prefs.addListener (this);

    float defaults[kNumParams];
    for (int t = 0; t < kNumParams; ++t)
        defaults[t] = params.getDefault (t);
    live.copyFrom (defaults);

    loadProgram ();
    factoryIndex.store (0, std::memory_order_relaxed);
}

APlugin::~APlugin ()
{
    prefs.removeListener (this);
    midi.saveLearned ();
}

// Audio -------------------------------------------------------------

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
    {}
}

void APlugin::serveDspRequests ()
{
    const int request = dspRequest.exchange (kNoRequest, std::memory_order_relaxed);
    if (request == kProgramChanged)
        chain.programChanged ();
    else if (request == kReset)
        chain.resetEverything ();
}

void APlugin::process (const float* const* inputs, float* const* outputs, int sampleFrames, bool accumulate)
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

    const ChainTime time = host.transport ();

    AudioThreadScope audioThread;
    midi.startBlock ();
    // An event belongs to the block it arrives in: one timed beyond the
    // block's end comes at its last frame.
    MidiQueue& events = midi.pending ();
    if (events.pendingCount () > 0)
        events.limitTo (sampleFrames);
    const float* in[4] {};
    for (int c = 0; c < kInputChannels && inputs != nullptr; ++c)
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

void APlugin::setParameter (int t, float value)
{
    if (! isValidTag (t))
        return;
    value = clamp01 (value);
    if (params.isOnOff (t))
        value = value < 0.5f ? 0.0f : 1.0f;
    storeValue (t, value);
    if (t == tag::ReverbPreset)
        followReverbPreset ();
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

float APlugin::getParameter (int t) const { return isValidTag (t) ? clamp01 (program[t]) : 0.0f; }

const std::string& APlugin::parameterName (int t) const { return params.getName (t); }

void APlugin::editParameter (int t, float value)
{
    setParameter (t, value);
    // The host records what the parameter now holds (clamped and snapped).
    if (isValidTag (t))
        host.parameterEdited (t, getParameter (t));
}

DisplayText APlugin::getDisplayText (int t) const
{
    if (! isValidTag (t))
        return {};
    float values[kNumParams];
    live.copyTo (values);
    return formatParameterDisplay (params, t, clamp01 (program[t]), values, getChainDisplayState ());
}

DisplayText APlugin::getDisplayTextFor (int t, float value) const
{
    if (! isValidTag (t))
        return {};
    float values[kNumParams];
    live.copyTo (values);
    values[t] = clamp01 (value);
    return formatParameterDisplay (params, t, clamp01 (value), values, getChainDisplayState ());
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

void APlugin::beginGesture (int t)
{
    if (editor != nullptr)
        editor->setEditTag (t);
    host.gestureBegan (t);
}

void APlugin::endGesture (int t)
{
    if (editor != nullptr)
        editor->setEditTag (-1);
    host.gestureEnded (t);
}

// Editor ---------------------------------------------------------------------

bool APlugin::isEditorOpen () const
{
    return editor != nullptr && editorOpen.load (std::memory_order_relaxed) &&
           ! editorOpening.load (std::memory_order_relaxed) && editor->isOpen ();
}

} // namespace morlake
