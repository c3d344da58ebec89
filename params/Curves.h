// The unit curves parameters are shown, typed and processed in: each written
// once, with its inverse. Header-only and dependency-free, so that the signal
// chain's tables, the display texts, the typed-in values and the factory
// presets all read the same formulas.
#pragma once

#include <cmath>

namespace morlake::curve {

// Room scaling by room type (0..3).
inline constexpr float ROOM_SIZE_MULT[4] = {1.0f, 0.3f, 0.15f, 0.3f};
inline constexpr float ROOM_SIZE_ADD[4] = {0.0f, 0.6f, 0.7f, 0.6f};
inline constexpr float ROOM_LEN_MULT[4] = {1.0f, 0.25f, 0.4f, 0.2f};
inline constexpr float ROOM_LEN_ADD[4] = {0.0f, 0.6f, 0.6f, 0.7f};

// Reverb length factor of a value x in room type r: 2^(6 l - 6) with
// l = x * ROOM_LEN_MULT[r] + ROOM_LEN_ADD[r], in the precision of T.
template <typename T>
T reverbLengthFactor (T x, int roomType)
{
    const T l = x * static_cast<T> (ROOM_LEN_MULT[roomType]) + static_cast<T> (ROOM_LEN_ADD[roomType]);
    return std::pow (static_cast<T> (2), static_cast<T> (6) * l - static_cast<T> (6));
}

// log2 for constant expressions (x > 0): the integer part by halving or
// doubling, the rest by the atanh series.
constexpr double log2c (double x)
{
    double whole = 0.0;
    while (x >= 2.0)
        x *= 0.5, whole += 1.0;
    while (x < 1.0)
        x *= 2.0, whole -= 1.0;
    const double y = (x - 1.0) / (x + 1.0), y2 = y * y;
    double term = y, sum = 0.0;
    for (int n = 1; n < 60; n += 2, term *= y2)
        sum += term / n;
    return whole + 2.0 * sum / 0.69314718055994531;
}

// 0..1, with NaN and everything below 0 as 0.
constexpr float clamp01 (float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

// The step rule of stepped parameters: step k of n with scale s is selected
// by trunc(value * s + 0.1), limited to 0 .. n - 1; NaN selects 0.
constexpr int stepOfValue (float value, float scale, int steps)
{
    const float x = value * scale + 0.1f;
    if (! (x >= 1.0f))
        return 0;
    const int k = x >= static_cast<float> (steps) ? steps - 1 : static_cast<int> (x);
    return k < 0 ? 0 : k;
}

// A linear decibel range: 0 is lo dB, 1 is hi dB.
template <typename T>
constexpr T decibels (T value, T lo, T hi)
{
    return value * (hi - lo) + lo;
}
constexpr double valueOfDecibels (double db, double lo, double hi) { return (db - lo) / (hi - lo); }

// Times of 1 to 4096 ms: 2^(12 v).
constexpr double valueOfMilliseconds (double ms) { return log2c (ms) / 12.0; }
// Filter frequencies of 20 Hz to 20.48 kHz: 20 * 2^(10 v).
constexpr double valueOfFilterHertz (double hz) { return log2c (hz / 20.0) / 10.0; }
// Lazy oscillator rates: 2^(10 v) * 55 / 2048 Hz.
inline constexpr float kLazyHertzScale = 0.026855469f; // 55 / 2048
constexpr double valueOfLazyHertz (double hz) { return log2c (hz / 0.026855469) / 10.0; }
// Per cent of 0..100, and bipolar amounts of -100..100 %.
constexpr double valueOfPercent (double pc) { return pc / 100.0; }
constexpr double valueOfBipolarPercent (double pc) { return (pc / 100.0 + 1.0) * 0.5; }

} // namespace morlake::curve
