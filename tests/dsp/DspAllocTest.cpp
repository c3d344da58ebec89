// Steady-state processing of the delay line and the reverb network neither
// allocates nor locks, at every sample rate.
#include "dsp/TBasicReverb.h"
#include "dsp/TDelay.h"
#include "tests/common/CountingHooks.h"
#include "tests/dsp/DspTestUtil.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <cstdlib>
#include <memory>
#include <new>

namespace morlake {
namespace {

const float kRates[] = {8000.0f,  11025.0f, 16000.0f,  22050.0f,  32000.0f,  44100.0f, 48000.0f,
                        88200.0f, 96000.0f, 176400.0f, 192000.0f, 352800.0f, 384000.0f};

TEST(DspAllocation, CountingHooksSeeAllocationsAndLocks)
{
    SKIP_WITHOUT_HOOKS();
    hooks::Counting counting;
    auto* a = new (std::nothrow) float[16];
    void* b = ::operator new(64, std::align_val_t(64));
    void* c = std::malloc(8);
    for (void* q : {static_cast<void*>(a), b, c})
        asm volatile("" : : "g"(q) : "memory"); // kept: the pairs may not be optimised away
    pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
    pthread_mutex_lock(&m);
    pthread_mutex_unlock(&m);
    delete[] a;
    ::operator delete(b, std::align_val_t(64));
    std::free(c);
    const hooks::Counts seen = counting.stop();
    EXPECT_EQ(seen.allocations, 3);
    EXPECT_EQ(seen.frees, 3);
    EXPECT_GE(seen.locks, 1);
}

TEST(DspAllocation, DelayProcessingNeverAllocates)
{
    SKIP_WITHOUT_HOOKS();
    TDelay d;
    for (float rate : kRates)
    {
        d.init(rate);
        Noise noise;
        const long longest = long(4.13f * rate);
        hooks::Counting counting;
        // The longest free length right after a reset (the first pass stores two
        // entries per sample), then lengths sweeping down and back up, a reset
        // on the audio thread, and the widest right channel.
        d.zero();
        for (long i = 0; i < 4 * longest; ++i)
        {
            const float v = i < 2 * longest ? 1.0f : 0.5f + 0.5f * std::cos(float(i) * 6.2831853f / float(2 * longest));
            d.setFeed(0.7f);
            d.setCross(-0.2f);
            d.setDelayLen(v, 0.03f * rate * v, 120.0f);
            float l, r;
            d.process(noise(), noise(), l, r);
        }
        d.zero();
        d.setTempoSynced(true);
        for (long i = 0; i < rate; ++i)
        {
            d.setDelayLen(0.6f, 0.0f, 120.0f);
            float l, r;
            d.process(noise(), noise(), l, r);
        }
        const hooks::Counts c = counting.stop();
        EXPECT_TRUE(hooks::none(c)) << rate << " Hz: " << c.allocations << " allocations, " << c.frees << " frees, " << c.locks << " locks";
    }
}

TEST(DspAllocation, ReverbProcessingNeverAllocates)
{
    SKIP_WITHOUT_HOOKS();
    auto r = std::make_unique<TBasicReverb>();
    for (float rate : kRates)
    {
        r->setSampleRate(rate);
        r->create();
        Noise noise;
        hooks::Counting counting;
        r->mute();
        for (long i = 0; i < long(rate); ++i)
        {
            const float m = 0.5f + 0.5f * std::sin(float(i) * 1e-4f);
            r->setFilter(0.3f + 0.7f * m, 0.5f * m);
            r->setDamp(m);
            r->setRoomSize(m, m * 0.9f, m * 0.8f);
            r->setLength(16.0f * m, 1.1f, 0.9f, 8.0f * m, 1.0f, 1.0f, m, 1.05f, 0.95f);
            r->setWiden(1.0f + 0.063f * rate * m, 2.0f, 3.0f, 4.0f);
            r->setDiffusion(1.0f);
            const float x = noise();
            float l, rr;
            r->process(x, -x, x, x, -x, x, l, rr);
        }
        const hooks::Counts c = counting.stop();
        EXPECT_TRUE(hooks::none(c)) << rate << " Hz: " << c.allocations << " allocations, " << c.frees << " frees, " << c.locks << " locks";
    }
}

} // namespace
} // namespace morlake
