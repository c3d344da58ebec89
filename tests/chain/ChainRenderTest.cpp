// The chain as the host sees it: sample-rate changes, meters, the output
// stage, host tempo and transport, program loads and the reverb characters
// (what choosing, automating and loading one writes; their sound is held by
// the digest test in bench/).
#include "tests/common/PluginRun.h"

#include "dsp/ModulationTypes.h"
#include "dsp/ReverbPresets.h"
#include "params/NameLists.h"

#include <gtest/gtest.h>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

using namespace morlake;
using namespace morlake::plugintest;
using namespace morlake::measure;

namespace {

constexpr float kRate = 44100.0f;

bool identical (const Stereo& a, const Stereo& b) { return a.left == b.left && a.right == b.right; }

Input impulseAndBurst (std::size_t frames)
{
    Input in = impulse (frames, 100, 0.9f);
    addNoise (in, 20000, 30000, 0.5f, 7);
    return in;
}

// The noise burst through the plug-in with the three wet sections on, after
// `setup`, once the smoothers have settled.
Stereo renderBurst (const std::function<void (TestInstance&)>& setup, float level = 0.5f)
{
    auto p = makePlugin (kRate);
    apply (*p, {{tag::EarlyOn, 1.0f}, {tag::LateOn, 1.0f}, {tag::MainVolume, 2.0f / 3.0f}});
    setup (*p);
    renderSilence (*p, 8192);
    Input in (66150);
    addNoise (in, 0, 22050, level, 3);
    return render (*p, in);
}

// Largest deviation of the output from gain x input, with the gain taken
// from the loudest input sample.
double dryDeviation (const Stereo& out, double& gain)
{
    Input in (66150);
    addNoise (in, 0, 22050, 0.5f, 3);
    std::size_t loudest = 0;
    for (std::size_t i = 0; i < in.size (); ++i)
        if (std::fabs (in.channel[0][i]) > std::fabs (in.channel[0][loudest]))
            loudest = i;
    gain = out.left[loudest] / in.channel[0][loudest];
    double worst = 0.0;
    for (std::size_t i = 0; i < in.size (); ++i)
        worst = std::max ({worst, std::fabs (out.left[i] - gain * in.channel[0][i]),
                           std::fabs (out.right[i] - gain * in.channel[1][i])});
    return worst;
}

} // namespace

TEST (ChainSampleRate, ChangesSilenceTheOldTailAndKeepAReverb)
{
    auto p = makePlugin (kRate);
    render (*p, impulseAndBurst (44100));
    for (float rate : {8000.0f, 384000.0f, 44100.0f, 8000.0f, 96000.0f})
    {
        SCOPED_TRACE (rate);
        p->setSampleRate (rate);
        EXPECT_FLOAT_EQ (p->getSampleRate (), rate);
        const auto n = static_cast<std::size_t> (rate);
        const Stereo out = render (*p, impulse (2 * n, n / 10));
        EXPECT_TRUE (allFinite (out));
        EXPECT_LT (peak (out, 0, n / 10), 1e-6f) << "the old tail is gone";
        EXPECT_LE (peak (out), 0.999f);
        // A fresh tail 0.2 s to 1 s after the impulse, scaled to the rate.
        EXPECT_GT (energy (out, n / 10 + n / 5, n / 10 + n) * 44100.0 / rate, 1e-4);
    }
}

TEST (ChainSampleRate, TheSameRateAgainChangesNothing)
{
    auto run = [] (bool repeat) {
        auto p = makePlugin (48000.0f);
        return render (*p, impulseAndBurst (96000), fixedBlocks (512), [&] (std::size_t at) {
            if (repeat && at == 512 * 60)
                p->setSampleRate (48000.0f);
        });
    };
    EXPECT_TRUE (identical (run (true), run (false)));
}

