#include "dsp/TSignalChain.h"

#include "dsp/ReverbPresets.h"
#include "dsp/SharedTables.h"
#include "params/Curves.h"
#include "params/StepScales.h"
#include "params/ParamTags.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace morlake {

namespace {

// Smoother weights: 0.1 on the new value, 0.9 on the old.
constexpr float kSmoothNew = 0.100000024f;
constexpr float kSmoothOld = 0.9f;
constexpr float kMeterNew = 0.10000002f;
constexpr float kLimit = 0.999f;

// Longest lengths the lines may reach: synced late lengths up to three whole
// notes at 60 bpm, pre-delays up to 1.4 x 4.1 s (disorder) plus their spread.
// The late and pre-delay lines start with room for kInitialReserveSeconds and
// grow off the audio thread as they fill; the short early lines get it all.
constexpr float kLateReserveSeconds = 12.2f;
constexpr float kPreDelayReserveSeconds = 5.9f;
constexpr float kEarlyReserveSeconds = 0.5f;
constexpr float kInitialReserveSeconds = 0.25f;

using curve::clamp01;

float panLeft (float q) { return std::min (1.0f, 2.0f - q); }
float panRight (float q) { return std::min (1.0f, q); }
float panOf (float modulation) { return 2.0f * clamp01 (modulation + 0.5f); }

bool on (float v) { return v >= 0.5f; }

#if defined(__SSE2__)
// wrapPhase() on four phases after their steps: the modulation phases are
// never negative and stay below 2, where truncation is the floor.
__m128 advancePhases (const float* phase, const float* step)
{
    const __m128 next = _mm_add_ps (_mm_loadu_ps (phase), _mm_loadu_ps (step));
    const __m128 wrapped = _mm_sub_ps (next, _mm_cvtepi32_ps (_mm_cvttps_epi32 (next)));
    const __m128 past = _mm_cmpge_ps (next, _mm_set1_ps (1.0f));
    return _mm_or_ps (_mm_and_ps (past, wrapped), _mm_andnot_ps (past, next));
}
#else
float wrapPhase (float phase) { return phase >= 1.0f ? phase - std::floor (phase) : phase; }
#endif

float sanitize (float x) { return std::isfinite (x) ? x : 0.0f; }

// Fills the tables in place: at 2.5 MB they are no object for the stack of a
// host's or a scanner's thread.
void buildCurves (ChainCurves& c, int begin, int end)
{
    for (int i = begin; i < end; ++i)
    {
        const double x = static_cast<double> (i) / 65536.0;
        auto db = [&] (double lo, double hi) {
            return x < 0.001 ? 0.0f : static_cast<float> (std::pow (10.0, curve::decibels (x, lo, hi) / 20.0));
        };
        c.gainWide[i] = db (-40.0, 40.0);
        c.gainOut[i] = db (-40.0, 20.0);
        c.gain60[i] = db (-60.0, 0.0);
        c.gainReverb[i] = db (-60.0, 10.0);
        c.threshold[i] = db (-40.0, 0.0);
        c.sine[i] = static_cast<float> (std::sin (6.28318 * x));
        for (int r = 0; r < 4; ++r)
            c.reverbLength[r][i] = x < 0.001 ? 0.0f : static_cast<float> (curve::reverbLengthFactor (x, r));
    }
}

} // namespace

const std::array<float, 15> SYNCED_PRE_DELAY_LENGTH_ARRAY = {1.0f / 48, 1.0f / 32, 3.0f / 64, 1.0f / 24, 1.0f / 16,
                                                             3.0f / 32, 1.0f / 12, 1.0f / 8,  3.0f / 16, 1.0f / 6,
                                                             1.0f / 4,  3.0f / 8,  1.0f / 3,  1.0f / 2,  3.0f / 4};

const ChainCurves& chainCurves ()
{
    static const OnPages<ChainCurves> curves = [] {
        OnPages<ChainCurves> c = makeOnPages<ChainCurves> ();
        if (! c)
            throw std::bad_alloc ();
        fillInHalves (kCurveSize, [&c] (int begin, int end) { buildCurves (*c, begin, end); });
        for (int r = 0; r < 4; ++r)
            c->reverbLengthLongest[r] = *std::max_element (c->reverbLength[r].begin (), c->reverbLength[r].end ());
        return c;
    }();
    return *curves;
}

