// Drives an instance the way a host does: a minimal host, block-wise
// rendering of four input channels, test signals.
#pragma once

#include "params/ParamTags.h"
#include "instance/APlugin.h"
#include "presets/FactoryNames.h"
#include "tests/common/AudioMeasure.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace morlake::plugintest {

using measure::Stereo;

// Answers, when asked for, one time record. The record is changed only
// while no block runs; the audio thread only reads it.
class TestHost : public InstanceHost
{
public:
    static inline ChainTime time {};
    static inline std::atomic<bool> answerTime {false};

    static void noTime () { answerTime.store (false, std::memory_order_relaxed); }

    static void setTime (double tempo, bool tempoValid, bool playing)
    {
        time = {};
        time.valid = true;
        time.tempo = static_cast<float> (tempo);
        time.tempoValid = tempoValid;
        time.playing = playing;
        answerTime.store (true, std::memory_order_relaxed);
    }

    void parameterEdited (int, float) override {}
    bool gestureBegan (int) override { return true; }
    bool gestureEnded (int) override { return true; }
    ChainTime transport () override { return answerTime.load (std::memory_order_relaxed) ? time : ChainTime {}; }
    void requestIdle () override {}
};

// An instance with its own test host.
class TestInstance : private TestHost, public APlugin
{
public:
    explicit TestInstance (Preferences& prefs = Preferences::shared ())
    : APlugin (static_cast<TestHost&> (*this), prefs)
    {}

    void processReplacing (float** inputs, float** outputs, int frames) { process (inputs, outputs, frames); }
};

// A factory preset's index and name as a test name: "7_vocal_Clean_Hall".
inline std::string presetTestName (int preset)
{
    std::string name = std::to_string (preset) + "_";
    for (char c : FACTORY_PRESET_NAMES_STR[preset])
        name += std::isalnum (static_cast<unsigned char> (c)) ? c : '_';
    return name;
}

// Switches the host's time record off again at the end of a scope.
struct TimeGuard
{
    ~TimeGuard () { TestHost::noTime (); }
};

inline std::unique_ptr<TestInstance> makePlugin (float sampleRate = 44100.0f, int factoryPreset = 0)
{
    auto plugin = std::make_unique<TestInstance> ();
    plugin->setSampleRate (sampleRate);
    plugin->setDemoProgram (factoryPreset);
    return plugin;
}

// Sets normalised values by tag, then stepped values (a step number each).
inline void apply (APlugin& p, std::initializer_list<std::pair<int, float>> values,
                   std::initializer_list<std::pair<int, int>> steps = {})
{
    for (auto [t, v] : values)
        p.setParameter (t, v);
    for (auto [t, step] : steps)
        p.setSteppedValue (t, step);
}

