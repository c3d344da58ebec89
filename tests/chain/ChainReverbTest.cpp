// The reverb as heard at the output: decay against length and room size,
// damping against brightness, and the ten reverb characters.
#include "tests/chain/ChainTestUtil.h"

#include "dsp/ReverbPresets.h"
#include "params/NameLists.h"

#include <gtest/gtest.h>

#include <string>

using namespace morlake;
using namespace morlake::chaintest;

namespace {

constexpr float kRate = 44100.0f;

// Impulse response of the reverb alone, fully wet, after `setup`.
Stereo reverbResponse (const std::function<void (APlugin&)>& setup, double seconds, int character = -1)
{
    auto p = makePlugin (kRate);
    reverbOnly (*p);
    if (character >= 0)
        chooseReverbPreset (*p, character);
    setup (*p);
    renderSilence (*p, 8192);
    return render (*p, impulse (static_cast<std::size_t> (seconds * kRate)), fixedBlocks (4096));
}

double reverbTime (const std::function<void (APlugin&)>& setup, double seconds = 12.0)
{
    return rt60 (reverbResponse (setup, seconds), kRate);
}

void set (APlugin& p, int t, float v) { p.setParameter (t, v); }

} // namespace

TEST (ChainReverb, LongerLengthDecaysLonger)
{
    double previous = 0.0;
    for (float length : {0.2f, 0.5f, 0.8f, 1.0f})
    {
        SCOPED_TRACE (length);
        const double t = reverbTime ([&] (APlugin& p) { set (p, tag::ReverbLength, length); });
        EXPECT_GT (t, previous * 1.15);
        RecordProperty ("rt60_length_" + std::to_string (length), std::to_string (t));
        previous = t;
    }
}

TEST (ChainReverb, LargerRoomDecaysLonger)
{
    double previous = 0.0;
    for (float room : {0.1f, 0.5f, 0.9f})
    {
        SCOPED_TRACE (room);
        const double t = reverbTime ([&] (APlugin& p) { set (p, tag::ReverbRoomSize, room); });
        EXPECT_GT (t, previous * 1.05);
        RecordProperty ("rt60_room_" + std::to_string (room), std::to_string (t));
        previous = t;
    }
}

TEST (ChainReverb, DampDarkensTheTail)
{
    auto centroid = [] (float damp) {
        const Stereo ir = reverbResponse ([&] (APlugin& p) { set (p, tag::ReverbDamp, damp); }, 1.5);
        return spectralCentroid (ir, static_cast<std::size_t> (0.3 * kRate), 32768, kRate);
    };
    const double bright = centroid (0.0f), middle = centroid (0.5f), dark = centroid (1.0f);
    EXPECT_LT (middle, 0.9 * bright);
    EXPECT_LT (dark, 0.9 * middle);
    RecordProperty ("centroid_damp_0", std::to_string (bright));
    RecordProperty ("centroid_damp_05", std::to_string (middle));
    RecordProperty ("centroid_damp_1", std::to_string (dark));
}

TEST (ChainReverb, HighpassAndLowpassShapeTheTail)
{
    auto centroid = [] (float hp, float lp) {
        const Stereo ir = reverbResponse (
            [&] (APlugin& p) {
                set (p, tag::ReverbHPOn, 1.0f);
                set (p, tag::ReverbHPFrequency, hp);
                set (p, tag::ReverbLPOn, 1.0f);
                set (p, tag::ReverbLPFrequency, lp);
            },
            1.0);
        return spectralCentroid (ir, static_cast<std::size_t> (0.1 * kRate), 16384, kRate);
    };
    const double open = centroid (0.0f, 1.0f);
    EXPECT_GT (centroid (0.6f, 1.0f), 1.1 * open);
    EXPECT_LT (centroid (0.0f, 0.4f), 0.9 * open);
}

// Reverb characters ---------------------------------------------------------

TEST (ChainReverbPresets, EachCharacterWritesItsHiddenValues)
{
    auto p = makePlugin (kRate);
    for (int step = 0; step < kReverbPresetSteps; ++step)
    {
        SCOPED_TRACE (std::string (REVERB_PRESET_STR[step]));
        chooseReverbPreset (*p, step);
        const auto rows = REVERB_PRESET_ROW_ARRAY[step];
        for (int k = 0; k < kReverbWidenValues; ++k)
            EXPECT_EQ (p->getLiveValue (110 + k), REVERB_WIDEN_PRESET_PRESET[rows[0]][k]) << 110 + k;
        for (int k = 0; k < kReverbCharacterValues; ++k)
            EXPECT_EQ (p->getLiveValue (122 + k), REVERB_MOD_PRESET_PRESET[rows[1]][k]) << 122 + k;
        EXPECT_EQ (p->signalChain ().getRoomType (), static_cast<int> (REVERB_MOD_PRESET_PRESET[rows[1]][10]));
        // The host sees the values too: they travel with the program.
        EXPECT_EQ (p->getParameter (131), REVERB_MOD_PRESET_PRESET[rows[1]][9]);
    }
}

