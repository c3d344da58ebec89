// Numeric soundness of the whole chain: long loud runs at extreme settings,
// a broken host's NaN and Inf input, the floating-point mode of the host.
#include "tests/common/PluginRun.h"

#include "dsp/ModulationTypes.h"
#include "dsp/ReverbPresets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <limits>
#include <xmmintrin.h>

using namespace morlake;
using namespace morlake::plugintest;
using namespace morlake::measure;

namespace {

constexpr float kRate = 44100.0f;
constexpr unsigned kFlushBits = 0x8040u; // flush-to-zero | denormals-are-zero

// Everything as far as it goes: full lengths, sizes and feeds, distortion at
// full, the late delay synced to its longest division, and every modulation
// source routed with full amounts.
void extremeSettings (TestInstance& p)
{
    for (int t : {tag::EarlyOn,
                  tag::LateOn,
                  tag::ReverbOn,
                  tag::DistortionOn,
                  tag::LateLengthSync,
                  tag::LazyOn,
                  tag::FollowerOn,
                  tag::ReverbPreDelaySync,
                  tag::DistortionAmount,
                  tag::EarlyVolume,
                  tag::EarlyLength,
                  tag::EarlyFeed,
                  tag::EarlySide,
                  tag::EarlyCross,
                  tag::ReverbVolume,
                  tag::ReverbRoomSize,
                  tag::ReverbLength,
                  tag::ReverbPreDelay,
                  tag::ReverbPreDelayDisorder,
                  tag::ReverbDisorder,
                  tag::LateVolume,
                  tag::LateLength,
                  tag::MainVolume,
                  tag::FollowerAmount,
                  tag::FollowerSmooth,
                  tag::ModSlot1Amount,
                  tag::ModSlot2Amount,
                  tag::LazySpeed})
        p.setParameter (t, 1.0f);
    // The follower listens to "Output" (6): a feedback loop through it.
    apply (p,
           {{tag::WetDry, 0.5f},
            {tag::ReverbDamp, 0.0f},
            {tag::EarlyDamp, 0.0f},
            {tag::LateDamp, 0.0f},
            {tag::ReverbHPOn, 0.0f},
            {tag::ReverbLPOn, 0.0f},
            {tag::FollowerThreshold, 0.0f}},
           {{tag::FollowerDest, dest::ReverbLength}, {tag::FollowerSource, 6}});
    const int disruptTargets[8] = {dest::EarlyFeed,      dest::ReverbRoomSize, dest::LateWidth, dest::ReverbPreSpread,
                                   dest::ReverbPreWiden, dest::EarlyWiden,     dest::LateFeed,  dest::Distortion};
    for (int i = 0; i < 8; ++i)
    {
        p.setParameter (tag::Disrupt1On + i, 1.0f);
        p.setParameter (tag::Disrupt1Amount + i, i % 2 ? 0.0f : 1.0f); // -1 and +1
        p.setSteppedValue (tag::Disrupt1Dest + i, disruptTargets[i]);
    }
    // Endless late feedback, and the reverb output widening the early section.
    apply (p, {},
           {{tag::ModSlot1Source, src::Offset},
            {tag::ModSlot1Dest, dest::LateFeed},
            {tag::ModSlot2Source, src::ReverbOutput},
            {tag::ModSlot2Dest, dest::EarlyWiden}});
}

// White noise, a train of impulses, a full-scale square wave, then silence.
Input torture (std::size_t frames, std::uint32_t seed)
{
    Input in (frames);
    const std::size_t quarter = frames / 4;
    addNoise (in, 0, quarter, 1.0f, seed);
    for (std::size_t i = quarter; i < 2 * quarter; i += 4410)
        in.setMain (i, 1.0f, -1.0f);
    for (std::size_t i = 2 * quarter; i < 3 * quarter; ++i)
    {
        const float v = (i / 37) % 2 ? 1.0f : -1.0f;
        in.setMain (i, v, -v);
    }
    return in;
}

void expectSound (const Stereo& out)
{
    EXPECT_TRUE (allFinite (out));
    EXPECT_EQ (countSubnormals (out), 0);
    EXPECT_LE (peak (out), 0.999f);
}

double tailEnergyAfterImpulse (TestInstance& p)
{
    const Stereo out = render (p, impulse (44100, 0, 0.5f));
    return energy (out, 2205, out.size ());
}

} // namespace

TEST (ChainStability, SixtySecondsAtExtremeSettings)
{
    auto p = makePlugin (kRate);
    extremeSettings (*p);
    const Stereo out = render (*p, torture (static_cast<std::size_t> (60 * kRate), 11));
    expectSound (out);
    EXPECT_GT (peak (out, out.size () - 44100), 0.0f); // still ringing, not reset to silence
    // A saturated but living chain: a reset would leave exact zeros.
    EXPECT_LT (std::count (out.left.begin (), out.left.end (), 0.0f), 100);
}

TEST (ChainStability, EveryReverbCharacterAtExtremeSettings)
{
    for (int step = 0; step < kReverbPresetSteps; ++step)
    {
        SCOPED_TRACE (step);
        auto p = makePlugin (kRate);
        extremeSettings (*p);
        chooseReverbPreset (*p, step);
        expectSound (render (*p, torture (static_cast<std::size_t> (6 * kRate), 20 + step), fixedBlocks (300)));
    }
}

