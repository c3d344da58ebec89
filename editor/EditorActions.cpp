// What a control change, a key or a program arrow tells the plug-in, and the
// entry points of the menus and dialogs the controls open.
#include "editor/uEditor.h"

#include "editor/MessageWindows.h"
#include "editor/ParameterMenu.h"

#include "editor/RunLoop.h"
#include "midi/EcsFile.h"
#include "presets/FactoryPresets.h"
#include "params/TypedValue.h"
#include "platform/Desktop.h"
#include "platform/MessageWindows.h"
#include "platform/Preferences.h"
#include "instance/EditorModel.h"

#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/vstkeycode.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>

namespace morlake {

using namespace VSTGUI;

namespace {

constexpr uint32_t kProgramStepMs = 166;

bool pressed (const CControl* c) { return c->getValue () > 0.5f; }
bool released (const CControl* c) { return c->getValue () < 0.5f; }

template <std::size_t N>
int indexOfMenu (const std::array<TOptionMenu*, N>& menus, const CControl* control)
{
    for (std::size_t i = 0; i < N; ++i)
        if (menus[i] != nullptr && menus[i] == control)
            return static_cast<int> (i);
    return -1;
}

} // namespace

void uEditor::valueChanged (CControl* control)
{
    if (frame == nullptr || model == nullptr || control == nullptr)
        return;
    if (topBarChanged (control) || mainScreenChanged (control) || backScreenChanged (control))
        return;
    // Everything else carries its parameter.
    if (control->getTag () != kNoParameterTag && isValidTag (control->getTag ()))
        model->editParameter (control->getTag (), control->getValue () * valueScale);
}

void uEditor::presetMenuChosen ()
{
    int32_t index = -1;
    COptionMenu* chosen = presetMenu->getLastItemMenu (index);
    const int bank = indexOfMenu (presetBanks, chosen);
    if (bank >= 0)
        model->setDemoProgram (getPresetsInColumns () * bank + index);
    else if (CMenuItem* item = chosen != nullptr ? chosen->getEntry (index) : nullptr)
    {
        const std::string text = item->getTitle ().getString ();
        if (text == "Default Preset")
            model->defaultProgram ();
        else if (text == "Revert to Original Preset")
            model->origProgram ();
        else if (text == "Revert to Edited Preset")
            model->editProgram ();
        else if (text.rfind ("Set To ", 0) == 0)
        {
            static const char* sizes[kScreenSizes] = {"Set To 100% Screen", "Set To 125% Screen", "Set To 150% Screen",
                                                      "Set To 200% Screen"};
            for (int s = 0; s < kScreenSizes; ++s)
                if (text == sizes[s])
                    setScreenSize (s);
        }
    }
}

void uEditor::openManual ()
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
    watch (openDocument (path));
}

bool uEditor::topBarChanged (CControl* control)
{
    if (control == presetMenu)
    {
        presetMenuChosen ();
        updatePresetMenu ();
        requestRefresh ();
        return true;
    }
    if (control == originalButton || control == editedButton)
    {
        if (pressed (control))
        {
            control == originalButton ? model->origProgram () : model->editProgram ();
            requestRefresh ();
        }
        return true;
    }
    if (control == ecsMenu)
    {
        switch (ecsMenu->getCurrentIndex ())
        {
            case 0: loadControllerMap (); break;
            case 1: saveControllerMap (); break;
            case 2: model->resetMidi (); break;
            default: break;
        }
        return true;
    }
    if (control == helpButton)
    {
        if (pressed (control))
            openManual ();
        return true;
    }
    if (control == managerButton)
        return true;
    if (control == showBackButton)
    {
        if (pressed (control))
            showBackScreen ();
        return true;
    }
    if (control == showFrontButton)
    {
        if (released (control))
            hideBackScreen ();
        return true;
    }
    if (control == controlMenuButton)
    {
        // Opened once the click that asked for it is handled, as the option
        // menus are: VSTGUI's Linux menu is a modal view of the frame.
        if (pressed (control) && ! frame->doAfterEventProcessing ([this] { showControlMenu (); }))
            showControlMenu ();
        return true;
    }
    if (control == fullWetButton)
    {
        if (pressed (control))
        {
            model->editParameter (tag::WetDry, 1.0f);
            if (TKnob* wetDry = knobFor (tag::WetDry))
            {
                wetDry->setValue (1.0f);
                wetDry->invalid ();
            }
        }
        return true;
    }
    return false;
}

