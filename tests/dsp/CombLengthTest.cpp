// The comb lengths skip their recomputation while every factor stays within
// bounds that keep every length: after any run of inputs the lengths must be
// those the same inputs give when worked out afresh.
#include "dsp/TBasicReverb.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <random>

namespace morlake {

struct TCombProbe
{
    static const std::int32_t* lengths (const TComb_M& c) { return c.length; }
    static std::int32_t minLength (const TComb_M& c) { return c.minLength; }
};

namespace {

using Inputs = TComb_M::ScaledLengths;
constexpr float kInf = std::numeric_limits<float>::infinity ();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN ();

Inputs inputs (float scale, float dry, float wide, float longest = 32767.0f)
{
    return {{scale, scale * 0.9f, scale * 0.95f},
            longest,
            {dry, dry * 1.001f, dry, 0.0f},
            {wide, wide, wide * 0.999f, 0.0f}};
}

// A bank fed as a chain feeds it, and one made to recompute at every step.
struct Banks
{
    TComb_M kept, fresh;
};

// Feeds `steps` inputs to both banks and checks every step.
template <typename Next>
void expectFreshLengths (Banks& banks, const char* what, int steps, Next next)
{
    TComb_M& kept = banks.kept;
    TComb_M& fresh = banks.fresh;
    float base[TComb_M::kCombs];
    for (int k = 0; k < TComb_M::kCombs; ++k)
        base[k] = float (COMB_BASE_LENGTH_ARRAY[std::size_t (k)]) * 48000.0f / 44100.0f;
    kept.mute ();
    kept.setBaseLengths (base);
    for (int i = 0; i < steps; ++i)
    {
        const Inputs in = next (i);
        kept.setScaledLengths (in);
        fresh.setBaseLengths (base); // forgets the last inputs
        fresh.setScaledLengths (in);
        for (int k = 0; k < TComb_M::kLanes; ++k)
            ASSERT_EQ (TCombProbe::lengths (kept)[k], TCombProbe::lengths (fresh)[k])
                << what << ", step " << i << ", lane " << k;
        ASSERT_EQ (TCombProbe::minLength (kept), TCombProbe::minLength (fresh)) << what << ", step " << i;
    }
}

TEST (CombLengths, FollowEveryInputAsIfWorkedOutAfresh)
{
    const auto banks = std::make_unique<Banks> ();
    // A length modulation sweeping slowly, as the chain's does.
    expectFreshLengths (*banks, "slow sweep", 40000, [] (int i) {
        const float s = std::sin (0.0007f * float (i));
        return inputs (2.0f, 1.0f + 0.05f * s, 1.0f - 0.03f * s);
    });
    // Factors walking one float at a time across where lengths step.
    expectFreshLengths (*banks, "float steps", 20000, [] (int i) {
        const float f = std::nextafter (1.0f, 2.0f) + float (i) * 1.2e-7f;
        return inputs (1.7f, f, std::nextafter (f, 0.0f));
    });
    // Lengths held at 1 and at the longest allowed.
    expectFreshLengths (*banks, "limits", 2000, [] (int i) {
        const float f = 0.5f + 0.25f * std::sin (0.01f * float (i));
        return inputs (i % 1000 < 500 ? 1e-4f : 40.0f, f, f, 3000.0f + float (i / 500));
    });
    // Bad values: no sign, zero, infinite or NaN scales and factors.
    const float odd[] = {0.0f, -0.0f, -1.5f, kInf, -kInf, kNaN, 1e-30f, 1e30f, 1.0f};
    std::mt19937 random (7);
    expectFreshLengths (*banks, "bad values", 4000, [&] (int i) {
        const auto pick = [&] { return random () % 4 == 0 ? odd[random () % 9] : 1.0f + 1e-6f * float (i % 50); };
        const float scale = i % 100 < 50 ? 2.0f : pick ();
        const float longest = i % 7 == 0 ? pick () : 32767.0f;
        return Inputs {{scale, pick (), 1.0f}, longest, {pick (), pick (), 1.0f, 0.0f}, {pick (), 1.0f, pick (), 0.0f}};
    });
}

// The combs run on a ring sized to the reach the settings give. While the
// lengths stay within it, whatever the ring's resizing, the output is that
// of a ring as large as the array, to the bit.
TEST (CombRing, ResizedWithinTheReachTheOutputStaysTheSame)
{
    struct Case
    {
        const char* what;
        float (*stretch) (int i);                // the length multiplier at sample i
        float (*reach) (int i, float stretch);   // the reach set at each control tick
    };
    const Case cases[] = {
        {"reach jumping while the lengths sweep below it",
         [] (int i) { return 0.65f + 0.35f * std::sin (0.00021f * float (i)); },
         [] (int i, float) { return std::array {1.0f, 2.2f, 17.6f, 1.05f, 4.4f, 1.0f}[std::size_t (i / 15000) % 6]; }},
        {"reach following lengths that sweep over two octaves",
         [] (int i) { return 0.6f - 0.45f * std::cos (0.00009f * float (i)); },
         [] (int, float stretch) { return stretch * 1.1f; }},
    };
    for (const Case& c : cases)
    {
        auto full = std::make_unique<TBasicReverb> ();
        auto resized = std::make_unique<TBasicReverb> ();
        for (TBasicReverb* r : {full.get (), resized.get ()})
        {
            r->create ();
            r->setSampleRate (48000.0f);
            r->setRoomSize (0.95f, 0.9f, 0.85f);
            r->setDamp (0.2f);
        }
        // The whole array, once the helper has committed it.
        full->setLengthReach (1e9f);
        Grower::instance ().serve ();
        full->setLengthReach (1e9f);
        std::mt19937 random (11);
        std::uniform_real_distribution<float> noise (-0.5f, 0.5f);
        for (int i = 0; i < 90000; ++i)
        {
            const float stretch = c.stretch (i);
            if (i % 16 == 0)
                resized->setLengthReach (c.reach (i, stretch));
            const float wobble = 1.0f + 0.1f * std::sin (0.003f * float (i));
            float in[6];
            for (float& x : in)
                x = i < 60000 ? noise (random) : 0.0f;
            float out[2][2];
            int k = 0;
            for (TBasicReverb* r : {full.get (), resized.get ()})
            {
                r->setLength (stretch, wobble, 2.0f - wobble, stretch * 0.9f, 1.0f, wobble, stretch * 0.95f, wobble,
                              1.0f);
                r->process (in[0], in[1], in[2], in[3], in[4], in[5], out[k][0], out[k][1]);
                ++k;
            }
            ASSERT_EQ (out[0][0], out[1][0]) << c.what << ", sample " << i;
            ASSERT_EQ (out[0][1], out[1][1]) << c.what << ", sample " << i;
        }
    }
}

} // namespace
} // namespace morlake
