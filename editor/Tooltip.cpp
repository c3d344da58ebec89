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

} // namespace morlake
