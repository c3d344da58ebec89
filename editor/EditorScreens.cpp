#include "editor/EditorScreens.h"

#include "editor/ParameterMenu.h"

#include "params/NameLists.h"
#include "platform/Preferences.h"
#include "instance/EditorModel.h"
#include "instance/Identity.h"
#include "presets/FactoryNames.h"

#include "vstgui/lib/controls/cbuttons.h"

#include <cstdio>
#include <iterator>

namespace morlake {

using namespace VSTGUI;

namespace {

constexpr int kTextY[kScreenSizes] = {-2, -2, -3, -4};
const char* const kPresetBankTitles[8] = {"Preset 1-32",    "Preset 33-64",   "Preset 65-96",   "Preset 97-128",
                                          "Preset 129-160", "Preset 161-192", "Preset 193-224", "Preset 225-256"};
const char* const kEcsEntries[3] = {"Load ECS", "Save ECS", "Clear MIDI"};

// The preset menu's entries after its banks; "-" is a separator.
struct PresetEntry
{
    const char* title;
    PresetCommand command;
    int size;
};
constexpr PresetEntry kPresetEntries[] = {
    {"-", PresetCommand::None, 0},
    {"Default Preset", PresetCommand::DefaultPreset, 0},
    {"-", PresetCommand::None, 0},
    {"Revert to Original Preset", PresetCommand::RevertToOriginal, 0},
    {"Revert to Edited Preset", PresetCommand::RevertToEdited, 0},
    {"-", PresetCommand::None, 0},
    {"Set To 100% Screen", PresetCommand::ScreenSize, 0},
    {"Set To 125% Screen", PresetCommand::ScreenSize, 1},
    {"Set To 150% Screen", PresetCommand::ScreenSize, 2},
    {"Set To 200% Screen", PresetCommand::ScreenSize, 3},
};
constexpr int kPresetBanks = 8;

} // namespace

PresetCommand presetCommandAt (int index, int& size)
{
    const int k = index - kPresetBanks;
    if (k < 0 || k >= static_cast<int> (std::size (kPresetEntries)))
        return PresetCommand::None;
    size = kPresetEntries[k].size;
    return kPresetEntries[k].command;
}

EditorScreens::EditorScreens (EditorModel* m, IControlListener* l, const EditorSettings& s)
: model (m), listener (l), settings (s)
{}

EditorScreens::~EditorScreens ()
{
    releaseContainers ();
    release ();
}

// Bitmaps ------------------------------------------------------------------------

void EditorScreens::loadBitmaps ()
{
    bitmaps.clear ();
    for (int id : kAllBitmapIds)
    {
        auto b = makeOwned<CBitmap> (CResourceDescription (scaledBitmapId (id, settings.screenSize)));
        if (b->getPlatformBitmap () != nullptr)
            bitmaps[id] = b;
    }
}

CBitmap* EditorScreens::bitmap (int baseId) const
{
    auto it = bitmaps.find (baseId);
    return it != bitmaps.end () ? it->second.get () : nullptr;
}

// Registry and ownership -------------------------------------------------------------

void EditorScreens::addControl (CControl* control, int kind)
{
    if (control == nullptr || static_cast<int> (controls.size ()) >= kMaxControls)
        return;
    controls.push_back ({control, kind, kind != kKindPlain});
}

void EditorScreens::name (CView* view, const std::string& label, const std::string& extra)
{
    if (view != nullptr)
        named.push_back ({view, label, extra});
}

void EditorScreens::addTo (CViewContainer* container, CView* view)
{
    if (container == nullptr || view == nullptr)
        return;
    view->remember ();
    if (! container->addView (view))
        view->forget ();
}

void EditorScreens::own (CView* view) { owned.push_back (view); }

void EditorScreens::build (const CRect& frameSize)
{
    CBitmap* panelArt = bitmap (kBmpModPanelBackground);
    CRect panelSize (0, 0, panelArt != nullptr ? panelArt->getWidth () : 0,
                     panelArt != nullptr ? panelArt->getHeight () : 0);
    panelSize.offset (scaled (layout::kPanel.x), scaled (layout::kPanel.y));
    v.panel = new TTiledContainer (panelSize);
    v.backdrop = new TBackdrop (frameSize, bitmap (kBmpMainBackground));
    v.panel->setBackground (panelArt);
    v.panel->setTransparency (panelArt == nullptr);
    createControls ();
    createBackScreen ();
    built = true;
}

void EditorScreens::releaseContainers ()
{
    built = false;
    if (v.panel != nullptr)
    {
        v.panel->removeAll ();
        v.panel->forget ();
    }
    if (v.backdrop != nullptr)
        v.backdrop->forget ();
    v.panel = nullptr;
    v.backdrop = nullptr;
}

void EditorScreens::release ()
{
    releaseContainers ();
    bitmaps.clear ();
    controls.clear ();
    for (CView* view : owned)
        view->forget ();
    owned.clear ();
    named.clear ();
    v = EditorViews {};
}

CRect EditorScreens::scaledRect (int x, int y, CCoord w, CCoord h, const layout::Nudge& n) const
{
    const int s = settings.screenSize;
    const int left = s == 0 ? x : scaled (x) + n.dx[s - 1];
    const int top = s == 0 ? y : scaled (y) + n.dy[s - 1];
    return CRect (left, top, left + w, top + h);
}

// Creation ------------------------------------------------------------------------------

TKnob* EditorScreens::createKnob (int tag, int x, int y, int type, const char* label, const layout::Nudge& n)
{
    if (tag >= kNumParams || type < 0 || type >= 7)
        return nullptr;
    CBitmap* strip = bitmap (kBmpKnobByType[type]);
    CBitmap* ringStrip = bitmap (kBmpRingByType[type]);
    const int images = layout::KNOBS_IN_FILM[type];
    const CCoord imageHeight = ringStrip != nullptr ? std::trunc (ringStrip->getHeight () / images) : 0;
    const int s = settings.screenSize;
    const int width = scaled (layout::kKnobWidth);
    CRect r = scaledRect (x, y, 0, 0, n);
    r.left -= width / 2;
    r.right = r.left + (strip != nullptr ? strip->getWidth () : 0) + width;
    r.bottom = r.top + imageHeight + static_cast<int> (24.0f * SCALE[s]);
    const int textX = s == 0 ? 0 : n.tx[s - 1];
    const int textY = type <= 1 ? kTextY[s] : 0;
    auto* knob = new TKnob (r, imageHeight, listener, tag, strip, ringStrip, CPoint (0, 0), images, s,
                            layout::kKnobWidth, textX, textY);
    own (knob);
    knob->setString (label != nullptr ? label : "");
    if (model != nullptr)
    {
        knob->setDefaultValue (model->getDefault (tag));
        knob->setValue (model->getParameter (tag));
    }
    addControl (knob, kKindKnob);
    return knob;
}

TOnOff* EditorScreens::createOnOff (int tag, int x, int y, int bitmapId, const layout::Nudge& n)
{
    CBitmap* b = bitmap (bitmapId);
    const CRect r = scaledRect (x, y, b != nullptr ? b->getWidth () : 0, b != nullptr ? b->getHeight () / 2 : 0, n);
    auto* button = new TOnOff (r, listener, tag, b);
    own (button);
    if (model != nullptr && isValidTag (tag))
        button->setValue (model->getParameter (tag));
    addControl (button, tag == kNoParameterTag ? kKindPlain : kKindSwitch);
    return button;
}

TRadioButton* EditorScreens::createRadio (int x, int y, int group)
{
    CBitmap* strip = bitmap (kBmpLedButton);
    const CRect r = scaledRect (x, y, strip != nullptr ? strip->getWidth () : 0,
                                strip != nullptr ? strip->getHeight () / 2 : 0, layout::kNone);
    auto* button = new TRadioButton (r, listener, group);
    own (button);
    addControl (button, kKindPlain);
    return button;
}

CKickButton* EditorScreens::createKickButton (int x, int y, int bitmapId)
{
    CBitmap* b = bitmap (bitmapId);
    const CRect r =
        scaledRect (x, y, b != nullptr ? b->getWidth () : 0, b != nullptr ? b->getHeight () / 2 : 0, layout::kNone);
    auto* button = new CKickButton (r, listener, kNoParameterTag, b);
    button->setWantsFocus (false);
    own (button);
    addControl (button, kKindPlain);
    return button;
}

CKickButton* EditorScreens::createKickButton (const layout::Area& a)
{
    const CRect r = scaledRect (a.x, a.y, scaled (a.width), scaled (a.height), layout::kNone);
    auto* button = new CKickButton (r, listener, kNoParameterTag, nullptr);
    button->setWantsFocus (false);
    own (button);
    addControl (button, kKindPlain);
    return button;
}

TOptionMenu* EditorScreens::createMenu (int tag, int x, int y, int width, bool centred, const layout::Nudge& n)
{
    if (tag >= kNumParams || model == nullptr)
        return nullptr;
    const int steps = model->getSteppedNum (tag);
    if (steps <= 0)
        return nullptr;
    const CRect r = scaledRect (x, y, scaled (width), layout::MENU_HEIGHT[settings.screenSize], n);
    auto* menu = new TOptionMenu (r, listener, tag, nullptr, nullptr, COptionMenu::kCheckStyle, settings.screenSize,
                                  centred, false);
    own (menu);
    const auto names = model->table ().getStepNames (tag);
    for (int i = 0; i < steps; ++i)
        menu->addEntry (i < static_cast<int> (names.size ()) ? std::string (names[static_cast<std::size_t> (i)])
                                                             : std::string ("-"));
    menu->setValue (static_cast<float> (model->getSteppedValue (tag)));
    addControl (menu, kKindMenu);
    return menu;
}

// A list menu: its first entry, then one submenu per group.
template <std::size_t N, typename List>
TOptionMenu* EditorScreens::createGroupedMenu (std::array<TOptionMenu*, N>& subs, const ListGroup (&groups)[N],
                                               const List& names, int tag, int x, int y, int width)
{
    const CRect r = scaledRect (x, y, scaled (width), layout::MENU_HEIGHT[settings.screenSize], layout::kNone);
    auto* menu = new TOptionMenu (r, listener, tag, nullptr, nullptr, 0, settings.screenSize, true, false);
    own (menu);
    menu->addEntry (std::string (names[0]));
    for (std::size_t g = 0; g < N; ++g)
    {
        auto* sub = new TOptionMenu (r, listener, tag, nullptr, nullptr, 0, settings.screenSize, true, false);
        own (sub);
        for (int i = groups[g].first; i <= groups[g].last; ++i)
            sub->addEntry (std::string (names[static_cast<std::size_t> (i)]));
        menu->addEntry (sub, groups[g].title);
        subs[g] = sub;
    }
    addControl (menu, kKindMenu);
    return menu;
}

TOptionMenu* EditorScreens::createSourceMenu (std::array<TOptionMenu*, 2>& subs, int tag, int x, int y, int width)
{
    return createGroupedMenu (subs, SOURCE_GROUPS, SRC_STR, tag, x, y, width);
}

TOptionMenu* EditorScreens::createDestinationMenu (std::array<TOptionMenu*, 5>& subs, int tag, int x, int y, int width)
{
    return createGroupedMenu (subs, DESTINATION_GROUPS, DEST_STR, tag, x, y, width);
}

TOptionMenu* EditorScreens::createPresetMenu ()
{
    const auto& a = layout::kPresetMenu;
    const CRect r = scaledRect (a.x, a.y, scaled (a.width), scaled (a.height), layout::kNone);
    auto* menu = new TOptionMenu (r, listener, kNoParameterTag, nullptr, nullptr, 0, settings.screenSize, false, false);
    own (menu);
    menu->setPresetMenu ();
    const int perBank = kPresetsPerBank;
    for (int b = 0; b < kPresetBanks; ++b)
    {
        auto* bank =
            new TOptionMenu (r, listener, kNoParameterTag, nullptr, nullptr, 0, settings.screenSize, false, false);
        own (bank);
        for (int i = perBank * b; i < perBank * (b + 1) && i < kNumFactoryPresets; ++i)
            bank->addEntry (std::string (FACTORY_PRESET_NAMES_STR[static_cast<std::size_t> (i)]));
        menu->addEntry (bank, kPresetBankTitles[b]);
        v.presetBanks[static_cast<std::size_t> (b)] = bank;
    }
    for (const PresetEntry& entry : kPresetEntries)
    {
        if (std::string (entry.title) == "-")
            menu->addSeparator ();
        else
            menu->addEntry (entry.title);
    }
    addControl (menu, kKindPlain);
    return menu;
}

void EditorScreens::createControls ()
{
    controls.clear ();
    createKnobsAndSwitches ();
    createMainMenus ();
    createDisruptSlider ();
    createButtons ();
    createTopMenus ();
    createMeters ();
    nameControls ();
}

void EditorScreens::createKnobsAndSwitches ()
{
    for (const auto& k : layout::kMainKnobs)
    {
        TKnob* knob = createKnob (k.tag, k.x, k.y, k.type, k.label, k.nudge);
        if (knob != nullptr && k.blue)
            knob->setBlue ();
        v.mainKnobs.push_back (knob);
    }
    for (int s = 0; s < 2; ++s)
    {
        const auto& k = layout::kSlotKnobs[s];
        // In panel coordinates: the panel sits at the scaled panel origin.
        v.slotKnobs[s] = createKnob (k.tag, k.x, k.y, k.type, k.label, k.nudge);
    }
    for (const auto& o : layout::kMainOnOffs)
        v.mainOnOffs.push_back (createOnOff (o.tag, o.x, o.y, o.bitmap));
    for (int g = 0; g < 3; ++g)
        for (int i = 0; i < 2; ++i)
            v.radios[g][i] = createRadio (layout::kRadios[g][i].x, layout::kRadios[g][i].y, g);
}

void EditorScreens::createMainMenus ()
{
    for (const auto& m : layout::kMainMenus)
    {
        TOptionMenu* menu = nullptr;
        if (m.kind == layout::MenuKind::Destination)
            menu = createDestinationMenu (v.followerDestSubs, m.tag, m.x, m.y, m.width);
        else
            menu = createMenu (m.tag, m.x, m.y, m.width, true);
        if (menu != nullptr && m.kind == layout::MenuKind::Arrows)
            menu->setArrow ();
        if (menu != nullptr && m.kind == layout::MenuKind::Blue)
            menu->setBlue ();
        v.mainMenus.push_back (menu);
    }
    for (int s = 0; s < 2; ++s)
    {
        const auto& src = layout::kSlotSourceMenus[s];
        const auto& dst = layout::kSlotDestMenus[s];
        v.slotSourceMenus[s] = createSourceMenu (v.slotSourceSubs[s], src.tag, src.x, src.y, src.width);
        v.slotDestMenus[s] = createDestinationMenu (v.slotDestSubs[s], dst.tag, dst.x, dst.y, dst.width);
    }
}

// The preset, bank and controller-map menus of the top bar.
void EditorScreens::createTopMenus ()
{
    v.presetMenu = createPresetMenu ();
    {
        const auto& a = layout::kFolderMenu;
        const CRect r = scaledRect (a.x, a.y, scaled (a.width), scaled (a.height), layout::kNone);
        v.folderMenu =
            new TOptionMenu (r, listener, kNoParameterTag, nullptr, nullptr, 0, settings.screenSize, false, false);
        own (v.folderMenu);
        v.folderMenu->setFolderMenu ();
        v.folderMenu->addEntry ("Introduction Bank");
        addControl (v.folderMenu, kKindPlain);
    }
    {
        const auto& a = layout::kEcsMenu;
        const CRect r = scaledRect (a.x, a.y, scaled (a.width), scaled (a.height), layout::kNone);
        v.ecsMenu =
            new TOptionMenu (r, listener, kInvisibleMenuTag, nullptr, nullptr, 0, settings.screenSize, false, false);
        own (v.ecsMenu);
        for (const char* entry : kEcsEntries)
            v.ecsMenu->addEntry (entry);
        addControl (v.ecsMenu, kKindPlain);
    }
}

// The disrupt slider: height and handle width come from its marker.
void EditorScreens::createDisruptSlider ()
{
    CBitmap* marker = bitmap (kBmpDisruptModMarker);
    const int handle = marker != nullptr ? static_cast<int> (marker->getWidth ()) : 0;
    const CRect r = scaledRect (layout::kSlider.x, layout::kSlider.y, layout::SLIDER_WIDTH[settings.screenSize],
                                marker != nullptr ? marker->getHeight () : 0, layout::kNone);
    v.disruptSlider = new THorizontalSlider (r, listener, tag::DisruptValue, handle);
    own (v.disruptSlider);
    if (model != nullptr)
    {
        v.disruptSlider->setDefaultValue (model->getDefault (tag::DisruptValue));
        v.disruptSlider->setValue (model->getParameter (tag::DisruptValue));
    }
    addControl (v.disruptSlider, kKindPlain);
}

void EditorScreens::createButtons ()
{
    v.resetDisruptButton =
        createKickButton (layout::kResetDisrupt.x, layout::kResetDisrupt.y, layout::kResetDisrupt.bitmap);
    v.fullWetButton = createKickButton (layout::kFullWet.x, layout::kFullWet.y, layout::kFullWet.bitmap);
    v.editedButton = createKickButton (layout::kEditedPreset.x, layout::kEditedPreset.y, layout::kEditedPreset.bitmap);
    v.originalButton =
        createKickButton (layout::kOriginalPreset.x, layout::kOriginalPreset.y, layout::kOriginalPreset.bitmap);
    v.helpButton = createKickButton (layout::kOpenHelp.x, layout::kOpenHelp.y, layout::kOpenHelp.bitmap);
    v.managerButton = createKickButton (layout::kManagerButton);
    v.showBackButton = createKickButton (layout::kShowBackButton);
    v.controlMenuButton = createKickButton (layout::kControlMenuButton);
}

void EditorScreens::createMeters ()
{
    CBitmap* meterArt = bitmap (kBmpLevelMeter);
    for (int i = 0; i < 6; ++i)
    {
        const CRect r =
            scaledRect (layout::kMeters[i].x, layout::kMeters[i].y, meterArt != nullptr ? meterArt->getWidth () : 0,
                        meterArt != nullptr ? meterArt->getHeight () : 0, layout::kNone);
        v.meters[i] = new TVU (r, listener);
        own (v.meters[i]);
        v.meters[i]->setVuValue (0.0f);
    }
}

// Names the controls without a parameter carry for their tooltips.
void EditorScreens::nameControls ()
{
    name (v.presetMenu, "Preset Menu");
    name (v.folderMenu, "Folder Menu");
    name (v.helpButton, "Open Help");
    name (v.editedButton, "Edited Preset");
    name (v.originalButton, "Original Preset");
    name (v.ecsMenu, "ECS Menu");
    name (v.controlMenuButton, "Control Menu");
    const char* meterNames[6] = {"Left Input Level",   "Right Input Level",   "Left Output Level",
                                 "Right Output Level", "Left Follower Level", "Right Follower Level"};
    for (int i = 0; i < 6; ++i)
        name (v.meters[i], meterNames[i]);
    name (v.showBackButton, "Show Back Screen");
    name (v.managerButton, "Show / Hide Manager Screen");
    name (v.resetDisruptButton, "Reset Disrupt to Center");
    for (int i = 0; i < 2; ++i)
    {
        name (v.radios[0][i], "Selected Early Path", std::string (EARLY_PATH_STR[static_cast<std::size_t> (i)]));
        name (v.radios[1][i], "Selected Late Path", std::string (LATE_PATH_STR[static_cast<std::size_t> (i)]));
        name (v.radios[2][i], "Selected Modulation Slot", std::string (MOD_SLOT_STR[static_cast<std::size_t> (i)]));
    }
}

void EditorScreens::createBackScreen ()
{
    CBitmap* back = bitmap (kBmpBackBackground);
    v.showFrontButton = new CKickButton (
        CRect (0, 0, back != nullptr ? back->getWidth () : 0, back != nullptr ? back->getHeight () : 0), listener,
        kNoParameterTag, nullptr);
    v.showFrontButton->setWantsFocus (false);
    own (v.showFrontButton);
    addControl (v.showFrontButton, kKindPlain);
    name (v.showFrontButton, "Show Front Screen");

    for (int i = 0; i < layout::kBackSwitchCount; ++i)
        v.backSwitches[i] =
            createOnOff (kNoParameterTag, layout::kBackSwitches[i].x, layout::kBackSwitches[i].y, kBmpLedButton);
    for (int i = 0; i < 4; ++i)
        v.screenSwitches[i] = createOnOff (kNoParameterTag, layout::kScreenSizeSwitches[i].x,
                                           layout::kScreenSizeSwitches[i].y, kBmpLedButton);

    const CRect r = scaledRect (layout::kChannelMenu.x, layout::kChannelMenu.y, scaled (layout::kChannelMenuWidth),
                                layout::kChannelMenuHeight, layout::kChannelMenuNudge);
    v.channelMenu =
        new TOptionMenu (r, listener, kNoParameterTag, nullptr, nullptr, 0, settings.screenSize, true, false);
    own (v.channelMenu);
    for (int c = 0; c <= 16; ++c)
        v.channelMenu->addEntry (midiChannelName (c));
    addControl (v.channelMenu, kKindPlain);

    const auto& a = layout::kVersionText;
    v.versionText = new TReadoutString (scaledRect (a.x, a.y, scaled (a.width), scaled (a.height), layout::kNone),
                                        listener, backScreenVersion (), true, scaled (1.0f));
    own (v.versionText);
}

std::string EditorScreens::backScreenVersion ()
{
    const int version = identity::kVendorVersion;
    char numbers[48];
    std::snprintf (numbers, sizeof numbers, " Version %d.%d.%d", (version >> 16) & 0xff, (version >> 8) & 0xff,
                   version & 0xff);
    return std::string ("Morlake") + " - " + "Linux " + "VST " + "x86 64Bits" + " : " + numbers;
}

TKnob* EditorScreens::knobFor (int tag) const
{
    for (TKnob* knob : v.mainKnobs)
        if (knob != nullptr && knob->getTag () == tag)
            return knob;
    return nullptr;
}

TOptionMenu* EditorScreens::menuFor (int tag) const
{
    for (TOptionMenu* menu : v.mainMenus)
        if (menu != nullptr && menu->getTag () == tag)
            return menu;
    return nullptr;
}

int EditorScreens::destinationTagOf (CView* view) const
{
    if (view == nullptr)
        return -1;
    for (int i = 0; i < 8; ++i)
        if (view != nullptr && view == knobFor (tag::Disrupt1Amount + i))
            return tag::Disrupt1Dest + i;
    if (view == menuFor (tag::FollowerDest))
        return tag::FollowerDest;
    if (view == v.slotDestMenus[0])
        return tag::ModSlot1Dest;
    if (view == v.slotDestMenus[1])
        return tag::ModSlot2Dest;
    return -1;
}

CKickButton* EditorScreens::namedButton (const std::string& label) const
{
    for (const auto& n : named)
        if (n.label == label)
            return dynamic_cast<CKickButton*> (n.view);
    return nullptr;
}

// Screens --------------------------------------------------------------------------------

void EditorScreens::setRadioPair (int group, int on)
{
    if (group < 0 || group > 2)
        return;
    for (int i = 0; i < 2; ++i)
        if (v.radios[group][i] != nullptr)
            v.radios[group][i]->setOn (i == on);
}

void EditorScreens::showMain (CFrame* frame)
{
    if (model == nullptr || frame == nullptr)
        return;
    built = false;
    frame->removeAll ();
    frame->invalid ();
    frame->setBackground (nullptr);
    addTo (frame, v.backdrop);
    addTo (frame, v.panel);
    addTo (frame, v.presetMenu);
    showCurrentPreset ();
    addTo (frame, v.folderMenu);
    if (v.folderMenu != nullptr)
        v.folderMenu->setString ("Introduction Bank");
    for (CView* view : std::initializer_list<CView*> {v.resetDisruptButton, v.fullWetButton, v.editedButton,
                                                      v.originalButton, v.helpButton, v.managerButton, v.showBackButton,
                                                      v.controlMenuButton, v.ecsMenu})
        addTo (frame, view);
    for (auto* m : v.mainMenus)
        addTo (frame, m);
    addTo (frame, v.disruptSlider);
    for (auto* m : v.meters)
        addTo (frame, m);
    for (auto* k : v.mainKnobs)
        addTo (frame, k);
    for (auto* o : v.mainOnOffs)
        addTo (frame, o);
    for (auto& pair : v.radios)
        for (auto* r : pair)
            addTo (frame, r);
    setRadioPair (0, model->getSteppedValue (tag::EarlyPath));
    setRadioPair (1, model->getSteppedValue (tag::LatePath));
    setRadioPair (2, slot);
    for (auto* m : v.mainMenus)
        if (m != nullptr && m->getTag () != tag::ReverbPreset)
            resumeMenu (m);
    currentScreen = kMainScreen;
    showModPanel ();
    built = true;
}

void EditorScreens::showModPanel ()
{
    if (model == nullptr || v.panel == nullptr)
        return;
    v.panel->removeAll ();
    v.panel->setBackground (bitmap (kBmpModPanelBackground));
    const int s = slot;
    if (TOptionMenu* src = v.slotSourceMenus[s])
    {
        addTo (v.panel, src);
        src->setString (std::string (nameAt (SRC_STR, model->getSteppedValue (src->getTag ()))));
    }
    if (TOptionMenu* dst = v.slotDestMenus[s])
    {
        addTo (v.panel, dst);
        dst->setString (std::string (nameAt (DEST_STR, model->getSteppedValue (dst->getTag ()))));
    }
    addTo (v.panel, v.slotKnobs[s]);
    v.panel->invalid ();
}

void EditorScreens::setBackSwitchesFromPrefs ()
{
    auto set = [] (TOnOff* button, bool on) {
        if (button != nullptr)
            button->setOn (on);
    };
    set (v.backSwitches[layout::kKeyboardSwitch], settings.keyboardOn);
    set (v.backSwitches[layout::kProgramChangeSwitch], backSwitchPreference (PREF_MIDI_PRESET, true));
    set (v.backSwitches[layout::kBankChangeSwitch], backSwitchPreference (PREF_MIDI_BANK, true));
    set (v.backSwitches[layout::kCaptureSwitch], backSwitchPreference (PREF_MIDI_CAPTURE, true));
    set (v.backSwitches[layout::kDialAnimationSwitch], backSwitchPreference (PREF_DIAL_ANIMATION, true));
    if (v.channelMenu != nullptr)
    {
        const int channel = loadIntFromPrefs (PREF_MIDI_CHANNEL);
        v.channelMenu->setValue (static_cast<float> (channel >= 0 && channel <= 16 ? channel : 0));
        v.channelMenu->setString (midiChannelName (channel));
    }
    const char* keys[4] = {PREF_BIG_100, PREF_BIG_125, PREF_BIG_150, PREF_BIG_200};
    for (int i = 0; i < 4; ++i)
        set (v.screenSwitches[i], backSwitchPreference (keys[i], false));
}

void EditorScreens::showBack (CFrame* frame)
{
    if (model == nullptr || frame == nullptr)
        return;
    frame->removeAll ();
    frame->invalid ();
    currentScreen = kBackScreen;
    frame->setBackground (bitmap (kBmpBackBackground));
    addTo (frame, v.showFrontButton);
    for (auto* s : v.backSwitches)
        addTo (frame, s);
    for (auto* s : v.screenSwitches)
        addTo (frame, s);
    addTo (frame, v.channelMenu);
    addTo (frame, v.versionText);
    setBackSwitchesFromPrefs ();
    frame->setDirty ();
}

// Menus ------------------------------------------------------------------------------------

void EditorScreens::resumeMenu (TOptionMenu* menu)
{
    if (menu == nullptr || model == nullptr)
        return;
    const int step = model->getSteppedValue (menu->getTag ());
    if (menu->getTag () == tag::FollowerDest)
        menu->setString (std::string (nameAt (DEST_STR, step)));
    else
        menu->setValue (static_cast<float> (step));
    menu->setDirty ();
}

void EditorScreens::resumeMenus ()
{
    for (auto* menu : v.mainMenus)
        resumeMenu (menu);
    if (model != nullptr)
    {
        setRadioPair (0, model->getSteppedValue (tag::EarlyPath));
        setRadioPair (1, model->getSteppedValue (tag::LatePath));
    }
}

void EditorScreens::showCurrentPreset ()
{
    if (v.presetMenu == nullptr || model == nullptr)
        return;
    v.presetMenu->setString (std::string (model->programName ()));
}

} // namespace morlake