std::shared_ptr<const TSignalChain::RateCurves> TSignalChain::rateCurvesFor (float sampleRate)
{
    static TablesByRate<RateCurves> tables ([] (RateCurves& c, float r) {
        fillInHalves (kCurveSize, [&c, r] (int begin, int end) {
            for (int i = begin; i < end; ++i)
            {
                const float x = static_cast<float> (i) / 65535.9f;
                const float damping = 40.0f * std::pow (2.0f, 10.0f - 2.5f * x) / r;
                c.damping[i] = damping > 0.6f ? 1.0f : damping;
                c.earlyLength[i] = std::pow (2.0f, 4.6f * x - 3.0f) * r;
                c.preDelay[i] = (std::pow (2.0f, 12.0f * x) - 1.0f) / 1000.0f * r;
            }
        });
    });
    return tables.get (sampleRate);
}

TSignalChain::TSignalChain (const ParamValues& v, ChainListener& l) : values (v), listener (l), curves (chainCurves ())
{
    reverb.create ();
    values.copyTo (p);
    networkModulationFrom.fill (std::numeric_limits<float>::quiet_NaN ());
}

void TSignalChain::setSampleRate (float newRate)
{
    if (! (newRate >= 1000.0f))
        newRate = 1000.0f;
    if (std::fabs (newRate - sampleRate) < 0.00001f)
        return;
    sampleRate = newRate;
    samplesPerWholeNote = sampleRate * 240.0f / tempo;

    rate = rateCurvesFor (sampleRate);

    early1.init (sampleRate, kEarlyReserveSeconds);
    early2.init (sampleRate, kEarlyReserveSeconds);
    late.init (sampleRate, kLateReserveSeconds, kInitialReserveSeconds);
    pre1.init (sampleRate, kPreDelayReserveSeconds, kInitialReserveSeconds);
    pre2.init (sampleRate, kPreDelayReserveSeconds, kInitialReserveSeconds);
    pre3.init (sampleRate, kPreDelayReserveSeconds, kInitialReserveSeconds);
    reverb.setSampleRate (sampleRate, COMB_BASE_LENGTH_ARRAY);
    values.copyTo (p);
    mod.setSampleRate (sampleRate, p);
    clearState ();
}

void TSignalChain::clearState ()
{
    previousPlaying = -1;
    for (float& v : earlyIn)
        v = 0.0f;
    for (int c = 0; c < 2; ++c)
        earlyOutA[c] = earlyOutB[c] = lateFilter[c] = 0.0f;
    for (float& v : earlyTap)
        v = 0.0f;
    // Every line was just zeroed.
    preMirrored[0] = preMirrored[1] = true;
    preDelayFrom.fill (std::numeric_limits<float>::quiet_NaN ());
    firstSample = true;
}

void TSignalChain::resetEverything ()
{
    // Also reached from inside process(), where the delay lines are held.
    values.copyTo (p);
    for (TDelay* line : delayLines ())
        line->zeroHeld ();
    reverb.mute ();
    mod.resetAll (p);
    clearState ();
}

void TSignalChain::programChanged ()
{
    values.copyTo (p);
    mod.programChanged (p);
    resetEverything ();
}

void TSignalChain::setCharacterRow (int row) { characterRow.store (row, std::memory_order_relaxed); }

int TSignalChain::getCharacterRoomType () const
{
    return std::clamp (reverbRoomType (characterRow.load (std::memory_order_relaxed)), 0, 3);
}

float TSignalChain::getMeter (int which) const
{
    which = std::clamp (which, 0, kMeters - 1);
    return clamp01 (shownMeter[static_cast<std::size_t> (which)].load (std::memory_order_relaxed));
}

void TSignalChain::process (const float* const* inputs, float* const* outputs, int frames, const ChainTime& time)
{
    blockTime = time;
    const float* in[4] {};
    for (int c = 0; c < 4 && inputs != nullptr; ++c)
        in[c] = inputs[c];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];

    // The lines stay held for the whole run instead of being taken per sample.
    const auto lines = delayLines ();
    for (TDelay* line : lines)
        line->hold ();
    // A block after other work starts with the reverb's lines out of the
    // caches; the first 64 samples' lines are asked for at once. Steady
    // blocks pay about 1.5 % for it, blocks after other work save up to 14 %.
    if (reverbOn)
        reverb.prefetchLines (static_cast<std::uint32_t> (std::min (frames, 64)));
    for (int i = 0; i < frames;)
    {
        // Up to the next control tick, so the routing stands for the whole run.
        const int run = std::min (frames - i, kControlFrames - static_cast<int> (sampleCounter & (kControlFrames - 1)));
        Frame f[kControlFrames];
        if (listener.isSettingPreset ())
        {
            // Silence, and the chain stands still.
            for (int k = 0; k < run; ++k)
                f[k].outL = f[k].outR = 0.0f;
        }
        else
        {
            if ((sampleCounter & 8191) == 0)
                listener.housekeeping ();
            if ((sampleCounter & (kControlFrames - 1)) == 0)
                controlWork ();
            readInputs (in, i, f, run);
            if ((earlyOn || lateOn) && ! mod.readsLateTaps ())
                processRun (f, run);
            else
                for (int k = 0; k < run; ++k)
                    wholeFrame (f[k]);
        }
        writeOutputs (f, run, outLeft != nullptr ? outLeft + i : nullptr, outRight != nullptr ? outRight + i : nullptr);
        i += run;
    }
    for (TDelay* line : lines)
        line->release ();
    TBasicReverb::finishBlock ();
}

