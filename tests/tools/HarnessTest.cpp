// The host harness against the gain probe: loading, the host it plays,
// texts and their overrun canary, programs, chunks, audio, MIDI and time.
#include "tests/tools/testplugin/TestGainProbe.h"
#include "tools/harness/HostedPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>

namespace morlake {
namespace {

using namespace testgain;

std::unique_ptr<HostedPlugin> openGain (HostConfig config = {})
{
    std::string error;
    auto p = HostedPlugin::load (TEST_GAIN_PLUGIN, config, error);
    EXPECT_TRUE (p) << error;
    if (p)
        p->open ();
    return p;
}

TEST (HarnessLoad, ReadsIdentityOfTheModule)
{
    auto p = openGain ();
    ASSERT_TRUE (p);
    EXPECT_EQ (p->uniqueIDText (), "MlTg");
    EXPECT_EQ (p->uniqueID (), kUniqueID);
    EXPECT_EQ (p->numInputs (), 4);
    EXPECT_EQ (p->numOutputs (), 2);
    EXPECT_EQ (p->numParams (), kNumParams);
    EXPECT_EQ (p->numPrograms (), kNumPrograms);
    EXPECT_EQ (p->effectName ().text, "Test Gain");
    EXPECT_EQ (p->vendorString ().text, "Morlake Tests");
    EXPECT_EQ (p->productString ().text, "Gain Harness Probe");
    EXPECT_EQ (p->vendorVersion (), 7);
    EXPECT_EQ (p->canDo ("receiveVstEvents"), 1);
    EXPECT_EQ (p->canDo ("offline"), -1);
    EXPECT_FALSE (p->usedMainMacho ());
    EXPECT_TRUE (p->overruns ().empty ());

    // A module with only the older entry point.
    std::string error;
    auto old = HostedPlugin::load (TEST_GAIN_MACHO_PLUGIN, {}, error);
    ASSERT_TRUE (old) << error;
    EXPECT_TRUE (old->usedMainMacho ());
    EXPECT_EQ (old->uniqueIDText (), "MlTg");
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

TEST (HarnessHost, PlaysTheConfiguredHostAndAnswersCanDo)
{
    HostConfig config;
    config.productString = "MASCHINE HOST";
    config.vendorString = "PROPELLERHEAD";
    auto p = openGain (config);
    ASSERT_TRUE (p);
    char seen[256] = {};
    p->dispatch (vst::effVendorSpecific, kProbeHostProduct, 0, seen);
    EXPECT_STREQ (seen, "MASCHINE HOST");
    p->dispatch (vst::effVendorSpecific, kProbeHostVendor, 0, seen);
    EXPECT_STREQ (seen, "PROPELLERHEAD");

    p->clearCalls ();
    auto ask = [&] (const char* what) { return p->dispatch (vst::effVendorSpecific, kProbeHostCanDo, 0, const_cast<char*> (what)); };
    EXPECT_EQ (ask ("sendVstMidiEvent"), 1);
    EXPECT_EQ (ask ("sendVstTimeInfo"), 1);
    EXPECT_EQ (ask ("openFileSelector"), 0);
    const auto log = p->calls (vst::audioMasterCanDo);
    ASSERT_EQ (log.size (), 3u);
    EXPECT_EQ (log[2].text, "openFileSelector");

    HostConfig silent;
    silent.answerHostStrings = false;
    auto q = openGain (silent);
    ASSERT_TRUE (q);
    q->dispatch (vst::effVendorSpecific, kProbeHostProduct, 0, seen);
    EXPECT_STREQ (seen, "");
}

TEST (HarnessParameters, TextsValuesLookupAndPins)
{
    auto p = openGain ();
    ASSERT_TRUE (p);
    EXPECT_EQ (p->parameterName (kParamGain).text, "Gain");
    EXPECT_EQ (p->parameterLabel (kParamGain).text, "dB");
    EXPECT_EQ (p->parameterDisplay (kParamGain).text, "0.00");
    p->setParameter (kParamGain, 0.25f);
    EXPECT_FLOAT_EQ (p->getParameter (kParamGain), 0.25f);
    EXPECT_EQ (p->parameterDisplay (kParamGain).text, "-6.02");
    p->setParameter (kParamGain, 0.0f);
    EXPECT_EQ (p->parameterDisplay (kParamGain).text, "-inf");

    EXPECT_EQ (p->findParameter ("  eCHo "), kParamEcho);
    EXPECT_EQ (p->findParameter ("Gain"), kParamGain);
    EXPECT_EQ (p->findParameter ("Volume"), -1);
    EXPECT_EQ (p->findParameter (""), -1);

    // Pins show whether the plug-in wrote them.
    const auto in3 = p->inputProperties (3);
    EXPECT_TRUE (in3.answered && in3.touched);
    EXPECT_STREQ (in3.pin.label, "Gain In 4");
    EXPECT_EQ (in3.pin.flags, vst::kVstPinIsActive | vst::kVstPinIsStereo);
    const auto in4 = p->inputProperties (4);
    EXPECT_FALSE (in4.answered || in4.touched);
    EXPECT_EQ (std::string (in4.pin.label), kPinFillLabel);
    EXPECT_FALSE (p->outputProperties (2).answered);
    EXPECT_TRUE (p->overruns ().empty ());
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

TEST (HarnessPrograms, NamesSelectionAndChunks)
{
    auto a = openGain ();
    ASSERT_TRUE (a);
    EXPECT_EQ (a->programNameIndexed (2).text, "Echo Hall");
    EXPECT_EQ (a->programNameIndexed (2).answer, 1);
    EXPECT_EQ (a->programNameIndexed (3).answer, 0);
    EXPECT_EQ (a->programNameIndexed (3).text, "");
    a->setProgram (1);
    EXPECT_EQ (a->getProgram (), 1);
    EXPECT_EQ (a->programName ().text, "Quiet");
    EXPECT_FLOAT_EQ (a->getParameter (kParamGain), 0.25f);

    a->setParameter (kParamGain, 0.3f);
    a->setParameter (kParamEcho, 0.7f);
    auto bytes = a->getChunk ();
    ASSERT_EQ (bytes.size (), sizeof (Chunk));
    // The copy is ours: later changes in the plug-in do not reach it.
    a->setParameter (kParamGain, 0.9f);
    Chunk c;
    std::memcpy (&c, bytes.data (), sizeof (c));
    EXPECT_FLOAT_EQ (c.gain, 0.3f);
    auto b = openGain ();
    ASSERT_TRUE (b);
    EXPECT_EQ (b->setChunk (bytes), 1);
    EXPECT_FLOAT_EQ (b->getParameter (kParamGain), 0.3f);
    EXPECT_FLOAT_EQ (b->getParameter (kParamEcho), 0.7f);
    bytes.pop_back ();
    EXPECT_EQ (b->setChunk (bytes), 0);
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
