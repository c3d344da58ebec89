// The right-click menu of a parameter's control, as texts and actions, apart
// from the toolkit that shows it: its entries, and what choosing one does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morlake {

class APlugin;

// "-G" starts a greyed title, "-" alone is a separator; an item with
// entries is a submenu.
struct MenuItem
{
    std::string title;
    std::vector<std::string> entries;
};

// What the caller still has to ask the user for after a choice.
enum class MenuFollowUp
{
    None,
    TypedValue, // "Set to Value"
    MidiCC,     // "Set MIDI CC"
};

std::vector<MenuItem> parameterMenuItems (const APlugin& plugin, int tag);

// Carries out `item` (a top-level title), or entry `entry` of the submenu
// titled `item`. `random` is a draw of the C library's rand().
MenuFollowUp applyParameterMenu (APlugin& plugin, int tag, std::string_view item, int entry, int random);

// The destination chooser under a Disrupt amount knob: "None", then the
// destination list in five groups.
std::vector<MenuItem> destinationMenuItems ();
// The destination index of entry `entry` of item `item` of that menu; -1 for none.
int destinationOfChoice (std::string_view item, int entry);

} // namespace morlake