// Out of line, one loop per channel: a single loop testing each input for
// a missing buffer is unswitched by the compiler into sixteen copies.
void TSignalChain::readInputs (const float* const* in, int at, Frame* f, int run)
{
    float x[4][kControlFrames];
    for (int c = 0; c < 4; ++c)
    {
        if (in[c] == nullptr)
            std::fill_n (x[c], run, 0.0f);
        else
            for (int k = 0; k < run; ++k)
                x[c][k] = sanitize (in[c][at + k]);
    }
    for (int k = 0; k < run; ++k)
    {
        f[k].inL = x[0][k];
        f[k].inR = x[1][k];
        f[k].sideL = x[2][k];
        f[k].sideR = x[3][k];
    }
}

void TSignalChain::writeOutputs (const Frame* f, int run, float* left, float* right)
{
    if (left != nullptr)
        for (int k = 0; k < run; ++k)
            left[k] = f[k].outL;
    if (right != nullptr)
        for (int k = 0; k < run; ++k)
            right[k] = f[k].outR;
}

// A run in stages: the modulation no section feeds back into is computed for
// every frame first, so the early network, the late delay and the pre-delays
// run as loops of their own, whose frames the processor can overlap.
void TSignalChain::processRun (Frame* f, int run)
{
    float sums[kControlFrames][kNumDestinations];
    for (int k = 0; k < run; ++k)
    {
        inputStage (f[k]);
        std::copy (mod.sums (), mod.sums () + kNumDestinations, sums[k]);
    }
    // The early network's control for the whole run first: its divisions
    // and table reads do not wait on the lines.
    const bool first = firstSample;
    if (earlyOn)
    {
        EarlyControl c[kControlFrames];
        for (int k = 0; k < run; ++k)
        {
            earlyControl (sums[k], c[k]);
            firstSample = false;
        }
        for (int k = 0; k < run; ++k)
        {
            const Stereo e = earlyLines (f[k].dL, f[k].dR, c[k]);
            f[k].eL = e.left;
            f[k].eR = e.right;
            mod.setTap (tap::EarlyOutput, e.left, e.right);
        }
    }
    else
        for (int k = 0; k < run; ++k)
            earlyStage (f[k], sums[k]);
    firstSample = first;
    for (int k = 0; k < run; ++k)
    {
        lateStage (f[k], sums[k]);
        firstSample = false;
    }
    firstSample = first;
    if (reverbOn)
        for (int k = 0; k < run; ++k)
            preDelayStage (f[k], sums[k]);
    for (int k = 0; k < run; ++k)
    {
        if (outputStages (f[k], sums[k]))
        {
            // A reset (broken output): the rest of the run from the new state.
            for (++k; k < run; ++k)
                wholeFrame (f[k]);
            return;
        }
    }
}

void TSignalChain::readParameters ()
{
    // "Disrupt Value" is written by the modulation without being counted.
    if (! values.copyToIfChanged (p, valuesSeen))
        p[tag::DisruptValue] = values[tag::DisruptValue];
}