bool uEditor::mainScreenChanged (CControl* control)
{
    // Radio pairs: the two paths and the modulation slot shown.
    for (int g = 0; g < 3; ++g)
        for (int i = 0; i < 2; ++i)
            if (control == radios[g][i])
            {
                if (g < 2)
                    model->editParameter (g == 0 ? tag::EarlyPath : tag::LatePath, static_cast<float> (i));
                else
                {
                    if (! pressed (control))
                        return true;
                    selectedSlot = i;
                    modPanelDirty = true;
                }
                setRadioPair (g, i);
                return true;
            }
    for (auto* menu : mainMenus)
        if (menu != nullptr && control == menu)
        {
            const int t = menu->getTag ();
            if (t == tag::FollowerDest)
                setDestMenu (menu, t);
            else
            {
                setMenuValue (menu);
                if (t == tag::ReverbPreset)
                    model->setResetPresetValues ();
                if (t == tag::DisruptQuantization && disruptSlider != nullptr)
                    disruptSlider->invalid ();
            }
            return true;
        }
    if (control == resetDisruptButton)
    {
        if (pressed (control))
            model->editParameter (tag::DisruptValue, 0.5f);
        return true;
    }
    // Disrupt amounts switch their slot on when moved off centre.
    for (int i = 0; i < 8; ++i)
        if (control == knobFor (tag::Disrupt1Amount + i))
        {
            const float v = control->getValue ();
            model->editParameter (control->getTag (), v * valueScale);
            if (std::fabs (v - 0.5f) > 0.01f)
                model->setOn (tag::Disrupt1On + i);
            return true;
        }
    for (int s = 0; s < 2; ++s)
    {
        if (control == slotSourceMenus[s])
        {
            setSrcMenu (slotSourceMenus[s], slotSourceMenus[s]->getTag ());
            modPanelDirty = true;
            return true;
        }
        if (control == slotDestMenus[s])
        {
            setDestMenu (slotDestMenus[s], slotDestMenus[s]->getTag ());
            modPanelDirty = true;
            return true;
        }
    }
    return false;
}

void uEditor::backSwitchChanged (int i, bool on)
{
    switch (i)
    {
        case layout::kKeyboardSwitch:
            keyboardOn = on;
            saveBoolToPrefs (PREF_KEYBOARD, on);
            break;
        case layout::kProgramChangeSwitch: saveBoolToPrefs (PREF_MIDI_PRESET, on); break;
        case layout::kBankChangeSwitch: saveBoolToPrefs (PREF_MIDI_BANK, on); break;
        case layout::kCaptureSwitch: saveBoolToPrefs (PREF_MIDI_CAPTURE, on); break;
        case layout::kDialAnimationSwitch:
            saveBoolToPrefs (PREF_DIAL_ANIMATION, on);
            dialAnimation = getBackRegValue (PREF_DIAL_ANIMATION, true);
            break;
        default: break;
    }
}

bool uEditor::backScreenChanged (CControl* control)
{
    for (int i = 0; i < layout::kBackSwitchCount; ++i)
        if (control == backSwitches[i])
        {
            backSwitchChanged (i, pressed (control));
            return true;
        }
    if (control == channelMenu)
    {
        const int channel = channelMenu->getCurrentIndex ();
        saveIntToPrefs (PREF_MIDI_CHANNEL, channel);
        if (CMenuItem* item = channelMenu->getCurrent ())
            channelMenu->setString (std::string (item->getTitle ().getString ()));
        channelMenu->setDirty ();
        model->updateMidiChannel ();
        return true;
    }
    for (int i = 0; i < 4; ++i)
        if (control == screenSwitches[i])
        {
            if (pressed (control))
            {
                setScreenSize (i);
                showBackScreen ();
            }
            return true;
        }
    return false;
}

// Keyboard and program stepping ------------------------------------------------------

bool uEditor::stepProgram (int delta)
{
    const uint32_t now = getTicks ();
    if (now < lastProgramStep)
        lastProgramStep = now - (kProgramStepMs + 1);
    if (now - lastProgramStep < kProgramStepMs)
        return false;
    lastProgramStep = now;
    if (model != nullptr)
        model->changeDemoProgramDelta (delta);
    requestRefresh ();
    return true;
}

void uEditor::changeProgramDelta (int delta) { stepProgram (delta); }

