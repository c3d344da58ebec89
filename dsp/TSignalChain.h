// The per-sample chain: input volume, distortion, early network, late delay,
// pre-delays and reverb, wet/dry, volumes, pans, hard limit and meters.
// Host-free: it reads the 256 parameter values, a per-block time record and
// talks to its owner through ChainListener.
#pragma once

#include "dsp/TBasicReverb.h"
#include "dsp/TDelay.h"
#include "dsp/TModulation.h"
#include "params/ParamValues.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>

namespace morlake {

inline constexpr int kCurveSize = 65536;
using CurveTable = std::array<float, kCurveSize>;

// trunc(clamp01(v) * 65535.9): the index into a curve table.
inline int curveIndex (float v)
{
    if (! (v > 0.0f))
        return 0;
    return v >= 1.0f ? kCurveSize - 1 : static_cast<int> (v * 65535.9f);
}

// Rate-independent curves, shared by every instance.
struct ChainCurves
{
    CurveTable gainWide, gainOut, gain60, gainReverb, threshold, sine;
    std::array<CurveTable, 4> reverbLength; // by room type
    std::array<float, 4> reverbLengthLongest;  // each table's largest value
};
const ChainCurves& chainCurves ();

extern const std::array<float, 15> SYNCED_PRE_DELAY_LENGTH_ARRAY;

struct ChainTime
{
    bool valid = false; // the host answered a time record for this block
    bool tempoValid = false;
    bool playing = false;
    float tempo = 120.0f;
};

class ChainListener
{
public:
    virtual ~ChainListener () = default;
    virtual bool isSettingPreset () const = 0;
    // Every 8192 frames: editor refresh, reverb character update, factory reload.
    virtual void housekeeping () = 0;
    // Every 256 frames: the Disrupt value for the editor.
    virtual void disruptNotice (float value) = 0;
};

class TSignalChain
{
public:
    static constexpr int kMeters = 6;

    TSignalChain (const ParamValues& values, ChainListener& listener);

    TModulation& modulation () { return mod; }
    const TModulation& modulation () const { return mod; }

    // Allocates for the rate; not to run beside process().
    void setSampleRate (float rate);
    float getSampleRate () const { return sampleRate; }

    // Reset of everything: delays, filters, reverb and modulation state.
    void resetEverything ();
    // A program was loaded: modulation sources cleared, then a full reset.
    void programChanged ();
    // Character row of the reverb preset now applied (gives the room type).
    void setCharacterRow (int row);

    // Processes frames [0, frames) of the four inputs (any may be null: silence).
    void process (const float* const* inputs, float* const* outputs, int frames, const ChainTime& time);

    float getMeter (int which) const;
    bool getPreDelaySync () const { return cachedPreDelaySync.load (std::memory_order_relaxed); }
    int getRoomType () const { return cachedRoomType.load (std::memory_order_relaxed); }
    // The room type of the character row last set: what getRoomType shows
    // once the audio thread has run its next control tick.
    int getCharacterRoomType () const;
    float getTempo () const { return tempo; }
    float getSamplesPerWholeNote () const { return samplesPerWholeNote; }
    std::uint64_t getSampleCounter () const { return sampleCounter; }

private:
    struct RateCurves
    {
        CurveTable damping, earlyLength, preDelay;
    };
    static std::shared_ptr<const RateCurves> rateCurvesFor (float rate);

    // One frame on its way through the chain.
    struct Frame
    {
        float inL, inR, sideL, sideR;
        float dryL, dryR, dL, dR; // after the input volume; after the distortion
        float eL, eR;             // early network
        float lL, lR;             // late delay
        float pre[6];             // pre-delays 1 to 3, left and right
        float outL, outR;
        float gate, disrupt; // the follower gate and Disrupt value after this frame's modulation
    };
    static constexpr int kControlFrames = 16; // frames per control tick
    // A section's output, returned in registers: stored there as one pair,
    // it can be read back as one (a pair stored float by float cannot).
    struct Stereo
    {
        float left, right;
    };

