#include "editor/ParameterMenu.h"

#include "params/NameLists.h"
#include "instance/EditorModel.h"

#include <cstdio>

namespace morlake {

namespace {

constexpr int kFirstMidiSource = SOURCE_GROUPS[0].first;
constexpr int kLastMidiSource = SOURCE_GROUPS[0].last;
constexpr int kFirstInternalSource = SOURCE_GROUPS[1].first;
using Command = ParameterCommand;

int id (Command c) { return static_cast<int> (c); }

constexpr int kModSlots = 2;
constexpr int modSlotAmount (int n) { return tag::ModSlot1Amount + 3 * n; }
constexpr int modSlotSource (int n) { return tag::ModSlot1Source + 3 * n; }
constexpr int modSlotDest (int n) { return tag::ModSlot1Dest + 3 * n; }

std::string text (Names name) { return std::string (name); }

void setToDefault (EditorModel& plugin, int t) { plugin.editParameter (t, plugin.getDefault (t)); }

// Which modulators point at destination `d`.
struct Modulators
{
    bool disrupt[8] {};
    bool follower = false;
    bool slot[kModSlots] {};
};

Modulators modulatorsOf (const EditorModel& plugin, int d)
{
    Modulators m;
    for (int k = 0; k < 8; ++k)
        m.disrupt[k] = plugin.getSteppedValue (tag::Disrupt1Dest + k) == d;
    m.follower = plugin.getSteppedValue (tag::FollowerDest) == d;
    for (int n = 0; n < kModSlots; ++n)
        m.slot[n] = plugin.getSteppedValue (modSlotDest (n)) == d;
    return m;
}

void appendModulationItems (const EditorModel& plugin, int d, std::vector<MenuItem>& items)
{
    items.push_back ({"-", {}});
    items.push_back ({"-GModulated By :", {}});
    items.push_back ({"-", {}});
    const Modulators m = modulatorsOf (plugin, d);
    bool any = false;
    for (int k = 0; k < 8; ++k)
        if (m.disrupt[k])
        {
            items.push_back ({"By: " + plugin.table ().getName (tag::Disrupt1Dest + k), {}});
            any = true;
        }
    if (m.follower)
    {
        items.push_back ({"By: Follower", {}});
        any = true;
    }
    for (int n = 0; n < kModSlots; ++n)
        if (m.slot[n])
        {
            items.push_back ({"By: Mod Slot " + std::to_string (n + 1) +
                                  ", Source: " + plugin.getDisplayText (modSlotSource (n)).c_str (),
                              {}});
            any = true;
        }
    if (any)
        items.push_back ({"-", {}});

    // The slots and sources already moving this destination are checked.
    MenuItem disrupt {"Modulate by Disrupt", {}, false, id (Command::ByDisrupt)};
    for (Names name : DISRUPT_STR)
        disrupt.entries.push_back (text (name));
    for (int k = 0; k < 8; ++k)
        if (m.disrupt[k])
            disrupt.checkedEntries.push_back (k);
    items.push_back (disrupt);
    items.push_back ({"-", {}});
    items.push_back ({"Modulate By Follower", id (Command::ByFollower), m.follower});
    items.push_back ({"-", {}});
    MenuItem midi {"Modulate by MIDI Source", {}, false, id (Command::ByMidiSource)};
    for (int s = kFirstMidiSource; s <= kLastMidiSource; ++s)
        midi.entries.push_back (text (SRC_STR[static_cast<std::size_t> (s)]));
    MenuItem internal {"Modulate by Mod Source", {}, false, id (Command::ByModSource)};
    for (int s = kFirstInternalSource; s < kNumSources; ++s)
        internal.entries.push_back (text (SRC_STR[static_cast<std::size_t> (s)]));
    for (int n = 0; n < kModSlots; ++n)
        if (m.slot[n])
        {
            const int source = plugin.getSteppedValue (modSlotSource (n));
            if (source >= kFirstMidiSource && source <= kLastMidiSource)
                midi.checkedEntries.push_back (source - kFirstMidiSource);
            else if (source >= kFirstInternalSource && source < kNumSources)
                internal.checkedEntries.push_back (source - kFirstInternalSource);
        }
    items.push_back (midi);
    items.push_back (internal);
    items.push_back ({"-", {}});
    items.push_back ({"Clear Modulations", id (Command::ClearModulations)});
    items.push_back ({"Default Modulations Amounts", id (Command::DefaultModulationAmounts)});
}

// The first modulation slot with no destination takes the source; none when both are in use.
void assignSource (EditorModel& plugin, int d, int source)
{
    for (int n = 0; n < kModSlots; ++n)
        if (plugin.getSteppedValue (modSlotDest (n)) == 0)
        {
            plugin.setSteppedValue (modSlotDest (n), d);
            plugin.setSteppedValue (modSlotSource (n), source);
            return;
        }
}

void resetModulators (EditorModel& plugin, int d, bool destinationsToo)
{
    const Modulators m = modulatorsOf (plugin, d);
    for (int k = 0; k < 8; ++k)
        if (m.disrupt[k])
        {
            if (destinationsToo)
                setToDefault (plugin, tag::Disrupt1Dest + k);
            setToDefault (plugin, tag::Disrupt1Amount + k);
        }
    if (m.follower)
    {
        if (destinationsToo)
            setToDefault (plugin, tag::FollowerDest);
        setToDefault (plugin, tag::FollowerAmount);
    }
    for (int n = 0; n < kModSlots; ++n)
        if (m.slot[n])
        {
            setToDefault (plugin, modSlotAmount (n));
            if (destinationsToo)
            {
                setToDefault (plugin, modSlotSource (n));
                setToDefault (plugin, modSlotDest (n));
            }
        }
}

} // namespace

std::string midiChannelName (int channel)
{
    if (channel <= 0 || channel > 16)
        return "Omni";
    char text[8];
    std::snprintf (text, sizeof text, "CH %02d", channel);
    return text;
}

std::vector<MenuItem> parameterMenuItems (const EditorModel& plugin, int t)
{
    std::vector<MenuItem> items;
    if (! isValidTag (t))
        return items;
    items.push_back ({"-G" + plugin.table ().getName (t), {}});
    items.push_back ({std::string ("-G") + plugin.getDisplayText (t).c_str (), {}});
    items.push_back ({"-", {}});
    bool latched = false;
    for (int c = 0; c < 128; ++c)
        if (plugin.getControllerTag (c) == t)
        {
            items.push_back ({"-GMIDI CC :" + std::to_string (c), {}});
            latched = true;
        }
    if (plugin.pendingLearnTag () == t)
        items.push_back ({"-GWaiting for a MIDI Controller", {}});
    else if (! latched)
        items.push_back ({"-GNot Latched", {}});
    items.push_back ({"-", {}});
    const std::pair<const char*, Command> entries[] = {{"Set to Default", Command::SetDefault},
                                                       {"Set to Minimum", Command::SetMinimum},
                                                       {"Set to Maximum", Command::SetMaximum},
                                                       {"Set to Mid", Command::SetMid},
                                                       {"Set to Value", Command::SetValue},
                                                       {"Set to Random", Command::SetRandom},
                                                       {"Increase", Command::Increase},
                                                       {"Decrease", Command::Decrease},
                                                       {"-", Command::None},
                                                       {"Latch to MIDI", Command::LatchMidi},
                                                       {"Unlatch MIDI", Command::UnlatchMidi},
                                                       {"Set MIDI CC", Command::SetMidiCC},
                                                       {"Clear All MIDI", Command::ClearAllMidi}};
    for (const auto& [title, command] : entries)
        items.push_back ({title, id (command)});
    if (const int d = plugin.getParameterDest (t); d >= 1)
        appendModulationItems (plugin, d, items);
    return items;
}

MenuFollowUp applyParameterMenu (EditorModel& plugin, int t, ParameterCommand command, int entry, int random)
{
    if (! isValidTag (t))
        return MenuFollowUp::None;
    const int d = plugin.getParameterDest (t);
    switch (command)
    {
        case Command::None: break;
        case Command::SetDefault: setToDefault (plugin, t); break;
        case Command::SetMinimum: plugin.editParameter (t, 0.0f); break;
        case Command::SetMaximum: plugin.editParameter (t, 1.0f); break;
        case Command::SetMid: plugin.editParameter (t, 0.5f); break;
        case Command::SetValue: return MenuFollowUp::TypedValue;
        case Command::SetRandom: plugin.editParameter (t, static_cast<float> (random & 32767) / 32767.0f); break;
        case Command::Increase: plugin.changeDelta (t, 1); break;
        case Command::Decrease: plugin.changeDelta (t, -1); break;
        case Command::LatchMidi: plugin.setMidiLatch (t, true); break;
        case Command::UnlatchMidi: plugin.setMidiLatch (t, false); break;
        case Command::SetMidiCC: return MenuFollowUp::MidiCC;
        case Command::ClearAllMidi: plugin.resetMidi (); break;
        // The modulation commands act only on a modulation destination.
        case Command::ByDisrupt:
            if (d >= 1 && entry >= 0 && entry < 8)
            {
                plugin.setSteppedValue (tag::Disrupt1Dest + entry, d);
                plugin.setOn (tag::Disrupt1On + entry);
            }
            break;
        case Command::ByFollower:
            if (d >= 1)
                plugin.setSteppedValue (tag::FollowerDest, d);
            break;
        case Command::ByMidiSource:
            if (d >= 1 && entry >= 0 && entry <= kLastMidiSource - kFirstMidiSource)
                assignSource (plugin, d, kFirstMidiSource + entry);
            break;
        case Command::ByModSource:
            if (d >= 1 && entry >= 0 && entry < kNumSources - kFirstInternalSource)
                assignSource (plugin, d, kFirstInternalSource + entry);
            break;
        case Command::ClearModulations:
        case Command::DefaultModulationAmounts:
            if (d >= 1)
                resetModulators (plugin, d, command == Command::ClearModulations);
            break;
    }
    return MenuFollowUp::None;
}

std::vector<MenuItem> destinationMenuItems ()
{
    // Command 1 is "None", 2 + g the destination group g.
    std::vector<MenuItem> items {{text (DEST_STR[0]), 1}};
    for (std::size_t g = 0; g < std::size (DESTINATION_GROUPS); ++g)
    {
        const auto& group = DESTINATION_GROUPS[g];
        MenuItem item {group.title, {}, false, static_cast<int> (g) + 2};
        for (int i = group.first; i <= group.last; ++i)
            item.entries.push_back (text (DEST_STR[static_cast<std::size_t> (i)]));
        items.push_back (item);
    }
    return items;
}

void markDestination (std::vector<MenuItem>& items, int d)
{
    if (d == 0 && ! items.empty ())
        items[0].checked = true;
    for (std::size_t g = 0; g < std::size (DESTINATION_GROUPS); ++g)
        if (d >= DESTINATION_GROUPS[g].first && d <= DESTINATION_GROUPS[g].last && g + 1 < items.size ())
            items[g + 1].checkedEntries.push_back (d - DESTINATION_GROUPS[g].first);
}

int destinationOfChoice (int command, int entry)
{
    if (command == 1)
        return 0;
    const int g = command - 2;
    if (g < 0 || g >= static_cast<int> (std::size (DESTINATION_GROUPS)))
        return -1;
    const auto& group = DESTINATION_GROUPS[g];
    return entry >= 0 && entry <= group.last - group.first ? group.first + entry : -1;
}

} // namespace morlake
