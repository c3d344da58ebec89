#include "dsp/TBasicReverb.h"
#include "tests/dsp/DspTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numeric>
#include <vector>

namespace morlake {
namespace {

std::unique_ptr<TBasicReverb> makeReverb(float rate)
{
    auto r = std::make_unique<TBasicReverb>();
    r->setSampleRate(rate);
    r->create();
    return r;
}

constexpr float kOutScale = 0.33333f * 0.025f;

// ------------------------------------------------------------ timing

TEST(TBasicReverbTiming, ImpulseReturnsFirstThroughShortestComb)
{
    auto r = makeReverb(44100.0f);
    r->mute();
    r->setLength(1, 1, 1, 1, 1, 1, 1, 1, 1);
    r->setWiden(0, 0, 0, 0);
    r->setDamp(0.0f);
    float maxRight = 0.0f;
    for (int n = 0; n <= 1046; ++n)
    {
        float l, rr;
        r->process(n == 0 ? 1.0f : 0.0f, 0, 0, 0, 0, 0, l, rr);
        maxRight = std::max(maxRight, std::fabs(rr));
        if (n < 1046)
            ASSERT_NEAR(l, 0.0f, 1e-12f) << n;
        else
            EXPECT_NEAR(l, kOutScale, 1e-7f);
    }
    EXPECT_LT(maxRight, 1e-12f);
}

TEST(TBasicReverbTiming, WidenLineDelaysWidenedCombsFractionally)
{
    auto r = makeReverb(44100.0f);
    r->mute();
    r->setLength(1, 1, 1, 1, 1, 1, 1, 1, 1);
    r->setWiden(10.25f, 0, 0, 0);
    r->setDamp(0.0f);
    std::vector<float> left(1300);
    for (int n = 0; n < 1300; ++n)
    {
        float rr;
        r->process(n == 0 ? 1.0f : 0.0f, 0, 0, 0, 0, 0, left[n], rr);
    }
    // Comb 9 (1046, widened) now arrives 10.25 samples late, split 0.75 / 0.25.
    EXPECT_NEAR(left[1046], 0.0f, 1e-9f);
    EXPECT_NEAR(left[1056], 0.75f * kOutScale, 1e-7f);
    EXPECT_NEAR(left[1057], 0.25f * kOutScale, 1e-7f);
    // Comb 0 (1116, dry) is on time; comb 1 (1188, widened) is late.
    EXPECT_NEAR(left[1116], kOutScale, 1e-7f);
    EXPECT_NEAR(left[1188], 0.0f, 1e-9f);
    EXPECT_NEAR(left[1198], 0.75f * kOutScale, 1e-7f);
    EXPECT_NEAR(left[1199], 0.25f * kOutScale, 1e-7f);
}

TEST(TBasicReverbTiming, LengthsScaleWithRateAndTheLongestStretchFits)
{
    // Length factors: bank B uses its own multiplier, odd combs the widen factor.
    auto r = makeReverb(48000.0f);
    r->setLength(1, 1, 1, 0.5f, 1.1f, 0.9f, 1, 1, 1);
    EXPECT_EQ(r->getCombLength(0, 18), 1854);
    EXPECT_EQ(r->getCombLength(1, 18), int(1703.0f * (48000.0f / 44100.0f) * 0.5f * 0.9f + 0.5f));
    EXPECT_EQ(r->getCombLength(1, 19), int(1081.0f * (48000.0f / 44100.0f) * 0.5f * 1.1f + 0.5f));
    r->setLength(0, 1, 1, 0, 1, 1, 0, 1, 1);
    EXPECT_EQ(r->getCombLength(0, 0), 1);
    for (float rate : {8000.0f, 44100.0f, 384000.0f})
    {
        auto big = makeReverb(rate);
        big->setLength(16, 1.1f, 1.1f, 16, 1.1f, 1.1f, 16, 1.1f, 1.1f);
        const float scale = rate / 44100.0f;
        EXPECT_EQ(big->getCombLength(0, 18), int(1703.0f * scale * 16.0f * 1.1f + 0.5f)) << rate;
        EXPECT_EQ(big->getAllpassLength(0, true), int(581.0f * scale + 0.5f)) << rate;
        big->setWiden(0.063f * rate + 1.0f, 1, 1, 1);
        EXPECT_FLOAT_EQ(big->getWidenDelay(0), 0.063f * rate + 1.0f) << rate;
    }
}

TEST(TBasicReverbTiming, SetSampleRateSkipsUnchangedAndBadRates)
{
    auto r = makeReverb(44100.0f);
    r->setLength(1, 1, 1, 1, 1, 1, 1, 1, 1);
    r->setSampleRate(44100.7f); // same integer part: nothing is rebuilt or muted
    EXPECT_EQ(r->getCombLength(0, 0), 1116);
    for (float bad : {0.5f, NAN})
        r->setSampleRate(bad);
    EXPECT_EQ(r->getSampleRate(), 44100.0f);
    r->setSampleRate(88200.0f); // a real change re-inits, which mutes
    EXPECT_EQ(r->getCombLength(0, 0), 1);
    EXPECT_EQ(r->getBaseLength(0), 2232.0f);
}

// ------------------------------------------------------------ controls

TEST(TBasicReverbControls, RoomDampAndFilterCurves)
{
    auto r = makeReverb(44100.0f);
    EXPECT_FLOAT_EQ(r->getRoomTable(0), 0.65f);
    EXPECT_NEAR(r->getRoomTable(32767), 0.926f, 0.001f);
    EXPECT_NEAR(r->getRoomTable(65535), 0.997f, 0.001f);
    for (int i = 1; i < TBasicReverb::kRoomTableSize; ++i)
        ASSERT_GE(r->getRoomTable(i), r->getRoomTable(i - 1));
    r->setRoomSize(1, 0.5f, NAN); // one size per bank; NaN reads as 0
    EXPECT_EQ(r->bank(0).getFeedback(), r->getRoomTable(65535));
    EXPECT_EQ(r->getBankFeedback(1), r->getRoomTable(32767));
    EXPECT_FLOAT_EQ(r->getBankFeedback(2), 0.65f);

    // Damping: min(0.54, 0.55 x value x rate scale), limited below at 0.
    const std::pair<float, float> damps[] = {{0.5f, 0.275f}, {1.0f, 0.54f}, {-1.0f, 0.0f}, {NAN, 0.54f}};
    for (auto [value, coefficient] : damps)
    {
        r->setDamp(value);
        EXPECT_FLOAT_EQ(r->bank(1).getDampCoef(), coefficient) << value;
    }
    auto slow = makeReverb(22050.0f);
    slow->setDamp(0.5f);
    EXPECT_FLOAT_EQ(slow->getDamp(), 0.1375f);

    // Loop filters: open at (1, 0); half way up ten octaves from 20 Hz is 640 Hz;
    // the cutoff table is capped at 0.2, so the top of the high-pass range gives 0.4.
    r->setFilter(1.0f, 0.0f);
    EXPECT_FALSE(r->isFiltered());
    r->setFilter(0.5f, 0.0f);
    EXPECT_TRUE(r->isFiltered());
    EXPECT_NEAR(r->bank(2).getLowpassCoef(), 2.0f * 640.0f / 44100.0f, 1e-4f);
    EXPECT_EQ(r->bank(2).getHighpassCoef(), 0.0f);
    r->setFilter(1.0f, 1.0f);
    EXPECT_TRUE(r->isFiltered());
    EXPECT_EQ(r->bank(0).getLowpassCoef(), 1.0f);
    EXPECT_FLOAT_EQ(r->bank(0).getHighpassCoef(), 0.4f);
    r->setFilter(NAN, NAN);
    EXPECT_TRUE(std::isfinite(r->bank(0).getLowpassCoef()));
    EXPECT_EQ(r->bank(0).getHighpassCoef(), 0.0f);
}

TEST(TBasicReverbControls, CreateRestoresDefaultsAndWidenDelaysAreLimited)
{
    auto r = makeReverb(44100.0f);
    r->setWiden(-5.0f, NAN, 1e9f, 3.5f);
    EXPECT_EQ(r->getWidenDelay(0), 0.0f);
    EXPECT_EQ(r->getWidenDelay(1), 0.0f);
    EXPECT_EQ(r->getWidenDelay(2), float(r->getWidenLineSize() - 2));
    EXPECT_EQ(r->getWidenDelay(3), 3.5f);
    EXPECT_EQ(r->getWidenDelay(4), r->getWidenDelay(2));
    EXPECT_EQ(r->getWidenDelay(5), 3.5f);

    r->setRoomSize(0, 0, 0);
    r->setDamp(1.0f);
    r->setFilter(0.2f, 0.5f);
    r->setDiffusion(0.3f);
    r->create();
    EXPECT_FALSE(r->isFiltered());
    EXPECT_FLOAT_EQ(r->getDamp(), 0.275f);
    for (int j = 0; j < TBasicReverb::kWidenLines; ++j)
        EXPECT_EQ(r->getWidenDelay(j), 0.0f);
    for (int s = 0; s < 12; ++s)
        EXPECT_EQ(r->getDiffusion(s), 1.0f);
    EXPECT_EQ(r->getBankFeedback(0), r->getRoomTable(32767));
    // Silent until the chain sets lengths: combs are 1 sample, feedback 0.
    EXPECT_EQ(r->getCombLength(0, 5), 1);
    EXPECT_EQ(r->bank(0).getFeedback(), 0.0f);
}

// ------------------------------------------------------------ tail
// (Room size, length, damping and the loop filters against decay time and
// brightness are measured through the whole chain, see ChainReverbTest.)

TEST(TBasicReverbTail, ImpulseResponseDecays)
{
    auto r = makeReverb(44100.0f);
    ReverbSettings s;
    s.room = 0.6f;
    const Stereo ir = impulseResponse(*r, s, 8.0);
    const std::size_t second = 44100;
    const double first = measure::energy(ir, 0, second);
    double previous = first;
    EXPECT_GT(first, 1e-3);
    for (std::size_t k = 1; k < 8; ++k)
    {
        const double e = measure::energy(ir, k * second, (k + 1) * second);
        EXPECT_LT(e, previous * 0.5) << "second " << k;
        previous = e;
    }
    EXPECT_LT(previous, first * 1e-8);
}

TEST(TBasicReverbTail, DecayTimeIsTheSameAtEveryRate)
{
    ReverbSettings s;
    s.room = 0.7f;
    s.damp = 0.0f;
    const measure::DecayFit fit{.endDb = -35.0, .mustReachEnd = false, .notDecaying = INFINITY};
    const double reference = measure::rt60(impulseResponse(*makeReverb(44100.0f), s, 6.0), 44100.0, 0, fit);
    EXPECT_GT(reference, 0.1);
    for (float rate : {8000.0f, 11025.0f, 22050.0f, 48000.0f, 96000.0f, 192000.0f, 384000.0f})
    {
        const Stereo ir = impulseResponse(*makeReverb(rate), s, 6.0);
        for (std::size_t i = 0; i < ir.size(); ++i)
            ASSERT_FALSE(isBad(ir.left[i]) || isBad(ir.right[i])) << rate;
        EXPECT_NEAR(measure::rt60(ir, rate, 0, fit), reference, 0.1 * reference) << rate;
    }
}

TEST(TBasicReverbTail, WidenLinesDecorrelateLeftAndRight)
{
    // With equal comb lengths on both sides and the same impulse on every
    // input, left and right differ only by their allpass chains; different
    // widen delays per side lower the peak of their cross-correlation.
    std::array<float, TComb_M::kCombs> symmetric = COMB_BASE_LENGTH_ARRAY;
    for (int k = 0; k < 10; ++k)
        symmetric[10 + k] = symmetric[k];
    const auto peak = [&](const std::array<float, TComb_M::kCombs>& bases, float w0, float w1) {
        auto r = std::make_unique<TBasicReverb>();
        r->setSampleRate(44100.0f, bases);
        r->create();
        ReverbSettings s;
        s.room = 0.8f;
        s.widen[0] = s.widen[2] = w0;
        s.widen[1] = s.widen[3] = w1;
        return measure::peakCrossCorrelation(impulseResponse(*r, s, 2.0), 3000);
    };
    const double same = peak(symmetric, 1.0f, 1.0f);
    EXPECT_GT(same, 0.25);
    for (float w1 : {100.5f, 400.25f, 1200.75f})
        EXPECT_LT(peak(symmetric, 1.0f, w1), 0.7 * same) << w1;
    // The real comb lengths differ per side and decorrelate further.
    EXPECT_LT(peak(COMB_BASE_LENGTH_ARRAY, 1.0f, 400.25f), 0.1);
}

TEST(TBasicReverbTail, NonFiniteInputIsIgnored)
{
    auto r = makeReverb(44100.0f);
    ReverbSettings{}.apply(*r);
    for (int i = 0; i < 20000; ++i)
    {
        const float x = i == 10 ? NAN : (i == 20 ? INFINITY : 0.1f);
        float l, rr;
        r->process(x, x, -x, x, x, x, l, rr);
        ASSERT_TRUE(std::isfinite(l) && std::isfinite(rr)) << i;
    }
}

} // namespace
} // namespace morlake
