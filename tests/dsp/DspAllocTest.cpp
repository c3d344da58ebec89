// Steady-state processing must not allocate. This binary replaces the global
// allocation functions with counting ones that are armed around the
// processing loops only.
#include "dsp/TBasicReverb.h"
#include "dsp/TDelay.h"
#include "tests/dsp/DspTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MORLAKE_COUNT_ALLOCATIONS 0
#else
#define MORLAKE_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<bool> gArmed{false};
std::atomic<long> gAllocations{0};

inline void noteAllocation()
{
    if (gArmed.load(std::memory_order_relaxed))
        gAllocations.fetch_add(1, std::memory_order_relaxed);
}

struct CountAllocations
{
    CountAllocations()
    {
        gAllocations.store(0);
        gArmed.store(true);
    }
    ~CountAllocations() { gArmed.store(false); }
    long count() const { return gAllocations.load(); }
};
} // namespace

#if MORLAKE_COUNT_ALLOCATIONS
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);

void* malloc(std::size_t n)
{
    noteAllocation();
    return __libc_malloc(n);
}
void* calloc(std::size_t n, std::size_t size)
{
    noteAllocation();
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t n)
{
    noteAllocation();
    return __libc_realloc(p, n);
}
void* aligned_alloc(std::size_t alignment, std::size_t n)
{
    noteAllocation();
    return __libc_memalign(alignment, n);
}
void* memalign(std::size_t alignment, std::size_t n)
{
    noteAllocation();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t n)
{
    noteAllocation();
    void* p = __libc_memalign(alignment, n);
    if (!p)
        return 12; // ENOMEM
    *out = p;
    return 0;
}
} // extern "C"

void* operator new(std::size_t n)
{
    noteAllocation();
    if (void* p = __libc_malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_malloc(n ? n : 1);
}
// The default operator delete calls free(), which matches __libc_malloc.
#endif

namespace morlake {
namespace {

const float kRates[] = {8000.0f,  11025.0f, 16000.0f,  22050.0f,  32000.0f,  44100.0f, 48000.0f,
                        88200.0f, 96000.0f, 176400.0f, 192000.0f, 352800.0f, 384000.0f};

TEST(DspAllocation, CountingHooksSeeAllocations)
{
    if (!MORLAKE_COUNT_ALLOCATIONS)
        GTEST_SKIP() << "allocation hooks are off under sanitizers";
    CountAllocations counter;
    auto* p = new (std::nothrow) float[16];
    auto* q = ::operator new[](64, std::align_val_t(32), std::nothrow);
    const long seen = counter.count();
    delete[] p;
    ::operator delete[](q, std::align_val_t(32));
    EXPECT_GE(seen, 2);
}

TEST(DspAllocation, DelayProcessingNeverAllocates)
{
    if (!MORLAKE_COUNT_ALLOCATIONS)
        GTEST_SKIP() << "allocation hooks are off under sanitizers";
    TDelay d;
    for (float rate : kRates)
    {
        d.init(rate);
        TestNoise noise;
        const long longest = long(4.13f * rate);
        long allocations = 0;
        {
            CountAllocations counter;
            // Longest free length right after a reset (the first pass stores two
            // entries per sample), then lengths sweeping down and back up, a reset
            // on the audio thread, and the widest right channel.
            d.zero();
            for (long i = 0; i < 2 * longest; ++i)
            {
                d.setFeed(0.7f);
                d.setCross(-0.2f);
                d.setDelayLen(1.0f, 0.03f * rate, 120.0f);
                float l, r;
                d.process(noise(), noise(), l, r);
            }
            for (long i = 0; i < 2 * longest; ++i)
            {
                const float v = 0.5f + 0.5f * std::cos(float(i) * 6.2831853f / float(2 * longest));
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
            allocations = counter.count();
        }
        EXPECT_EQ(allocations, 0) << "at " << rate << " Hz";
    }
}

TEST(DspAllocation, ReverbProcessingNeverAllocates)
{
    if (!MORLAKE_COUNT_ALLOCATIONS)
        GTEST_SKIP() << "allocation hooks are off under sanitizers";
    auto r = std::make_unique<TBasicReverb>();
    for (float rate : kRates)
    {
        r->setSampleRate(rate);
        r->create();
        TestNoise noise;
        long allocations = 0;
        {
            CountAllocations counter;
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
            allocations = counter.count();
        }
        EXPECT_EQ(allocations, 0) << "at " << rate << " Hz";
    }
}

} // namespace
} // namespace morlake
