#include "tests/common/CountingHooks.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MORLAKE_COUNT_CALLS 0
#else
#define MORLAKE_COUNT_CALLS 1
#endif

namespace {

// Per thread: a preferences writer or any other thread of the process is not watched.
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

namespace morlake::hooks {

bool available () { return MORLAKE_COUNT_CALLS != 0; }

Counting::Counting ()
{
    gAllocations = 0;
    gFrees = 0;
    gLocks = 0;
    gArmed = true;
}

Counts Counting::stop ()
{
    if (running)
    {
        gArmed = false;
        running = false;
        result = {gAllocations.load (), gFrees.load (), gLocks.load ()};
    }
    return result;
}

} // namespace morlake::hooks

#if MORLAKE_COUNT_CALLS
// The C allocation functions: the C++ library's operator new and delete reach
// them too.
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
} // extern "C"

namespace {
// Locks go on to the C library's own functions, one saved pointer per
// function (`Which`): a plain pointer, not a guarded static, whose guard may lock.
template <typename Lock, int Which>
int forward (Lock* lock, const char* name)
{
    note (gLocks);
    using Fn = int (*) (Lock*);
    static Fn next;
    if (next == nullptr)
        next = reinterpret_cast<Fn> (dlsym (RTLD_NEXT, name));
    return next (lock);
}
} // namespace

extern "C" {

int pthread_mutex_lock (pthread_mutex_t* m) { return forward<pthread_mutex_t, 0> (m, "pthread_mutex_lock"); }
int pthread_mutex_trylock (pthread_mutex_t* m) { return forward<pthread_mutex_t, 1> (m, "pthread_mutex_trylock"); }
int pthread_rwlock_rdlock (pthread_rwlock_t* l) { return forward<pthread_rwlock_t, 0> (l, "pthread_rwlock_rdlock"); }
int pthread_rwlock_wrlock (pthread_rwlock_t* l) { return forward<pthread_rwlock_t, 1> (l, "pthread_rwlock_wrlock"); }
} // extern "C"

#endif
