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

} // namespace morlake
