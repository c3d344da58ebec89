#include "editor/EditorMenus.h"

#include "editor/EditorAdapter.h"
#include "editor/EditorScreens.h"
#include "editor/IdleQueue.h"
#include "editor/MessageWindows.h"
#include "editor/RunLoop.h"
#include "midi/EcsFile.h"
#include "params/TypedValue.h"
#include "platform/Desktop.h"
#include "platform/MessageWindows.h"
#include "platform/Preferences.h"
#include "presets/FactoryPresets.h"
#include "instance/EditorModel.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>

namespace morlake {

using namespace VSTGUI;

EditorMenus::EditorMenus (EditorAdapter& e, EditorScreens& s, IdleQueue& q, EditorSettings& es)
: editor (e), screens (s), queue (q), settings (es)
{}

EditorModel* EditorMenus::model () const { return editor.getModel (); }

CFrame* EditorMenus::frame () const { return editor.getFrame (); }

// Menus and dialogs opened from controls ----------------------------------------------

namespace {

EditorMenus::MenuShownHook& menuShownHook ()
{
    static EditorMenus::MenuShownHook hook;
    return hook;
}

} // namespace

void EditorMenus::setMenuShownHook (MenuShownHook hook) { menuShownHook () = std::move (hook); }

namespace {

// The whole number `text` starts with, when it lies in lo..hi; -1 otherwise.
int wholeNumberIn (const std::string& text, int lo, int hi)
{
    char* end = nullptr;
    const long number = std::strtol (text.c_str (), &end, 10);
    return end != text.c_str () && number >= lo && number <= hi ? static_cast<int> (number) : -1;
}

// Checks entry `index` of `menu` alone, clearing its submenus' checks.
void checkAlone (COptionMenu* menu, int index)
{
    if (menu == nullptr)
        return;
    for (int32_t i = 0; i < menu->getNbEntries (); ++i)
    {
        CMenuItem* item = menu->getEntry (i);
        item->setChecked (i == index);
        if (item->getSubmenu () != nullptr)
            checkAlone (item->getSubmenu (), -1);
    }
}

// Checks `value` of a list shown as a first entry then grouped submenus.
template <std::size_t N>
void checkGrouped (COptionMenu* menu, const ListGroup (&groups)[N], int value)
{
    checkAlone (menu, value == 0 ? 0 : -1);
    for (std::size_t g = 0; g < N; ++g)
        if (value >= groups[g].first && value <= groups[g].last)
        {
            CMenuItem* group = menu->getEntry (static_cast<int32_t> (g) + 1);
            if (group != nullptr && group->getSubmenu () != nullptr)
            {
                group->setChecked (true);
                checkAlone (group->getSubmenu (), value - groups[g].first);
            }
        }
}

} // namespace

void EditorMenus::markCurrentChoice (COptionMenu* menu)
{
    if (menu == nullptr || model () == nullptr)
        return;
    const EditorViews& v = screens.views ();
    if (menu == v.presetMenu)
    {
        const int index = model ()->getFactoryIndex ();
        checkAlone (v.presetMenu, -1);
        if (index >= 0 && index < kNumFactoryPresets)
        {
            const int bank = index / EditorScreens::kPresetsPerBank;
            v.presetMenu->getEntry (bank)->setChecked (true);
            checkAlone (v.presetBanks[static_cast<std::size_t> (bank)], index % EditorScreens::kPresetsPerBank);
        }
    }
    else if (menu == v.channelMenu)
        checkAlone (v.channelMenu, static_cast<int> (loadIntFromPrefs (PREF_MIDI_CHANNEL)));
    else if (menu == v.slotSourceMenus[0] || menu == v.slotSourceMenus[1])
        checkGrouped (menu, SOURCE_GROUPS, model ()->getSteppedValue (menu->getTag ()));
    else if (menu == v.slotDestMenus[0] || menu == v.slotDestMenus[1] || menu == screens.menuFor (tag::FollowerDest))
        checkGrouped (menu, DESTINATION_GROUPS, model ()->getSteppedValue (menu->getTag ()));
}

void EditorMenus::askTypedValue (int tag)
{
    if (model () == nullptr || ! isValidTag (tag))
        return;
    float live[kNumParams];
    model ()->liveValues ().copyTo (live);
    const TypedValuePrompt prompt = typedValuePrompt (model ()->table (), tag, model ()->getParameter (tag), live);
    const std::string offered = prompt.initialText.c_str ();
    const std::string range = prompt.rangeHint.c_str ();
    const std::string name = model ()->table ().getName (tag);
    inputBox (range, name, offered,
              [this, tag, offered, range, name, alive = queue.alive ()] (bool ok, const std::string& text) {
                  // The offered text is a rounded reading of the value: confirmed as
                  // it stands, it leaves the value alone.
                  if (alive.expired () || ! ok || text.empty () || text == offered)
                      return;
                  if (! typedTextHoldsNumber (text.c_str ()))
                  {
                      messageBox ("\"" + text + "\" is not a number: " + name +
                                  " was left as it was. Type a value from " + range + ".");
                      return;
                  }
                  float live[kNumParams];
                  model ()->liveValues ().copyTo (live);
                  float value = 0.0f;
                  if (! typedValueToNormalised (model ()->table (), tag, text.c_str (), live, value))
                      return;
                  // A typed value is a user edit: the host records it as for a drag.
                  editor.beginEdit (tag);
                  model ()->editParameter (tag, value);
                  editor.endEdit (tag);
                  queue.requestRefresh ();
              });
}

namespace {

// A pop-up menu of `items` in a 16 x 16 rectangle centred on `where`: "-G"
// entries are greyed titles, "-" separators, items with entries submenus.
SharedPointer<COptionMenu> buildMenu (const std::vector<MenuItem>& items, const CPoint& where)
{
    const CRect r (where.x - 8, where.y - 8, where.x + 8, where.y + 8);
    auto menu = makeOwned<COptionMenu> (r, nullptr, -1, nullptr, nullptr, COptionMenu::kMultipleCheckStyle);
    for (const MenuItem& item : items)
    {
        if (item.title == "-")
            menu->addSeparator ();
        else if (! item.entries.empty ())
        {
            auto sub = makeOwned<COptionMenu> (r, nullptr, -1, nullptr, nullptr, COptionMenu::kMultipleCheckStyle);
            for (const std::string& entry : item.entries)
                sub->addEntry (entry.c_str ());
            for (int checked : item.checkedEntries)
                if (CMenuItem* entry = sub->getEntry (checked))
                    entry->setChecked (true);
            menu->addEntry (sub, item.title.c_str ());
        }
        else if (item.title.rfind ("-G", 0) == 0)
            menu->addEntry (new CMenuItem (item.title.substr (2).c_str (), "", 0, nullptr,
                                           CMenuItem::kTitle | CMenuItem::kDisabled));
        else
            menu->addEntry (item.title.c_str ())->setChecked (item.checked);
    }
    return menu;
}

// The top-level item `chosen` belongs to (each item is one entry of the
// top menu), and the entry index within it (-1 for a top-level choice).
bool choiceOf (COptionMenu* top, COptionMenu* chosen, int index, int& item, int& entry)
{
    if (chosen == nullptr || index < 0)
        return false;
    if (chosen == top)
    {
        if (top->getEntry (index) == nullptr)
            return false;
        item = index;
        entry = -1;
        return true;
    }
    for (int32_t i = 0; i < top->getNbEntries (); ++i)
        if (CMenuItem* parent = top->getEntry (i); parent != nullptr && parent->getSubmenu () == chosen)
        {
            item = i;
            entry = index;
            return true;
        }
    return false;
}

} // namespace

bool EditorMenus::popupChoice (const std::vector<MenuItem>& items, const CPoint& where, ChoiceHandler chosen)
{
    if (frame () == nullptr || showing || ! editor.isOpen ())
        return false;
    SharedPointer<COptionMenu> menu = buildMenu (items, where);
    // Opening the menu cancels the mouse of the control that asked for it,
    // and a kick button answers that with another change: one menu at a time.
    showing = true;
    if (opening)
        opening ();
    // VSTGUI's Linux menu is a modal view of the frame: it answers from the
    // events and timers of later idle calls, after this one has returned.
    const bool shown =
        menu->popup (frame (), where, [this, top = menu.get (), items, chosen, alive = queue.alive ()] (COptionMenu*) {
            if (alive.expired ())
                return;
            showing = false;
            int32_t unused = -1;
            // The entry's index is the last result: Escape leaves the chosen
            // menu's value at its old entry, with a result of -1.
            int item = -1;
            int entry = -1;
            if (choiceOf (top, top->getLastItemMenu (unused), top->getLastResult (), item, entry) &&
                item < static_cast<int> (items.size ()))
                queue.later (
                    [chosen, choice = items[static_cast<std::size_t> (item)], entry] { chosen (choice, entry); });
        });
    if (! shown)
    {
        showing = false;
        return false;
    }
    focusFrameWindow (frame ());
    releaseMenuGrab (frame ());
    if (const MenuShownHook hook = menuShownHook ())
        hook (*menu, *frame ());
    return true;
}

void EditorMenus::showParameterMenu (int t, const CPoint& where)
{
    if (frame () == nullptr || model () == nullptr || ! isValidTag (t))
        return;
    popupChoice (parameterMenuItems (*model (), t), where, [this, t] (const MenuItem& item, int entry) {
        switch (applyParameterMenu (*model (), t, static_cast<ParameterCommand> (item.command), entry, std::rand ()))
        {
            case MenuFollowUp::TypedValue: askTypedValue (t); break;
            case MenuFollowUp::MidiCC: askMidiCC (t); break;
            case MenuFollowUp::None: break;
        }
        queue.requestRefresh ();
    });
}

void EditorMenus::askMidiCC (int t)
{
    if (model () == nullptr || ! isValidTag (t))
        return;
    const std::string title = "MIDI CC : " + model ()->table ().getName (t);
    inputBox ("MIDI CC (0 - 127)", title, {}, [this, t, alive = queue.alive ()] (bool ok, const std::string& text) {
        if (alive.expired () || ! ok || text.empty ())
            return;
        if (wholeNumberIn (text, 0, 127) < 0)
        {
            messageBox ("\"" + text +
                        "\" is not a MIDI controller number: nothing was latched. Type a number from 0 to 127.");
            return;
        }
        model ()->setMidiCCNumber (t, text.c_str ());
    });
}

void EditorMenus::showDestinationMenu (const CPoint& where, int destTag, int slot)
{
    if (frame () == nullptr || model () == nullptr || slot < 0 || slot >= 8)
        return;
    auto items = destinationMenuItems ();
    markDestination (items, model ()->getSteppedValue (destTag));
    popupChoice (items, where, [this, destTag, slot] (const MenuItem& item, int entry) {
        const int d = destinationOfChoice (item.command, entry);
        if (d < 0)
            return;
        model ()->setSteppedValue (destTag, d);
        if (d != 0)
            model ()->setOn (tag::Disrupt1On + slot);
        queue.requestRefresh ();
    });
}

void EditorMenus::showSyncedMenu (int t)
{
    if (frame () == nullptr || model () == nullptr)
        return;
    const char* title = t == tag::ReverbPreDelay ? "-GSynced Reverb Pre-Delay"
                        : t == tag::LateLength   ? "-GSynced Late Length"
                        : t == tag::LazySpeed    ? "-GSynced Lazy LFO Speed"
                                                 : nullptr;
    if (title == nullptr)
        return;
    std::vector<MenuItem> items {{title, {}}, {"-", {}}};
    const auto names = model ()->table ().getStepNames (t);
    const int current = model ()->getSteppedValue (t);
    // Command k + 1 chooses step k.
    for (std::size_t step = 0; step < names.size (); ++step)
        items.push_back ({std::string (names[step]), static_cast<int> (step) + 1, static_cast<int> (step) == current});
    CPoint where;
    frame ()->getCurrentMouseLocation (where);
    popupChoice (items, where, [this, t] (const MenuItem& item, int) {
        if (item.command > 0)
            model ()->setSteppedValue (t, item.command - 1);
        queue.requestRefresh ();
    });
}

void EditorMenus::loadControllerMap ()
{
    char folder[kPrefStringSize] {};
    loadStringFromPrefs (PREF_ECS_DIR, folder, sizeof folder);
    FileRequest request;
    request.title = "ECS Loader";
    request.initialDir = folder;
    request.buttonText = "Load";
    request.extensions = patternExtensions ("*.ecs");
    queue.watch (chooseFile (request, [this] (bool chosen, const std::string& path) {
        if (chosen && ! model ()->loadECSFile (path))
            messageBox (ECS_ERROR_TEXT);
    }));
}

void EditorMenus::saveControllerMap ()
{
    char folder[kPrefStringSize] {};
    loadStringFromPrefs (PREF_ECS_DIR, folder, sizeof folder);
    // The dialog opens in the maps folder, made on first use.
    std::error_code ignored;
    std::filesystem::create_directories (folder, ignored);
    FileRequest request;
    request.save = true;
    request.title = "ECS Save";
    request.initialDir = folder;
    request.buttonText = "Save";
    request.defaultName = "Morlake.ecs";
    request.extensions = patternExtensions (request.defaultName);
    // The file is replaced whole or not at all: a failed save keeps the old one.
    queue.watch (chooseFile (request, [this] (bool chosen, const std::string& path) {
        if (chosen && ! model ()->saveECSFile (path))
            messageBox (ECS_ERROR_TEXT);
    }));
}

namespace {

constexpr const char* kWebAddress = "https://www.aldermoor.example/morlake";
constexpr const char* kAboutText = "Aldermoor Morlake Effect.\n"
                                   "VST2.4 Plugin Version 1.0.0 for Linux.\n"
                                   "Design, DSP and code: the Morlake team at Aldermoor.\n"
                                   "Free software under the GNU General Public License,\n"
                                   "version 3 or later; it comes with no warranty.\n"
                                   "Editor built with VSTGUI 4.9 (BSD 3-clause licence).\n"
                                   "The manual's chapter \"Licence\" names every component's licence.\n";

std::string onOff (const char* name, bool on) { return std::string (name) + (on ? ": On" : ": Off"); }

} // namespace

void EditorMenus::showSettingsMenu ()
{
    if (frame () == nullptr || model () == nullptr || showing)
        return;
    static const char* const SIZE_STR[kScreenSizes] = {"100% Screen Size", "125% Screen Size", "150% Screen Size",
                                                       "200% Screen Size"};
    const bool midiPreset = getRegisterIsOn (PREF_MIDI_PRESET, true);
    const bool midiBank = getRegisterIsOn (PREF_MIDI_BANK, true);
    const bool capture = getRegisterIsOn (PREF_MIDI_CAPTURE, true);
    const int channel = static_cast<int> (loadIntFromPrefs (PREF_MIDI_CHANNEL));
    std::vector<MenuItem> items {
        {"-GControl Menu", {}}, {"-", {}}, {std::string ("-GScreen Size: ") + SIZE_STR[settings.screenSize], {}}};
    for (int s = 0; s < kScreenSizes; ++s)
        items.push_back ({std::string ("Set to ") + SIZE_STR[s], kScreenSize + s, s == settings.screenSize});
    const bool tips = getRegisterIsOn (PREF_TOOL_TIP, true);
    const bool dragDrop = getRegisterIsOn (PREF_DRAG_DROP, true);
    const std::tuple<std::string, std::string, int> options[] = {
        {"-GDial Animation", onOff ("Dial Animation", settings.dialAnimation), kDialAnimation},
        {"-GTool-Tips", onOff ("Tool-Tips", tips), kToolTips},
        {"-GDrag And Drop", onOff ("Drag And Drop", dragDrop), kDragAndDrop},
        {"-GComputer Keyboard", onOff ("Computer Keyboard", settings.keyboardOn), kKeyboard},
        {"-GMIDI Preset Change", onOff ("MIDI Preset", midiPreset), kMidiPreset},
        {"-GMIDI Bank Change", onOff ("MIDI Bank", midiBank), kMidiBank},
        {"-GMIDI Input Channel: " + midiChannelName (channel), "Set MIDI Input Channel", kMidiChannel},
        {"-GExternal MIDI Capture Mode", onOff ("External MIDI Capture Mode", capture), kMidiCapture},
    };
    // Greyed titles part the groups: with separators too, the menu would
    // outgrow the window and scroll.
    for (const auto& [title, entry, command] : options)
    {
        items.push_back ({title, {}});
        items.push_back ({entry, command});
    }
    items.push_back ({"-", {}});
    items.push_back ({"Reset Everything", kResetEverything});
    items.push_back ({"About Morlake", kAbout});
    items.push_back ({"Goto Aldermoor Website", kWebsite});

    CPoint where;
    frame ()->getCurrentMouseLocation (where);
    // The toggles flip the states the menu showed.
    popupChoice (items, where, [this, midiPreset, midiBank, capture, tips, dragDrop] (const MenuItem& item, int) {
        settingsChosen (item.command, {midiPreset, midiBank, capture, tips, dragDrop});
    });
}

void EditorMenus::settingsChosen (int command, const ShownSettings& shown)
{
    if (command >= kScreenSize && command < kScreenSize + kScreenSizes)
        chooseScreenSize (command - kScreenSize);
    switch (command)
    {
        case kDialAnimation:
            settings.dialAnimation = ! settings.dialAnimation;
            saveBoolToPrefs (PREF_DIAL_ANIMATION, settings.dialAnimation);
            queue.requestRefresh ();
            break;
        case kToolTips: settings.tooltipsOn = ! shown.tooltips; break;
        case kDragAndDrop: settings.dragDropOn = ! shown.dragDrop; break;
        case kKeyboard: settings.keyboardOn = ! settings.keyboardOn; break;
        case kMidiPreset: saveBoolToPrefs (PREF_MIDI_PRESET, ! shown.midiPreset); break;
        case kMidiBank: saveBoolToPrefs (PREF_MIDI_BANK, ! shown.midiBank); break;
        case kMidiChannel: askMidiChannel (); break;
        case kMidiCapture:
            saveBoolToPrefs (PREF_MIDI_CAPTURE, ! shown.capture);
            model ()->resetMidiCapture ();
            break;
        case kResetEverything: model ()->doResetEverything (); break;
        case kAbout: messageBox (kAboutText); break;
        case kWebsite: queue.watch (openDocument (kWebAddress)); break;
        default: break;
    }
    saveBoolToPrefs (PREF_TOOL_TIP, settings.tooltipsOn);
    saveBoolToPrefs (PREF_DRAG_DROP, settings.dragDropOn);
    saveBoolToPrefs (PREF_KEYBOARD, settings.keyboardOn);
}

void EditorMenus::askMidiChannel ()
{
    const std::string current = std::to_string (loadIntFromPrefs (PREF_MIDI_CHANNEL));
    inputBox ("Set MIDI Input Channel (0 for Omni)", "MIDI Input Channel", current,
              [this, alive = queue.alive ()] (bool ok, const std::string& text) {
                  if (alive.expired () || ! ok || text.empty ())
                      return;
                  const int channel = wholeNumberIn (text, 0, 16);
                  if (channel < 0)
                  {
                      messageBox ("\"" + text +
                                  "\" is not a MIDI channel: the channel was left as it was. "
                                  "Type 0 for Omni or a channel from 1 to 16.");
                      return;
                  }
                  saveIntToPrefs (PREF_MIDI_CHANNEL, channel);
                  model ()->updateMidiChannel ();
              });
}

void EditorMenus::openManual ()
{
    char path[kPrefStringSize] {};
    loadStringFromPrefs (PREF_HELP_DIR, path, sizeof path);
    FILE* file = path[0] != '\0' ? std::fopen (path, "rb") : nullptr;
    if (file == nullptr)
    {
        messageBox (std::string ("The manual was not found at ") + path + ".");
        return;
    }
    std::fclose (file);
    queue.watch (openDocument (path));
}

} // namespace morlake
