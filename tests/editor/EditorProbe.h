// The editor's views and state as the tests read them: the editor lets
// its probe in as a friend instead of keeping accessors public.
#pragma once

#include "editor/uEditor.h"

namespace morlake {

class EditorProbe
{
public:
    explicit EditorProbe (const uEditor& editor) : e (editor), v (editor.screens.views ()) {}

    const std::vector<RegisteredControl>& registry () const { return e.screens.registry (); }
    VSTGUI::CViewContainer* getPanel () const { return v.panel; }
    TKnob* getMainKnob (int index) const { return v.mainKnobs[static_cast<std::size_t> (index)]; }
    TKnob* knobFor (int tag) const { return e.screens.knobFor (tag); }
    TOptionMenu* menuFor (int tag) const { return e.screens.menuFor (tag); }
    TKnob* getSlotKnob (int slot) const { return v.slotKnobs[slot]; }
    TOnOff* getMainOnOff (int index) const { return v.mainOnOffs[static_cast<std::size_t> (index)]; }
    TRadioButton* getRadio (int group, int i) const { return v.radios[group][i]; }
    TOptionMenu* getMainMenu (int index) const { return v.mainMenus[static_cast<std::size_t> (index)]; }
    TOptionMenu* getPresetMenu () const { return v.presetMenu; }
    TOptionMenu* getFolderMenu () const { return v.folderMenu; }
    TOptionMenu* getEcsMenu () const { return v.ecsMenu; }
    TOptionMenu* getSlotSourceMenu (int slot) const { return v.slotSourceMenus[slot]; }
    TOptionMenu* getSlotDestMenu (int slot) const { return v.slotDestMenus[slot]; }
    TOptionMenu* getChannelMenu () const { return v.channelMenu; }
    THorizontalSlider* getDisruptSlider () const { return v.disruptSlider; }
    TVU* getMeter (int i) const { return v.meters[i]; }
    VSTGUI::CKickButton* getEditedButton () const { return v.editedButton; }
    TOnOff* getBackSwitch (int i) const { return v.backSwitches[i]; }
    TOnOff* getScreenSwitch (int i) const { return v.screenSwitches[i]; }
    TReadoutString* getVersionText () const { return v.versionText; }
    VSTGUI::CKickButton* getNamedButton (const std::string& label) const { return e.screens.namedButton (label); }
    int getSelectedSlot () const { return e.screens.selectedSlot (); }
    int getDropTag () const { return e.dropTag; }
    bool isScreensBuilt () const { return e.screens.isBuilt (); }
    uint64_t idlePasses () const { return e.passesRun; }
    std::string getBackScreenVersion () const { return EditorScreens::backScreenVersion (); }
    bool getKeyboardSetting () const { return e.settings.keyboardOn; }
    bool getDialAnimation () const { return e.settings.dialAnimation; }
    std::string shownTooltip () const { return e.shownTooltip (); }

private:
    const uEditor& e;
    const EditorViews& v;
};

} // namespace morlake