// Four input channels of equal length: the main pair, then the side pair.
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
// parameters between blocks (it gets the frame the block starts at).
inline Stereo render (APlugin& plugin, const Input& input, const BlockSizes& sizes = fixedBlocks (512),
                      const std::function<void (std::size_t)>& beforeBlock = {})
{
    Stereo out;
    out.left.assign (input.size (), 0.0f);
    out.right.assign (input.size (), 0.0f);
    std::size_t done = 0;
    while (done < input.size ())
    {
        const auto n = static_cast<int> (
            std::min<std::size_t> (static_cast<std::size_t> (std::max (1, sizes (done))), input.size () - done));
        if (beforeBlock)
            beforeBlock (done);
        float* in[4];
        for (int c = 0; c < 4; ++c)
            in[c] = const_cast<float*> (input.channel[c].data ()) + done;
        float* o[2] = {out.left.data () + done, out.right.data () + done};
        plugin.process (in, o, n);
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

// Uniform noise of `amplitude` on the main pair over [from, from + count).
inline void addNoise (Input& in, std::size_t from, std::size_t count, float amplitude, std::uint32_t seed)
{
    std::mt19937 rng (seed);
    std::uniform_real_distribution<float> u (-amplitude, amplitude);
    for (std::size_t i = from; i < std::min (in.size (), from + count); ++i)
        in.setMain (i, u (rng), u (rng));
}

// Gently low-passed noise on channels `first` and `first + 1` (0: main,
// 2: side) over [from, to): closer to programme material than hiss.
inline void addSteadyNoise (Input& in, std::size_t from, std::size_t to, float level, int first = 0,
                            std::uint32_t seed = 11)
{
    measure::Noise noise {seed};
    float lp0 = 0.0f, lp1 = 0.0f;
    for (std::size_t i = from; i < std::min (in.size (), to); ++i)
    {
        lp0 += 0.5f * (noise () - lp0);
        lp1 += 0.5f * (noise () - lp1);
        in.channel[first][i] += level * lp0;
        in.channel[first + 1][i] += level * lp1;
    }
}

// A snare-like burst at frame `at` on channels `first` and `first + 1`: 12 ms
// of noise with a fast decay, its mean removed so that no DC rings on in a tail.
inline void addBurst (Input& in, std::size_t at, double rate, float level = 0.5f, std::uint32_t seed = 7, int first = 0)
{
    measure::Noise noise {seed};
    const std::size_t length =
        std::min (static_cast<std::size_t> (0.012 * rate), in.size () - std::min (in.size (), at));
    for (int c = first; c < first + 2; ++c)
    {
        double mean = 0.0, weight = 0.0;
        std::vector<float> x (length), env (length);
        for (std::size_t i = 0; i < length; ++i)
        {
            env[i] = static_cast<float> (std::exp (-double (i) / rate * 150.0));
            x[i] = env[i] * noise ();
            mean += x[i];
            weight += env[i];
        }
        for (std::size_t i = 0; i < length; ++i)
            in.channel[c][at + i] += level * (x[i] - static_cast<float> (mean / weight) * env[i]);
    }
}

// Processes `input` over and over, in blocks of `frames`, on a thread of its
// own until destroyed. `before` runs before each block, `after` sees its
// output; both on the audio thread.
class AudioThread
{
public:
    using After = std::function<void (const float* left, const float* right, int frames)>;

    AudioThread (APlugin& p, Input in, int frames, After afterBlock, std::function<void ()> beforeBlock = {})
    : plugin (p),
      input (std::move (in)),
      block (frames),
      after (std::move (afterBlock)),
      before (std::move (beforeBlock)),
      thread ([this] { run (); })
    {}
    ~AudioThread ()
    {
        stop.store (true, std::memory_order_relaxed);
        thread.join ();
    }

    long blocks () const { return done.load (std::memory_order_relaxed); }
    void waitBlocks (long n)
    {
        const long until = blocks () + n;
        while (blocks () < until)
            std::this_thread::yield ();
    }

private:
    void run ()
    {
        std::vector<float> left (static_cast<std::size_t> (block)), right (left.size ());
        for (std::size_t at = 0; ! stop.load (std::memory_order_relaxed); at += static_cast<std::size_t> (block))
        {
            if (at + static_cast<std::size_t> (block) > input.size ())
                at = 0;
            float* in[4];
            for (int c = 0; c < 4; ++c)
                in[c] = input.channel[c].data () + at;
            float* out[2] = {left.data (), right.data ()};
            if (before)
                before ();
            plugin.process (in, out, block);
            after (left.data (), right.data (), block);
            done.fetch_add (1, std::memory_order_relaxed);
        }
    }

    APlugin& plugin;
    Input input;
    int block;
    After after;
    std::function<void ()> before;
    std::atomic<bool> stop {false};
    std::atomic<long> done {0};
    std::thread thread;
};

// Only the reverb, fully wet, unmodulated: the impulse-response set-up.
inline void reverbOnly (APlugin& p)
{
    for (int i = 0; i < 8; ++i)
        p.setParameter (tag::Disrupt1On + i, 0.0f);
    apply (p,
           {{tag::EarlyOn, 0.0f},
            {tag::LateOn, 0.0f},
            {tag::DistortionOn, 0.0f},
            {tag::Bypass, 0.0f},
            {tag::ReverbPreDelay, 0.0f},
            {tag::ReverbPreDelaySync, 0.0f},
            {tag::LazyOn, 0.0f},
            {tag::FollowerOn, 0.0f},
            {tag::WetDry, 1.0f},
            {tag::ReverbOn, 1.0f},
            {tag::MainVolume, 2.0f / 3.0f}},
           {{tag::ModSlot1Dest, 0}, {tag::ModSlot2Dest, 0}});
}

// Applies a reverb character the way the editor does (a request the
// housekeeping inside processing serves), with silence.
inline void chooseReverbPreset (APlugin& p, int step)
{
    p.setSteppedValue (tag::ReverbPreset, step);
    p.setResetPresetValues ();
    renderSilence (p, 16384);
}

} // namespace morlake::plugintest
