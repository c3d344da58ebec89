// processReplacing must neither allocate nor lock once running. This binary
// replaces the C and C++ allocation functions and the pthread locks with
// counting ones, armed only around processReplacing calls.
#include "tests/chain/ChainTestUtil.h"

#include "dsp/ModulationTypes.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MORLAKE_COUNT_CALLS 0
#else
#define MORLAKE_COUNT_CALLS 1
#endif

namespace {

// Per thread: only the calling (audio) thread is watched, not the
// preferences writer or any other thread of the process.
thread_local bool gArmed = false;
std::atomic<long> gAllocations {0};
std::atomic<long> gFrees {0};
std::atomic<long> gLocks {0};

inline void note (std::atomic<long>& counter)
{
    if (gArmed)
        counter.fetch_add (1, std::memory_order_relaxed);
}

} // namespace

#if MORLAKE_COUNT_CALLS
extern "C" {
void* __libc_malloc (std::size_t);
void* __libc_calloc (std::size_t, std::size_t);
void* __libc_realloc (void*, std::size_t);
void* __libc_memalign (std::size_t, std::size_t);
void __libc_free (void*);

void* malloc (std::size_t n)
{
    note (gAllocations);
    return __libc_malloc (n);
}
void* calloc (std::size_t n, std::size_t size)
{
    note (gAllocations);
    return __libc_calloc (n, size);
}
void* realloc (void* p, std::size_t n)
{
    note (gAllocations);
    return __libc_realloc (p, n);
}
void* aligned_alloc (std::size_t alignment, std::size_t n)
{
    note (gAllocations);
    return __libc_memalign (alignment, n);
}
void* memalign (std::size_t alignment, std::size_t n)
{
    note (gAllocations);
    return __libc_memalign (alignment, n);
}
int posix_memalign (void** out, std::size_t alignment, std::size_t n)
{
    note (gAllocations);
    void* p = __libc_memalign (alignment, n);
    if (p == nullptr)
        return 12; // ENOMEM
    *out = p;
    return 0;
}
void free (void* p)
{
    if (p != nullptr)
        note (gFrees);
    __libc_free (p);
}

// Locks: forwarded to the C library's own functions, looked up before any arming.
using LockFn = int (*) (pthread_mutex_t*);
using RwFn = int (*) (pthread_rwlock_t*);
LockFn nextLock, nextTryLock;
RwFn nextReadLock, nextWriteLock;

int pthread_mutex_lock (pthread_mutex_t* m)
{
    note (gLocks);
    if (nextLock == nullptr)
        nextLock = reinterpret_cast<LockFn> (dlsym (RTLD_NEXT, "pthread_mutex_lock"));
    return nextLock (m);
}
int pthread_mutex_trylock (pthread_mutex_t* m)
{
    note (gLocks);
    if (nextTryLock == nullptr)
        nextTryLock = reinterpret_cast<LockFn> (dlsym (RTLD_NEXT, "pthread_mutex_trylock"));
    return nextTryLock (m);
}
int pthread_rwlock_rdlock (pthread_rwlock_t* l)
{
    note (gLocks);
    if (nextReadLock == nullptr)
        nextReadLock = reinterpret_cast<RwFn> (dlsym (RTLD_NEXT, "pthread_rwlock_rdlock"));
    return nextReadLock (l);
}
int pthread_rwlock_wrlock (pthread_rwlock_t* l)
{
    note (gLocks);
    if (nextWriteLock == nullptr)
        nextWriteLock = reinterpret_cast<RwFn> (dlsym (RTLD_NEXT, "pthread_rwlock_wrlock"));
    return nextWriteLock (l);
}
} // extern "C"

namespace {
void* allocate (std::size_t n)
{
    note (gAllocations);
    return __libc_malloc (n != 0 ? n : 1);
}
void* allocateAligned (std::size_t n, std::align_val_t a)
{
    note (gAllocations);
    return __libc_memalign (static_cast<std::size_t> (a), n != 0 ? n : 1);
}
void release (void* p)
{
    if (p != nullptr)
        note (gFrees);
    __libc_free (p);
}
} // namespace

