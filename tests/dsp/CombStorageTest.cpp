// The comb storage is committed only as far as the ring needs it, ahead of
// the ring by the helper thread, and committing never disturbs what the
// combs hold or are writing.
#include "dsp/TBasicReverb.h"
#include "dsp/ZeroedArray.h"
#include "tests/common/Pages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace morlake {

struct TCombProbe
{
    static const float* storage (const TComb_M& c) { return c.frames.get (); }
};

namespace {

constexpr std::uint32_t kFrames = 32768;
constexpr std::uint32_t kAsked = 0; // committed or not, by now
// Frames in a 2 MB page: where the system hands out whole huge pages, the
// one a committed range ends in is resident past its end.
constexpr std::uint32_t kHugePageFrames = (2u << 20) / (TComb_M::kLanes * sizeof (float)) + 1;

// Whether this system can commit pages ahead (Linux 5.14 and later).
bool commitsAhead ()
{
    const std::size_t bytes = 1 << 16;
    void* m = ::mmap (nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    const bool can = m != MAP_FAILED && commitPages (m, static_cast<char*> (m) + bytes);
    if (m != MAP_FAILED)
        ::munmap (m, bytes);
    return can;
}

// Pages resident of the storage of frames [from, to): every one, none, or some.
enum class Resident { All, None, Some };
Resident resident (const TComb_M& c, std::uint32_t from, std::uint32_t to)
{
    constexpr std::size_t kFrameBytes = TComb_M::kLanes * sizeof (float);
    const pagetest::Residency r =
        pagetest::residentPages (TCombProbe::storage (c), from * kFrameBytes, to * kFrameBytes);
    EXPECT_GT (r.pages, 0u);
    return r.resident == r.pages ? Resident::All : r.resident == 0 ? Resident::None : Resident::Some;
}

TEST (CombStorage, CommittedAsTheRingReachesAndNoFurther)
{
    if (! commitsAhead ())
        GTEST_SKIP () << "this system cannot commit pages ahead";
    TComb_M c (kFrames);
    ASSERT_EQ (c.committedFrames (), kFrames / 8);
    EXPECT_EQ (resident (c, 0, kFrames / 8), Resident::All);
    EXPECT_EQ (resident (c, kFrames / 8 + kHugePageFrames, kFrames), Resident::None);

    struct Step
    {
        const char* what;
        void (*act) (TComb_M&);
        std::uint32_t ring, committed;
    };
    const Step steps[] = {
        {"a reach within the committed eighth", [] (TComb_M& m) { m.reachRing (2048); }, 2048, kFrames / 8},
        {"a longer reach: the ring grows as far as committed", [] (TComb_M& m) { m.reachRing (16384); }, kFrames / 8,
         kAsked},
        {"the same reach once the helper has served",
         [] (TComb_M& m) {
             Grower::instance ().serve ();
             m.reachRing (16384);
         },
         16384, 16384},
        {"a shorter reach: the ring shrinks, the storage stays", [] (TComb_M& m) { m.reachRing (1024); }, 1024, 16384},
        {"a length beyond the committed storage: the ring grows at once",
         [] (TComb_M& m) {
             m.setLength (7, 30000);
             Grower::instance ().serve ();
         },
         kFrames, kFrames},
    };
    for (const Step& s : steps)
    {
        s.act (c);
        EXPECT_EQ (c.ringFrames (), s.ring) << s.what;
        if (s.committed == kAsked)
            continue; // the helper may be at it

        EXPECT_EQ (c.committedFrames (), s.committed) << s.what;
        EXPECT_EQ (resident (c, 0, s.committed), Resident::All) << s.what;
        if (s.committed + kHugePageFrames < kFrames)
        {
            EXPECT_EQ (resident (c, s.committed + kHugePageFrames, kFrames), Resident::None) << s.what;
        }
    }
}

// The helper commits the storage while the combs run over it and their ring
// grows into it: the output is that of combs whose storage was all committed.
TEST (CombStorage, CommittingBesideTheCombsLeavesTheirOutput)
{
    TComb_M committedAhead (kFrames), growing (kFrames);
    for (TComb_M* c : {&committedAhead, &growing})
    {
        float base[TComb_M::kCombs];
        for (int k = 0; k < TComb_M::kCombs; ++k)
            base[k] = 1000.0f + 37.0f * float (k);
        c->setBaseLengths (base);
        const float feedback[3] = {0.84f, 0.8f, 0.78f};
        c->setFeedback (feedback);
        c->setDamp (0.3f);
    }
    committedAhead.setRing (kFrames);
    Grower::instance ().serve ();
    ASSERT_EQ (committedAhead.committedFrames (), kFrames);

    std::atomic<bool> done {false};
    std::thread other ([&] {
        while (! done.load ())
            Grower::instance ().serve ();
    });
    float dry[8] = {}, wide[8] = {};
    alignas (16) float sums[2][8];
    int parted = -1; // the first sample whose sums differ
    for (int i = 0; i < 120000 && parted < 0; ++i)
    {
        // Lengths rising from 1,000 to 20,000 frames, the ring following them.
        const float stretch = 1.0f + 19.0f * float (i) / 120000.0f;
        const TComb_M::ScaledLengths lengths {{stretch, stretch, stretch}, 32767.0f, {1, 1, 1, 0}, {1, 1, 1, 0}};
        const float x = i < 100000 ? std::sin (0.01f * float (i)) * 0.5f : 0.0f;
        for (int k = 0; k < 6; ++k)
            dry[k] = wide[k] = x;
        int n = 0;
        for (TComb_M* c : {&committedAhead, &growing})
        {
            c->setScaledLengths (lengths);
            // A reach now short of the lengths (they grow the ring past the
            // committed storage), now well beyond them.
            if (c == &growing && i % 16 == 0)
                c->reachRing (std::bit_ceil (static_cast<std::uint32_t> ((i / 4096 % 2 ? 4400.0f : 1100.0f) * stretch)));
            c->process (dry, wide, true, sums[n++]);
        }
        for (int k = 0; k < 6; ++k)
            if (sums[0][k] != sums[1][k])
                parted = i;
    }
    done.store (true);
    other.join ();
    EXPECT_EQ (parted, -1);
    EXPECT_GE (growing.ringFrames (), 32768u / 2);
}

} // namespace
} // namespace morlake
