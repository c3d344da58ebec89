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

// TKnob ------------------------------------------------------------------------

TKnob::TKnob (const CRect& size, CCoord imageHeightIn, IControlListener* listener, int32_t tag, CBitmap* knobStrip,
              CBitmap* ringStrip, const CPoint& offset, int imagesIn, int screenSizeIn, int insetIn, int textXIn,
              int textYIn)
: RepaintsParts (size, listener, tag, imagesIn, imageHeightIn, knobStrip, offset),
  ring (ringStrip),
  imageHeight (imageHeightIn),
  images (imagesIn < 2 ? 2 : imagesIn),
  screenSize (clampSize (screenSizeIn)),
  inset (insetIn),
  textX (textXIn),
  textY (textYIn),
  lastImage (images - 1),
  imageCount (static_cast<float> (images)),
  textColor (READOUT_TEXT_COLOR),
  bypassedTextColor (READOUT_TEXT_TRANS_COLOR)
{
    setWantsFocus (false);
}

void TKnob::setModValue (float v)
{
    if (! (v >= 0.0f)) // negative or NaN
        v = 0.0f;
    if (v > 1.0f)
        v = 1.0f;
    const int index = static_cast<int> (static_cast<float> (lastImage) * v + 0.1f);
    if (index != ringIndex)
    {
        ringIndex = index;
        // The ring alone moved: its texts stay as they are drawn.
        repaintParts (imageRect (), imageRect ());
    }
}

CRect TKnob::imageRect () const
{
    const CRect& view = getViewSize ();
    CRect image (view.left + inset / 2, view.top, 0, 0);
    image.setWidth (getBackground () != nullptr ? getBackground ()->getWidth () : view.getWidth ());
    image.setHeight (imageHeight);
    return image;
}

void TKnob::setString (const std::string& text)
{
    const std::string t = orBlank (text);
    if (t != label)
    {
        label = t;
        setDirty ();
    }
}

void TKnob::setValueString (const std::string& text)
{
    const std::string t = orBlank (text);
    if (t != valueText)
    {
        valueText = t;
        setDirty ();
    }
}

void TKnob::setBlue ()
{
    textColor = BLUE_READOUT_TEXT_COLOR;
    bypassedTextColor = BLUE_READOUT_TEXT_TRANS_COLOR;
}

void TKnob::setBypass (bool a, bool b)
{
    const bool state = a != b;
    if (state != bypassed)
    {
        bypassed = state;
        setDirty ();
    }
}

int TKnob::getImageIndex () const
{
    int i = static_cast<int> (imageCount * getValueNormalized ());
    if (i >= images - 1)
        i = images - 2;
    return i < 0 ? 0 : i;
}

void TKnob::draw (CDrawContext* context)
{
    counter.count ();
    auto* plugin = modelOf (this);
    if (plugin == nullptr)
    {
        setDirty (false);
        return;
    }
    const CRect& view = getViewSize ();
    const CRect image = imageRect ();
    CBitmap* knob = getBackground ();
    if (! bypassed)
    {
        if (ring != nullptr && ringIndex >= 0)
            drawStripFrame (context, ring, static_cast<int> (imageHeight), ringIndex, image);
        drawStripFrame (context, knob, static_cast<int> (imageHeight), getImageIndex (), image);
    }
    else
        drawStripFrame (context, knob, static_cast<int> (imageHeight), getImageIndex (), image, kBypassedAlpha);

    CFontRef font = fontForSize (screenSize);
    context->setFontColor (bypassed ? bypassedTextColor : textColor);
    valueText = orBlank (plugin->getDisplayText (getTag ()).c_str ());
    // Centred where the nudge puts it, and as wide as fits in the view on
    // both sides of that centre: nothing is cut at the view's edges.
    const CCoord centre = view.left + textX + view.getWidth () / 2;
    const CCoord half = std::max<CCoord> (0, std::min (centre - view.left, view.right - centre));
    CRect text (centre - half, view.top + textY + imageHeight, centre + half, 0);
    text.setHeight (std::ceil (font->getSize ()));
    drawFitted (context, valueText, text, font);
    text.offset (0, KNOB_LABEL_OFFSET[screenSize]);
    drawFitted (context, label, text, font);
    setDirty (false);
}

float TKnob::sensitivityFor (int buttons) const
{
    const float range = getMax () - getMin ();
    return (buttons & kButtonShift) != 0 ? range / 10000.0f : range / 200.0f;
}

CMouseEventResult TKnob::onMouseDown (CPoint& where, const CButtonState& buttons)
{
    auto* editor = editorOf (this);
    auto* plugin = editor != nullptr ? editor->getModel () : nullptr;
    if (! getMouseEnabled () || getTag () == kNoParameterTag || plugin == nullptr || bypassed)
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;

    if (where.y - getViewSize ().top <= imageHeight)
    {
        if (buttons.isRightButton () || (buttonBits (buttons) & kButtonControl) != 0)
        {
            editor->showMIDIMenu (this, where);
            return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
        }
        beginEdit ();
        if (! isCommandClick (buttons))
        {
            if (editor->getDropFlag (getTag ()))
                editor->setDropTag (getTag ());
            dragStart = where;
            lastPoint = CPoint (-1, -1);
            dragStartValue = getValue ();
            sensitivity = sensitivityFor (buttonBits (buttons) | editor->currentModifiers ());
            return onMouseMoved (where, buttons);
        }
        const float before = getValue ();
        setValue (getDefaultValue ());
        if (getValue () != before || isDirty ())
            valueChanged ();
        endEdit ();
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }

    const int tag = getTag ();
    if ((tag == tag::ReverbPreDelay && plugin->getOnOff (tag::ReverbPreDelaySync)) ||
        (tag == tag::LateLength && plugin->getOnOff (tag::LateLengthSync)) ||
        (tag == tag::LazySpeed && plugin->getOnOff (tag::LazySync)))
        editor->showSyncedMenu (tag);
    else if (tag >= tag::Disrupt1Amount && tag < tag::Disrupt1Amount + 8)
        editor->showDestMenu (where, tag::Disrupt1Dest + (tag - tag::Disrupt1Amount), tag - tag::Disrupt1Amount);
    else
        editor->setNumValue (tag);
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CMouseEventResult TKnob::onMouseMoved (CPoint& where, const CButtonState& buttons)
{
    if (! buttons.isLeftButton ())
        return kMouseEventHandled;
    if (where == lastPoint)
        return kMouseEventHandled;
    lastPoint = where;
    auto* editor = editorOf (this);
    const int modifiers = buttonBits (buttons) | (editor != nullptr ? editor->currentModifiers () : 0);
    const float s = sensitivityFor (modifiers);
    const float dy = static_cast<float> (dragStart.y - where.y);
    // Rebasing keeps the value continuous when Shift changes mid-drag.
    dragStartValue = (sensitivity - s) * dy + dragStartValue;
    sensitivity = s;
    setValue (s * dy + dragStartValue);
    bounceValue ();
    valueChanged ();
    if (isDirty ())
        invalid ();
    return kMouseEventHandled;
}

CMouseEventResult TKnob::onMouseUp (CPoint&, const CButtonState&)
{
    endEdit ();
    setDirty ();
    if (auto* editor = editorOf (this))
        if (editor->getDropFlag (getTag ()))
            editor->releasedDropDial ();
    return kMouseEventHandled;
}

} // namespace morlake
