// The parameter context menu's entries and what choosing them does, without a window.
#include "editor/ParameterMenu.h"
#include "formats/vst2/VstPlugin.h"
#include "tests/plugin/FakeHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace morlake;
using test::FakeHost;

namespace {

std::unique_ptr<VstPlugin> makePlugin ()
{
    FakeHost::reset ();
    auto p = std::make_unique<VstPlugin> (FakeHost::callback);
    p->instance ().setDemoProgram (6); // "Default": no modulation routed to the room size
    return p;
}

std::vector<std::string> titles (const std::vector<MenuItem>& items)
{
    std::vector<std::string> out;
    for (const auto& item : items)
        out.push_back (item.title);
    return out;
}

// The command of the item titled `title`, as the user finds it; 0 when none.
int commandOf (const std::vector<MenuItem>& items, const std::string& title)
{
    for (const auto& item : items)
        if (item.title == title)
            return item.command;
    return 0;
}

// Chooses the item titled `title` (and `entry` of its submenu) in the menu of `t`.
MenuFollowUp choose (EditorModel& model, int t, const std::string& title, int entry, int random)
{
    const int command = commandOf (parameterMenuItems (model, t), title);
    EXPECT_NE (command, 0) << "no entry " << title;
    return applyParameterMenu (model, t, static_cast<ParameterCommand> (command), entry, random);
}

bool has (const std::vector<std::string>& list, const std::string& text)
{
    return std::find (list.begin (), list.end (), text) != list.end ();
}

} // namespace

TEST (ParameterMenu, EntriesFollowTheParameter)
{
    auto p = makePlugin ();
    // Not a modulation destination: the value and MIDI entries only.
    const auto plain = titles (parameterMenuItems (p->instance (), tag::Bypass));
    ASSERT_EQ (plain.size (), 18u);
    EXPECT_EQ (plain[0], "-GBypass On/Off");
    EXPECT_EQ (plain[3], "-GNot Latched");
    EXPECT_EQ (plain[17], "Clear All MIDI");

    p->instance ().setMidiCCNumber (tag::ReverbRoomSize, "10");
    p->instance ().setMidiCCNumber (tag::ReverbRoomSize, "7");
    const auto room = titles (parameterMenuItems (p->instance (), tag::ReverbRoomSize));
    EXPECT_EQ (room[3], "-GMIDI CC :7");
    EXPECT_EQ (room[4], "-GMIDI CC :10");
    EXPECT_TRUE (has (room, "Modulate by Disrupt"));
    EXPECT_TRUE (has (room, "Default Modulations Amounts"));
}

TEST (ParameterMenu, ValueCommandsAreUserEdits)
{
    auto p = makePlugin ();
    p->instance ().setOn (tag::DistortionOn);
    FakeHost::reset ();
    EXPECT_EQ (choose (p->instance (), tag::DistortionOn, "Set to Minimum", -1, 0), MenuFollowUp::None);
    EXPECT_FALSE (p->instance ().getOnOff (tag::DistortionOn));
    EXPECT_FALSE (FakeHost::callsOf (vst::audioMasterAutomate).empty ()); // the host records it

    const struct
    {
        const char* item;
        int random;
        float want;
    } cases[] = {{"Set to Maximum", 0, 1.0f},
                 {"Set to Mid", 0, 0.5f},
                 {"Set to Random", 32767, 1.0f},
                 {"Set to Random", 65536, 0.0f},
                 {"Set to Default", 0, p->instance ().getDefault (tag::WetDry)}};
    for (const auto& c : cases)
    {
        choose (p->instance (), tag::WetDry, c.item, -1, c.random);
        EXPECT_FLOAT_EQ (p->getParameter (tag::WetDry), c.want) << c.item;
    }
    EXPECT_EQ (choose (p->instance (), tag::WetDry, "Set to Value", -1, 0), MenuFollowUp::TypedValue);
    EXPECT_EQ (choose (p->instance (), tag::WetDry, "Set MIDI CC", -1, 0), MenuFollowUp::MidiCC);
}

TEST (ParameterMenu, ModulationAssignmentAndClearing)
{
    auto p = makePlugin ();
    const int t = tag::ReverbRoomSize;
    const int d = p->instance ().getParameterDest (t);
    ASSERT_GE (d, 1);

    choose (p->instance (), t, "Modulate by Disrupt", 2, 0);
    EXPECT_EQ (p->instance ().getSteppedValue (tag::Disrupt1Dest + 2), d);
    EXPECT_TRUE (p->instance ().getOnOff (tag::Disrupt1On + 2));
    EXPECT_TRUE (has (titles (parameterMenuItems (p->instance (), t)), "By: Disrupt 3 Destination"));

    // MIDI and internal sources take the free modulation slots, then nothing.
    p->instance ().setSteppedValue (tag::ModSlot1Dest, 0);
    choose (p->instance (), t, "Modulate by MIDI Source", 0, 0); // "Mod Wheel"
    choose (p->instance (), t, "Modulate by Mod Source", 0, 0);  // "Disrupt"
    EXPECT_EQ (p->instance ().getSteppedValue (tag::ModSlot1Source), 1);
    EXPECT_EQ (p->instance ().getSteppedValue (tag::ModSlot2Source), 32);
    choose (p->instance (), t, "Modulate by Mod Source", 3, 0);
    EXPECT_EQ (p->instance ().getSteppedValue (tag::ModSlot2Source), 32);

    p->instance ().editParameter (tag::Disrupt1Amount + 2, 0.9f);
    choose (p->instance (), t, "Default Modulations Amounts", -1, 0);
    EXPECT_FLOAT_EQ (p->getParameter (tag::Disrupt1Amount + 2), p->instance ().getDefault (tag::Disrupt1Amount + 2));
    EXPECT_EQ (p->instance ().getSteppedValue (tag::Disrupt1Dest + 2), d);

    choose (p->instance (), t, "Clear Modulations", -1, 0);
    for (int dt : {int (tag::Disrupt1Dest) + 2, int (tag::ModSlot1Dest), int (tag::ModSlot2Dest)})
        EXPECT_EQ (p->instance ().getSteppedValue (dt), 0) << dt;
}

TEST (ParameterMenu, DestinationChooserGroups)
{
    const auto items = destinationMenuItems ();
    ASSERT_EQ (items.size (), 6u);
    EXPECT_EQ (items[0].title, "None");
    const struct
    {
        const char* item;
        int entry, want;
    } cases[] = {{"None", -1, 0},    {"Volume/Pan", 0, 1},           {"Delays", 0, 10},
                 {"Reverb", 10, 35}, {"Follower/Modulation", 5, 56}, {"Reverb", 11, -1},
                 {"Nothing", 0, -1}};
    for (const auto& c : cases)
        EXPECT_EQ (destinationOfChoice (commandOf (items, c.item), c.entry), c.want) << c.item << " " << c.entry;
}
