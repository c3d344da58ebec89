// Editor lifecycle: open, close, the idle poll, resume and the plug-in's
// change notifications.
#include "editor/uEditor.h"

#include "editor/MessageWindows.h"
#include "editor/RunLoop.h"
#include "params/NameLists.h"
#include "platform/Preferences.h"
#include "platform/MessageWindows.h"
#include "instance/EditorModel.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/ctooltipsupport.h"
#include "vstgui/lib/platform/common/genericoptionmenu.h"
#include "vstgui/lib/platform/iplatformframe.h"
#include "vstgui/lib/platform/linux/x11platform.h"

#include <cmath>
#include <cstring>
#include <xcb/xcb.h>

namespace morlake {

using namespace VSTGUI;

InstanceEditor* createEditor (EditorModel& model) { return new uEditor (&model); }

uEditor::uEditor (EditorModel* e) : EditorAdapter (e)
{
    installMessageWindows ();
    keyboardOn = getRegisterIsOn (PREF_KEYBOARD, true);
    tooltipsOn = getRegisterIsOn (PREF_TOOL_TIP, true);
    dragDropOn = getRegisterIsOn (PREF_DRAG_DROP, true);
    dialAnimation = getRegisterIsOn (PREF_DIAL_ANIMATION, true);
    const char* sizeKeys[kScreenSizes] = {PREF_BIG_100, PREF_BIG_125, PREF_BIG_150, PREF_BIG_200};
    for (int s = 0; s < kScreenSizes; ++s)
        if (getRegisterIsOn (sizeKeys[s], false))
            screenSize = s;

    dropFlags.fill (true);
    for (int t = tag::Disrupt1Amount; t < tag::Disrupt1Amount + 8; ++t)
        dropFlags[static_cast<std::size_t> (t)] = false;
    for (int t :
         {tag::FollowerThreshold, tag::FollowerSmooth, tag::FollowerAmount, tag::ModSlot1Amount, tag::ModSlot2Amount})
        dropFlags[static_cast<std::size_t> (t)] = false;

    lastIdleTime = lastProgramStep = getTicks ();
    size = {getScaled (kWindowWidth), getScaled (kWindowHeight)};
}

uEditor::~uEditor ()
{
    if (frame != nullptr)
        close ();
}

int uEditor::getScaled (int v, int a, int b, int c) const
{
    switch (screenSize)
    {
        case 0: return v;
        case 1: return static_cast<int> (static_cast<float> (v) * SCALE[1]) + a;
        case 2: return static_cast<int> (static_cast<float> (v) * SCALE[2]) + b;
        case 3: return static_cast<int> (static_cast<float> (v) * SCALE[3]) + c;
        default: return v;
    }
}

float uEditor::getScaled (float v, int a, int b, int c) const
{
    switch (screenSize)
    {
        case 0: return v;
        case 1: return v * SCALE[1] + static_cast<float> (a);
        case 2: return v * SCALE[2] + static_cast<float> (b);
        case 3: return v * SCALE[3] + static_cast<float> (c);
        default: return v;
    }
}

bool uEditor::getBackRegValue (const std::string& key, bool defaultOn)
{
    char text[kPrefStringSize] {};
    loadStringFromPrefs (key.c_str (), text, sizeof text);
    return defaultOn ? text[0] != 'N' : text[0] == 'Y';
}

bool uEditor::getEditChanged () const { return frame != nullptr && model != nullptr && model->getEditChanged (); }

CBitmap* uEditor::getSharedBitmap (int baseId) const
{
    auto it = bitmaps.find (baseId);
    return it != bitmaps.end () ? it->second.get () : nullptr;
}

int uEditor::currentModifiers () const
{
    const uint32_t window = getFrameWindow ();
    auto* connection = window != 0 ? X11::RunLoop::instance ().getXcbConnection () : nullptr;
    if (connection == nullptr)
        return 0;
    auto* reply = xcb_query_pointer_reply (connection, xcb_query_pointer (connection, window), nullptr);
    if (reply == nullptr)
        return 0;
    int bits = 0;
    if (reply->mask & XCB_MOD_MASK_SHIFT)
        bits |= kShift;
    if (reply->mask & XCB_MOD_MASK_CONTROL)
        bits |= kControl;
    if (reply->mask & (XCB_MOD_MASK_1 | XCB_MOD_MASK_5))
        bits |= kAlt;
    std::free (reply);
    return bits;
}

// Open and close --------------------------------------------------------------

bool uEditor::open (void* parentWindow)
{
    if (model == nullptr)
        return false;
    if (frame != nullptr)
        close ();
    model->setEditorOpening (true);
    editorOpen = false;
    lifetime = std::make_shared<int> (0);

    EditorAdapter::open (parentWindow);
    prepareResources ();
    createBitmaps ();
    lastIdleTime = lastProgramStep = getTicks ();
    // The opposite of the state now: the first pass draws the light as it is.
    rememberedEdited = ! model->getEditChanged ();

    CBitmap* background = bitmap (kBmpMainBackground);
    CRect size (0, 0, this->size.width, this->size.height);
    if (background != nullptr && background->getWidth () > 0)
        size = CRect (0, 0, background->getWidth (), background->getHeight ());
    auto* newFrame = new CFrame (size, this);
    newFrame->setBackgroundColor (kBlackCColor);
    newFrame->enableTooltips (true, 100);
    if (! openFrame (newFrame))
    {
        removeBitmaps ();
        model->setEditorOpening (false);
        return false;
    }
    frame->registerKeyboardHook (this);
    frame->registerMouseObserver (this);
    pointerInside = false;
    registerDialogFrame (frame, getScaled (1.0f));
    setUpMenuTheme ();

    CBitmap* panelArt = bitmap (kBmpModPanelBackground);
    CRect panelSize (0, 0, panelArt != nullptr ? panelArt->getWidth () : 0,
                     panelArt != nullptr ? panelArt->getHeight () : 0);
    panelSize.offset (getScaled (layout::kPanel.x), getScaled (layout::kPanel.y));
    panel = new TTiledContainer (panelSize);
    backdrop = new TBackdrop (size, background);
    panel->setBackground (panelArt);
    panel->setTransparency (panelArt == nullptr);

    controls.clear ();
    createControls ();
    dropTag = -1;
    dropReleased = false;
    dropStartValue = 0.0f;
    createBackScreen ();
    screensBuilt = true;
    showBackScreen ();

    model->setEditorOpening (false);
    model->setEditorOpen (true);
    editorOpen = true;
    setOpened (true);
    resumeInProgress = false;
    // Whatever changed before now is covered by the full resynchronisation.
    for (auto& word : pendingTags)
        word.store (0, std::memory_order_relaxed);
    refreshRequested.store (false, std::memory_order_relaxed);
    resume ();
    return true;
}

// Menus in the editor's colours, opaque, at its scale.
void uEditor::setUpMenuTheme ()
{
    GenericOptionMenuTheme theme;
    // VSTGUI sizes a menu's width with a drawing context's default font,
    // the system font: it is set to the menu's size so the entries fit.
    kSystemFont->setSize (std::round (kNormalFont->getSize () * getScaled (1.0f)));
    theme.font = kSystemFont;
    // Just under full alpha: VSTGUI fills a transparent view's background
    // only when its colour is not fully opaque.
    theme.backgroundColor = CColor (38, 40, 44, 254);
    theme.selectedBackgroundColor = CColor (32, 120, 200, 255);
    theme.textColor = CColor (222, 224, 228, 255);
    theme.selectedTextColor = CColor (255, 255, 255, 255);
    theme.titleTextColor = CColor (140, 146, 156, 255);
    theme.disabledTextColor = theme.titleTextColor;
    theme.separatorColor = CColor (70, 74, 82, 255);
    theme.inset = CPoint (getScaled (6.0f), getScaled (6.0f));
    // No fade: a menu is whole from its first frame and gone at once.
    theme.menuAnimationTime = 0;
    if (frame != nullptr && frame->getPlatformFrame () != nullptr)
        frame->getPlatformFrame ()->setupGenericOptionMenu (true, &theme);
}

void uEditor::close ()
{
    if (model == nullptr)
        return;
    if (inIdle && frame != nullptr)
    {
        // Called back from inside an event this editor is serving: the frame
        // is still on the stack. The editor stops now (its menus and dialogs
        // end, its window goes) and the frame goes when the pass unwinds.
        closeDeferred = true;
        lifetime.reset ();
        menuShowing = false;
        setOpened (false);
        unregisterDialogFrame (frame);
        model->setEditorOpen (false);
        editorOpen = false;
        if (const uint32_t window = getFrameWindow ())
            if (auto* connection = X11::RunLoop::instance ().getXcbConnection ())
            {
                xcb_unmap_window (connection, window);
                xcb_flush (connection);
            }
        return;
    }
    // Menus, dialogs and desktop programs still open end unanswered.
    lifetime.reset ();
    deferred.clear ();
    tasks.clear ();
    menuShowing = false;
    // The audio thread stops calling in before anything is released.
    setOpened (false);
    if (frame != nullptr)
    {
        frame->unregisterKeyboardHook (this);
        frame->unregisterMouseObserver (this);
        unregisterDialogFrame (frame);
    }
    model->setEditorOpening (false);
    model->setEditorOpen (false);
    editorOpen = false;
    screensBuilt = false;
    editedControl = nullptr;
    if (panel != nullptr)
    {
        panel->removeAll ();
        panel->forget ();
        panel = nullptr;
    }
    if (backdrop != nullptr)
    {
        backdrop->forget ();
        backdrop = nullptr;
    }
    if (frame != nullptr)
        frame->removeAll ();
    closeFrame ();
    releaseStripFrames ();
    removeBitmaps ();
    controls.clear ();
    removeControls ();
    EditorAdapter::close ();
}

// Notifications from the plug-in (any thread) -------------------------------------

void uEditor::setParameter (int tag, float)
{
    if (! isValidTag (tag))
        return;
    pendingTags[static_cast<std::size_t> (tag) / 32].fetch_or (1u << (tag % 32), std::memory_order_relaxed);
}

void uEditor::setEditTag (int tag) { pendingEditTag.store (isValidTag (tag) ? tag : -1, std::memory_order_relaxed); }

void uEditor::refreshAll () { requestRefresh (); }

void uEditor::setDisruptValue (float value) { disruptNotice.store (value, std::memory_order_relaxed); }

void uEditor::applyPendingChanges ()
{
    const int editTag = pendingEditTag.exchange (-2, std::memory_order_relaxed);
    if (editTag == -1)
        editedControl = nullptr;
    else if (editTag >= 0)
        for (const auto& entry : controls)
            if (entry.control->getTag () == editTag)
            {
                editedControl = entry.control;
                break;
            }
    for (std::size_t word = 0; word < pendingTags.size (); ++word)
    {
        uint32_t bits = pendingTags[word].exchange (0, std::memory_order_relaxed);
        while (bits != 0)
        {
            const int bit = __builtin_ctz (bits);
            bits &= bits - 1;
            applyParameter (static_cast<int> (word) * 32 + bit);
        }
    }
}

void uEditor::applyParameter (int tag)
{
    if (frame == nullptr || model == nullptr || ! editorOpen)
        return;
    switch (tag)
    {
        case tag::ReverbPreset:
        case tag::DisruptQuantization:
        case tag::DisruptSpringTime:
        case tag::LazyMode:
        case tag::LazyTrigger:
        case tag::FollowerSource:
            for (auto* menu : mainMenus)
                if (menu != nullptr && menu->getTag () == tag)
                {
                    menu->setValue (static_cast<float> (model->getSteppedValue (tag)));
                    menu->setDirty ();
                }
            return;
        case tag::FollowerDest:
            if (TOptionMenu* menu = menuFor (tag::FollowerDest))
                menu->setString (std::string (nameAt (DEST_STR, model->getSteppedValue (tag))));
            return;
        case tag::ModSlot1Source:
        case tag::ModSlot1Dest:
        case tag::ModSlot2Source:
        case tag::ModSlot2Dest: modPanelDirty = true; return;
        default: break;
    }
    const float v = model->getParameter (tag) * valueScale;
    for (const auto& entry : controls)
        if (entry.control->getTag () == tag)
            entry.control->setValue (v);
}

// Resume and idle -------------------------------------------------------------------

void uEditor::resume ()
{
    if (model == nullptr || frame == nullptr || ! editorOpen || resumeInProgress)
        return;
    resumeInProgress = true;
    if (currentScreen != kBackScreen && presetMenu != nullptr)
        updatePresetMenu ();
    if (currentScreen == kMainScreen)
    {
        for (auto* menu : mainMenus)
            if (menu != nullptr)
            {
                if (menu->getTag () == tag::FollowerDest)
                    setMenuResume (menu, DEST_STR);
                else
                    setMenuResume (menu);
            }
        setRadioPair (0, model->getSteppedValue (tag::EarlyPath));
        setRadioPair (1, model->getSteppedValue (tag::LatePath));
        modPanelDirty = true;
    }
    for (const auto& entry : controls)
    {
        const int tag = entry.control->getTag ();
        if (! isValidTag (tag) || entry.kind == kKindMenu)
            continue;
        const float v = model->getParameter (tag);
        if (std::fabs (entry.control->getValue () - v) > 0.00001f)
        {
            entry.control->setValue (v);
            entry.control->setDirty ();
        }
    }
    resumeInProgress = false;
}

void uEditor::idle ()
{
    if (inIdle)
        return;
    inIdle = true;
    idlePass ();
    inIdle = false;
    // A close asked for from inside one of this pass's events (a host
    // answering a menu or dialog) tears the frame down now it is unwound.
    if (closeDeferred)
    {
        closeDeferred = false;
        close ();
    }
}

void uEditor::idlePass ()
{
    serveRunLoop ();
    // The closing key let through belongs to a menu still showing, or none.
    if (frame != nullptr && frame->getModalView () != closingMenu)
        closingMenu = nullptr;
    runDeferred ();
    serveTasks ();
    applyPendingChanges ();
    if (frame == nullptr || model == nullptr || ! editorOpen || ! screensBuilt)
        return;
    const uint32_t now = getTicks ();
    if (resumeInProgress || model->getIsSettingPreset () || now - lastIdleTime <= kIdleIntervalMs - 1)
        return;
    lastIdleTime = now;
    ++passesRun;

    CView* underMouse = viewUnderMouse ();
    serveDragAndDrop (underMouse);

    if (currentScreen != kBackScreen)
        pollTopBar ();

    // Rebuilding the screen would take a menu or dialog showing with it:
    // the refresh waits until none shows.
    if (frame->getModalView () == nullptr && refreshRequested.exchange (false, std::memory_order_relaxed))
    {
        resume ();
        if (currentScreen == kMainScreen)
            showMainScreen ();
    }

    if (currentScreen == kMainScreen && frame != nullptr)
    {
        if (disruptSlider != nullptr)
            disruptSlider->setVal ();
        pollMainScreen (now);
    }

    if (tooltipsOn)
    {
        serveTooltips (underMouse);
        updateTooltipOverlay (underMouse, now);
    }

    EditorAdapter::idle ();
    // VSTGUI redraws on a 16 ms timer: fire it now, so what this pass
    // invalidated is drawn in this pass and repaints stay 40 ms apart.
    RunLoop::instance ().fireTimersDueWithin (16);
}

// The edited state and the level meters of the top bar.
void uEditor::pollTopBar ()
{
    const bool edited = model->getEditChanged ();
    if (rememberedEdited != edited && editedButton != nullptr)
    {
        rememberedEdited = edited;
        editedButton->setBackground (bitmap (edited ? kBmpEditedPresetOn : kBmpEditedPresetOff));
        editedButton->setDirty ();
    }
    for (int i = 0; i < 4; ++i)
        if (meters[i] != nullptr)
            meters[i]->setVuValue (model->getVUValues (i));
}

// Texts that follow other settings, the modulation rings and the follower meters.
void uEditor::pollMainScreen (uint32_t now)
{
    for (int t : layout::kValueTextTags)
        for (auto* knob : mainKnobs)
            if (knob != nullptr && knob->getTag () == t)
                knob->setValueString (model->getDisplayText (t).c_str ());
    if (disruptSlider != nullptr)
        disruptSlider->setModValue (model->getDisruptModValue (), static_cast<int> (now / 10));
    for (int i = 0; i < 8; ++i)
        if (TKnob* knob = knobFor (tag::Disrupt1Amount + i))
            knob->setString (std::string (nameAt (DEST_SHORT_STR, model->getSteppedValue (tag::Disrupt1Dest + i))));
    if (TOptionMenu* spring = menuFor (tag::DisruptSpringTime))
        spring->setBypassed (model->getOnOff (tag::LazyOn));
    if (modPanelDirty)
    {
        showModScreen ();
        modPanelDirty = false;
    }
    auto ring = [&] (TKnob* knob) {
        if (knob != nullptr)
            knob->setModValue (model->getDialMod (knob->getTag (), dialAnimation));
    };
    for (auto* knob : mainKnobs)
        ring (knob);
    ring (slotKnobs[0]);
    ring (slotKnobs[1]);
    for (int i = 4; i < 6; ++i)
        if (meters[i] != nullptr)
            meters[i]->setVuValue (model->getVUValues (i));
}

CView* uEditor::viewUnderMouse ()
{
    if (editedControl != nullptr)
        return editedControl;
    if (frame == nullptr || ! pointerInside)
        return nullptr;
    const CPoint where = pointer;
    CView* view = frame->getViewAt (where, GetViewOptions ().deep ());
    if (view != nullptr && view == tooltip)
        view = hoverView;
    if (view == panel && panel != nullptr)
    {
        CPoint local (where);
        panel->frameToLocal (local);
        if (CView* inner = panel->getViewAt (local))
            view = inner;
    }
    return view;
}

void uEditor::onMouseExited (CView* view, CFrame* exited)
{
    if (view == exited)
        pointerInside = false;
}

CMouseEventResult uEditor::onMouseMoved (CFrame*, const CPoint& where, const CButtonState&)
{
    pointer = where;
    pointerInside = true;
    return kMouseEventNotHandled;
}

// Drag-and-drop of modulation destinations -------------------------------------------

void uEditor::setDropTag (int tag)
{
    dropTag = tag;
    if (tag != -1)
    {
        dropStartValue = model != nullptr ? model->getParameter (tag) : 0.0f;
        dropReleased = false;
    }
}

TKnob* uEditor::knobFor (int tag) const
{
    for (TKnob* knob : mainKnobs)
        if (knob != nullptr && knob->getTag () == tag)
            return knob;
    return nullptr;
}

TOptionMenu* uEditor::menuFor (int tag) const
{
    for (TOptionMenu* menu : mainMenus)
        if (menu != nullptr && menu->getTag () == tag)
            return menu;
    return nullptr;
}

int uEditor::destinationTagOf (CView* view) const
{
    if (view == nullptr)
        return -1;
    for (int i = 0; i < 8; ++i)
        if (view != nullptr && view == knobFor (tag::Disrupt1Amount + i))
            return tag::Disrupt1Dest + i;
    if (view == menuFor (tag::FollowerDest))
        return tag::FollowerDest;
    if (view == slotDestMenus[0])
        return tag::ModSlot1Dest;
    if (view == slotDestMenus[1])
        return tag::ModSlot2Dest;
    return -1;
}

void uEditor::serveDragAndDrop (CView* underMouse)
{
    const int target = destinationTagOf (underMouse);
    if (target != -1 && dropTag != -1 && model != nullptr)
    {
        if (getDropFlag (dropTag) && dragDropOn)
        {
            model->editParameter (dropTag, dropStartValue);
            if (isValidTag (dropTag))
                model->setSteppedValue (target, model->getParameterDest (dropTag));
        }
        dropTag = -1;
    }
    if (dropReleased)
    {
        dropTag = -1;
        dropReleased = false;
    }
}

// Tooltips ---------------------------------------------------------------------------

void uEditor::serveTooltips (CView* underMouse)
{
    if (underMouse == nullptr || model == nullptr)
        return;
    for (const auto& entry : controls)
        if (entry.tooltip && entry.control == underMouse && isValidTag (entry.control->getTag ()))
        {
            const int t = entry.control->getTag ();
            const std::string text = model->table ().getName (t) + ": " + model->getDisplayText (t).c_str ();
            underMouse->setTooltipText (text.c_str ());
            return;
        }
    for (const auto& n : named)
        if (n.view == underMouse)
        {
            underMouse->setTooltipText ((n.extra.empty () ? n.label : n.label + " : " + n.extra).c_str ());
            return;
        }
}

namespace {

std::string tooltipText (CView* view)
{
    uint32_t size = 0;
    if (view == nullptr || ! view->getAttributeSize (kCViewTooltipAttribute, size) || size == 0)
        return {};
    std::string text (size, '\0');
    view->getAttribute (kCViewTooltipAttribute, size, text.data (), size);
    return text.c_str ();
}

} // namespace

void uEditor::hideTooltip ()
{
    if (tooltip != nullptr && tooltip->isAttached () && frame != nullptr)
    {
        frame->removeView (tooltip, true);
    }
}

std::string uEditor::shownTooltip () const
{
    return tooltip != nullptr && tooltip->isAttached () ? tooltip->getText () : std::string {};
}

void uEditor::updateTooltipOverlay (CView* underMouse, uint32_t now)
{
    if (frame == nullptr)
        return;
    if (tooltip == nullptr)
    {
        tooltip = new TTooltip (getScaled (1.0f));
        owned.push_back (tooltip);
    }
    const CPoint where = pointer;
    if (underMouse != hoverView || where != hoverPoint || editedControl != nullptr)
    {
        hoverView = underMouse;
        hoverPoint = where;
        hoverSince = now;
        hideTooltip ();
        return;
    }
    const std::string text = tooltipText (underMouse);
    if (text.empty ())
    {
        hideTooltip ();
        return;
    }
    if (tooltip->isAttached () && tooltip->getText () == text)
        return;
    if (now - hoverSince < kTooltipDelayMs)
        return;
    tooltip->setText (text, where, frame->getViewSize (), frame);
    if (! tooltip->isAttached ())
        addTo (frame, tooltip);
}

// Screen size ------------------------------------------------------------------------

void uEditor::setScreenSize (int index)
{
    if (index < 0 || index >= kScreenSizes)
        return;
    static const char* keys[kScreenSizes] = {PREF_BIG_100, PREF_BIG_125, PREF_BIG_150, PREF_BIG_200};
    static const char* texts[kScreenSizes] = {"100% Screen Size", "125% Screen Size", "150% Screen Size",
                                              "200% Screen Size"};
    for (const char* key : keys)
        saveBoolToPrefs (key, false);
    saveBoolToPrefs (keys[index], true);
    messageBox (std::string ("When you next open Morlake, it'll open in ") + texts[index] + " Mode");
}

} // namespace morlake