TEST (ChainMeters, FollowTheSignalStayInRangeAndFallInSilence)
{
    // Dry only: the output meters read the input level. The follower listens to the input.
    auto p = makePlugin (kRate);
    apply (
        *p,
        {{tag::WetDry, 0.0f}, {tag::MainVolume, 2.0f / 3.0f}, {tag::FollowerOn, 1.0f}, {tag::FollowerThreshold, 0.0f}},
        {{tag::FollowerSource, 0}});

    Input in (44100);
    for (std::size_t i = 0; i < in.size (); ++i)
        in.channel[0][i] = 0.5f * static_cast<float> (std::sin (2.0 * M_PI * 441.3 * double (i) / kRate));
    render (*p, in);
    const float meanAbs = 0.5f * 2.0f / static_cast<float> (M_PI);
    EXPECT_NEAR (p->getVUValues (0), meanAbs, 0.15f * meanAbs);
    EXPECT_EQ (p->getVUValues (1), 0.0f);
    EXPECT_NEAR (p->getVUValues (2), p->getVUValues (0), 0.05f * meanAbs);
    EXPECT_LT (p->getVUValues (3), 1e-6f);
    EXPECT_GT (p->getVUValues (4), 0.02f); // the follower gate
    EXPECT_GT (p->getVUValues (5), 0.02f);
    EXPECT_EQ (p->getVUValues (-4), p->getVUValues (0));
    EXPECT_EQ (p->getVUValues (17), p->getVUValues (5));

    const float before[3] = {p->getVUValues (0), p->getVUValues (2), p->getVUValues (4)};
    renderSilence (*p, 2048);
    EXPECT_LT (p->getVUValues (0), before[0]);
    EXPECT_LT (p->getVUValues (2), before[1]);
    EXPECT_LT (p->getVUValues (4), before[2]);
    renderSilence (*p, 88200);
    for (int m = 0; m < 6; ++m)
        EXPECT_LT (p->getVUValues (m), 1e-4f) << m;

    // A dry input of |2.0| shows limited; no meter leaves 0 .. 1.
    Input loud (22050);
    for (std::size_t i = 0; i < loud.size (); ++i)
        loud.setMain (i, (i / 50) % 2 ? 2.0f : -2.0f, 2.0f);
    render (*p, loud);
    EXPECT_EQ (p->getVUValues (0), 1.0f);
    for (int m = 0; m < 6; ++m)
        EXPECT_TRUE (p->getVUValues (m) >= 0.0f && p->getVUValues (m) <= 1.0f) << m;
}

// Output stage ---------------------------------------------------------------

TEST (ChainOutput, DryOnlyAndBypassPassTheInputAtUnity)
{
    // Wet/dry 0, or bypass with wet/dry 1 (which would remove the dry part).
    for (bool bypass : {false, true})
    {
        SCOPED_TRACE (bypass);
        const Stereo out = renderBurst ([&] (TestInstance& p) {
            p.setParameter (tag::WetDry, bypass ? 1.0f : 0.0f);
            p.setParameter (tag::Bypass, bypass ? 1.0f : 0.0f);
        });
        double gain = 0.0;
        EXPECT_LT (dryDeviation (out, gain), 1e-6);
        EXPECT_NEAR (gain, 1.0, 0.012);      // 0 dB within 0.1 dB
        EXPECT_EQ (peak (out, 22050), 0.0f); // no tail
    }
}

TEST (ChainOutput, WetAndSilentSettings)
{
    const auto silent = [] (TestInstance& p) {
        p.setParameter (tag::WetDry, 1.0f);
        for (int t : {tag::ReverbOn, tag::EarlyOn, tag::LateOn})
            p.setParameter (t, 0.0f);
    };
    EXPECT_EQ (peak (renderBurst (silent)), 0.0f) << "wet only, every section off";
    EXPECT_EQ (peak (renderBurst ([] (TestInstance& p) {
                   p.setParameter (tag::WetDry, 0.5f);
                   p.setParameter (tag::MainVolume, 0.0f);
               })),
               0.0f)
        << "main volume 0";

    // With the reverb on, nothing leaves before the shortest pre-delay.
    auto p = makePlugin (kRate);
    silent (*p);
    p->setParameter (tag::ReverbOn, 1.0f);
    p->setParameter (tag::ReverbPreDelay, 0.0f);
    renderSilence (*p, 8192 * 8);
    const Stereo out = render (*p, impulse (4410));
    EXPECT_LT (peak (out, 0, 5), 1e-9f);
    EXPECT_GT (peak (out, 5), 1e-4f);

    // Half way passes both at unity: the sum of the dry-only and wet-only outputs.
    auto at = [] (float wd) {
        return renderBurst ([&] (TestInstance& q) { q.setParameter (tag::WetDry, wd); }, 0.02f); // clear of the limit
    };
    const Stereo dry = at (0.0f), wet = at (1.0f), both = at (0.5f);
    ASSERT_LT (peak (both), 0.9f);
    EXPECT_GT (peak (wet, 22050), 1e-3f);
    Stereo sum = dry;
    for (std::size_t i = 0; i < sum.size (); ++i)
        sum.left[i] += wet.left[i], sum.right[i] += wet.right[i];
    double largest = 0.0;
    for (std::size_t i = 0; i < sum.size (); ++i)
        largest = std::max ({largest, double (std::fabs (both.left[i] - sum.left[i])),
                             double (std::fabs (both.right[i] - sum.right[i]))});
    EXPECT_LT (largest, 1e-5);
}

