// MIDI intake at sample positions, the channel filter, program changes,
// the MIDI sources, learn, capture and the controller map.
#include "FakeEditor.h"
#include "FakeHost.h"
#include "formats/vst2/VstPlugin.h"
#include "platform/Preferences.h"
#include "tests/platform/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace morlake;
using test::FakeHost;

namespace {

constexpr int kBlock = 64;

struct Midi : ::testing::Test
{
    test::TempDir dir;
    const std::string root = dir.path;
    std::unique_ptr<Preferences> prefs = std::make_unique<Preferences> (root, std::string {});

    void SetUp () override { FakeHost::reset (); }

    std::unique_ptr<VstPlugin> make ()
    {
        auto p = std::make_unique<VstPlugin> (FakeHost::callback, nullptr, *prefs);
        p->setSampleRate (48000.0f);
        return p;
    }

    static void send (VstPlugin& p, const std::vector<std::array<int, 4>>& events) // {offset, status, d1, d2}
    {
        std::vector<vst::VstMidiEvent> midi (events.size ());
        std::vector<char> storage (sizeof (vst::VstEvents) + events.size () * sizeof (vst::VstEvent*));
        auto* list = reinterpret_cast<vst::VstEvents*> (storage.data ());
        list->numEvents = static_cast<vst::int32> (events.size ());
        for (std::size_t i = 0; i < events.size (); ++i)
        {
            midi[i] = {};
            midi[i].type = vst::kVstMidiType;
            midi[i].byteSize = sizeof (vst::VstMidiEvent);
            midi[i].deltaFrames = events[i][0];
            midi[i].midiData[0] = static_cast<char> (events[i][1]);
            midi[i].midiData[1] = static_cast<char> (events[i][2]);
            midi[i].midiData[2] = static_cast<char> (events[i][3]);
            list->events[i] = reinterpret_cast<vst::VstEvent*> (&midi[i]);
        }
        p.dispatcher (vst::effProcessEvents, 0, 0, list, 0.0f);
    }

    // Runs one block of constant input; returns the left output.
    static std::vector<float> run (VstPlugin& p, float level = 0.05f, int frames = kBlock)
    {
        std::vector<float> in (static_cast<std::size_t> (frames), level),
            side (static_cast<std::size_t> (frames), 0.0f);
        std::vector<float> left (static_cast<std::size_t> (frames)), right (static_cast<std::size_t> (frames));
        float* inputs[4] = {in.data (), in.data (), side.data (), side.data ()};
        float* outputs[2] = {left.data (), right.data ()};
        p.processReplacing (inputs, outputs, frames);
        return left;
    }

    // Dry signal, silent until "Mod Wheel" opens the output volume through mod slot 1.
    static void routeModWheelToVolume (VstPlugin& p)
    {
        p.setParameter (tag::WetDry, 0.0f);
        p.setParameter (tag::MainVolume, 0.0f);
        p.setParameter (tag::ModSlot1Amount, 1.0f);
        p.instance ().setSteppedValue (tag::ModSlot1Source, src::ModWheel);
        p.instance ().setSteppedValue (tag::ModSlot1Dest, dest::OutputVolume);
        for (int i = 0; i < 4; ++i)
            run (p, 0.0f);
    }

    static int firstSound (const std::vector<float>& out)
    {
        for (std::size_t i = 0; i < out.size (); ++i)
            if (std::fabs (out[i]) > 1e-4f)
                return static_cast<int> (i);
        return -1;
    }
};

} // namespace

TEST_F (Midi, EventsActAtTheirSamplePositions)
{
    // Offset d is released before frame d - 1 (0 and 1 both before frame 0).
    for (const auto& [offset, expected] : std::vector<std::pair<int, int>> {{0, 0}, {1, 0}, {2, 1}, {30, 29}, {63, 62}})
    {
        SCOPED_TRACE (offset);
        auto p = make ();
        routeModWheelToVolume (*p);
        send (*p, {{offset, 0xb0, 1, 127}});
        EXPECT_EQ (firstSound (run (*p)), expected);
    }
    // An offset past the block comes at its last frame.
    auto p = make ();
    routeModWheelToVolume (*p);
    send (*p, {{kBlock + 10, 0xb0, 1, 127}});
    EXPECT_EQ (firstSound (run (*p)), kBlock - 1);
}

