#include "editor/Controls.h"

#include "editor/ControlSupport.h"
#include "editor/EditorClock.h"
#include "editor/RunLoop.h"
#include "dsp/TModulation.h"
#include "instance/EditorModel.h"
#include "layout/BitmapIds.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/coffscreencontext.h"
#include "vstgui/lib/platform/iplatformbitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace morlake {

using namespace VSTGUI;
using namespace controls;

// TOptionMenu ------------------------------------------------------------------

TOptionMenu::TOptionMenu (const CRect& size, IControlListener* listener, int32_t tag, CBitmap* background,
                          CBitmap* backgroundWhenClicked, int32_t style, int screenSizeIn, bool centred, bool arrows)
: COptionMenu (size, listener, tag, background, backgroundWhenClicked, style),
  screenSize (clampSize (screenSizeIn)),
  textColor (READOUT_TEXT_COLOR),
  align (centred ? kCenterText : kLeftText),
  arrowZone (static_cast<int> (SCALE[screenSize] * 20.0f)),
  arrowMode (arrows)
{
    setWantsFocus (false);
}

void TOptionMenu::setArrow ()
{
    arrowMode = true;
    presetMode = false;
    folderMode = false;
}

void TOptionMenu::setPresetMenu ()
{
    presetMode = true;
    arrowMode = false;
    folderMode = false;
    align = kLeftText;
}

void TOptionMenu::setFolderMenu ()
{
    folderMode = true;
    arrowMode = false;
    presetMode = false;
    align = kLeftText;
}

void TOptionMenu::setBlue () { textColor = BLUE_READOUT_TEXT_COLOR; }

void TOptionMenu::setString (const char* t) { setString (std::string (t != nullptr ? t : "")); }

void TOptionMenu::setString (const std::string& t)
{
    text = orBlank (t);
    setDirty ();
}

void TOptionMenu::setBypassed (bool state)
{
    if (state != bypassed)
    {
        bypassed = state;
        setDirty ();
    }
}

std::string TOptionMenu::shownText () const
{
    if (! text.empty ())
        return text;
    if (getNbEntries () > 0)
        if (CMenuItem* item = getCurrent ())
        {
            const std::string title = item->getTitle ().getString ();
            const auto skip = static_cast<std::size_t> (getPrefixNumbers ());
            return skip < title.size () ? title.substr (skip) : std::string {};
        }
    return {};
}

void TOptionMenu::arrowMetrics (CCoord& w, CCoord& h) const
{
    w = h = 0;
    auto* editor = editorOf (this);
    if (editor == nullptr)
        return;
    CBitmap* a = editor->getSharedBitmap (kBmpMenuArrowPrevious);
    CBitmap* b = editor->getSharedBitmap (kBmpMenuArrowNext);
    if (a != nullptr)
        w = a->getWidth ();
    if (b != nullptr)
        h = b->getHeight () / 2;
}

void TOptionMenu::draw (CDrawContext* context)
{
    counter.count ();
    if (getTag () == kInvisibleMenuTag)
    {
        setDirty (false);
        return;
    }
    const CRect& view = getViewSize ();
    CCoord w = 0, h = 0;
    arrowMetrics (w, h);
    if (auto* editor = editorOf (this); editor != nullptr && (arrowMode || presetMode || folderMode))
    {
        CBitmap* a = editor->getSharedBitmap (kBmpMenuArrowPrevious);
        CBitmap* b = editor->getSharedBitmap (kBmpMenuArrowNext);
        const CCoord y = view.top + std::trunc ((view.getHeight () - h) / 2);
        CCoord ax = view.left, bx = view.left;
        if (arrowMode)
            bx = view.right - (b != nullptr ? b->getWidth () : 0);
        else if (presetMode)
        {
            ax = view.right - 2 * w;
            bx = view.right - w;
        }
        else
            bx = view.left + w;
        if (a != nullptr)
            a->draw (context, CRect (ax, y, ax + a->getWidth (), y + h), CPoint (0, 0));
        if (b != nullptr)
            b->draw (context, CRect (bx, y, bx + b->getWidth (), y + h), CPoint (0, 0));
    }

    CFontRef font = fontForSize (screenSize);
    context->setFont (font, 0, kBoldFace);
    context->setFontColor (textColor);
    CRect area (view.left, view.top + std::trunc ((view.getHeight () - font->getSize ()) / 2), view.right, 0);
    area.setHeight (font->getSize ());
    if (folderMode)
        area.left += 2 * w;
    const std::string shown = bypassed ? std::string ("---") : shownText ();
    context->drawString (shown.c_str (), area, align, true);
    setDirty (false);
}

CMouseEventResult TOptionMenu::onMouseDown (CPoint& where, const CButtonState& buttons)
{
    constexpr auto done = kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    auto* editor = editorOf (this);
    auto* plugin = editor != nullptr ? editor->getModel () : nullptr;
    if (! getMouseEnabled () || plugin == nullptr)
        return done;
    const int bits = buttonBits (buttons);
    const CCoord x = where.x - getViewSize ().left;
    const CCoord width = getViewSize ().getWidth ();
    if (arrowMode)
    {
        if (x < arrowZone)
        {
            (bits & kButtonShift) != 0 ? plugin->setSteppedValue (getTag (), 0) : plugin->changeDelta (getTag (), -1);
            return done;
        }
        if (x > width - arrowZone)
        {
            (bits & kButtonShift) != 0 ? plugin->setSteppedValueMax (getTag ()) : plugin->changeDelta (getTag (), 1);
            return done;
        }
    }
    CCoord w = 0, h = 0;
    arrowMetrics (w, h);
    if (presetMode && x >= width - 2 * w)
    {
        editor->changeProgramDelta (x >= width - w ? 1 : -1);
        return done;
    }
    if (folderMode && x < 2 * w)
        return done;

    if ((bits & kButtonCommand) != 0)
    {
        plugin->setToDefault (getTag ());
        return done;
    }
    if ((bits & (kButtonShift | kButtonOption | kButtonControl)) != 0 && getListener () != nullptr &&
        getListener ()->controlModifierClicked (this, buttons) != 0)
        return done;
    if (rightClickOpensMenu (this, where, buttons))
        return done;
    if ((bits & (kButtonLeft | kButtonControl)) != 0 && getFrame () != nullptr && getNbEntries () > 0)
    {
        beginEdit ();
        if (editor != nullptr)
            editor->markCurrentChoice (this);
        auto self = shared (this);
        // VSTGUI's Linux menu is a modal view of the frame and answers later;
        // it is opened once the click that asked for it is handled, and the
        // edit ends when it closes, chosen or not.
        auto pop = [self] () {
            if (! self->popup ([] (COptionMenu* menu) { menu->endEdit (); }))
                self->endEdit ();
            else
                releaseMenuGrab (self->getFrame ());
        };
        if (! getFrame ()->doAfterEventProcessing (pop))
            pop ();
    }
    return done;
}

void TOptionMenu::valueChanged ()
{
    if (getLastResult () < 0)
        return;
    COptionMenu::valueChanged ();
}

bool TOptionMenu::onWheel (const CPoint&, const CMouseWheelAxis&, const float& distance, const CButtonState&)
{
    auto* editor = editorOf (this);
    auto* plugin = editor != nullptr ? editor->getModel () : nullptr;
    if (plugin == nullptr)
        return false;
    const int d = -static_cast<int> (signOf (distance));
    if (presetMode)
        editor->changeProgramDelta (d);
    else if (folderMode)
        editor->changeFolderDelta (d);
    plugin->changeDelta (getTag (), d);
    return true;
}

} // namespace morlake
