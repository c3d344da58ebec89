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
: CControl (size, listener, kNoParameterTag),
  text (t),
  color (black ? kBlack : kWhite),
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

} // namespace morlake
