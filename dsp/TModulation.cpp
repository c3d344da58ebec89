#include "dsp/TModulation.h"

#include "params/ParamTags.h"
#include "params/StepScales.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <iterator>
#include <limits>

#include <emmintrin.h>

namespace morlake {

const std::array<int, 13> DISTRUPT_QUANT_DIVIDE = {0, 31, 23, 19, 15, 11, 9, 7, 5, 4, 3, 2, 1};

const std::array<float, 18> DISRUPT_SPRING_TIME_ARRAY = {
    0.0f,         0.0f,                       // "Off", "Instant"
    1.0f / 48.0f, 1.0f / 32.0f, 3.0f / 64.0f, // 1/32
    1.0f / 24.0f, 1.0f / 16.0f, 3.0f / 32.0f, // 1/16
    1.0f / 12.0f, 1.0f / 8.0f,  3.0f / 16.0f, // 1/8
    1.0f / 6.0f,  1.0f / 4.0f,  3.0f / 8.0f,  // 1/4
    1.0f / 3.0f,  1.0f / 2.0f,  3.0f / 4.0f,  // 1/2
    1.0f,
};

namespace {

constexpr float kDisruptQuantScale = scale::DisruptQuantization;
constexpr float kSpringTimeScale = scale::DisruptSpringTime;
constexpr float kLazyModeScale = scale::LazyMode;
constexpr float kFollowerSourceScale = scale::FollowerSource;

// Curve tables below x = 0.001 are silent: entries 0 .. 65.
constexpr int kLastSilentIndex = 65;

using curve::clamp01;
float clampBipolar (float v) { return v > -1.0f ? (v < 1.0f ? v : 1.0f) : -1.0f; }
bool isOn (const float* p, int t) { return p[t] >= 0.5f; }

// Entry i of a dB curve running from loDb to hiDb, silent below x = 0.001.
float dbCurveAt (int i, float loDb, float hiDb)
{
    if (i <= kLastSilentIndex)
        return 0.0f;
    const double x = static_cast<double> (i) / 65536.0;
    return static_cast<float> (std::pow (10.0, ((hiDb - loDb) * x + loDb) / 20.0));
}

} // namespace

TModulation::TModulation ()
{
    for (auto& s : shownSum)
        s.store (0.0f, std::memory_order_relaxed);
}

void TModulation::setParameterSetter (ParameterSetter fn, void* context)
{
    setter = fn;
    setterContext = context;
}

void TModulation::writeParameter (int t, float value)
{
    if (setter)
        setter (setterContext, t, value);
}

void TModulation::setSampleRate (float sampleRate, const float* p)
{
    const float rate = sampleRate < 1000.0f ? 1000.0f : sampleRate;
    samplesPerWholeNote = rate * 240.0f / bpm;
    readAmountBases (p);
    lazy.init (rate);
    speedDirty = true;
    lazyVarsRefresh = 2;
    lazy.reset ();
    if (stepOfValue (p[tag::LazyTrigger], kListStepScale, kNumLazyTriggers) == lazytrigger::Free)
        lazy.start ();
}

void TModulation::resetAll (const float* p)
{
    current = 0.0f;
    disruptValue = 0.0f;
    envelope = 0.0f;
    gate = 0.0f;
    followerValue = 0.0f;
    for (float& s : sum)
        s = 0.0f;
    staleDests = 0;
    readAmountBases (p);
    speedDirty = true;
    lazyVarsRefresh = 2;
    taps.clear ();
    firstSample = true;
    lazy.reset ();
    if (stepOfValue (p[tag::LazyTrigger], kListStepScale, kNumLazyTriggers) == lazytrigger::Free)
        lazy.start ();
}

void TModulation::programChanged (const float* p)
{
    midi.clear ();
    springActive = false;
    springRequest.store (kSpringRequestNone, std::memory_order_relaxed);
    adoptSettings (p);

    float t = clampBipolar (2.0f * p[tag::DisruptValue] - 1.0f);
    if (quantDivide > 0)
        t = std::floor (t * static_cast<float> (quantDivide) + 0.5f) / static_cast<float> (quantDivide);
    current = t;

    lazy.setVariables (0.0f, 0.5f, 0.0f, 0.0f);
    lazy.setSpeed (clamp01 (p[tag::LazySpeed]), lazySync, bpm, 1.0f);
    speedDirty = true;
    lazyVarsRefresh = 2;
}

// Takes over the switch states without acting on their change, so loading a
// program never springs its Disrupt value back or restarts things by itself.
void TModulation::adoptSettings (const float* p)
{
    settingsSeen = true;
    quantDivide = DISTRUPT_QUANT_DIVIDE[static_cast<std::size_t> (
        stepOfValue (p[tag::DisruptQuantization], kDisruptQuantScale, 13))];
    springTime = stepOfValue (p[tag::DisruptSpringTime], kSpringTimeScale, 18);
    lazyOn = isOn (p, tag::LazyOn);
    lazySync = isOn (p, tag::LazySync);
    readRouting (p);
}

namespace {

// The parameters the routing is read from.
constexpr int kRoutingTags[] = {
    tag::Disrupt1On,       tag::Disrupt1On + 1,   tag::Disrupt1On + 2,   tag::Disrupt1On + 3,   tag::Disrupt1On + 4,
    tag::Disrupt1On + 5,   tag::Disrupt1On + 6,   tag::Disrupt1On + 7,   tag::Disrupt1Dest,     tag::Disrupt1Dest + 1,
    tag::Disrupt1Dest + 2, tag::Disrupt1Dest + 3, tag::Disrupt1Dest + 4, tag::Disrupt1Dest + 5, tag::Disrupt1Dest + 6,
    tag::Disrupt1Dest + 7, tag::FollowerOn,       tag::FollowerSource,   tag::FollowerDest,     tag::ModSlot1Source,
    tag::ModSlot1Dest,     tag::ModSlot2Source,   tag::ModSlot2Dest,     tag::LazyOn,
};

} // namespace

void TModulation::readRouting (const float* p)
{
    static_assert (std::size (kRoutingTags) == kNumRoutingTags);
    bool same = routingRead && routingLazyOn == lazyOn;
    for (int i = 0; i < kNumRoutingTags; ++i)
    {
        same = same && routingFrom[i] == p[kRoutingTags[i]];
        routingFrom[i] = p[kRoutingTags[i]];
    }
    routingRead = true;
    routingLazyOn = lazyOn;
    readAmountBases (p);
    if (same)
        return;

    for (int n = 0; n < kNumDisruptSlots; ++n)
    {
        slotSrc[n] = src::Disrupt;
        slotDest[n] = isOn (p, tag::Disrupt1On + n)
                          ? stepOfValue (p[tag::Disrupt1Dest + n], kListStepScale, kNumDestinations)
                          : dest::None;
    }
    followerOn = isOn (p, tag::FollowerOn);
    followerSource = stepOfValue (p[tag::FollowerSource], kFollowerSourceScale, kNumTaps);
    slotSrc[8] = src::Follower;
    slotDest[8] = stepOfValue (p[tag::FollowerDest], kListStepScale, kNumDestinations);
    slotSrc[9] = stepOfValue (p[tag::ModSlot1Source], kListStepScale, kNumSources);
    slotDest[9] = stepOfValue (p[tag::ModSlot1Dest], kListStepScale, kNumDestinations);
    slotSrc[10] = stepOfValue (p[tag::ModSlot2Source], kListStepScale, kNumSources);
    slotDest[10] = stepOfValue (p[tag::ModSlot2Dest], kListStepScale, kNumDestinations);

    freeSource[0] = sourceAddress (slotSrc[9]);
    freeSource[1] = sourceAddress (slotSrc[10]);
    tapsRead = 0;
    for (int k = 9; k < kNumModSlots; ++k)
        if (slotDest[k] > dest::None && slotDest[k] < kNumDestinations && slotSrc[k] >= src::Input &&
            slotSrc[k] <= src::Output)
            tapsRead |= 1u << (slotSrc[k] - src::Input);

    // The first slot of each destination leads, the others follow in slot order.
    std::uint64_t written = 0;
    leadCount = restCount = 0;
    derivedRead = false;
    for (int k = 0; k < kNumModSlots; ++k)
    {
        const int d = slotDest[k];
        if (d <= dest::None || d >= kNumDestinations)
            continue;
        const Route r {static_cast<std::uint8_t> (k), static_cast<std::uint8_t> (d)};
        const std::uint64_t bit = std::uint64_t {1} << d;
        if (written & bit)
            rest[restCount++] = r;
        else
            lead[leadCount++] = r;
        written |= bit;
        const float* source = sourceAddress (slotSrc[k]);
        derivedRead = derivedRead || (source >= &derived[kUniPolarLazy] && source <= &derived[kNoise]);
    }
    staleDests = (staleDests | writtenDests) & ~written;
    writtenDests = written;
    constexpr std::uint64_t lazyVars = std::uint64_t {1} << dest::LazyPhase | std::uint64_t {1} << dest::LazyShape |
                                       std::uint64_t {1} << dest::LazyHumanize | std::uint64_t {1} << dest::LazySmooth;
    lazyVarsRouted = (written & lazyVars) != 0;
    lazyVarsRefresh = 2;

    constexpr unsigned lateTaps =
        1u << tap::EarlyOutput | 1u << tap::ReverbOutput | 1u << tap::LateOutput | 1u << tap::Output;
    lateTapsRead = (tapsRead & lateTaps) != 0 || (followerOn && (lateTaps >> followerSource & 1u) != 0);

    // The LFO output is shaped when Disrupt or a slot reads it, or when a
    // slot drives its smoothing (which carries each output into the next).
    lazyRead = lazyOn;
    for (int k = 0; k < kNumModSlots; ++k)
    {
        const int s = slotSrc[k];
        if (slotDest[k] == dest::LazySmooth || (slotDest[k] > dest::None && slotDest[k] < kNumDestinations &&
                                                (s == src::Lazy || s == src::UniPolarLazy || s == src::SignLazy)))
            lazyRead = true;
    }
}

// The parameter part of each slot's amount, 2 p - 1 (p only moves between
// the calls that bring it here).
void TModulation::readAmountBases (const float* p)
{
    for (int n = 0; n < kNumDisruptSlots; ++n)
        amountBase[n] = 2.0f * p[tag::Disrupt1Amount + n] - 1.0f;
    amountBase[8] = 1.0f;
    amountBase[9] = 2.0f * p[tag::ModSlot1Amount] - 1.0f;
    amountBase[10] = 2.0f * p[tag::ModSlot2Amount] - 1.0f;
    amountBase[11] = 0.0f;
}

void TModulation::controlTick (const float* p, float newBpm, float newSamplesPerWholeNote)
{
    // Every other destination's sum and shown sum are 0.
    for (std::uint64_t m = shownDests | writtenDests | staleDests; m != 0; m &= m - 1)
    {
        const int d = std::countr_zero (m);
        shownSum[static_cast<std::size_t> (d)].store (sum[d], std::memory_order_relaxed);
    }
    shownDests = writtenDests | staleDests;

    if (newBpm > 0.0f && std::isfinite (newBpm))
        bpm = newBpm;
    if (newSamplesPerWholeNote > 0.0f && std::isfinite (newSamplesPerWholeNote))
        samplesPerWholeNote = newSamplesPerWholeNote;

    if (! settingsSeen)
        adoptSettings (p);

    quantDivide = DISTRUPT_QUANT_DIVIDE[static_cast<std::size_t> (
        stepOfValue (p[tag::DisruptQuantization], kDisruptQuantScale, 13))];

    const int newSpringTime = stepOfValue (p[tag::DisruptSpringTime], kSpringTimeScale, 18);
    const bool springFromOff = springTime == 0 && newSpringTime != 0;
    springTime = newSpringTime;
    if (springFromOff)
        springOn (p);

    lazySync = isOn (p, tag::LazySync);
    const bool newLazyOn = isOn (p, tag::LazyOn);
    const int newTrigger = stepOfValue (p[tag::LazyTrigger], kListStepScale, kNumLazyTriggers);
    const int mode = stepOfValue (p[tag::LazyMode], kLazyModeScale, kNumLazyModes);
    if (newTrigger != trigger)
    {
        trigger = newTrigger;
        lazy.setMode (mode, trigger);
        lazy.reset ();
        if (trigger == lazytrigger::Free)
            lazy.start ();
    }
    else
    {
        lazy.setMode (mode, trigger);
        if (newLazyOn && ! lazyOn)
        {
            lazy.reset ();
            if (trigger == lazytrigger::Free)
                lazy.start ();
        }
    }
    const bool lazySwitchedOff = lazyOn && ! newLazyOn;
    lazyOn = newLazyOn;
    if (lazySwitchedOff)
        springOn (p);

    speedDirty = true;
    readRouting (p);
}

void TModulation::transportStarted ()
{
    if (trigger == lazytrigger::Host)
        lazy.start ();
    springActive = false;
}

void TModulation::springOn (const float* p)
{
    springActive = true;
    const int n = stepOfValue (p[tag::DisruptSpringTime], kSpringTimeScale, 18);
    if (n == 0)
    {
        springActive = false;
        springStep = 0.0;
        return;
    }
    const double v = p[tag::DisruptValue];
    if (std::fabs (v - 0.5) < 0.001)
    {
        springActive = false;
        springStep = 0.0;
        return;
    }
    springStart = v;
    springCount = 0.0;
    // "Instant" lands on the centre on the next sample, wherever it starts.
    springSamples = n == 1 ? 1.0
                           : static_cast<double> (DISRUPT_SPRING_TIME_ARRAY[static_cast<std::size_t> (n)]) *
                                 static_cast<double> (samplesPerWholeNote);
    if (! (springSamples >= 1.0))
        springSamples = 1.0;
    springStep = (0.5 - v) / springSamples;
}

float TModulation::nextNoise ()
{
    const std::uint32_t product = noiseState * 16807u;
    noiseState = product + 1u;
    return (static_cast<float> (static_cast<std::int32_t> (product)) * 4.656613e-10f + 1.0f) * 0.5f;
}

// The derived and tap sources are worked out here as the sums see them
// (they are only kept current while a slot reads them).
float TModulation::sourceValue (int s) const
{
    switch (s)
    {
        case src::UniPolarLazy: return uniPolarLazy ();
        case src::SignLazy: return signLazy ();
        case src::Noise: return bipolarNoise ();
        case src::Input:
        case src::SideInput:
        case src::DistortOutput:
        case src::EarlyOutput:
        case src::ReverbOutput:
        case src::LateOutput:
        case src::Output: return taps.tap[s - src::Input].value ();
        default: return *sourceAddress (s);
    }
}

// Where the value of source s is read.
const float* TModulation::sourceAddress (int s) const
{
    if (s <= src::None || s >= kNumSources)
        return &derived[kZero];
    if (s <= src::LastMidi)
        return &midi.value[s];
    if (s >= src::Input && s <= src::Output)
        return &tapValue[s - src::Input];
    switch (s)
    {
        case src::Disrupt: return &disruptValue;
        case src::Follower: return &followerValue;
        case src::Lazy: return &lazyValue;
        case src::UniPolarLazy: return &derived[kUniPolarLazy];
        case src::SignLazy: return &derived[kSignLazy];
        case src::Offset: return &derived[kOffset];
        case src::Noise: return &derived[kNoise];
        case src::UniPolarNoise: return &noiseU;
        default: return &derived[kZero];
    }
}

void TModulation::process (const float* p)
{
    serveSpringRequest (p);
    noiseU = nextNoise ();
    smoothDisrupt (disruptTarget (p));
    follow (p);
    sumSlots ();
    firstSample = false;
}

inline void TModulation::serveSpringRequest (const float* p)
{
    // A plain load first: the exchange is a locked instruction, and requests are rare.
    if (springRequest.load (std::memory_order_relaxed) != kSpringRequestNone)
        switch (springRequest.exchange (kSpringRequestNone, std::memory_order_relaxed))
        {
            case kSpringRequestOn: springOn (p); break;
            case kSpringRequestOff: springActive = false; break;
            default: break;
        }
}

// The Disrupt value the lazy LFO, the spring or the knob asks for, quantised.
inline float TModulation::disruptTarget (const float* p)
{
    // Lazy LFO; its settings come only from the previous sample's sums.
    if (sum[dest::LazySpeed] != rateSum)
    {
        rateSum = sum[dest::LazySpeed];
        rateScale = std::exp2 (4.0f * std::clamp (rateSum, -16.0f, 16.0f));
        speedDirty = true;
    }
    // Both calls only when an input may have moved: the LFO's state after
    // each depends on its inputs alone.
    if (speedDirty)
    {
        lazy.setSpeed (clamp01 (p[tag::LazySpeed]), lazySync, bpm, rateScale);
        speedDirty = false;
    }
    if (lazyVarsRouted || lazyVarsRefresh > 0)
    {
        lazyVarsRefresh = lazyVarsRefresh > 0 ? lazyVarsRefresh - 1 : 0;
        lazy.setVariables (sum[dest::LazyPhase], 0.49f * sum[dest::LazyShape] + 0.5f, sum[dest::LazyHumanize],
                           sum[dest::LazySmooth]);
    }
    if (lazyRead)
        lazyValue = lazy.getLazyValue ();
    else
        lazy.advance ();

    float dv = p[tag::DisruptValue];
    if (lazyOn)
    {
        dv = clamp01 (lazyValue);
        writeParameter (tag::DisruptValue, dv);
    }
    else if (springActive)
    {
        // Spring: counted in samples so it lands on the centre exactly
        // after its musical time, free of accumulated rounding.
        springCount += 1.0;
        double position;
        // The tolerance absorbs the float rounding of the spring-time table.
        if (springCount >= springSamples - 1e-3)
        {
            position = 0.5;
            springActive = false;
        }
        else
            position = springStart + springStep * springCount;
        dv = static_cast<float> (position);
        writeParameter (tag::DisruptValue, dv);
    }

    float t = clampBipolar (2.0f * dv - 1.0f);
    if (quantDivide > 0)
        t = std::floor (t * static_cast<float> (quantDivide) + 0.5f) / static_cast<float> (quantDivide);
    return t;
}

// The "Disrupt" source follows its target through the smoothing.
inline void TModulation::smoothDisrupt (float t)
{
    const float s = clamp01 (sum[dest::DisruptSmooth]);
    if (s < 0.01f || firstSample)
        current = t;
    else
    {
        if (s != disruptSmoothIn)
        {
            disruptSmoothIn = s;
            disruptSmoothE = std::exp2 (-7.0f - 7.0f * s);
        }
        current = current * (1.0f - disruptSmoothE) + t * disruptSmoothE;
        if (std::fabs (current) < 1e-20f)
            current = 0.0f;
    }

    disruptValue = clampBipolar (current + sum[dest::Disrupt]);
    if (! std::isfinite (disruptValue))
        disruptValue = 0.0f;
    shownDisrupt.store (disruptValue, std::memory_order_relaxed);
}

// The envelope follower on its tap, gated by its threshold.
inline void TModulation::follow (const float* p)
{
    if (followerOn)
    {
        const int bi = curveIndex (sum[dest::FollowerBoost] + 0.5f);
        if (bi != boostIndex)
        {
            boostIndex = bi;
            boostGain = dbCurveAt (bi, -40.0f, 40.0f);
        }
        float level = taps.tap[followerSource].level ();
        if (! std::isfinite (level))
            level = 0.0f;
        const float x = boostGain * level + 1e-15f;

        const float smoothIn = p[tag::FollowerSmooth] + sum[dest::FollowerSmooth];
        if (smoothIn != followerSmoothIn)
        {
            followerSmoothIn = smoothIn;
            followerSmoothE = smoothIn < 0.0f || ! std::isfinite (smoothIn)
                                  ? 0.00390625f
                                  : std::exp2 (-8.0f - 8.0f * std::min (1.0f, smoothIn));
        }
        envelope = firstSample ? x : x * followerSmoothE + envelope * (1.0f - followerSmoothE);

        const int ti = curveIndex (p[tag::FollowerThreshold] + sum[dest::FollowerThreshold]);
        if (ti != thresholdIndex)
        {
            thresholdIndex = ti;
            thresholdLevel = dbCurveAt (ti, -40.0f, 0.0f);
        }
        gate = envelope < thresholdLevel ? 0.0f : envelope;

        const float a = clampBipolar (2.0f * p[tag::FollowerAmount] - 1.0f + sum[dest::FollowerAmount]);
        if (a != followerAmountIn)
        {
            followerAmountIn = a;
            const float sign = a > 0.0f ? 1.0f : (a < 0.0f ? -1.0f : 0.0f);
            followerFactor = sign * (std::exp2 (2.0f * std::fabs (a)) - 1.0f) * 4.0f;
        }
        followerValue = followerFactor * gate;
        if (! std::isfinite (followerValue))
            followerValue = 0.0f;
    }
    else
    {
        followerValue = 0.0f;
        gate = 0.0f;
    }
}

// Amounts (from the previous sample's sums), then the new sums, four slots
// at a time. A contribution is kept when |c| >= 1e-30 and finite, +0
// otherwise: tiny audio-tap values would leave denormal sums and broken ones
// are dropped. A leading slot's kept contribution is what 0 + contribution
// gave, and as a sum is never -0, adding a dropped one (+0) leaves it as
// skipping did.
inline void TModulation::sumSlots ()
{
    static_assert (dest::DisruptAmount1 + kNumDisruptSlots <= kNumDestinations);
    const __m128 a0 = _mm_add_ps (_mm_load_ps (amountBase), _mm_loadu_ps (sum + dest::DisruptAmount1));
    const __m128 a1 = _mm_add_ps (_mm_load_ps (amountBase + 4), _mm_loadu_ps (sum + dest::DisruptAmount1 + 4));
    const __m128 a2 = _mm_add_ps (_mm_load_ps (amountBase + 8),
                                  _mm_setr_ps (0.0f, sum[dest::ModSlot1Amount], sum[dest::ModSlot2Amount], 0.0f));

    if (derivedRead)
    {
        derived[kUniPolarLazy] = uniPolarLazy ();
        derived[kSignLazy] = signLazy ();
        derived[kNoise] = bipolarNoise ();
    }
    for (std::uint32_t m = tapsRead; m != 0; m &= m - 1)
    {
        const int k = std::countr_zero (m);
        tapValue[k] = taps.tap[k].value ();
    }
    const __m128 d = _mm_set1_ps (disruptValue);
    const __m128 v2 = _mm_setr_ps (followerValue, *freeSource[0], *freeSource[1], 0.0f);

    const __m128 magnitude = _mm_castsi128_ps (_mm_set1_epi32 (0x7fffffff));
    const __m128 lo = _mm_set1_ps (1e-30f), hi = _mm_set1_ps (std::numeric_limits<float>::max ());
    const auto kept = [&] (__m128 c) {
        const __m128 m = _mm_and_ps (c, magnitude);
        return _mm_and_ps (c, _mm_and_ps (_mm_cmpge_ps (m, lo), _mm_cmple_ps (m, hi)));
    };
    _mm_store_ps (contribution, kept (_mm_mul_ps (a0, d)));
    _mm_store_ps (contribution + 4, kept (_mm_mul_ps (a1, d)));
    _mm_store_ps (contribution + 8, kept (_mm_mul_ps (a2, v2)));

    if (staleDests != 0)
    {
        for (std::uint64_t m = staleDests; m != 0; m &= m - 1)
            sum[std::countr_zero (m)] = 0.0f;
        staleDests = 0;
    }
    // Unrolled: the order of the leading slots does not matter.
    static_assert (kNumModSlots == 11);
    switch (leadCount)
    {
        case 11: sum[lead[10].destination] = contribution[lead[10].slot]; [[fallthrough]];
        case 10: sum[lead[9].destination] = contribution[lead[9].slot]; [[fallthrough]];
        case 9: sum[lead[8].destination] = contribution[lead[8].slot]; [[fallthrough]];
        case 8: sum[lead[7].destination] = contribution[lead[7].slot]; [[fallthrough]];
        case 7: sum[lead[6].destination] = contribution[lead[6].slot]; [[fallthrough]];
        case 6: sum[lead[5].destination] = contribution[lead[5].slot]; [[fallthrough]];
        case 5: sum[lead[4].destination] = contribution[lead[4].slot]; [[fallthrough]];
        case 4: sum[lead[3].destination] = contribution[lead[3].slot]; [[fallthrough]];
        case 3: sum[lead[2].destination] = contribution[lead[2].slot]; [[fallthrough]];
        case 2: sum[lead[1].destination] = contribution[lead[1].slot]; [[fallthrough]];
        case 1: sum[lead[0].destination] = contribution[lead[0].slot]; [[fallthrough]];
        default: break;
    }
    for (int i = 0; i < restCount; ++i)
        sum[rest[i].destination] += contribution[rest[i].slot];
}

float TModulation::getDialMod (int t, float plainValue, int destination, bool withModulation) const
{
    if (! withModulation || destination <= dest::None || destination >= kNumDestinations)
        return plainValue;
    const float m = shownSum[static_cast<std::size_t> (destination)].load (std::memory_order_relaxed);
    const float v = clamp01 (plainValue + m);
    switch (t)
    {
        // The lazy LFO runs at its knob's rate times 2^(4 m) (disruptTarget);
        // on the knob's 2^(10 p) curve that is a move of 0.4 m, either way, so
        // the ring sits where the modulated rate really is. (ln(m) / 4 ln 2
        // would drop the ring to the bottom for small m and ignore a negative one.)
        case tag::LazySpeed: return clamp01 (plainValue + 0.4f * std::clamp (m, -16.0f, 16.0f));
        case tag::MainVolume:
        case tag::EarlyVolume:
        case tag::LateVolume:
        case tag::ReverbVolume:
        case tag::FollowerThreshold: return curveIndex (v) <= kLastSilentIndex ? 0.0f : v;
        default: return v;
    }
}

} // namespace morlake
