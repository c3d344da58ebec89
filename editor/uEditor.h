// The plug-in's editor: builds the window, keeps the controls in step with
// the plug-in on the host's idle calls and turns user gestures into
// parameter changes.
//
// Threads: everything that touches a view runs on the host's user-interface
// thread. setParameter, setEditTag, refreshAll and setDisruptValue may come
// from any thread (host automation, MIDI and processReplacing): they only
// record the change in atomics, and idle applies it on the UI thread.
#pragma once

#include "editor/Controls.h"
#include "editor/ParameterMenu.h"
#include "editor/EditorFactory.h"
#include "editor/EditorAdapter.h"
#include "editor/EditorServices.h"
#include "layout/Layout.h"
#include "platform/Desktop.h"

#include "vstgui/lib/cviewcontainer.h"

#include <array>
#include <functional>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace morlake {

class EditorModel;

// How a registered control is treated.
enum ControlKind : int
{
    kKindPlain = 0, // no tooltip from its parameter
    kKindKnob = 1,
    kKindMenu = 2, // resume leaves it to the menu refresh
    kKindSwitch = 3,
};

struct RegisteredControl
{
    VSTGUI::CControl* control;
    int kind;
    bool tooltip;
};

class uEditor : public EditorAdapter,
                public EditorServices,
                public VSTGUI::IControlListener,
                public VSTGUI::IKeyboardHook,
                public VSTGUI::IMouseObserver
{
public:
    static constexpr int kMaxControls = 10000;
    static constexpr int kMainScreen = 0;
    static constexpr int kBackScreen = 2;
    static constexpr uint32_t kIdleIntervalMs = 40;

    explicit uEditor (EditorModel* model);
    ~uEditor () override;

    // Host (UI thread) ---------------------------------------------------------
    bool open (void* parentWindow) override;
    void close () override;
    void idle () override;
    virtual void resume ();

    // Any thread ---------------------------------------------------------------
    void setParameter (int tag, float value) override;
    void setEditTag (int tag) override;
    void refreshAll () override;
    void setDisruptValue (float value) override;

    // Listener and keyboard hook ------------------------------------------------
    void valueChanged (VSTGUI::CControl* control) override;
    // What valueChanged does, by where the control sits; true when it was theirs.
    bool topBarChanged (VSTGUI::CControl* control);
    bool mainScreenChanged (VSTGUI::CControl* control);
    bool backScreenChanged (VSTGUI::CControl* control);
    void backSwitchChanged (int index, bool on);
    void presetMenuChosen ();
    void openManual ();
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

    // Operations other parts call --------------------------------------------------
    bool getEditChanged () const;
    // Called once a pop-up menu of any editor shows, with the menu and its
    // frame (tests answer it); null removes it.
    using MenuShownHook = std::function<void (VSTGUI::COptionMenu& menu, VSTGUI::CFrame& frame)>;
    static void setMenuShownHook (MenuShownHook hook);

    int getScaled (int v, int a = 0, int b = 0, int c = 0) const;
    float getScaled (float v, int a = 0, int b = 0, int c = 0) const;
    int getScaledBitmap (int id) const { return id + kBitmapSizeIdStep * screenSize; }
    static bool getBackRegValue (const std::string& key, bool defaultOn);
    void setScreenSize (int index);
    int getPresetsInColumns () const { return 32; }
    void changeFolderDelta (int) override {}
    void changeProgramDelta (int delta) override;

    // EditorServices -------------------------------------------------------------
    EditorModel* getModel () const override { return model; }
    int getScreenSize () const override { return screenSize; }
    VSTGUI::CBitmap* getSharedBitmap (int baseId) const override;
    int currentModifiers () const override;
    bool getDropFlag (int tag) const override { return isValidTag (tag) && dropFlags[static_cast<std::size_t> (tag)]; }
    void setDropTag (int tag) override;
    void releasedDropDial () override { dropReleased = true; }
    void changeRadioDelta (int group) override;
    void showMIDIMenu (VSTGUI::CControl* control, VSTGUI::CPoint& where) override;
    void showSyncedMenu (int tag) override;
    void showDestMenu (VSTGUI::CPoint& where, int destTag, int slot) override;
    // The top-level item chosen and the entry within its submenu (-1 for none).
    using ChoiceHandler = std::function<void (const MenuItem& item, int entry)>;
    // Pops `items` up at `where` and returns at once; `chosen` runs on the
    // idle pass after a choice, never on Escape, a click outside or a close.
    // False when no menu could open (another one shows).
    bool popupChoice (const std::vector<MenuItem>& items, const VSTGUI::CPoint& where, ChoiceHandler chosen);
    // Asks for the controller number to latch `tag` to.
    void setMidiCCNum (int tag);
    void setMidiChannel ();
    // The controller-map file commands: the desktop's file chooser, then the file.
    void loadControllerMap ();
    void saveControllerMap ();
    // The settings the settings menu showed when it opened.
    struct ShownSettings
    {
        bool midiPreset, midiBank, capture, tooltips, dragDrop;
    };
    // Carries out the settings-menu command `command`.
    void controlMenuChosen (int command, const ShownSettings& shown);
    void setNumValue (int tag) override;
    void markCurrentChoice (VSTGUI::COptionMenu* menu) override;
    void showControlMenu ();
    void setUpMenuTheme ();
    void idlePass ();

    // Screens ------------------------------------------------------------------------
    void showMainScreen ();
    void showModScreen ();
    void showBackScreen ();
    void hideBackScreen ();
    int getCurrentScreen () const { return currentScreen; }

    // Menus --------------------------------------------------------------------------
    void setMenuValue (TOptionMenu* menu);
    void setMenuValue (TOptionMenu* menu, int index);
    void setDestMenu (VSTGUI::COptionMenu* menu, int tag);
    void setSrcMenu (VSTGUI::COptionMenu* menu, int tag);
    void setMenuResume (TOptionMenu* menu);
    template <typename List>
    void setMenuResume (TOptionMenu* menu, const List& list);
    void updatePresetMenu ();
    void showCurrentPresetMenu ();

    // Runs `command` at the start of the next idle pass, outside any event
    // or timer of VSTGUI's; dropped if the editor closes first.
    void later (std::function<void ()> command);
    // Keeps a desktop program's task polled until it ends or the editor closes.
    void watch (std::unique_ptr<DesktopTask> task);
    // Callbacks that may outlive an open editor hold this: expired once it closes.
    std::weak_ptr<int> alive () const { return lifetime; }
    bool isMenuShowing () const { return menuShowing; }
    std::size_t watchedTasks () const { return tasks.size (); }

private:
    // Views and state the tests read through their probe.
    friend class EditorProbe;
    const std::vector<RegisteredControl>& registry () const { return controls; }
    VSTGUI::CViewContainer* getPanel () const { return panel; }
    TKnob* getMainKnob (int index) const { return mainKnobs[static_cast<std::size_t> (index)]; }
    // The main screen's control for a parameter; null when it has none.
    TKnob* knobFor (int tag) const;
    TOptionMenu* menuFor (int tag) const;
    TKnob* getSlotKnob (int slot) const { return slotKnobs[slot]; }
    TOnOff* getMainOnOff (int index) const { return mainOnOffs[static_cast<std::size_t> (index)]; }
    TRadioButton* getRadio (int group, int i) const { return radios[group][i]; }
    TOptionMenu* getMainMenu (int index) const { return mainMenus[static_cast<std::size_t> (index)]; }
    TOptionMenu* getPresetMenu () const { return presetMenu; }
    TOptionMenu* getFolderMenu () const { return folderMenu; }
    TOptionMenu* getEcsMenu () const { return ecsMenu; }
    TOptionMenu* getSlotSourceMenu (int slot) const { return slotSourceMenus[slot]; }
    TOptionMenu* getSlotDestMenu (int slot) const { return slotDestMenus[slot]; }
    TOptionMenu* getChannelMenu () const { return channelMenu; }
    THorizontalSlider* getDisruptSlider () const { return disruptSlider; }
    TVU* getMeter (int i) const { return meters[i]; }
    VSTGUI::CKickButton* getEditedButton () const { return editedButton; }
    TOnOff* getBackSwitch (int i) const { return backSwitches[i]; }
    TOnOff* getScreenSwitch (int i) const { return screenSwitches[i]; }
    TReadoutString* getVersionText () const { return versionText; }
    VSTGUI::CKickButton* getNamedButton (const std::string& label) const;
    int getSelectedSlot () const { return selectedSlot; }
    int getDropTag () const { return dropTag; }
    bool isScreensBuilt () const { return screensBuilt; }
    uint64_t idlePasses () const { return passesRun; }
    std::string getBackScreenVersion () const;
    bool getKeyboardSetting () const { return keyboardOn; }
    bool getDialAnimation () const { return dialAnimation; }
    // The tooltip on screen, empty when none shows.
    std::string shownTooltip () const;

    struct NamedView
    {
        VSTGUI::CView* view;
        std::string label;
        std::string extra;
    };

    // Construction of views (once per open).
    void createBitmaps ();
    void removeBitmaps ();
    void pollTopBar ();
    void pollMainScreen (uint32_t now);
    void createControls ();
    void createKnobsAndSwitches ();
    void createMainMenus ();
    void createDisruptSlider ();
    void createButtons ();
    void createTopMenus ();
    void createMeters ();
    void nameControls ();
    void createBackScreen ();
    void removeControls ();
    void addControl (VSTGUI::CControl* control, int kind);
    void name (VSTGUI::CView* view, const std::string& label, const std::string& extra = {});

    TKnob* createKnob (int tag, int x, int y, int type, const char* label, const layout::Nudge& n);
    TOnOff* createOnOff (int tag, int x, int y, int bitmap, const layout::Nudge& n = layout::kNone);
    TRadioButton* createRadio (int x, int y, int group);
    VSTGUI::CKickButton* createKickButton (int x, int y, int bitmap);
    VSTGUI::CKickButton* createKickButton (const layout::Area& area);
    TOptionMenu* createMenu (int tag, int x, int y, int width, bool centred, const layout::Nudge& n = layout::kNone);
    TOptionMenu* createSourceMenu (std::array<TOptionMenu*, 2>& subs, int tag, int x, int y, int width);
    TOptionMenu* createDestinationMenu (std::array<TOptionMenu*, 5>& subs, int tag, int x, int y, int width);
    TOptionMenu* createPresetMenu ();
    VSTGUI::CRect scaledRect (int x, int y, VSTGUI::CCoord w, VSTGUI::CCoord h, const layout::Nudge& n) const;
    VSTGUI::CBitmap* bitmap (int baseId) const { return getSharedBitmap (baseId); }

    // Adds a view we keep a reference to (the container's is its own).
    static void addTo (VSTGUI::CViewContainer* container, VSTGUI::CView* view);
    void setRadioPair (int group, int on);
    void setBackSwitchesFromPrefs ();

    // Idle work.
    void runDeferred ();
    void serveTasks ();
    void applyPendingChanges ();
    void applyParameter (int tag);
    VSTGUI::CView* viewUnderMouse ();
    void serveDragAndDrop (VSTGUI::CView* underMouse);
    void serveTooltips (VSTGUI::CView* underMouse);
    int destinationTagOf (VSTGUI::CView* view) const;
    bool stepProgram (int delta);
    void requestRefresh () { refreshRequested.store (true, std::memory_order_relaxed); }

    // Settings read at construction.
    bool keyboardOn = true;
    bool tooltipsOn = true;
    bool dragDropOn = true;
    bool dialAnimation = true;
    bool menuShowing = false; // a pop-up menu is open
    int screenSize = 0;

    // Flags.
    bool editorOpen = false;
    bool screensBuilt = false;
    bool resumeInProgress = false;
    bool modPanelDirty = false;
    bool inIdle = false;
    bool closeDeferred = false;
    VSTGUI::CView* closingMenu = nullptr;
    uint32_t closingMenuTicks = 0;
    bool rememberedEdited = true;
    int currentScreen = kBackScreen;
    int selectedSlot = 0;
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

    std::vector<std::function<void ()>> deferred;
    std::vector<std::unique_ptr<DesktopTask>> tasks;
    std::shared_ptr<int> lifetime;

    // Cross-thread notifications, applied by idle.
    std::array<std::atomic<uint32_t>, 8> pendingTags {};
    std::atomic<bool> refreshRequested {false};
    std::atomic<int> pendingEditTag {-2}; // -2: none pending
    std::atomic<float> disruptNotice {0.0f};

    // Views (owned; the containers hold their own references).
    std::map<int, VSTGUI::SharedPointer<VSTGUI::CBitmap>> bitmaps;
    VSTGUI::CViewContainer* panel = nullptr;
    TBackdrop* backdrop = nullptr;
    std::vector<RegisteredControl> controls;
    std::vector<VSTGUI::CView*> owned; // every view created, released by removeControls
    std::vector<NamedView> named;

    std::vector<TKnob*> mainKnobs;
    TKnob* slotKnobs[2] = {};
    std::vector<TOnOff*> mainOnOffs;
    TRadioButton* radios[3][2] = {};
    std::vector<TOptionMenu*> mainMenus;
    std::array<TOptionMenu*, 5> followerDestSubs {};
    TOptionMenu* slotSourceMenus[2] = {};
    std::array<TOptionMenu*, 2> slotSourceSubs[2] {};
    TOptionMenu* slotDestMenus[2] = {};
    std::array<TOptionMenu*, 5> slotDestSubs[2] {};
    TOptionMenu* presetMenu = nullptr;
    std::array<TOptionMenu*, 8> presetBanks {};
    TOptionMenu* folderMenu = nullptr;
    TOptionMenu* ecsMenu = nullptr;
    THorizontalSlider* disruptSlider = nullptr;
    VSTGUI::CKickButton* resetDisruptButton = nullptr;
    VSTGUI::CKickButton* fullWetButton = nullptr;
    VSTGUI::CKickButton* editedButton = nullptr;
    VSTGUI::CKickButton* originalButton = nullptr;
    VSTGUI::CKickButton* helpButton = nullptr;
    VSTGUI::CKickButton* managerButton = nullptr;
    VSTGUI::CKickButton* showBackButton = nullptr;
    VSTGUI::CKickButton* controlMenuButton = nullptr;
    TVU* meters[6] = {};

    VSTGUI::CKickButton* showFrontButton = nullptr;
    TOnOff* backSwitches[layout::kBackSwitchCount] = {};
    TOnOff* screenSwitches[4] = {};
    TOptionMenu* channelMenu = nullptr;
    TReadoutString* versionText = nullptr;

    VSTGUI::CPoint pointer;
    bool pointerInside = false;

    // The tooltip shown over the view the mouse rests on.
    TTooltip* tooltip = nullptr;
    VSTGUI::CView* hoverView = nullptr;
    VSTGUI::CPoint hoverPoint;
    uint32_t hoverSince = 0;
    static constexpr uint32_t kTooltipDelayMs = 100;
    void hideTooltip ();
    void updateTooltipOverlay (VSTGUI::CView* underMouse, uint32_t now);
};

} // namespace morlake
