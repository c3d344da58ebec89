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

} // namespace morlake
