// What a control change, a key or a program arrow tells the plug-in.
#include "editor/uEditor.h"

#include "editor/MessageWindows.h"
#include "params/NameLists.h"
#include "platform/Preferences.h"
#include "instance/EditorModel.h"

#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/vstkeycode.h"

#include <cmath>

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
    const EditorViews& v = screens.views ();
    int32_t index = -1;
    COptionMenu* chosen = v.presetMenu->getLastItemMenu (index);
    const int bank = indexOfMenu (v.presetBanks, chosen);
    if (bank >= 0)
    {
        model->setDemoProgram (EditorScreens::kPresetsPerBank * bank + index);
        return;
    }
    if (chosen != v.presetMenu)
        return;
    int size = 0;
    switch (presetCommandAt (index, size))
    {
        case PresetCommand::DefaultPreset: model->defaultProgram (); break;
        case PresetCommand::RevertToOriginal: model->origProgram (); break;
        case PresetCommand::RevertToEdited: model->editProgram (); break;
        case PresetCommand::ScreenSize: setScreenSize (size); break;
        case PresetCommand::None: break;
    }
}

bool uEditor::topBarChanged (CControl* control)
{
    const EditorViews& v = screens.views ();
    if (control == v.presetMenu)
    {
        presetMenuChosen ();
        screens.showCurrentPreset ();
        queue.requestRefresh ();
        return true;
    }
    if (control == v.originalButton || control == v.editedButton)
    {
        if (pressed (control))
        {
            control == v.originalButton ? model->origProgram () : model->editProgram ();
            queue.requestRefresh ();
        }
        return true;
    }
    if (control == v.ecsMenu)
    {
        switch (v.ecsMenu->getCurrentIndex ())
        {
            case 0: menus.loadControllerMap (); break;
            case 1: menus.saveControllerMap (); break;
            case 2: model->resetMidi (); break;
            default: break;
        }
        return true;
    }
    if (control == v.helpButton)
    {
        if (pressed (control))
            menus.openManual ();
        return true;
    }
    if (control == v.managerButton)
        return true;
    if (control == v.showBackButton)
    {
        if (pressed (control))
            showBackScreen ();
        return true;
    }
    if (control == v.showFrontButton)
    {
        if (released (control))
            hideBackScreen ();
        return true;
    }
    if (control == v.controlMenuButton)
    {
        // Opened once the click that asked for it is handled, as the option
        // menus are: VSTGUI's Linux menu is a modal view of the frame.
        if (pressed (control) && ! frame->doAfterEventProcessing ([this] { menus.showSettingsMenu (); }))
            menus.showSettingsMenu ();
        return true;
    }
    if (control == v.fullWetButton)
    {
        if (pressed (control))
        {
            model->editParameter (tag::WetDry, 1.0f);
            if (TKnob* wetDry = screens.knobFor (tag::WetDry))
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
    const EditorViews& v = screens.views ();
    // Radio pairs: the two paths and the modulation slot shown.
    for (int g = 0; g < 3; ++g)
        for (int i = 0; i < 2; ++i)
            if (control == v.radios[g][i])
            {
                if (g < 2)
                    model->editParameter (g == 0 ? tag::EarlyPath : tag::LatePath, static_cast<float> (i));
                else
                {
                    if (! pressed (control))
                        return true;
                    screens.selectSlot (i);
                    modPanelDirty = true;
                }
                screens.setRadioPair (g, i);
                return true;
            }
    for (auto* menu : v.mainMenus)
        if (menu != nullptr && control == menu)
        {
            const int t = menu->getTag ();
            if (t == tag::FollowerDest)
                listChoiceChosen (menu, t);
            else
            {
                menuStepChosen (menu);
                if (t == tag::ReverbPreset)
                    model->setResetPresetValues ();
                if (t == tag::DisruptQuantization && v.disruptSlider != nullptr)
                    v.disruptSlider->invalid ();
            }
            return true;
        }
    if (control == v.resetDisruptButton)
    {
        if (pressed (control))
            model->editParameter (tag::DisruptValue, 0.5f);
        return true;
    }
    // Disrupt amounts switch their slot on when moved off centre.
    for (int i = 0; i < 8; ++i)
        if (control == screens.knobFor (tag::Disrupt1Amount + i))
        {
            const float v = control->getValue ();
            model->editParameter (control->getTag (), v * valueScale);
            if (std::fabs (v - 0.5f) > 0.01f)
                model->setOn (tag::Disrupt1On + i);
            return true;
        }
    for (int s = 0; s < 2; ++s)
    {
        if (control == v.slotSourceMenus[s])
        {
            listChoiceChosen (v.slotSourceMenus[s], v.slotSourceMenus[s]->getTag ());
            modPanelDirty = true;
            return true;
        }
        if (control == v.slotDestMenus[s])
        {
            listChoiceChosen (v.slotDestMenus[s], v.slotDestMenus[s]->getTag ());
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
            settings.keyboardOn = on;
            saveBoolToPrefs (PREF_KEYBOARD, on);
            break;
        case layout::kProgramChangeSwitch: saveBoolToPrefs (PREF_MIDI_PRESET, on); break;
        case layout::kBankChangeSwitch: saveBoolToPrefs (PREF_MIDI_BANK, on); break;
        case layout::kCaptureSwitch: saveBoolToPrefs (PREF_MIDI_CAPTURE, on); break;
        case layout::kDialAnimationSwitch:
            saveBoolToPrefs (PREF_DIAL_ANIMATION, on);
            settings.dialAnimation = backSwitchPreference (PREF_DIAL_ANIMATION, true);
            break;
        default: break;
    }
}

bool uEditor::backScreenChanged (CControl* control)
{
    const EditorViews& v = screens.views ();
    for (int i = 0; i < layout::kBackSwitchCount; ++i)
        if (control == v.backSwitches[i])
        {
            backSwitchChanged (i, pressed (control));
            return true;
        }
    if (control == v.channelMenu)
    {
        const int channel = v.channelMenu->getCurrentIndex ();
        saveIntToPrefs (PREF_MIDI_CHANNEL, channel);
        if (CMenuItem* item = v.channelMenu->getCurrent ())
            v.channelMenu->setString (std::string (item->getTitle ().getString ()));
        v.channelMenu->setDirty ();
        model->updateMidiChannel ();
        return true;
    }
    for (int i = 0; i < 4; ++i)
        if (control == v.screenSwitches[i])
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

// Menus a control opens ------------------------------------------------------------

void uEditor::showMIDIMenu (CControl* control, CPoint& where)
{
    if (control != nullptr)
        menus.showParameterMenu (control->getTag (), where);
}

void uEditor::showDestMenu (CPoint& where, int destTag, int slot) { menus.showDestinationMenu (where, destTag, slot); }

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
    queue.requestRefresh ();
    return true;
}

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
    if (! settings.keyboardOn)
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

void uEditor::changeRadioDelta (int group)
{
    if (model == nullptr)
        return;
    if (group == 0 || group == 1)
    {
        const int t = group == 0 ? tag::EarlyPath : tag::LatePath;
        const int path = model->getSteppedValue (t) == 0 ? 1 : 0;
        model->setSteppedValue (t, path);
        screens.setRadioPair (group, model->getSteppedValue (t));
    }
    else if (group == 2)
    {
        screens.selectSlot (screens.selectedSlot () == 0 ? 1 : 0);
        screens.setRadioPair (2, screens.selectedSlot ());
        modPanelDirty = true;
    }
}

// Menus ------------------------------------------------------------------------------------

namespace {

// The text of the entry last chosen in `menu` or one of its sub-menus.
std::string chosenText (COptionMenu* menu)
{
    if (menu == nullptr)
        return {};
    int32_t index = -1;
    COptionMenu* chosen = menu->getLastItemMenu (index);
    if (chosen == nullptr)
    {
        chosen = menu;
        index = menu->getCurrentIndex (true);
    }
    CMenuItem* item = chosen->getEntry (index);
    return item != nullptr ? std::string (item->getTitle ().getString ()) : std::string {};
}

template <std::size_t N>
int indexOf (const std::array<Names, N>& list, const std::string& text)
{
    for (std::size_t k = 0; k < N; ++k)
        if (list[k] == text)
            return static_cast<int> (k);
    return -1;
}

} // namespace

// A menu of a parameter's steps: the entry chosen is the step.
void uEditor::menuStepChosen (TOptionMenu* menu)
{
    if (menu == nullptr || model == nullptr)
        return;
    const int tag = menu->getTag ();
    if (tag >= kNumParams)
        return;
    const int steps = model->getSteppedNum (tag);
    if (steps <= 0)
        return;
    int index = menu->getCurrentIndex ();
    index = index < 0 ? 0 : (index >= steps ? steps - 1 : index);
    model->editParameter (tag, (static_cast<float> (index) + 0.1f) / model->table ().getStepScale (tag));
}

// A source or destination menu, its entries grouped in submenus: the
// entry's text names the step.
void uEditor::listChoiceChosen (COptionMenu* menu, int tag)
{
    const std::string text = chosenText (menu);
    const int k =
        tag == tag::ModSlot1Source || tag == tag::ModSlot2Source ? indexOf (SRC_STR, text) : indexOf (DEST_STR, text);
    if (k >= 0 && model != nullptr)
        model->setSteppedValue (tag, k);
}

} // namespace morlake
