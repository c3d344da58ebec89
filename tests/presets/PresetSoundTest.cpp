// Every factory preset through the whole plug-in: a finite tail of the kind
// its name promises, sensible levels, and the modulation it is built on
// audibly at work.
#include "PresetMeasure.h"

#include "presets/FactoryNames.h"
#include "tools/render/DemoSignal.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

using namespace morlake;
using namespace morlake::presettest;

namespace {

enum class Kind
{
    Hall,  // a long tail: 1.7 s and more
    Room,  // up to 1.5 s
    Short, // up to 0.5 s
    Plate, // the vintage characters between room and hall
    Gated, // the follower closes the tail early
    Fx,    // odd spaces: only finite and decaying
    Endless,
};

// clang-format off
constexpr Kind KINDS[kNumFactoryPresets] = {
    Kind::Hall, Kind::Hall, Kind::Hall, Kind::Hall, Kind::Short, Kind::Hall, Kind::Hall,      // 0-6
    Kind::Room, Kind::Room, Kind::Hall, Kind::Room, Kind::Room, Kind::Room, Kind::Room,       // 7-13
    Kind::Room, Kind::Room, Kind::Gated, Kind::Hall, Kind::Plate, Kind::Hall, Kind::Hall,     // 14-20
    Kind::Short, Kind::Hall, Kind::Room, Kind::Room, Kind::Room, Kind::Short, Kind::Room,     // 21-27
    Kind::Hall, Kind::Short, Kind::Room, Kind::Room, Kind::Fx, Kind::Hall, Kind::Room,        // 28-34
    Kind::Gated, Kind::Gated, Kind::Hall, Kind::Endless, Kind::Hall, Kind::Plate, Kind::Hall, // 35-41
    Kind::Fx, Kind::Hall, Kind::Hall, Kind::Hall, Kind::Hall, Kind::Hall, Kind::Room,         // 42-48
    Kind::Room, Kind::Short, Kind::Room, Kind::Hall, Kind::Room, Kind::Room, Kind::Hall,      // 49-55
    Kind::Room,                                                                               // 56
};
// clang-format on

constexpr std::size_t kBurstEnd = static_cast<std::size_t> (0.015 * kRate);

struct Tail
{
    Stereo out;
    double rt60 = 0.0;
    double onset = 0.0;  // seconds after the burst until the wet reaches -20 dB of its loudest 10 ms
    double centroid = 0.0;
};

double renderSeconds (Kind kind)
{
    switch (kind)
    {
        case Kind::Short:
        case Kind::Gated: return 2.0;
        case Kind::Room: return 3.5;
        case Kind::Endless: return 12.0;
        default: return 9.0;
    }
}

// The response to one burst. The decay time comes from the backward-integrated
// energy; a decay too slow to reach -35 dB within the render is estimated from
// the slope of the frame levels instead.
// The presets whose reverb only opens when the side input plays: the burst
// goes to the side input as well, as a key.
bool keyedBySide (int preset) { return preset == 35 || preset == 36; }

Tail measureTail (APlugin& plugin, double seconds, bool sideKey = false)
{
    Signal in (seconds);
    addBurst (in, 0.0);
    if (sideKey)
        in.ch[2] = in.ch[0], in.ch[3] = in.ch[1];
    Tail t;
    t.out = render (plugin, in);
    t.rt60 = rt60 (t.out, kBurstEnd);
    const auto frames = frameEnergy (t.out, kBurstEnd);
    double loudest = 0.0;
    for (double e : frames)
        loudest = std::max (loudest, e);
    std::size_t first = 0;
    while (first < frames.size () && frames[first] < loudest * 0.01)
        ++first;
    t.onset = double (first) * 0.01;
    t.centroid = centroid (t.out, kBurstEnd + std::size_t ((t.onset + 0.06) * kRate), std::size_t (0.4 * kRate));
    if (t.rt60 == 0.0)
    {
        // Least-squares slope of the 10 ms levels from 1 s after the onset to the end.
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        long n = 0;
        for (std::size_t k = first + 100; k < frames.size (); ++k)
        {
            const double x = double (k) * 0.01, y = db (frames[k]);
            sx += x, sy += y, sxx += x * x, sxy += x * y, ++n;
        }
        const double slope = n > 2 ? (n * sxy - sx * sy) / (n * sxx - sx * sx) : 0.0;
        t.rt60 = slope < 0.0 ? -60.0 / slope : 1e9;
    }
    return t;
}

Tail measureTail (int preset)
{
    return measureTail (*makePreset (preset), renderSeconds (KINDS[preset]), keyedBySide (preset));
}

Stereo renderDemo (int preset)
{
    // The demonstration: two bars of drums, then a held chord.
    static const AudioBuffers demo = makeDemoSignal (kRate);
    Signal in (kDemoSeconds);
    std::copy_n (demo[0].begin (), in.size (), in.ch[0].begin ());
    std::copy_n (demo[1].begin (), in.size (), in.ch[1].begin ());
    auto plugin = makePreset (preset);
    return render (*plugin, in);
}

std::string presetName (const testing::TestParamInfo<int>& info)
{
    std::string name = std::to_string (info.param) + "_";
    for (char c : FACTORY_PRESET_NAMES_STR[info.param])
        name += std::isalnum (static_cast<unsigned char> (c)) ? c : '_';
    return name;
}

class EveryPreset : public testing::TestWithParam<int>
{};

} // namespace