TEST (ChainOutput, HardLimitAt0999)
{
    for (float wd : {0.0f, 0.5f, 1.0f})
    {
        SCOPED_TRACE (wd);
        auto p = makePlugin (kRate);
        apply (*p,
               {{tag::WetDry, wd}, {tag::MainVolume, 1.0f}, {tag::ReverbVolume, 1.0f}, {tag::EarlyOn, 1.0f}}); // +20 dB
        Input in (44100);
        for (std::size_t i = 0; i < in.size (); ++i)
            in.setMain (i, (i / 100) % 2 ? 2.0f : -2.0f, 2.0f);
        EXPECT_EQ (peak (render (*p, in)), 0.999f);
    }
}

TEST (ChainOutput, EarlyPathIntoReverbKeepsTheEarlyOutputOffTheOutput)
{
    auto through = [] (bool early, int path, bool reverb) {
        auto p = makePlugin (kRate);
        apply (*p,
               {{tag::WetDry, 1.0f},
                {tag::EarlyOn, early ? 1.0f : 0.0f},
                {tag::LateOn, 0.0f},
                {tag::ReverbOn, reverb ? 1.0f : 0.0f}},
               {{tag::EarlyPath, path}});
        renderSilence (*p, 8192);
        return render (*p, impulse (88200));
    };
    EXPECT_GT (peak (through (true, 0, false)), 1e-3f); // "Direct"
    EXPECT_EQ (peak (through (true, 1, false)), 0.0f);  // "Into Reverb" with the reverb off
    // Into the reverb it changes the tail.
    const Stereo reverbAlone = through (false, 0, true);
    EXPECT_GT (differenceEnergy (through (true, 1, true), reverbAlone), 0.01 * energy (reverbAlone));
}

// Host tempo and transport --------------------------------------------------

namespace {

// Position of the loudest output sample after an impulse at frame 0, with
// only the late delay (single echo, no damping, "1/4") in the wet path.
std::size_t lateEchoDelay (float rate = kRate)
{
    auto p = makePlugin (rate);
    apply (*p,
           {{tag::WetDry, 1.0f},
            {tag::ReverbOn, 0.0f},
            {tag::EarlyOn, 0.0f},
            {tag::LateOn, 1.0f},
            {tag::LateLengthSync, 1.0f},
            {tag::LateVolume, 1.0f},
            {tag::LateDamp, 0.0f}},
           {{tag::LatePath, 0}, {tag::LateLength, 10}});
    renderSilence (*p, 8192);
    const Stereo out = render (*p, impulse (static_cast<std::size_t> (rate)));
    const auto at =
        static_cast<std::size_t> (std::max_element (out.left.begin (), out.left.end (),
                                                    [] (float a, float b) { return std::fabs (a) < std::fabs (b); }) -
                                  out.left.begin ());
    EXPECT_GT (out.left[at], 0.2f); // above 44.1 kHz "Late Damp" 0 still filters a little
    return at;
}

} // namespace