TEST (ChainReverbPresets, DesignFiguresOfTwoCharacters)
{
    auto p = makePlugin (kRate);
    chooseReverbPreset (*p, 0); // "Hall Clean": no widening, room type 1
    for (int t = 110; t <= 121; ++t)
        EXPECT_EQ (p->getLiveValue (t), 0.0f) << t;
    EXPECT_FLOAT_EQ (p->getLiveValue (122), 0.020202f);
    EXPECT_FLOAT_EQ (p->getLiveValue (127), 0.03f);
    EXPECT_EQ (p->signalChain ().getRoomType (), 1);

    chooseReverbPreset (*p, 9); // "Space Orbit 2": widen row 2, character row 16
    EXPECT_FLOAT_EQ (p->getLiveValue (110), 0.888889f);
    EXPECT_FLOAT_EQ (p->getLiveValue (119), 1.0f);
    EXPECT_FLOAT_EQ (p->getLiveValue (123), 0.575758f);
    EXPECT_EQ (p->getLiveValue (129), 0.0f);
    EXPECT_EQ (p->getLiveValue (130), 0.0f);
    EXPECT_EQ (p->getLiveValue (131), 1.0f);
    EXPECT_EQ (p->signalChain ().getRoomType (), 0);
}

TEST (ChainReverbPresets, AutomatingThePresetAloneLeavesTheCharacter)
{
    auto p = makePlugin (kRate);
    chooseReverbPreset (*p, 3); // "Room Cold"
    const float before = p->getLiveValue (129);
    p->setParameter (tag::ReverbPreset, (9 + 0.1f) / kReverbPresetStepScale); // host automation
    renderSilence (*p, 3 * 8192);
    EXPECT_EQ (p->getSteppedValue (tag::ReverbPreset), 9);
    EXPECT_EQ (p->getLiveValue (129), before);
    EXPECT_EQ (p->getLiveValue (131), 0.0f);
    // Stepping it is a user choice: applied within 8192 frames.
    p->changeDelta (tag::ReverbPreset, -1);
    renderSilence (*p, 8192);
    EXPECT_EQ (p->getSteppedValue (tag::ReverbPreset), 8);
    EXPECT_EQ (p->getLiveValue (123), REVERB_MOD_PRESET_PRESET[14][1]);
}

TEST (ChainReverbPresets, AProgramLoadAppliesItsCharacterAtOnce)
{
    auto p = makePlugin (kRate, 6);
    const int step = p->getSteppedValue (tag::ReverbPreset);
    const auto rows = REVERB_PRESET_ROW_ARRAY[step];
    for (int k = 0; k < kReverbCharacterValues; ++k)
        EXPECT_EQ (p->getLiveValue (122 + k), REVERB_MOD_PRESET_PRESET[rows[1]][k]) << 122 + k;
    renderSilence (*p, 64);
    EXPECT_EQ (p->signalChain ().getRoomType (), static_cast<int> (REVERB_MOD_PRESET_PRESET[rows[1]][10]));
}

TEST (ChainReverbPresets, EveryCharacterSoundsDifferent)
{
    std::vector<Stereo> responses;
    std::vector<double> times;
    for (int step = 0; step < kReverbPresetSteps; ++step)
    {
        const double seconds = step == 9 ? 40.0 : 12.0;
        responses.push_back (reverbResponse ([] (APlugin&) {}, seconds, step));
        ASSERT_TRUE (allFinite (responses.back ()));
        times.push_back (rt60 (responses.back (), kRate));
        RecordProperty ("rt60_" + std::string (REVERB_PRESET_STR[step]), std::to_string (times.back ()));
    }
    // The first two seconds of every pair of characters differ clearly.
    const std::size_t span = static_cast<std::size_t> (2.0 * kRate);
    for (int a = 0; a < kReverbPresetSteps; ++a)
        for (int b = a + 1; b < kReverbPresetSteps; ++b)
        {
            double d = 0.0;
            for (std::size_t i = 0; i < span; ++i)
                d += std::pow (double (responses[a].left[i]) - responses[b].left[i], 2.0);
            EXPECT_GT (d, 0.05 * energy (responses[a], 0, span)) << REVERB_PRESET_STR[a] << " / " << REVERB_PRESET_STR[b];
        }
    // "Space Orbit 2" scales the length by 16: far longer than "Room Cold".
    EXPECT_GT (times[9], 4.0 * times[3]);
    EXPECT_GT (times[3], 0.0);
    // ... and than its sibling without the switch.
    EXPECT_GT (times[9], 2.0 * times[8]);
}
