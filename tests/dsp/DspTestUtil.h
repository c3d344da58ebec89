// Measurement helpers and state probes shared by the DSP tests.
#pragma once

#include "dsp/TBasicReverb.h"
#include "dsp/TDelay.h"
#include "tests/common/AudioMeasure.h"

#include <cfloat>
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <vector>

namespace morlake {

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
    static double positionRight(const TDelay& d) { return d.positionRight; }
};

struct TBasicReverbProbe
{
    // Calls f for every float of state the network keeps between samples.
    static void forEachState(const TBasicReverb& r, const std::function<void(float)>& f)
    {
        for (const auto& b : r.banks)
        {
            for (int k = 0; k < TComb_M::kCombs; ++k)
            {
                f(b.getReadValues()[k]);
                f(b.getDampStates()[k]);
                f(b.getLowpassStates()[k]);
                f(b.getHighpassStates()[k]);
            }
            const float* frames = b.getFrames();
            for (std::size_t i = 0; i < std::size_t(b.frameCount()) * TComb_M::kCombs; ++i)
                f(frames[i]);
        }
        const std::size_t apFloats = std::size_t(r.allpassCapacity) * 2 * TBasicReverb::kBanks * 4;
        for (std::size_t i = 0; i < apFloats; ++i)
            f(r.allpassBuffers.get()[i]);
        const std::size_t widenFloats = std::size_t(r.widenMask + 1) * TBasicReverb::kWidenLines;
        for (std::size_t i = 0; i < widenFloats; ++i)
            f(r.widenLines.get()[i]);
    }
};

inline bool isDenormal(float x) { return x != 0.0f && std::fabs(x) < FLT_MIN; }
inline bool isBad(float x) { return !std::isfinite(x) || isDenormal(x); }

using measure::fft;

// Power-weighted mean frequency in Hz of x[begin, begin + size) under a Hann window.
inline double spectralCentroid(const std::vector<float>& x, std::size_t begin, std::size_t size, double rate)
{
    return measure::centroid({x.data(), nullptr, std::min(x.size(), begin + size)}, begin, size, rate);
}

// Largest normalised cross-correlation |sum a[i] b[i + lag]| for |lag| <= maxLag.
inline double peakCrossCorrelation(const std::vector<float>& a, const std::vector<float>& b, int maxLag)
{
    std::size_t n = 1;
    while (n < 2 * std::max(a.size(), b.size()))
        n <<= 1;
    std::vector<std::complex<double>> fa(n), fb(n);
    double ea = 0.0, eb = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        fa[i] = a[i];
        ea += double(a[i]) * a[i];
    }
    for (std::size_t i = 0; i < b.size(); ++i)
    {
        fb[i] = b[i];
        eb += double(b[i]) * b[i];
    }
    fft(fa);
    fft(fb);
    // Inverse transform of conj(A) B through the forward transform of its conjugate.
    for (std::size_t i = 0; i < n; ++i)
        fa[i] = std::conj(std::conj(fa[i]) * fb[i]);
    fft(fa);
    double best = 0.0;
    for (int lag = -maxLag; lag <= maxLag; ++lag)
        best = std::max(best, std::fabs(fa[(std::size_t(lag) + n) % n].real()) / double(n));
    return ea > 0.0 && eb > 0.0 ? best / std::sqrt(ea * eb) : 0.0;
}

// RT60 in seconds from the Schroeder decay, fitted between -5 dB and -35 dB;
// infinite when it does not decay.
inline double rt60(const std::vector<float>& h, double rate)
{
    return measure::rt60({h.data(), nullptr, h.size()}, 0, rate, {.mustReachEnd = false, .notDecaying = INFINITY});
}

// Small deterministic white-noise source for test signals.
struct TestNoise
{
    std::uint32_t state = 22222;
    float operator()()
    {
        state = state * 1664525u + 1013904223u;
        return float(int32_t(state)) * (1.0f / 2147483648.0f);
    }
};

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

// Stereo impulse response of `seconds`, impulse into every bank's pair.
inline void impulseResponse(TBasicReverb& r, const ReverbSettings& s, double seconds, std::vector<float>& left,
                            std::vector<float>& right)
{
    r.mute();
    s.apply(r);
    const auto n = static_cast<std::size_t>(seconds * r.getSampleRate());
    left.assign(n, 0.0f);
    right.assign(n, 0.0f);
    for (std::size_t i = 0; i < n; ++i)
    {
        const float x = i == 0 ? 1.0f : 0.0f;
        r.process(x, x, x, x, x, x, left[i], right[i]);
    }
}

} // namespace morlake
