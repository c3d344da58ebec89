// Program selection by name, stepping, snapshots, the reload trigger and
// restored chunks.
#include "FakeHost.h"
#include "tests/common/PluginRun.h"
#include "platform/Preferences.h"
#include "formats/vst2/VstPlugin.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

using namespace morlake;
using test::FakeHost;

namespace {

std::unique_ptr<VstPlugin> makePlugin (const char* host = "")
{
    FakeHost::reset (host);
    return std::make_unique<VstPlugin> (FakeHost::callback, nullptr, test::memoryPrefs ());
}

std::string programName (VstPlugin& p)
{
    char text[64];
    p.getProgramName (text);
    return text;
}

void writeName (VstPlugin& p, std::string_view name)
{
    for (int i = 0; i < kNameMaxChars; ++i)
        p.setParameter (kNameFirstTag + i, i < static_cast<int> (name.size ()) ? encodeNameChar (name[i]) : 0.0f);
}

ChunkBlock blockNamed (std::string_view name)
{
    ChunkBlock block {};
    PresetRow row = factoryPreset (0);
    encodePresetName (row, name);
    std::memcpy (block.values, row.data (), sizeof block.values);
    return block;
}

} // namespace

TEST (Programs, NewInstancePlaysTheFirstPreset)
{
    auto p = makePlugin ();
    EXPECT_EQ (programName (*p), "1 to Morlake");
    EXPECT_EQ (p->instance ().getFactoryIndex (), 0);
    EXPECT_FALSE (p->instance ().getEditChanged ());
    EXPECT_FALSE (p->instance ().getIsSettingPreset ());
    for (int t = 0; t < kNumParams; ++t)
        ASSERT_EQ (p->getParameter (t), factoryPreset (0)[t]) << t;

    // Empty settings get the manual's and the controller maps' folders.
    Preferences empty {std::string {}, std::string {}};
    VstPlugin fresh (FakeHost::callback, nullptr, empty);
    char text[kPrefStringSize] {};
    empty.readString (PREF_HELP_DIR, text, sizeof text);
    EXPECT_TRUE (std::string (text).ends_with ("/AL_Morlake_Manual.pdf")) << text;
    empty.readString (PREF_ECS_DIR, text, sizeof text);
    EXPECT_TRUE (std::string (text).ends_with ("/Morlake/")) << text;
}

TEST (Programs, EveryFactoryPresetLoadsByIndexAndByName)
{
    auto p = makePlugin ();
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        SCOPED_TRACE (i);
        const PresetRow& row = factoryPreset (i);
        EXPECT_EQ (std::string (decodePresetName (row.data ()).data ()), FACTORY_PRESET_NAMES_STR[i]);

        p->instance ().setDemoProgram (i);
        EXPECT_EQ (p->instance ().getFactoryIndex (), i);
        EXPECT_EQ (programName (*p), FACTORY_PRESET_NAMES_STR[i]);
        for (int t = 0; t < kNumParams; ++t)
        {
            const float expected = p->instance ().table ().isOnOff (t) ? (row[t] < 0.5f ? 0.0f : 1.0f) : row[t];
            ASSERT_EQ (p->getParameter (t), expected) << t;
        }

        p->instance ().setDemoProgram ((i + 1) % kNumFactoryPresets);
        writeName (*p, FACTORY_PRESET_NAMES_STR[i]);
        p->setProgram (0);
        EXPECT_EQ (p->instance ().getFactoryIndex (), i);
    }
}

TEST (Programs, UnknownAndEmptyNamesLoadTheFirstPreset)
{
    auto p = makePlugin ();
    p->instance ().setDemoProgram (40);
    writeName (*p, "no such preset");
    p->setProgram (0);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 0);
    p->instance ().setDemoProgram (40);
    writeName (*p, "");
    p->setProgram (0);
    EXPECT_EQ (programName (*p), "1 to Morlake");
    // Program indices other than 0 change nothing.
    p->instance ().setDemoProgram (6);
    p->setProgram (1);
    p->setProgram (-1);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 6);
}

TEST (Programs, SteppingStopsAtBothEnds)
{
    auto p = makePlugin ();
    p->instance ().setDemoProgram (56);
    p->instance ().changeDemoProgramDelta (+1);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 56);
    p->instance ().setDemoProgram (0);
    p->instance ().changeDemoProgramDelta (-1);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 0);
    p->instance ().changeDemoProgramDelta (+1);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 1);
    p->instance ().setDemoProgram (57);
    p->instance ().setDemoProgram (-1);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 1);
}

