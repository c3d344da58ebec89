#include "tools/render/DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace morlake {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Fixed-seed noise: the demo is the same file on every run and machine.
struct Noise
{
    std::uint32_t state = 0x12345678u;
    float next ()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float> (static_cast<std::int32_t> (state)) / 2147483648.0f;
    }
};

// Each voice runs until its decay is some 100 dB down, so no hit ends in a click.
void kick (AudioBuffers& out, double rate, double at, float level)
{
    const auto start = static_cast<std::size_t> (at * rate);
    const auto length = static_cast<std::size_t> (1.6 * rate);
    double phase = 0.0;
    for (std::size_t i = 0; i < length && start + i < out[0].size (); ++i)
    {
        const double t = static_cast<double> (i) / rate;
        const double freq = 45.0 + 110.0 * std::exp (-t * 30.0); // the pitch drop gives the thump
        phase += kTwoPi * freq / rate;
        const auto v = static_cast<float> (std::sin (phase) * std::exp (-t * 7.0)) * level;
        out[0][start + i] += v;
        out[1][start + i] += v;
    }
}

void snare (AudioBuffers& out, double rate, double at, float level, Noise& noise)
{
    const auto start = static_cast<std::size_t> (at * rate);
    const auto length = static_cast<std::size_t> (0.8 * rate);
    float lowpass = 0.0f;
    for (std::size_t i = 0; i < length && start + i < out[0].size (); ++i)
    {
        const double t = static_cast<double> (i) / rate;
        const float n = noise.next ();
        lowpass += 0.35f * (n - lowpass);
        const auto body = static_cast<float> (std::sin (kTwoPi * 185.0 * t) * std::exp (-t * 25.0));
        const auto rattle = static_cast<float> ((n - 0.5f * lowpass) * std::exp (-t * 14.0));
        const float v = (0.5f * body + 0.6f * rattle) * level;
        out[0][start + i] += v * 0.95f;
        out[1][start + i] += v;
    }
}

void hat (AudioBuffers& out, double rate, double at, float level, Noise& noise)
{
    const auto start = static_cast<std::size_t> (at * rate);
    const auto length = static_cast<std::size_t> (0.2 * rate);
    float previous = 0.0f;
    for (std::size_t i = 0; i < length && start + i < out[0].size (); ++i)
    {
        const double t = static_cast<double> (i) / rate;
        const float n = noise.next ();
        const float high = n - previous; // a first difference leaves the hiss
        previous = n;
        const auto v = static_cast<float> (high * std::exp (-t * 60.0)) * level;
        out[0][start + i] += 0.7f * v;
        out[1][start + i] += v;
    }
}

void chord (AudioBuffers& out, double rate, double at, double hold)
{
    const double notes[] = {130.81, 196.00, 246.94, 293.66, 329.63}; // C3 G3 B3 D4 E4
    const auto start = static_cast<std::size_t> (at * rate);
    // Runs to the end of the buffer: the release is down by more than 100 dB
    // there, so nothing is cut off audibly.
    for (std::size_t i = 0; start + i < out[0].size (); ++i)
    {
        const double t = static_cast<double> (i) / rate;
        const double attack = std::min (1.0, t / 0.02);
        const double release = t < hold ? 1.0 : std::exp (-(t - hold) * 12.0);
        const double envelope = attack * release * (0.75 + 0.25 * std::exp (-t * 3.0));
        double left = 0.0;
        double right = 0.0;
        for (std::size_t k = 0; k < std::size (notes); ++k)
        {
            // Two slightly detuned voices per note, one per side, with a few
            // harmonics falling off like a soft saw.
            for (int h = 1; h <= 4; ++h)
            {
                const double amp = 1.0 / (h * h);
                left += amp * std::sin (kTwoPi * notes[k] * 0.998 * h * t);
                right += amp * std::sin (kTwoPi * notes[k] * 1.002 * h * t + 0.3 * static_cast<double> (k));
            }
        }
        out[0][start + i] += static_cast<float> (left * envelope * 0.09);
        out[1][start + i] += static_cast<float> (right * envelope * 0.09);
    }
}

} // namespace

AudioBuffers makeDemoSignal (double sampleRate)
{
    const auto frames = static_cast<std::size_t> (kDemoSeconds * sampleRate);
    AudioBuffers out (2, std::vector<float> (frames, 0.0f));
    Noise noise;

    // Two bars at 120 BPM: kick on 1 and 3, snare on 2 and 4, eighth-note hats.
    const double beat = 0.5;
    for (int bar = 0; bar < 2; ++bar)
    {
        const double barStart = bar * 4 * beat;
        kick (out, sampleRate, barStart, 0.9f);
        kick (out, sampleRate, barStart + 2 * beat, 0.9f);
        if (bar == 1)
            kick (out, sampleRate, barStart + 2.5 * beat, 0.6f);
        snare (out, sampleRate, barStart + beat, 0.8f, noise);
        snare (out, sampleRate, barStart + 3 * beat, 0.8f, noise);
        for (int e = 0; e < 8; ++e)
            hat (out, sampleRate, barStart + e * beat / 2, e % 2 == 0 ? 0.35f : 0.2f, noise);
    }
    chord (out, sampleRate, 4.0, 0.8);

    float peak = 0.0f;
    for (const auto& ch : out)
        for (float v : ch)
            peak = std::max (peak, std::abs (v));
    if (peak > 0.0f)
        for (auto& ch : out)
            for (auto& v : ch)
                v *= kDemoPeak / peak;
    return out;
}

} // namespace morlake
