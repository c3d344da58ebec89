#include "tests/common/CountingHooks.h"
#include "tests/dsp/ModulationRig.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <set>

using namespace morlake;

namespace {

// GainWide at 0.5: entry 32767 of 65536, a hair under 0 dB.
const double kUnity = std::pow (10.0, (80.0 * 32767.0 / 65536.0 - 40.0) / 20.0);

void expectOnly (const Rig& rig, int d, float expected)
{
    for (int k = 0; k < kNumDestinations; ++k)
    {
        if (k == d && d != dest::None)
            EXPECT_FLOAT_EQ (rig.m (k), expected) << "destination " << k;
        else
            EXPECT_EQ (rig.m (k), 0.0f) << "destination " << k << " moved by a route to " << d;
    }
}

} // namespace

// --- routing -------------------------------------------------------------------

TEST (ModulationRouting, EachDestinationGetsExactlyItsSlotAmount)
{
    for (int d = 0; d < kNumDestinations; ++d)
    {
        SCOPED_TRACE (d);
        {
            Rig rig; // Mod Slot 1: Offset (1) at amount +0.5
            rig.route (1, src::Offset, d, 0.75f);
            rig.frame ();
            EXPECT_EQ (rig.mod->slotDestination (9), d);
            expectOnly (rig, d, 0.5f);
        }
        {
            Rig rig; // Mod Slot 2: Offset at amount -0.5
            rig.route (2, src::Offset, d, 0.25f);
            rig.frame ();
            expectOnly (rig, d, -0.5f);
        }
        {
            Rig rig; // Disrupt slot 3: Disrupt fully right (+1) at amount -0.5
            rig.p[tag::DisruptValue] = 1.0f;
            rig.p[tag::Disrupt1Dest + 2] = listValue (d);
            rig.p[tag::Disrupt1Amount + 2] = 0.25f;
            rig.frame ();
            expectOnly (rig, d, -0.5f);
            // Its switch off routes it nowhere.
            rig.p[tag::Disrupt1On + 2] = 0.0f;
            rig.run (16);
            expectOnly (rig, dest::None, 0.0f);
        }
    }
}

TEST (ModulationRouting, EverySourceReachesASlotWithItsValue)
{
    Rig rig;
    rig.mod->midi.set (src::ModWheel, 0.25f);
    rig.mod->midi.set (src::Pitchbend, -1.0f);
    rig.mod->midi.set (src::CC114, 0.5f);
    rig.mod->midi.set (40, 0.3f);                   // not a MIDI source: ignored
    rig.mod->midi.set (src::CC16, std::nanf (""));  // refused
    rig.mod->setTap (tap::Output, 0.1f, 0.2f);      // later taps arrive from the previous frame
    const std::pair<int, float> cases[] = {{src::None, 0.0f},  {src::ModWheel, 0.25f},     {src::Pitchbend, -1.0f},
                                           {src::CC114, 0.5f}, {src::CC16, 0.0f},          {src::Offset, 1.0f},
                                           {src::Input, 1.4f}, {src::Output, 2.0f * 0.3f}};
    for (auto [source, value] : cases)
    {
        rig.route (1, source, dest::Pan, 1.0f); // amount +1
        rig.tick ();
        rig.mod->setTap (tap::Input, 0.3f, 0.4f);
        rig.mod->process (rig.p.data ());
        EXPECT_FLOAT_EQ (rig.m (dest::Pan), value) << source;
    }
    // Lazy and its derived sources.
    for (int s : {src::Lazy, src::UniPolarLazy, src::SignLazy})
    {
        rig.route (1, s, dest::Pan, 1.0f);
        rig.tick ();
        rig.mod->process (rig.p.data ());
        const float lazy = rig.mod->sourceValue (src::Lazy);
        const float expected = s == src::Lazy ? lazy : s == src::UniPolarLazy ? 0.5f * lazy + 0.5f : (lazy > 0.0f ? 1.0f : 0.0f);
        EXPECT_FLOAT_EQ (rig.m (dest::Pan), expected) << s;
    }
}