TEST (Programs, RevertAndDefault)
{
    auto p = makePlugin ();
    const float loaded = p->getParameter (tag::EarlyDamp);
    p->setParameter (tag::EarlyDamp, 0.9f);
    EXPECT_TRUE (p->instance ().getEditChanged ());

    p->instance ().origProgram ();
    EXPECT_EQ (p->getParameter (tag::EarlyDamp), loaded);
    EXPECT_FALSE (p->instance ().getEditChanged ());

    p->instance ().editProgram ();
    EXPECT_EQ (p->getParameter (tag::EarlyDamp), 0.9f);
    EXPECT_TRUE (p->instance ().getEditChanged ());

    p->instance ().setDemoProgram (40);
    p->instance ().defaultProgram ();
    EXPECT_TRUE (p->instance ().getEditChanged ());
    for (int t = 0; t < tag::NameFirst; ++t)
        EXPECT_EQ (p->getParameter (t), p->instance ().getDefault (t)) << t;
    p->setProgram (0); // the name slots survive: the same preset comes back
    EXPECT_EQ (p->instance ().getFactoryIndex (), 40);
}

TEST (Programs, ReloadTriggerIsServedByHousekeeping)
{
    auto p = makePlugin ();
    p->instance ().setDemoProgram (20);
    p->setParameter (tag::FactoryReload, 0.3f);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 20);
    p->instance ().serveFactoryReload ();
    EXPECT_EQ (p->instance ().getFactoryIndex (), 0);
    EXPECT_EQ (programName (*p), "1 to Morlake");
    p->instance ().serveFactoryReload (); // once per request
    EXPECT_EQ (p->instance ().getFactoryIndex (), 0);
}

// After a revert, the value of the edit before it is an edit again (a host
// replaying automation, or the same knob position).
TEST (Programs, TheSameEditAfterARevertLightsEditedAgain)
{
    auto p = makePlugin ();
    p->instance ().setDemoProgram (12);
    p->setParameter (tag::WetDry, 0.123f);
    ASSERT_TRUE (p->instance ().getEditChanged ());
    p->instance ().origProgram ();
    ASSERT_FALSE (p->instance ().getEditChanged ());
    p->setParameter (tag::WetDry, 0.123f);
    EXPECT_TRUE (p->instance ().getEditChanged ());
}

// The bookkeeping slots answer a VST 2.4 host's writes; the instance's own
// setter, which LV2 and CLAP hosts and MIDI reach, writes the value alone.
TEST (Programs, SlotWritesAskForReloadAndOriginOnlyThroughTheVstHost)
{
    for (const bool viaHost : {true, false})
    {
        SCOPED_TRACE (viaHost ? "VST 2.4 host" : "instance");
        auto p = makePlugin ();
        p->instance ().setDemoProgram (20);
        auto write = [&] (int t, float v) { viaHost ? p->setParameter (t, v) : p->instance ().setParameter (t, v); };
        write (tag::FactoryReload, 0.3f);
        EXPECT_EQ (p->instance ().takeFactoryReloadRequest (), viaHost);
        const std::string_view name = FACTORY_PRESET_NAMES_STR[41];
        for (int i = 0; i < kNameMaxChars; ++i)
            write (kNameFirstTag + i, i < static_cast<int> (name.size ()) ? encodeNameChar (name[i]) : 0.0f);
        EXPECT_EQ (p->instance ().getFactoryIndex (), viaHost ? 41 : 20);
    }
}

// Hosts that do not take chunks save all 256 values and write them back one
// by one, in tag order, into a fresh instance.
TEST (Programs, ValuesRestoredOneByOneStayAndKnowTheirPreset)
{
    auto saved = makePlugin ();
    saved->instance ().setDemoProgram (41);
    saved->setParameter (tag::WetDry, 0.3f);
    saved->setParameter (tag::ReverbPreset, 0.1f / 10.99f);
    float values[kNumParams];
    for (int t = 0; t < kNumParams; ++t)
        values[t] = saved->getParameter (t);

    auto p = makePlugin ();
    for (int t = 0; t < kNumParams; ++t)
        p->setParameter (t, values[t]);
    EXPECT_FALSE (p->instance ().takeFactoryReloadRequest ()); // tag 79 written with the value it has
    EXPECT_EQ (p->instance ().getFactoryIndex (), 41);
    EXPECT_EQ (programName (*p), FACTORY_PRESET_NAMES_STR[41]);
    EXPECT_TRUE (p->instance ().getEditChanged ());
    for (int t = 0; t < kNumParams; ++t)
        EXPECT_EQ (p->getParameter (t), values[t]) << t;

    p->instance ().origProgram ();
    EXPECT_EQ (p->getParameter (tag::WetDry), factoryPreset (41)[tag::WetDry]);
    EXPECT_FALSE (p->instance ().getEditChanged ());
    p->instance ().editProgram ();
    EXPECT_EQ (p->getParameter (tag::WetDry), 0.3f);

    // The unedited preset, restored the same way, is not edited.
    auto plain = makePlugin ();
    for (int t = 0; t < kNumParams; ++t)
        plain->setParameter (t, factoryPreset (41)[t]);
    EXPECT_FALSE (plain->instance ().getEditChanged ());
}

