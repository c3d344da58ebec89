// Measurements on rendered stereo audio shared by the test suites: energy,
// peak, finiteness and deterministic noise.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
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

} // namespace morlake::measure