TEST (ChainStability, ExtremeRatesAndFactoryPresets)
{
    for (float rate : {8000.0f, 384000.0f})
        for (int preset : {0, 6, 30})
        {
            SCOPED_TRACE (std::to_string (rate) + " Hz, preset " + std::to_string (preset));
            auto p = makePlugin (rate, preset);
            if (preset == 30)
                extremeSettings (*p);
            expectSound (render (*p, torture (static_cast<std::size_t> (rate), 5), fixedBlocks (1024)));
        }
}

TEST (ChainStability, SilenceAfterLoudInputDecaysWithoutDenormals)
{
    auto p = makePlugin (kRate);
    Input in (static_cast<std::size_t> (30 * kRate));
    addNoise (in, 0, 44100, 1.0f, 2);
    const Stereo out = render (*p, in);
    expectSound (out);
    EXPECT_LT (peak (out, out.size () - 4410), 1e-6f);
}

TEST (ChainStability, DenormalInputNeverLeavesAsDenormal)
{
    auto p = makePlugin (kRate);
    p->setParameter (tag::WetDry, 0.5f);
    Input in (44100);
    for (std::size_t i = 0; i < in.size (); ++i)
        in.setMain (i, (i % 2 ? 1.0f : -1.0f) * 1e-39f, 3e-42f);
    expectSound (render (*p, in));
}

TEST (ChainStability, NonFiniteInputIsTreatedAsSilenceAndTheTailRecovers)
{
    auto fresh = makePlugin (kRate);
    renderSilence (*fresh, 8192);
    const double reference = tailEnergyAfterImpulse (*fresh);
    ASSERT_GT (reference, 1e-4);

    auto p = makePlugin (kRate);
    Input in (44100);
    addNoise (in, 0, 44100, 0.3f, 9);
    const float bad[] = {std::numeric_limits<float>::quiet_NaN (), std::numeric_limits<float>::infinity (),
                         -std::numeric_limits<float>::infinity ()};
    for (std::size_t i = 0; i < in.size (); i += 97)
    {
        in.channel[i % 4][i] = bad[i % 3];
        in.channel[(i + 1) % 4][i] = bad[(i + 1) % 3];
    }
    expectSound (render (*p, in));
    renderSilence (*p, 30 * 44100); // let the noise tail die
    EXPECT_NEAR (tailEnergyAfterImpulse (*p), reference, 0.05 * reference);
}

TEST (ChainStability, OverflowingInternalStateResetsAndRecovers)
{
    auto fresh = makePlugin (kRate);
    apply (*fresh, {{tag::DistortionOn, 1.0f}, {tag::DistortionAmount, 1.0f}});
    renderSilence (*fresh, 8192);
    const double reference = tailEnergyAfterImpulse (*fresh);

    auto p = makePlugin (kRate);
    apply (*p, {{tag::DistortionOn, 1.0f}, {tag::DistortionAmount, 1.0f}});
    Input in (8192);
    for (std::size_t i = 0; i < in.size (); ++i)
        in.setMain (i, i % 2 ? FLT_MAX : -FLT_MAX, FLT_MAX);
    expectSound (render (*p, in));
    const Stereo after = renderSilence (*p, 44100);
    expectSound (after);
    EXPECT_LT (peak (after, 22050), 1e-3f); // the broken state is gone, not circulating
    renderSilence (*p, 30 * 44100);
    EXPECT_NEAR (tailEnergyAfterImpulse (*p), reference, 0.05 * reference);
}

TEST (ChainStability, MissingBuffersAreSilence)
{
    auto p = makePlugin (kRate);
    float left[256], right[256];
    float* out[2] = {left, right};
    p->processReplacing (nullptr, out, 256);
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE (std::isfinite (left[i]) && std::isfinite (right[i]));
    // A host without side input.
    float main[2][256] {};
    main[0][0] = main[1][0] = 1.0f;
    float* in[4] = {main[0], main[1], nullptr, nullptr};
    p->processReplacing (in, out, 256);
    EXPECT_GT (std::fabs (left[0]), 0.1f);
    p->processReplacing (in, out, 0);
    p->processReplacing (in, nullptr, 256);
    float* half[2] = {left, nullptr};
    p->processReplacing (in, half, 256);
}

TEST (ChainStability, HostFloatingPointModeIsRestored)
{
    auto p = makePlugin (kRate);
    const unsigned original = _mm_getcsr ();
    Input in = torture (4096, 1);
    for (unsigned hostMode : {original & ~kFlushBits, original | kFlushBits, (original & ~kFlushBits) | 0x0040u})
    {
        _mm_setcsr (hostMode);
        render (*p, in, fixedBlocks (333));
        const unsigned after = _mm_getcsr ();
        _mm_setcsr (original);
        // Sticky exception flags (low six bits) may be raised by the block.
        EXPECT_EQ (after & ~0x3Fu, hostMode & ~0x3Fu) << std::hex << hostMode;
    }
}
