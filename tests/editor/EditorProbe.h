// The editor's views and state as the tests read them: the editor lets
// its probe in as a friend instead of keeping accessors public.
#pragma once

#include "editor/uEditor.h"

namespace morlake {

class EditorProbe
{
public:
    explicit EditorProbe (const uEditor& editor) : e (editor) {}

    const std::vector<RegisteredControl>& registry () const { return e.registry (); }
    VSTGUI::CViewContainer* getPanel () const { return e.getPanel (); }
    TKnob* getMainKnob (int index) const { return e.getMainKnob (index); }
    TKnob* knobFor (int tag) const { return e.knobFor (tag); }
    TOptionMenu* menuFor (int tag) const { return e.menuFor (tag); }
    TKnob* getSlotKnob (int slot) const { return e.getSlotKnob (slot); }
    TOnOff* getMainOnOff (int index) const { return e.getMainOnOff (index); }
    TRadioButton* getRadio (int group, int i) const { return e.getRadio (group, i); }
    TOptionMenu* getMainMenu (int index) const { return e.getMainMenu (index); }
    TOptionMenu* getPresetMenu () const { return e.getPresetMenu (); }
    TOptionMenu* getFolderMenu () const { return e.getFolderMenu (); }
    TOptionMenu* getEcsMenu () const { return e.getEcsMenu (); }
    TOptionMenu* getSlotSourceMenu (int slot) const { return e.getSlotSourceMenu (slot); }
    TOptionMenu* getSlotDestMenu (int slot) const { return e.getSlotDestMenu (slot); }
    TOptionMenu* getChannelMenu () const { return e.getChannelMenu (); }
    THorizontalSlider* getDisruptSlider () const { return e.getDisruptSlider (); }
    TVU* getMeter (int i) const { return e.getMeter (i); }
    VSTGUI::CKickButton* getEditedButton () const { return e.getEditedButton (); }
    TOnOff* getBackSwitch (int i) const { return e.getBackSwitch (i); }
    TOnOff* getScreenSwitch (int i) const { return e.getScreenSwitch (i); }
    TReadoutString* getVersionText () const { return e.getVersionText (); }
    VSTGUI::CKickButton* getNamedButton (const std::string& label) const { return e.getNamedButton (label); }
    int getSelectedSlot () const { return e.getSelectedSlot (); }
    int getDropTag () const { return e.getDropTag (); }
    bool isScreensBuilt () const { return e.isScreensBuilt (); }
    uint64_t idlePasses () const { return e.idlePasses (); }
    std::string getBackScreenVersion () const { return e.getBackScreenVersion (); }
    bool getKeyboardSetting () const { return e.getKeyboardSetting (); }
    bool getDialAnimation () const { return e.getDialAnimation (); }
    std::string shownTooltip () const { return e.shownTooltip (); }

private:
    const uEditor& e;
};

} // namespace morlake
