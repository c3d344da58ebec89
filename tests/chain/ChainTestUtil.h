// Helpers for tests that drive the whole chain through the plug-in instance:
// a minimal host, block-wise rendering, test signals and measurements.
#pragma once

#include "params/ParamTags.h"
#include "plugin/APlugin.h"
#include "tests/common/AudioMeasure.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

namespace morlake::chaintest {

// The host: a version answer and, when asked for, one time record. The record
// is changed only while no block runs; the audio thread only reads it.
struct TestHost
{
    static inline vst::VstTimeInfo time {};
    static inline std::atomic<bool> answerTime {false};

    static vst::intptr callback (vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float)
    {
        if (opcode == vst::audioMasterVersion)
            return 2400;
        if (opcode == vst::audioMasterGetTime && answerTime.load (std::memory_order_relaxed))
            return reinterpret_cast<vst::intptr> (&time);
        return 0;
    }

    static void noTime () { answerTime.store (false, std::memory_order_relaxed); }

    static void setTime (double tempo, bool tempoValid, bool playing)
    {
        time = {};
        time.sampleRate = 44100.0;
        time.tempo = tempo;
        time.flags = (tempoValid ? vst::kVstTempoValid : 0) | (playing ? vst::kVstTransportPlaying : 0);
        answerTime.store (true, std::memory_order_relaxed);
    }
};

inline std::unique_ptr<APlugin> makePlugin (float sampleRate = 44100.0f, int factoryPreset = 0)
{
    auto plugin = std::make_unique<APlugin> (TestHost::callback);
    plugin->setSampleRate (sampleRate);
    plugin->setDemoProgram (factoryPreset);
    return plugin;
}

struct Stereo
{
    std::vector<float> left, right;

    std::size_t size () const { return left.size (); }
};

// Four input channels of equal length (side pair may stay silent).
struct Input
{
    std::vector<float> channel[4];

    explicit Input (std::size_t frames)
    {
        for (auto& c : channel)
            c.assign (frames, 0.0f);
    }
    std::size_t size () const { return channel[0].size (); }
    void setMain (std::size_t i, float l, float r)
    {
        channel[0][i] = l;
        channel[1][i] = r;
    }
};

using BlockSizes = std::function<int (std::size_t done)>;

inline BlockSizes fixedBlocks (int n)
{
    return [n] (std::size_t) { return n; };
}

// Runs `input` through the plug-in in blocks; `beforeBlock` may change
// parameters between blocks (it gets the frame index the block starts at).
inline Stereo render (APlugin& plugin, const Input& input, const BlockSizes& sizes = fixedBlocks (512),
                      const std::function<void (std::size_t)>& beforeBlock = {})
{
    Stereo out;
    out.left.assign (input.size (), 0.0f);
    out.right.assign (input.size (), 0.0f);
    std::size_t done = 0;
    while (done < input.size ())
    {
        const int n = static_cast<int> (std::min<std::size_t> (static_cast<std::size_t> (std::max (1, sizes (done))),
                                                               input.size () - done));
        if (beforeBlock)
            beforeBlock (done);
        float* in[4];
        for (int c = 0; c < 4; ++c)
            in[c] = const_cast<float*> (input.channel[c].data ()) + done;
        float* o[2] = {out.left.data () + done, out.right.data () + done};
        plugin.processReplacing (in, o, n);
        done += static_cast<std::size_t> (n);
    }
    return out;
}

inline Stereo renderSilence (APlugin& plugin, std::size_t frames, int block = 512)
{
    return render (plugin, Input (frames), fixedBlocks (block));
}

// Impulse of `amplitude` on both main channels at frame `at`.
inline Input impulse (std::size_t frames, std::size_t at = 0, float amplitude = 1.0f)
{
    Input in (frames);
    in.setMain (at, amplitude, amplitude);
    return in;
}

inline void addNoise (Input& in, std::size_t from, std::size_t count, float amplitude, std::uint32_t seed)
{
    std::mt19937 rng (seed);
    std::uniform_real_distribution<float> u (-amplitude, amplitude);
    for (std::size_t i = from; i < std::min (in.size (), from + count); ++i)
        in.setMain (i, u (rng), u (rng));
}

inline measure::Channels channels (const Stereo& s) { return {s.left.data (), s.right.data (), s.size ()}; }

inline double energy (const Stereo& s, std::size_t from, std::size_t to)
{
    return measure::energy (channels (s), from, to);
}

inline float peak (const Stereo& s, std::size_t from = 0, std::size_t to = SIZE_MAX)
{
    return measure::peak (channels (s), from, to);
}

inline bool allFinite (const Stereo& s) { return measure::allFinite (channels (s)); }

inline long countSubnormals (const Stereo& s)
{
    long n = 0;
    for (std::size_t i = 0; i < s.size (); ++i)
        n += (std::fpclassify (s.left[i]) == FP_SUBNORMAL) + (std::fpclassify (s.right[i]) == FP_SUBNORMAL);
    return n;
}

// Reverberation time of an impulse response, fitted between -5 dB and
// `endDb`. 0 when the decay never reaches endDb.
inline double rt60 (const Stereo& ir, double sampleRate, std::size_t from = 0, double endDb = -25.0)
{
    return measure::rt60 (channels (ir), from, sampleRate, {.endDb = endDb});
}

// Power-weighted mean frequency of a stretch of the mono sum, in Hz.
inline double spectralCentroid (const Stereo& s, std::size_t from, std::size_t frames, double sampleRate)
{
    return measure::centroid (channels (s), from, frames, sampleRate);
}

// Only the reverb, fully wet: the impulse-response set-up of the reverb tests.
inline void reverbOnly (APlugin& p)
{
    p.setParameter (tag::WetDry, 1.0f);
    p.setParameter (tag::EarlyOn, 0.0f);
    p.setParameter (tag::LateOn, 0.0f);
    p.setParameter (tag::ReverbOn, 1.0f);
    p.setParameter (tag::DistortionOn, 0.0f);
    p.setParameter (tag::Bypass, 0.0f);
    p.setParameter (tag::ReverbPreDelay, 0.0f);
    p.setParameter (tag::ReverbPreDelaySync, 0.0f);
    p.setParameter (tag::MainVolume, 2.0f / 3.0f);
    // No modulation at all.
    p.setParameter (tag::LazyOn, 0.0f);
    p.setParameter (tag::FollowerOn, 0.0f);
    for (int i = 0; i < 8; ++i)
        p.setParameter (tag::Disrupt1On + i, 0.0f);
    p.setSteppedValue (tag::ModSlot1Dest, 0);
    p.setSteppedValue (tag::ModSlot2Dest, 0);
}

// Applies a reverb character the way the editor does (request, then the
// housekeeping inside processing serves it), with silence.
inline void chooseReverbPreset (APlugin& p, int step)
{
    p.setSteppedValue (tag::ReverbPreset, step);
    p.setResetPresetValues ();
    renderSilence (p, 16384);
}

} // namespace morlake::chaintest
