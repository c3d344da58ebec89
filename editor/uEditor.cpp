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

uEditor::uEditor (EditorModel* e)
: EditorAdapter (e),
  settings (EditorSettings::fromPreferences ()),
  screens (e, this, settings),
  menus (*this, screens, queue, settings)
{
    installMessageWindows ();
    menus.onMenuOpening ([this] { hideTooltip (); });

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
    queue.start ();

    EditorAdapter::open (parentWindow);
    prepareResources ();
    screens.loadBitmaps ();
    lastIdleTime = lastProgramStep = getTicks ();
    // The opposite of the state now: the first pass draws the light as it is.
    rememberedEdited = ! model->getEditChanged ();

    CBitmap* background = screens.bitmap (kBmpMainBackground);
    CRect size (0, 0, this->size.width, this->size.height);
    if (background != nullptr && background->getWidth () > 0)
        size = CRect (0, 0, background->getWidth (), background->getHeight ());
    auto* newFrame = new CFrame (size, this);
    newFrame->setBackgroundColor (kBlackCColor);
    newFrame->enableTooltips (true, 100);
    if (! openFrame (newFrame))
    {
        screens.release ();
        model->setEditorOpening (false);
        return false;
    }
    frame->registerKeyboardHook (this);
    frame->registerMouseObserver (this);
    pointerInside = false;
    registerDialogFrame (frame, getScaled (1.0f));
    setUpMenuTheme ();

    screens.build (size);
    dropTag = -1;
    dropReleased = false;
    dropStartValue = 0.0f;
    showBackScreen ();

    model->setEditorOpening (false);
    model->setEditorOpen (true);
    editorOpen = true;
    setOpened (true);
    resumeInProgress = false;
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
        queue.expire ();
        menus.closed ();
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
    queue.stop ();
    menus.closed ();
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
    editedControl = nullptr;
    screens.releaseContainers ();
    if (frame != nullptr)
        frame->removeAll ();
    closeFrame ();
    releaseStripFrames ();
    screens.release ();
    tooltip = nullptr;
    hoverView = nullptr;
    EditorAdapter::close ();
}

// Notifications from the plug-in (any thread) -------------------------------------

void uEditor::setParameter (int tag, float) { queue.noteParameter (tag); }

void uEditor::setEditTag (int tag) { queue.noteEditTag (tag); }

void uEditor::refreshAll () { queue.requestRefresh (); }

void uEditor::applyPendingChanges ()
{
    const int editTag = queue.takeEditTag ();
    if (editTag == -1)
        editedControl = nullptr;
    else if (editTag >= 0)
        for (const auto& entry : screens.registry ())
            if (entry.control->getTag () == editTag)
            {
                editedControl = entry.control;
                break;
            }
    queue.takeParameters ([this] (int tag) { applyParameter (tag); });
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
            for (auto* menu : screens.views ().mainMenus)
                if (menu != nullptr && menu->getTag () == tag)
                {
                    menu->setValue (static_cast<float> (model->getSteppedValue (tag)));
                    menu->setDirty ();
                }
            return;
        case tag::FollowerDest:
            if (TOptionMenu* menu = screens.menuFor (tag::FollowerDest))
                menu->setString (std::string (nameAt (DEST_STR, model->getSteppedValue (tag))));
            return;
        case tag::ModSlot1Source:
        case tag::ModSlot1Dest:
        case tag::ModSlot2Source:
        case tag::ModSlot2Dest: modPanelDirty = true; return;
        default: break;
    }
    const float v = model->getParameter (tag) * valueScale;
    for (const auto& entry : screens.registry ())
        if (entry.control->getTag () == tag)
            entry.control->setValue (v);
}

// Resume and idle -------------------------------------------------------------------

