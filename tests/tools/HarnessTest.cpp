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

std::unique_ptr<HostedPlugin> openGain (HostConfig config = {}, const char* path = TEST_GAIN_PLUGIN)
{
    std::string error;
    auto p = HostedPlugin::load (path, config, error);
    EXPECT_TRUE (p) << error;
    if (p)
        p->open();
    return p;
}

TEST (HarnessLoad, ReadsIdentityOfTheModule)
{
    auto p = openGain();
    ASSERT_TRUE (p);
    EXPECT_EQ (p->uniqueIDText(), "MlTg");
    EXPECT_EQ (p->uniqueID(), kUniqueID);
    EXPECT_EQ (p->numInputs(), 4);
    EXPECT_EQ (p->numOutputs(), 2);
    EXPECT_EQ (p->numParams(), kNumParams);
    EXPECT_EQ (p->numPrograms(), kNumPrograms);
    EXPECT_EQ (p->effectName().text, "Test Gain");
    EXPECT_EQ (p->vendorString().text, "Morlake Tests");
    EXPECT_EQ (p->productString().text, "Gain Harness Probe");
    EXPECT_EQ (p->vendorVersion(), 7);
    EXPECT_EQ (p->canDo ("receiveVstEvents"), 1);
    EXPECT_EQ (p->canDo ("offline"), -1);
    EXPECT_FALSE (p->usedMainMacho());
    EXPECT_TRUE (p->overruns().empty());
}

TEST (HarnessLoad, FallsBackToMainMacho)
{
    std::string error;
    auto p = HostedPlugin::load (TEST_GAIN_MACHO_PLUGIN, {}, error);
    ASSERT_TRUE (p) << error;
    EXPECT_TRUE (p->usedMainMacho());
    EXPECT_EQ (p->uniqueIDText(), "MlTg");
}