    // The stages of one frame, in this order; each section reads the
    // modulation sums `m` of its frame. outputStages() is true when the chain
    // was reset because the output broke.
    void wholeFrame (Frame& f);
    void inputStage (Frame& f);
    void earlyStage (Frame& f, const float* m);
    void lateStage (Frame& f, const float* m);
    bool outputStages (Frame& f, const float* m);
    [[gnu::noinline]] static void readInputs (const float* const* in, int at, Frame* f, int run);
    [[gnu::noinline]] static void writeOutputs (const Frame* f, int run, float* left, float* right);
    void processRun (Frame* f, int run);
    void controlWork ();
    void updateNetworkModulation ();
    void readParameters ();
    void distort (float& left, float& right, const float* m);
    // The early network's per-frame control, then its lines and filters.
    struct EarlyControl
    {
        double stepLength, stepWide;
        float feed, cross, side, a, gainLeft, gainRight, spread;
    };
    void earlyControl (const float* m, EarlyControl& c);
    Stereo earlyLines (float dL, float dR, const EarlyControl& c);
    Stereo lateDelay (float dL, float dR, const float* m);
    void preDelays (float dL, float dR, float pd, float factor2, float factor3, float spread, float* x);
    void preDelayStage (Frame& f, const float* m);
    Stereo reverbSection (const float* pre, float eL, float eR, float lL, float lR, const float* m);
    void clearState ();
    bool outputStage (float dryL, float dryR, float wetL, float wetR, float& outL, float& outR, const float* m);
    void updateMeters (float dryL, float dryR, float outL, float outR, float followerGate);
    std::array<TDelay*, 6> delayLines () { return {&early1, &early2, &late, &pre1, &pre2, &pre3}; }

    const ParamValues& values;
    ChainListener& listener;
    const ChainCurves& curves;
    // Shared by the instances at this rate; null until the rate is set.
    std::shared_ptr<const RateCurves> rate;

    float p[kNumParams] {};         // parameter values, refreshed every control tick
    std::uint32_t valuesSeen = ~0u; // the write count of `values` when p was last refreshed

    TDelay early1, early2, late, pre1, pre2, pre3;
    // Pre-delays 2 and 3 left unprocessed while they match line 1 (see preDelays()).
    bool preMirrored[2] {true, true};
    // What the pre-delay lengths were last set from: pd, factors 2 and 3, spread.
    std::array<float, 4> preDelayFrom {std::numeric_limits<float>::quiet_NaN (), 0.0f, 0.0f, 0.0f};
    TBasicReverb reverb;
    TModulation mod;

    float sampleRate = 0.0f;
    float tempo = 120.0f;
    float samplesPerWholeNote = 0.0f;
    ChainTime blockTime;
    int previousPlaying = -1;
    std::uint64_t sampleCounter = 0;
    bool firstSample = true;

    // Control values (every 16 frames).
    bool bypass = false, distortionOn = false, earlyOn = false, earlyIntoReverb = false;
    bool lateOn = false, lateIntoReverb = false, reverbOn = true, preDelaySync = false;
    bool lowpassOn = true, highpassOn = true;
    int roomType = 1;
    std::atomic<int> characterRow {0}; // written by program loads on the user-interface thread
    float roomScale = 1.0f, lengthScale = 1.0f, earlyAdd = 0.005f, earlyMult = 0.05f;
    float widenMix[4] {}, widenAmplitude[4] {}, widenRate[4] {}, widenPhase[4] {};
    // Six length phases, padded to two vectors (the last two stay 0).
    float lengthDepth[3] {}, lengthStep[8] {}, lengthPhase[8] {};
    // Hidden values 110 .. 128 and the rate they were last derived from (NaN: never).
    std::array<float, 20> networkModulationFrom {};

    // Smoothers.
    float wetDry = 0.0f, mainVolume = 0.0f, earlyVolume = 0.0f, lateVolume = 0.0f, reverbVolume = 0.0f;
    float roomSmoothed = 0.0f;

    // Early network and late filter memories.
    float earlyIn[4] {}, earlyOutA[2] {}, earlyOutB[2] {}, earlyTap[4] {};
    float lateFilter[2] {};

    float meter[kMeters] {};
    std::array<std::atomic<float>, kMeters> shownMeter {};
    std::atomic<bool> cachedPreDelaySync {false};
    std::atomic<int> cachedRoomType {1};
};

} // namespace morlake
