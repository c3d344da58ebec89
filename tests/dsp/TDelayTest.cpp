// The delay line: its own guards (non-finite input, the busy state during a
// reset, bad lengths), resets and re-initialisation from another thread
// while the audio thread processes, and lines that grow off the audio thread
// without changing a sample of their output. Its echoes, tempo sync and rates
// are tested through the chain (ChainRenderTest, HostileHostTest) and held by
// the digest test. Meant for the ThreadSanitizer build too.
#include "dsp/Grower.h"
#include "dsp/TDelay.h"
#include "tests/common/Pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>


namespace morlake {

// Reaches the internals the public API does not show.
struct TDelayProbe
{
    static void holdBusy (TDelay& d, bool on)
    {
        d.busy.store (on ? TDelay::Access::Resetting : TDelay::Access::Idle, std::memory_order_relaxed);
    }
    static const TDelayQueue& left (const TDelay& d) { return d.left; }
    static const TDelayQueue& right (const TDelay& d) { return d.right; }
    static double positionLeft (const TDelay& d) { return d.positionLeft; }
    static const double* stamps (const TDelayQueue& q) { return q.stamps.get (); }
};

namespace {

struct Frame
{
    float left = 0.0f;
    float right = 0.0f;
};

Frame run (TDelay& d, float inLeft, float inRight)
{
    Frame out;
    d.process (inLeft, inRight, out.left, out.right);
    return out;
}

// ------------------------------------------------------ limits and feedback

TEST (TDelayLevels, NonFiniteInputDoesNotPoisonTheLine)
{
    TDelay d;
    d.init (44100.0f);
    d.setFeed (0.5f);
    d.setCross (0.3f);
    d.setDelayLenDirect (20, 30);
    for (int i = 0; i < 2000; ++i)
    {
        const float x = i == 100 ? NAN : (i == 300 ? INFINITY : (i == 301 ? -INFINITY : 0.25f));
        const Frame out = run (d, x, x);
        ASSERT_TRUE (std::isfinite (out.left) && std::isfinite (out.right)) << i;
    }
    EXPECT_GT (run (d, 0.25f, 0.25f).left, 0.2f); // signal keeps flowing
}

// --------------------------------------------------- reset and lifecycle

TEST (TDelayLifecycle, BusyLineIsSilentAndHoldsFailDuringAReset)
{
    TDelay d;
    d.init (44100.0f);
    d.setDelayLenDirect (10, 10);
    for (int i = 0; i < 30; ++i)
        run (d, 0.5f, 0.5f);
    const std::size_t sizeBefore = TDelayProbe::left (d).size ();
    const double positionBefore = TDelayProbe::positionLeft (d);
    TDelayProbe::holdBusy (d, true);
    EXPECT_TRUE (d.isBusy ());
    EXPECT_FALSE (d.hold ());
    for (int i = 0; i < 10; ++i)
    {
        const Frame out = run (d, 0.5f, 0.5f);
        EXPECT_TRUE (out.left == 0.0f && out.right == 0.0f) << i;
    }
    // A reset arriving while another is under way returns at once.
    d.zero ();
    EXPECT_EQ (TDelayProbe::left (d).size (), sizeBefore);
    EXPECT_EQ (TDelayProbe::positionLeft (d), positionBefore);
    d.release (); // not held: leaves the reset alone
    EXPECT_TRUE (d.isBusy ());
    TDelayProbe::holdBusy (d, false);
    EXPECT_NEAR (run (d, 0.5f, 0.5f).left, 0.5f, 1e-6f);

    EXPECT_TRUE (d.hold ());
    EXPECT_TRUE (d.hold ()); // holding twice is one hold
    d.release ();
    d.zero (); // released: a reset from this thread goes through at once
    EXPECT_EQ (TDelayProbe::left (d).size (), 100u);
}

TEST (TDelayLifecycle, BadLengthsAreLimited)
{
    TDelay d;
    d.init (44100.0f);
    for (float bad : {0.0f, -10.0f, NAN, INFINITY, 1e30f})
    {
        d.setDelayLenDirect (bad, bad);
        EXPECT_TRUE (d.getStepLeft () > 0.0 && d.getStepLeft () <= 100.0) << bad;
    }
    d.zero ();
    d.setDelayLenDirect (NAN, -1.0f);
    for (int i = 0; i < 1000; ++i)
    {
        const Frame out = run (d, 0.5f, 0.5f);
        ASSERT_TRUE (std::isfinite (out.left) && std::isfinite (out.right));
    }
    // A line fed bogus lengths recovers once a sane one arrives.
    d.zero ();
    d.setDelayLenDirect (10, 10);
    for (int i = 0; i < 10; ++i)
        run (d, 0.5f, 0.5f);
    EXPECT_NEAR (run (d, 0.5f, 0.5f).left, 0.5f, 1e-6f);
}

// ------------------------------------------------------------ threads

// Calls `audio` over and over on a thread of its own while `control` runs here.
template <typename Audio, typename Control>
void whileAudioRuns (Audio audio, Control control)
{
    std::atomic<bool> stop {false};
    std::thread thread ([&] {
        while (! stop.load (std::memory_order_relaxed))
            audio ();
    });
    control ();
    stop.store (true, std::memory_order_relaxed);
    thread.join ();
}

// Resets the line `rounds` times, `pause` apart, and every hundredth time
// initialises it again at `rate`.
void resetRepeatedly (TDelay& d, int rounds, float rate, float reserve, std::chrono::microseconds pause)
{
    for (int k = 0; k < rounds; ++k)
    {
        d.zero ();
        if (k % 100 == 50)
            d.init (rate, reserve);
        std::this_thread::sleep_for (pause);
    }
}

TEST (TDelayThreads, ResetFromAnotherThreadWaitsForTheHoldToEnd)
{
    TDelay d;
    d.init (48000.0f, 0.1f);
    std::atomic<long> processed {0};
    std::atomic<bool> outOfRange {false};
    std::atomic<bool> lostHold {false};
    whileAudioRuns (
        [&] {
            // Like the signal chain: the line held over a block, gains and
            // length set every sample.
            const bool held = d.hold ();
            for (int k = 0; k < 64; ++k)
            {
                const long i = processed.load (std::memory_order_relaxed);
                d.setFeed (0.6f);
                d.setCross (0.3f);
                d.setDelayLenDirect (200.0f + float (i % 300), 260.0f);
                float l, r;
                const float x = 0.9f * std::sin (0.01f * float (i));
                d.process (x, -x, l, r);
                if (! (std::fabs (l) <= 1.0f) || ! (std::fabs (r) <= 1.0f))
                    outOfRange.store (true, std::memory_order_relaxed);
                if (held && d.isBusy ())
                    lostHold.store (true, std::memory_order_relaxed);
                processed.store (i + 1, std::memory_order_relaxed);
            }
            d.release ();
        },
        [&] {
            while (processed.load (std::memory_order_relaxed) == 0)
                std::this_thread::yield ();
            resetRepeatedly (d, 200, 44100.0f, 0.1f, std::chrono::microseconds (200));
            resetRepeatedly (d, 200, 48000.0f, 0.1f, std::chrono::microseconds (50));
        });
    EXPECT_FALSE (outOfRange.load ());
    EXPECT_FALSE (lostHold.load ());
    EXPECT_GT (processed.load (), 1000);
    EXPECT_FALSE (d.isBusy ());
    // The line is left consistent: a reset now gives the silent state.
    d.zero ();
    EXPECT_EQ (TDelayProbe::left (d).size (), 100u);
    EXPECT_EQ (TDelayProbe::right (d).size (), 100u);
}

TEST (TDelayThreads, ConcurrentResetsNeverDeadlock)
{
    TDelay d;
    d.init (44100.0f, 0.05f);
    whileAudioRuns (
        [&] {
            d.setDelayLenDirect (50.0f, 50.0f);
            float l, r;
            d.process (0.5f, 0.5f, l, r);
        },
        [&] {
            std::thread resetA ([&] {
                for (int k = 0; k < 2000; ++k)
                    d.zero ();
            });
            std::thread resetB ([&] {
                for (int k = 0; k < 2000; ++k)
                    d.clear ();
            });
            resetA.join ();
            resetB.join ();
        });
    EXPECT_FALSE (d.isBusy ());
}

// ------------------------------------------------------------- growth

// The longest free length after a reset, then a sweep down and back up.
std::vector<float> render (TDelay& d, float rate, bool serveEachBlock)
{
    std::vector<float> out;
    const long frames = long (9.0f * rate);
    std::uint32_t noise = 1;
    d.setFeed (0.6f);
    d.setCross (-0.2f);
    for (long i = 0; i < frames; ++i)
    {
        const float v = i < frames / 2 ? 1.0f : 0.5f + 0.5f * std::cos (float (i) * 1e-4f);
        d.setDelayLen (v, 0.03f * rate * v, 120.0f);
        noise = noise * 1664525u + 1013904223u;
        const float x = float (int32_t (noise)) * 4.6e-10f;
        float l, r;
        d.process (x, -x, l, r);
        out.push_back (l);
        out.push_back (r);
        if (serveEachBlock && i % 512 == 0)
            Grower::instance ().serve ();
    }
    return out;
}

TEST (TDelayGrowth, GrowsAsItFillsWithTheSameOutput)
{
    const float rate = 22050.0f;
    TDelay full;
    full.init (rate);
    const std::vector<float> expected = render (full, rate, false);
    const std::size_t fullCapacity = TDelayProbe::left (full).capacity ();

    // Served at block pace, as the helper thread would; and left to the
    // helper alone, which a line this fast outruns, so it also grows in place.
    for (bool served : {true, false})
    {
        SCOPED_TRACE (served);
        TDelay small;
        small.init (rate, TDelay::kDefaultReserveSeconds, 0.05f);
        const std::size_t initial = TDelayProbe::left (small).capacity ();
        EXPECT_LT (initial, fullCapacity / 40);
        EXPECT_TRUE (render (small, rate, served) == expected);
        EXPECT_GT (TDelayProbe::left (small).capacity (), initial);
        EXPECT_LE (TDelayProbe::left (small).capacity (), 2 * fullCapacity);
    }
}

TEST (TDelayGrowth, ResetAndDestructionWhileTheHelperServes)
{
    std::atomic<bool> stop {false};
    std::thread helper ([&] {
        while (! stop.load ())
            Grower::instance ().serve ();
    });
    // Each round resets the line halfway and destroys it at the end while the
    // helper may be growing it: the output stays finite, bounded and alive.
    int roundsHeard = 0;
    bool allFinite = true;
    float peak = 0.0f;
    for (int round = 0; round < 20; ++round)
    {
        TDelay d;
        d.init (48000.0f, 4.0f, 0.01f);
        d.setDelayLen (0.5f, 0.0f, 120.0f); // 64 ms: beyond the 10 ms reserve
        bool heard = false;
        for (int i = 0; i < 20000; ++i)
        {
            float l, r;
            d.process (0.1f, 0.1f, l, r);
            allFinite = allFinite && std::isfinite (l) && std::isfinite (r);
            peak = std::max ({peak, std::fabs (l), std::fabs (r)});
            heard = heard || l != 0.0f || r != 0.0f;
            if (i == 10000 + round * 100)
                d.init (48000.0f, 4.0f, 0.01f + 0.001f * float (round));
            d.setDelayLen (0.5f, 0.0f, 120.0f);
        }
        roundsHeard += heard ? 1 : 0;
    }
    stop.store (true);
    helper.join ();
    EXPECT_TRUE (allFinite);
    EXPECT_LE (peak, 1.0f);
    EXPECT_EQ (roundsHeard, 20) << "the line delivered its input in every round";
}

} // namespace
namespace {

// Whether any page of stamps [from, to) of the queue is resident.
bool anyResident (const TDelayQueue& q, std::size_t from, std::size_t to)
{
    const pagetest::Residency r = pagetest::residentPages (TDelayProbe::stamps (q), from * sizeof (double),
                                                           to * sizeof (double));
    EXPECT_GT (r.pages, 0u);
    return r.resident > 0;
}

} // namespace

// A line reserved for 5.9 s commits only what its length needs, ahead of
// it: no page is first touched while it processes (the helper served at
// block pace), and the reserve beyond stays untouched.
TEST (TDelayGrowth, StorageCommittedAheadOfTheLength)
{
    constexpr float kRate = 48000.0f;
    // Entries in a 2 MB page: where the system hands out whole huge pages,
    // the one a committed range ends in is resident past its end.
    constexpr std::size_t kHugePageEntries = (2u << 20) / sizeof (double);
    struct Case
    {
        float length; // samples
        std::size_t committedAtMost;
    };
    for (const Case c : {Case {1000.0f, 8192}, Case {30000.0f, 262144}, Case {200000.0f, 1u << 20}})
    {
        SCOPED_TRACE (c.length);
        TDelay d;
        d.init (kRate, 5.9f, 5.9f);
        const TDelayQueue& q = TDelayProbe::left (d);
        const std::size_t cap = q.capacity ();
        ASSERT_GE (cap, std::size_t (1) << 20);
        d.setFeed (0.5f);
        d.setDelayLenDirect (c.length, c.length);
        long faults = 0;
        for (int block = 0; block < int (5.0f * kRate) / 512; ++block)
        {
            const long before = pagetest::minorFaults ();
            for (int i = 0; i < 512; ++i)
                run (d, 0.25f, -0.25f);
            faults += pagetest::minorFaults () - before;
            Grower::instance ().serve ();
        }
        if (pagetest::kFaultsCounted)
        {
            EXPECT_EQ (faults, 0) << "pages first touched while processing";
        }
        EXPECT_GE (q.committedEntries (), q.size ());
        EXPECT_LE (q.committedEntries (), c.committedAtMost);
        if (c.committedAtMost + kHugePageEntries < cap)
        {
            EXPECT_FALSE (anyResident (q, c.committedAtMost + kHugePageEntries, cap));
        }
    }
}

} // namespace morlake
