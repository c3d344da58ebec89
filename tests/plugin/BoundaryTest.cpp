// The built Morlake.so through the host harness, as a host sees it.
#include "tests/common/Hosted.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

using namespace morlake;

namespace {

std::unique_ptr<HostedPlugin> loadAs (const std::string& product, const std::string& vendor = "")
{
    return test::loadOpen (MORLAKE_SO, test::hostNamed (product, vendor));
}

} // namespace

TEST (Boundary, IdentityAndIo)
{
    auto p = loadAs ("Some Host");
    ASSERT_TRUE (p);
    EXPECT_EQ (p->uniqueIDText (), "MkLr");
    EXPECT_EQ (p->numPrograms (), 1);
    EXPECT_EQ (p->numParams (), 256);
    EXPECT_EQ (p->numInputs (), 4);
    EXPECT_EQ (p->numOutputs (), 2);
    EXPECT_EQ (p->aeffect ()->version, 1);
    EXPECT_EQ (p->aeffect ()->initialDelay, 0);
    EXPECT_FLOAT_EQ (p->aeffect ()->ioRatio, 1.0f);
    const vst::int32 flags = p->flags ();
    EXPECT_TRUE (flags & vst::effFlagsCanReplacing);
    EXPECT_FALSE (flags & vst::effFlagsIsSynth);
    EXPECT_FALSE (flags & vst::effFlagsCanDoubleReplacing);
    EXPECT_FALSE (flags & vst::effFlagsNoSoundInStop);
    EXPECT_FALSE (flags & vst::effFlagsProgramChunks);
    EXPECT_EQ (p->effectName ().text, "Morlake");
    EXPECT_EQ (p->vendorString ().text, "Aldermoor");
    EXPECT_EQ (p->productString ().text, "Morlake");
    EXPECT_EQ (p->vendorVersion (), 65536);
    EXPECT_EQ (p->dispatch (vst::effGetVstVersion), 2400);
    EXPECT_EQ (p->dispatch (vst::effIdentify), vst::fourCC ('N', 'v', 'E', 'f'));
    EXPECT_EQ (p->dispatch (vst::effGetPlugCategory), vst::kPlugCategRoomFx);
    EXPECT_EQ (p->dispatch (vst::effGetTailSize), 0);
    EXPECT_EQ (p->dispatch (vst::effSetTotalSampleToProcess, 0, 777), 777);
    for (int i = 0; i < 256; i += 17)
        EXPECT_EQ (p->dispatch (vst::effCanBeAutomated, i), 1);
}

TEST (Boundary, CanDoAnswers)
{
    auto p = loadAs ("Some Host");
    ASSERT_TRUE (p);
    for (const char* yes : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo", "plugAsChannelInsert",
                            "1in1out", "1in2out", "2in2out"})
        EXPECT_EQ (p->canDo (yes), 1) << yes;
    for (const char* no : {"sendVstMidiEvent", "", "receivevstevents", "2in2out ", "bypass", "offline"})
        EXPECT_EQ (p->canDo (no), 0) << no;
    EXPECT_EQ (p->dispatch (vst::effCanDo, 0, 0, nullptr), 0);
    char unterminated[200];
    std::memset (unterminated, 'x', sizeof unterminated);
    unterminated[sizeof unterminated - 1] = '\0';
    EXPECT_EQ (p->canDo (unterminated), 0);
}

TEST (Boundary, PinProperties)
{
    auto p = loadAs ("Some Host");
    ASSERT_TRUE (p);
    const PinResult in0 = p->inputProperties (0);
    EXPECT_TRUE (in0.answered);
    EXPECT_STREQ (in0.pin.label, "In 1 + 2");
    EXPECT_EQ (in0.pin.flags, vst::kVstPinIsActive | vst::kVstPinIsStereo);
    const PinResult in1 = p->inputProperties (1);
    EXPECT_TRUE (in1.answered);
    EXPECT_STREQ (in1.pin.label, "In 1 + 2");
    EXPECT_STREQ (in1.pin.shortLabel, "In 1+2");
    EXPECT_EQ (in1.pin.flags, vst::kVstPinIsActive | vst::kVstPinIsStereo);
    EXPECT_STREQ (p->inputProperties (2).pin.label, "In 3 + 4");
    const PinResult in4 = p->inputProperties (4);
    EXPECT_FALSE (in4.answered);
    EXPECT_FALSE (in4.touched);
    EXPECT_FALSE (p->inputProperties (-1).answered);
    EXPECT_STREQ (p->outputProperties (0).pin.label, "Morlake 1");
    EXPECT_STREQ (p->outputProperties (1).pin.label, "Morlake 2");
    EXPECT_STREQ (p->outputProperties (1).pin.shortLabel, "Out 2");
    EXPECT_FALSE (p->outputProperties (2).answered);
    EXPECT_FALSE (p->outputProperties (2).touched);
}

