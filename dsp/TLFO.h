// The lazy low-frequency oscillator of the Disrupt section: a 0..1 value that
// moves between the left, centre and right of the Disrupt range.
#pragma once

#include <array>
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

    // The last inputs of setSpeed / setVariables: both run every sample and
    // their exponentials only need redoing when an input moves.
    float lastSpeedValue = -1.0f, lastBpm = -1.0f, lastRateScale = -1.0f;
    bool lastSynced = false;
    float lastSmoothValue = -1.0f;

    // One sine cycle, shared by every instance and built with the first.
    const float* wave = nullptr;
};

} // namespace morlake
