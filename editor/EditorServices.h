// What the custom controls need of the editor they sit in. The controls find
// it through their frame's editor; uEditor implements it.
#pragma once

#include "layout/Screen.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/controls/coptionmenu.h"

namespace morlake {

class EditorModel;

// Mouse button state bits as VSTGUI carries them (the Command key of the
// original platform is VSTGUI's kControl, its Control key kApple).
constexpr int kButtonLeft = 2;
constexpr int kButtonRight = 8;
constexpr int kButtonShift = 16;
constexpr int kButtonCommand = 32;
constexpr int kButtonOption = 64;
constexpr int kButtonControl = 128;
constexpr int kButtonDoubleClick = 1024;

// Tag of the invisible menu behind the preset display.
constexpr int kInvisibleMenuTag = 9998;

class EditorServices
{
public:
    virtual ~EditorServices () = default;

    virtual EditorModel* getModel () const = 0;
    virtual int getScreenSize () const = 0;
    // Shared control art by base id (the editor loads it per screen size).
    virtual VSTGUI::CBitmap* getSharedBitmap (int baseId) const = 0;
    // Keyboard modifiers (kShift, kControl, kAlt bits) held right now; X11
    // motion events do not carry them.
    virtual int currentModifiers () const = 0;

    // Drag-and-drop of modulation destinations.
    virtual bool getDropFlag (int tag) const = 0;
    virtual void setDropTag (int tag) = 0;
    virtual void releasedDropDial () = 0;

    virtual void changeProgramDelta (int delta) = 0;
    virtual void changeFolderDelta (int delta) = 0;
    virtual void changeRadioDelta (int group) = 0;

    // Menus and dialogs opened from a control.
    virtual void showMIDIMenu (VSTGUI::CControl* control, VSTGUI::CPoint& where) = 0;
    virtual void showSyncedMenu (int tag) = 0;
    virtual void showDestMenu (VSTGUI::CPoint& where, int destTag, int slot) = 0;
    virtual void setNumValue (int tag) = 0;
    // Checks the current choice in `menu` (and its submenus) before it shows.
    virtual void markCurrentChoice (VSTGUI::COptionMenu* menu) = 0;
};

// The editor of the frame a view sits in, or null.
inline EditorServices* editorOf (const VSTGUI::CView* view)
{
    auto* frame = view != nullptr ? view->getFrame () : nullptr;
    return frame != nullptr ? dynamic_cast<EditorServices*> (frame->getEditor ()) : nullptr;
}

} // namespace morlake
