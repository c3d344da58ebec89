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
struct MenuItem
{
    MenuItem (std::string t, std::vector<std::string> e = {}, bool c = false)
    : title (std::move (t)), entries (std::move (e)), checked (c)
    {
    }

    std::string title;
    std::vector<std::string> entries;
    bool checked = false;
    std::vector<int> checkedEntries;
};

// A run of a name list shown as one submenu.
struct ListGroup
{
    const char* title;
    int first, last;
};

// The destination list in its five submenus, and the source list in its two.
inline constexpr ListGroup DESTINATION_GROUPS[5] = {
    {"Volume/Pan", 1, 9}, {"Delays", 10, 24}, {"Reverb", 25, 35}, {"Disrupt/Lazy", 36, 50},
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

// Carries out `item` (a top-level title), or entry `entry` of the submenu
// titled `item`. `random` is a draw of the C library's rand().
MenuFollowUp applyParameterMenu (EditorModel& plugin, int tag, std::string_view item, int entry, int random);

// The destination chooser under a Disrupt amount knob: "None", then the
// destination list in five groups.
std::vector<MenuItem> destinationMenuItems ();
// The destination index of entry `entry` of item `item` of that menu; -1 for none.
int destinationOfChoice (std::string_view item, int entry);
// Checks destination `d` in that menu.
void markDestination (std::vector<MenuItem>& items, int d);

} // namespace morlake