TEST (ModulationRouting, SlotsAddUpAndAmountDestinationsActOneSampleLate)
{
    Rig rig;
    rig.route (1, src::Offset, dest::ReverbDamp, 0.75f);
    rig.route (2, src::Offset, dest::ReverbDamp, 0.6f);
    rig.frame ();
    EXPECT_NEAR (rig.m (dest::ReverbDamp), 0.5f + 0.2f, 1e-6f);

    // Slot 1 modulating its own amount: +0.5, then +1.0, then +1.5.
    Rig self;
    self.route (1, src::Offset, dest::ModSlot1Amount, 0.75f);
    for (float expected : {0.5f, 1.0f, 1.5f})
    {
        self.frame ();
        EXPECT_FLOAT_EQ (self.m (dest::ModSlot1Amount), expected);
    }

    // Disrupt amount destinations scale their Disrupt slot, one sample late.
    Rig dis;
    dis.p[tag::DisruptValue] = 1.0f;
    dis.p[tag::Disrupt1Dest] = listValue (dest::WetPan);
    dis.p[tag::Disrupt1Amount] = 0.75f; // +0.5
    dis.route (1, src::Offset, dest::DisruptAmount1, 0.6f); // +0.2
    dis.frame ();
    EXPECT_FLOAT_EQ (dis.m (dest::WetPan), 0.5f);
    dis.frame ();
    EXPECT_FLOAT_EQ (dis.m (dest::WetPan), 0.7f);
}

TEST (ModulationRouting, RoutingIsReadAtControlRateAmountsPerSample)
{
    Rig rig;
    rig.route (1, src::Offset, dest::Pan, 1.0f);
    rig.frame (); // control tick on frame 0
    rig.p[tag::ModSlot1Dest] = listValue (dest::DryPan);
    for (int i = 1; i < 16; ++i)
    {
        rig.frame ();
        ASSERT_EQ (rig.m (dest::Pan), 1.0f);
    }
    rig.frame ();
    EXPECT_EQ (rig.m (dest::Pan), 0.0f);
    EXPECT_EQ (rig.m (dest::DryPan), 1.0f);
    rig.p[tag::ModSlot1Amount] = 0.5f;
    rig.frame ();
    EXPECT_EQ (rig.m (dest::DryPan), 0.0f);
}

// --- Disrupt ---------------------------------------------------------------------

TEST (Disrupt, QuantisationGivesTwoQPlusOneLevels)
{
    // Quantisation steps "Off", "31" ... "1": the divisor of the value range.
    const int divisors[13] = {0, 31, 23, 19, 15, 11, 9, 7, 5, 4, 3, 2, 1};
    for (int q = 0; q < 13; ++q)
    {
        SCOPED_TRACE (q);
        Rig rig;
        rig.p[tag::DisruptQuantization] = stepValue (q, 12.99f);
        std::set<float> levels;
        for (int i = 0; i <= 2000; ++i)
        {
            rig.p[tag::DisruptValue] = static_cast<float> (i) / 2000.0f;
            rig.frame ();
            const float out = rig.mod->disruptOutput ();
            if (divisors[q] > 0)
            {
                const float k = out * static_cast<float> (divisors[q]);
                ASSERT_NEAR (k, std::round (k), 1e-4f) << out;
            }
            levels.insert (out);
        }
        if (divisors[q] > 0)
            EXPECT_EQ (levels.size (), static_cast<std::size_t> (2 * divisors[q] + 1));
        else
            EXPECT_GT (levels.size (), 1000u);
        // The centre is 0 whatever the quantisation.
        rig.p[tag::DisruptValue] = 0.5f;
        rig.frame ();
        EXPECT_EQ (rig.mod->disruptOutput (), 0.0f);
    }
    // "2" (Q = 1): 0.75 rounds up to the right end.
    Rig rig;
    rig.p[tag::DisruptQuantization] = stepValue (12, 12.99f);
    rig.p[tag::DisruptValue] = 0.75f;
    rig.frame ();
    EXPECT_EQ (rig.mod->disruptOutput (), 1.0f);
    EXPECT_EQ (rig.mod->getDisruptModValue (), 1.0f);
}

