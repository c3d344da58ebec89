#include "editor/Controls.h"

#include "layout/BitmapIds.h"
#include "editor/EditorClock.h"
#include "editor/RunLoop.h"
#include "dsp/TModulation.h"
#include "instance/EditorModel.h"

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

const CColor READOUT_TEXT_COLOR (136, 136, 136, 255);
const CColor READOUT_TEXT_TRANS_COLOR (136, 136, 136, 63);
const CColor BLUE_READOUT_TEXT_COLOR (32, 157, 254, 255);
const CColor BLUE_READOUT_TEXT_TRANS_COLOR (32, 157, 254, 63);

namespace {

const CColor kBlack (0, 0, 0, 255);
const CColor kWhite (255, 255, 255, 255);
constexpr float kBypassedAlpha = 63.0f / 255.0f;

int clampSize (int s) { return s < 0 ? 0 : (s >= kScreenSizes ? kScreenSizes - 1 : s); }

EditorModel* modelOf (const CView* view)
{
    auto* editor = editorOf (view);
    return editor != nullptr ? editor->getModel () : nullptr;
}

std::string orBlank (const std::string& text) { return text.empty () ? std::string (" ") : text; }

int buttonBits (const CButtonState& buttons) { return static_cast<int> (buttons.getButtonState () | buttons.getModifierState () | (buttons.isDoubleClick () ? kDoubleClick : 0)); }

bool isCommandClick (const CButtonState& buttons)
{
    return buttonBits (buttons) == (kButtonLeft | kButtonCommand) || buttons.isDoubleClick ();
}

float signOf (float v) { return v > 0.0f ? 1.0f : (v < 0.0f ? -1.0f : 0.0f); }

} // namespace

CFontRef fontForSize (int screenSize)
{
    // The 100 % face scaled exactly as the artwork is, not VSTGUI's fixed
    // steps (11, 12, 14, 18), which fall behind the art at every size.
    static const SharedPointer<CFontDesc> fonts[kScreenSizes] = {
        scaledFont (kNormalFontSmall, SCALE[0], false), scaledFont (kNormalFontSmall, SCALE[1], false),
        scaledFont (kNormalFontSmall, SCALE[2], false), scaledFont (kNormalFontSmall, SCALE[3], false)};
    return fonts[clampSize (screenSize)];
}

namespace {

// Draws `text` centred in `area`, in `font` narrowed as far as 70 % of its
// size when it would not fit the width (a long label under a small knob).
void drawFitted (CDrawContext* context, const std::string& text, CRect area, CFontRef font)
{
    if (text.empty ())
        return;
    context->setFont (font, 0, kBoldFace);
    const CCoord width = context->getStringWidth (text.c_str ());
    if (width > area.getWidth () && width > 0)
    {
        const double factor = std::max (0.7, area.getWidth () / width);
        auto fitted = makeOwned<CFontDesc> (*font);
        fitted->setSize (std::floor (font->getSize () * factor * 4) / 4);
        context->setFont (fitted, 0, kBoldFace);
    }
    context->drawString (text.c_str (), area, kCenterText, true);
}

} // namespace

void DrawCounter::count ()
{
    const uint32_t now = editorclock::now ();
    if (draws > 0 && now - lastDrawMs < shortestGapMs)
        shortestGapMs = now - lastDrawMs;
    lastDrawMs = now;
    ++draws;
}

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

// TOnOff -----------------------------------------------------------------------

TOnOff::TOnOff (const CRect& size, IControlListener* listener, int32_t tag, CBitmap* bitmap)
: COnOffButton (size, listener, tag, bitmap)
{
    setWantsFocus (false);
}

void TOnOff::setOn (bool state)
{
    setValue (state ? 1.0f : 0.0f);
    setDirty ();
}

void TOnOff::draw (CDrawContext* context)
{
    counter.count ();
    if (CBitmap* bitmap = getBackground ())
        bitmap->draw (context, getViewSize (), CPoint (0, (bitmap->getHeight () / 2) * std::trunc (getValue ())));
    setDirty (false);
}

namespace {

// A right-click opens the parameter's menu (when there is a parameter) and
// never acts as a left click.
bool rightClickOpensMenu (CControl* control, CPoint& where, const CButtonState& buttons)
{
    if (! buttons.isRightButton ())
        return false;
    if (auto* editor = editorOf (control))
        editor->showMIDIMenu (control, where);
    return true;
}

} // namespace

