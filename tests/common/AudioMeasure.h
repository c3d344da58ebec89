// Measurements on rendered audio shared by the test suites: energy, peak,
// decay time and brightness of one or two channels.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <vector>

namespace morlake::measure {

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

// One or two channels of equal length; `right` may be null.
struct Channels
{
    const float* left = nullptr;
    const float* right = nullptr;
    std::size_t size = 0;

    double power (std::size_t i) const
    {
        const double l = left[i], r = right != nullptr ? double (right[i]) : 0.0;
        return l * l + r * r;
    }
    double sum (std::size_t i) const { return double (left[i]) + (right != nullptr ? double (right[i]) : 0.0); }
};

inline double energy (const Channels& c, std::size_t from, std::size_t to)
{
    double e = 0.0;
    for (std::size_t i = from; i < std::min (to, c.size); ++i)
        e += c.power (i);
    return e;
}

inline float peak (const Channels& c, std::size_t from, std::size_t to)
{
    float m = 0.0f;
    for (std::size_t i = from; i < std::min (to, c.size); ++i)
        m = std::max ({m, std::fabs (c.left[i]), c.right != nullptr ? std::fabs (c.right[i]) : 0.0f});
    return m;
}

inline bool allFinite (const Channels& c)
{
    for (std::size_t i = 0; i < c.size; ++i)
        if (! std::isfinite (c.left[i]) || (c.right != nullptr && ! std::isfinite (c.right[i])))
            return false;
    return true;
}

// How a decay line is fitted to the Schroeder energy decay curve.
struct DecayFit
{
    double endDb = -35.0;       // fit from -5 dB down to here
    std::size_t stride = 1;     // fit every stride-th point
    long minPoints = 2;
    bool mustReachEnd = true;   // 0 when the decay never gets to endDb
    double notDecaying = 0.0;   // result for a flat or rising fit
};

// Reverberation time in seconds: the Schroeder backward-integrated energy
// decay from `from` on, a line fitted between -5 dB and fit.endDb,
// extrapolated to -60 dB. 0 when there is no energy or too few points.
inline double rt60 (const Channels& c, std::size_t from, double sampleRate, const DecayFit& fit = {})
{
    const std::size_t n = c.size;
    if (from >= n)
        return 0.0;
    std::vector<double> edc (n + 1, 0.0);
    for (std::size_t i = n; i-- > from;)
        edc[i] = edc[i + 1] + c.power (i);
    const double total = edc[from];
    if (! (total > 0.0))
        return 0.0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    long count = 0;
    bool reached = false;
    for (std::size_t i = from; i < n; i += fit.stride)
    {
        const double db = 10.0 * std::log10 (edc[i] / total + 1e-300);
        if (db > -5.0)
            continue;
        if (db < fit.endDb)
        {
            reached = true;
            break;
        }
        const double t = double (i - from) / sampleRate;
        sx += t;
        sy += db;
        sxx += t * t;
        sxy += t * db;
        ++count;
    }
    if ((fit.mustReachEnd && ! reached) || count < fit.minPoints)
        return 0.0;
    const double slope = (count * sxy - sx * sy) / (count * sxx - sx * sx);
    return slope < 0.0 ? -60.0 / slope : fit.notDecaying;
}

// Power-weighted mean frequency in Hz of the channels' sum over
// [from, from + frames) under a Hann window, from `lowestHz` up.
inline double centroid (const Channels& c, std::size_t from, std::size_t frames, double sampleRate,
                        double lowestHz = 0.0)
{
    std::size_t n = 1;
    while (n < frames)
        n <<= 1;
    std::vector<std::complex<double>> x (n);
    for (std::size_t i = 0; i < frames && from + i < c.size; ++i)
    {
        const double window = 0.5 - 0.5 * std::cos (2.0 * std::numbers::pi * double (i) / double (frames));
        x[i] = window * c.sum (from + i);
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
