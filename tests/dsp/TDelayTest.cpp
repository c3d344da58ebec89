// The delay line's own guards: non-finite input, the busy state during a
// reset, bad lengths. Its echoes, tempo sync and rates are tested through the
// chain (ChainRenderTest, HostileHostTest) and held by the digest test.
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
