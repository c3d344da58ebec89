// Rendering factory presets in process and measuring what comes out: test
// signals, reverberation time, brightness, width, movement.
#pragma once

#include "params/ParamTags.h"
#include "plugin/APlugin.h"
#include "tests/common/AudioMeasure.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

namespace morlake::presettest {

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;

inline vst::intptr hostCallback (vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

inline std::unique_ptr<APlugin> makePreset (int index)
{
    auto plugin = std::make_unique<APlugin> (hostCallback);
    plugin->setSampleRate (static_cast<float> (kRate));
    plugin->setDemoProgram (index);
    return plugin;
}

// Four input channels: main pair, side pair.
struct Signal
{
    std::vector<float> ch[4];

    explicit Signal (double seconds)
    {
        for (auto& c : ch)
            c.assign (static_cast<std::size_t> (seconds * kRate), 0.0f);
    }
    std::size_t size () const { return ch[0].size (); }
};

struct Stereo
{
    std::vector<float> l, r;
    std::size_t size () const { return l.size (); }
};

inline Stereo render (APlugin& plugin, const Signal& in)
{
    Stereo out;
    out.l.assign (in.size (), 0.0f);
    out.r.assign (in.size (), 0.0f);
    for (std::size_t done = 0; done < in.size ();)
    {
        const int n = static_cast<int> (std::min<std::size_t> (kBlock, in.size () - done));
        float* ins[4];
        for (int c = 0; c < 4; ++c)
            ins[c] = const_cast<float*> (in.ch[c].data ()) + done;
        float* outs[2] = {out.l.data () + done, out.r.data () + done};
        plugin.processReplacing (ins, outs, n);
        done += static_cast<std::size_t> (n);
    }
    return out;
}

// Deterministic white noise in -1..1.
struct Noise
{
    std::uint32_t state;
    explicit Noise (std::uint32_t seed = 0x2545f491u) : state (seed) {}
    float next ()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float> (static_cast<std::int32_t> (state)) / 2147483648.0f;
    }
};

// A snare-like burst at `at` seconds: 12 ms of white noise with a fast decay
// on both main channels, its mean removed so that no DC rings on in the
// tail. Broadband, so the colour of the tail is the preset's.
inline void addBurst (Signal& s, double at, float level = 0.5f, std::uint32_t seed = 7)
{
    Noise noise (seed);
    const auto start = static_cast<std::size_t> (at * kRate);
    const auto length = std::min (static_cast<std::size_t> (0.012 * kRate), s.size () - std::min (s.size (), start));
    for (int c = 0; c < 2; ++c)
    {
        double mean = 0.0, weight = 0.0;
        std::vector<float> x (length);
        for (std::size_t i = 0; i < length; ++i)
        {
            const auto env = static_cast<float> (std::exp (-double (i) / kRate * 150.0));
            x[i] = env * noise.next ();
            mean += x[i];
            weight += env;
        }
        for (std::size_t i = 0; i < length; ++i)
        {
            const auto env = static_cast<float> (std::exp (-double (i) / kRate * 150.0));
            s.ch[c][start + i] += level * (x[i] - static_cast<float> (mean / weight) * env);
        }
    }
}

// Steady noise on channels `first` and `first + 1` (0: main, 2: side).
inline void addSteadyNoise (Signal& s, double from, double to, float level, int first = 0, std::uint32_t seed = 11)
{
    Noise noise (seed);
    const auto a = static_cast<std::size_t> (from * kRate);
    const auto b = std::min (s.size (), static_cast<std::size_t> (to * kRate));
    float lp0 = 0.0f, lp1 = 0.0f;
    for (std::size_t i = a; i < b; ++i)
    {
        // Gently low-passed, so it resembles programme material more than hiss.
        lp0 += 0.5f * (noise.next () - lp0);
        lp1 += 0.5f * (noise.next () - lp1);
        s.ch[first][i] += level * lp0;
        s.ch[first + 1][i] += level * lp1;
    }
}

// A sung vowel: a 150 Hz pulse with vibrato through three formant resonators.
inline void addVowel (Signal& s, double from, double to, float level)
{
    const auto a = static_cast<std::size_t> (from * kRate);
    const auto b = std::min (s.size (), static_cast<std::size_t> (to * kRate));
    const double formants[3] = {700.0, 1220.0, 2600.0};
    const double gains[3] = {1.0, 0.5, 0.25};
    double y1[3] {}, y2[3] {};
    double phase = 0.0;
    for (std::size_t i = a; i < b; ++i)
    {
        const double t = double (i - a) / kRate;
        phase += (150.0 + 3.0 * std::sin (2.0 * std::numbers::pi * 5.5 * t)) / kRate;
        const double pulse = phase >= 1.0 ? 1.0 : 0.0;
        phase -= std::floor (phase);
        double v = 0.0;
        for (int k = 0; k < 3; ++k)
        {
            const double r = 0.995, w = 2.0 * std::numbers::pi * formants[k] / kRate;
            const double y = pulse + 2.0 * r * std::cos (w) * y1[k] - r * r * y2[k];
            y2[k] = y1[k];
            y1[k] = y;
            v += gains[k] * y * (1.0 - r);
        }
        const double fade = std::min ({1.0, t / 0.02, (double (b - i) / kRate) / 0.02});
        const auto x = static_cast<float> (level * 20.0 * v * fade); // peaks near `level`
        s.ch[0][i] += x;
        s.ch[1][i] += x;
    }
}

// Energy of 10 ms frames, both channels.
inline std::vector<double> frameEnergy (const Stereo& s, std::size_t from, std::size_t frame = 441)
{
    std::vector<double> e;
    for (std::size_t i = from; i + frame <= s.size (); i += frame)
    {
        double sum = 0.0;
        for (std::size_t k = i; k < i + frame; ++k)
            sum += double (s.l[k]) * s.l[k] + double (s.r[k]) * s.r[k];
        e.push_back (sum);
    }
    return e;
}

inline measure::Channels channels (const Stereo& s) { return {s.l.data (), s.r.data (), s.size ()}; }

// Reverberation time of the decay from `from` on: a line fitted from -5 dB
// to -35 dB, extrapolated to -60 dB. 0 when the decay does not reach -35 dB
// within the render.
inline double rt60 (const Stereo& s, std::size_t from)
{
    return measure::rt60 (channels (s), from, kRate, {.endDb = -35.0, .stride = 16, .minPoints = 4});
}

// Power-weighted mean frequency of the mono sum over [from, from + frames),
// from 30 Hz up: the slowest part of any comb tail is its DC, which says
// nothing about brightness.
inline double centroid (const Stereo& s, std::size_t from, std::size_t frames)
{
    return measure::centroid (channels (s), from, frames, kRate, 30.0);
}

inline double energy (const Stereo& s, std::size_t from, std::size_t to)
{
    return measure::energy (channels (s), from, to);
}

// Side energy over mid energy: 0 for mono, 1 for uncorrelated channels.
inline double width (const Stereo& s, std::size_t from, std::size_t to)
{
    double mid = 0.0, side = 0.0;
    for (std::size_t i = from; i < std::min (to, s.size ()); ++i)
    {
        const double m = s.l[i] + s.r[i], d = s.l[i] - s.r[i];
        mid += m * m;
        side += d * d;
    }
    return mid > 0.0 ? side / mid : 0.0;
}

inline float peak (const Stereo& s, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    return measure::peak (channels (s), from, to);
}

inline bool allFinite (const Stereo& s) { return measure::allFinite (channels (s)); }

inline double db (double energyRatio) { return 10.0 * std::log10 (energyRatio + 1e-300); }

// Movement under a steady input: the spread (standard deviation, in dB) of
// the level and of the left/right balance of 50 ms frames over [from, to).
struct Movement
{
    double level = 0.0;
    double balance = 0.0;
};

inline Movement movement (const Stereo& s, double from, double to)
{
    const auto frame = static_cast<std::size_t> (0.05 * kRate);
    std::vector<double> level, balance;
    for (auto i = static_cast<std::size_t> (from * kRate); i + frame <= std::min (s.size (), std::size_t (to * kRate));
         i += frame)
    {
        double el = 0.0, er = 0.0;
        for (std::size_t k = i; k < i + frame; ++k)
        {
            el += double (s.l[k]) * s.l[k];
            er += double (s.r[k]) * s.r[k];
        }
        level.push_back (db (el + er));
        balance.push_back (db ((el + 1e-12) / (er + 1e-12)));
    }
    auto spread = [] (const std::vector<double>& v) {
        if (v.size () < 2)
            return 0.0;
        double mean = 0.0;
        for (double x : v)
            mean += x;
        mean /= double (v.size ());
        double var = 0.0;
        for (double x : v)
            var += (x - mean) * (x - mean);
        return std::sqrt (var / double (v.size () - 1));
    };
    return {spread (level), spread (balance)};
}

} // namespace morlake::presettest