TEST (Boundary, OpcodesWithoutAnAnswerDoNothing)
{
    auto p = loadAs ("Some Host");
    ASSERT_TRUE (p);
    // Every opcode the plug-in does not answer gives 0, with hostile arguments too.
    const std::set<int> answered = {vst::effClose,
                                    vst::effGetProgram,
                                    vst::effIdentify,
                                    vst::effGetChunk,
                                    vst::effSetChunk,
                                    vst::effProcessEvents,
                                    vst::effCanBeAutomated,
                                    vst::effGetProgramNameIndexed,
                                    vst::effGetInputProperties,
                                    vst::effGetOutputProperties,
                                    vst::effGetEffectName,
                                    vst::effGetVendorString,
                                    vst::effGetProductString,
                                    vst::effGetVendorVersion,
                                    vst::effCanDo,
                                    vst::effGetVstVersion,
                                    vst::effSetTotalSampleToProcess,
                                    vst::effGetPlugCategory};
    // The editor answers its own opcodes; its tests cover them.
    const std::set<int> editor = {vst::effEditGetRect, vst::effEditOpen,  vst::effEditClose,      vst::effEditIdle,
                                  vst::effEditKeyDown, vst::effEditKeyUp, vst::effSetEditKnobMode};
    char buffer[512];
    for (int op = 0; op < 200; ++op)
    {
        if (answered.count (op) || editor.count (op) || op == vst::effMainsChanged || op == vst::effSetSampleRate)
            continue;
        std::memset (buffer, 0, sizeof buffer);
        EXPECT_EQ (p->dispatch (op, -7, 0, op == vst::effSetProgramName ? buffer : nullptr, 0.0f), 0) << op;
    }
    for (int op = 0; op < 100; ++op)
        if (op != vst::effClose && op != vst::effMainsChanged && op != vst::effSetSampleRate && ! editor.count (op))
            p->dispatch (op, 999999, -1, nullptr, 1e30f);
    EXPECT_EQ (p->dispatch (vst::effSetProgram, 0, 5), 0);
    EXPECT_EQ (p->dispatch (vst::effSetProgram, 0, -3), 0);
    EXPECT_EQ (p->getProgram (), 0);
    EXPECT_EQ (p->programName ().text, "1 to Morlake");
    EXPECT_TRUE (p->isAlive ());
}

TEST (Boundary, HostDetectionDecidesChunks)
{
    struct Case
    {
        const char* product;
        const char* vendor;
        bool chunks;
    };
    for (const Case& c : {Case {"REAPER", "", true}, Case {"reaper", "", true}, Case {"REAPER 6", "", false},
                          Case {"MASCHINE HOST", "", true}, Case {"Maschine Host", "", true}, Case {"Kore 2", "", true},
                          Case {"KORE", "", true}, Case {"AL-KILNCAST", "", true}, Case {"al-kilncast", "", true},
                          Case {"Host", "Propellerhead", true}, Case {"Some Host", "prop", true},
                          Case {"Bitwig Studio", "Bitwig", false}, Case {"", "", false}})
    {
        SCOPED_TRACE (c.product);
        auto p = loadAs (c.product, c.vendor);
        ASSERT_TRUE (p);
        EXPECT_EQ ((p->flags () & vst::effFlagsProgramChunks) != 0, c.chunks);
    }
}

TEST (Boundary, TextsStayInsideTheirCaps)
{
    auto p = loadAs ("Some Host");
    ASSERT_TRUE (p);
    for (int t = -3; t < 260; ++t)
    {
        p->parameterName (t);
        p->parameterLabel (t);
        p->parameterDisplay (t);
    }
    p->programName ();
    p->programNameIndexed (0);
    p->programNameIndexed (1);
    p->effectName ();
    p->vendorString ();
    p->productString ();
    for (const auto& o : p->overruns ())
        ADD_FAILURE () << "opcode " << o.opcode << " index " << o.index << " wrote past " << o.cap << ": " << o.written;
    EXPECT_EQ (p->parameterName (21).text, "Reverb Pre-Delay Disorder");
    EXPECT_EQ (p->parameterLabel (300).text, " ");
    EXPECT_EQ (p->parameterDisplay (300).text, "");
    EXPECT_EQ (p->parameterDisplay (100).text, "----");
}

TEST (Boundary, VersionCheckAndResume)
{
    HostConfig refuse;
    refuse.versionAnswer = 0;
    std::string error;
    EXPECT_FALSE (HostedPlugin::load (MORLAKE_SO, refuse, error));

    auto p = loadAs ("Some Host");
    ASSERT_TRUE (p);
    EXPECT_FALSE (p->calls (vst::audioMasterWantMidi).empty ()); // resume asks for MIDI
    p->clearCalls ();
    p->setParameter (5, 0.25f);
    EXPECT_TRUE (p->calls (vst::audioMasterAutomate).empty ()); // host writes are not echoed
    EXPECT_FLOAT_EQ (p->getParameter (5), 0.25f);
    EXPECT_EQ (p->getParameter (-1), 0.0f);
    EXPECT_EQ (p->getParameter (1000), 0.0f);
}

TEST (Boundary, ProcessesFiniteAudioInAnyBlockSize)
{
    auto p = loadAs ("Some Host");
    ASSERT_TRUE (p);
    AudioBuffers in (4, std::vector<float> (48000, 0.0f));
    for (int i = 0; i < 48000; i += 4800)
        in[0][i] = in[1][i] = 0.8f;
    const AudioBuffers a = p->processAll (in, 512);
    auto q = loadAs ("Some Host");
    const AudioBuffers b = q->processAll (in, 37);
    ASSERT_EQ (a.size (), 2u);
    ASSERT_EQ (a[0].size (), b[0].size ());
    double energy = 0.0;
    for (int c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < a[c].size (); ++i)
        {
            ASSERT_TRUE (std::isfinite (a[c][i]));
            ASSERT_EQ (a[c][i], b[c][i]) << c << " " << i;
            energy += a[c][i] * a[c][i];
        }
    EXPECT_GT (energy, 0.1);
}