int32_t uEditor::onKeyDown (const ::VstKeyCode& key, CFrame* keyFrame)
{
    // A menu or dialog showing takes the keys. VSTGUI's menu closes itself
    // twice (and crashes) on a second Escape or Return while it fades out:
    // one closing key per menu is let through.
    if (CView* modal = keyFrame != nullptr ? keyFrame->getModalView () : nullptr)
    {
        const bool closing = key.virt == VKEY_ESCAPE || key.virt == VKEY_RETURN || key.virt == VKEY_ENTER;
        if (! closing || dynamic_cast<MessageDialog*> (modal) != nullptr)
            return -1;
        const uint32_t now = getTicks ();
        if (modal == closingMenu && now - closingMenuTicks < 1000)
            return 1;
        closingMenu = modal;
        closingMenuTicks = now;
        return -1;
    }
    if (! keyboardOn)
        return -1;
    switch (key.virt)
    {
        case VKEY_UP: stepProgram (-1); return 1;
        case VKEY_DOWN: stepProgram (1); return 1;
        case VKEY_PAGEUP:
        case VKEY_PAGEDOWN: return 1;
        default: return -1;
    }
}

int32_t uEditor::onKeyUp (const ::VstKeyCode&, CFrame*) { return -1; }

// Menus and dialogs opened from controls ----------------------------------------------

namespace {

uEditor::MenuShownHook& menuShownHook ()
{
    static uEditor::MenuShownHook hook;
    return hook;
}

} // namespace

void uEditor::setMenuShownHook (MenuShownHook hook) { menuShownHook () = std::move (hook); }

void uEditor::later (std::function<void ()> command)
{
    if (command)
        deferred.push_back (std::move (command));
}

void uEditor::runDeferred ()
{
    // A command may defer others (a menu choice opening a dialog): those
    // wait for the next pass.
    auto now = std::move (deferred);
    deferred.clear ();
    for (auto& command : now)
        if (frame != nullptr && editorOpen)
            command ();
}

void uEditor::watch (std::unique_ptr<DesktopTask> task)
{
    if (task != nullptr)
        tasks.push_back (std::move (task));
}

void uEditor::serveTasks ()
{
    std::erase_if (tasks, [] (const auto& task) { return task->poll (); });
}

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

void uEditor::markCurrentChoice (COptionMenu* menu)
{
    if (menu == nullptr || model == nullptr)
        return;
    if (menu == presetMenu)
    {
        const int index = model->getFactoryIndex ();
        checkAlone (presetMenu, -1);
        if (index >= 0 && index < kNumFactoryPresets)
        {
            const int bank = index / getPresetsInColumns ();
            presetMenu->getEntry (bank)->setChecked (true);
            checkAlone (presetBanks[static_cast<std::size_t> (bank)], index % getPresetsInColumns ());
        }
    }
    else if (menu == channelMenu)
        checkAlone (channelMenu, static_cast<int> (loadIntFromPrefs (PREF_MIDI_CHANNEL)));
    else if (menu == slotSourceMenus[0] || menu == slotSourceMenus[1])
        checkGrouped (menu, SOURCE_GROUPS, model->getSteppedValue (menu->getTag ()));
    else if (menu == slotDestMenus[0] || menu == slotDestMenus[1] || menu == menuFor (tag::FollowerDest))
        checkGrouped (menu, DESTINATION_GROUPS, model->getSteppedValue (menu->getTag ()));
}

