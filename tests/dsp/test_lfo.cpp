#include "dsp/TLFO.h"
#include "tests/dsp/ModulationRig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace morlake;

namespace {

constexpr float kSr = kRigRate;

// "1/16T" at 120 bpm and 48 kHz: a period of 4000 samples.
constexpr int kSixteenthTripletStep = 30;

std::unique_ptr<TLFO> makeLfo ()
{
    auto lfo = std::make_unique<TLFO> ();
    lfo->init (kSr);
    lfo->setVariables (0.0f, 0.5f, 0.0f, 0.0f);
    return lfo;
}

// One full cycle of a running LFO, one value per sample.
std::vector<float> oneCycle (TLFO& lfo)
{
    const int n = static_cast<int> (std::lround (1.0 / lfo.getSpeed ()));
    std::vector<float> out;
    for (int i = 0; i < n; ++i)
        out.push_back (lfo.getLazyValue ());
    return out;
}

// The sample indices at which a running output falls by more than `drop`: where a saw wraps.
std::vector<int> wraps (TLFO& lfo, int frames, float drop)
{
    std::vector<int> at;
    float prev = lfo.getLazyValue ();
    for (int i = 1; i < frames; ++i)
    {
        const float v = lfo.getLazyValue ();
        if (v < prev - drop)
            at.push_back (i);
        prev = v;
    }
    return at;
}

struct ShapeCase
{
    int mode;
    float start, quarter, half, threeQuarter;
    bool saw;
};

} // namespace

TEST (LazyLfo, EveryModeDrawsItsShapeOverOnePeriod)
{
    // Positions at 0, 1/4, 1/2 and 3/4 of the cycle after the mode's own start phase.
    const ShapeCase cases[] = {
        {lazymode::LtoR, 0.0f, 0.5f, 1.0f, 0.5f, false},     {lazymode::RtoL, 1.0f, 0.5f, 0.0f, 0.5f, false},
        {lazymode::CtoL, 0.5f, 0.25f, 0.0f, 0.25f, false},   {lazymode::LtoC, 0.0f, 0.25f, 0.5f, 0.25f, false},
        {lazymode::CtoR, 0.5f, 0.75f, 1.0f, 0.75f, false},   {lazymode::RtoC, 1.0f, 0.75f, 0.5f, 0.75f, false},
        {lazymode::CtoLtoR, 0.5f, 0.0f, 0.5f, 1.0f, false},  {lazymode::CtoRtoL, 0.5f, 1.0f, 0.5f, 0.0f, false},
        {lazymode::LSaw, 0.5f, 0.375f, 0.25f, 0.125f, true}, {lazymode::RSaw, 0.5f, 0.625f, 0.75f, 0.875f, true},
        {lazymode::LtoRSaw, 0.0f, 0.25f, 0.5f, 0.75f, true}, {lazymode::RtoLSaw, 1.0f, 0.75f, 0.5f, 0.25f, true},
    };
    for (const ShapeCase& c : cases)
    {
        SCOPED_TRACE (c.mode);
        auto lfo = makeLfo ();
        lfo->setMode (c.mode == 0 ? 1 : 0, 1);
        lfo->setMode (c.mode, 0); // "Free": runs from the start phase
        ASSERT_TRUE (lfo->isRunning ());
        lfo->setSpeed (stepValue (kSixteenthTripletStep, 30.99f), true, 120.0f, 1.0f);
        ASSERT_FLOAT_EQ (lfo->getSpeed (), 1.0f / 4001.0f);

        std::vector<float> v = oneCycle (*lfo);
        ASSERT_EQ (v.size (), 4001u);
        for (int i = 0; i < 20; ++i) // past the end of the cycle, where a saw jumps back
            v.push_back (lfo->getLazyValue ());
        EXPECT_NEAR (v[0], c.start, 0.002f);
        EXPECT_NEAR (v[1000], c.quarter, 0.002f);
        EXPECT_NEAR (v[2000], c.half, 0.002f);
        EXPECT_NEAR (v[3000], c.threeQuarter, 0.002f);
        float biggestStep = 0.0f;
        for (std::size_t i = 0; i < v.size (); ++i)
        {
            EXPECT_GE (v[i], 0.0f);
            EXPECT_LE (v[i], 1.0f);
            if (i > 0)
                biggestStep = std::max (biggestStep, std::fabs (v[i] - v[i - 1]));
        }
        // Sine modes glide, saws jump back once per cycle.
        if (c.saw)
            EXPECT_GT (biggestStep, 0.4f);
        else
            EXPECT_LT (biggestStep, 0.001f);
    }
}