void TSignalChain::controlWork ()
{
    readParameters ();

    if (blockTime.valid)
    {
        tempo = blockTime.tempoValid && blockTime.tempo > 0.0f && std::isfinite (blockTime.tempo) ? blockTime.tempo
                                                                                                  : 120.0f;
        samplesPerWholeNote = sampleRate * 240.0f / tempo;
        const int playing = blockTime.playing ? 1 : 0;
        if (playing == 1 && playing != previousPlaying)
        {
            mod.transportStarted ();
            for (float& phase : lengthPhase)
                phase = 0.0f;
            for (float& phase : widenPhase)
                phase = 0.0f;
        }
        previousPlaying = playing;
    }

    bypass = on (p[tag::Bypass]);
    distortionOn = on (p[tag::DistortionOn]);
    earlyOn = on (p[tag::EarlyOn]);
    earlyIntoReverb = stepOfValue (p[tag::EarlyPath], scale::EarlyPath, steps::EarlyPath) == 1;
    lateOn = on (p[tag::LateOn]);
    lateIntoReverb = stepOfValue (p[tag::LatePath], scale::LatePath, steps::LatePath) == 1;
    late.setTempoSynced (on (p[tag::LateLengthSync]));
    reverbOn = on (p[tag::ReverbOn]);
    preDelaySync = on (p[tag::ReverbPreDelaySync]);
    lowpassOn = on (p[tag::ReverbLPOn]);
    highpassOn = on (p[tag::ReverbHPOn]);
    const bool roomSwitch = on (p[tag::HiddenRoomScale]);
    const bool lengthSwitch = on (p[tag::HiddenLengthScale]);
    const bool earlySwitch = on (p[tag::HiddenEarlyScale]);

    updateNetworkModulation ();

    reverb.setDiffusion (1.0f);
    roomType = std::clamp (reverbRoomType (characterRow.load (std::memory_order_relaxed)), 0, 3);

    roomScale = 1.0f;
    lengthScale = 1.0f;
    earlyAdd = 0.005f;
    earlyMult = 0.05f;
    if (roomSwitch)
    {
        roomScale = 0.42f;
        lengthScale = 1.0f;
        earlyMult = 0.021f;
    }
    if (lengthSwitch)
    {
        roomScale = 0.5f;
        lengthScale = 2.0f;
        earlyMult = 0.025f;
    }
    if (earlySwitch)
    {
        roomScale = 0.5f;
        lengthScale = 16.0f;
        earlyMult = 0.025f;
    }

    mod.controlTick (p, tempo, samplesPerWholeNote);

    // The comb lengths reach the "Reverb Length" curve's value (its largest
    // while modulated) times the scale and a length modulation of at most +10 %.
    const CurveTable& lengths = curves.reverbLength[roomType];
    const float reach = mod.moves (dest::ReverbLength) ? curves.reverbLengthLongest[roomType]
                                                       : lengths[curveIndex (p[tag::ReverbLength])];
    reverb.setLengthReach (reach * lengthScale * 1.1f);

    cachedPreDelaySync.store (preDelaySync, std::memory_order_relaxed);
    cachedRoomType.store (roomType, std::memory_order_relaxed);
}

// Widen and length modulation of the reverb network from their hidden
// parameters, redone only when those or the rate have moved.
void TSignalChain::updateNetworkModulation ()
{
    constexpr int kFirst = 110, kLast = 128;
    static_assert (kLast - kFirst + 2 == std::tuple_size_v<decltype (networkModulationFrom)>);
    if (std::equal (p + kFirst, p + kLast + 1, networkModulationFrom.begin ()) &&
        networkModulationFrom.back () == sampleRate)
        return;
    std::copy (p + kFirst, p + kLast + 1, networkModulationFrom.begin ());
    networkModulationFrom.back () = sampleRate;

    for (int k = 0; k < 4; ++k)
    {
        widenMix[k] = p[111 + 3 * k];
        widenAmplitude[k] = (std::pow (2.0f, 6.0f * p[110 + 3 * k]) - 1.0f) * sampleRate / 1000.0f;
        widenRate[k] = std::pow (2.0f, 10.0f * p[112 + 3 * k]) * 1e-6f;
    }

    lengthDepth[0] = 0.1f * p[122];
    lengthDepth[1] = 0.1f * p[124];
    lengthDepth[2] = 0.1f * p[126];
    lengthStep[0] = 3e-7f * std::pow (2.0f, 10.0f * p[123]);
    lengthStep[1] = 3e-7f * std::pow (2.0f, 10.0f * p[125]);
    lengthStep[2] = 3e-7f * std::pow (2.0f, 10.0f * p[127]);
    lengthStep[3] = 3e-7f * std::pow (2.0f, 11.0f * p[123]);
    lengthStep[4] = 3e-7f * std::pow (2.0f, 11.0f * p[125]);
    lengthStep[5] = 3e-7f * std::pow (2.0f, 9.0f * p[127]);
    if (p[128] > 0.5f)
        for (float& step : lengthStep)
            step *= 1.0f - 0.5f * p[128];
}

// Wave folding by the distortion amount.
inline void TSignalChain::distort (float& left, float& right, const float* m)
{
    const float amount = clamp01 (p[tag::DistortionAmount] + m[dest::Distortion]);
    const float d = amount * amount;
    auto fold = [&] (float x) {
        const float clipped = std::clamp (x, -64.0f, 64.0f);
        const int k = static_cast<int> (clipped * 16.0f * 65536.0f * 0.5f + 65536.0f) & (kCurveSize - 1);
        return x + curves.sine[k] * d * (1.0f - x * x);
    };
    left = fold (left);
    right = fold (right);
}

