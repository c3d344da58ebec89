// The host harness against the gain probe: loading, the overrun canary the
// boundary tests rely on, audio and MIDI. Identity, texts, pins, programs and
// chunks are read through the harness by the boundary and chunk tests of the
// built plug-in and by the render command's tests.
#include "tests/tools/testplugin/TestGainProbe.h"
#include "tests/common/Hosted.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>

namespace morlake {
namespace {

using namespace testgain;

std::unique_ptr<HostedPlugin> openGain (HostConfig config = {}) { return test::loadOpen (TEST_GAIN_PLUGIN, config); }

TEST (HarnessLoad, TakesTheOlderEntryPoint)
{
    std::string error;
    auto old = HostedPlugin::load (TEST_GAIN_MACHO_PLUGIN, {}, error);
    ASSERT_TRUE (old) << error;
    EXPECT_TRUE (old->usedMainMacho ());
    EXPECT_EQ (old->uniqueIDText (), "MlTg");
    EXPECT_FALSE (openGain ()->usedMainMacho ());
}

TEST (HarnessLoad, FailuresGiveOneLineReasons)
{
    const std::string text = ::testing::TempDir () + "not_a_plugin.so";
    std::ofstream (text) << "hello\n";
    HostConfig old;
    old.versionAnswer = 0; // a host that answers 0 to audioMasterVersion gets no instance
    const struct
    {
        std::string path;
        HostConfig config;
        const char* reason;
    } cases[] = {{"/nonexistent/plugin.so", {}, "cannot load plug-in"},
                 {TEST_NOENTRY_PLUGIN, {}, "no VSTPluginMain or main_macho"},
                 {text, {}, "cannot load plug-in"},
                 {TEST_GAIN_PLUGIN, old, "refused to create an instance"}};
    for (const auto& c : cases)
    {
        std::string error;
        EXPECT_FALSE (HostedPlugin::load (c.path, c.config, error)) << c.path;
        EXPECT_NE (error.find (c.reason), std::string::npos) << error;
        EXPECT_EQ (error.find ('\n'), std::string::npos) << error;
    }
}

TEST (HarnessParameters, CanaryCatchesTextsPastTheCap)
{
    auto p = openGain ();
    ASSERT_TRUE (p);
    p->dispatch (vst::effVendorSpecific, kProbeModes, kModeOverrunParamTexts);
    const auto name = p->parameterName (kParamGain);
    EXPECT_TRUE (name.overrun);
    EXPECT_FALSE (name.terminated);
    ASSERT_EQ (p->overruns ().size (), 1u);
    const auto& o = p->overruns ()[0];
    EXPECT_EQ (o.opcode, vst::effGetParamName);
    EXPECT_EQ (o.index, kParamGain);
    EXPECT_EQ (o.cap, kParamNameCap);
    EXPECT_EQ (o.firstChangedByte, kParamNameCap);
    EXPECT_EQ (o.written, std::string (40, 'X'));
    EXPECT_TRUE (p->parameterDisplay (kParamEcho).overrun);
    EXPECT_EQ (p->overruns ().size (), 2u);

    p->dispatch (vst::effVendorSpecific, kProbeModes, kModeOverrunProgramName);
    EXPECT_FALSE (p->parameterLabel (kParamGain).overrun);
    EXPECT_TRUE (p->programName ().overrun);
    p->dispatch (vst::effVendorSpecific, kProbeModes, 0);
    p->clearOverruns ();
    EXPECT_FALSE (p->programName ().overrun);
    EXPECT_TRUE (p->overruns ().empty ());
}

// A note-on adds a click at its frame: the click must land at the event's
// absolute position whatever the block size.
TEST (HarnessAudio, MidiEventsArriveAtTheirFrameForAnyBlockSize)
{
    const std::vector<std::int64_t> frames = {0, 1, 63, 64, 65, 200, 511, 999};
    std::vector<MidiEvent> events;
    for (auto f : frames)
        events.push_back (MidiEvent::noteOn (f, 0, 60, 127));
    const AudioBuffers silence (2, std::vector<float> (1000, 0.0f));
    for (int block : {1, 7, 64, 100, 512, 4096})
    {
        auto p = openGain ();
        ASSERT_TRUE (p);
        const auto out = p->processAll (silence, block, events);
        ASSERT_EQ (out[0].size (), 1000u);
        std::vector<std::int64_t> clicks;
        for (std::size_t i = 0; i < out[0].size (); ++i)
            if (out[0][i] != 0.0f)
                clicks.push_back (static_cast<std::int64_t> (i));
        EXPECT_EQ (clicks, frames) << "block size " << block;
    }
}

TEST (HarnessAudio, MissingInputsAreSilenceAndOutputsAreWritten)
{
    HostConfig config;
    config.poisonOutputs = true;
    auto p = openGain (config);
    ASSERT_TRUE (p);
    AudioBuffers in {std::vector<float> (300, 0.25f), std::vector<float> (300, -0.5f)};
    const auto out = p->processAll (in, 128, {}, 50);
    ASSERT_EQ (out[0].size (), 350u);
    for (std::size_t i = 0; i < 350; ++i)
    {
        ASSERT_TRUE (std::isfinite (out[0][i]) && std::isfinite (out[1][i])) << i;
        EXPECT_FLOAT_EQ (out[0][i], i < 300 ? 0.25f : 0.0f);
        EXPECT_FLOAT_EQ (out[1][i], i < 300 ? -0.5f : 0.0f);
    }
    // The side pair is summed in by the probe.
    EXPECT_FLOAT_EQ (p->processAll (AudioBuffers (4, std::vector<float> (10, 0.1f)), 4)[1][9], 0.2f);
}

TEST (HarnessAudio, CloseEndsTheInstance)
{
    auto p = openGain ();
    ASSERT_TRUE (p);
    p->close ();
    EXPECT_FALSE (p->isAlive ());
    EXPECT_EQ (p->dispatch (vst::effGetVendorVersion), 0);
    EXPECT_EQ (p->numParams (), 0);
    p->close (); // twice is harmless
}

} // namespace
} // namespace morlake
