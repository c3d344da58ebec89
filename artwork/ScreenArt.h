#pragma once

// The three screen backgrounds, drawn from the layout table.

#include "artwork/Canvas.h"

namespace morlake::artwork {

void paintMainBackground (cairo_t* cr, const Scale& scale);
void paintBackBackground (cairo_t* cr, const Scale& scale);
// The modulation panel is cut from the main background so it sits seamlessly.
void paintModPanel (cairo_t* cr, const Scale& scale);

// Top-left pixel of the modulation panel and of a point inside it.
int panelLeft (const Scale& scale);
int panelTop (const Scale& scale);

} // namespace morlake::artwork
