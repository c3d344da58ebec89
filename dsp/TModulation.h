// The modulation layer: Disrupt (quantised, springing back to centre), the
// lazy LFO, the envelope follower and the eleven routing slots that turn 47
// sources into one sum per destination, every sample.
#pragma once

#include "dsp/ModulationTypes.h"
#include "dsp/TLFO.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace morlake {

// Divisor Q by "Disrupt Quantization" step: 2Q + 1 levels k / Q across -1..+1,
// 0 for no quantisation.
extern const std::array<int, 13> DISTRUPT_QUANT_DIVIDE;
// Spring time in whole notes by "Disrupt Spring Time" step ("Off", "Instant", ...).
extern const std::array<float, 18> DISRUPT_SPRING_TIME_ARRAY;

class TModulation
{
public:
    // How the layer writes "Disrupt Value" back (the lazy LFO and the spring
    // drive it); the plug-in passes its parameter setter. Called on the audio thread.
    using ParameterSetter = void (*) (void* context, int tag, float value);

    TModulation ();

    void setParameterSetter (ParameterSetter setter, void* context);

    // --- audio thread -------------------------------------------------------
    // `p` is always the 256 live values, indexed by tag. They may only move
    // before a call other than process(): the slot amounts and the LFO speed
    // are read from them there.

    // Sample-rate change: re-inits the LFO (and starts it under "Free").
    void setSampleRate (float sampleRate, const float* p);
    // Reset of everything: Disrupt and follower states cleared, LFO reset,
    // smoothers jump on the next sample.
    void resetAll (const float* p);
    // Program load: MIDI sources cleared, Disrupt re-read from the new values
    // without treating the new switch states as user changes, spring off.
    void programChanged (const float* p);

    // Every 16 samples, after the chain has read the host tempo.
    void controlTick (const float* p, float bpm, float samplesPerWholeNote);
    // The host transport has just started playing.
    void transportStarted ();

    // Tap levels: Input and Side Input before process(), the later taps as the
    // chain computes them (they are used on the next sample).
    void setTap (int which, float left, float right) { taps.set (which, left, right); }
    // Advances the LFO, Disrupt and follower by one sample and computes the sums.
    void process (const float* p);

    // This sample's sum for a destination (0 for an invalid index).
    float m (int destination) const
    {
        return destination > dest::None && destination < kNumDestinations ? sum[destination] : 0.0f;
    }
    const float* sums () const { return sum; }
    // Whether a destination's sum may be non-zero until the next control tick.
    bool moves (int destination) const { return ((writtenDests | staleDests) >> destination) & 1u; }
    // Whether a slot or the follower reads a tap set after the distortion
    // (early, late, reverb or output): as of the last routing read, which
    // happens at control ticks and program loads.
    bool readsLateTaps () const { return lateTapsRead; }
    float sourceValue (int source) const;
    float followerGate () const { return gate; }
    float disruptOutput () const { return disruptValue; }
    // Destination of slot 0 .. 10 as last read (0 when off or none).
    int slotDestination (int slot) const { return slot >= 0 && slot < kNumModSlots ? slotDest[slot] : 0; }
    int lazyTrigger () const { return trigger < 0 ? 0 : trigger; }

    TLFO& lfo () { return lazy; }
    const TLFO& lfo () const { return lazy; }

    // Written by the MIDI layer on the audio thread.
    ModMidiSources midi;

    // --- any thread ---------------------------------------------------------
    // Start / stop the spring; served at the start of the next sample.
    void setDisruptSpringOn () { springRequest.store (kSpringRequestOn, std::memory_order_relaxed); }
    void setDisruptSpringOff () { springRequest.store (kSpringRequestOff, std::memory_order_relaxed); }
    // The "Disrupt" source, -1..+1.
    float getDisruptModValue () const { return shownDisrupt.load (std::memory_order_relaxed); }
    // Knob position for the editor: `plainValue` is the parameter's live value,
    // `destination` its modulation destination (0 when it has none).
    float getDialMod (int tag, float plainValue, int destination, bool withModulation) const;

private:
    void serveSpringRequest (const float* p);
    float disruptTarget (const float* p);
    void smoothDisrupt (float target);
    void follow (const float* p);
    void sumSlots ();
    // The derived sources.
    float uniPolarLazy () const { return 0.5f * lazyValue + 0.5f; }
    float signLazy () const { return lazyValue > 0.0f ? 1.0f : (lazyValue < 0.0f ? -1.0f : 0.0f); }
    float bipolarNoise () const { return 2.0f * noiseU - 1.0f; }

    static constexpr int kSpringRequestNone = 0, kSpringRequestOn = 1, kSpringRequestOff = 2;