TEST (LazyLfo, StartsWhereTheDesignPutsIt)
{
    auto lfo = makeLfo ();
    // Right after init mode 0 keeps start phase 0.25: near the right end.
    lfo->start ();
    lfo->setSpeed (0.5f, false, 120.0f, 1.0f);
    EXPECT_NEAR (lfo->getLazyValue (), 1.0f, 1e-3f);

    // Selected from another mode, "L > R" starts at its minimum and peaks half a cycle later.
    lfo->setMode (3, 1);
    lfo->setMode (lazymode::LtoR, 1);
    EXPECT_FLOAT_EQ (lfo->getStartPhase (), 0.75f);
    lfo->start ();
    lfo->setSpeed (stepValue (kSixteenthTripletStep, 30.99f), true, 120.0f, 1.0f);
    EXPECT_NEAR (lfo->getLazyValue (), 0.0f, 1e-4f);
    float peak = 0.0f;
    int peakAt = 0;
    for (int i = 1; i < 4001; ++i)
    {
        const float v = lfo->getLazyValue ();
        if (v > peak)
            peak = v, peakAt = i;
    }
    EXPECT_NEAR (peak, 1.0f, 1e-6f);
    EXPECT_NEAR (peakAt, 2000, 3);

    // Modes outside the list draw as "L > R" shapes (u) and start at 0.
    auto a = makeLfo (), b = makeLfo ();
    a->setMode (13, 0);
    b->setMode (lazymode::CtoRtoL, 0);
    a->setSpeed (0.7f, false, 120.0f, 1.0f);
    b->setSpeed (0.7f, false, 120.0f, 1.0f);
    for (int i = 0; i < 5000; ++i)
        ASSERT_FLOAT_EQ (a->getLazyValue (), b->getLazyValue ());
}

TEST (LazyLfo, SyncedPeriodsFollowTempoAndSampleRate)
{
    struct Case
    {
        int step;
        float bpm, sr;
        double periodSamples;
    };
    const Case cases[] = {
        {17, 120.0f, 48000.0f, 96000.0},     // "1/1": one whole note
        {23, 90.0f, 44100.0f, 29400.0},      // "1/4"
        {1, 60.0f, 48000.0f, 9216000.0},     // "32/1*": 48 whole notes
        {30, 120.0f, 48000.0f, 4000.0},      // "1/16T": 1/24 whole note
        {21, 140.0f, 96000.0f, 1.0 / 6.0 * 480.0 * 96000.0 / 140.0}, // "1/2T"
        {13, 174.0f, 44100.0f, 1.5 * 480.0 * 44100.0 / 174.0},       // "2/1*"
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.step);
        auto owner = makeLfo ();
        owner->init (c.sr);
        owner->setSpeed (stepValue (c.step, 30.99f), true, c.bpm, 1.0f);
        EXPECT_NEAR (owner->getSpeed (), 1.0 / (c.periodSamples + 1.0), 1e-6 / (c.periodSamples + 1.0));
        // Twice as fast with a rate scale of 2 (Lazy Mode Speed +0.25).
        owner->setSpeed (stepValue (c.step, 30.99f), true, c.bpm, 2.0f);
        EXPECT_NEAR (owner->getSpeed (), 2.0 / (c.periodSamples + 1.0), 2e-6 / (c.periodSamples + 1.0));
    }

    // Measured: a running "L > R Saw" wraps every 1/speed samples.
    auto lfo = makeLfo ();
    lfo->setMode (lazymode::LtoRSaw, 0);
    lfo->setSpeed (stepValue (26, 30.99f), true, 120.0f, 1.0f); // "1/8": 12000 samples
    const std::vector<int> at = wraps (*lfo, 60000, 0.5f);
    ASSERT_GE (at.size (), 4u);
    for (std::size_t k = 1; k < at.size (); ++k)
        EXPECT_NEAR (at[k] - at[k - 1], 12001, 3);
}

TEST (LazyLfo, FreeSpeedAndTheStoppedRange)
{
    auto lfo = makeLfo ();
    lfo->setSpeed (0.0f, false, 120.0f, 1.0f);
    EXPECT_EQ (lfo->getSpeed (), 0.0f);
    lfo->setSpeed (0.00009f, true, 120.0f, 1.0f);
    EXPECT_EQ (lfo->getSpeed (), 0.0f);
    lfo->setSpeed (1.0f, false, 120.0f, 1.0f);
    EXPECT_NEAR (lfo->getSpeed () * kSr, 13.75f, 0.01f);
    lfo->setSpeed (0.5f, false, 120.0f, 1.0f);
    EXPECT_NEAR (lfo->getSpeed () * kSr, 0.013427734f * 32.0f, 1e-5f);
    lfo->setSpeed (0.5f, false, 120.0f, 0.25f);
    EXPECT_NEAR (lfo->getSpeed () * kSr, 0.013427734f * 8.0f, 1e-5f);
    // Synced "Off" (length 0) advances a whole cycle per sample.
    lfo->setSpeed (0.01f, true, 120.0f, 1.0f);
    EXPECT_FLOAT_EQ (lfo->getSpeed (), 1.0f);
    // Non-finite inputs never reach the phase.
    lfo->setSpeed (0.5f, true, std::nanf (""), 1.0f);
    EXPECT_TRUE (std::isfinite (lfo->getSpeed ()));

    // Below 0.0001 a running LFO does not move.
    lfo->setMode (lazymode::LtoRSaw, 0);
    lfo->setSpeed (0.00005f, false, 120.0f, 1.0f);
    const float first = lfo->getLazyValue ();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ (lfo->getLazyValue (), first);
}