CMouseEventResult TOnOff::onMouseDown (CPoint& where, const CButtonState& buttons)
{
    if (! getMouseEnabled () || rightClickOpensMenu (this, where, buttons))
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    setValue (std::trunc (getValue ()) != 0.0f ? 0.0f : 1.0f);
    beginEdit ();
    valueChanged ();
    endEdit ();
    invalid ();
    return kMouseEventHandled;
}

// TRadioButton -----------------------------------------------------------------

TRadioButton::TRadioButton (const CRect& size, IControlListener* listener, int groupIn)
: CControl (size, listener, kNoParameterTag), group (groupIn)
{
    setWantsFocus (false);
}

void TRadioButton::setOn (bool state)
{
    setValue (state ? 1.0f : 0.0f);
    setDirty ();
}

void TRadioButton::draw (CDrawContext* context)
{
    if (auto* editor = editorOf (this))
        if (CBitmap* strip = editor->getSharedBitmap (kBmpLedButton))
            strip->draw (context, getViewSize (), CPoint (0, getViewSize ().getHeight () * std::trunc (getValue ())));
    setDirty (false);
}

CMouseEventResult TRadioButton::onMouseDown (CPoint&, const CButtonState& buttons)
{
    if (! getMouseEnabled () || buttons.isRightButton ())
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (getValue () < 0.5f)
    {
        setValue (1.0f);
        setDirty ();
        valueChanged ();
        invalid ();
    }
    return kMouseEventHandled;
}

bool TRadioButton::onWheel (const CPoint&, const CMouseWheelAxis&, const float&, const CButtonState&)
{
    auto* editor = editorOf (this);
    if (editor == nullptr)
        return false;
    editor->changeRadioDelta (group);
    return true;
}

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

// PartRepaint --------------------------------------------------------------------

void PartRepaint::mark (CControl& control, const CRect& a, const CRect& b)
{
    for (const CRect& r : {a, b})
        part = part.isEmpty () ? r : part.unite (r);
    marking = true;
    control.setDirty ();
    marking = false;
}

CRect PartRepaint::take (const CRect& all)
{
    CRect r = whole || part.isEmpty () ? all : part;
    r.bound (all);
    part = CRect ();
    whole = false;
    return r;
}

// THorizontalSlider -------------------------------------------------------------

THorizontalSlider::THorizontalSlider (const CRect& size, IControlListener* listener, int32_t tag, int handle)
: RepaintsParts (size, listener, tag), handleWidth (handle), travel (static_cast<int> (size.getWidth ()) - handle)
{
    if (travel < 1)
        travel = 1;
    setWantsFocus (false);
}

float THorizontalSlider::quantise (float v) const
{
    auto* plugin = modelOf (this);
    const int q = plugin != nullptr ? plugin->getSteppedValue (tag::DisruptQuantization) : 0;
    if (q <= 0 || q >= static_cast<int> (DISTRUPT_QUANT_DIVIDE.size ()))
        return v;
    const float d = static_cast<float> (DISTRUPT_QUANT_DIVIDE[static_cast<std::size_t> (q)]);
    return std::floor (v * d + 0.5f) / d;
}

void THorizontalSlider::setModValue (float v, int time)
{
    if (time == timeStamp)
        return;
    timeStamp = time;
    const float q = quantise (v);
    if (q != modValue)
    {
        const CRect before = markerRect ();
        modValue = q;
        repaintParts (before, markerRect ());
    }
}

CRect THorizontalSlider::markerRect () const
{
    const CRect& view = getViewSize ();
    const CCoord x = view.left + std::trunc ((modValue * 0.5f + 0.5f) * static_cast<float> (travel));
    return CRect (x, view.top, x + handleWidth, view.bottom);
}

CRect THorizontalSlider::handleRect () const
{
    const CRect& view = getViewSize ();
    const float u = quantise (getValue () * 2.0f - 1.0f);
    const CCoord x = view.left + std::trunc ((u * 0.5f + 0.5f) * static_cast<float> (travel));
    return CRect (x, view.top, x + handleWidth, view.bottom);
}

void THorizontalSlider::setVal ()
{
    if (dragging)
        return;
    auto* plugin = modelOf (this);
    if (plugin == nullptr)
        return;
    const float v = plugin->getParameter (getTag ());
    if (std::fabs (v - lastValue) < 0.003f)
        return;
    // Only shown: the value moved by itself (the lazy LFO, the spring, MIDI).
    // Sending it back as the user's would light EDITED and have the host
    // record automation nobody played.
    lastValue = v;
    const CRect before = handleRect ();
    setValue (v);
    repaintParts (before, handleRect ());
}