void* operator new (std::size_t n)
{
    if (void* p = allocate (n))
        return p;
    throw std::bad_alloc ();
}
void* operator new[] (std::size_t n) { return operator new (n); }
void* operator new (std::size_t n, const std::nothrow_t&) noexcept { return allocate (n); }
void* operator new[] (std::size_t n, const std::nothrow_t&) noexcept { return allocate (n); }
void* operator new (std::size_t n, std::align_val_t a)
{
    if (void* p = allocateAligned (n, a))
        return p;
    throw std::bad_alloc ();
}
void* operator new[] (std::size_t n, std::align_val_t a) { return operator new (n, a); }
void* operator new (std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return allocateAligned (n, a); }
void* operator new[] (std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return allocateAligned (n, a);
}
void operator delete (void* p) noexcept { release (p); }
void operator delete[] (void* p) noexcept { release (p); }
void operator delete (void* p, std::size_t) noexcept { release (p); }
void operator delete[] (void* p, std::size_t) noexcept { release (p); }
void operator delete (void* p, const std::nothrow_t&) noexcept { release (p); }
void operator delete[] (void* p, const std::nothrow_t&) noexcept { release (p); }
void operator delete (void* p, std::align_val_t) noexcept { release (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { release (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { release (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { release (p); }
void operator delete (void* p, std::align_val_t, const std::nothrow_t&) noexcept { release (p); }
void operator delete[] (void* p, std::align_val_t, const std::nothrow_t&) noexcept { release (p); }
#endif

using namespace morlake;
using namespace morlake::chaintest;

namespace {

struct Counts
{
    long allocations = 0, frees = 0, locks = 0;
};

// Noise in 512-frame blocks; every block but the first is counted.
class CountedRun
{
public:
    explicit CountedRun (std::size_t frames) : input (frames)
    {
        addNoise (input, 0, frames, 0.3f, 77);
        for (std::size_t i = 0; i < frames; i += 10000)
            input.setMain (i, 1.0f, -1.0f);
        left.assign (frames, 0.0f);
        right.assign (frames, 0.0f);
    }

    Counts run (APlugin& p, std::size_t frames, bool countFirst = false)
    {
        frames = std::min (frames, input.size ());
        gAllocations = 0;
        gFrees = 0;
        gLocks = 0;
        for (std::size_t done = 0; done < frames; done += kBlock)
        {
            float* in[4];
            for (int c = 0; c < 4; ++c)
                in[c] = input.channel[c].data () + done;
            float* out[2] = {left.data () + done, right.data () + done};
            const int n = static_cast<int> (std::min<std::size_t> (kBlock, frames - done));
            const bool armed = countFirst || done > 0;
            gArmed = armed;
            p.processReplacing (in, out, n);
            gArmed = false;
            // The growth helper's share, at the pace a real-time host leaves it.
            TDelayQueue::serveGrowth ();
        }
        return {gAllocations.load (), gFrees.load (), gLocks.load ()};
    }

    static constexpr std::size_t kBlock = 512;

private:
    Input input;
    std::vector<float> left, right;
};

void expectNone (const Counts& c)
{
    EXPECT_EQ (c.allocations, 0);
    EXPECT_EQ (c.frees, 0);
    EXPECT_EQ (c.locks, 0);
}

} // namespace

TEST (ChainAllocation, CountersSeeAllocationsAndLocks)
{
    if (! MORLAKE_COUNT_CALLS)
        GTEST_SKIP () << "the counting hooks are off under sanitizers";
    gAllocations = gFrees = gLocks = 0;
    gArmed = true;
    auto* a = new (std::nothrow) float[16];
    void* b = ::operator new (64, std::align_val_t (64));
    void* c = std::malloc (8);
    pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
    pthread_mutex_lock (&m);
    pthread_mutex_unlock (&m);
    delete[] a;
    ::operator delete (b, std::align_val_t (64));
    std::free (c);
    gArmed = false;
    EXPECT_EQ (gAllocations.load (), 3);
    EXPECT_EQ (gFrees.load (), 3);
    EXPECT_GE (gLocks.load (), 1);
}

TEST (ChainAllocation, DefaultPresetAtCommonRates)
{
    if (! MORLAKE_COUNT_CALLS)
        GTEST_SKIP () << "the counting hooks are off under sanitizers";
    for (float rate : {44100.0f, 48000.0f, 96000.0f})
    {
        SCOPED_TRACE (rate);
        auto p = makePlugin (rate, 6);
        CountedRun run (static_cast<std::size_t> (3 * rate));
        expectNone (run.run (*p, static_cast<std::size_t> (3 * rate)));
    }
}

TEST (ChainAllocation, RandomParameterSets)
{
    if (! MORLAKE_COUNT_CALLS)
        GTEST_SKIP () << "the counting hooks are off under sanitizers";
    std::mt19937 rng (2024);
    std::uniform_real_distribution<float> value (0.0f, 1.0f);
    for (float rate : {44100.0f, 48000.0f, 96000.0f})
    {
        auto p = makePlugin (rate);
        CountedRun run (static_cast<std::size_t> (2 * rate));
        for (int set = 0; set < 20; ++set)
        {
            SCOPED_TRACE (rate);
            SCOPED_TRACE (set);
            for (int t = 1; t <= tag::LastNamed; ++t)
                p->setParameter (t, value (rng));
            run.run (*p, 4 * CountedRun::kBlock, true); // control work takes the new values
            expectNone (run.run (*p, static_cast<std::size_t> (2 * rate)));
        }
    }
}

TEST (ChainAllocation, LongestLengthsAndWildModulation)
{
    if (! MORLAKE_COUNT_CALLS)
        GTEST_SKIP () << "the counting hooks are off under sanitizers";
    auto p = makePlugin (44100.0f);
    for (int t : {tag::EarlyOn, tag::LateOn, tag::LateLengthSync, tag::FollowerOn, tag::LazyOn})
        p->setParameter (t, 1.0f);
    for (int t : {tag::EarlyLength, tag::ReverbRoomSize, tag::ReverbLength, tag::ReverbPreDelay,
                  tag::ReverbPreDelayDisorder, tag::LateLength, tag::FollowerAmount, tag::ModSlot1Amount,
                  tag::ModSlot2Amount})
        p->setParameter (t, 1.0f);
    p->setParameter (tag::FollowerThreshold, 0.0f);
    p->setSteppedValue (tag::FollowerDest, dest::EarlyWiden);
    p->setSteppedValue (tag::ModSlot1Source, src::Offset);
    p->setSteppedValue (tag::ModSlot1Dest, dest::EarlyWiden);
    p->setSteppedValue (tag::ModSlot2Source, src::Offset);
    p->setSteppedValue (tag::ModSlot2Dest, dest::EarlyWiden);
    const int disruptTargets[4] = {dest::LateWidth, dest::ReverbPreSpread, dest::ReverbPreWiden, dest::EarlyWiden};
    p->setParameter (tag::DisruptValue, 1.0f);
    for (int i = 0; i < 4; ++i)
    {
        p->setParameter (tag::Disrupt1On + i, 1.0f);
        p->setParameter (tag::Disrupt1Amount + i, 1.0f);
        p->setSteppedValue (tag::Disrupt1Dest + i, disruptTargets[i]);
    }
    // Longer than the longest line: every queue has been filled once.
    CountedRun run (static_cast<std::size_t> (14 * 44100));
    expectNone (run.run (*p, static_cast<std::size_t> (14 * 44100)));
}

TEST (ChainAllocation, LongestPreDelaysWithDisorderAndSlowHostTempo)
{
    if (! MORLAKE_COUNT_CALLS)
        GTEST_SKIP () << "the counting hooks are off under sanitizers";
    for (bool synced : {false, true})
    {
        SCOPED_TRACE (synced);
        TestHost::setTime (30.0, true, false); // "1/2*" is then 6 s long
        auto p = makePlugin (48000.0f);
        p->setParameter (tag::ReverbPreDelay, 1.0f);
        p->setParameter (tag::ReverbPreDelaySync, synced ? 1.0f : 0.0f);
        p->setParameter (tag::ReverbPreDelayDisorder, 1.0f); // the second line 1.2 times longer ...
        p->setSteppedValue (tag::ModSlot1Source, src::Offset);
        p->setSteppedValue (tag::ModSlot1Dest, dest::ReverbPreWiden); // ... 1.4 times with widening
        p->setParameter (tag::ModSlot1Amount, 1.0f);
        p->setSteppedValue (tag::ModSlot2Source, src::Offset);
        p->setSteppedValue (tag::ModSlot2Dest, dest::ReverbPreSpread);
        p->setParameter (tag::ModSlot2Amount, 1.0f);
        CountedRun run (static_cast<std::size_t> (20 * 48000));
        expectNone (run.run (*p, static_cast<std::size_t> (20 * 48000)));
        TestHost::noTime ();
    }
}
