// Factory presets through the whole plug-in: the modulation each is built on
// audibly at work. How every preset sounds and decays is pinned by the preset
// targets and the output digests.
#include "tests/common/PluginRun.h"

#include <gtest/gtest.h>

#include <string>

using namespace morlake;
using namespace morlake::plugintest;
using namespace morlake::measure;

namespace {

constexpr double kRate = 44100.0;

std::size_t frames (double seconds) { return static_cast<std::size_t> (seconds * kRate); }

std::unique_ptr<TestInstance> makePreset (int preset) { return makePlugin (static_cast<float> (kRate), preset); }

std::string presetName (const testing::TestParamInfo<int>& info) { return presetTestName (info.param); }

// Movement under a steady input: the larger spread (standard deviation, in
// dB) of the level or the left/right balance of 50 ms frames over [from, to).
double movement (const Stereo& s, double from, double to)
{
    const std::size_t frame = frames (0.05);
    std::vector<double> level, balance;
    for (std::size_t i = frames (from); i + frame <= std::min (s.size (), frames (to)); i += frame)
    {
        double el = 0.0, er = 0.0;
        for (std::size_t k = i; k < i + frame; ++k)
        {
            el += double (s.left[k]) * s.left[k];
            er += double (s.right[k]) * s.right[k];
        }
        level.push_back (db (el + er));
        balance.push_back (db ((el + 1e-12) / (er + 1e-12)));
    }
    auto spread = [] (const std::vector<double>& v) {
        if (v.size () < 2)
            return 0.0;
        double mean = 0.0, var = 0.0;
        for (double x : v)
            mean += x / double (v.size ());
        for (double x : v)
            var += (x - mean) * (x - mean);
        return std::sqrt (var / double (v.size () - 1));
    };
    return std::max (spread (level), spread (balance));
}

// Only the wet signal, under 7 s of steady input, with or without the lazy LFO.
Stereo wetUnderSteadyInput (int preset, bool lazy)
{
    auto plugin = makePreset (preset);
    plugin->setParameter (tag::WetDry, 1.0f);
    if (! lazy)
        plugin->setParameter (tag::LazyOn, 0.0f);
    Input in (frames (7.0));
    addSteadyNoise (in, 0, in.size (), 0.25f);
    return render (*plugin, in);
}

class MovingPreset : public testing::TestWithParam<int>
{};

} // namespace

// The lazy LFO moves Disrupt, Disrupt moves pans, sizes and lengths: under a
// steady input the wet level or balance keeps changing, far more than with
// the LFO stopped.
TEST_P (MovingPreset, MovesUnderASteadyInput)
{
    const Stereo moving = wetUnderSteadyInput (GetParam (), true);
    ASSERT_TRUE (allFinite (moving));
    const double m = movement (moving, 1.0, 7.0);
    const double s = movement (wetUnderSteadyInput (GetParam (), false), 3.0, 7.0);
    EXPECT_GT (m, 0.8);
    EXPECT_GT (m, 2.0 * s) << "still: " << s;
}

INSTANTIATE_TEST_SUITE_P (Lazy, MovingPreset, testing::Values (7, 13, 14, 15, 27, 30, 31, 42, 45, 47, 48, 49, 52, 56),
                          presetName);

namespace {

struct Keyed
{
    double during; // wet energy while the main input plays, 0.5 .. 2 s
    double after;  // wet energy in the half second after it stops
};

enum class Side
{
    None,
    Steady,
    Bursts
};

// Main input: steady noise 0 .. 2 s. Side input (when asked for): steady
// noise, or a burst every 0.25 s, 0 .. 3 s.
Keyed keyed (int preset, Side side, bool follower = true)
{
    auto plugin = makePreset (preset);
    plugin->setParameter (tag::WetDry, 1.0f);
    if (! follower)
        plugin->setParameter (tag::FollowerOn, 0.0f);
    Input in (frames (3.0));
    addSteadyNoise (in, 0, frames (2.0), 0.25f);
    if (side == Side::Steady)
        addSteadyNoise (in, 0, in.size (), 0.4f, 2, 99);
    if (side == Side::Bursts)
        for (int k = 0; k < 12; ++k)
            addBurst (in, frames (0.25 * k), kRate, 0.8f, std::uint32_t (25 * k + 3), 2);
    const Stereo out = render (*plugin, in);
    EXPECT_TRUE (allFinite (out));
    return {energy (out, frames (0.5), frames (2.0)), energy (out, frames (2.05), frames (2.55))};
}

} // namespace

TEST (SideInputPresets, TheSideSignalDucksOpensOrReshapesTheReverb)
{
    // "Hall and Side Input" ducks under it.
    EXPECT_LT (db (keyed (19, Side::Steady).during / keyed (19, Side::None).during), -6.0);
    // The side-gated presets open with it, steady or in bursts.
    for (int preset : {35, 36})
    {
        SCOPED_TRACE (std::string (FACTORY_PRESET_NAMES_STR[preset]));
        const Keyed without = keyed (preset, Side::None);
        EXPECT_GT (db (keyed (preset, Side::Steady).during / without.during), 6.0);
        EXPECT_GT (db (keyed (preset, Side::Bursts).during / without.during), 6.0);
    }
    // "vocal Odd Room Side" changes its tail with it.
    EXPECT_GT (std::fabs (db (keyed (51, Side::Steady).after / keyed (51, Side::None).after)), 3.0);
}

TEST (FollowerPresets, TheInputDucksOrOpensTheReverb)
{
    for (int preset : {11, 46})
    {
        SCOPED_TRACE (std::string (FACTORY_PRESET_NAMES_STR[preset]));
        const Keyed ducked = keyed (preset, Side::None), plain = keyed (preset, Side::None, false);
        EXPECT_LT (db (ducked.during / plain.during), -6.0);
        // Once the input stops the ducked reverb rises against its own level
        // during the input, far more than the plain one does.
        EXPECT_GT (db (ducked.after / ducked.during) - db (plain.after / plain.during), 6.0);
    }
    // "drum Snare Follow 1" opens with the input.
    EXPECT_GT (db (keyed (16, Side::None).during / keyed (16, Side::None, false).during), 6.0);
}

// The follower reshapes the space while the input is loud (the comb lengths
// or feedback move, so the wet signal departs from the unmodulated one) and
// leaves it alone while the input stays below the threshold.
TEST (FollowerPresets, LoudInputReshapesTheSpace)
{
    auto input = [] (float level) {
        Input in (frames (1.2));
        addSteadyNoise (in, 0, in.size (), level);
        return in;
    };
    auto change = [&] (int preset, float level) {
        Stereo out[2];
        for (int follower = 0; follower < 2; ++follower)
        {
            auto plugin = makePreset (preset);
            plugin->setParameter (tag::WetDry, 1.0f);
            plugin->setParameter (tag::FollowerOn, float (follower));
            out[follower] = render (*plugin, input (level));
            EXPECT_LT (peak (out[follower]), 0.9f);
        }
        const auto a = frames (0.3), b = frames (1.2);
        return db (differenceEnergy (out[1], out[0], a, b) / energy (out[0], a, b));
    };
    for (int preset : {17, 54})
    {
        SCOPED_TRACE (std::string (FACTORY_PRESET_NAMES_STR[preset]));
        const double loud = change (preset, 0.5f), soft = change (preset, 0.01f);
        EXPECT_GT (loud, -10.0);
        EXPECT_GT (loud, soft + 10.0);
    }
}