// Wet/dry, volumes, pans and the hard limit.
inline bool TSignalChain::outputStage (float dryL, float dryR, float wetL, float wetR, float& outL, float& outR,
                                       const float* m)
{
    wetDry = firstSample ? p[tag::WetDry] : kSmoothNew * p[tag::WetDry] + kSmoothOld * wetDry;
    const float w = bypass ? 0.0f : 2.0f * clamp01 (wetDry + m[dest::WetDry]);
    const float wetAmount = std::min (1.0f, w);
    const float dryAmount = std::min (1.0f, 2.0f - w);
    const float wetGain = curves.gainWide[curveIndex (0.5f * m[dest::WetVolume] + 0.5f)] * wetAmount;
    const float dryGain = curves.gainWide[curveIndex (0.5f * m[dest::DryVolume] + 0.5f)] * dryAmount;
    const float qw = panOf (m[dest::WetPan]);
    const float qd = panOf (m[dest::DryPan]);
    const float q = panOf (m[dest::Pan]);
    mainVolume = firstSample ? p[tag::MainVolume] : kSmoothNew * p[tag::MainVolume] + kSmoothOld * mainVolume;
    const float gm = curves.gainOut[curveIndex (mainVolume + m[dest::OutputVolume])];

    float left = (dryL * panLeft (qd) * dryGain + wetL * panLeft (qw) * wetGain) * panLeft (q) * gm;
    float right = (wetR * panRight (qw) * wetGain + dryR * panRight (qd) * dryGain) * panRight (q) * gm;
    const bool broken = ! std::isfinite (left) || ! std::isfinite (right);
    if (broken)
    {
        // Never pass a broken state on: start again from silence.
        left = right = 0.0f;
        resetEverything ();
    }
    outL = std::clamp (left, -kLimit, kLimit);
    outR = std::clamp (right, -kLimit, kLimit);
    return broken;
}

void TSignalChain::updateMeters (float dryL, float dryR, float outL, float outR, float followerGate)
{
    const float gate = std::fabs (followerGate);
    meter[0] = kSmoothOld * meter[0] + kMeterNew * std::fabs (dryL);
    meter[1] = kSmoothOld * meter[1] + kMeterNew * std::fabs (dryR);
    meter[2] = kSmoothOld * meter[2] + kMeterNew * std::fabs (outL);
    meter[3] = kSmoothOld * meter[3] + kMeterNew * std::fabs (outR);
    meter[4] = kSmoothOld * meter[4] + kMeterNew * gate;
    meter[5] = kSmoothOld * meter[4] + kMeterNew * gate;
    for (int k = 0; k < kMeters; ++k)
        shownMeter[static_cast<std::size_t> (k)].store (meter[k], std::memory_order_relaxed);
}

void TSignalChain::wholeFrame (Frame& f)
{
    inputStage (f);
    earlyStage (f, mod.sums ());
    lateStage (f, mod.sums ());
    if (reverbOn)
        preDelayStage (f, mod.sums ());
    outputStages (f, mod.sums ());
}

void TSignalChain::inputStage (Frame& f)
{
    mod.setTap (tap::Input, f.inL, f.inR);
    mod.setTap (tap::SideInput, f.sideL, f.sideR);
    mod.process (p);
    f.gate = mod.followerGate ();
    f.disrupt = mod.getDisruptModValue ();
    const float* m = mod.sums ();

    // Input volume: 0 dB without modulation.
    const float gIn = curves.gainWide[curveIndex (m[dest::InputVolume] * 0.5f + 0.5f)];
    f.dryL = f.inL * gIn;
    f.dryR = f.inR * gIn;

    f.dL = f.dryL;
    f.dR = f.dryR;
    if (distortionOn)
        distort (f.dL, f.dR, m);
    mod.setTap (tap::DistortOutput, f.dL, f.dR);
}

void TSignalChain::earlyStage (Frame& f, const float* m)
{
    Stereo e {};
    if (earlyOn)
    {
        EarlyControl c;
        earlyControl (m, c);
        e = earlyLines (f.dL, f.dR, c);
    }
    f.eL = e.left;
    f.eR = e.right;
    mod.setTap (tap::EarlyOutput, e.left, e.right);
}

void TSignalChain::lateStage (Frame& f, const float* m)
{
    const Stereo l = lateOn ? lateDelay (f.dL, f.dR, m) : Stereo {};
    f.lL = l.left;
    f.lR = l.right;
    mod.setTap (tap::LateOutput, l.left, l.right);
}

bool TSignalChain::outputStages (Frame& f, const float* m)
{
    const Stereo v = reverbOn ? reverbSection (f.pre, f.eL, f.eR, f.lL, f.lR, m) : Stereo {};
    mod.setTap (tap::ReverbOutput, v.left, v.right);

    float wetL = v.left, wetR = v.right;
    if (! earlyIntoReverb)
    {
        wetL += f.eL;
        wetR += f.eR;
    }
    if (! lateIntoReverb)
    {
        wetL += f.lL;
        wetR += f.lR;
    }

    const bool reset = outputStage (f.dryL, f.dryR, wetL, wetR, f.outL, f.outR, m);
    mod.setTap (tap::Output, f.outL, f.outR);

    if ((sampleCounter & 63) == 0)
        updateMeters (f.dryL, f.dryR, f.outL, f.outR, f.gate);
    if ((sampleCounter & 255) == 0)
        listener.disruptNotice (f.disrupt);

    ++sampleCounter;
    firstSample = false;
    return reset;
}