void uEditor::resume ()
{
    if (model == nullptr || frame == nullptr || ! editorOpen || resumeInProgress)
        return;
    resumeInProgress = true;
    if (screens.current () != EditorScreens::kBackScreen)
        screens.showCurrentPreset ();
    if (screens.current () == EditorScreens::kMainScreen)
    {
        screens.resumeMenus ();
        modPanelDirty = true;
    }
    for (const auto& entry : screens.registry ())
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
    // A command may defer others (a menu choice opening a dialog): those
    // wait for the next pass.
    queue.runDeferred ([this] { return frame != nullptr && editorOpen; });
    queue.serveTasks ();
    applyPendingChanges ();
    if (frame == nullptr || model == nullptr || ! editorOpen || ! screens.isBuilt ())
        return;
    const uint32_t now = getTicks ();
    if (resumeInProgress || model->getIsSettingPreset () || now - lastIdleTime <= kIdleIntervalMs - 1)
        return;
    lastIdleTime = now;
    ++passesRun;

    CView* underMouse = viewUnderMouse ();
    serveDragAndDrop (underMouse);

    if (screens.current () != EditorScreens::kBackScreen)
        pollTopBar ();

    // Rebuilding the screen would take a menu or dialog showing with it:
    // the refresh waits until none shows.
    if (frame->getModalView () == nullptr && queue.takeRefresh ())
    {
        resume ();
        if (screens.current () == EditorScreens::kMainScreen)
            showMainScreen ();
    }

    if (screens.current () == EditorScreens::kMainScreen && frame != nullptr)
    {
        if (auto* slider = screens.views ().disruptSlider)
            slider->setVal ();
        pollMainScreen (now);
    }

    if (settings.tooltipsOn)
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
    const EditorViews& v = screens.views ();
    const bool edited = model->getEditChanged ();
    if (rememberedEdited != edited && v.editedButton != nullptr)
    {
        rememberedEdited = edited;
        v.editedButton->setBackground (screens.bitmap (edited ? kBmpEditedPresetOn : kBmpEditedPresetOff));
        v.editedButton->setDirty ();
    }
    for (int i = 0; i < 4; ++i)
        if (v.meters[i] != nullptr)
            v.meters[i]->setVuValue (model->getVUValues (i));
}

// Texts that follow other settings, the modulation rings and the follower meters.
void uEditor::pollMainScreen (uint32_t now)
{
    const EditorViews& v = screens.views ();
    for (int t : layout::kValueTextTags)
        for (auto* knob : v.mainKnobs)
            if (knob != nullptr && knob->getTag () == t)
                knob->setValueString (model->getDisplayText (t).c_str ());
    if (v.disruptSlider != nullptr)
        v.disruptSlider->setModValue (model->getDisruptModValue (), static_cast<int> (now / 10));
    for (int i = 0; i < 8; ++i)
        if (TKnob* knob = screens.knobFor (tag::Disrupt1Amount + i))
            knob->setString (std::string (nameAt (DEST_SHORT_STR, model->getSteppedValue (tag::Disrupt1Dest + i))));
    if (TOptionMenu* spring = screens.menuFor (tag::DisruptSpringTime))
        spring->setBypassed (model->getOnOff (tag::LazyOn));
    if (modPanelDirty)
    {
        screens.showModPanel ();
        modPanelDirty = false;
    }
    auto ring = [&] (TKnob* knob) {
        if (knob != nullptr)
            knob->setModValue (model->getDialMod (knob->getTag (), settings.dialAnimation));
    };
    for (auto* knob : v.mainKnobs)
        ring (knob);
    ring (v.slotKnobs[0]);
    ring (v.slotKnobs[1]);
    for (int i = 4; i < 6; ++i)
        if (v.meters[i] != nullptr)
            v.meters[i]->setVuValue (model->getVUValues (i));
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
    CViewContainer* panel = screens.views ().panel;
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

void uEditor::serveDragAndDrop (CView* underMouse)
{
    const int target = screens.destinationTagOf (underMouse);
    if (target != -1 && dropTag != -1 && model != nullptr)
    {
        if (getDropFlag (dropTag) && settings.dragDropOn)
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
    for (const auto& entry : screens.registry ())
        if (entry.tooltip && entry.control == underMouse && isValidTag (entry.control->getTag ()))
        {
            const int t = entry.control->getTag ();
            const std::string text = model->table ().getName (t) + ": " + model->getDisplayText (t).c_str ();
            underMouse->setTooltipText (text.c_str ());
            return;
        }
    for (const auto& n : screens.namedViews ())
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
        screens.own (tooltip);
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
        EditorScreens::addTo (frame, tooltip);
}

// Screens ------------------------------------------------------------------------

void uEditor::showMainScreen () { screens.showMain (frame); }

void uEditor::showBackScreen () { screens.showBack (frame); }

void uEditor::hideBackScreen ()
{
    if (frame == nullptr)
        return;
    showMainScreen ();
    frame->setDirty ();
}

} // namespace morlake
