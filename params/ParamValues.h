// 256 parameter values shared between the audio and the user-interface thread.
// Each slot is written and read with relaxed atomics: a reader may see a value
// a block late, never a torn one.
#pragma once

#include "params/ParamTags.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace morlake {

// Values closer than this count as the same for edit tracking.
inline bool differs (float a, float b) { return (a > b ? a - b : b - a) > 0.00001f; }

class ParamValues
{
public:
    ParamValues () { fill (0.0f); }

    float operator[] (int t) const { return values[static_cast<std::size_t> (t)].load (std::memory_order_relaxed); }
    float get (int t) const { return isValidTag (t) ? (*this)[t] : 0.0f; }
    void set (int t, float v)
    {
        if (isValidTag (t))
        {
            store (t, v);
            changed ();
        }
    }

    // A write copyToIfChanged() does not count: for a value its reader
    // refreshes by itself, written too often for a count.
    void setUncounted (int t, float v)
    {
        if (isValidTag (t))
            store (t, v);
    }

    void fill (float v)
    {
        for (int t = 0; t < kNumParams; ++t)
            store (t, v);
        changed ();
    }
    void copyFrom (const float* source)
    {
        for (int t = 0; t < kNumParams; ++t)
            store (t, source[t]);
        changed ();
    }
    void copyFrom (const ParamValues& other)
    {
        for (int t = 0; t < kNumParams; ++t)
            store (t, other[t]);
        changed ();
    }
    void copyTo (float* destination) const
    {
        for (int t = 0; t < kNumParams; ++t)
            destination[t] = (*this)[t];
    }
    // copyTo() unless nothing was written (setUncounted() aside) since the
    // copy that left `seen`; true when it copied.
    bool copyToIfChanged (float* destination, std::uint32_t& seen) const
    {
        const std::uint32_t now = writes.load (std::memory_order_acquire);
        if (now == seen)
            return false;
        seen = now;
        copyTo (destination);
        return true;
    }

private:
    void store (int t, float v) { values[static_cast<std::size_t> (t)].store (v, std::memory_order_relaxed); }
    // Counts writes; released after the values, so a reader that sees the
    // count also sees what was written before it.
    void changed () { writes.fetch_add (1, std::memory_order_release); }

    std::array<std::atomic<float>, kNumParams> values;
    std::atomic<std::uint32_t> writes {0};
};

static_assert (std::atomic<float>::is_always_lock_free);

} // namespace morlake
