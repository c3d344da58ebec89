// The right-click menu of a parameter's control, as texts and actions, apart
// from the toolkit that shows it: its entries, and what choosing one does.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morlake {

class EditorModel;

// "-G" starts a greyed title, "-" alone is a separator; an item with
// entries is a submenu. Checked items and entries show the current choice.
// `command` says what choosing the item does (0: nothing), in the terms of
// the menu that built it; titles are only what the user reads.
struct MenuItem
{
    MenuItem (std::string t, std::vector<std::string> e = {}, bool c = false, int cmd = 0)
    : title (std::move (t)), entries (std::move (e)), checked (c), command (cmd)
    {}
    MenuItem (std::string t, int cmd, bool c = false) : title (std::move (t)), checked (c), command (cmd) {}

    std::string title;
    std::vector<std::string> entries;
    bool checked = false;
    int command = 0;
    std::vector<int> checkedEntries;
};

// The commands of a parameter's menu.
enum class ParameterCommand : int
{
    None,
    SetDefault,
    SetMinimum,
    SetMaximum,
    SetMid,
    SetValue,
    SetRandom,
    Increase,
    Decrease,
    LatchMidi,
    UnlatchMidi,
    SetMidiCC,
    ClearAllMidi,
    ByDisrupt, // entry: the Disrupt slot
    ByFollower,
    ByMidiSource, // entry: the MIDI source from the first
    ByModSource,  // entry: the modulation source from the first
    ClearModulations,
    DefaultModulationAmounts,
};

// A run of a name list shown as one submenu.
struct ListGroup
{
    const char* title;
    int first, last;
};

// The destination list in its five submenus, and the source list in its two.
inline constexpr ListGroup DESTINATION_GROUPS[5] = {
    {"Volume/Pan", 1, 9},
    {"Delays", 10, 24},
    {"Reverb", 25, 35},
    {"Disrupt/Lazy", 36, 50},
    {"Follower/Modulation", 51, 56},
};
inline constexpr ListGroup SOURCE_GROUPS[2] = {{"MIDI Sources", 1, 31}, {"Modulation Sources", 32, 46}};

// "Omni" for 0, "CH 01" .. "CH 16".
std::string midiChannelName (int channel);

// What the caller still has to ask the user for after a choice.
enum class MenuFollowUp
{
    None,
    TypedValue, // "Set to Value"
    MidiCC,     // "Set MIDI CC"
};

std::vector<MenuItem> parameterMenuItems (const EditorModel& plugin, int tag);

// Carries out `command`, with `entry` the entry chosen in its submenu (-1
// for none). `random` is a draw of the C library's rand().
MenuFollowUp applyParameterMenu (EditorModel& plugin, int tag, ParameterCommand command, int entry, int random);

// The destination chooser under a Disrupt amount knob: "None", then the
// destination list in five groups.
std::vector<MenuItem> destinationMenuItems ();
// The destination index of entry `entry` of the item with `command` in
// that menu; -1 for none.
int destinationOfChoice (int command, int entry);
// Checks destination `d` in that menu.
void markDestination (std::vector<MenuItem>& items, int d);

} // namespace morlake