void TSignalChain::earlyControl (const float* m, EarlyControl& c)
{
    const float es = (clamp01 (p[tag::ReverbRoomSize] + m[dest::ReverbRoomSize]) * curve::ROOM_SIZE_MULT[roomType] +
                      curve::ROOM_SIZE_ADD[roomType]) *
                         earlyMult +
                     earlyAdd;
    // Modulation sums have no bound: keep the lines within the length they
    // may grow to.
    const float longest = kEarlyReserveSeconds * sampleRate;
    const float len =
        std::min (es * rate->earlyLength[curveIndex (p[tag::EarlyLength] + m[dest::EarlyLength])], longest);
    const float wide = std::min ((m[dest::EarlyWiden] + 1.5f) * len, longest);
    // Line 1 takes (len, wide), line 2 the same swapped.
    c.stepLength = early1.stepFor (std::max (len, 1.0f));
    c.stepWide = early1.stepFor (std::max (wide, 1.0f));

    earlyVolume = firstSample ? p[tag::EarlyVolume] : kSmoothNew * p[tag::EarlyVolume] + kSmoothOld * earlyVolume;
    const float g = curves.gain60[curveIndex (earlyVolume + m[dest::EarlyVolume])];
    const float q = panOf (m[dest::EarlyPan]);
    c.gainLeft = g * panLeft (q);
    c.gainRight = g * panRight (q);

    float feed = clamp01 (0.5f * p[tag::EarlyFeed] + m[dest::EarlyFeed]);
    // The cross amount takes the "Early Side Feed" modulation and the side amount the "Early Cross Feed" one.
    float cross = clamp01 (0.5f * p[tag::EarlyCross] + m[dest::EarlySideFeed]);
    float side = clamp01 (0.5f * p[tag::EarlySide] + m[dest::EarlyCrossFeed]);
    const float total = cross + feed + side;
    if (total > 0.99f)
    {
        const float scale = 0.99f / total;
        cross *= scale;
        feed *= scale;
        side *= scale;
    }
    c.feed = feed;
    c.cross = cross;
    c.side = side;
    c.a = firstSample ? 1.0f : rate->damping[curveIndex (p[tag::EarlyDamp] + m[dest::EarlyDamp])];
    c.spread = clamp01 (m[dest::EarlySpread] + 0.75f);
}

TSignalChain::Stereo TSignalChain::earlyLines (float dL, float dR, const EarlyControl& c)
{
    early1.setFeed (c.feed);
    early1.setCross (-c.cross);
    early1.setSteps (c.stepLength, c.stepWide);
    early2.setFeed (c.feed);
    early2.setCross (-c.cross);
    early2.setSteps (c.stepWide, c.stepLength);

    const float a = c.a;
    const float keep = 1.0f - a;
    earlyIn[0] = earlyIn[0] * keep + dL * a;
    earlyIn[1] = earlyIn[1] * keep + dL * a;
    earlyIn[2] = earlyIn[2] * keep + dR * a;
    earlyIn[3] = earlyIn[3] * keep + dR * a;

    const float side = c.side;
    float aL, aR, bL, bR;
    early1.process (earlyIn[0] + side * earlyTap[3], earlyIn[2] + side * earlyTap[1], aL, aR);
    early2.process (earlyIn[1] + side * earlyTap[2], earlyIn[3] + side * earlyTap[0], bL, bR);

    earlyOutA[0] = earlyOutA[0] * keep + aL * a;
    earlyOutA[1] = earlyOutA[1] * keep + aR * a;
    earlyOutB[0] = earlyOutB[0] * keep + bL * a;
    earlyOutB[1] = earlyOutB[1] * keep + bR * a;

    const float spread = c.spread;
    const float mid = (1.0f - spread) * (earlyOutB[0] + earlyOutB[1]) * 0.5f;
    const float sBL = mid + spread * earlyOutB[0];
    const float sBR = mid + spread * earlyOutB[1];

    earlyTap[0] = earlyOutA[0];
    earlyTap[1] = earlyOutB[0];
    earlyTap[2] = earlyOutA[1];
    earlyTap[3] = earlyOutB[1];
    earlyOutB[0] = sBL;
    earlyOutB[1] = sBR;

    return {c.gainLeft * (sBL + earlyOutA[0]), c.gainRight * (sBR + earlyOutA[1])};
}