TEST (LazyLfo, StartStopResetAndControllerTriggers)
{
    auto lfo = makeLfo ();
    lfo->setMode (lazymode::LtoRSaw, 1); // not "Free": stays stopped
    EXPECT_FALSE (lfo->isRunning ());
    lfo->setSpeed (0.9f, false, 120.0f, 1.0f);

    // trigger(non-zero) starts from the start phase.
    lfo->trigger (100);
    EXPECT_TRUE (lfo->isRunning ());
    EXPECT_EQ (lfo->getPhase (), 0.0f);
    for (int i = 0; i < 777; ++i)
        lfo->getLazyValue ();
    const float moved = lfo->getPhase ();
    EXPECT_GT (moved, 0.0f);
    // A further non-zero value while running leaves the phase alone.
    lfo->trigger (5);
    EXPECT_EQ (lfo->getPhase (), moved);
    // Zero stops and holds the phase; a stopped output is constant.
    lfo->trigger (0);
    EXPECT_FALSE (lfo->isRunning ());
    EXPECT_EQ (lfo->getPhase (), moved);
    const float held = lfo->getLazyValue ();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ (lfo->getLazyValue (), held);
    lfo->trigger (0);
    EXPECT_FALSE (lfo->isRunning ());
    // Started again: back to the start phase, not where it stopped.
    lfo->trigger (1);
    EXPECT_EQ (lfo->getPhase (), 0.0f);
    // reset: start phase, stopped.
    lfo->getLazyValue ();
    lfo->reset ();
    EXPECT_FALSE (lfo->isRunning ());
    EXPECT_EQ (lfo->getPhase (), 0.0f);
    // The same mode again changes nothing.
    lfo->start ();
    lfo->getLazyValue ();
    const float p = lfo->getPhase ();
    lfo->setMode (lazymode::LtoRSaw, 0);
    EXPECT_EQ (lfo->getPhase (), p);

    // Controller triggers listen to their controller: "CC 1" and "CC 90" at the ends.
    EXPECT_EQ (LAZY_TRIGGER_CONTROLLER_ARRAY[3], 1);
    EXPECT_EQ (LAZY_TRIGGER_CONTROLLER_ARRAY[kNumLazyTriggers - 1], 90);
    EXPECT_EQ (LAZY_TRIGGER_CONTROLLER_ARRAY[0], -1);
}

TEST (LazyLfo, ShapeHumanizeAndSmoothing)
{
    // Shape 0.25: the first half of the wave takes a quarter of the cycle.
    auto lfo = makeLfo ();
    lfo->setMode (lazymode::LtoRSaw, 0);
    lfo->setSpeed (stepValue (kSixteenthTripletStep, 30.99f), true, 120.0f, 1.0f);
    lfo->setVariables (0.0f, 0.25f, 0.0f, 0.0f);
    std::vector<float> v = oneCycle (*lfo);
    EXPECT_NEAR (v[1000], 0.5f, 0.002f);
    EXPECT_NEAR (v[2500], 0.75f, 0.002f);
    // Phase offset shifts the position.
    lfo->setVariables (0.5f, 0.5f, 0.0f, 0.0f);
    lfo->reset ();
    lfo->start ();
    EXPECT_NEAR (lfo->getLazyValue (), 0.5f, 0.001f);
    lfo->setVariables (-10.25f, 0.5f, 0.0f, 0.0f); // far negative offsets wrap too
    EXPECT_NEAR (lfo->getLazyValue (), 0.75f, 0.001f);

    // Humanize 1: each cycle runs at 1 .. 2 times the speed.
    auto h = makeLfo ();
    h->setMode (lazymode::LtoRSaw, 0);
    h->setSpeed (stepValue (kSixteenthTripletStep, 30.99f), true, 120.0f, 1.0f);
    h->setVariables (0.0f, 0.5f, 1.0f, 0.0f);
    const std::vector<int> at = wraps (*h, 200000, 0.3f);
    ASSERT_GT (at.size (), 40u);
    int shortest = 1 << 30, longest = 0;
    for (std::size_t k = 2; k < at.size (); ++k)
    {
        const int len = at[k] - at[k - 1];
        shortest = std::min (shortest, len);
        longest = std::max (longest, len);
    }
    EXPECT_GE (shortest, 2000);
    EXPECT_LE (longest, 4002);
    EXPECT_GT (longest - shortest, 500); // it really varies

    // Smoothing slows a running output; a stopped one is never smoothed.
    auto s = makeLfo ();
    s->setMode (lazymode::LtoRSaw, 0);
    s->setSpeed (0.8f, false, 120.0f, 1.0f);
    s->setVariables (0.0f, 0.5f, 0.0f, 1.0f);
    float last = s->getLazyValue ();
    for (int i = 0; i < 1000; ++i)
        last = s->getLazyValue ();
    EXPECT_LT (last, 0.02f); // k = 1 - 2^-16 barely lets the saw through
    s->stop ();
    EXPECT_GT (s->getLazyValue (), 0.02f);
}

