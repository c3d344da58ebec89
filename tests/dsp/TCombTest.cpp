// The lane-parallel comb bank against a plain one-comb-at-a-time reference.
#include "dsp/TBasicReverb.h"
#include "tests/dsp/DspTestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace morlake {
namespace {

// Straightforward scalar form of the bank update.
struct ScalarCombBank
{
    static constexpr std::uint32_t kFrames = 65536;
    int length[20];
    std::uint64_t written = 0;
    std::vector<std::array<float, 20>> lines = std::vector<std::array<float, 20>>(kFrames);
    float dampState[20] = {};
    float lowpassState[20] = {};
    float highpassState[20] = {};
    float d = 0, fb = 0, a = 1, h = 0;

    void process(float dryL, float dryR, float wideL, float wideR, bool filtered, float& outL, float& outR)
    {
        float r[20];
        float w[20];
        for (int k = 0; k < 20; ++k)
        {
            const bool wide = (k & 1) != 0;
            const float x = k < 10 ? (wide ? wideL : dryL) : (wide ? wideR : dryR);
            r[k] = written < std::uint64_t(length[k]) ? 0.0f : lines[(written - length[k]) % kFrames][k];
            dampState[k] = dampState[k] * d + r[k] * (1.0f - d) + 1e-15f;
            w[k] = dampState[k] * fb + x;
            if (filtered)
            {
                lowpassState[k] = lowpassState[k] * (1.0f - a) + w[k] * a;
                highpassState[k] = highpassState[k] * (1.0f - h) + lowpassState[k] * h;
                w[k] = lowpassState[k] - highpassState[k];
            }
        }
        for (int k = 0; k < 20; ++k)
            lines[written % kFrames][k] = w[k];
        ++written;
        outL = r[0];
        outR = r[10];
        for (int k = 1; k < 10; ++k)
        {
            outL += r[k];
            outR += r[10 + k];
        }
    }
};

TEST(TComb_M, MatchesScalarReferenceExactly)
{
    auto bank = std::make_unique<TComb_M>();
    auto ref = std::make_unique<ScalarCombBank>();
    ASSERT_EQ(bank->frameCount(), ScalarCombBank::kFrames);
    Noise noise;
    auto uniform = [&] { return 0.5f * (noise() + 1.0f); };

    const auto configure = [&](int phase) {
        for (int k = 0; k < 20; ++k)
        {
            const int len = phase == 0 ? 1 + int(uniform() * 3000.0f) : 30 + int(uniform() * 65000.0f);
            bank->setLength(k, len);
            ref->length[k] = len;
        }
        ref->d = uniform() * 0.54f;
        ref->fb = 0.65f + 0.347f * uniform();
        ref->a = phase == 1 ? 1.0f : 0.02f + 0.9f * uniform();
        ref->h = phase == 2 ? 0.0f : 0.3f * uniform();
        bank->setDamp(ref->d);
        bank->setFeedback(ref->fb);
        bank->setFilter(ref->a, ref->h);
    };

    std::uint64_t mismatches = 0;
    for (int phase = 0; phase < 4; ++phase)
    {
        configure(phase);
        const bool filtered = phase != 1;
        for (int i = 0; i < 70000; ++i)
        {
            const float dl = noise(), dr = noise(), wl = noise(), wr = noise();
            float l1, r1, l2, r2;
            bank->process(dl, dr, wl, wr, filtered, l1, r1);
            ref->process(dl, dr, wl, wr, filtered, l2, r2);
            if (l1 != l2 || r1 != r2)
                ++mismatches;
        }
        for (int k = 0; k < 20; ++k)
        {
            EXPECT_EQ(bank->getDampStates()[k], ref->dampState[k]) << phase << " " << k;
            EXPECT_EQ(bank->getLowpassStates()[k], ref->lowpassState[k]) << phase << " " << k;
            EXPECT_EQ(bank->getHighpassStates()[k], ref->highpassState[k]) << phase << " " << k;
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST(TComb_M, LengthsAreLimitedToTheLine)
{
    auto bank = std::make_unique<TComb_M>();
    bank->setLength(0, 0);
    EXPECT_EQ(bank->getLength(0), 1);
    bank->setLength(1, -7);
    EXPECT_EQ(bank->getLength(1), 1);
    bank->setLength(2, 1 << 20);
    EXPECT_EQ(bank->getLength(2), int(bank->frameCount()) - 1);
    EXPECT_FALSE(bank->allocate(1000)); // not a power of two
    EXPECT_TRUE(bank->allocate(1024));
    EXPECT_EQ(bank->getLength(2), 1023);
}

TEST(TComb_M, MuteKeepsDampingAndOpensFilters)
{
    auto bank = std::make_unique<TComb_M>();
    bank->setDamp(0.3f);
    bank->setFeedback(0.9f);
    bank->setFilter(0.2f, 0.1f);
    bank->setLength(3, 500);
    bank->mute();
    EXPECT_EQ(bank->getDampCoef(), 0.3f);
    EXPECT_EQ(bank->getFeedback(), 0.0f);
    EXPECT_EQ(bank->getLowpassCoef(), 1.0f);
    EXPECT_EQ(bank->getHighpassCoef(), 0.0f);
    EXPECT_EQ(bank->getLength(3), 1);
    EXPECT_EQ(bank->getWriteCount(), 0u);
}

} // namespace
} // namespace morlake