TEST (ChainTempo, LateEchoFollowsTheHostTempoOr120)
{
    TimeGuard guard;
    TestHost::setTime (90.0, true, false);
    EXPECT_NEAR (double (lateEchoDelay ()), 60.0 / 90.0 * kRate + 1.0, 1.0);
    EXPECT_NEAR (double (lateEchoDelay (96000.0f)), 60.0 / 90.0 * 96000.0 + 1.0, 1.0);
    // No valid tempo, "valid" tempos of 0, below 0 and not a number, no time record at all.
    for (auto [tempo, valid] : {std::pair {90.0, false}, {0.0, true}, {-5.0, true}, {std::nan (""), true}})
    {
        TestHost::setTime (tempo, valid, false);
        EXPECT_NEAR (double (lateEchoDelay ()), 0.5 * kRate + 1.0, 1.0) << tempo;
    }
    TestHost::noTime ();
    EXPECT_NEAR (double (lateEchoDelay ()), 0.5 * kRate + 1.0, 1.0);
}

namespace {

// Response from frame `impulseAt` on, to an impulse there, of a strongly
// length-modulated reverb whose host transport plays from frame `startAt`
// (never for SIZE_MAX).
Stereo transportRender (std::size_t startAt, std::size_t impulseAt)
{
    TimeGuard guard;
    TestHost::setTime (120.0, true, false);
    auto p = makePlugin (kRate);
    reverbOnly (*p);
    chooseReverbPreset (*p, 5); // "Room Storm": deep, fast length modulation
    Stereo out = render (*p, impulse (impulseAt + 88200, impulseAt), fixedBlocks (256),
                         [&] (std::size_t at) { TestHost::setTime (120.0, true, at >= startAt); });
    out.left.erase (out.left.begin (), out.left.begin () + static_cast<long> (impulseAt));
    out.right.erase (out.right.begin (), out.right.begin () + static_cast<long> (impulseAt));
    return out;
}

double relativeDifference (const Stereo& a, const Stereo& b) { return differenceEnergy (a, b) / energy (a); }

} // namespace

TEST (ChainTempo, TransportStartResetsTheReverbModulationOncePerStart)
{
    const std::size_t early = 3 * 8192, late = 7 * 8192;
    // Started at different times, the responses right after the start agree ...
    const Stereo startedLate = transportRender (late, late);
    EXPECT_LT (relativeDifference (transportRender (early, early), startedLate), 1e-6);
    // ... while without a start the modulation phase is elsewhere ...
    EXPECT_GT (relativeDifference (startedLate, transportRender (SIZE_MAX, late)), 1e-3);
    // ... and so it is after playing on for 32768 frames in blocks of 256:
    // the start resets once, not on every block.
    EXPECT_GT (relativeDifference (startedLate, transportRender (early, late)), 1e-3);
}

// Program loads and the host's own state ------------------------------------

TEST (ChainPrograms, ALoadStartsFromSilence)
{
    auto p = makePlugin (kRate);
    render (*p, impulseAndBurst (44100));
    p->setDemoProgram (6);
    EXPECT_LT (peak (renderSilence (*p, 22050)), 1e-6f) << "no old tail";
    EXPECT_GT (peak (render (*p, impulseAndBurst (44100))), 1e-2f);
}

// Reverb characters --------------------------------------------------------

TEST (ChainReverbPresets, ChoosingACharacterWritesItsHiddenValues)
{
    auto p = makePlugin (kRate);
    for (int step = 0; step < kReverbPresetSteps; ++step)
    {
        SCOPED_TRACE (std::string (REVERB_PRESET_STR[step]));
        chooseReverbPreset (*p, step);
        float hidden[kReverbHiddenCount];
        reverbPresetValues (step, hidden);
        for (int k = 0; k < kReverbHiddenCount; ++k)
        {
            EXPECT_EQ (p->getLiveValue (kReverbHiddenFirstTag + k), hidden[k]) << kReverbHiddenFirstTag + k;
            // The host sees the values too: they travel with the program.
            EXPECT_EQ (p->getParameter (kReverbHiddenFirstTag + k), hidden[k]);
        }
        EXPECT_EQ (p->signalChain ().getRoomType (), reverbRoomType (reverbPresetRows (step).character));
    }
}