TEST (Disrupt, SmoothingAndTheDisruptDestination)
{
    Rig rig;
    rig.route (1, src::Offset, dest::DisruptSmooth, 1.0f); // smooth = 1: e = 2^-14
    rig.run (32);
    EXPECT_EQ (rig.mod->disruptOutput (), 0.0f);
    rig.p[tag::DisruptValue] = 1.0f;
    rig.frame ();
    EXPECT_NEAR (rig.mod->disruptOutput (), std::exp2 (-14.0f), 1e-9f);
    rig.run (16383);
    EXPECT_NEAR (rig.mod->disruptOutput (), 1.0f - std::exp (-1.0f), 0.002f);

    // The "Disrupt" destination is added to the output, limited to -1..+1.
    Rig add;
    add.p[tag::DisruptValue] = 0.75f;
    add.route (1, src::Offset, dest::Disrupt, 0.6f); // +0.2
    add.frame ();
    EXPECT_FLOAT_EQ (add.mod->disruptOutput (), 0.5f); // sums of the previous sample: none yet
    add.frame ();
    EXPECT_FLOAT_EQ (add.mod->disruptOutput (), 0.7f);
    add.p[tag::ModSlot1Amount] = 1.0f;
    add.run (3);
    EXPECT_FLOAT_EQ (add.mod->disruptOutput (), 1.0f);
}

TEST (Disrupt, SpringLandsExactlyAfterItsTime)
{
    struct Case
    {
        int step;
        float bpm;
    };
    const Case cases[] = {{12, 120.0f}, {2, 120.0f}, {9, 97.0f}, {17, 60.0f}, {16, 174.0f}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.step);
        Rig rig;
        rig.bpm = c.bpm;
        rig.p[tag::DisruptSpringTime] = stepValue (c.step, 17.99f);
        rig.p[tag::DisruptValue] = 1.0f;
        rig.tick (); // adopt tempo and settings
        rig.mod->setDisruptSpringOn ();
        const double samples = static_cast<double> (DISRUPT_SPRING_TIME_ARRAY[static_cast<std::size_t> (c.step)]) *
                               kRigRate * 240.0 / c.bpm;
        const long landing = static_cast<long> (std::ceil (samples - 1e-3));
        for (long k = 1; k < landing; ++k)
        {
            rig.mod->process (rig.p.data ());
            if (k == 1 || k == landing / 2 || k == landing - 1)
            {
                EXPECT_NEAR (rig.p[tag::DisruptValue], 1.0 - 0.5 / samples * static_cast<double> (k), 1e-6) << k;
                EXPECT_GT (rig.p[tag::DisruptValue], 0.5f);
            }
        }
        rig.mod->process (rig.p.data ());
        EXPECT_EQ (rig.p[tag::DisruptValue], 0.5f) << "landing " << landing;
        // Off after landing: a new value stays.
        rig.p[tag::DisruptValue] = 0.8f;
        for (int i = 0; i < 100; ++i)
            rig.mod->process (rig.p.data ());
        EXPECT_EQ (rig.p[tag::DisruptValue], 0.8f);
    }
    EXPECT_FLOAT_EQ (DISRUPT_SPRING_TIME_ARRAY[12] * 96000.0f, 24000.0f);
}

