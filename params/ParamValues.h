// 256 parameter values shared between the audio and the user-interface thread.
// Each slot is written and read with relaxed atomics: a reader may see a value
// a block late, never a torn one.
#pragma once

#include "params/ParamTags.h"

#include <array>
#include <atomic>

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
            values[static_cast<std::size_t> (t)].store (v, std::memory_order_relaxed);
    }

    void fill (float v)
    {
        for (auto& slot : values)
            slot.store (v, std::memory_order_relaxed);
    }
    void copyFrom (const float* source)
    {
        for (int t = 0; t < kNumParams; ++t)
            set (t, source[t]);
    }
    void copyFrom (const ParamValues& other)
    {
        for (int t = 0; t < kNumParams; ++t)
            set (t, other[t]);
    }
    void copyTo (float* destination) const
    {
        for (int t = 0; t < kNumParams; ++t)
            destination[t] = (*this)[t];
    }

private:
    std::array<std::atomic<float>, kNumParams> values;
};

static_assert (std::atomic<float>::is_always_lock_free);

} // namespace morlake
