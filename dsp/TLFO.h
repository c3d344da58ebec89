// The lazy low-frequency oscillator of the Disrupt section: a 0..1 value that
// moves between the left, centre and right of the Disrupt range.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace morlake {

// Cycle length in units of two whole notes by "Disrupt Lazy Speed" step while
// synced (0 .. 30), followed by the start phases of modes 0 to 5 (31 .. 36).
inline constexpr int kLfoSyncedSteps = 31;
extern const std::array<float, 37> SYNCED_LFO_ARRAY;

namespace lazymode {
enum : int
{
    LtoR = 0,
    RtoL = 1,
    CtoL = 2,
    LtoC = 3,
    CtoR = 4,
    RtoC = 5,
    CtoLtoR = 6,
    CtoRtoL = 7,
    LSaw = 8,
    RSaw = 9,
    LtoRSaw = 10,
    RtoLSaw = 11,
};
} // namespace lazymode
inline constexpr int kNumLazyModes = 12;

// "Disrupt Lazy Trigger" list.
namespace lazytrigger {
enum : int
{
    Free = 0,
    Host = 1,
    Note = 2,
    ModWheel = 3,
    PitchBend = 4,
    Breath = 5,
    Foot = 6,
    Express = 7,
    CC16 = 8,  // ... CC21 = 13
    CC84 = 14, // ... CC90 = 20
};
} // namespace lazytrigger
inline constexpr int kNumLazyTriggers = 21;

// MIDI controller number that drives each trigger, -1 for the triggers that
// are not controllers.
extern const std::array<int, kNumLazyTriggers> LAZY_TRIGGER_CONTROLLER_ARRAY;

class TLFO
{
public:
    static constexpr int kWaveSize = 131072;

    TLFO () { init (44100.0f); }

    void init (float sampleRate);
    void setMode (int mode, int trigger);
    void reset ();
    void start ();
    void stop ();
    // Controller-style trigger: a zero value stops, a non-zero one starts.
    void trigger (int value);
    void setSpeed (float value, bool synced, float bpm, float rateScale);
    void setVariables (float offset, float shapeValue, float humanizeValue, float smoothValue);
    // Advances one sample and returns the output, 0..1.
    float getLazyValue ();
    // Advances one sample without shaping an output: for when nothing reads
    // it and the output smoothing is off (the next output then does not
    // depend on this one).
    void advance ();

    bool isRunning () const { return running; }
    int getMode () const { return mode; }
    float getPhase () const { return phase; }
    float getSpeed () const { return speed; }
    float getStartPhase () const { return startPhase; }
    float getLastValue () const { return lastValue; }

private:
    float nextNoise ();

    bool running = false;
    int mode = 0;
    float startPhase = 0.25f;
    float sampleRate = 44100.0f;
    float phaseOffset = 0.0f;
    float speed = 0.0f;
    float humanize = 0.0f;
    float shape = 0.5f;
    float shapeUp = 2.0f;
    float shapeDown = 2.0f;
    float phase = 0.25f;
    float jitter = 1.0f;
    float lastValue = 0.0f;
    float smooth = 0.0f;

    // Per instance, so two instances on different audio threads never share
    // generator state.
    std::uint32_t noiseState = 1;

    // The last inputs of setSpeed / setVariables: their exponentials only
    // need redoing when an input moves.
    float lastSpeedValue = -1.0f, lastBpm = -1.0f, lastRateScale = -1.0f;
    bool lastSynced = false;
    float lastSmoothValue = -1.0f;

    // One sine cycle, shared by every instance and built with the first.
    const float* wave = nullptr;
};

// Per sample, so inline.

inline void TLFO::setVariables (float offset, float shapeValue, float humanizeValue, float smoothValue)
{
    phaseOffset = std::isfinite (offset) ? offset : 0.0f;

    float newShape = 0.001f;
    if (shapeValue >= 0.0f)
        newShape = std::min (1.0f, shapeValue) * 0.998f + 0.001f;
    if (newShape != shape)
    {
        shape = newShape;
        shapeUp = 1.0f / shape;
        shapeDown = 1.0f / (1.0f - shape);
    }

    humanize = humanizeValue >= 0.0f ? std::min (1.0f, humanizeValue) : 0.0f;

    if (smoothValue != lastSmoothValue)
    {
        lastSmoothValue = smoothValue;
        const float s = smoothValue >= 0.0f ? std::min (1.0f, smoothValue) : 0.0f;
        smooth = 1.0f - std::exp2 (-16.0f * s);
    }
}

inline float TLFO::nextNoise ()
{
    const std::uint32_t product = noiseState * 16807u;
    noiseState = product + 1u;
    return (static_cast<float> (static_cast<std::int32_t> (product)) * 4.656613e-10f + 1.0f) * 0.5f;
}

inline void TLFO::advance ()
{
    if (running)
    {
        phase += speed * jitter;
        if (phase >= 1.0f)
        {
            phase -= std::floor (phase);
            jitter = 1.0f + nextNoise () * humanize;
        }
    }
}

inline float TLFO::getLazyValue ()
{
    advance ();
    const float x = phaseOffset + phase + 10.0f;
    // Below 2^23 the truncation of a non-negative x is its floor, exactly.
    float f = x >= 0.0f && x < 8388608.0f ? x - static_cast<float> (static_cast<int> (x)) : x - std::floor (x);
    if (! (f >= 0.0f && f < 1.0f))
        f = 0.0f;

    const float w = f <= shape ? f * 0.5f * shapeUp : (f - shape) * 0.5f * shapeDown + 0.5f;
    const int i = std::clamp (static_cast<int> (131071.9f * w), 0, kWaveSize - 1);
    const float u = wave[static_cast<std::size_t> (i)] * 0.5f + 0.5f;

    float v;
    switch (mode)
    {
        case lazymode::RtoL: v = 1.0f - u; break;
        case lazymode::CtoL: v = 0.5f * u; break;
        case lazymode::LtoC: v = 0.5f * (1.0f - u); break;
        case lazymode::CtoR: v = 0.5f * u + 0.5f; break;
        case lazymode::RtoC: v = 0.5f * (1.0f - u) + 0.5f; break;
        case lazymode::CtoLtoR: v = 1.0f - u; break;
        case lazymode::CtoRtoL: v = u; break;
        case lazymode::LSaw: v = 0.5f - 0.5f * w; break;
        case lazymode::RSaw: v = 0.5f * w + 0.5f; break;
        case lazymode::LtoRSaw: v = w; break;
        case lazymode::RtoLSaw: v = 1.0f - w; break;
        default: v = u; break; // "L > R", and any mode outside the list
    }

    if (running)
    {
        v = v * (1.0f - smooth) + lastValue * smooth;
        if (std::fabs (v) < 1e-20f)
            v = 0.0f; // the smoother decaying to zero must not end in denormals
    }
    lastValue = v;
    return v;
}

} // namespace morlake
