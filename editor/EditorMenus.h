// The editor's pop-up menus and dialogs: a parameter's menu, the
// destination and synced-value menus, the settings menu, typed values, MIDI
// numbers and the controller-map files. Each acts by command identifier.
//
// Nothing here waits: a menu or dialog shows and returns at once, and its
// answer comes on a later idle pass, dropped if the editor closed first.
// Threads: the host's user-interface thread only.
#pragma once

#include "editor/EditorSettings.h"
#include "editor/ParameterMenu.h"

#include "vstgui/lib/controls/coptionmenu.h"

#include <functional>
#include <vector>

namespace morlake {

class EditorAdapter;
class EditorModel;
class EditorScreens;
class IdleQueue;

class EditorMenus
{
public:
    EditorMenus (EditorAdapter& editor, EditorScreens& screens, IdleQueue& queue, EditorSettings& settings);

    // Called once a pop-up menu of any editor shows, with the menu and its
    // frame (tests answer it); null removes it.
    using MenuShownHook = std::function<void (VSTGUI::COptionMenu& menu, VSTGUI::CFrame& frame)>;
    static void setMenuShownHook (MenuShownHook hook);
    // Runs before a menu shows (the editor hides its tooltip).
    void onMenuOpening (std::function<void ()> action) { opening = std::move (action); }

    // The top-level item chosen and the entry within its submenu (-1 for none).
    using ChoiceHandler = std::function<void (const MenuItem& item, int entry)>;
    // Pops `items` up at `where` and returns at once; `chosen` runs on the
    // idle pass after a choice, never on Escape, a click outside or a close.
    // False when no menu could open (another one shows).
    bool popupChoice (const std::vector<MenuItem>& items, const VSTGUI::CPoint& where, ChoiceHandler chosen);
    bool isShowing () const { return showing; }
    // The editor closed: a menu still showing is gone with it.
    void closed () { showing = false; }

    void showParameterMenu (int tag, const VSTGUI::CPoint& where);
    void showDestinationMenu (const VSTGUI::CPoint& where, int destTag, int slot);
    void showSyncedMenu (int tag);
    void showSettingsMenu ();
    // Checks the current choice in one of the screens' menus before it shows.
    void markCurrentChoice (VSTGUI::COptionMenu* menu);

    // Dialogs.
    void askTypedValue (int tag);
    void askMidiCC (int tag);
    void askMidiChannel ();
    void loadControllerMap ();
    void saveControllerMap ();
    void openManual ();

    // The settings menu's commands; screen size s is kScreenSize + s.
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
    // The settings the settings menu showed when it opened.
    struct ShownSettings
    {
        bool midiPreset, midiBank, capture, tooltips, dragDrop;
    };
    // Carries out settings command `command`.
    void settingsChosen (int command, const ShownSettings& shown);

private:
    EditorModel* model () const;
    VSTGUI::CFrame* frame () const;

    EditorAdapter& editor;
    EditorScreens& screens;
    IdleQueue& queue;
    EditorSettings& settings;
    std::function<void ()> opening;
    bool showing = false;
};

} // namespace morlake
