// The sound report's measures on impulse responses whose answers are known.
#include "tools/report/SoundMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

using namespace morlake::sound;

namespace {

constexpr double kRate = 48000.0;

// Gaussian-like noise (sum of four uniform values), deterministic per seed.
std::vector<float> noise (std::size_t n, std::uint32_t seed)
{
    std::vector<float> x (n);
    for (auto& v : x)
    {
        double s = 0.0;
        for (int k = 0; k < 4; ++k)
        {
            seed = seed * 1664525u + 1013904223u;
            s += double (seed) / 4294967296.0 - 0.5;
        }
        v = float (s);
    }
    return x;
}

// Noise decaying by 60 dB in t60 seconds, cut off after `seconds`.
std::vector<float> decayingNoise (double t60, double seconds, std::uint32_t seed)
{
    auto x = noise (std::size_t (seconds * kRate), seed);
    for (std::size_t i = 0; i < x.size (); ++i)
        x[i] *= float (std::pow (10.0, -3.0 * double (i) / kRate / t60));
    return x;
}

} // namespace

TEST (SoundMeasures, DecayingNoiseGivesItsDecayTimeInEveryBandAndReadsAsDenseAndFlat)
{
    // Cut off at 0.8 T60: the decay past the end must be estimated, not dropped.
    for (const double t60 : {0.4, 1.5, 6.0})
    {
        SCOPED_TRACE (t60);
        const auto left = decayingNoise (t60, 0.8 * t60 + 0.2, 1), right = decayingNoise (t60, 0.8 * t60 + 0.2, 2);
        const auto m = measureImpulse (left, right, kRate);
        EXPECT_NEAR (m.t30, t60, 0.04 * t60);
        for (std::size_t b = 0; b < kOctaveBands.size (); ++b)
            EXPECT_NEAR (m.t30Band[b], t60, 0.1 * t60) << kOctaveBands[b] << " Hz";
        EXPECT_LE (m.mixingTime, 0.012);
        EXPECT_NEAR (m.lateDensity, 1.0, 0.05);
        EXPECT_NEAR (m.tail.flatnessDb, -2.5, 0.5);
        EXPECT_LT (std::abs (m.tail.correlation), 0.05);
        EXPECT_NEAR (m.tail.balanceDb, 0.0, 0.5);
    }
}

TEST (SoundMeasures, SingleCombRingsNeverMixesAndShowsItsLine)
{
    // One recirculating echo every 1500 samples (32 Hz apart), 2 s to fall 60 dB.
    const int period = 1500;
    std::vector<float> x (std::size_t (2.5 * kRate), 0.0f);
    for (std::size_t i = 0; i < x.size (); i += period)
        x[i] = float (std::pow (10.0, -3.0 * double (i) / kRate / 2.0));
    const auto m = measureImpulse (x, x, kRate);
    EXPECT_NEAR (m.t30, 2.0, 0.1);
    EXPECT_TRUE (std::isinf (m.mixingTime));
    EXPECT_LT (m.lateDensity, 0.2);
    EXPECT_LT (m.tail.flatnessDb, -10.0);
    EXPECT_GT (m.tail.lineDb, 10.0);
    EXPECT_NEAR (std::remainder (m.tail.lineHz, kRate / period), 0.0, 2.0);
}

TEST (SoundMeasures, LateTailCorrelationAndBalanceOfPairs)
{
    const auto a = decayingNoise (1.0, 1.0, 7), b = decayingNoise (1.0, 1.0, 8);
    std::vector<float> negated (a), silent (a.size (), 0.0f), half (a);
    for (auto& v : negated)
        v = -v;
    for (auto& v : half)
        v *= 0.5f;
    struct Case
    {
        const char* name;
        const std::vector<float>& right;
        double correlation, balanceDb;
    };
    const Case cases[] = {{"mono", a, 1.0, 0.0},
                          {"inverted", negated, -1.0, 0.0},
                          {"decorrelated", b, 0.0, 0.0},
                          {"left only", silent, 0.0, 300.0},
                          {"right 6 dB down", half, 1.0, 6.02}};
    for (const auto& c : cases)
    {
        const auto t = lateTail (a, c.right, kRate, std::size_t (0.15 * kRate), 0.5);
        EXPECT_NEAR (t.correlation, c.correlation, 0.05) << c.name;
        EXPECT_NEAR (std::min (t.balanceDb, 300.0), c.balanceDb, c.balanceDb > 100 ? 100.0 : 0.5) << c.name;
    }
}

TEST (SoundMeasures, SineResidueCountsOnlyWhatLiesAbove4kHz)
{
    const struct
    {
        double overtoneDb; // a 5 kHz tone this far below the 440 Hz one (float rounding alone: about -126)
        double expected;
    } cases[] = {{-300.0, -120.0}, {-60.0, -60.0}, {-20.0, -20.04}};
    for (const auto& c : cases)
    {
        std::vector<float> x (65536);
        for (std::size_t i = 0; i < x.size (); ++i)
        {
            const double t = double (i) / kRate;
            x[i] = float (0.5 * std::sin (2 * std::numbers::pi * 440 * t) +
                          0.5 * std::pow (10.0, c.overtoneDb / 20) * std::sin (2 * std::numbers::pi * 5000 * t));
        }
        const double r = sineResidueDb (x, x, kRate);
        if (c.overtoneDb < -200)
            EXPECT_LT (r, c.expected);
        else
            EXPECT_NEAR (r, c.expected, 0.5) << c.overtoneDb;
    }
}