void uEditor::setNumValue (int tag)
{
    if (model == nullptr || ! isValidTag (tag))
        return;
    float live[kNumParams];
    model->liveValues ().copyTo (live);
    const TypedValuePrompt prompt = typedValuePrompt (model->table (), tag, model->getParameter (tag), live);
    const std::string offered = prompt.initialText.c_str ();
    const std::string range = prompt.rangeHint.c_str ();
    const std::string name = model->table ().getName (tag);
    inputBox (range, name, offered,
              [this, tag, offered, range, name, alive = alive ()] (bool ok, const std::string& text) {
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
                  model->liveValues ().copyTo (live);
                  float value = 0.0f;
                  if (! typedValueToNormalised (model->table (), tag, text.c_str (), live, value))
                      return;
                  // A typed value is a user edit: the host records it as for a drag.
                  beginEdit (tag);
                  model->editParameter (tag, value);
                  endEdit (tag);
                  requestRefresh ();
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

bool uEditor::popupChoice (const std::vector<MenuItem>& items, const CPoint& where, ChoiceHandler chosen)
{
    if (frame == nullptr || menuShowing || ! editorOpen)
        return false;
    SharedPointer<COptionMenu> menu = buildMenu (items, where);
    // Opening the menu cancels the mouse of the control that asked for it,
    // and a kick button answers that with another change: one menu at a time.
    menuShowing = true;
    hideTooltip ();
    // VSTGUI's Linux menu is a modal view of the frame: it answers from the
    // events and timers of later idle calls, after this one has returned.
    const bool shown =
        menu->popup (frame, where, [this, top = menu.get (), items, chosen, alive = alive ()] (COptionMenu*) {
            if (alive.expired ())
                return;
            menuShowing = false;
            int32_t unused = -1;
            // The entry's index is the last result: Escape leaves the chosen
            // menu's value at its old entry, with a result of -1.
            int item = -1;
            int entry = -1;
            if (choiceOf (top, top->getLastItemMenu (unused), top->getLastResult (), item, entry) &&
                item < static_cast<int> (items.size ()))
                later ([chosen, choice = items[static_cast<std::size_t> (item)], entry] { chosen (choice, entry); });
        });
    if (! shown)
    {
        menuShowing = false;
        return false;
    }
    focusFrameWindow (frame);
    releaseMenuGrab (frame);
    if (const MenuShownHook hook = menuShownHook ())
        hook (*menu, *frame);
    return true;
}

void uEditor::showMIDIMenu (CControl* control, CPoint& where)
{
    if (frame == nullptr || model == nullptr || control == nullptr || ! isValidTag (control->getTag ()))
        return;
    const int t = control->getTag ();
    popupChoice (parameterMenuItems (*model, t), where, [this, t] (const MenuItem& item, int entry) {
        switch (applyParameterMenu (*model, t, static_cast<ParameterCommand> (item.command), entry, std::rand ()))
        {
            case MenuFollowUp::TypedValue: setNumValue (t); break;
            case MenuFollowUp::MidiCC: setMidiCCNum (t); break;
            case MenuFollowUp::None: break;
        }
        requestRefresh ();
    });
}

void uEditor::setMidiCCNum (int t)
{
    if (model == nullptr || ! isValidTag (t))
        return;
    const std::string title = "MIDI CC : " + model->table ().getName (t);
    inputBox ("MIDI CC (0 - 127)", title, {}, [this, t, alive = alive ()] (bool ok, const std::string& text) {
        if (alive.expired () || ! ok || text.empty ())
            return;
        if (wholeNumberIn (text, 0, 127) < 0)
        {
            messageBox ("\"" + text +
                        "\" is not a MIDI controller number: nothing was latched. Type a number from 0 to 127.");
            return;
        }
        model->setMidiCCNumber (t, text.c_str ());
    });
}

void uEditor::showDestMenu (CPoint& where, int destTag, int slot)
{
    if (frame == nullptr || model == nullptr || slot < 0 || slot >= 8)
        return;
    auto items = destinationMenuItems ();
    markDestination (items, model->getSteppedValue (destTag));
    popupChoice (items, where, [this, destTag, slot] (const MenuItem& item, int entry) {
        const int d = destinationOfChoice (item.command, entry);
        if (d < 0)
            return;
        model->setSteppedValue (destTag, d);
        if (d != 0)
            model->setOn (tag::Disrupt1On + slot);
        requestRefresh ();
    });
}

void uEditor::showSyncedMenu (int t)
{
    if (frame == nullptr || model == nullptr)
        return;
    const char* title = t == tag::ReverbPreDelay ? "-GSynced Reverb Pre-Delay"
                        : t == tag::LateLength   ? "-GSynced Late Length"
                        : t == tag::LazySpeed    ? "-GSynced Lazy LFO Speed"
                                                 : nullptr;
    if (title == nullptr)
        return;
    std::vector<MenuItem> items {{title, {}}, {"-", {}}};
    const auto names = model->table ().getStepNames (t);
    const int current = model->getSteppedValue (t);
    // Command k + 1 chooses step k.
    for (std::size_t step = 0; step < names.size (); ++step)
        items.push_back ({std::string (names[step]), static_cast<int> (step) + 1, static_cast<int> (step) == current});
    CPoint where;
    frame->getCurrentMouseLocation (where);
    popupChoice (items, where, [this, t] (const MenuItem& item, int) {
        if (item.command > 0)
            model->setSteppedValue (t, item.command - 1);
        requestRefresh ();
    });
}

void uEditor::loadControllerMap ()
{
    char folder[kPrefStringSize] {};
    loadStringFromPrefs (PREF_ECS_DIR, folder, sizeof folder);
    FileRequest request;
    request.title = "ECS Loader";
    request.initialDir = folder;
    request.buttonText = "Load";
    request.extensions = patternExtensions ("*.ecs");
    watch (chooseFile (request, [this] (bool chosen, const std::string& path) {
        if (chosen && ! model->loadECSFile (path))
            messageBox (ECS_ERROR_TEXT);
    }));
}

void uEditor::saveControllerMap ()
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
    watch (chooseFile (request, [this] (bool chosen, const std::string& path) {
        if (chosen && ! model->saveECSFile (path))
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

// The settings menu's commands; screen size s is ScreenSize + s.
enum SettingsCommand : int
{
    kScreenSize = 1,
    kDialAnimation = kScreenSize + kScreenSizes,
    kToolTips,
    kDragAndDrop,
    kKeyboard,
    kMidiPreset,
    kMidiBank,
    kMidiChannel,
    kMidiCapture,
    kResetEverything,
    kAbout,
    kWebsite,
};

} // namespace

void uEditor::showControlMenu ()
{
    if (frame == nullptr || model == nullptr || menuShowing)
        return;
    static const char* const SIZE_STR[kScreenSizes] = {"100% Screen Size", "125% Screen Size", "150% Screen Size",
                                                       "200% Screen Size"};
    const bool midiPreset = getRegisterIsOn (PREF_MIDI_PRESET, true);
    const bool midiBank = getRegisterIsOn (PREF_MIDI_BANK, true);
    const bool capture = getRegisterIsOn (PREF_MIDI_CAPTURE, true);
    const int channel = static_cast<int> (loadIntFromPrefs (PREF_MIDI_CHANNEL));
    std::vector<MenuItem> items {
        {"-GControl Menu", {}}, {"-", {}}, {std::string ("-GScreen Size: ") + SIZE_STR[screenSize], {}}};
    for (int s = 0; s < kScreenSizes; ++s)
        items.push_back ({std::string ("Set to ") + SIZE_STR[s], kScreenSize + s, s == screenSize});
    const bool tips = getRegisterIsOn (PREF_TOOL_TIP, true);
    const bool dragDrop = getRegisterIsOn (PREF_DRAG_DROP, true);
    const std::tuple<std::string, std::string, int> options[] = {
        {"-GDial Animation", onOff ("Dial Animation", dialAnimation), kDialAnimation},
        {"-GTool-Tips", onOff ("Tool-Tips", tips), kToolTips},
        {"-GDrag And Drop", onOff ("Drag And Drop", dragDrop), kDragAndDrop},
        {"-GComputer Keyboard", onOff ("Computer Keyboard", keyboardOn), kKeyboard},
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
    frame->getCurrentMouseLocation (where);
    // The toggles flip the states the menu showed.
    popupChoice (items, where, [this, midiPreset, midiBank, capture, tips, dragDrop] (const MenuItem& item, int) {
        controlMenuChosen (item.command, {midiPreset, midiBank, capture, tips, dragDrop});
    });
}

void uEditor::controlMenuChosen (int command, const ShownSettings& shown)
{
    if (command >= kScreenSize && command < kScreenSize + kScreenSizes)
        setScreenSize (command - kScreenSize);
    switch (command)
    {
        case kDialAnimation:
            dialAnimation = ! dialAnimation;
            saveBoolToPrefs (PREF_DIAL_ANIMATION, dialAnimation);
            requestRefresh ();
            break;
        case kToolTips: tooltipsOn = ! shown.tooltips; break;
        case kDragAndDrop: dragDropOn = ! shown.dragDrop; break;
        case kKeyboard: keyboardOn = ! keyboardOn; break;
        case kMidiPreset: saveBoolToPrefs (PREF_MIDI_PRESET, ! shown.midiPreset); break;
        case kMidiBank: saveBoolToPrefs (PREF_MIDI_BANK, ! shown.midiBank); break;
        case kMidiChannel: setMidiChannel (); break;
        case kMidiCapture:
            saveBoolToPrefs (PREF_MIDI_CAPTURE, ! shown.capture);
            model->resetMidiCapture ();
            break;
        case kResetEverything: model->doResetEverything (); break;
        case kAbout: messageBox (kAboutText); break;
        case kWebsite: watch (openDocument (kWebAddress)); break;
        default: break;
    }
    saveBoolToPrefs (PREF_TOOL_TIP, tooltipsOn);
    saveBoolToPrefs (PREF_DRAG_DROP, dragDropOn);
    saveBoolToPrefs (PREF_KEYBOARD, keyboardOn);
}

void uEditor::setMidiChannel ()
{
    const std::string current = std::to_string (loadIntFromPrefs (PREF_MIDI_CHANNEL));
    inputBox ("Set MIDI Input Channel (0 for Omni)", "MIDI Input Channel", current,
              [this, alive = alive ()] (bool ok, const std::string& text) {
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
                  model->updateMidiChannel ();
              });
}

} // namespace morlake