void THorizontalSlider::draw (CDrawContext* context)
{
    counter.count ();
    auto* editor = editorOf (this);
    if (editor == nullptr)
        return;
    const CRect& view = getViewSize ();
    if (CBitmap* marker = editor->getSharedBitmap (kBmpDisruptModMarker))
        marker->draw (context, markerRect (), CPoint (0, 0));
    frameCounter = (frameCounter + 1) % 70;
    if (CBitmap* handle = editor->getSharedBitmap (kBmpDisruptHandle))
        handle->draw (context, handleRect (), CPoint (0, view.getHeight () * frameCounter));
    setDirty (false);
}

CMouseEventResult THorizontalSlider::onMouseDown (CPoint& where, const CButtonState& buttons)
{
    dragging = false;
    auto* editor = editorOf (this);
    auto* plugin = editor != nullptr ? editor->getModel () : nullptr;
    if (! getMouseEnabled () || plugin == nullptr || plugin->getOnOff (tag::LazyOn))
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    if (buttons.isRightButton ())
    {
        editor->showMIDIMenu (this, where);
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    }
    if (! isCommandClick (buttons))
    {
        dragging = true;
        plugin->setDisruptSpring (false);
        float v = static_cast<float> ((where.x - getViewSize ().left - handleWidth / 2) / travel);
        v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
        setValue (v);
        lastValue = v;
        lastX = where.x;
        if (getFrame () != nullptr)
            getFrame ()->beginEdit (getTag ());
        return onMouseMoved (where, buttons);
    }
    const float before = getValue ();
    setValue (getDefaultValue ());
    if (getValue () != before || isDirty ())
    {
        valueChanged ();
        invalid ();
    }
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

CMouseEventResult THorizontalSlider::onMouseMoved (CPoint& where, const CButtonState& buttons)
{
    if (! buttons.isLeftButton ())
        return kMouseEventHandled;
    auto* editor = editorOf (this);
    const int modifiers = buttonBits (buttons) | (editor != nullptr ? editor->currentModifiers () : 0);
    float dx = static_cast<float> ((where.x - lastX) / travel);
    if ((modifiers & kButtonShift) != 0)
        dx /= 20.0f;
    float v = lastValue + dx;
    v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    lastValue = v;
    setValue (v);
    if (isDirty ())
        valueChanged ();
    lastX = where.x;
    invalid ();
    return kMouseEventHandled;
}

CMouseEventResult THorizontalSlider::onMouseUp (CPoint&, const CButtonState&)
{
    if (getFrame () != nullptr)
        getFrame ()->endEdit (getTag ());
    dragging = false;
    if (auto* plugin = modelOf (this))
        plugin->setDisruptSpring (true);
    return kMouseEventHandled;
}

bool THorizontalSlider::onWheel (const CPoint&, const CMouseWheelAxis&, const float& distance, const CButtonState&)
{
    auto* plugin = modelOf (this);
    if (plugin == nullptr || plugin->getOnOff (tag::LazyOn) || plugin->getSteppedValue (tag::DisruptSpringTime) != 0)
        return false;
    plugin->changeDelta (getTag (), static_cast<int> (signOf (distance)));
    setDirty ();
    return true;
}

// TReadout ---------------------------------------------------------------------

TReadout::TReadout (const CRect& size, IControlListener* listener, int32_t tag, const std::string& t, int fontIndex,
                    bool centred, bool blue)
: CControl (size, listener, tag),
  text (orBlank (t)),
  font (fontIndex >= 1 && fontIndex <= 3 ? fontForSize (fontIndex) : kNormalFontSmall),
  align (centred ? kCenterText : kLeftText),
  color (blue ? BLUE_READOUT_TEXT_COLOR : READOUT_TEXT_COLOR)
{
    setMouseEnabled (false);
}

void TReadout::setString (const std::string& t) { text = orBlank (t); }

void TReadout::setBlack () { color = kBlack; }

void TReadout::setBypassed (bool state)
{
    if (state != bypassed)
    {
        bypassed = state;
        setDirty ();
    }
}

void TReadout::draw (CDrawContext* context)
{
    context->setFont (font, 0, kBoldFace);
    context->setFontColor (color);
    context->drawString (bypassed ? "---" : text.c_str (), getViewSize (), align, true);
    setDirty (false);
}

// TReadoutString ----------------------------------------------------------------

TReadoutString::TReadoutString (const CRect& size, IControlListener* listener, const std::string& t, bool black,
                                double scale)
: CControl (size, listener, kNoParameterTag), text (t), color (black ? kBlack : kWhite),
  font (scaledFont (kNormalFontVeryBig, scale))
{
    setMouseEnabled (false);
}

void TReadoutString::setString (const std::string& t)
{
    if (t != text)
    {
        text = t;
        setDirty ();
    }
}

void TReadoutString::draw (CDrawContext* context)
{
    context->setFont (font);
    context->setFontColor (color);
    context->drawString (text.c_str (), getViewSize (), kCenterText, true);
    setDirty (false);
}

// TVU --------------------------------------------------------------------------

TVU::TVU (const CRect& size, IControlListener* listener) : RepaintsParts (size, listener, kNoParameterTag)
{
    setMouseEnabled (false);
}

void TVU::setVuValue (float v)
{
    float level = 1.0f - v;
    if (! (level >= 0.0f)) // also NaN: shown empty
        level = v != v ? 1.0f : 0.0f;
    if (level > 1.0f)
        level = 1.0f;
    const int newCut = static_cast<int> (level * static_cast<float> (getViewSize ().getHeight ()));
    if (newCut != cut)
    {
        // Only the band between the old and the new level changes.
        const CRect& view = getViewSize ();
        const CRect band (view.left, view.top + std::min (cut, newCut), view.right, view.top + std::max (cut, newCut));
        cut = newCut;
        repaintParts (band, band);
    }
}

void TVU::draw (CDrawContext* context)
{
    counter.count ();
    if (auto* editor = editorOf (this))
        if (CBitmap* meter = editor->getSharedBitmap (kBmpLevelMeter))
        {
            const CRect& view = getViewSize ();
            CRect lit (view.left, view.top + cut, view.right, view.bottom);
            if (lit.getHeight () > 0)
                meter->draw (context, lit, CPoint (0, cut));
        }
    setDirty (false);
}

// TTooltip ---------------------------------------------------------------------

TTooltip::TTooltip (double scaleIn)
: CView (CRect (0, 0, 10, 10)), scale (scaleIn), font (scaledFont (kNormalFontSmall, scaleIn))
{
    setMouseEnabled (false);
}

void TTooltip::setText (const std::string& t, const CPoint& where, const CRect& bounds, CFrame* frame)
{
    text = t;
    // Without a frame to measure with, Liberation Sans averages well under
    // 0.6 of its size a character.
    CCoord textWidth = 0.6 * font->getSize () * static_cast<CCoord> (t.size ());
    if (frame != nullptr)
        if (auto measure = COffscreenContext::create (frame, 1, 1))
        {
            measure->setFont (font);
            textWidth = measure->getStringWidth (t.c_str ());
        }
    const CCoord pad = std::round (6 * scale);
    // The border's pixels inside the box too; kept a pixel inside the editor.
    const CCoord width = std::min<CCoord> (bounds.getWidth () - 2, std::ceil (textWidth) + 2 * pad + 2);
    const CCoord height = std::round (20 * scale);
    CRect r (where.x + 12 * scale, where.y + 18 * scale, where.x + 12 * scale + width, where.y + 18 * scale + height);
    if (r.right > bounds.right - 1)
        r.offset (bounds.right - 1 - r.right, 0);
    if (r.left < bounds.left + 1)
        r.offset (bounds.left + 1 - r.left, 0);
    if (r.bottom > bounds.bottom - 1)
        r.offset (0, where.y - 6 * scale - height - r.top);
    r.makeIntegral ();
    // The old place is repainted too, or its border stays until something
    // else draws there.
    if (isAttached ())
        invalid ();
    setViewSize (r);
    setMouseableArea (r);
    invalid ();
}

void TTooltip::draw (CDrawContext* context)
{
    CRect r = getViewSize ();
    // The one-pixel frame drawn inside the box, not half outside it.
    r.inset (0.5, 0.5);
    context->setFillColor (CColor (28, 30, 34, 255));
    context->setFrameColor (CColor (96, 100, 108, 255));
    context->setLineWidth (1);
    context->drawRect (r, kDrawFilledAndStroked);
    context->setFont (font);
    context->setFontColor (CColor (222, 224, 228, 255));
    CRect inner (r);
    inner.inset (std::round (6 * scale), 0);
    context->drawString (text.c_str (), inner, kLeftText, true);
    setDirty (false);
}

SharedPointer<CFontDesc> scaledFont (CFontRef base, double scale, bool wholePixels)
{
    auto font = makeOwned<CFontDesc> (*base);
    font->setSize (wholePixels ? std::round (base->getSize () * scale) : base->getSize () * scale);
    return font;
}

// TileSet, TBackdrop, TTiledContainer ---------------------------------------------

namespace {

// The pixels of `area` of `art` as a bitmap of their own (null when the
// platform gives no pixel access).
SharedPointer<CBitmap> cropBitmap (CBitmap* art, const CRect& area)
{
    auto source = owned (CBitmapPixelAccess::create (art));
    const auto w = static_cast<uint32_t> (area.getWidth ());
    const auto h = static_cast<uint32_t> (area.getHeight ());
    if (! source || w == 0 || h == 0)
        return nullptr;
    auto crop = makeOwned<CBitmap> (CPoint (w, h));
    auto target = owned (CBitmapPixelAccess::create (crop));
    if (! target)
        return nullptr;
    const IPlatformBitmapPixelAccess* from = source->getPlatformBitmapPixelAccess ();
    const IPlatformBitmapPixelAccess* to = target->getPlatformBitmapPixelAccess ();
    const auto left = static_cast<uint32_t> (area.left);
    const auto top = static_cast<uint32_t> (area.top);
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy (to->getAddress () + y * to->getBytesPerRow (),
                     from->getAddress () + (top + y) * from->getBytesPerRow () + left * 4, w * 4);
    return crop;
}

// Frames cut from image strips, shared by every control drawing from the same
// strip; emptied when the editor closes.
std::map<std::pair<CBitmap*, int>, SharedPointer<CBitmap>>& stripFrames ()
{
    static std::map<std::pair<CBitmap*, int>, SharedPointer<CBitmap>> frames;
    return frames;
}

std::map<CBitmap*, SharedPointer<CBitmap>>& stripsHeld ()
{
    static std::map<CBitmap*, SharedPointer<CBitmap>> strips;
    return strips;
}

} // namespace

void drawStripFrame (CDrawContext* context, CBitmap* strip, int frameHeight, int index, const CRect& where, float alpha)
{
    if (strip == nullptr || frameHeight <= 0 || index < 0)
        return;
    auto& frames = stripFrames ();
    const auto key = std::make_pair (strip, index);
    auto found = frames.find (key);
    if (found == frames.end ())
    {
        // The strip is held while its frames are: no other bitmap can take its address.
        stripsHeld ().emplace (strip, shared (strip));
        found = frames.emplace (key, cropBitmap (strip, CRect (0, frameHeight * index, strip->getWidth (),
                                                                frameHeight * (index + 1)))).first;
    }
    if (found->second)
        found->second->draw (context, where, CPoint (0, 0), alpha);
    else
        strip->draw (context, where, CPoint (0, frameHeight * index), alpha);
}

void releaseStripFrames ()
{
    stripFrames ().clear ();
    stripsHeld ().clear ();
}

TileSet::TileSet (CBitmap* art, int tileSize)
{
    if (art == nullptr || art->getWidth () <= 0 || art->getHeight () <= 0)
        return;
    const auto width = static_cast<uint32_t> (art->getWidth ());
    const auto height = static_cast<uint32_t> (art->getHeight ());
    const auto step = static_cast<uint32_t> (tileSize);
    for (uint32_t top = 0; top < height; top += step)
        for (uint32_t left = 0; left < width; left += step)
        {
            const CRect area (left, top, left + std::min (step, width - left), top + std::min (step, height - top));
            auto tile = cropBitmap (art, area);
            if (! tile)
            {
                tiles.assign (1, {CRect (0, 0, width, height), shared (art)});
                return;
            }
            tiles.push_back ({area, tile});
        }
}

void TileSet::draw (CDrawContext* context, const CRect& update, const CPoint& origin) const
{
    for (const Tile& tile : tiles)
    {
        CRect area (tile.area);
        area.offset (origin.x, origin.y);
        if (area.rectOverlap (update))
            tile.bitmap->draw (context, area);
    }
}

TBackdrop::TBackdrop (const CRect& size, CBitmap* art) : CView (size), tiles (art)
{
    setMouseEnabled (false);
}

void TBackdrop::drawRect (CDrawContext* context, const CRect& update)
{
    tiles.draw (context, update, getViewSize ().getTopLeft ());
    setDirty (false);
}

void TTiledContainer::setBackground (CBitmap* background)
{
    if (background != getBackground ())
        tiles = background != nullptr ? std::make_unique<TileSet> (background) : nullptr;
    CViewContainer::setBackground (background);
}

void TTiledContainer::drawBackgroundRect (CDrawContext* context, const CRect& update)
{
    if (tiles == nullptr || tiles->empty ())
        return CViewContainer::drawBackgroundRect (context, update);
    tiles->draw (context, update, CPoint (0, 0));
}

} // namespace morlake
