// Building the views: bitmaps, controls, the main screen, the modulation
// panel and the back screen, and keeping the menus in step.
#include "editor/uEditor.h"

#include "editor/ParameterMenu.h"

#include "params/NameLists.h"
#include "platform/Preferences.h"
#include "instance/EditorModel.h"
#include "instance/Identity.h"
#include "presets/FactoryNames.h"

#include "vstgui/lib/controls/cbuttons.h"

#include <cstdio>

namespace morlake {

using namespace VSTGUI;

namespace {

constexpr int kTextY[kScreenSizes] = {-2, -2, -3, -4};
const char* const kPresetBankTitles[8] = {"Preset 1-32",    "Preset 33-64",   "Preset 65-96",   "Preset 97-128",
                                          "Preset 129-160", "Preset 161-192", "Preset 193-224", "Preset 225-256"};
const char* const kEcsEntries[3] = {"Load ECS", "Save ECS", "Clear MIDI"};

} // namespace

// Bitmaps ------------------------------------------------------------------------

void uEditor::createBitmaps ()
{
    removeBitmaps ();
    for (int id : kAllBitmapIds)
    {
        auto b = makeOwned<CBitmap> (CResourceDescription (getScaledBitmap (id)));
        if (b->getPlatformBitmap () != nullptr)
            bitmaps[id] = b;
    }
}

void uEditor::removeBitmaps () { bitmaps.clear (); }

// Registry and ownership -------------------------------------------------------------

void uEditor::addControl (CControl* control, int kind)
{
    if (control == nullptr || static_cast<int> (controls.size ()) >= kMaxControls)
        return;
    controls.push_back ({control, kind, kind != kKindPlain});
}

void uEditor::name (CView* view, const std::string& label, const std::string& extra)
{
    if (view != nullptr)
        named.push_back ({view, label, extra});
}

void uEditor::addTo (CViewContainer* container, CView* view)
{
    if (container == nullptr || view == nullptr)
        return;
    view->remember ();
    if (! container->addView (view))
        view->forget ();
}

void uEditor::removeControls ()
{
    for (CView* view : owned)
        view->forget ();
    owned.clear ();
    named.clear ();
    mainKnobs.clear ();
    mainOnOffs.clear ();
    mainMenus.clear ();
    slotKnobs[0] = slotKnobs[1] = nullptr;
    for (auto& pair : radios)
        pair[0] = pair[1] = nullptr;
    followerDestSubs.fill (nullptr);
    for (int s = 0; s < 2; ++s)
    {
        slotSourceMenus[s] = slotDestMenus[s] = nullptr;
        slotSourceSubs[s].fill (nullptr);
        slotDestSubs[s].fill (nullptr);
    }
    presetMenu = folderMenu = ecsMenu = channelMenu = nullptr;
    presetBanks.fill (nullptr);
    disruptSlider = nullptr;
    resetDisruptButton = fullWetButton = editedButton = originalButton = helpButton = nullptr;
    managerButton = showBackButton = controlMenuButton = showFrontButton = nullptr;
    for (auto*& m : meters)
        m = nullptr;
    for (auto*& s : backSwitches)
        s = nullptr;
    for (auto*& s : screenSwitches)
        s = nullptr;
    versionText = nullptr;
    editedControl = nullptr;
    tooltip = nullptr;
    hoverView = nullptr;
}

CRect uEditor::scaledRect (int x, int y, CCoord w, CCoord h, const layout::Nudge& n) const
{
    const int s = screenSize;
    const int left = s == 0 ? x : getScaled (x) + n.dx[s - 1];
    const int top = s == 0 ? y : getScaled (y) + n.dy[s - 1];
    return CRect (left, top, left + w, top + h);
}

// Creation ------------------------------------------------------------------------------

TKnob* uEditor::createKnob (int tag, int x, int y, int type, const char* label, const layout::Nudge& n)
{
    if (tag >= kNumParams || type < 0 || type >= 7)
        return nullptr;
    CBitmap* strip = bitmap (kBmpKnobByType[type]);
    CBitmap* ringStrip = bitmap (kBmpRingByType[type]);
    const int images = layout::KNOBS_IN_FILM[type];
    const CCoord imageHeight = ringStrip != nullptr ? std::trunc (ringStrip->getHeight () / images) : 0;
    const int s = screenSize;
    const int width = getScaled (layout::kKnobWidth);
    CRect r = scaledRect (x, y, 0, 0, n);
    r.left -= width / 2;
    r.right = r.left + (strip != nullptr ? strip->getWidth () : 0) + width;
    r.bottom = r.top + imageHeight + static_cast<int> (24.0f * SCALE[s]);
    const int textX = s == 0 ? 0 : n.tx[s - 1];
    const int textY = type <= 1 ? kTextY[s] : 0;
    auto* knob = new TKnob (r, imageHeight, this, tag, strip, ringStrip, CPoint (0, 0), images, s, layout::kKnobWidth,
                            textX, textY);
    owned.push_back (knob);
    knob->setString (label != nullptr ? label : "");
    if (model != nullptr)
    {
        knob->setDefaultValue (model->getDefault (tag));
        knob->setValue (model->getParameter (tag));
    }
    addControl (knob, kKindKnob);
    return knob;
}

TOnOff* uEditor::createOnOff (int tag, int x, int y, int bitmapId, const layout::Nudge& n)
{
    CBitmap* b = bitmap (bitmapId);
    const CRect r = scaledRect (x, y, b != nullptr ? b->getWidth () : 0, b != nullptr ? b->getHeight () / 2 : 0, n);
    auto* button = new TOnOff (r, this, tag, b);
    owned.push_back (button);
    if (model != nullptr && isValidTag (tag))
        button->setValue (model->getParameter (tag));
    addControl (button, tag == kNoParameterTag ? kKindPlain : kKindSwitch);
    return button;
}

TRadioButton* uEditor::createRadio (int x, int y, int group)
{
    CBitmap* strip = bitmap (kBmpLedButton);
    const CRect r = scaledRect (x, y, strip != nullptr ? strip->getWidth () : 0,
                                strip != nullptr ? strip->getHeight () / 2 : 0, layout::kNone);
    auto* button = new TRadioButton (r, this, group);
    owned.push_back (button);
    addControl (button, kKindPlain);
    return button;
}

CKickButton* uEditor::createKickButton (int x, int y, int bitmapId)
{
    CBitmap* b = bitmap (bitmapId);
    const CRect r =
        scaledRect (x, y, b != nullptr ? b->getWidth () : 0, b != nullptr ? b->getHeight () / 2 : 0, layout::kNone);
    auto* button = new CKickButton (r, this, kNoParameterTag, b);
    button->setWantsFocus (false);
    owned.push_back (button);
    addControl (button, kKindPlain);
    return button;
}

CKickButton* uEditor::createKickButton (const layout::Area& a)
{
    const CRect r = scaledRect (a.x, a.y, getScaled (a.width), getScaled (a.height), layout::kNone);
    auto* button = new CKickButton (r, this, kNoParameterTag, nullptr);
    button->setWantsFocus (false);
    owned.push_back (button);
    addControl (button, kKindPlain);
    return button;
}

TOptionMenu* uEditor::createMenu (int tag, int x, int y, int width, bool centred, const layout::Nudge& n)
{
    if (tag >= kNumParams || model == nullptr)
        return nullptr;
    const int steps = model->getSteppedNum (tag);
    if (steps <= 0)
        return nullptr;
    const CRect r = scaledRect (x, y, getScaled (width), layout::MENU_HEIGHT[screenSize], n);
    auto* menu = new TOptionMenu (r, this, tag, nullptr, nullptr, COptionMenu::kCheckStyle, screenSize, centred, false);
    owned.push_back (menu);
    const auto names = model->table ().getStepNames (tag);
    for (int i = 0; i < steps; ++i)
        menu->addEntry (i < static_cast<int> (names.size ()) ? std::string (names[static_cast<std::size_t> (i)])
                                                             : std::string ("-"));
    menu->setValue (static_cast<float> (model->getSteppedValue (tag)));
    addControl (menu, kKindMenu);
    return menu;
}

TOptionMenu* uEditor::createSourceMenu (std::array<TOptionMenu*, 2>& subs, int tag, int x, int y, int width)
{
    const CRect r = scaledRect (x, y, getScaled (width), layout::MENU_HEIGHT[screenSize], layout::kNone);
    auto* menu = new TOptionMenu (r, this, tag, nullptr, nullptr, 0, screenSize, true, false);
    owned.push_back (menu);
    menu->addEntry (std::string (SRC_STR[0]));
    for (int g = 0; g < 2; ++g)
    {
        auto* sub = new TOptionMenu (r, this, tag, nullptr, nullptr, 0, screenSize, true, false);
        owned.push_back (sub);
        for (int i = SOURCE_GROUPS[g].first; i <= SOURCE_GROUPS[g].last; ++i)
            sub->addEntry (std::string (SRC_STR[static_cast<std::size_t> (i)]));
        menu->addEntry (sub, SOURCE_GROUPS[g].title);
        subs[static_cast<std::size_t> (g)] = sub;
    }
    addControl (menu, kKindMenu);
    return menu;
}

TOptionMenu* uEditor::createDestinationMenu (std::array<TOptionMenu*, 5>& subs, int tag, int x, int y, int width)
{
    const CRect r = scaledRect (x, y, getScaled (width), layout::MENU_HEIGHT[screenSize], layout::kNone);
    auto* menu = new TOptionMenu (r, this, tag, nullptr, nullptr, 0, screenSize, true, false);
    owned.push_back (menu);
    menu->addEntry (std::string (DEST_STR[0]));
    for (int g = 0; g < 5; ++g)
    {
        auto* sub = new TOptionMenu (r, this, tag, nullptr, nullptr, 0, screenSize, true, false);
        owned.push_back (sub);
        for (int i = DESTINATION_GROUPS[g].first; i <= DESTINATION_GROUPS[g].last; ++i)
            sub->addEntry (std::string (DEST_STR[static_cast<std::size_t> (i)]));
        menu->addEntry (sub, DESTINATION_GROUPS[g].title);
        subs[static_cast<std::size_t> (g)] = sub;
    }
    addControl (menu, kKindMenu);
    return menu;
}

TOptionMenu* uEditor::createPresetMenu ()
{
    const auto& a = layout::kPresetMenu;
    const CRect r = scaledRect (a.x, a.y, getScaled (a.width), getScaled (a.height), layout::kNone);
    auto* menu = new TOptionMenu (r, this, kNoParameterTag, nullptr, nullptr, 0, screenSize, false, false);
    owned.push_back (menu);
    menu->setPresetMenu ();
    const int perBank = getPresetsInColumns ();
    for (int b = 0; b < 8; ++b)
    {
        auto* bank = new TOptionMenu (r, this, kNoParameterTag, nullptr, nullptr, 0, screenSize, false, false);
        owned.push_back (bank);
        for (int i = perBank * b; i < perBank * (b + 1) && i < kNumFactoryPresets; ++i)
            bank->addEntry (std::string (FACTORY_PRESET_NAMES_STR[static_cast<std::size_t> (i)]));
        menu->addEntry (bank, kPresetBankTitles[b]);
        presetBanks[static_cast<std::size_t> (b)] = bank;
    }
    for (const char* entry : {"-", "Default Preset", "-", "Revert to Original Preset", "Revert to Edited Preset", "-",
                              "Set To 100% Screen", "Set To 125% Screen", "Set To 150% Screen", "Set To 200% Screen"})
    {
        if (std::string (entry) == "-")
            menu->addSeparator ();
        else
            menu->addEntry (entry);
    }
    addControl (menu, kKindPlain);
    return menu;
}

void uEditor::createControls ()
{
    removeControls ();
    createKnobsAndSwitches ();
    createMainMenus ();
    createDisruptSlider ();
    createButtons ();
    createTopMenus ();
    createMeters ();
    nameControls ();
}

void uEditor::createKnobsAndSwitches ()
{
    for (const auto& k : layout::kMainKnobs)
    {
        TKnob* knob = createKnob (k.tag, k.x, k.y, k.type, k.label, k.nudge);
        if (knob != nullptr && k.blue)
            knob->setBlue ();
        mainKnobs.push_back (knob);
    }
    for (int s = 0; s < 2; ++s)
    {
        const auto& k = layout::kSlotKnobs[s];
        // In panel coordinates: the panel sits at the scaled panel origin.
        slotKnobs[s] = createKnob (k.tag, k.x, k.y, k.type, k.label, k.nudge);
    }
    for (const auto& o : layout::kMainOnOffs)
        mainOnOffs.push_back (createOnOff (o.tag, o.x, o.y, o.bitmap));
    for (int g = 0; g < 3; ++g)
        for (int i = 0; i < 2; ++i)
            radios[g][i] = createRadio (layout::kRadios[g][i].x, layout::kRadios[g][i].y, g);
}

void uEditor::createMainMenus ()
{
    for (const auto& m : layout::kMainMenus)
    {
        TOptionMenu* menu = nullptr;
        if (m.kind == layout::MenuKind::Destination)
            menu = createDestinationMenu (followerDestSubs, m.tag, m.x, m.y, m.width);
        else
            menu = createMenu (m.tag, m.x, m.y, m.width, true);
        if (menu != nullptr && m.kind == layout::MenuKind::Arrows)
            menu->setArrow ();
        if (menu != nullptr && m.kind == layout::MenuKind::Blue)
            menu->setBlue ();
        mainMenus.push_back (menu);
    }
    for (int s = 0; s < 2; ++s)
    {
        const auto& src = layout::kSlotSourceMenus[s];
        const auto& dst = layout::kSlotDestMenus[s];
        slotSourceMenus[s] = createSourceMenu (slotSourceSubs[s], src.tag, src.x, src.y, src.width);
        slotDestMenus[s] = createDestinationMenu (slotDestSubs[s], dst.tag, dst.x, dst.y, dst.width);
    }
}

// The preset, bank and controller-map menus of the top bar.
void uEditor::createTopMenus ()
{
    presetMenu = createPresetMenu ();
    {
        const auto& a = layout::kFolderMenu;
        const CRect r = scaledRect (a.x, a.y, getScaled (a.width), getScaled (a.height), layout::kNone);
        folderMenu = new TOptionMenu (r, this, kNoParameterTag, nullptr, nullptr, 0, screenSize, false, false);
        owned.push_back (folderMenu);
        folderMenu->setFolderMenu ();
        folderMenu->addEntry ("Introduction Bank");
        addControl (folderMenu, kKindPlain);
    }
    {
        const auto& a = layout::kEcsMenu;
        const CRect r = scaledRect (a.x, a.y, getScaled (a.width), getScaled (a.height), layout::kNone);
        ecsMenu = new TOptionMenu (r, this, kInvisibleMenuTag, nullptr, nullptr, 0, screenSize, false, false);
        owned.push_back (ecsMenu);
        for (const char* entry : kEcsEntries)
            ecsMenu->addEntry (entry);
        addControl (ecsMenu, kKindPlain);
    }
}

// The disrupt slider: height and handle width come from its marker.
void uEditor::createDisruptSlider ()
{
    CBitmap* marker = bitmap (kBmpDisruptModMarker);
    const int handle = marker != nullptr ? static_cast<int> (marker->getWidth ()) : 0;
    const CRect r = scaledRect (layout::kSlider.x, layout::kSlider.y, layout::SLIDER_WIDTH[screenSize],
                                marker != nullptr ? marker->getHeight () : 0, layout::kNone);
    disruptSlider = new THorizontalSlider (r, this, tag::DisruptValue, handle);
    owned.push_back (disruptSlider);
    if (model != nullptr)
    {
        disruptSlider->setDefaultValue (model->getDefault (tag::DisruptValue));
        disruptSlider->setValue (model->getParameter (tag::DisruptValue));
    }
    addControl (disruptSlider, kKindPlain);
}

void uEditor::createButtons ()
{
    resetDisruptButton =
        createKickButton (layout::kResetDisrupt.x, layout::kResetDisrupt.y, layout::kResetDisrupt.bitmap);
    fullWetButton = createKickButton (layout::kFullWet.x, layout::kFullWet.y, layout::kFullWet.bitmap);
    editedButton = createKickButton (layout::kEditedPreset.x, layout::kEditedPreset.y, layout::kEditedPreset.bitmap);
    originalButton =
        createKickButton (layout::kOriginalPreset.x, layout::kOriginalPreset.y, layout::kOriginalPreset.bitmap);
    helpButton = createKickButton (layout::kOpenHelp.x, layout::kOpenHelp.y, layout::kOpenHelp.bitmap);
    managerButton = createKickButton (layout::kManagerButton);
    showBackButton = createKickButton (layout::kShowBackButton);
    controlMenuButton = createKickButton (layout::kControlMenuButton);
}

void uEditor::createMeters ()
{
    CBitmap* meterArt = bitmap (kBmpLevelMeter);
    for (int i = 0; i < 6; ++i)
    {
        const CRect r =
            scaledRect (layout::kMeters[i].x, layout::kMeters[i].y, meterArt != nullptr ? meterArt->getWidth () : 0,
                        meterArt != nullptr ? meterArt->getHeight () : 0, layout::kNone);
        meters[i] = new TVU (r, this);
        owned.push_back (meters[i]);
        meters[i]->setVuValue (0.0f);
    }
}

// Names the controls without a parameter carry for their tooltips.
void uEditor::nameControls ()
{
    name (presetMenu, "Preset Menu");
    name (folderMenu, "Folder Menu");
    name (helpButton, "Open Help");
    name (editedButton, "Edited Preset");
    name (originalButton, "Original Preset");
    name (ecsMenu, "ECS Menu");
    name (controlMenuButton, "Control Menu");
    const char* meterNames[6] = {"Left Input Level",   "Right Input Level",   "Left Output Level",
                                 "Right Output Level", "Left Follower Level", "Right Follower Level"};
    for (int i = 0; i < 6; ++i)
        name (meters[i], meterNames[i]);
    name (showBackButton, "Show Back Screen");
    name (managerButton, "Show / Hide Manager Screen");
    name (resetDisruptButton, "Reset Disrupt to Center");
    for (int i = 0; i < 2; ++i)
    {
        name (radios[0][i], "Selected Early Path", std::string (EARLY_PATH_STR[static_cast<std::size_t> (i)]));
        name (radios[1][i], "Selected Late Path", std::string (LATE_PATH_STR[static_cast<std::size_t> (i)]));
        name (radios[2][i], "Selected Modulation Slot", std::string (MOD_SLOT_STR[static_cast<std::size_t> (i)]));
    }
}

void uEditor::createBackScreen ()
{
    CBitmap* back = bitmap (kBmpBackBackground);
    showFrontButton = new CKickButton (
        CRect (0, 0, back != nullptr ? back->getWidth () : 0, back != nullptr ? back->getHeight () : 0), this,
        kNoParameterTag, nullptr);
    showFrontButton->setWantsFocus (false);
    owned.push_back (showFrontButton);
    addControl (showFrontButton, kKindPlain);
    name (showFrontButton, "Show Front Screen");

    for (int i = 0; i < layout::kBackSwitchCount; ++i)
        backSwitches[i] =
            createOnOff (kNoParameterTag, layout::kBackSwitches[i].x, layout::kBackSwitches[i].y, kBmpLedButton);
    for (int i = 0; i < 4; ++i)
        screenSwitches[i] = createOnOff (kNoParameterTag, layout::kScreenSizeSwitches[i].x,
                                         layout::kScreenSizeSwitches[i].y, kBmpLedButton);

    const CRect r = scaledRect (layout::kChannelMenu.x, layout::kChannelMenu.y, getScaled (layout::kChannelMenuWidth),
                                layout::kChannelMenuHeight, layout::kChannelMenuNudge);
    channelMenu = new TOptionMenu (r, this, kNoParameterTag, nullptr, nullptr, 0, screenSize, true, false);
    owned.push_back (channelMenu);
    for (int c = 0; c <= 16; ++c)
        channelMenu->addEntry (midiChannelName (c));
    addControl (channelMenu, kKindPlain);

    const auto& v = layout::kVersionText;
    versionText = new TReadoutString (scaledRect (v.x, v.y, getScaled (v.width), getScaled (v.height), layout::kNone),
                                      this, getBackScreenVersion (), true, getScaled (1.0f));
    owned.push_back (versionText);
}

std::string uEditor::getBackScreenVersion () const
{
    const int version = identity::kVendorVersion;
    char numbers[48];
    std::snprintf (numbers, sizeof numbers, " Version %d.%d.%d", (version >> 16) & 0xff, (version >> 8) & 0xff,
                   version & 0xff);
    return std::string ("Morlake") + " - " + "Linux " + "VST " + "x86 64Bits" + " : " + numbers;
}

CKickButton* uEditor::getNamedButton (const std::string& label) const
{
    for (const auto& n : named)
        if (n.label == label)
            return dynamic_cast<CKickButton*> (n.view);
    return nullptr;
}

// Screens --------------------------------------------------------------------------------

void uEditor::setRadioPair (int group, int on)
{
    if (group < 0 || group > 2)
        return;
    for (int i = 0; i < 2; ++i)
        if (radios[group][i] != nullptr)
            radios[group][i]->setOn (i == on);
}

void uEditor::showMainScreen ()
{
    if (model == nullptr || frame == nullptr)
        return;
    screensBuilt = false;
    frame->removeAll ();
    frame->invalid ();
    frame->setBackground (nullptr);
    addTo (frame, backdrop);
    addTo (frame, panel);
    addTo (frame, presetMenu);
    showCurrentPresetMenu ();
    addTo (frame, folderMenu);
    if (folderMenu != nullptr)
        folderMenu->setString ("Introduction Bank");
    for (CView* v :
         std::initializer_list<CView*> {resetDisruptButton, fullWetButton, editedButton, originalButton, helpButton,
                                        managerButton, showBackButton, controlMenuButton, ecsMenu})
        addTo (frame, v);
    for (auto* m : mainMenus)
        addTo (frame, m);
    addTo (frame, disruptSlider);
    for (auto* m : meters)
        addTo (frame, m);
    for (auto* k : mainKnobs)
        addTo (frame, k);
    for (auto* o : mainOnOffs)
        addTo (frame, o);
    for (auto& pair : radios)
        for (auto* r : pair)
            addTo (frame, r);
    setRadioPair (0, model->getSteppedValue (tag::EarlyPath));
    setRadioPair (1, model->getSteppedValue (tag::LatePath));
    setRadioPair (2, selectedSlot);
    for (auto* m : mainMenus)
        if (m != nullptr)
        {
            if (m->getTag () == tag::FollowerDest)
                setMenuResume (m, DEST_STR);
            else if (m->getTag () != tag::ReverbPreset)
                setMenuResume (m);
        }
    currentScreen = kMainScreen;
    showModScreen ();
    screensBuilt = true;
}

void uEditor::showModScreen ()
{
    if (model == nullptr || panel == nullptr)
        return;
    panel->removeAll ();
    panel->setBackground (bitmap (kBmpModPanelBackground));
    const int s = selectedSlot;
    if (TOptionMenu* src = slotSourceMenus[s])
    {
        addTo (panel, src);
        src->setString (std::string (nameAt (SRC_STR, model->getSteppedValue (src->getTag ()))));
    }
    if (TOptionMenu* dst = slotDestMenus[s])
    {
        addTo (panel, dst);
        dst->setString (std::string (nameAt (DEST_STR, model->getSteppedValue (dst->getTag ()))));
    }
    addTo (panel, slotKnobs[s]);
    panel->invalid ();
}

void uEditor::setBackSwitchesFromPrefs ()
{
    auto set = [] (TOnOff* button, bool on) {
        if (button != nullptr)
            button->setOn (on);
    };
    set (backSwitches[layout::kKeyboardSwitch], keyboardOn);
    set (backSwitches[layout::kProgramChangeSwitch], getBackRegValue (PREF_MIDI_PRESET, true));
    set (backSwitches[layout::kBankChangeSwitch], getBackRegValue (PREF_MIDI_BANK, true));
    set (backSwitches[layout::kCaptureSwitch], getBackRegValue (PREF_MIDI_CAPTURE, true));
    set (backSwitches[layout::kDialAnimationSwitch], getBackRegValue (PREF_DIAL_ANIMATION, true));
    if (channelMenu != nullptr)
    {
        const int channel = loadIntFromPrefs (PREF_MIDI_CHANNEL);
        channelMenu->setValue (static_cast<float> (channel >= 0 && channel <= 16 ? channel : 0));
        channelMenu->setString (midiChannelName (channel));
    }
    const char* keys[4] = {PREF_BIG_100, PREF_BIG_125, PREF_BIG_150, PREF_BIG_200};
    for (int i = 0; i < 4; ++i)
        set (screenSwitches[i], getBackRegValue (keys[i], false));
}

void uEditor::showBackScreen ()
{
    if (model == nullptr || frame == nullptr)
        return;
    frame->removeAll ();
    frame->invalid ();
    currentScreen = kBackScreen;
    frame->setBackground (bitmap (kBmpBackBackground));
    addTo (frame, showFrontButton);
    for (auto* s : backSwitches)
        addTo (frame, s);
    for (auto* s : screenSwitches)
        addTo (frame, s);
    addTo (frame, channelMenu);
    addTo (frame, versionText);
    setBackSwitchesFromPrefs ();
    frame->setDirty ();
}

void uEditor::hideBackScreen ()
{
    if (frame == nullptr)
        return;
    showMainScreen ();
    frame->setDirty ();
}

void uEditor::changeRadioDelta (int group)
{
    if (model == nullptr)
        return;
    if (group == 0 || group == 1)
    {
        const int t = group == 0 ? tag::EarlyPath : tag::LatePath;
        const int path = model->getSteppedValue (t) == 0 ? 1 : 0;
        model->setSteppedValue (t, path);
        setRadioPair (group, model->getSteppedValue (t));
    }
    else if (group == 2)
    {
        selectedSlot = selectedSlot == 0 ? 1 : 0;
        setRadioPair (2, selectedSlot);
        modPanelDirty = true;
    }
}

// Menus ------------------------------------------------------------------------------------

void uEditor::setMenuValue (TOptionMenu* menu)
{
    if (menu != nullptr)
        setMenuValue (menu, menu->getCurrentIndex ());
}

void uEditor::setMenuValue (TOptionMenu* menu, int index)
{
    if (menu == nullptr || model == nullptr)
        return;
    const int tag = menu->getTag ();
    if (tag >= kNumParams)
        return;
    const int steps = model->getSteppedNum (tag);
    if (steps <= 0)
        return;
    index = index < 0 ? 0 : (index >= steps ? steps - 1 : index);
    model->editParameter (tag, (static_cast<float> (index) + 0.1f) / model->table ().getStepScale (tag));
}

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

void uEditor::setDestMenu (COptionMenu* menu, int tag)
{
    const int k = indexOf (DEST_STR, chosenText (menu));
    if (k >= 0 && model != nullptr)
        model->setSteppedValue (tag, k);
}

void uEditor::setSrcMenu (COptionMenu* menu, int tag)
{
    const int k = indexOf (SRC_STR, chosenText (menu));
    if (k >= 0 && model != nullptr)
        model->setSteppedValue (tag, k);
}

void uEditor::setMenuResume (TOptionMenu* menu)
{
    if (menu == nullptr || model == nullptr)
        return;
    menu->setValue (static_cast<float> (model->getSteppedValue (menu->getTag ())));
    menu->setDirty ();
}

template <typename List>
void uEditor::setMenuResume (TOptionMenu* menu, const List& list)
{
    if (menu == nullptr || model == nullptr)
        return;
    menu->setString (std::string (nameAt (list, model->getSteppedValue (menu->getTag ()))));
    menu->setDirty ();
}

template void uEditor::setMenuResume (TOptionMenu*, const std::array<Names, kNumDestinations>&);

void uEditor::updatePresetMenu () { showCurrentPresetMenu (); }

void uEditor::showCurrentPresetMenu ()
{
    if (presetMenu == nullptr || model == nullptr)
        return;
    presetMenu->setString (std::string (model->programName ()));
}

} // namespace morlake