TSignalChain::Stereo TSignalChain::lateDelay (float dL, float dR, const float* m)
{
    late.setDelayLen (clamp01 (p[tag::LateLength] + m[dest::LateLength]),
                      std::max (0.0f, m[dest::LateWidth]) * sampleRate * 0.03f, tempo);
    late.setFeed (clamp01 (m[dest::LateFeed]));
    float lL, lR;
    late.process (dL, dR, lL, lR);

    lateVolume = firstSample ? p[tag::LateVolume] : kSmoothNew * p[tag::LateVolume] + kSmoothOld * lateVolume;
    const float g = curves.gain60[curveIndex (lateVolume + m[dest::LateVolume])];
    const float q = panOf (m[dest::LatePan]);
    const float a = firstSample ? 1.0f : rate->damping[curveIndex (p[tag::LateDamp] + m[dest::LateDamp])];
    lateFilter[0] = lateFilter[0] * (1.0f - a) + lL * a;
    lateFilter[1] = lateFilter[1] * (1.0f - a) + lR * a;
    return {g * panLeft (q) * lateFilter[0], g * panRight (q) * lateFilter[1]};
}

// The three pre-delays: lengths pd, pd * factor2 and pd * factor3 on the
// left, `spread` more on the right. Lines 2 and 3 all take the same input as
// line 1, so while their lengths stay line 1's (no disorder) their output is
// line 1's; they take over its state when their lengths first part.
void TSignalChain::preDelays (float dL, float dR, float pd, float factor2, float factor3, float spread, float* x)
{
    TDelay* const other[2] = {&pre2, &pre3};
    const std::array<float, 4> from {pd, factor2, factor3, spread};
    // The lengths are set again only when their inputs move or after a reset
    // (which clears preDelayFrom).
    if (from != preDelayFrom)
    {
        preDelayFrom = from;
        // Within the length the lines may grow to (slow host tempos, disorder and widening).
        const float longestPre = kPreDelayReserveSeconds * sampleRate;
        auto lengthsFor = [&] (float factor) {
            const float left = std::min (std::max (0.0f, factor * pd) + 5.0f, longestPre);
            return std::array<float, 2> {left, std::min (std::max (0.0f, left + spread) + 5.0f, longestPre)};
        };
        const std::array<float, 2> first = lengthsFor (1.0f);
        pre1.setDelayLenDirect (first[0], first[1]);
        const float factor[2] = {factor2, factor3};
        for (int j = 0; j < 2; ++j)
        {
            // Without disorder the factor is 1 and the lengths are line 1's.
            const bool unscaled = factor[j] == 1.0f;
            const std::array<float, 2> lengths = unscaled ? first : lengthsFor (factor[j]);
            if (preMirrored[j] && (unscaled || lengths == first))
                continue;
            if (preMirrored[j])
            {
                other[j]->copyStateFrom (pre1);
                preMirrored[j] = false;
            }
            other[j]->setDelayLenDirect (lengths[0], lengths[1]);
        }
    }
    for (int j = 0; j < 2; ++j)
        if (preMirrored[j])
            other[j]->shadow (pre1);
    pre1.process (dL, dR, x[0], x[1]);
    for (int j = 0; j < 2; ++j)
    {
        if (preMirrored[j])
        {
            x[2 + 2 * j] = x[0];
            x[3 + 2 * j] = x[1];
        }
        else
            other[j]->process (dL, dR, x[2 + 2 * j], x[3 + 2 * j]);
    }
}

void TSignalChain::preDelayStage (Frame& f, const float* m)
{
    const float preValue = p[tag::ReverbPreDelay] + m[dest::ReverbPreDelay];
    float pd;
    if (preDelaySync)
        pd = SYNCED_PRE_DELAY_LENGTH_ARRAY[stepOfValue (clamp01 (preValue), scale::ReverbPreDelay,
                                                        steps::ReverbPreDelay)] *
                 samplesPerWholeNote +
             1.0f;
    else
        pd = rate->preDelay[curveIndex (preValue)];
    const float dd = clamp01 (p[tag::ReverbPreDelayDisorder] + m[dest::ReverbDisorder]);
    const float w = 1.0f + std::clamp (m[dest::ReverbPreWiden], -1.0f, 1.0f);
    const float spread = clamp01 (m[dest::ReverbPreSpread]) * sampleRate * 0.1f;

    preDelays (f.dL, f.dR, pd, 1.0f + 0.2f * dd * w, 1.0f + 0.1f * dd * w, spread, f.pre);
}