TEST (ChainReverbPresets, AutomatingThePresetAloneLeavesTheCharacter)
{
    auto p = makePlugin (kRate);
    chooseReverbPreset (*p, 3); // "Room Cold"
    const float before = p->getLiveValue (129);
    p->setParameter (tag::ReverbPreset, (9 + 0.1f) / kReverbPresetStepScale); // host automation
    renderSilence (*p, 3 * 8192);
    EXPECT_EQ (p->getSteppedValue (tag::ReverbPreset), 9);
    EXPECT_EQ (p->getLiveValue (129), before);
    EXPECT_EQ (p->getLiveValue (131), 0.0f);
    // Stepping it is a user choice: applied within 8192 frames.
    p->changeDelta (tag::ReverbPreset, -1);
    renderSilence (*p, 8192);
    EXPECT_EQ (p->getSteppedValue (tag::ReverbPreset), 8);
    float hidden[kReverbHiddenCount];
    reverbPresetValues (8, hidden);
    EXPECT_EQ (p->getLiveValue (123), hidden[13]);
}

TEST (ChainReverbPresets, AProgramLoadAppliesItsCharacterAtOnce)
{
    auto p = makePlugin (kRate, 6);
    const int step = p->getSteppedValue (tag::ReverbPreset);
    float hidden[kReverbHiddenCount];
    reverbPresetValues (step, hidden);
    for (int k = 12; k < kReverbHiddenCount; ++k)
        EXPECT_EQ (p->getLiveValue (kReverbHiddenFirstTag + k), hidden[k]) << kReverbHiddenFirstTag + k;
    renderSilence (*p, 64);
    EXPECT_EQ (p->signalChain ().getRoomType (), reverbRoomType (reverbPresetRows (step).character));
}

#if defined(__x86_64__)
// Code built for AVX that leaves the upper halves of the vector registers in
// use slows every SSE instruction after it, in the host and other plug-ins too.
TEST (ChainSimd, BlocksLeaveNoUpperVectorStateInUse)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    // XGETBV with ECX = 1 reports the state components in use.
    if (__get_cpuid_count (0xD, 1, &a, &b, &c, &d) == 0 || (a & 4u) == 0)
        GTEST_SKIP () << "the processor does not report the state in use";
    auto inUse = [] {
        unsigned lo = 0, hi = 0;
        asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1u));
        return (lo & 4u) != 0; // the upper halves of YMM0-15
    };
    auto p = makePlugin (kRate);
    apply (*p, {{tag::EarlyOn, 1.0f}, {tag::LateOn, 1.0f}});
    // Past the first pass through the comb lines, where the steady path runs.
    renderSilence (*p, 140000);
    Input in (4096);
    addNoise (in, 0, 4096, 0.5f, 3);
    std::vector<float> l (64), r (64);
    for (std::size_t done = 0; done < in.size (); done += 64)
    {
        float* i[4];
        for (int ch = 0; ch < 4; ++ch)
            i[ch] = in.channel[ch].data () + done;
        float* o[2] = {l.data (), r.data ()};
        p->processReplacing (i, o, 64);
        ASSERT_FALSE (inUse ()) << "after the block at " << done;
    }
}
#endif

// The Lazy Speed ring sits where the modulated rate really is: the knob
// position whose unmodulated rate the lazy LFO now runs at.
TEST (ChainModulation, LazySpeedRingShowsTheModulatedRate)
{
    for (const float amount : {0.55f, 0.7f, 0.9f, 0.3f})
    {
        SCOPED_TRACE (amount);
        auto p = makePlugin (kRate);
        p->setParameter (tag::LazySync, 0.0f);
        p->setParameter (tag::LazySpeed, 0.5f);
        p->setParameter (tag::LazyOn, 0.0f);
        p->setSteppedValue (tag::Disrupt1Dest, dest::LazySpeed);
        p->setParameter (tag::Disrupt1On, 1.0f);
        p->setParameter (tag::Disrupt1Amount, amount);
        p->setParameter (tag::DisruptValue, 1.0f);
        renderSilence (*p, 16384);
        const float speed = p->signalChain ().modulation ().lfo ().getSpeed ();
        ASSERT_GT (speed, 0.0f);
        const float rateAsKnob = std::log2 (speed * kRate / 0.013427734f) / 10.0f;
        const float ring = p->getDialMod (tag::LazySpeed, true);
        if (rateAsKnob > 0.001f && rateAsKnob < 0.999f)
            EXPECT_NEAR (ring, rateAsKnob, 0.002f);
        else
            EXPECT_NEAR (ring, rateAsKnob < 0.5f ? 0.0f : 1.0f, 0.002f);
        EXPECT_NE (ring, 0.5f) << "the route moved the rate";
    }
}
