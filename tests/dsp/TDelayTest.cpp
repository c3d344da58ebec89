#include "dsp/TDelay.h"
#include "tests/dsp/DspTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace morlake {
namespace {

struct Stereo
{
    float left = 0.0f;
    float right = 0.0f;
};

Stereo run(TDelay& d, float inLeft, float inRight)
{
    Stereo out;
    d.process(inLeft, inRight, out.left, out.right);
    return out;
}

// ---------------------------------------------------------------- lengths

TEST(TDelayLength, IntegerLengthReturnsEachWriteTenCallsLate)
{
    TDelay d;
    d.init(44100.0f);
    d.setDelayLenDirect(10, 10);
    std::vector<float> in(200);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = 0.9f * std::sin(0.37f * float(i));
    for (std::size_t i = 0; i < in.size(); ++i)
    {
        const Stereo out = run(d, in[i], -in[i]);
        if (i < 10)
        {
            EXPECT_EQ(out.left, 0.0f) << i;
            EXPECT_EQ(out.right, 0.0f) << i;
        }
        else
        {
            // The stored value is the input plus the anti-denormal offset.
            EXPECT_EQ(out.left, in[i - 10] + 1e-15f) << i;
            EXPECT_EQ(out.right, -in[i - 10] + 1e-15f) << i;
        }
    }
    EXPECT_TRUE(d.isReadingLeft());
    EXPECT_TRUE(d.isReadingRight());
}

TEST(TDelayLength, FractionalLengthInterpolatesBetweenNeighbours)
{
    // Free mode, value 0.5 at 44.1 kHz: 64 ms = 2822.4 samples, effective 2823.4.
    TDelay d;
    d.init(44100.0f);
    d.setDelayLen(0.5f, 0.0f, 120.0f);
    EXPECT_NEAR(100.0 / d.getStepLeft(), 2823.4, 1e-3);
    EXPECT_DOUBLE_EQ(d.getStepLeft(), d.getStepRight());

    const int n = 12000;
    std::vector<float> in(n);
    std::vector<float> out(n);
    for (int i = 0; i < n; ++i)
    {
        in[i] = 0.5f * std::sin(0.003f * float(i)) + 0.3f * std::sin(0.0111f * float(i));
        float r;
        d.process(in[i], 0.0f, out[i], r);
    }
    // Past the first pass: out[i] lies 0.6 of the way from in[i-2824] to in[i-2823].
    for (int i = 2 * 2824 + 10; i < n; ++i)
    {
        const double expected = in[i - 2824] + 0.6 * (double(in[i - 2823]) - in[i - 2824]);
        ASSERT_NEAR(out[i], expected, 2e-6) << i;
    }
}

TEST(TDelayLength, FreeLengthCurve)
{
    // 1 ms at 0, doubling every 1/12, 4096 ms at 1; effective delay adds a sample.
    EXPECT_FLOAT_EQ(TDelay::lengthInSamples(0.0f, false, 48000.0f, 120.0f), 48.0f);
    EXPECT_FLOAT_EQ(TDelay::lengthInSamples(1.0f / 12.0f, false, 48000.0f, 120.0f), 96.0f);
    EXPECT_FLOAT_EQ(TDelay::lengthInSamples(1.0f, false, 48000.0f, 120.0f), 4.096f * 48000.0f);
    EXPECT_NEAR(TDelay::lengthInSamples(0.5f, false, 44100.0f, 120.0f), 2822.4f, 1e-3f);

    TDelay d;
    d.init(48000.0f);
    d.setDelayLen(0.0f, 24.0f, 120.0f);
    EXPECT_NEAR(100.0 / d.getStepLeft(), 49.0, 1e-4);
    EXPECT_NEAR(100.0 / d.getStepRight(), 73.0, 1e-4);
}

TEST(TDelayLength, SyncedDivisionTable)
{
    const double wholeNotes[kLateDelaySyncedSteps] = {
        1.0 / 48, 1.0 / 32, 3.0 / 64, 1.0 / 24, 1.0 / 16, 3.0 / 32, 1.0 / 12, 1.0 / 8, 3.0 / 16, 1.0 / 6, 1.0 / 4,
        3.0 / 8,  1.0 / 3,  1.0 / 2,  3.0 / 4,  2.0 / 3,  1.0,      3.0 / 2, 4.0 / 3, 2.0,      3.0,
    };
    for (int i = 0; i < kLateDelaySyncedSteps; ++i)
        EXPECT_FLOAT_EQ(LATE_TAPE_DELAY_SYNCED_LENGTH_ARRAY[i], float(wholeNotes[i])) << i;

    const float rates[] = {8000.0f, 44100.0f, 48000.0f, 96000.0f, 384000.0f};
    const float tempos[] = {40.0f, 97.5f, 120.0f, 180.0f, 300.0f};
    TDelay d;
    for (float rate : rates)
    {
        d.init(rate);
        d.setTempoSynced(true);
        for (float bpm : tempos)
        {
            for (int i = 0; i < kLateDelaySyncedSteps; ++i)
            {
                // The value a stepped "Late Length" parameter stores for step i.
                const float value = (float(i) + 0.1f) / 20.99f;
                d.setDelayLen(value, 0.0f, bpm);
                const double samples = double(rate) * 240.0 / bpm * wholeNotes[i];
                EXPECT_NEAR(100.0 / d.getStepLeft(), samples + 1.0, samples * 1e-6 + 1e-3)
                    << "rate " << rate << " bpm " << bpm << " step " << i;
            }
        }
    }
}

TEST(TDelayLength, SyncedIndexLimitsAndBadTempo)
{
    TDelay d;
    d.init(48000.0f);
    d.setTempoSynced(true);
    EXPECT_TRUE(d.isTempoSynced());
    d.setDelayLen(0.5f, 0.0f, 120.0f); // "1/4": 24000 samples
    EXPECT_DOUBLE_EQ(d.getStepLeft(), 100.0 / 24001.0);
    d.setDelayLen(1.0f, 0.0f, 120.0f); // index 21 is limited to 20, "2/1*"
    EXPECT_DOUBLE_EQ(d.getStepLeft(), 100.0 / 288001.0);
    d.setDelayLen(0.0f, 0.0f, 120.0f); // "1/32T"
    EXPECT_NEAR(100.0 / d.getStepLeft(), 2001.0, 1e-3);
    // A host without a usable tempo counts as 120 beats per minute.
    for (float bpm : {0.0f, -5.0f, NAN, INFINITY})
    {
        d.setDelayLen(0.5f, 0.0f, bpm);
        EXPECT_DOUBLE_EQ(d.getStepLeft(), 100.0 / 24001.0) << bpm;
    }
    d.setDelayLen(NAN, NAN, 120.0f);
    EXPECT_NEAR(100.0 / d.getStepLeft(), 2001.0, 1e-3);
    EXPECT_DOUBLE_EQ(d.getStepLeft(), d.getStepRight());
}

TEST(TDelayLength, SyncedQuarterReturnsImpulseAfter24001Samples)
{
    auto d = std::make_unique<TDelay>();
    d->init(48000.0f);
    d->setTempoSynced(true);
    int arrival = -1;
    for (int i = 0; i < 30000 && arrival < 0; ++i)
    {
        d->setDelayLen(0.5f, 0.0f, 120.0f);
        const Stereo out = run(*d, i == 0 ? 1.0f : 0.0f, 0.0f);
        if (out.left > 0.5f)
            arrival = i;
    }
    EXPECT_EQ(arrival, 24001);
}

// ------------------------------------------------------ limits and feedback

TEST(TDelayLevels, StoredValuesAreLimitedToUnity)
{
    TDelay d;
    d.init(44100.0f);
    d.setDelayLenDirect(10, 10);
    float maxOut = 0.0f;
    for (int i = 0; i < 100; ++i)
    {
        const Stereo out = run(d, 2.0f, -3.0f);
        maxOut = std::max({maxOut, std::fabs(out.left), std::fabs(out.right)});
        if (i >= 10)
        {
            EXPECT_EQ(out.left, 1.0f);
            EXPECT_EQ(out.right, -1.0f);
        }
    }
    EXPECT_EQ(maxOut, 1.0f);
}

TEST(TDelayLevels, OutputNeverExceedsUnityWithFractionalLengthDuringFirstPass)
{
    TDelay d;
    d.init(44100.0f);
    d.setFeed(0.9f);
    d.setDelayLenDirect(7.3f, 11.7f);
    for (int i = 0; i < 500; ++i)
    {
        const Stereo out = run(d, (i & 1) ? 4.0f : -4.0f, 2.5f);
        ASSERT_LE(std::fabs(out.left), 1.0f) << i;
        ASSERT_LE(std::fabs(out.right), 1.0f) << i;
    }
}

TEST(TDelayLevels, NonFiniteInputDoesNotPoisonTheLine)
{
    TDelay d;
    d.init(44100.0f);
    d.setFeed(0.5f);
    d.setCross(0.3f);
    d.setDelayLenDirect(20, 30);
    for (int i = 0; i < 2000; ++i)
    {
        const float x = i == 100 ? NAN : (i == 300 ? INFINITY : (i == 301 ? -INFINITY : 0.25f));
        const Stereo out = run(d, x, x);
        ASSERT_TRUE(std::isfinite(out.left)) << i;
        ASSERT_TRUE(std::isfinite(out.right)) << i;
    }
    // Signal keeps flowing afterwards.
    EXPECT_GT(run(d, 0.25f, 0.25f).left, 0.2f);
}

TEST(TDelayFeedback, FeedbackRepeatsHalveOnTheSameChannel)
{
    TDelay d;
    d.init(44100.0f);
    d.setFeed(0.5f);
    d.setCross(0.0f);
    const int len = 50;
    d.setDelayLenDirect(len, len);
    std::vector<Stereo> out(6 * len + 1);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = run(d, i == 0 ? 1.0f : 0.0f, 0.0f);
    float expected = 1.0f;
    for (int k = 1; k <= 6; ++k)
    {
        EXPECT_NEAR(out[k * len].left, expected, 1e-6f) << k;
        EXPECT_NEAR(out[k * len - 1].left, 0.0f, 1e-6f);
        EXPECT_NEAR(out[k * len].right, 0.0f, 1e-6f);
        expected *= 0.5f;
    }
    for (const Stereo& s : out)
        EXPECT_LT(std::fabs(s.right), 1e-12f);
}

TEST(TDelayFeedback, CrossFeedbackAlternatesChannels)
{
    TDelay d;
    d.init(44100.0f);
    d.setFeed(0.0f);
    d.setCross(0.5f);
    const int len = 64;
    d.setDelayLenDirect(len, len);
    std::vector<Stereo> out(6 * len + 1);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = run(d, i == 0 ? 1.0f : 0.0f, 0.0f);
    float expected = 1.0f;
    for (int k = 1; k <= 6; ++k)
    {
        const bool onLeft = (k % 2) == 1;
        EXPECT_NEAR(onLeft ? out[k * len].left : out[k * len].right, expected, 1e-6f) << k;
        EXPECT_NEAR(onLeft ? out[k * len].right : out[k * len].left, 0.0f, 1e-6f) << k;
        expected *= 0.5f;
    }
}

TEST(TDelayFeedback, FullFeedbackStaysBounded)
{
    TDelay d;
    d.init(44100.0f);
    d.setFeed(1.0f);
    d.setCross(1.0f);
    d.setDelayLenDirect(33.3f, 47.9f);
    TestNoise noise;
    for (int i = 0; i < 200000; ++i)
    {
        const Stereo out = run(d, noise(), noise());
        ASSERT_LE(std::fabs(out.left), 1.0f);
        ASSERT_LE(std::fabs(out.right), 1.0f);
    }
}

// ------------------------------------------------------- length changes

struct BendResult
{
    double maxOutputStep = 0.0;
    int crossingsDuringBend = 0;
};

// Sine through a line whose length jumps from `from` to `to` samples once the
// line is settled; reports the largest output step after the jump and the
// zero crossings in the window where the old history is played back.
BendResult bend(float from, float to)
{
    TDelay d;
    d.init(48000.0f);
    d.setDelayLenDirect(from, from);
    const double w = 2.0 * M_PI * 0.01; // 480 Hz at 48 kHz
    const int settle = int(3 * from) + 10;
    const int bendLength = int(to) + 10;
    BendResult r;
    float prev = 0.0f;
    for (int i = 0; i < settle + 3 * bendLength; ++i)
    {
        if (i == settle)
            d.setDelayLenDirect(to, to);
        const Stereo out = run(d, float(0.5 * std::sin(w * i)), 0.0f);
        if (i > settle)
            r.maxOutputStep = std::max(r.maxOutputStep, double(std::fabs(out.left - prev)));
        if (i > settle && i < settle + int(to) - 2 && ((prev < 0.0f) != (out.left < 0.0f)))
            ++r.crossingsDuringBend;
        prev = out.left;
    }
    return r;
}

TEST(TDelayLengthChange, ShorterLengthRaisesPitchWithoutClick)
{
    // The input never steps by more than 0.5 * w per sample; the read speed doubles.
    const double inputStep = 0.5 * 2.0 * M_PI * 0.01;
    const BendResult r = bend(1000.0f, 500.0f);
    EXPECT_LE(r.maxOutputStep, 2.0 * inputStep * 1.01);
    EXPECT_GT(r.maxOutputStep, 1.5 * inputStep);
    // 500 samples at double speed play 1000 samples of history: ~20 crossings, not ~10.
    EXPECT_NEAR(r.crossingsDuringBend, 20, 2);
}

TEST(TDelayLengthChange, LongerLengthLowersPitchWithoutClick)
{
    const double inputStep = 0.5 * 2.0 * M_PI * 0.01;
    const BendResult r = bend(500.0f, 2000.0f);
    EXPECT_LE(r.maxOutputStep, inputStep * 1.01);
    // 2000 samples at quarter speed play 500 samples of history: ~10 crossings, not ~40.
    EXPECT_NEAR(r.crossingsDuringBend, 10, 2);
}

TEST(TDelayLengthChange, ContinuousSweepStaysSmooth)
{
    TDelay d;
    d.init(48000.0f);
    const double w = 2.0 * M_PI * 0.005;
    float prev = 0.0f;
    double maxStep = 0.0;
    for (int i = 0; i < 200000; ++i)
    {
        // Length glides between 300 and 3300 samples; the speed stays within 0.5 .. 1.5.
        const float len = 1800.0f + 1500.0f * float(std::sin(2.0 * M_PI * i / 60000.0));
        d.setDelayLenDirect(len, len);
        const Stereo out = run(d, float(0.8 * std::sin(w * i)), 0.0f);
        if (i > 10000)
            maxStep = std::max(maxStep, double(std::fabs(out.left - prev)));
        prev = out.left;
    }
    EXPECT_LT(maxStep, 0.8 * w * 2.0);
}

// --------------------------------------------------- reset and lifecycle

TEST(TDelayLifecycle, ZeroLeavesHundredSilentEntriesAndStopsTheLine)
{
    TDelay d;
    d.init(44100.0f);
    d.setFeed(0.5f);
    d.setDelayLenDirect(100, 100);
    for (int i = 0; i < 1000; ++i)
        run(d, 0.5f, 0.5f);
    d.zero();
    EXPECT_FALSE(d.isReadingLeft());
    EXPECT_EQ(d.getStepLeft(), 0.0);
    EXPECT_EQ(d.getStepRight(), 0.0);
    for (const TDelayQueue* q : {&TDelayProbe::left(d), &TDelayProbe::right(d)})
    {
        ASSERT_EQ(q->size(), 100u);
        for (std::size_t i = 0; i < q->size(); ++i)
        {
            EXPECT_EQ(q->stamp(i), 0.0);
            EXPECT_EQ(q->sample(i), 0.0f);
        }
    }
    // No length set: the position stays, the output stays 0 and the queue does not grow.
    for (int i = 0; i < 100000; ++i)
    {
        const Stereo out = run(d, 0.7f, -0.7f);
        ASSERT_EQ(out.left, 0.0f);
        ASSERT_EQ(out.right, 0.0f);
    }
    EXPECT_EQ(TDelayProbe::positionLeft(d), 0.0);
    EXPECT_LE(TDelayProbe::left(d).size(), 100u);
    EXPECT_LE(TDelayProbe::right(d).size(), 100u);
}

TEST(TDelayLifecycle, FirstReadAfterIdleResetStartsFromLastWrite)
{
    // While no length is set, the newest write is what the line starts from once
    // it moves; the output matches a line that kept every idle entry.
    TDelay d;
    d.init(44100.0f);
    d.zero();
    for (int i = 0; i < 50; ++i)
        run(d, 0.25f, 0.0f);
    d.setDelayLenDirect(4, 4);
    std::vector<float> out;
    for (int i = 0; i < 8; ++i)
        out.push_back(run(d, 0.5f, 0.0f).left);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_EQ(out[2], 0.0f);
    EXPECT_EQ(out[3], 0.25f + 1e-15f); // the last idle write, stamp 0
    EXPECT_EQ(out[4], 0.5f + 1e-15f);
}

TEST(TDelayLifecycle, ProcessWhileBusyIsSilentAndChangesNothing)
{
    TDelay d;
    d.init(44100.0f);
    d.setDelayLenDirect(10, 10);
    for (int i = 0; i < 30; ++i)
        run(d, 0.5f, 0.5f);
    const std::size_t sizeBefore = TDelayProbe::left(d).size();
    const double positionBefore = TDelayProbe::positionLeft(d);
    TDelayProbe::holdBusy(d, true);
    EXPECT_TRUE(d.isBusy());
    for (int i = 0; i < 10; ++i)
    {
        const Stereo out = run(d, 0.5f, 0.5f);
        EXPECT_EQ(out.left, 0.0f);
        EXPECT_EQ(out.right, 0.0f);
    }
    // A reset arriving while another is under way returns at once.
    d.zero();
    EXPECT_EQ(TDelayProbe::left(d).size(), sizeBefore);
    EXPECT_EQ(TDelayProbe::positionLeft(d), positionBefore);
    TDelayProbe::holdBusy(d, false);
    EXPECT_NEAR(run(d, 0.5f, 0.5f).left, 0.5f, 1e-6f);
}

TEST(TDelayLifecycle, HeldRunMatchesPerSampleHandOverAndResetsInPlace)
{
    // Same feedback, cross-feedback and moving length, once taken per sample
    // and once held over runs of 64 with a reset from the holder midway.
    auto render = [](bool holding) {
        TDelay d;
        d.init(44100.0f, 0.1f);
        d.setFeed(0.5f);
        d.setCross(-0.25f);
        std::vector<float> out;
        for (int block = 0; block < 40; ++block)
        {
            if (holding)
            {
                EXPECT_TRUE(d.hold());
            }
            for (int i = 0; i < 64; ++i)
            {
                const int n = block * 64 + i;
                d.setDelayLenDirect(300.0f + 0.37f * float(n % 500), 410.0f);
                if (n == 1500)
                    d.zeroHeld();
                const Stereo y = run(d, n % 97 == 0 ? 0.8f : 0.0f, n % 89 == 0 ? -0.6f : 0.0f);
                out.push_back(y.left);
                out.push_back(y.right);
            }
            if (holding)
            {
                d.release();
            }
        }
        return out;
    };
    const std::vector<float> perSample = render(false);
    const std::vector<float> held = render(true);
    ASSERT_EQ(perSample.size(), held.size());
    for (std::size_t i = 0; i < held.size(); ++i)
        ASSERT_EQ(perSample[i], held[i]) << "sample " << i / 2;
    float loudest = 0.0f;
    for (float v : held)
        loudest = std::max(loudest, std::fabs(v));
    EXPECT_GT(loudest, 0.1f);
}

TEST(TDelayLifecycle, HoldFailsDuringAResetAndTheLineFallsBackToSilence)
{
    TDelay d;
    d.init(44100.0f);
    d.setDelayLenDirect(10, 10);
    TDelayProbe::holdBusy(d, true);
    EXPECT_FALSE(d.hold());
    EXPECT_EQ(run(d, 0.5f, 0.5f).left, 0.0f);
    d.release(); // not held: leaves the reset alone
    EXPECT_TRUE(d.isBusy());
    TDelayProbe::holdBusy(d, false);
    EXPECT_TRUE(d.hold());
    EXPECT_TRUE(d.hold()); // holding twice is one hold
    d.release();
    // Released: a reset from this thread goes through at once.
    d.zero();
    EXPECT_EQ(TDelayProbe::left(d).size(), 100u);
}

TEST(TDelayLifecycle, InitResetsGainsSyncAndBadRates)
{
    TDelay d;
    float l, r;
    d.process(1.0f, 1.0f, l, r); // before init: silent, no crash
    EXPECT_EQ(l, 0.0f);
    d.init(500.0f);
    EXPECT_EQ(d.getSampleRate(), 44100.0f);
    d.init(NAN);
    EXPECT_EQ(d.getSampleRate(), 44100.0f);
    d.init(96000.0f);
    EXPECT_EQ(d.getSampleRate(), 96000.0f);
    d.setTempoSynced(true);
    d.setFeed(0.9f);
    d.setDelayLenDirect(10, 10);
    d.init(48000.0f);
    EXPECT_FALSE(d.isTempoSynced());
    EXPECT_EQ(d.getStepLeft(), 0.0);
    // Gains are back to 0: one echo, no repeats.
    d.setDelayLenDirect(10, 10);
    std::vector<float> out;
    for (int i = 0; i < 40; ++i)
        out.push_back(run(d, i == 0 ? 1.0f : 0.0f, 0.0f).left);
    EXPECT_NEAR(out[10], 1.0f, 1e-6f);
    EXPECT_NEAR(out[20], 0.0f, 1e-6f);
}

TEST(TDelayLifecycle, BadLengthsAreLimited)
{
    TDelay d;
    d.init(44100.0f);
    for (float bad : {0.0f, -10.0f, NAN, INFINITY, 1e30f})
    {
        d.setDelayLenDirect(bad, bad);
        EXPECT_TRUE(std::isfinite(d.getStepLeft())) << bad;
        EXPECT_GT(d.getStepLeft(), 0.0) << bad;
        EXPECT_LE(d.getStepLeft(), 100.0) << bad;
    }
    d.zero();
    d.setDelayLenDirect(NAN, -1.0f);
    for (int i = 0; i < 1000; ++i)
    {
        const Stereo out = run(d, 0.5f, 0.5f);
        ASSERT_TRUE(std::isfinite(out.left) && std::isfinite(out.right));
    }
    // A line fed bogus lengths recovers once a sane one arrives.
    d.zero();
    d.setDelayLenDirect(10, 10);
    for (int i = 0; i < 10; ++i)
        run(d, 0.5f, 0.5f);
    EXPECT_NEAR(run(d, 0.5f, 0.5f).left, 0.5f, 1e-6f);
}

TEST(TDelayLifecycle, ReservedStorageCoversTheLongestFreeLengthAndLaterGrows)
{
    TDelay d;
    d.init(8000.0f);
    const std::size_t reserved = TDelayProbe::left(d).capacity();
    d.setFeed(0.5f);
    d.setDelayLen(1.0f, 0.03f * 8000.0f, 120.0f);
    for (int i = 0; i < 3 * 33000; ++i)
        run(d, 0.1f, 0.1f);
    EXPECT_EQ(TDelayProbe::left(d).capacity(), reserved);
    EXPECT_EQ(TDelayProbe::right(d).capacity(), reserved);

    // Past the reservation (a slow synced tempo) the queue grows and keeps working.
    d.setTempoSynced(true);
    d.setDelayLen(1.0f, 0.0f, 30.0f); // 3 whole notes at 30 bpm = 24 s
    for (int i = 0; i < 100000; ++i)
    {
        const Stereo out = run(d, 0.1f, 0.1f);
        ASSERT_TRUE(out.left >= 0.0f && out.left <= 1.0f);
    }
    EXPECT_GT(TDelayProbe::left(d).capacity(), reserved);
}

} // namespace
} // namespace morlake