TEST (Disrupt, WhatStartsAndStopsTheSpring)
{
    // From "Off" to a time: starts; from the left it rises to the centre.
    Rig rig;
    rig.p[tag::DisruptValue] = 0.2f;
    rig.run (16);
    rig.p[tag::DisruptSpringTime] = stepValue (6, 17.99f); // "1/16 QB": 6000 samples
    rig.run (16);
    EXPECT_GT (rig.p[tag::DisruptValue], 0.2f);
    rig.run (6000);
    EXPECT_EQ (rig.p[tag::DisruptValue], 0.5f);

    // The transport starting, or the editor's stop request, stops it where it is.
    for (bool transport : {true, false})
    {
        rig.p[tag::DisruptValue] = 0.9f;
        rig.mod->setDisruptSpringOn ();
        rig.run (100);
        if (transport)
            rig.mod->transportStarted ();
        else
            rig.mod->setDisruptSpringOff ();
        rig.run (1);
        const float stopped = rig.p[tag::DisruptValue];
        rig.run (100);
        EXPECT_EQ (rig.p[tag::DisruptValue], stopped);
        EXPECT_LT (stopped, 0.9f);
    }

    // Switching lazy off springs from where the LFO left it.
    Rig lazy;
    lazy.p[tag::DisruptSpringTime] = stepValue (6, 17.99f);
    lazy.run (16);
    lazy.p[tag::LazyOn] = 1.0f;
    lazy.p[tag::LazySync] = 0.0f;
    lazy.p[tag::LazySpeed] = 1.0f;
    lazy.run (1000);
    lazy.p[tag::LazyOn] = 0.0f;
    lazy.run (6016);
    EXPECT_EQ (lazy.p[tag::DisruptValue], 0.5f);

    // "Off" and a centred value never move; "Instant" lands on the next sample.
    Rig off;
    off.p[tag::DisruptValue] = 0.9f;
    off.run (16);
    off.mod->setDisruptSpringOn ();
    off.run (100);
    EXPECT_EQ (off.p[tag::DisruptValue], 0.9f);
    off.p[tag::DisruptSpringTime] = stepValue (1, 17.99f);
    off.p[tag::DisruptValue] = 0.5005f;
    off.run (16);
    off.mod->setDisruptSpringOn ();
    off.run (10);
    EXPECT_EQ (off.p[tag::DisruptValue], 0.5005f);
    for (float start : {0.0f, 0.3f, 0.495f, 0.505f, 1.0f})
    {
        off.p[tag::DisruptValue] = start;
        off.mod->setDisruptSpringOn ();
        off.mod->process (off.p.data ());
        EXPECT_EQ (off.p[tag::DisruptValue], 0.5f) << start;
        off.p[tag::DisruptValue] = 0.7f;
        off.mod->process (off.p.data ());
        EXPECT_EQ (off.p[tag::DisruptValue], 0.7f) << "still springing after " << start;
    }
}

TEST (Disrupt, ProgramLoadDoesNotSpringTheNewValueOrKeepMidi)
{
    Rig rig;
    rig.mod->midi.set (src::ModWheel, 0.8f);
    rig.run (16);
    // The new program: spring time set, lazy off after a lazy-on program, value off-centre.
    rig.p[tag::LazyOn] = 1.0f;
    rig.run (16);
    rig.p[tag::LazyOn] = 0.0f;
    rig.p[tag::DisruptSpringTime] = stepValue (12, 17.99f);
    rig.p[tag::DisruptValue] = 0.9f;
    rig.mod->programChanged (rig.p.data ());
    rig.mod->resetAll (rig.p.data ());
    rig.run (1000);
    EXPECT_EQ (rig.p[tag::DisruptValue], 0.9f);
    EXPECT_EQ (rig.mod->midi.value[src::ModWheel], 0.0f);
    rig.route (1, src::Offset, dest::Pan, 1.0f);
    rig.run (16);
    EXPECT_EQ (rig.m (dest::Pan), 1.0f); // "Offset" is still 1
}

// --- follower ----------------------------------------------------------------------

namespace {
Rig& followerRig (Rig& rig, int source = tap::Input)
{
    rig.p[tag::FollowerOn] = 1.0f;
    rig.p[tag::FollowerSource] = stepValue (source, 6.99f);
    rig.p[tag::FollowerDest] = listValue (dest::EarlyDamp);
    rig.p[tag::FollowerAmount] = 1.0f; // factor 12
    return rig;
}
} // namespace