TSignalChain::Stereo TSignalChain::reverbSection (const float* pre, float eL, float eR, float lL, float lR,
                                                  const float* m)
{
    reverb.setFilter (lowpassOn ? clamp01 (p[tag::ReverbLPFrequency] + m[dest::ReverbLP]) : 1.0f,
                      highpassOn ? clamp01 (p[tag::ReverbHPFrequency] + m[dest::ReverbHP]) : 0.0f);
    reverb.setDamp (clamp01 (p[tag::ReverbDamp] + m[dest::ReverbDamp]));
    const float dis = clamp01 (p[tag::ReverbDisorder] + m[dest::ReverbDisorder]);

    alignas (16) float widen[4];
#if defined(__SSE2__)
    {
        const __m128 phase = advancePhases (widenPhase, widenRate);
        _mm_storeu_ps (widenPhase, phase);
        const __m128 one = _mm_set1_ps (1.0f);
        const __m128 slope = _mm_sub_ps (_mm_mul_ps (_mm_set1_ps (2.0f), phase), one);
        const __m128 triangle = _mm_sub_ps (one, _mm_andnot_ps (_mm_set1_ps (-0.0f), slope));
        const __m128 mix = _mm_loadu_ps (widenMix);
        const __m128 shaped = _mm_add_ps (_mm_mul_ps (triangle, mix), _mm_sub_ps (one, mix));
        _mm_store_ps (widen, _mm_add_ps (_mm_mul_ps (shaped, _mm_loadu_ps (widenAmplitude)), one));
    }
#else
    for (int k = 0; k < 4; ++k)
    {
        widenPhase[k] = wrapPhase (widenPhase[k] + widenRate[k]);
        const float triangle = 1.0f - std::fabs (2.0f * widenPhase[k] - 1.0f);
        widen[k] = (triangle * widenMix[k] + (1.0f - widenMix[k])) * widenAmplitude[k] + 1.0f;
    }
#endif
    reverb.setWiden (widen[0], widen[1], widen[2], widen[3]);

    const float r =
        clamp01 (p[tag::ReverbRoomSize] + m[dest::ReverbRoomSize]) * curve::ROOM_SIZE_MULT[roomType] * roomScale +
        curve::ROOM_SIZE_ADD[roomType];
    roomSmoothed = firstSample ? r : 0.05f * r + 0.95f * roomSmoothed;
    reverb.setRoomSize (roomSmoothed, roomSmoothed * (1.0f - 0.375f * dis),
                        roomSmoothed * 0.95f * (1.0f - 0.25f * dis));

    const float length =
        curves.reverbLength[roomType][curveIndex (p[tag::ReverbLength] + m[dest::ReverbLength])] * lengthScale;
    alignas (16) int at[8];
#if defined(__SSE2__)
    for (int j = 0; j < 8; j += 4)
    {
        const __m128 phase = advancePhases (lengthPhase + j, lengthStep + j);
        _mm_storeu_ps (lengthPhase + j, phase);
        const __m128i index = _mm_cvttps_epi32 (_mm_mul_ps (phase, _mm_set1_ps (65536.0f)));
        _mm_store_si128 (reinterpret_cast<__m128i*> (at + j), _mm_and_si128 (index, _mm_set1_epi32 (kCurveSize - 1)));
    }
#else
    for (int j = 0; j < 6; ++j)
    {
        lengthPhase[j] = wrapPhase (lengthPhase[j] + lengthStep[j]);
        at[j] = static_cast<int> (lengthPhase[j] * 65536.0f) & (kCurveSize - 1);
    }
#endif
    float s[6];
    for (int j = 0; j < 6; ++j)
        s[j] = curves.sine[at[j]];
    reverb.setLength (length, 1.0f + lengthDepth[0] * s[0], 1.0f + lengthDepth[0] * s[3],
                      length * 0.9f * (1.0f - 0.375f * dis), 1.0f + lengthDepth[1] * s[1], 1.0f + lengthDepth[1] * s[4],
                      length * 0.95f * (1.0f - 0.25f * dis), 1.0f + lengthDepth[2] * s[2],
                      1.0f + lengthDepth[2] * s[5]);

    // Float by float: the pre-delays have just stored them so.
    const auto input = [&] (int j, float e, float l) {
        float x = pre[j];
        if (earlyIntoReverb)
            x += e;
        if (lateIntoReverb)
            x += l;
        return x;
    };
    float vL, vR;
    reverb.process (input (0, eL, lL), input (1, eR, lR), input (2, eL, lL), input (3, eR, lR), input (4, eL, lL),
                    input (5, eR, lR), vL, vR);

    reverbVolume = firstSample ? p[tag::ReverbVolume] : kSmoothNew * p[tag::ReverbVolume] + kSmoothOld * reverbVolume;
    const float g = curves.gainReverb[curveIndex (reverbVolume + m[dest::ReverbVolume])];
    const float q = panOf (m[dest::ReverbPan]);
    return {g * panLeft (q) * vL, g * panRight (q) * vR};
}

} // namespace morlake
