// The reverb as heard at the output: decay against length and room size,
// brightness against damping and the loop filters, and the ten reverb
// characters.
#include "tests/common/PluginRun.h"

#include "dsp/ReverbPresets.h"
#include "params/NameLists.h"

#include <gtest/gtest.h>

#include <string>

using namespace morlake;
using namespace morlake::plugintest;
using namespace morlake::measure;

namespace {

constexpr float kRate = 44100.0f;

// Impulse response of the reverb alone, fully wet, with `values` set.
Stereo reverbResponse (std::initializer_list<std::pair<int, float>> values, double seconds, int character = -1)
{
    auto p = makePlugin (kRate);
    reverbOnly (*p);
    if (character >= 0)
        chooseReverbPreset (*p, character);
    for (auto [t, v] : values)
        p->setParameter (t, v);
    renderSilence (*p, 8192);
    return render (*p, impulse (static_cast<std::size_t> (seconds * kRate)), fixedBlocks (4096));
}

} // namespace

// Reverb characters ---------------------------------------------------------

TEST (ChainReverbPresets, ChoosingACharacterWritesItsHiddenValues)
{
    auto p = makePlugin (kRate);
    for (int step = 0; step < kReverbPresetSteps; ++step)
    {
        SCOPED_TRACE (std::string (REVERB_PRESET_STR[step]));
        chooseReverbPreset (*p, step);
        float hidden[kReverbHiddenCount];
        reverbPresetValues (step, hidden);
        for (int k = 0; k < kReverbHiddenCount; ++k)
        {
            EXPECT_EQ (p->getLiveValue (kReverbHiddenFirstTag + k), hidden[k]) << kReverbHiddenFirstTag + k;
            // The host sees the values too: they travel with the program.
            EXPECT_EQ (p->getParameter (kReverbHiddenFirstTag + k), hidden[k]);
        }
        EXPECT_EQ (p->signalChain ().getRoomType (), reverbRoomType (reverbPresetRows (step).character));
    }
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
    float hidden[kReverbHiddenCount];
    reverbPresetValues (8, hidden);
    EXPECT_EQ (p->getLiveValue (123), hidden[13]);
}

TEST (ChainReverbPresets, AProgramLoadAppliesItsCharacterAtOnce)
{
    auto p = makePlugin (kRate, 6);
    const int step = p->getSteppedValue (tag::ReverbPreset);
    float hidden[kReverbHiddenCount];
    reverbPresetValues (step, hidden);
    for (int k = 12; k < kReverbHiddenCount; ++k)
        EXPECT_EQ (p->getLiveValue (kReverbHiddenFirstTag + k), hidden[k]) << kReverbHiddenFirstTag + k;
    renderSilence (*p, 64);
    EXPECT_EQ (p->signalChain ().getRoomType (), reverbRoomType (reverbPresetRows (step).character));
}

TEST (ChainReverbPresets, EveryCharacterSoundsDifferent)
{
    std::vector<Stereo> responses;
    std::vector<double> times;
    for (int step = 0; step < kReverbPresetSteps; ++step)
    {
        responses.push_back (reverbResponse ({}, step == 9 ? 40.0 : 12.0, step));
        ASSERT_TRUE (allFinite (responses.back ()));
        times.push_back (rt60 (responses.back (), kRate));
    }
    // The first two seconds of every pair of characters differ clearly.
    const auto span = static_cast<std::size_t> (2.0 * kRate);
    for (int a = 0; a < kReverbPresetSteps; ++a)
        for (int b = a + 1; b < kReverbPresetSteps; ++b)
            EXPECT_GT (differenceEnergy (responses[a], responses[b], 0, span), 0.05 * energy (responses[a], 0, span))
                << REVERB_PRESET_STR[a] << " / " << REVERB_PRESET_STR[b];
    // "Space Orbit 2" scales the length by 16: far longer than "Room Cold"
    // and than its sibling without the switch.
    EXPECT_GT (times[3], 0.0);
    EXPECT_GT (times[9], 4.0 * times[3]);
    EXPECT_GT (times[9], 2.0 * times[8]);
}