// --- the chain's control of the LFO through the modulation layer ------------

TEST (LazyLfoTriggers, OnlyFreeRunsByItselfAndHostStartsWithTheTransport)
{
    for (int t = 0; t < kNumLazyTriggers; ++t)
    {
        SCOPED_TRACE (t);
        Rig rig;
        rig.p[tag::LazyTrigger] = stepValue (t, 99.99f);
        rig.tick ();
        EXPECT_EQ (rig.mod->lazyTrigger (), t);
        EXPECT_EQ (rig.mod->lfo ().isRunning (), t == lazytrigger::Free);
        rig.mod->transportStarted ();
        EXPECT_EQ (rig.mod->lfo ().isRunning (), t == lazytrigger::Free || t == lazytrigger::Host);
    }
}

TEST (LazyLfoTriggers, ChangingTriggerModeOrSwitchingLazyOnRestartsFromTheStartPhase)
{
    Rig rig;
    rig.p[tag::LazyMode] = stepValue (lazymode::CtoR, 11.99f);
    rig.tick ();
    EXPECT_TRUE (rig.mod->lfo ().isRunning ());
    EXPECT_EQ (rig.mod->lfo ().getMode (), lazymode::CtoR);
    rig.run (5000);
    EXPECT_NE (rig.mod->lfo ().getPhase (), 0.75f);

    // Same trigger, lazy switched on: back to the start phase, running.
    rig.p[tag::LazyOn] = 1.0f;
    rig.tick ();
    EXPECT_EQ (rig.mod->lfo ().getPhase (), 0.75f);
    EXPECT_TRUE (rig.mod->lfo ().isRunning ());
    rig.run (3000);

    // Re-reading an unchanged state holds the phase.
    const float phase = rig.mod->lfo ().getPhase ();
    rig.tick ();
    EXPECT_EQ (rig.mod->lfo ().getPhase (), phase);

    // A new trigger resets and, not being "Free", leaves it stopped.
    rig.p[tag::LazyTrigger] = stepValue (lazytrigger::Note, 99.99f);
    rig.tick ();
    EXPECT_FALSE (rig.mod->lfo ().isRunning ());
    EXPECT_EQ (rig.mod->lfo ().getPhase (), 0.75f);

    // A sample-rate change re-inits (mode 0, start phase 0.25) and starts under "Free".
    rig.p[tag::LazyTrigger] = stepValue (lazytrigger::Free, 99.99f);
    rig.tick ();
    rig.mod->setSampleRate (96000.0f, rig.p.data ());
    EXPECT_TRUE (rig.mod->lfo ().isRunning ());
    EXPECT_EQ (rig.mod->lfo ().getMode (), 0);
}

TEST (LazyLfoTriggers, LazyOnDrivesDisruptValue)
{
    Rig rig;
    rig.p[tag::LazyOn] = 1.0f;
    rig.p[tag::LazySync] = 0.0f;
    rig.p[tag::LazySpeed] = 0.9f;
    float lo = 1.0f, hi = 0.0f;
    for (int i = 0; i < 48000; ++i)
    {
        if ((i & 15) == 0)
            rig.tick ();
        rig.mod->process (rig.p.data ());
        ASSERT_FLOAT_EQ (rig.p[tag::DisruptValue], rig.mod->sourceValue (src::Lazy));
        ASSERT_NEAR (rig.mod->disruptOutput (), 2.0f * rig.p[tag::DisruptValue] - 1.0f, 1e-6f);
        lo = std::min (lo, rig.p[tag::DisruptValue]);
        hi = std::max (hi, rig.p[tag::DisruptValue]);
    }
    EXPECT_LT (lo, 0.01f);
    EXPECT_GT (hi, 0.99f);
}