TEST (Follower, TracksABurstWithItsAttackAndRelease)
{
    for (float smooth : {0.0f, 0.5f})
    {
        SCOPED_TRACE (smooth);
        Rig rig;
        followerRig (rig).p[tag::FollowerSmooth] = smooth;
        const double e = std::exp2 (-8.0 - 8.0 * smooth);
        rig.run (16); // silence
        // Burst: level (|0.5| + |0.5|) / 2 = 0.5.
        const int tau = static_cast<int> (std::lround (1.0 / e));
        rig.run (tau, 0.5f, -0.5f);
        const double expected = 0.5 * kUnity * (1.0 - std::pow (1.0 - e, tau));
        EXPECT_NEAR (rig.mod->followerGate (), expected, 1e-3);
        EXPECT_NEAR (rig.m (dest::EarlyDamp), 12.0 * expected, 1e-2);
        rig.run (20 * tau, 0.5f, -0.5f);
        // A single-precision one-pole settles within a few ulps / e of its target.
        EXPECT_NEAR (rig.mod->followerGate (), 0.5 * kUnity, 3e-4);
        // Release with the same coefficient.
        rig.run (tau);
        EXPECT_NEAR (rig.mod->followerGate (), 0.5 * kUnity * std::pow (1.0 - e, tau), 1e-3);
        rig.run (40 * tau);
        EXPECT_LT (rig.mod->followerGate (), 1e-6);
    }

    // The first sample after a reset jumps to the level.
    Rig jump;
    followerRig (jump);
    jump.frame (0.25f, 0.25f);
    EXPECT_NEAR (jump.mod->followerGate (), 0.25 * kUnity, 1e-7);
}

TEST (Follower, ListensToTheChosenTapOnly)
{
    for (int chosen = 0; chosen < kNumTaps; ++chosen)
    {
        SCOPED_TRACE (chosen);
        Rig rig;
        followerRig (rig, chosen);
        rig.tick ();
        for (int k = 0; k < kNumTaps; ++k)
            if (k != chosen)
                rig.mod->setTap (k, 0.9f, 0.9f);
        for (int i = 0; i < 32; ++i)
            rig.mod->process (rig.p.data ());
        EXPECT_LT (rig.mod->followerGate (), 1e-12f);
        // Input taps count this sample, the later ones from the previous.
        rig.mod->resetAll (rig.p.data ());
        rig.mod->setTap (chosen, 0.4f, 0.2f);
        rig.mod->process (rig.p.data ());
        EXPECT_NEAR (rig.mod->followerGate (), 0.3 * kUnity, 1e-7);
    }
}

TEST (Follower, AmountThresholdBoostAndSwitch)
{
    // Amount 0.5 (a = 0): nothing, however loud.
    Rig none;
    followerRig (none).p[tag::FollowerAmount] = 0.5f;
    none.run (2000, 1.0f, 1.0f);
    EXPECT_EQ (none.m (dest::EarlyDamp), 0.0f);
    EXPECT_GT (none.mod->followerGate (), 0.9f);

    // Negative amounts flip the sign: a = -0.5 gives -(2 - 1) * 4 = -4 per unit.
    Rig neg;
    followerRig (neg).p[tag::FollowerAmount] = 0.25f;
    neg.run (5000, 0.5f, 0.5f);
    EXPECT_NEAR (neg.m (dest::EarlyDamp), -4.0f * 0.5f, 1e-3f);

    // Threshold -20 dB (x = 0.5) gates a level of 0.05 but not 0.2; 0 never gates.
    Rig thr;
    followerRig (thr).p[tag::FollowerThreshold] = 0.5f;
    thr.run (5000, 0.05f, 0.05f);
    EXPECT_EQ (thr.mod->followerGate (), 0.0f);
    thr.run (5000, 0.2f, 0.2f);
    EXPECT_NEAR (thr.mod->followerGate (), 0.2f, 1e-4f);
    thr.p[tag::FollowerThreshold] = 0.0f;
    thr.run (5000, 1e-6f, 1e-6f);
    EXPECT_GT (thr.mod->followerGate (), 0.0f);

    // Boost +0.5 (GainWide at 1.0, +40 dB) multiplies the level by 100.
    Rig boost;
    followerRig (boost).route (1, src::Offset, dest::FollowerBoost, 0.75f);
    boost.run (8000, 0.001f, 0.001f);
    EXPECT_NEAR (boost.mod->followerGate (), 0.1f, 1e-3f);

    // Off: the source is 0.
    Rig off;
    followerRig (off).p[tag::FollowerOn] = 0.0f;
    off.run (100, 1.0f, 1.0f);
    EXPECT_EQ (off.m (dest::EarlyDamp), 0.0f);
    EXPECT_EQ (off.mod->followerGate (), 0.0f);
}

