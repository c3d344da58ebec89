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

// --------------------------------------------------- reset and lifecycle

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

} // namespace
} // namespace morlake
