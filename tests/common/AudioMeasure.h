// Measurements on rendered stereo audio shared by the test suites: energy,
// peak, decay time, brightness and deterministic noise.
#pragma once

#include <algorithm>
#include <cmath>
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

// Root-mean-square frequency in Hz of the channels' sum over [from, from +
// frames), from the energy of its first difference (DC does not count).
inline double rmsFrequency (const Stereo& s, std::size_t from, std::size_t frames, double sampleRate)
{
    double e = 0.0, d = 0.0;
    for (std::size_t i = from + 1; i < std::min (from + frames, s.size ()); ++i)
    {
        const double x = double (s.left[i]) + s.right[i], previous = double (s.left[i - 1]) + s.right[i - 1];
        e += x * x;
        d += (x - previous) * (x - previous);
    }
    return e > 0.0 ? sampleRate / (2.0 * std::numbers::pi) * 2.0 * std::asin (0.5 * std::sqrt (d / e)) : 0.0;
}

} // namespace morlake::measure