// --- noise and the editor's view -----------------------------------------------------

TEST (ModulationNoise, UniformPerInstanceAndNewEverySample)
{
    Rig a, b;
    a.tick ();
    b.tick ();
    int bins[10] = {};
    double mean = 0.0;
    float prev = -1.0f;
    int repeats = 0;
    const int n = 100000;
    for (int i = 0; i < n; ++i)
    {
        a.mod->process (a.p.data ());
        b.mod->process (b.p.data ());
        const float u = a.mod->sourceValue (src::UniPolarNoise);
        ASSERT_TRUE (u >= 0.0f && u <= 1.0f) << u;
        ASSERT_FLOAT_EQ (a.mod->sourceValue (src::Noise), 2.0f * u - 1.0f);
        ASSERT_EQ (u, b.mod->sourceValue (src::UniPolarNoise)); // instances do not share state
        bins[std::min (9, static_cast<int> (u * 10.0f))]++;
        mean += u;
        repeats += u == prev;
        prev = u;
    }
    for (int k = 0; k < 10; ++k)
        EXPECT_NEAR (bins[k], n / 10, n / 50) << k;
    EXPECT_NEAR (mean / n, 0.5, 0.01);
    EXPECT_LT (repeats, 5);
}

TEST (ModulationDial, ModulatedKnobPositions)
{
    Rig rig;
    rig.route (1, src::Offset, dest::ReverbVolume, 0.25f); // -0.5
    rig.route (2, src::Offset, dest::ReverbDamp, 0.6f);    // +0.2
    rig.run (17); // the sums reach the editor at the control tick
    const TModulation& mod = *rig.mod;
    EXPECT_FLOAT_EQ (mod.getDialMod (tag::ReverbDamp, 0.24f, dest::ReverbDamp, true), 0.44f);
    EXPECT_FLOAT_EQ (mod.getDialMod (tag::ReverbDamp, 0.9f, dest::ReverbDamp, true), 1.0f);
    EXPECT_FLOAT_EQ (mod.getDialMod (tag::ReverbDamp, 0.24f, dest::ReverbDamp, false), 0.24f);
    EXPECT_FLOAT_EQ (mod.getDialMod (tag::Bypass, 0.3f, dest::None, true), 0.3f);
    // A volume pushed into its silent range shows 0, above it the sum.
    EXPECT_EQ (mod.getDialMod (tag::ReverbVolume, 0.5005f, dest::ReverbVolume, true), 0.0f);
    EXPECT_FLOAT_EQ (mod.getDialMod (tag::ReverbVolume, 0.8f, dest::ReverbVolume, true), 0.3f);
    EXPECT_FLOAT_EQ (mod.getDialMod (tag::DisruptValue, 0.8f, 99, true), 0.8f);
}

// --- stability and real time ------------------------------------------------------------------

