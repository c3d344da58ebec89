// Measurements on rendered stereo audio shared by the test suites: energy,
// peak, decay time, brightness and deterministic noise.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <vector>

namespace morlake::measure {

struct Stereo
{
    std::vector<float> left, right;

    std::size_t size () const { return left.size (); }
    double power (std::size_t i) const { return double (left[i]) * left[i] + double (right[i]) * right[i]; }
};

// Small deterministic white noise in -1..1.
struct Noise
{
    std::uint32_t state = 22222;
    float operator() ()
    {
        state = state * 1664525u + 1013904223u;
        return float (std::int32_t (state)) * (1.0f / 2147483648.0f);
    }
};

// In-place radix-2 FFT; the size must be a power of two.
inline void fft (std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size ();
    for (std::size_t i = 1, j = 0; i < n; ++i)
    {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap (a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1)
    {
        const std::complex<double> w = std::polar (1.0, -2.0 * std::numbers::pi / double (len));
        for (std::size_t i = 0; i < n; i += len)
        {
            std::complex<double> wk = 1.0;
            for (std::size_t k = 0; k < len / 2; ++k, wk *= w)
            {
                const auto u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

inline double db (double energyRatio) { return 10.0 * std::log10 (energyRatio + 1e-300); }

inline double energy (const Stereo& s, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    double e = 0.0;
    for (std::size_t i = from; i < std::min (to, s.size ()); ++i)
        e += s.power (i);
    return e;
}

// Energy of a - b over [from, to).
inline double differenceEnergy (const Stereo& a, const Stereo& b, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    double e = 0.0;
    for (std::size_t i = from; i < std::min ({to, a.size (), b.size ()}); ++i)
        e += std::pow (double (a.left[i]) - b.left[i], 2.0) + std::pow (double (a.right[i]) - b.right[i], 2.0);
    return e;
}

inline float peak (const Stereo& s, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    float m = 0.0f;
    for (std::size_t i = from; i < std::min (to, s.size ()); ++i)
        m = std::max ({m, std::fabs (s.left[i]), std::fabs (s.right[i])});
    return m;
}

inline bool allFinite (const Stereo& s)
{
    for (std::size_t i = 0; i < s.size (); ++i)
        if (! std::isfinite (s.left[i]) || ! std::isfinite (s.right[i]))
            return false;
    return true;
}

inline long countSubnormals (const Stereo& s)
{
    long n = 0;
    for (std::size_t i = 0; i < s.size (); ++i)
        n += (std::fpclassify (s.left[i]) == FP_SUBNORMAL) + (std::fpclassify (s.right[i]) == FP_SUBNORMAL);
    return n;
}

// How a decay line is fitted to the Schroeder energy decay curve.
struct DecayFit
{
    double endDb = -25.0;       // fit from -5 dB down to here
    std::size_t stride = 1;     // fit every stride-th point
    long minPoints = 2;
    bool mustReachEnd = true;   // 0 when the decay never gets to endDb
    double notDecaying = 0.0;   // result for a flat or rising fit
};

// Reverberation time in seconds: the backward-integrated energy decay from
// `from` on, a line fitted between -5 dB and fit.endDb, extrapolated to
// -60 dB. 0 when there is no energy or too few points.
inline double rt60 (const Stereo& s, double sampleRate, std::size_t from = 0, const DecayFit& fit = {})
{
    const std::size_t n = s.size ();
    if (from >= n)
        return 0.0;
    std::vector<double> edc (n + 1, 0.0);
    for (std::size_t i = n; i-- > from;)
        edc[i] = edc[i + 1] + s.power (i);
    const double total = edc[from];
    if (! (total > 0.0))
        return 0.0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    long count = 0;
    bool reached = false;
    for (std::size_t i = from; i < n; i += fit.stride)
    {
        const double level = db (edc[i] / total);
        if (level > -5.0)
            continue;
        if (level < fit.endDb)
        {
            reached = true;
            break;
        }
        const double t = double (i - from) / sampleRate;
        sx += t;
        sy += level;
        sxx += t * t;
        sxy += t * level;
        ++count;
    }
    if ((fit.mustReachEnd && ! reached) || count < fit.minPoints)
        return 0.0;
    const double slope = (count * sxy - sx * sy) / (count * sxx - sx * sx);
    return slope < 0.0 ? -60.0 / slope : fit.notDecaying;
}

// Power-weighted mean frequency in Hz of the channels' sum over
// [from, from + frames) under a Hann window, from `lowestHz` up.
inline double centroid (const Stereo& s, std::size_t from, std::size_t frames, double sampleRate, double lowestHz = 0.0)
{
    std::size_t n = 1;
    while (n < frames)
        n <<= 1;
    std::vector<std::complex<double>> x (n);
    for (std::size_t i = 0; i < frames && from + i < s.size (); ++i)
    {
        const double window = 0.5 - 0.5 * std::cos (2.0 * std::numbers::pi * double (i) / double (frames));
        x[i] = window * (double (s.left[from + i]) + s.right[from + i]);
    }
    fft (x);
    double weighted = 0.0, total = 0.0;
    for (auto k = static_cast<std::size_t> (lowestHz * double (n) / sampleRate) + 1; k < n / 2; ++k)
    {
        const double power = std::norm (x[k]);
        weighted += power * double (k) * sampleRate / double (n);
        total += power;
    }
    return total > 0.0 ? weighted / total : 0.0;
}

} // namespace morlake::measure
