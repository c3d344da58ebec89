#include "dsp/TDelay.h"
#include "tests/dsp/DspTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace morlake {
namespace {

struct Frame
{
    float left = 0.0f;
    float right = 0.0f;
};

Frame run(TDelay& d, float inLeft, float inRight)
{
    Frame out;
    d.process(inLeft, inRight, out.left, out.right);
    return out;
}

// The response of a line to an impulse on the left input.
std::vector<Frame> impulseResponse(TDelay& d, std::size_t frames)
{
    std::vector<Frame> out(frames);
    for (std::size_t i = 0; i < frames; ++i)
        out[i] = run(d, i == 0 ? 1.0f : 0.0f, 0.0f);
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
        const Frame out = run(d, in[i], -in[i]);
        // The stored value is the input plus the anti-denormal offset.
        EXPECT_EQ(out.left, i < 10 ? 0.0f : in[i - 10] + 1e-15f) << i;
        EXPECT_EQ(out.right, i < 10 ? 0.0f : -in[i - 10] + 1e-15f) << i;
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
    std::vector<float> in(n), out(n);
    for (int i = 0; i < n; ++i)
    {
        in[i] = 0.5f * std::sin(0.003f * float(i)) + 0.3f * std::sin(0.0111f * float(i));
        out[i] = run(d, in[i], 0.0f).left;
    }
    // Past the first pass: out[i] lies 0.6 of the way from in[i-2824] to in[i-2823].
    for (int i = 2 * 2824 + 10; i < n; ++i)
        ASSERT_NEAR(out[i], in[i - 2824] + 0.6 * (double(in[i - 2823]) - in[i - 2824]), 2e-6) << i;
}

TEST(TDelayLength, FreeLengthCurve)
{
    // 1 ms at 0, doubling every 1/12, 4096 ms at 1; the effective delay adds a sample.
    EXPECT_FLOAT_EQ(TDelay::lengthInSamples(0.0f, false, 48000.0f, 120.0f), 48.0f);
    EXPECT_FLOAT_EQ(TDelay::lengthInSamples(1.0f / 12.0f, false, 48000.0f, 120.0f), 96.0f);
    EXPECT_FLOAT_EQ(TDelay::lengthInSamples(1.0f, false, 48000.0f, 120.0f), 4.096f * 48000.0f);

    TDelay d;
    d.init(48000.0f);
    d.setDelayLen(0.0f, 24.0f, 120.0f); // the second argument widens the right channel
    EXPECT_NEAR(100.0 / d.getStepLeft(), 49.0, 1e-4);
    EXPECT_NEAR(100.0 / d.getStepRight(), 73.0, 1e-4);
}

TEST(TDelayLength, SyncedDivisionsFollowRateAndTempo)
{
    // Step, whole notes: the first, "1/4", "2/1", the last.
    const std::pair<int, double> divisions[] = {{0, 1.0 / 48}, {10, 1.0 / 4}, {19, 2.0}, {20, 3.0}};
    TDelay d;
    for (float rate : {8000.0f, 48000.0f, 384000.0f})
    {
        d.init(rate);
        d.setTempoSynced(true);
        EXPECT_TRUE(d.isTempoSynced());
        for (float bpm : {40.0f, 97.5f, 300.0f})
            for (auto [step, wholeNotes] : divisions)
            {
                d.setDelayLen((float(step) + 0.1f) / 20.99f, 0.0f, bpm);
                const double samples = double(rate) * 240.0 / bpm * wholeNotes;
                EXPECT_NEAR(100.0 / d.getStepLeft(), samples + 1.0, samples * 1e-6 + 1e-3)
                    << "rate " << rate << " bpm " << bpm << " step " << step;
            }
    }
}

TEST(TDelayLength, SyncedIndexLimitsAndBadTempo)
{
    TDelay d;
    d.init(48000.0f);
    d.setTempoSynced(true);
    d.setDelayLen(1.0f, 0.0f, 120.0f); // index 21 is limited to 20, "2/1*"
    EXPECT_DOUBLE_EQ(d.getStepLeft(), 100.0 / 288001.0);
    // A host without a usable tempo counts as 120 beats per minute.
    for (float bpm : {0.0f, -5.0f, NAN, INFINITY})
    {
        d.setDelayLen(0.5f, 0.0f, bpm); // "1/4": 24000 samples
        EXPECT_DOUBLE_EQ(d.getStepLeft(), 100.0 / 24001.0) << bpm;
    }
    d.setDelayLen(NAN, NAN, 120.0f); // "1/32T"
    EXPECT_NEAR(100.0 / d.getStepLeft(), 2001.0, 1e-3);
    EXPECT_DOUBLE_EQ(d.getStepLeft(), d.getStepRight());

    // Heard: the impulse returns after 24001 samples.
    auto line = std::make_unique<TDelay>();
    line->init(48000.0f);
    line->setTempoSynced(true);
    int arrival = -1;
    for (int i = 0; i < 30000 && arrival < 0; ++i)
    {
        line->setDelayLen(0.5f, 0.0f, 120.0f);
        if (run(*line, i == 0 ? 1.0f : 0.0f, 0.0f).left > 0.5f)
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
    for (int i = 0; i < 100; ++i)
    {
        const Frame out = run(d, 2.0f, -3.0f);
        EXPECT_EQ(out.left, i < 10 ? 0.0f : 1.0f) << i;
        EXPECT_EQ(out.right, i < 10 ? 0.0f : -1.0f) << i;
    }
    // Interpolated reads during the first pass stay inside as well.
    TDelay f;
    f.init(44100.0f);
    f.setFeed(0.9f);
    f.setDelayLenDirect(7.3f, 11.7f);
    for (int i = 0; i < 500; ++i)
    {
        const Frame out = run(f, (i & 1) ? 4.0f : -4.0f, 2.5f);
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
        const Frame out = run(d, x, x);
        ASSERT_TRUE(std::isfinite(out.left) && std::isfinite(out.right)) << i;
    }
    EXPECT_GT(run(d, 0.25f, 0.25f).left, 0.2f); // signal keeps flowing
}

TEST(TDelayFeedback, RepeatsHalveOnTheirChannel)
{
    // Feedback keeps a repeat on its side; cross-feedback moves it across.
    for (bool cross : {false, true})
    {
        SCOPED_TRACE(cross ? "cross" : "feed");
        TDelay d;
        d.init(44100.0f);
        d.setFeed(cross ? 0.0f : 0.5f);
        d.setCross(cross ? 0.5f : 0.0f);
        const int len = 50;
        d.setDelayLenDirect(len, len);
        const std::vector<Frame> out = impulseResponse(d, 6 * len + 1);
        float expected = 1.0f;
        for (int k = 1; k <= 6; ++k)
        {
            const bool left = !cross || k % 2 == 1;
            EXPECT_NEAR(left ? out[k * len].left : out[k * len].right, expected, 1e-6f) << k;
            EXPECT_NEAR(left ? out[k * len].right : out[k * len].left, 0.0f, 1e-6f) << k;
            EXPECT_NEAR(out[k * len - 1].left, 0.0f, 1e-6f) << k;
            expected *= 0.5f;
        }
    }
}

// ------------------------------------------------------- length changes

// A 480 Hz sine through a line whose length jumps from `from` to `to`
// samples once settled: the largest output step after the jump and the zero
// crossings while the old history plays back.
struct Bend
{
    double maxStep = 0.0;
    int crossings = 0;
};

Bend bend(float from, float to)
{
    TDelay d;
    d.init(48000.0f);
    d.setDelayLenDirect(from, from);
    const double w = 2.0 * M_PI * 0.01;
    const int settle = int(3 * from) + 10;
    Bend r;
    float prev = 0.0f;
    for (int i = 0; i < settle + 3 * (int(to) + 10); ++i)
    {
        if (i == settle)
            d.setDelayLenDirect(to, to);
        const float out = run(d, float(0.5 * std::sin(w * i)), 0.0f).left;
        if (i > settle)
            r.maxStep = std::max(r.maxStep, double(std::fabs(out - prev)));
        if (i > settle && i < settle + int(to) - 2 && (prev < 0.0f) != (out < 0.0f))
            ++r.crossings;
        prev = out;
    }
    return r;
}

TEST(TDelayLengthChange, NewLengthsBendThePitchWithoutClicks)
{
    // The input never steps by more than 0.5 w per sample.
    const double inputStep = 0.5 * 2.0 * M_PI * 0.01;
    // Halved: read at double speed, 1000 samples of history in 500 (~20 crossings, not ~10).
    const Bend shorter = bend(1000.0f, 500.0f);
    EXPECT_LE(shorter.maxStep, 2.0 * inputStep * 1.01);
    EXPECT_GT(shorter.maxStep, 1.5 * inputStep);
    EXPECT_NEAR(shorter.crossings, 20, 2);
    // Quadrupled: quarter speed, 500 samples of history in 2000 (~10 crossings, not ~40).
    const Bend longer = bend(500.0f, 2000.0f);
    EXPECT_LE(longer.maxStep, inputStep * 1.01);
    EXPECT_NEAR(longer.crossings, 10, 2);

    // A continuous glide between 300 and 3300 samples stays smooth.
    TDelay d;
    d.init(48000.0f);
    const double w = 2.0 * M_PI * 0.005;
    float prev = 0.0f;
    double maxStep = 0.0;
    for (int i = 0; i < 200000; ++i)
    {
        const float len = 1800.0f + 1500.0f * float(std::sin(2.0 * M_PI * i / 60000.0));
        d.setDelayLenDirect(len, len);
        const float out = run(d, float(0.8 * std::sin(w * i)), 0.0f).left;
        if (i > 10000)
            maxStep = std::max(maxStep, double(std::fabs(out - prev)));
        prev = out;
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
            EXPECT_TRUE(q->stamp(i) == 0.0 && q->sample(i) == 0.0f) << i;
    }
    // No length set: the position stays, the output stays 0 and the queue does not grow.
    for (int i = 0; i < 100000; ++i)
    {
        const Frame out = run(d, 0.7f, -0.7f);
        ASSERT_TRUE(out.left == 0.0f && out.right == 0.0f);
    }
    EXPECT_EQ(TDelayProbe::positionLeft(d), 0.0);
    EXPECT_LE(TDelayProbe::left(d).size(), 100u);
    EXPECT_LE(TDelayProbe::right(d).size(), 100u);

    // Once it moves again, the line starts from the newest idle write.
    d.setDelayLenDirect(4, 4);
    std::vector<float> out;
    for (int i = 0; i < 5; ++i)
        out.push_back(run(d, 0.5f, 0.0f).left);
    EXPECT_EQ(out, (std::vector<float>{0.0f, 0.0f, 0.0f, 0.7f + 1e-15f, 0.5f + 1e-15f}));
}

TEST(TDelayLifecycle, BusyLineIsSilentAndHoldsFailDuringAReset)
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
    EXPECT_FALSE(d.hold());
    for (int i = 0; i < 10; ++i)
    {
        const Frame out = run(d, 0.5f, 0.5f);
        EXPECT_TRUE(out.left == 0.0f && out.right == 0.0f) << i;
    }
    // A reset arriving while another is under way returns at once.
    d.zero();
    EXPECT_EQ(TDelayProbe::left(d).size(), sizeBefore);
    EXPECT_EQ(TDelayProbe::positionLeft(d), positionBefore);
    d.release(); // not held: leaves the reset alone
    EXPECT_TRUE(d.isBusy());
    TDelayProbe::holdBusy(d, false);
    EXPECT_NEAR(run(d, 0.5f, 0.5f).left, 0.5f, 1e-6f);

    EXPECT_TRUE(d.hold());
    EXPECT_TRUE(d.hold()); // holding twice is one hold
    d.release();
    d.zero(); // released: a reset from this thread goes through at once
    EXPECT_EQ(TDelayProbe::left(d).size(), 100u);
}

TEST(TDelayLifecycle, HeldRunMatchesPerSampleHandOverAndResetsInPlace)
{
    // Feedback, cross-feedback and a moving length, taken per sample and
    // held over runs of 64 with a reset from the holder midway.
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
                const Frame y = run(d, n % 97 == 0 ? 0.8f : 0.0f, n % 89 == 0 ? -0.6f : 0.0f);
                out.push_back(y.left);
                out.push_back(y.right);
            }
            if (holding)
                d.release();
        }
        return out;
    };
    const std::vector<float> held = render(true);
    EXPECT_EQ(render(false), held);
    EXPECT_GT(*std::max_element(held.begin(), held.end()), 0.1f);
}

