// Zeroed arrays for delay storage. Large ones come as zero pages straight
// from the system: no clearing of reused heap memory by hand (most of an
// instance's creation time once). Their first pages are committed at once,
// the rest by commitPages() ahead of need, so that no page is first touched
// on the audio thread.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include <sys/mman.h>
#include <unistd.h>

namespace morlake {

template <typename T>
struct ZeroedArrayDelete
{
    std::size_t mappedBytes = 0; // nonzero: pages of their own
    void operator() (T* p) const noexcept
    {
        if (mappedBytes != 0)
            ::munmap (p, mappedBytes);
        else
            delete[] p;
    }
};

template <typename T>
using ZeroedArray = std::unique_ptr<T[], ZeroedArrayDelete<T>>;

// From here on an array is mapped rather than taken from the heap.
inline constexpr std::size_t kZeroedMapBytes = std::size_t (256) << 10;

// Commits the pages of [begin, end) of a mapping without changing what they
// hold; false where the system cannot (before Linux 5.14), and the pages are
// then committed as they are first touched. On memory that may have been
// unmapped meanwhile it commits nothing or another mapping's pages, which
// changes nothing either.
inline bool commitPages (const void* begin, const void* end) noexcept
{
#if defined(MADV_POPULATE_WRITE)
    constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
    constexpr int kPopulateWrite = 23; // Linux 5.14
#endif
    const auto page = static_cast<std::uintptr_t> (::sysconf (_SC_PAGESIZE));
    const std::uintptr_t from = reinterpret_cast<std::uintptr_t> (begin) & ~(page - 1);
    const std::uintptr_t to = reinterpret_cast<std::uintptr_t> (end);
    if (to <= from)
        return true;
    return ::madvise (reinterpret_cast<void*> (from), to - from, kPopulateWrite) == 0;
}

// `bytes` of zero pages of their own, the first `committed` bytes committed
// at once (all of them from `bytes` on); null on failure.
inline void* mapZeroed (std::size_t bytes, std::size_t committed) noexcept
{
    const bool whole = committed >= bytes;
    void* m = ::mmap (nullptr, bytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | (whole ? MAP_POPULATE : MAP_NORESERVE), -1, 0);
    if (m == MAP_FAILED)
        return nullptr;
    auto* p = static_cast<unsigned char*> (m);
    // Nothing else sees the pages yet: zeros written commit them where the system cannot.
    if (! whole && ! commitPages (p, p + committed))
        std::memset (p, 0, committed);
    return m;
}

// n zeroed elements, of which the first `committed` are committed at once
// (mapped arrays only; heap ones are written whole); empty on failure.
template <typename T>
ZeroedArray<T> makeZeroedArray (std::size_t n, std::size_t committed = SIZE_MAX) noexcept
{
    static_assert (std::is_trivial_v<T>);
    if (n > std::size_t (-1) / sizeof (T) / 2)
        return {};
    const std::size_t bytes = n * sizeof (T);
    if (bytes >= kZeroedMapBytes)
        if (void* m = mapZeroed (bytes, std::min (committed, n) * sizeof (T)))
            return ZeroedArray<T> (static_cast<T*> (m), ZeroedArrayDelete<T> {bytes});
    return ZeroedArray<T> (new (std::nothrow) T[n]());
}

// One large trivial object (a table) on zero pages of its own, committed at
// once: faulting its pages in one by one cost more than filling them.
template <typename T>
struct OnPagesDelete
{
    void operator() (T* p) const noexcept { ::munmap (p, sizeof (T)); }
};

template <typename T>
using OnPages = std::unique_ptr<T, OnPagesDelete<T>>;

// Null on failure.
template <typename T>
OnPages<T> makeOnPages () noexcept
{
    static_assert (std::is_trivially_destructible_v<T>);
    void* m = ::mmap (nullptr, sizeof (T), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (m == MAP_FAILED)
        return {};
    return OnPages<T> (::new (m) T);
}

} // namespace morlake
