// State probes and a reverb set-up shared by the DSP tests.
#pragma once

#include "dsp/TBasicReverb.h"
#include "dsp/TDelay.h"
#include "tests/common/AudioMeasure.h"

#include <cfloat>
#include <cmath>
#include <functional>

namespace morlake {

using measure::Noise;

// Reaches the internals the public API does not show.
struct TDelayProbe
{
    static void holdBusy(TDelay& d, bool on)
    {
        d.busy.store(on ? TDelay::Access::Resetting : TDelay::Access::Idle, std::memory_order_relaxed);
    }
    static const TDelayQueue& left(const TDelay& d) { return d.left; }
    static const TDelayQueue& right(const TDelay& d) { return d.right; }
    static double positionLeft(const TDelay& d) { return d.positionLeft; }
};

struct TBasicReverbProbe
{
    // Calls f for every float of state the network keeps between samples.
    static void forEachState(const TBasicReverb& r, const std::function<void(float)>& f)
    {
        const TComb_M& c = r.combs;
        for (int k = 0; k < TComb_M::kLanes; ++k)
        {
            f(c.getReadValues()[k]);
            f(c.getDampStates()[k]);
            f(c.getLowpassStates()[k]);
            f(c.getHighpassStates()[k]);
        }
        const float* frames = c.getFrames();
        for (std::size_t i = 0; i < std::size_t(c.frameCount()) * TComb_M::kLanes; ++i)
            f(frames[i]);
        const std::size_t apFloats = std::size_t(r.allpassCapacity) * 2 * TBasicReverb::kBanks * 4;
        for (std::size_t i = 0; i < apFloats; ++i)
            f(r.allpassBuffers.get()[i]);
        const std::size_t widenFloats = std::size_t(r.widenMask + 1) * TBasicReverb::kWidenLines;
        for (std::size_t i = 0; i < widenFloats; ++i)
            f(r.widenLines.get()[i]);
    }
};

inline bool isBad(float x) { return !std::isfinite(x) || (x != 0.0f && std::fabs(x) < FLT_MIN); }

// Sets up a reverb the way the signal chain drives it, one bank per input pair.
struct ReverbSettings
{
    float room = 0.5f;
    float length = 1.0f;
    float damp = 0.5f;
    float lowpass = 1.0f;
    float highpass = 0.0f;
    float widen[4] = {1.0f, 1.0f, 1.0f, 1.0f};

    void apply(TBasicReverb& r) const
    {
        r.setFilter(lowpass, highpass);
        r.setDamp(damp);
        r.setRoomSize(room, room, room);
        r.setLength(length, 1, 1, length * 0.9f, 1, 1, length * 0.95f, 1, 1);
        r.setWiden(widen[0], widen[1], widen[2], widen[3]);
        r.setDiffusion(1.0f);
    }
};

} // namespace morlake