TEST_P (EveryPreset, TailIsFiniteDecayingAndOfItsKind)
{
    const int preset = GetParam ();
    const Kind kind = KINDS[preset];
    const Tail t = measureTail (preset);
    ASSERT_TRUE (allFinite (t.out));
    EXPECT_GT (peak (t.out, kBurstEnd), 1e-3f) << "no tail";

    // Decaying: the last half second is far below the loudest part of the tail.
    const std::size_t n = t.out.size ();
    const std::size_t onset = kBurstEnd + std::size_t (t.onset * kRate);
    const double head = energy (t.out, onset, onset + std::size_t (0.5 * kRate));
    const double last = energy (t.out, n - std::size_t (0.5 * kRate), n);
    EXPECT_LT (db (last / head), kind == Kind::Endless ? -6.0 : -30.0);

    switch (kind)
    {
        case Kind::Hall: EXPECT_GE (t.rt60, 1.7); EXPECT_LE (t.rt60, 12.0); break;
        case Kind::Room: EXPECT_GE (t.rt60, 0.1); EXPECT_LE (t.rt60, 1.5); break;
        case Kind::Short: EXPECT_LE (t.rt60, 0.5); break;
        case Kind::Plate: EXPECT_GE (t.rt60, 1.0); EXPECT_LE (t.rt60, 3.0); break;
        case Kind::Gated:
        case Kind::Fx: EXPECT_LE (t.rt60, 12.0); break;
        case Kind::Endless: EXPECT_GE (t.rt60, 20.0); break;
    }
    EXPECT_GT (t.centroid, 300.0);
}

TEST_P (EveryPreset, DemoLevelNearTheFirstPreset)
{
    const int preset = GetParam ();
    static const float reference = peak (renderDemo (0));
    const Stereo out = renderDemo (preset);
    ASSERT_TRUE (allFinite (out));
    const double peakDb = 20.0 * std::log10 (peak (out) / reference);
    EXPECT_GT (peakDb, -6.0);
    EXPECT_LT (peakDb, 6.0);
    long clipped = 0;
    for (std::size_t i = 0; i < out.size (); ++i)
        clipped += (std::fabs (out.l[i]) >= 0.998f) + (std::fabs (out.r[i]) >= 0.998f);
    EXPECT_LT (clipped, long (out.size () / 1000));
}

INSTANTIATE_TEST_SUITE_P (Factory, EveryPreset, testing::Range (0, kNumFactoryPresets), presetName);

// Families -------------------------------------------------------------------

TEST (PresetFamilies, HallsOutlastTheirRooms)
{
    EXPECT_GT (measureTail (9).rt60, 2.0 * measureTail (10).rt60);  // drum Default Hall / Room
    EXPECT_GT (measureTail (33).rt60, 2.0 * measureTail (34).rt60); // piano hall / natural room
    EXPECT_GT (measureTail (44).rt60, 2.0 * measureTail (53).rt60); // vocal Clean Hall / Roomy 6
}

TEST (PresetFamilies, DarkHallIsTheDarkestClassic)
{
    const double dark = measureTail (1).centroid;
    for (int sibling : {2, 3})
        EXPECT_LT (dark, 0.7 * measureTail (sibling).centroid) << FACTORY_PRESET_NAMES_STR[sibling];
    const Tail dark1 = measureTail (1), long4 = measureTail (2);
    EXPECT_GT (long4.rt60, dark1.rt60); // and "Long" is the longest of them
}

TEST (PresetFamilies, CaveIsBigAndDark)
{
    const Tail cave = measureTail (22);
    const Tail first = measureTail (0);
    EXPECT_GT (cave.rt60, 5.0);
    EXPECT_LT (cave.centroid, 0.5 * first.centroid);
}

TEST (PresetFamilies, LonggggggIsTheLongestSynth)
{
    const double longest = measureTail (38).rt60;
    for (int synth : {37, 39, 40, 41, 42})
        EXPECT_GT (longest, 2.0 * measureTail (synth).rt60) << FACTORY_PRESET_NAMES_STR[synth];
}

TEST (PresetFamilies, ShortPresetsAreShorterThanTheRooms)
{
    const double room = measureTail (10).rt60; // drum Default Room
    for (int preset : {4, 26, 29, 50})
        EXPECT_LT (measureTail (preset).rt60, room) << FACTORY_PRESET_NAMES_STR[preset];
}

// Modulation -----------------------------------------------------------------

namespace {

// Only the wet signal, under a steady input of `seconds`.
Stereo wetUnderSteadyInput (int preset, bool modulation, double seconds, float level = 0.25f)
{
    auto plugin = makePreset (preset);
    plugin->setParameter (tag::WetDry, 1.0f);
    if (! modulation)
        plugin->setParameter (tag::LazyOn, 0.0f);
    Signal in (seconds);
    addSteadyNoise (in, 0.0, seconds, level);
    return render (*plugin, in);
}

double spread (const Movement& m) { return std::max (m.level, m.balance); }

} // namespace

