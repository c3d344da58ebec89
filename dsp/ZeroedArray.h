// Zeroed arrays for delay storage. Large ones come as zero pages straight
// from the system, committed at once: no clearing of reused heap memory by
// hand (most of an instance's creation time once), and no page first
// touched on the audio thread.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

#include <sys/mman.h>

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

// n zeroed elements; empty on failure.
template <typename T>
ZeroedArray<T> makeZeroedArray (std::size_t n) noexcept
{
    static_assert (std::is_trivial_v<T>);
    if (n > std::size_t (-1) / sizeof (T) / 2)
        return {};
    const std::size_t bytes = n * sizeof (T);
    if (bytes >= kZeroedMapBytes)
    {
        void* m = ::mmap (nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (m != MAP_FAILED)
            return ZeroedArray<T> (static_cast<T*> (m), ZeroedArrayDelete<T> {bytes});
    }
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