TEST_F (Midi, SourcesFromNotesBendAndAftertouch)
{
    auto p = make ();
    const TModulation& mod = p->instance ().signalChain ().modulation ();
    send (*p, {{0, 0x90, 57, 100}});
    run (*p);
    EXPECT_FLOAT_EQ (mod.sourceValue (src::CentreNote), 0.0f);
    EXPECT_FLOAT_EQ (mod.sourceValue (src::Velocity), 100.0f / 127.0f);
    const float r1 = mod.sourceValue (src::UniPolarNoteRnd1);
    EXPECT_GE (r1, 0.0f);
    EXPECT_LE (r1, 1.0f);
    EXPECT_FLOAT_EQ (mod.sourceValue (src::NoteRnd1), 2.0f * r1 - 1.0f);
    send (*p, {{0, 0x90, 69, 1}, {0, 0x90, 45, 1}});
    run (*p);
    EXPECT_FLOAT_EQ (mod.sourceValue (src::CentreNote), -1.0f);

    const std::pair<std::array<int, 2>, float> bends[] = {{{0, 64}, 0.0f}, {{0, 0}, -1.0f}, {{127, 127}, 0.99987793f}};
    for (const auto& [bytes, expected] : bends)
    {
        send (*p, {{0, 0xe0, bytes[0], bytes[1]}});
        run (*p);
        EXPECT_NEAR (mod.sourceValue (src::Pitchbend), expected, 1e-6f);
    }
    send (*p, {{0, 0xd0, 127, 0}});
    run (*p);
    EXPECT_FLOAT_EQ (mod.sourceValue (src::ChannelAftertouch), 1.0f);
    EXPECT_FLOAT_EQ (mod.sourceValue (src::ModWheelAfter), 1.0f);
    send (*p, {{0, 0xb0, 85, 127}, {0, 0xb0, 114, 127}});
    run (*p);
    EXPECT_FLOAT_EQ (mod.sourceValue (src::CC84 + 1), 1.0f);
    EXPECT_FLOAT_EQ (mod.sourceValue (src::CC114), 1.0f);

    // A program load clears the MIDI sources.
    send (*p, {{0, 0xb0, 1, 127}});
    run (*p);
    p->instance ().setDemoProgram (3);
    run (*p);
    EXPECT_EQ (mod.sourceValue (src::ModWheel), 0.0f);
}

TEST_F (Midi, ChannelFilter)
{
    prefs->writeInt (PREF_MIDI_CHANNEL, 3);
    auto p = make ();
    EXPECT_EQ (p->instance ().getMidiChannel (), 2);
    const TModulation& mod = p->instance ().signalChain ().modulation ();
    send (*p, {{0, 0xb1, 1, 127}});
    run (*p);
    EXPECT_EQ (mod.sourceValue (src::ModWheel), 0.0f);
    send (*p, {{0, 0xb2, 1, 127}});
    run (*p);
    EXPECT_FLOAT_EQ (mod.sourceValue (src::ModWheel), 1.0f);

    prefs->writeInt (PREF_MIDI_CHANNEL, 17); // matches no channel
    p->instance ().updateMidiChannel ();
    send (*p, {{0, 0xb0, 2, 127}, {0, 0xbf, 2, 127}});
    run (*p);
    EXPECT_EQ (mod.sourceValue (src::Breath), 0.0f);
    prefs->writeInt (PREF_MIDI_CHANNEL, -40); // damaged: all channels
    p->instance ().updateMidiChannel ();
    EXPECT_EQ (p->instance ().getMidiChannel (), -1);
}

TEST_F (Midi, ProgramChanges)
{
    auto p = make ();
    send (*p, {{5, 0xc0, 56, 0}});
    run (*p);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 56);
    send (*p, {{5, 0xc0, 57, 0}});
    run (*p);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 56);
    prefs->writeString (PREF_MIDI_PRESET, "N");
    send (*p, {{5, 0xc0, 3, 0}});
    run (*p);
    EXPECT_EQ (p->instance ().getFactoryIndex (), 56);
}

namespace {

test::FakeEditor* countingEditor = nullptr;

InstanceEditor* makeCountingEditor (EditorModel&)
{
    countingEditor = new test::FakeEditor;
    return countingEditor;
}

} // namespace

