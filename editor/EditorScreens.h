// The editor's views: the main screen with its modulation panel, and the
// back screen. Built once per open from the layout tables, kept by reference
// until the editor closes, and swapped in and out of the frame.
//
// Threads: the host's user-interface thread only.
#pragma once

#include "editor/Controls.h"
#include "editor/EditorSettings.h"
#include "editor/ParameterMenu.h"
#include "layout/Layout.h"

#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/cviewcontainer.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace morlake {

class EditorModel;

// How a registered control is treated.
enum ControlKind : int
{
    kKindPlain = 0, // no tooltip from its parameter
    kKindKnob = 1,
    kKindMenu = 2, // a refresh leaves it to the menus' own
    kKindSwitch = 3,
};

struct RegisteredControl
{
    VSTGUI::CControl* control;
    int kind;
    bool tooltip;
};

// A view without a parameter, named for its tooltip.
struct NamedView
{
    VSTGUI::CView* view;
    std::string label;
    std::string extra;
};

// Every view the screens hold, null until built and after release.
struct EditorViews
{
    VSTGUI::CViewContainer* panel = nullptr; // the modulation panel
    TBackdrop* backdrop = nullptr;

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
};

// The entries of the preset menu after its banks, by command.
enum class PresetCommand : int
{
    None,
    DefaultPreset,
    RevertToOriginal,
    RevertToEdited,
    ScreenSize, // + screen size
};

// What entry `index` of the preset menu's top level does; `size` receives
// the screen size of a ScreenSize command.
PresetCommand presetCommandAt (int index, int& size);

class EditorScreens
{
public:
    static constexpr int kMaxControls = 10000;
    static constexpr int kMainScreen = 0;
    static constexpr int kBackScreen = 2;
    static constexpr int kPresetsPerBank = 32;

    EditorScreens (EditorModel* model, VSTGUI::IControlListener* listener, const EditorSettings& settings);
    ~EditorScreens ();

    EditorScreens (const EditorScreens&) = delete;
    EditorScreens& operator= (const EditorScreens&) = delete;

    // Building and releasing, once per open ---------------------------------------
    // The art at the current screen size.
    void loadBitmaps ();
    VSTGUI::CBitmap* bitmap (int baseId) const;
    // Every view of both screens, for a frame of `frameSize`.
    void build (const VSTGUI::CRect& frameSize);
    // Empties and lets go of the panel and backdrop (before the frame closes).
    void releaseContainers ();
    // Lets go of every view and bitmap, the containers too.
    void release ();
    // Keeps `view` until release.
    void own (VSTGUI::CView* view);
    // Adds a view we keep a reference to (the container's is its own).
    static void addTo (VSTGUI::CViewContainer* container, VSTGUI::CView* view);

    // Screens -----------------------------------------------------------------------
    void showMain (VSTGUI::CFrame* frame);
    void showModPanel ();
    void showBack (VSTGUI::CFrame* frame);
    int current () const { return currentScreen; }
    bool isBuilt () const { return built; }
    int selectedSlot () const { return slot; }
    void selectSlot (int s) { slot = s == 0 ? 0 : 1; }
    void setRadioPair (int group, int on);

    // Keeping the menus in step -----------------------------------------------------
    void resumeMenus ();
    void showCurrentPreset ();

    // Lookups -------------------------------------------------------------------------
    const EditorViews& views () const { return v; }
    const std::vector<RegisteredControl>& registry () const { return controls; }
    const std::vector<NamedView>& namedViews () const { return named; }
    // The main screen's control for a parameter; null when it has none.
    TKnob* knobFor (int tag) const;
    TOptionMenu* menuFor (int tag) const;
    // The destination parameter a view chooses; -1 for none.
    int destinationTagOf (VSTGUI::CView* view) const;
    VSTGUI::CKickButton* namedButton (const std::string& label) const;
    static std::string backScreenVersion ();

private:
    void createControls ();
    void createKnobsAndSwitches ();
    void createMainMenus ();
    void createDisruptSlider ();
    void createButtons ();
    void createTopMenus ();
    void createMeters ();
    void nameControls ();
    void createBackScreen ();
    void setBackSwitchesFromPrefs ();
    void addControl (VSTGUI::CControl* control, int kind);
    void name (VSTGUI::CView* view, const std::string& label, const std::string& extra = {});
    void resumeMenu (TOptionMenu* menu);

    TKnob* createKnob (int tag, int x, int y, int type, const char* label, const layout::Nudge& n);
    TOnOff* createOnOff (int tag, int x, int y, int bitmap, const layout::Nudge& n = layout::kNone);
    TRadioButton* createRadio (int x, int y, int group);
    VSTGUI::CKickButton* createKickButton (int x, int y, int bitmap);
    VSTGUI::CKickButton* createKickButton (const layout::Area& area);
    TOptionMenu* createMenu (int tag, int x, int y, int width, bool centred, const layout::Nudge& n = layout::kNone);
    template <std::size_t N, typename List>
    TOptionMenu* createGroupedMenu (std::array<TOptionMenu*, N>& subs, const ListGroup (&groups)[N], const List& names,
                                    int tag, int x, int y, int width);
    TOptionMenu* createSourceMenu (std::array<TOptionMenu*, 2>& subs, int tag, int x, int y, int width);
    TOptionMenu* createDestinationMenu (std::array<TOptionMenu*, 5>& subs, int tag, int x, int y, int width);
    TOptionMenu* createPresetMenu ();
    VSTGUI::CRect scaledRect (int x, int y, VSTGUI::CCoord w, VSTGUI::CCoord h, const layout::Nudge& n) const;
    int scaled (int value) const { return settings.scaled (value); }

    EditorModel* model;
    VSTGUI::IControlListener* listener;
    const EditorSettings& settings;

    std::map<int, VSTGUI::SharedPointer<VSTGUI::CBitmap>> bitmaps;
    EditorViews v;
    std::vector<RegisteredControl> controls;
    std::vector<VSTGUI::CView*> owned; // every view created, released by release()
    std::vector<NamedView> named;
    int currentScreen = kBackScreen;
    int slot = 0;
    bool built = false;
};

} // namespace morlake
