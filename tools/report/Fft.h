// In-place radix-2 FFT, shared by the sound report and the test measures.
#pragma once

#include <complex>
#include <numbers>
#include <utility>
#include <vector>

namespace morlake::sound {

// The size must be a power of two.
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
        const double step = -2.0 * std::numbers::pi / double (len);
        for (std::size_t k = 0; k < len / 2; ++k)
        {
            const std::complex<double> w = std::polar (1.0, step * double (k));
            for (std::size_t i = 0; i < n; i += len)
            {
                const auto u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

} // namespace morlake::sound
