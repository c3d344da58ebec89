// The reverb characters: what choosing, automating and loading one writes.
// Their sound is held by the digest test in bench/.
#include "tests/common/PluginRun.h"

#include "dsp/ReverbPresets.h"
#include "params/NameLists.h"

#include <gtest/gtest.h>

#include <string>

using namespace morlake;
using namespace morlake::plugintest;

namespace {
constexpr float kRate = 44100.0f;
}

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
