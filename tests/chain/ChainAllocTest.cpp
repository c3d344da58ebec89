// processReplacing must neither allocate, free nor lock once running, nor
// touch memory for the first time.
#include "tests/common/CountingHooks.h"
#include "tests/common/Pages.h"
#include "tests/common/PluginRun.h"

#include "dsp/ModulationTypes.h"
#include "dsp/Grower.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <cstdlib>
#include <new>

using namespace morlake;
using namespace morlake::plugintest;

namespace {

constexpr std::size_t kBlock = 512;

struct RunCounts
{
    hooks::Counts calls;
    long faults = 0;
};

// Touches the stack below the caller's frame: a rare path that first reaches
// deeper than any before would otherwise fault a stack page in.
[[gnu::noinline]] void touchStack ()
{
    volatile unsigned char below[256 << 10];
    for (std::size_t i = 0; i < sizeof (below); i += 4096)
        below[i] = 0;
}

// Noise with an impulse every 10000 frames in blocks of 512; the counts of
// every block after the first (or of all of them).
RunCounts countedRun (TestInstance& p, std::size_t frames, bool countFirst = false)
{
    static Input input = [] {
        Input in (20 * 48000);
        addNoise (in, 0, in.size (), 0.3f, 77);
        for (std::size_t i = 0; i < in.size (); i += 10000)
            in.setMain (i, 1.0f, -1.0f);
        return in;
    }();
    static std::vector<float> left (input.size ()), right (input.size ());
    touchStack ();
    RunCounts total;
    for (std::size_t done = 0; done < std::min (frames, input.size ()); done += kBlock)
    {
        float* in[4];
        for (int c = 0; c < 4; ++c)
            in[c] = input.channel[c].data () + done;
        float* out[2] = {left.data () + done, right.data () + done};
        const auto n = static_cast<int> (std::min (kBlock, frames - done));
        if (countFirst || done > 0)
        {
            const long faultsBefore = pagetest::minorFaults ();
            hooks::Counting counting;
            p.processReplacing (in, out, n);
            const hooks::Counts c = counting.stop ();
            total.faults += pagetest::minorFaults () - faultsBefore;
            total.calls.allocations += c.allocations;
            total.calls.frees += c.frees;
            total.calls.locks += c.locks;
        }
        else
            p.processReplacing (in, out, n);
        // The growth helper's share, at the pace a real-time host leaves it.
        Grower::instance ().serve ();
    }
    return total;
}

void expectNone (const RunCounts& r)
{
    const hooks::Counts& c = r.calls;
    EXPECT_TRUE (hooks::none (c)) << c.allocations << " allocations, " << c.frees << " frees, " << c.locks << " locks";
    EXPECT_EQ (r.faults, 0) << "pages first touched on the audio thread";
}

} // namespace

TEST (ChainAllocation, CountingHooksSeeAllocationsAndLocks)
{
    SKIP_WITHOUT_HOOKS ();
    hooks::Counting counting;
    auto* a = new (std::nothrow) float[16];
    void* b = ::operator new (64, std::align_val_t (64));
    void* c = std::malloc (8);
    for (void* q : {static_cast<void*> (a), b, c})
        asm volatile("" : : "g"(q) : "memory"); // kept: the pairs may not be optimised away
    pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
    pthread_mutex_lock (&m);
    pthread_mutex_unlock (&m);
    delete[] a;
    ::operator delete (b, std::align_val_t (64));
    std::free (c);
    const hooks::Counts seen = counting.stop ();
    EXPECT_EQ (seen.allocations, 3);
    EXPECT_EQ (seen.frees, 3);
    EXPECT_GE (seen.locks, 1);
}

TEST (ChainAllocation, RandomParameterSetsAtCommonRates)
{
    SKIP_WITHOUT_HOOKS ();
    std::mt19937 rng (2024);
    std::uniform_real_distribution<float> value (0.0f, 1.0f);
    for (float rate : {8000.0f, 44100.0f, 48000.0f, 96000.0f, 384000.0f})
    {
        SCOPED_TRACE (rate);
        auto p = makePlugin (rate, 6);
        expectNone (countedRun (*p, static_cast<std::size_t> (3 * rate)));
        for (int set = 0; set < (rate < 100000.0f ? 20 : 4); ++set)
        {
            SCOPED_TRACE (set);
            for (int t = 1; t <= tag::LastNamed; ++t)
                p->setParameter (t, value (rng));
            countedRun (*p, 4 * kBlock, true); // control work takes the new values
            expectNone (countedRun (*p, static_cast<std::size_t> (2 * rate)));
        }
    }
}

TEST (ChainAllocation, LongestLengthsAndWildModulation)
{
    SKIP_WITHOUT_HOOKS ();
    auto p = makePlugin (44100.0f);
    for (int t : {tag::EarlyOn, tag::LateOn, tag::LateLengthSync, tag::FollowerOn, tag::LazyOn, tag::EarlyLength,
                  tag::ReverbRoomSize, tag::ReverbLength, tag::ReverbPreDelay, tag::ReverbPreDelayDisorder,
                  tag::LateLength, tag::FollowerAmount, tag::ModSlot1Amount, tag::ModSlot2Amount, tag::DisruptValue})
        p->setParameter (t, 1.0f);
    apply (*p, {{tag::FollowerThreshold, 0.0f}},
           {{tag::FollowerDest, dest::EarlyWiden},
            {tag::ModSlot1Source, src::Offset},
            {tag::ModSlot1Dest, dest::EarlyWiden},
            {tag::ModSlot2Source, src::Offset},
            {tag::ModSlot2Dest, dest::EarlyWiden}});
    const int disruptTargets[4] = {dest::LateWidth, dest::ReverbPreSpread, dest::ReverbPreWiden, dest::EarlyWiden};
    for (int i = 0; i < 4; ++i)
    {
        p->setParameter (tag::Disrupt1On + i, 1.0f);
        p->setParameter (tag::Disrupt1Amount + i, 1.0f);
        p->setSteppedValue (tag::Disrupt1Dest + i, disruptTargets[i]);
    }
    // Longer than the longest line: every queue has been filled once.
    expectNone (countedRun (*p, 14 * 44100));
}

TEST (ChainAllocation, LongestPreDelaysWithDisorderAndSlowHostTempo)
{
    SKIP_WITHOUT_HOOKS ();
    TimeGuard guard;
    for (bool synced : {false, true})
    {
        SCOPED_TRACE (synced);
        TestHost::setTime (30.0, true, false); // "1/2*" is then 6 s long
        auto p = makePlugin (48000.0f);
        // Disorder makes the second line 1.2 times longer, 1.4 times with widening.
        apply (*p,
               {{tag::ReverbPreDelay, 1.0f},
                {tag::ReverbPreDelaySync, synced ? 1.0f : 0.0f},
                {tag::ReverbPreDelayDisorder, 1.0f},
                {tag::ModSlot1Amount, 1.0f},
                {tag::ModSlot2Amount, 1.0f}},
               {{tag::ModSlot1Source, src::Offset},
                {tag::ModSlot1Dest, dest::ReverbPreWiden},
                {tag::ModSlot2Source, src::Offset},
                {tag::ModSlot2Dest, dest::ReverbPreSpread}});
        expectNone (countedRun (*p, 20 * 48000));
    }
}
