// What the system has done with a process's pages: faults taken by the
// calling thread, and which pages of a range are resident.
#pragma once

#include <cstddef>
#include <vector>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace morlake::pagetest {

// Whether minorFaults() counts the process's own pages alone: a sanitizer's
// shadow of newly touched pages is faulted in beside them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kFaultsCounted = false;
#else
inline constexpr bool kFaultsCounted = true;
#endif

// Pages the calling thread has had the system map in so far: memory first
// touched, which takes the process's memory-map lock.
inline long minorFaults ()
{
    rusage u {};
    ::getrusage (RUSAGE_THREAD, &u);
    return u.ru_minflt;
}

struct Residency
{
    std::size_t resident = 0;
    std::size_t pages = 0;
};

// Of the whole pages within bytes [from, to) of base, those resident.
inline Residency residentPages (const void* base, std::size_t from, std::size_t to)
{
    const auto page = static_cast<std::size_t> (::sysconf (_SC_PAGESIZE));
    const std::size_t begin = (from + page - 1) / page * page;
    const std::size_t end = to / page * page;
    Residency r;
    if (end <= begin)
        return r;
    std::vector<unsigned char> in ((end - begin) / page);
    auto* at = const_cast<unsigned char*> (static_cast<const unsigned char*> (base)) + begin;
    if (::mincore (at, end - begin, in.data ()) != 0)
        return r;
    r.pages = in.size ();
    for (unsigned char b : in)
        r.resident += b & 1;
    return r;
}

} // namespace morlake::pagetest
