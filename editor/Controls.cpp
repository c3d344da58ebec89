#include "editor/Controls.h"

#include "editor/ControlSupport.h"

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
using namespace controls;

const CColor READOUT_TEXT_COLOR (136, 136, 136, 255);
const CColor READOUT_TEXT_TRANS_COLOR (136, 136, 136, 63);
const CColor BLUE_READOUT_TEXT_COLOR (32, 157, 254, 255);
const CColor BLUE_READOUT_TEXT_TRANS_COLOR (32, 157, 254, 63);

CFontRef fontForSize (int screenSize)
{
    // The 100 % face scaled exactly as the artwork is, not VSTGUI's fixed
    // steps (11, 12, 14, 18), which fall behind the art at every size.
    static const SharedPointer<CFontDesc> fonts[kScreenSizes] = {
        scaledFont (kNormalFontSmall, SCALE[0], false), scaledFont (kNormalFontSmall, SCALE[1], false),
        scaledFont (kNormalFontSmall, SCALE[2], false), scaledFont (kNormalFontSmall, SCALE[3], false)};
    return fonts[clampSize (screenSize)];
}

namespace controls {

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

bool rightClickOpensMenu (CControl* control, CPoint& where, const CButtonState& buttons)
{
    if (! buttons.isRightButton ())
        return false;
    if (auto* editor = editorOf (control))
        editor->showMIDIMenu (control, where);
    return true;
}

} // namespace controls

void DrawCounter::count ()
{
    const uint32_t now = editorclock::now ();
    if (draws > 0 && now - lastDrawMs < shortestGapMs)
        shortestGapMs = now - lastDrawMs;
    lastDrawMs = now;
    ++draws;
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

} // namespace morlake
