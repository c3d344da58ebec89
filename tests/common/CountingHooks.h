// Real-time checks: a binary that links CountingHooks.cpp replaces the C
// allocation functions (which operator new and delete use) and the pthread
// locks with versions that count the calls of a thread while it is armed. Under the sanitizers the hooks
// are left out and `available()` is false.
#pragma once

namespace morlake::hooks {

struct Counts
{
    long allocations = 0;
    long frees = 0;
    long locks = 0;
};

bool available ();

// Counts the calls the constructing thread makes until `stop` or the end of
// the scope.
class Counting
{
public:
    Counting ();
    ~Counting () { stop (); }
    Counts stop ();

private:
    Counts result;
    bool running = true;
};

// No allocation, free or lock was counted.
inline bool none (const Counts& c) { return c.allocations == 0 && c.frees == 0 && c.locks == 0; }

} // namespace morlake::hooks

#define SKIP_WITHOUT_HOOKS()                                                                                           \
    if (! ::morlake::hooks::available ())                                                                              \
    GTEST_SKIP () << "the counting hooks are off under sanitizers"