namespace {
bool healthy (float v) { return std::isfinite (v) && (v == 0.0f || std::fabs (v) >= FLT_MIN); }

// Every slot busy, every internal source in use, the LFO modulated from all sides.
void busyRig (Rig& rig)
{
    const int disruptDests[8] = {dest::LazyPhase, dest::LazyShape, dest::LazyHumanize, dest::LazySmooth,
                                 dest::FollowerBoost, dest::DisruptSmooth, dest::Disrupt, dest::LazySpeed};
    for (int n = 0; n < 8; ++n)
    {
        rig.p[tag::Disrupt1Dest + n] = listValue (disruptDests[n]);
        rig.p[tag::Disrupt1Amount + n] = 0.1f * static_cast<float> (n) + 0.1f;
    }
    followerRig (rig, tap::ReverbOutput).p[tag::FollowerDest] = listValue (dest::ModSlot1Amount);
    rig.p[tag::FollowerSmooth] = 0.3f;
    rig.route (1, src::Noise, dest::FollowerSmooth, 0.5f);
    rig.route (2, src::Output, dest::LazySpeed, 0.9f);
    rig.p[tag::LazyOn] = 1.0f;
    rig.p[tag::LazySync] = 0.0f;
    rig.p[tag::DisruptQuantization] = stepValue (3, 12.99f);
    rig.mod->midi.set (src::Pitchbend, -1.0f);
}
} // namespace

TEST (ModulationStability, EverySourceActiveStaysFiniteAndFreeOfDenormals)
{
    Rig rig;
    busyRig (rig);
    for (int i = 0; i < 300000; ++i)
    {
        const float x = std::sin (static_cast<float> (i) * 0.01f) * (i % 50000 < 25000 ? 1.0f : 1e-30f);
        if ((i & 15) == 0)
        {
            rig.p[tag::ModSlot1Source] = listValue (src::Disrupt + (i >> 4) % 15); // walk the internal sources
            rig.tick ();
        }
        rig.mod->setTap (tap::Input, x, -x);
        rig.mod->setTap (tap::SideInput, x, x);
        rig.mod->process (rig.p.data ());
        for (int k = 2; k < kNumTaps; ++k)
            rig.mod->setTap (k, x * static_cast<float> (k), x);
        for (int d = 0; d < kNumDestinations; ++d)
            ASSERT_TRUE (healthy (rig.m (d))) << "destination " << d << " at " << i << ": " << rig.m (d);
        for (int s = 0; s < kNumSources; ++s)
            ASSERT_TRUE (healthy (rig.mod->sourceValue (s))) << "source " << s << " at " << i;
        ASSERT_TRUE (healthy (rig.mod->lfo ().getLastValue ()));
        ASSERT_TRUE (rig.p[tag::DisruptValue] >= 0.0f && rig.p[tag::DisruptValue] <= 1.0f);
    }

    // Broken taps do not poison the sums.
    rig.mod->setTap (tap::Input, std::nanf (""), INFINITY);
    rig.p[tag::FollowerSource] = stepValue (tap::Input, 6.99f);
    rig.route (1, src::Input, dest::Pan, 0.5f);
    rig.tick ();
    rig.mod->process (rig.p.data ());
    for (int d = 0; d < kNumDestinations; ++d)
        EXPECT_TRUE (std::isfinite (rig.m (d))) << d;
}

TEST (ModulationRealTime, SteadyStateNeitherAllocatesNorLocks)
{
    SKIP_WITHOUT_HOOKS ();
    Rig rig;
    busyRig (rig);
    rig.run (1000, 0.3f, 0.1f);
    hooks::Counting counting;
    rig.run (48000, 0.3f, 0.1f);
    rig.mod->setDisruptSpringOn ();
    rig.mod->transportStarted ();
    rig.run (100, 0.3f, 0.1f);
    const hooks::Counts counts = counting.stop ();
    EXPECT_EQ (counts.allocations, 0);
    EXPECT_EQ (counts.frees, 0);
    EXPECT_EQ (counts.locks, 0);
}
