// The plug-in's editor: opens the window, answers the host's idle calls and
// turns what the user does in the controls into parameter changes. Its
// parts: the screens (views), the menus and dialogs, and the idle queue.
//
// Threads: everything that touches a view runs on the host's user-interface
// thread. setParameter, setEditTag and refreshAll may come from any thread
// (host automation, MIDI, the audio thread): they only note the change in
// the idle queue, and the next idle pass applies it.
#pragma once

#include "editor/EditorAdapter.h"
#include "editor/EditorMenus.h"
#include "editor/EditorScreens.h"
#include "editor/EditorServices.h"
#include "editor/EditorSettings.h"
#include "editor/IdleQueue.h"

#include <array>
#include <cstdint>
#include <string>

namespace morlake {

class uEditor : public EditorAdapter,
                public EditorServices,
                public VSTGUI::IControlListener,
                public VSTGUI::IKeyboardHook,
                public VSTGUI::IMouseObserver
{
public:
    static constexpr uint32_t kIdleIntervalMs = 40;

    explicit uEditor (EditorModel* model);
    ~uEditor () override;

    // Host (user-interface thread) -------------------------------------------------
    bool open (void* parentWindow) override;
    void close () override;
    void idle () override;

    // Any thread ---------------------------------------------------------------------
    void setParameter (int tag, float value) override;
    void setEditTag (int tag) override;
    void refreshAll () override;

    // Listener, keyboard hook and mouse observer ----------------------------------------
    void valueChanged (VSTGUI::CControl* control) override;
    int32_t onKeyDown (const ::VstKeyCode& key, VSTGUI::CFrame* frame) override;
    int32_t onKeyUp (const ::VstKeyCode& key, VSTGUI::CFrame* frame) override;
    using EditorAdapter::onKeyDown;
    using EditorAdapter::onKeyUp;
    // Where the pointer is, from the frame's own motion events: the idle
    // passes never ask the X server.
    void onMouseEntered (VSTGUI::CView*, VSTGUI::CFrame*) override {}
    void onMouseExited (VSTGUI::CView* view, VSTGUI::CFrame* frame) override;
    VSTGUI::CMouseEventResult onMouseMoved (VSTGUI::CFrame*, const VSTGUI::CPoint& where,
                                            const VSTGUI::CButtonState&) override;

    // EditorServices -------------------------------------------------------------------
    EditorModel* getModel () const override { return model; }
    int getScreenSize () const override { return settings.screenSize; }
    VSTGUI::CBitmap* getSharedBitmap (int baseId) const override { return screens.bitmap (baseId); }
    int currentModifiers () const override;
    bool getDropFlag (int tag) const override { return isValidTag (tag) && dropFlags[static_cast<std::size_t> (tag)]; }
    void setDropTag (int tag) override;
    void releasedDropDial () override { dropReleased = true; }
    void changeProgramDelta (int delta) override { stepProgram (delta); }
    void changeFolderDelta (int) override {}
    void changeRadioDelta (int group) override;
    void showMIDIMenu (VSTGUI::CControl* control, VSTGUI::CPoint& where) override;
    void showSyncedMenu (int tag) override { menus.showSyncedMenu (tag); }
    void showDestMenu (VSTGUI::CPoint& where, int destTag, int slot) override;
    void setNumValue (int tag) override { menus.askTypedValue (tag); }
    void markCurrentChoice (VSTGUI::COptionMenu* menu) override { menus.markCurrentChoice (menu); }

    // Screens and settings -----------------------------------------------------------------
    int getScaled (int v, int a = 0, int b = 0, int c = 0) const { return settings.scaled (v, a, b, c); }
    float getScaled (float v, int a = 0, int b = 0, int c = 0) const { return settings.scaled (v, a, b, c); }
    int getScaledBitmap (int id) const { return scaledBitmapId (id, settings.screenSize); }
    // The next editor opens at screen size `index`.
    void setScreenSize (int index) { chooseScreenSize (index); }
    int getCurrentScreen () const { return screens.current (); }
    void showMainScreen ();
    void showBackScreen ();
    void hideBackScreen ();
    bool isMenuShowing () const { return menus.isShowing (); }
    std::size_t watchedTasks () const { return queue.watchedTasks (); }

private:
    friend class EditorProbe;

    // Control changes, keys and program steps (EditorActions.cpp).
    bool topBarChanged (VSTGUI::CControl* control);
    bool mainScreenChanged (VSTGUI::CControl* control);
    bool backScreenChanged (VSTGUI::CControl* control);
    void backSwitchChanged (int index, bool on);
    void presetMenuChosen ();
    void menuStepChosen (TOptionMenu* menu);
    void listChoiceChosen (VSTGUI::COptionMenu* menu, int tag);
    bool stepProgram (int delta);

    // Idle passes.
    void setUpMenuTheme ();
    void resume ();
    void idlePass ();
    void applyPendingChanges ();
    void applyParameter (int tag);
    void pollTopBar ();
    void pollMainScreen (uint32_t now);

    // The pointer: drag-and-drop of destinations and tooltips.
    VSTGUI::CView* viewUnderMouse ();
    void serveDragAndDrop (VSTGUI::CView* underMouse);
    void serveTooltips (VSTGUI::CView* underMouse);
    void hideTooltip ();
    void updateTooltipOverlay (VSTGUI::CView* underMouse, uint32_t now);
    // The tooltip on screen, empty when none shows.
    std::string shownTooltip () const;

    EditorSettings settings;
    IdleQueue queue;
    EditorScreens screens;
    EditorMenus menus;

    bool editorOpen = false;
    bool resumeInProgress = false;
    bool modPanelDirty = false;
    bool inIdle = false;
    bool closeDeferred = false;
    // The menu whose closing key was let through, and when.
    VSTGUI::CView* closingMenu = nullptr;
    uint32_t closingMenuTicks = 0;
    bool rememberedEdited = true;
    uint32_t lastIdleTime = 0;
    uint32_t lastProgramStep = 0;
    float valueScale = 1.0f;
    VSTGUI::CControl* editedControl = nullptr;
    uint64_t passesRun = 0;

    // Drag-and-drop of modulation destinations.
    int dropTag = -1;
    bool dropReleased = false;
    float dropStartValue = 0.0f;
    std::array<bool, kNumParams> dropFlags {};

    VSTGUI::CPoint pointer;
    bool pointerInside = false;

    // The tooltip shown over the view the mouse rests on.
    static constexpr uint32_t kTooltipDelayMs = 100;
    TTooltip* tooltip = nullptr;
    VSTGUI::CView* hoverView = nullptr;
    VSTGUI::CPoint hoverPoint;
    uint32_t hoverSince = 0;
};

} // namespace morlake