class MovingPreset : public testing::TestWithParam<int>
{};

// The lazy LFO moves Disrupt, Disrupt moves pans, sizes and lengths: under a
// steady input the wet level or balance keeps changing, far more than with
// the LFO stopped.
TEST_P (MovingPreset, MovesUnderASteadyInput)
{
    const int preset = GetParam ();
    const Stereo moving = wetUnderSteadyInput (preset, true, 7.0);
    const Stereo still = wetUnderSteadyInput (preset, false, 7.0);
    ASSERT_TRUE (allFinite (moving));
    const double m = spread (movement (moving, 1.0, 7.0));
    const double s = spread (movement (still, 3.0, 7.0));
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

// Main input: steady noise 0 .. 2 s. Side input (when asked for): steady
// noise, or a train of bursts, 0 .. 3 s.
enum class Side { None, Steady, Bursts };

Keyed keyed (int preset, Side side, bool follower = true)
{
    auto plugin = makePreset (preset);
    plugin->setParameter (tag::WetDry, 1.0f);
    if (! follower)
        plugin->setParameter (tag::FollowerOn, 0.0f);
    Signal in (3.0);
    addSteadyNoise (in, 0.0, 2.0, 0.25);
    if (side == Side::Steady)
        addSteadyNoise (in, 0.0, 3.0, 0.4, 2, 99);
    if (side == Side::Bursts)
        for (double at = 0.0; at < 3.0; at += 0.25)
        {
            Signal hit (3.0);
            addBurst (hit, at, 0.8, std::uint32_t (at * 100.0) + 3);
            for (std::size_t i = 0; i < in.size (); ++i)
                in.ch[2][i] += hit.ch[0][i], in.ch[3][i] += hit.ch[1][i];
        }
    const Stereo out = render (*plugin, in);
    EXPECT_TRUE (allFinite (out));
    return {energy (out, std::size_t (0.5 * kRate), std::size_t (2.0 * kRate)),
            energy (out, std::size_t (2.05 * kRate), std::size_t (2.55 * kRate))};
}

} // namespace

TEST (SideInputPresets, HallAndSideInputDucksUnderTheSideSignal)
{
    const Keyed without = keyed (19, Side::None), with = keyed (19, Side::Steady);
    EXPECT_LT (db (with.during / without.during), -6.0);
}

TEST (SideInputPresets, SideSignalOpensTheReverb)
{
    for (int preset : {35, 36})
    {
        SCOPED_TRACE (std::string (FACTORY_PRESET_NAMES_STR[preset]));
        const Keyed without = keyed (preset, Side::None);
        const Keyed steady = keyed (preset, Side::Steady);
        const Keyed bursts = keyed (preset, Side::Bursts);
        EXPECT_GT (db (steady.during / without.during), 6.0);
        EXPECT_GT (db (bursts.during / without.during), 6.0);
    }
}

TEST (SideInputPresets, OddRoomChangesWithTheSideSignal)
{
    const Keyed without = keyed (51, Side::None), with = keyed (51, Side::Steady);
    EXPECT_GT (std::fabs (db (with.after / without.after)), 3.0);
}

TEST (DuckingPresets, TheInputDucksTheReverbAndTheTailComesBack)
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
}

TEST (FollowerPresets, SnareFollowOneOpensWithTheInput)
{
    const Keyed followed = keyed (16, Side::None), plain = keyed (16, Side::None, false);
    EXPECT_GT (db (followed.during / plain.during), 6.0);
}

// The follower reshapes the space while the voice sings loud (the comb
// lengths or feedback move, so the wet signal departs from the unmodulated
// one) and leaves it alone while the voice stays below the threshold.
TEST (FollowerPresets, LoudInputReshapesTheSpace)
{
    auto change = [] (int preset, float level) {
        Stereo out[2];
        for (int follower = 0; follower < 2; ++follower)
        {
            auto plugin = makePreset (preset);
            plugin->setParameter (tag::WetDry, 1.0f);
            plugin->setParameter (tag::FollowerOn, float (follower));
            Signal in (1.2);
            addVowel (in, 0.0, 1.2, level);
            out[follower] = render (*plugin, in);
            EXPECT_LT (peak (out[follower]), 0.9f);
        }
        Stereo diff = out[1];
        for (std::size_t i = 0; i < diff.size (); ++i)
            diff.l[i] -= out[0].l[i], diff.r[i] -= out[0].r[i];
        const auto a = std::size_t (0.3 * kRate), b = std::size_t (1.2 * kRate);
        return db (energy (diff, a, b) / energy (out[0], a, b));
    };
    for (int preset : {17, 54})
    {
        SCOPED_TRACE (std::string (FACTORY_PRESET_NAMES_STR[preset]));
        const double loud = change (preset, 0.5f), soft = change (preset, 0.01f);
        EXPECT_GT (loud, -10.0);
        EXPECT_GT (loud, soft + 10.0);
    }
}