TEST (HarnessLoad, FailuresGiveOneLineReasons)
{
    std::string error;
    EXPECT_FALSE (HostedPlugin::load ("/nonexistent/plugin.so", {}, error));
    EXPECT_NE (error.find ("cannot load plug-in"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE (HostedPlugin::load (TEST_NOENTRY_PLUGIN, {}, error));
    EXPECT_NE (error.find ("no VSTPluginMain or main_macho"), std::string::npos) << error;

    const std::string text = ::testing::TempDir() + "not_a_plugin.so";
    std::ofstream (text) << "hello\n";
    error.clear();
    EXPECT_FALSE (HostedPlugin::load (text, {}, error));
    EXPECT_NE (error.find ("cannot load plug-in"), std::string::npos) << error;

    // A host that answers 0 to audioMasterVersion gets no instance.
    HostConfig old;
    old.versionAnswer = 0;
    error.clear();
    EXPECT_FALSE (HostedPlugin::load (TEST_GAIN_PLUGIN, old, error));
    EXPECT_NE (error.find ("refused to create an instance"), std::string::npos) << error;
    EXPECT_EQ (error.find ('\n'), std::string::npos);
}

TEST (HarnessHost, PlaysTheConfiguredHost)
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

    HostConfig silent;
    silent.answerHostStrings = false;
    auto q = openGain (silent);
    ASSERT_TRUE (q);
    q->dispatch (vst::effVendorSpecific, kProbeHostProduct, 0, seen);
    EXPECT_STREQ (seen, "");
}

TEST (HarnessHost, LogsCallbacksWithTheirThread)
{
    auto p = openGain();
    ASSERT_TRUE (p);
    // mains on asked for MIDI
    EXPECT_EQ (p->calls (vst::audioMasterWantMidi).size(), 1u);
    p->clearCalls();

    std::thread ui ([&] { p->dispatch (vst::effVendorSpecific, kProbeEditGesture, kParamEcho); });
    const auto uiId = ui.get_id();
    ui.join();
    const auto log = p->calls();
    ASSERT_EQ (log.size(), 4u);
    EXPECT_EQ (log[0].opcode, vst::audioMasterBeginEdit);
    EXPECT_EQ (log[1].opcode, vst::audioMasterAutomate);
    EXPECT_EQ (log[1].index, kParamEcho);
    EXPECT_FLOAT_EQ (log[1].opt, 1.0f);
    EXPECT_EQ (log[2].opcode, vst::audioMasterEndEdit);
    EXPECT_EQ (log[3].opcode, vst::audioMasterIdle);
    for (const auto& c : log)
    {
        EXPECT_EQ (c.thread, uiId);
        EXPECT_FALSE (c.duringProcess);
    }

    // Controller 7 automates Gain from inside the block.
    p->clearCalls();
    AudioBuffers in (2, std::vector<float> (64, 0.0f));
    const MidiEvent cc = MidiEvent::controller (10, 0, 7, 127);
    p->processAll (in, 64, std::span (&cc, 1));
    const auto automate = p->calls (vst::audioMasterAutomate);
    ASSERT_EQ (automate.size(), 1u);
    EXPECT_TRUE (automate[0].duringProcess);
    EXPECT_EQ (automate[0].thread, std::this_thread::get_id());
    EXPECT_FLOAT_EQ (p->getParameter (kParamGain), 1.0f);
}

TEST (HarnessHost, CanDoAnswersForTheHost)
{
    auto p = openGain();
    ASSERT_TRUE (p);
    p->clearCalls();
    auto ask = [&] (const char* what) { return p->dispatch (vst::effVendorSpecific, kProbeHostCanDo, 0, const_cast<char*> (what)); };
    EXPECT_EQ (ask ("sendVstMidiEvent"), 1);
    EXPECT_EQ (ask ("sendVstTimeInfo"), 1);
    EXPECT_EQ (ask ("openFileSelector"), 0);
    EXPECT_EQ (ask ("sizeWindow"), 0);
    const auto log = p->calls (vst::audioMasterCanDo);
    ASSERT_EQ (log.size(), 4u);
    EXPECT_EQ (log[2].text, "openFileSelector");
}

TEST (HarnessParameters, TextsValuesAndLookup)
{
    auto p = openGain();
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
    EXPECT_TRUE (p->overruns().empty());
}

TEST (HarnessParameters, CanaryCatchesTextsPastTheCap)
{
    auto p = openGain();
    ASSERT_TRUE (p);
    p->dispatch (vst::effVendorSpecific, kProbeModes, kModeOverrunParamTexts);
    const auto name = p->parameterName (kParamGain);
    EXPECT_TRUE (name.overrun);
    EXPECT_FALSE (name.terminated);
    ASSERT_EQ (p->overruns().size(), 1u);
    const auto& o = p->overruns()[0];
    EXPECT_EQ (o.opcode, vst::effGetParamName);
    EXPECT_EQ (o.index, kParamGain);
    EXPECT_EQ (o.cap, kParamNameCap);
    EXPECT_EQ (o.firstChangedByte, kParamNameCap);
    EXPECT_EQ (o.written, std::string (40, 'X'));

    EXPECT_TRUE (p->parameterDisplay (kParamEcho).overrun);
    EXPECT_EQ (p->overruns().size(), 2u);

    p->dispatch (vst::effVendorSpecific, kProbeModes, kModeOverrunProgramName);
    EXPECT_FALSE (p->parameterLabel (kParamGain).overrun);
    EXPECT_TRUE (p->programName().overrun);

    p->dispatch (vst::effVendorSpecific, kProbeModes, 0);
    p->clearOverruns();
    EXPECT_FALSE (p->programName().overrun);
    EXPECT_EQ (p->programName().text, "Unity");
    EXPECT_TRUE (p->overruns().empty());
}

TEST (HarnessParameters, PinsShowWhetherThePlugInWroteThem)
{
    auto p = openGain();
    ASSERT_TRUE (p);
    const auto in3 = p->inputProperties (3);
    EXPECT_TRUE (in3.answered);
    EXPECT_TRUE (in3.touched);
    EXPECT_STREQ (in3.pin.label, "Gain In 4");
    EXPECT_EQ (in3.pin.flags, vst::kVstPinIsActive | vst::kVstPinIsStereo);

    const auto in4 = p->inputProperties (4);
    EXPECT_FALSE (in4.answered);
    EXPECT_FALSE (in4.touched);
    EXPECT_EQ (std::string (in4.pin.label), kPinFillLabel);
    EXPECT_FALSE (p->outputProperties (2).answered);
}

TEST (HarnessPrograms, NamesAndSelection)
{
    auto p = openGain();
    ASSERT_TRUE (p);
    EXPECT_EQ (p->programNameIndexed (2).text, "Echo Hall");
    EXPECT_EQ (p->programNameIndexed (2).answer, 1);
    EXPECT_EQ (p->programNameIndexed (3).answer, 0);
    EXPECT_EQ (p->programNameIndexed (3).text, "");
    p->setProgram (1);
    EXPECT_EQ (p->getProgram(), 1);
    EXPECT_EQ (p->programName().text, "Quiet");
    EXPECT_FLOAT_EQ (p->getParameter (kParamGain), 0.25f);
}

TEST (HarnessChunks, RoundTripThroughACopy)
{
    auto a = openGain();
    ASSERT_TRUE (a);
    a->setParameter (kParamGain, 0.3f);
    a->setParameter (kParamEcho, 0.7f);
    auto bytes = a->getChunk();
    ASSERT_EQ (bytes.size(), sizeof (Chunk));
    // The copy is ours: later changes in the plug-in do not reach it.
    a->setParameter (kParamGain, 0.9f);
    Chunk c;
    std::memcpy (&c, bytes.data(), sizeof (c));
    EXPECT_FLOAT_EQ (c.gain, 0.3f);

    auto b = openGain();
    ASSERT_TRUE (b);
    EXPECT_EQ (b->setChunk (bytes), 1);
    EXPECT_FLOAT_EQ (b->getParameter (kParamGain), 0.3f);
    EXPECT_FLOAT_EQ (b->getParameter (kParamEcho), 0.7f);

    bytes.pop_back();
    EXPECT_EQ (b->setChunk (bytes), 0);
}

// A note-on adds a click at its frame: the click must land at the event's
// absolute position whatever the block size, and the block's own offset must
// be what the plug-in sees.
TEST (HarnessAudio, MidiEventsArriveAtTheirFrameForAnyBlockSize)
{
    const std::vector<std::int64_t> frames = {0, 1, 63, 64, 65, 200, 511, 999};
    std::vector<MidiEvent> events;
    for (auto f : frames)
        events.push_back (MidiEvent::noteOn (f, 0, 60, 127));
    AudioBuffers silence (2, std::vector<float> (1000, 0.0f));

    for (int block : {1, 7, 64, 100, 512, 4096})
    {
        auto p = openGain();
        ASSERT_TRUE (p);
        const auto out = p->processAll (silence, block, events);
        ASSERT_EQ (out.size(), 2u);
        ASSERT_EQ (out[0].size(), 1000u);
        std::vector<std::int64_t> clicks;
        for (std::size_t i = 0; i < out[0].size(); ++i)
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
    AudioBuffers in (2, std::vector<float> (300));
    for (std::size_t i = 0; i < 300; ++i)
    {
        in[0][i] = 0.25f;
        in[1][i] = -0.5f;
    }
    const auto out = p->processAll (in, 128, {}, 50);
    ASSERT_EQ (out[0].size(), 350u);
    for (std::size_t i = 0; i < 350; ++i)
    {
        ASSERT_TRUE (std::isfinite (out[0][i]) && std::isfinite (out[1][i])) << i;
        EXPECT_FLOAT_EQ (out[0][i], i < 300 ? 0.25f : 0.0f);
        EXPECT_FLOAT_EQ (out[1][i], i < 300 ? -0.5f : 0.0f);
    }

    // The side pair is summed in by the probe.
    AudioBuffers four (4, std::vector<float> (10, 0.1f));
    const auto sum = p->processAll (four, 4);
    EXPECT_FLOAT_EQ (sum[1][9], 0.2f);
}

TEST (HarnessAudio, HostTimeAdvancesPerBlock)
{
    HostConfig config;
    config.sampleRate = 48000.0;
    config.tempo = 90.0;
    config.timeSigNumerator = 3;
    config.timeSigDenominator = 4;
    auto p = openGain (config);
    ASSERT_TRUE (p);
    float in[256] = {};
    const float* ins[1] = {in};
    float l[256], r[256];
    float* outs[2] = {l, r};

    vst::VstTimeInfo seen{};
    for (int block = 0; block < 3; ++block)
    {
        p->processBlock (ins, 1, outs, 256);
        ASSERT_EQ (p->dispatch (vst::effVendorSpecific, kProbeTime, 0, &seen), 1);
        EXPECT_DOUBLE_EQ (seen.samplePos, 256.0 * block);
    }
    EXPECT_DOUBLE_EQ (seen.sampleRate, 48000.0);
    EXPECT_DOUBLE_EQ (seen.tempo, 90.0);
    EXPECT_DOUBLE_EQ (seen.ppqPos, 512.0 / 48000.0 * 1.5);
    EXPECT_EQ (seen.timeSigNumerator, 3);
    EXPECT_EQ (seen.timeSigDenominator, 4);
    EXPECT_NE (seen.flags & vst::kVstTransportPlaying, 0);
    EXPECT_NE (seen.flags & vst::kVstTempoValid, 0);
    EXPECT_NE (seen.flags & vst::kVstPpqPosValid, 0);
    EXPECT_NE (seen.flags & vst::kVstTimeSigValid, 0);
    EXPECT_EQ (p->timeQueries(), 3);

    // Three beats a bar at 1.5 beats per second: bar 2 starts at 3 quarters.
    p->setSamplePosition (48000.0 * 2.5); // 3.75 quarters
    p->processBlock (ins, 1, outs, 256);
    p->dispatch (vst::effVendorSpecific, kProbeTime, 0, &seen);
    EXPECT_DOUBLE_EQ (seen.barStartPos, 3.0);

    // Stopping: the position holds and the change is flagged once.
    p->setPlaying (false);
    p->processBlock (ins, 1, outs, 256);
    p->dispatch (vst::effVendorSpecific, kProbeTime, 0, &seen);
    EXPECT_EQ (seen.flags & vst::kVstTransportPlaying, 0);
    EXPECT_NE (seen.flags & vst::kVstTransportChanged, 0);
    const double held = seen.samplePos;
    p->processBlock (ins, 1, outs, 256);
    p->dispatch (vst::effVendorSpecific, kProbeTime, 0, &seen);
    EXPECT_DOUBLE_EQ (seen.samplePos, held);
    EXPECT_EQ (seen.flags & vst::kVstTransportChanged, 0);

    HostConfig timeless;
    timeless.provideTime = false;
    auto q = openGain (timeless);
    q->processBlock (ins, 1, outs, 256);
    EXPECT_EQ (q->dispatch (vst::effVendorSpecific, kProbeTime, 0, &seen), 0);
}

TEST (HarnessAudio, CloseEndsTheInstance)
{
    auto p = openGain();
    ASSERT_TRUE (p);
    p->close();
    EXPECT_FALSE (p->isAlive());
    EXPECT_EQ (p->dispatch (vst::effGetVendorVersion), 0);
    EXPECT_EQ (p->numParams(), 0);
    p->close(); // twice is harmless
}

} // namespace
} // namespace morlake