TEST(TDelayLifecycle, InitResetsGainsSyncAndBadRates)
{
    TDelay d;
    EXPECT_EQ(run(d, 1.0f, 1.0f).left, 0.0f); // before init: silent, no crash
    for (float bad : {500.0f, NAN})
    {
        d.init(bad);
        EXPECT_EQ(d.getSampleRate(), 44100.0f) << bad;
    }
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
    const std::vector<Frame> out = impulseResponse(d, 40);
    EXPECT_NEAR(out[10].left, 1.0f, 1e-6f);
    EXPECT_NEAR(out[20].left, 0.0f, 1e-6f);
}

TEST(TDelayLifecycle, BadLengthsAreLimited)
{
    TDelay d;
    d.init(44100.0f);
    for (float bad : {0.0f, -10.0f, NAN, INFINITY, 1e30f})
    {
        d.setDelayLenDirect(bad, bad);
        EXPECT_TRUE(d.getStepLeft() > 0.0 && d.getStepLeft() <= 100.0) << bad;
    }
    d.zero();
    d.setDelayLenDirect(NAN, -1.0f);
    for (int i = 0; i < 1000; ++i)
    {
        const Frame out = run(d, 0.5f, 0.5f);
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
        const Frame out = run(d, 0.1f, 0.1f);
        ASSERT_TRUE(out.left >= 0.0f && out.left <= 1.0f);
    }
    EXPECT_GT(TDelayProbe::left(d).capacity(), reserved);
}

} // namespace
} // namespace morlake