// A program load costs about a block's time on the audio thread: a burst of
// program changes loads one preset per block, the first at its frame and
// the last of the rest at the next block's start.
TEST_F (Midi, ProgramChangeBurstsLoadOnePresetPerBlock)
{
    struct Case
    {
        const char* name;
        std::vector<int> programs; // in one block, at frames 0, 1, 2, ...
        int afterFirstBlock, afterSecondBlock;
    };
    std::vector<int> burst;
    for (int i = 0; i < 250; ++i)
        burst.push_back ((i * 7) % 57);
    burst.back () = 42;
    const Case cases[] = {
        {"one", {9}, 9, 9},
        {"two", {9, 30}, 9, 30},
        {"250", burst, burst.front (), 42},
        {"no preset first", {100, 30, 31}, 30, 31},
        {"no preset last", {9, 100}, 9, 9},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto p = std::make_unique<VstPlugin> (FakeHost::callback, makeCountingEditor, *prefs);
        p->setSampleRate (48000.0f);
        p->instance ().setEditorOpen (true);
        run (*p);
        const int before = countingEditor->refreshes;
        std::vector<std::array<int, 4>> events;
        for (std::size_t i = 0; i < c.programs.size (); ++i)
            events.push_back ({static_cast<int> (i * kBlock / c.programs.size ()), 0xc0, c.programs[i], 0});
        send (*p, events);
        run (*p);
        EXPECT_EQ (countingEditor->refreshes - before, 1) << "loads in the block of the burst";
        EXPECT_EQ (p->instance ().getFactoryIndex (), c.afterFirstBlock);
        run (*p);
        EXPECT_EQ (p->instance ().getFactoryIndex (), c.afterSecondBlock);
        run (*p);
        const int held = c.afterSecondBlock != c.afterFirstBlock ? 1 : 0;
        EXPECT_EQ (countingEditor->refreshes - before, 1 + held) << "loads in all";
    }
}

TEST_F (Midi, LearnLatchAndCapture)
{
    {
        auto p = make ();
        p->instance ().setMidiLatch (tag::EarlyDamp, true);
        send (*p, {{0, 0xb0, 123, 0}}); // all notes off never latches
        run (*p);
        EXPECT_EQ (p->instance ().getControllerTag (123), 0);
        EXPECT_TRUE (p->instance ().isLearnPending ());
        send (*p, {{0, 0xb0, 7, 64}});
        run (*p);
        EXPECT_FALSE (p->instance ().isLearnPending ());
        EXPECT_EQ (p->instance ().getControllerTag (7), tag::EarlyDamp);
        EXPECT_EQ (prefs->readInt ("7"), 0) << "never stored from the audio thread";
        p->dispatcher (vst::effEditIdle, 0, 0, nullptr, 0.0f);
        EXPECT_EQ (prefs->readInt ("7"), tag::EarlyDamp);
    }

    auto p = make (); // the latch persists into a new instance
    EXPECT_EQ (p->instance ().getControllerTag (7), tag::EarlyDamp);
    p->setParameter (tag::EarlyDamp, 0.2f);
    p->instance ().resetMidiCapture ();
    send (*p, {{0, 0xb0, 7, 114}}); // 0.9: far from 0.2, ignored in capture mode
    run (*p);
    EXPECT_FLOAT_EQ (p->getParameter (tag::EarlyDamp), 0.2f);
    send (*p, {{0, 0xb0, 7, 26}}); // 0.2047: within range, takes over
    run (*p);
    EXPECT_FLOAT_EQ (p->getParameter (tag::EarlyDamp), 26.0f / 127.0f);
    send (*p, {{0, 0xb0, 7, 120}}); // then follows freely
    run (*p);
    EXPECT_FLOAT_EQ (p->getParameter (tag::EarlyDamp), 120.0f / 127.0f);

    prefs->writeString (PREF_MIDI_CAPTURE, "N");
    p->setParameter (tag::EarlyDamp, 0.1f);
    p->instance ().resetMidiCapture ();
    send (*p, {{0, 0xb0, 7, 127}});
    run (*p);
    EXPECT_FLOAT_EQ (p->getParameter (tag::EarlyDamp), 1.0f);

    // Two controllers on one parameter; unlatching removes both.
    p->instance ().setMidiCCNumber (tag::EarlyDamp, "9");
    EXPECT_EQ (p->instance ().getControllerTag (9), tag::EarlyDamp);
    p->instance ().setMidiLatch (tag::EarlyDamp, false);
    EXPECT_EQ (p->instance ().getControllerTag (7), 0);
    EXPECT_EQ (p->instance ().getControllerTag (9), 0);

    p->instance ().setMidiCCNumber (tag::EarlyFeed, "200");
    EXPECT_EQ (p->instance ().getControllerTag (127), tag::EarlyFeed);
    p->instance ().setMidiCCNumber (tag::EarlyCross, "abc");
    EXPECT_EQ (p->instance ().getControllerTag (0), tag::EarlyCross);
    p->instance ().setMidiCCNumber (tag::EarlyCross, "");
    p->instance ().setMidiCCNumber (300, "5");
    EXPECT_EQ (p->instance ().getControllerTag (5), 0);
    p->instance ().resetMidi ();
    for (int c = 0; c < 128; ++c)
        EXPECT_EQ (p->instance ().getControllerTag (c), 0);
}