TEST (Programs, HostProgramNames)
{
    auto p = makePlugin ();
    char text[64] = "unchanged";
    EXPECT_FALSE (p->getProgramNameIndexed (0, 1, text));
    EXPECT_STREQ (text, "unchanged");
    EXPECT_TRUE (p->getProgramNameIndexed (7, 0, text));
    EXPECT_STREQ (text, "1 to Morlake");
    // The dispatcher cuts names to the 24-byte program-name limit.
    p->instance ().setDemoProgram (30); // "Percussion Reflect Mover 1"
    char host[64];
    std::memset (host, 'x', sizeof host);
    p->dispatcher (vst::effGetProgramName, 0, 0, host, 0.0f);
    EXPECT_STREQ (host, "Percussion Reflect Move");
    EXPECT_EQ (host[24], 'x');
}

TEST (Programs, ChunkRestoringKeepsTheValuesAndSelectsThePresetItNames)
{
    auto p = makePlugin ("REAPER");
    ChunkBlock block = blockNamed ("synth Lead reverb");
    EXPECT_EQ (p->setChunk (&block, kChunkSize, false), 1);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 40);
    EXPECT_EQ (programName (*p), "synth Lead reverb");

    // The user's edit survives; the named preset is what "revert" goes back to.
    block = blockNamed ("Default");
    block.values[tag::EarlyDamp] = 0.99f;
    p->setChunk (&block, kChunkSize, false);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 6);
    EXPECT_EQ (p->getParameter (tag::EarlyDamp), 0.99f);
    EXPECT_TRUE (p->instance ().getEditChanged ());
    p->instance ().origProgram ();
    EXPECT_EQ (p->getParameter (tag::EarlyDamp), factoryPreset (6)[tag::EarlyDamp]);
    EXPECT_FALSE (p->instance ().getEditChanged ());
    p->instance ().editProgram ();
    EXPECT_EQ (p->getParameter (tag::EarlyDamp), 0.99f);

    block = blockNamed ("nothing like it");
    p->setChunk (&block, kChunkSize, false);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 0);
}

// Loading a preset, running it and pressing ORIGINAL leave it unedited; the
// next preset loads unedited too.
TEST (Programs, EveryPresetLoadsAndRunsUnedited)
{
    auto p = makePlugin ();
    p->setSampleRate (48000.0f);
    p->resume ();
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        SCOPED_TRACE (FACTORY_PRESET_NAMES_STR[i]);
        p->instance ().setDemoProgram (i);
        EXPECT_FALSE (p->instance ().getEditChanged ()) << "at load";
        plugintest::renderSilence (p->instance (), 3 * 8192);
        EXPECT_FALSE (p->instance ().getEditChanged ()) << "after running";
        p->instance ().origProgram ();
        plugintest::renderSilence (p->instance (), 8192);
        EXPECT_FALSE (p->instance ().getEditChanged ()) << "after ORIGINAL";
    }
}

// The host's texts and the editor's come from the values alone: the same
// before any audio ran as after.
TEST (Programs, DisplayTextsDoNotWaitForAudio)
{
    for (int i : {0, 10, 23, 41, 56})
    {
        SCOPED_TRACE (FACTORY_PRESET_NAMES_STR[i]);
        auto cold = makePlugin ();
        cold->instance ().setDemoProgram (i);
        auto warm = makePlugin ();
        warm->setSampleRate (48000.0f);
        warm->resume ();
        warm->instance ().setDemoProgram (i);
        plugintest::renderSilence (warm->instance (), 3 * 8192);
        for (int t = 0; t <= tag::LastEditable; ++t)
        {
            if (t == tag::DisruptValue) // moved by the audio thread itself
                continue;
            EXPECT_STREQ (cold->instance ().getDisplayText (t).c_str (), warm->instance ().getDisplayText (t).c_str ())
                << cold->instance ().table ().getName (t);
        }
    }
}