    void adoptSettings (const float* p);
    void readRouting (const float* p);
    void readAmountBases (const float* p);
    void springOn (const float* p);
    void writeParameter (int tag, float value);
    float nextNoise ();
    const float* sourceAddress (int source) const;
    // Index into a 65536-entry curve table: trunc(clamp01(v) * 65535.9).
    static int curveIndex (float v)
    {
        if (! (v > 0.0f))
            return 0;
        return v >= 1.0f ? 65535 : static_cast<int> (v * 65535.9f);
    }

    TLFO lazy;

    ParameterSetter setter = nullptr;
    void* setterContext = nullptr;

    float sum[kNumDestinations] {};
    int slotSrc[kNumModSlots] {};
    int slotDest[kNumModSlots] {};
    ModTaps taps;
    // The source values of the taps the free slots read, worked out from the
    // taps each sample.
    float tapValue[kNumTaps] {};
    std::uint32_t tapsRead = 0;

    // The slots with a destination, as set by readRouting(). The first slot
    // of each destination leads (it sets the sum), the others add to it in
    // slot order.
    struct Route
    {
        std::uint8_t slot;
        std::uint8_t destination;
    };
    Route lead[kNumModSlots] {};
    Route rest[kNumModSlots] {};
    int leadCount = 0;
    int restCount = 0;
    // Where the free slots read their sources (Disrupt and the follower slots
    // always read theirs).
    const float* freeSource[2] {&derived[kZero], &derived[kZero]};
    // Per slot (and a spare lane): the parameter part of its amount, 2 p - 1,
    // 1 for the follower; then this sample's kept contributions.
    alignas (16) float amountBase[12] {};
    alignas (16) float contribution[12] {};
    // The routing inputs readRouting() last used (it only reruns when one moves).
    static constexpr int kNumRoutingTags = 24;
    float routingFrom[kNumRoutingTags] {};
    bool routingRead = false;
    bool routingLazyOn = false;
    // Destinations the slots write, those no slot writes any more whose last
    // sums still have to be cleared, and those whose shown sum may be non-zero.
    static_assert (kNumDestinations < 64);
    std::uint64_t writtenDests = 0;
    std::uint64_t staleDests = 0;
    std::uint64_t shownDests = (std::uint64_t {1} << kNumDestinations) - 1;
    // A slot reads a derived source (kept current only then).
    bool derivedRead = false;
    // Sources derived from others, refreshed before the sums while read.
    enum
    {
        kZero,
        kOffset,
        kUniPolarLazy,
        kSignLazy,
        kNoise,
        kDerived
    };
    float derived[kDerived] {0.0f, 1.0f, 0.5f, 0.0f, 0.0f};

    // Per-sample source values the layer computes itself.
    float disruptValue = 0.0f;
    float followerValue = 0.0f;
    float lazyValue = 0.0f;
    float noiseU = 0.5f;
    std::uint32_t noiseState = 1;

    // Control-rate state.
    bool settingsSeen = false;
    float bpm = 120.0f;
    float samplesPerWholeNote = 88200.0f;
    int quantDivide = 0;
    int springTime = 0;
    bool lazyOn = false;
    bool lazyRead = true; // anything reads the LFO output (see readRouting)
    bool lateTapsRead = true;
    bool lazySync = true;
    int trigger = -1; // -1: none seen yet, so the first tick starts the LFO
    bool followerOn = false;
    int followerSource = 0;

    // Disrupt.
    float current = 0.0f;
    bool springActive = false;
    double springStart = 0.5, springStep = 0.0, springSamples = 0.0, springCount = 0.0;

    // Follower.
    float envelope = 0.0f;
    float gate = 0.0f;

    bool firstSample = true;

    // The LFO speed inputs may have moved since its last setSpeed(); the LFO
    // variables are routed, or need passing for this many more samples (a
    // routing change clears their sums on the next one).
    bool speedDirty = true;
    bool lazyVarsRouted = false;
    int lazyVarsRefresh = 2;

    // Exponentials cached on their inputs.
    float rateSum = 0.0f, rateScale = 1.0f;
    float disruptSmoothIn = -1.0f, disruptSmoothE = 0.0f;
    float followerSmoothIn = -1.0f, followerSmoothE = 0.0f;
    int boostIndex = -1;
    float boostGain = 1.0f;
    int thresholdIndex = -1;
    float thresholdLevel = 0.0f;
    float followerAmountIn = -2.0f, followerFactor = 0.0f;

    std::atomic<int> springRequest {kSpringRequestNone};
    std::atomic<float> shownDisrupt {0.0f};
    std::array<std::atomic<float>, kNumDestinations> shownSum {};
};

} // namespace morlake
