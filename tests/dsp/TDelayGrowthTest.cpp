// A line that starts small grows as it fills, off the audio thread, without
// changing a sample of its output.
#include "tests/dsp/DspTestUtil.h"

#include <gtest/gtest.h>

#include <thread>

namespace morlake {
namespace {

// The longest free length after a reset, then a sweep down and back up.
std::vector<float> render(TDelay& d, float rate, bool serveEachBlock)
{
    std::vector<float> out;
    const long frames = long(9.0f * rate);
    std::uint32_t noise = 1;
    d.setFeed(0.6f);
    d.setCross(-0.2f);
    for (long i = 0; i < frames; ++i)
    {
        const float v = i < frames / 2 ? 1.0f : 0.5f + 0.5f * std::cos(float(i) * 1e-4f);
        d.setDelayLen(v, 0.03f * rate * v, 120.0f);
        noise = noise * 1664525u + 1013904223u;
        const float x = float(int32_t(noise)) * 4.6e-10f;
        float l, r;
        d.process(x, -x, l, r);
        out.push_back(l);
        out.push_back(r);
        if (serveEachBlock && i % 512 == 0)
            TDelayQueue::serveGrowth();
    }
    return out;
}

TEST(TDelayGrowth, GrowsAsItFillsWithTheSameOutput)
{
    const float rate = 22050.0f;
    TDelay full;
    full.init(rate);
    const std::vector<float> expected = render(full, rate, false);
    const std::size_t fullCapacity = TDelayProbe::left(full).capacity();

    // Served at block pace, as the helper thread would; and left to the
    // helper alone, which a line this fast outruns, so it also grows in place.
    for (bool served : {true, false})
    {
        SCOPED_TRACE(served);
        TDelay small;
        small.init(rate, TDelay::kDefaultReserveSeconds, 0.05f);
        const std::size_t initial = TDelayProbe::left(small).capacity();
        EXPECT_LT(initial, fullCapacity / 40);
        EXPECT_TRUE(render(small, rate, served) == expected);
        EXPECT_GT(TDelayProbe::left(small).capacity(), initial);
        EXPECT_LE(TDelayProbe::left(small).capacity(), 2 * fullCapacity);
    }
}

TEST(TDelayGrowth, AbsurdRatesReserveNothingAndStillRun)
{
    for (float rate : {1e10f, 1e18f, 3e38f})
    {
        SCOPED_TRACE(rate);
        TDelay d;
        d.init(rate);
        EXPECT_LT(TDelayProbe::left(d).capacity(), 100000u);
        d.setDelayLenDirect(10.0f, 10.0f);
        float l = 0.0f, r = 0.0f;
        for (int i = 0; i < 11; ++i)
            d.process(i == 0 ? 0.5f : 0.0f, 0.0f, l, r);
        EXPECT_FLOAT_EQ(l, 0.5f);
    }
}

TEST(TDelayGrowth, ResetAndDestructionWhileTheHelperServes)
{
    std::atomic<bool> stop{false};
    std::thread helper([&] {
        while (!stop.load())
            TDelayQueue::serveGrowth();
    });
    for (int round = 0; round < 20; ++round)
    {
        TDelay d;
        d.init(48000.0f, 4.0f, 0.01f);
        d.setDelayLen(1.0f, 0.0f, 120.0f);
        for (int i = 0; i < 20000; ++i)
        {
            float l, r;
            d.process(0.1f, 0.1f, l, r);
            if (i == 10000 + round * 100)
                d.init(48000.0f, 4.0f, 0.01f + 0.001f * float(round));
            d.setDelayLen(1.0f, 0.0f, 120.0f);
        }
    }
    stop.store(true);
    helper.join();
}

} // namespace
} // namespace morlake
