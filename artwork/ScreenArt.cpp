#include "artwork/ScreenArt.h"

#include <cmath>

#include "artwork/ControlArt.h"
#include "artwork/Palette.h"

namespace morlake::artwork {

namespace {

const ButtonArt& buttonArt (int id)
{
    for (const ButtonArt& art : kButtonArt)
        if (art.id == id)
            return art;
    return kButtonArt[0];
}

void paintWindow (cairo_t* cr, const Scale& scale)
{
    const double w = scale.px (kWindowWidth), h = scale.px (kWindowHeight);
    cairo_rectangle (cr, 0, 0, w, h);
    setVerticalGradient (cr, 0, h, palette::kWindowTop, palette::kWindowBottom);
    cairo_fill (cr);
    // A wide, faint light from the upper middle keeps the dark from looking flat.
    cairo_pattern_t* light = cairo_pattern_create_radial (w * 0.5, -h * 0.2, 0, w * 0.5, -h * 0.2, w * 0.75);
    cairo_pattern_add_color_stop_rgba (light, 0, 1, 1, 1, 0.05);
    cairo_pattern_add_color_stop_rgba (light, 1, 1, 1, 1, 0);
    cairo_rectangle (cr, 0, 0, w, h);
    cairo_set_source (cr, light);
    cairo_fill (cr);
    cairo_pattern_destroy (light);
}

void paintSection (cairo_t* cr, const Scale& scale, const Section& s)
{
    const double hair = scale.hair ();
    const double x = scale.px (s.x), y = scale.px (s.y);
    const double w = scale.px (s.x + s.width) - x, h = scale.px (s.y + s.height) - y;
    const double r = scale.d (6);

    softShadow (cr, x, y + scale.d (1), w, h, r, scale.d (3), 0.35);
    fillRoundedVertical (cr, x, y, w, h, r, palette::kPanelTop, palette::kPanelBottom);
    cairo_save (cr);
    roundedRect (cr, x, y, w, h, r);
    cairo_clip (cr);
    cairo_rectangle (cr, x, y + hair, w, hair);
    cairo_set_source_rgba (cr, 1, 1, 1, 0.06);
    cairo_fill (cr);
    cairo_restore (cr);
    strokeRoundedInside (cr, x, y, w, h, r, hair, palette::kPanelBorder);

    // Header row: accent tick and title, then a rule to the right edge that
    // leaves room for whatever the layout puts in the row.
    const double cy = scale.d (s.y + kSectionHeader / 2.0);
    double ruleFrom = s.x + 10;
    if (s.title[0])
    {
        const double tickH = std::round (scale.d (9)), tickW = std::max (2.0, std::round (scale.d (2)));
        cairo_rectangle (cr, scale.px (s.x + 9), std::round (cy - tickH / 2), tickW, tickH);
        setColour (cr, palette::kAmber);
        cairo_fill (cr);
        const double tw =
            drawText (cr, s.title, kTitleFont, scale, scale.d (s.x + 16), cy, Align::Left, palette::kTitleText);
        ruleFrom = s.x + 16 + tw / scale.f + 8;
    }
    const double ruleTo = s.x + s.width - 10;
    const double ruleY = std::round (cy);
    auto rule = [&] (double from, double to) {
        if (to - from < 6)
            return;
        const double x0 = scale.px (from), x1 = scale.px (to);
        cairo_rectangle (cr, x0, ruleY - hair, x1 - x0, hair);
        cairo_set_source_rgba (cr, 0, 0, 0, 0.35);
        cairo_fill (cr);
        cairo_rectangle (cr, x0, ruleY, x1 - x0, hair);
        cairo_set_source_rgba (cr, 1, 1, 1, 0.10);
        cairo_fill (cr);
    };
    double from = ruleFrom;
    for (const Span& gap : s.gaps)
    {
        if (gap.to <= gap.from)
            continue;
        rule (from, std::min<double> (gap.from, ruleTo));
        from = std::max<double> (from, gap.to);
    }
    rule (from, ruleTo);
}

void paintCaption (cairo_t* cr, const Scale& scale, const Caption& c, double originX = 0, double originY = 0)
{
    const double x = originX + scale.d (c.x), y = originY + scale.d (c.y);
    const double w = drawText (cr, c.text, fontFor (c.style), scale, x, y, c.align, colourFor (c.style));
    if (c.style == CaptionStyle::Title)
    {
        // The same accent tick the section titles carry.
        const double left = c.align == Align::Left ? x : c.align == Align::Centre ? x - w / 2 : x - w;
        const double tickH = std::round (scale.d (9)), tickW = std::max (2.0, std::round (scale.d (2)));
        cairo_rectangle (cr, std::round (left - scale.d (7)), std::round (y - tickH / 2), tickW, tickH);
        setColour (cr, palette::kAmber);
        cairo_fill (cr);
    }
}

void paintKnobWell (cairo_t* cr, const Scale& scale, const KnobPlace& k, int originX = 0, int originY = 0)
{
    const KnobType& type = kKnobTypes[k.type];
    const double x = originX + knobImageLeft (k.x, k.nudge, scale.size);
    const double y = originY + knobImageTop (k.y, k.nudge, scale.size);
    drawKnobWell (cr, scale, x, y, scale.px (type.size), type.bipolar, type.size >= 56);
}

void paintButtonSockets (cairo_t* cr, const Scale& scale, const ButtonPlace* buttons, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
    {
        const ButtonArt& art = buttonArt (buttons[i].id);
        drawButtonSocket (cr, scale, scale.px (buttons[i].x), scale.px (buttons[i].y), scale.px (art.width),
                          scale.px (art.height));
    }
}

void paintMenu (cairo_t* cr, const Scale& scale, const MenuPlace& m, int originX = 0, int originY = 0)
{
    drawMenuField (cr, scale, originX + scale.px (m.x), originY + scale.px (m.y), scale.px (m.width),
                   scale.px (m.height), m.style);
}

void paintMeterTrack (cairo_t* cr, const Scale& scale, const Point& p)
{
    const double x = scale.px (p.x), y = scale.px (p.y);
    const double w = scale.px (kMeterWidth), h = scale.px (kMeterHeight);
    const double hair = scale.hair ();
    cairo_rectangle (cr, x - hair, y - hair, w + 2 * hair, h + 2 * hair);
    cairo_set_source_rgba (cr, 0, 0, 0, 0.6);
    cairo_fill (cr);
    drawMeter (cr, scale, x, y, w, h, false);
}

void paintTopBar (cairo_t* cr, const Scale& scale)
{
    const double w = scale.px (kWindowWidth), h = scale.px (101);
    const double hair = scale.hair ();
    cairo_rectangle (cr, 0, 0, w, h);
    setVerticalGradient (cr, 0, h, palette::kTopBarTop, palette::kTopBarBottom);
    cairo_fill (cr);
    cairo_rectangle (cr, 0, h - hair, w, hair);
    cairo_set_source_rgba (cr, 0, 0, 0, 0.7);
    cairo_fill (cr);
    cairo_rectangle (cr, 0, h, w, hair);
    cairo_set_source_rgba (cr, 1, 1, 1, 0.04);
    cairo_fill (cr);
    cairo_rectangle (cr, 0, 0, w, hair);
    cairo_set_source_rgba (cr, 1, 1, 1, 0.07);
    cairo_fill (cr);

    // Brand block where a click opens the back screen.
    const Area& a = kShowBackScreenArea;
    const double cx = scale.d (a.x + 165);
    drawWordmark (cr, scale, cx, scale.d (a.y + 22), 1.0, Align::Centre, palette::kTitleText);
    Font sub = kSmallFont;
    sub.tracking = 2.6;
    drawText (cr, "STEREO REVERB", sub, scale, cx, scale.d (a.y + 45), Align::Centre, palette::kCaptionText);
    const double lineY = std::round (scale.d (a.y + 45));
    const double lineW = scale.d (42);
    const double gapHalf = textWidth (cr, "STEREO REVERB", sub, scale) / 2 + scale.d (8);
    for (int side = -1; side <= 1; side += 2)
    {
        const double x0 = side < 0 ? cx - gapHalf - lineW : cx + gapHalf;
        cairo_rectangle (cr, std::round (x0), lineY, std::round (lineW), hair);
        setColour (cr, withAlpha (palette::kAmber, 0.55));
        cairo_fill (cr);
    }

    // Settings menu button: three bars.
    const Area& m = kControlMenuArea;
    const double bx = scale.px (m.x), by = scale.px (m.y);
    const double bw = scale.px (m.width), bh = scale.px (m.height);
    const double bar = std::max (1.0, std::round (scale.d (2)));
    const double inset = std::round (scale.d (3));
    for (int i = 0; i < 3; ++i)
    {
        const double y = by + std::round ((bh - bar) * i / 2.0);
        roundedRect (cr, bx + inset, y, bw - 2 * inset, bar, bar / 2);
        setColour (cr, palette::kCaptionText);
        cairo_fill (cr);
    }
}

} // namespace

int panelLeft (const Scale& scale) { return scale.px (kModPanelX); }
int panelTop (const Scale& scale) { return scale.px (kModPanelY); }

void paintMainBackground (cairo_t* cr, const Scale& scale)
{
    paintWindow (cr, scale);
    paintTopBar (cr, scale);
    for (const Section& s : kMainSections)
        paintSection (cr, scale, s);

    for (const KnobPlace& k : kMainKnobs)
        paintKnobWell (cr, scale, k);
    paintKnobWell (cr, scale, kPanelKnob, panelLeft (scale), panelTop (scale));
    paintButtonSockets (cr, scale, kMainButtons.data (), kMainButtons.size ());
    for (const MenuPlace& m : kMainMenus)
        paintMenu (cr, scale, m);
    for (const MenuPlace& m : kPanelMenus)
        paintMenu (cr, scale, m, panelLeft (scale), panelTop (scale));
    for (const Point& p : kMeters)
        paintMeterTrack (cr, scale, p);
    drawSliderTrack (cr, scale, scale.px (kSliderX), scale.px (kSliderY), scale.px (kSliderWidth),
                     scale.px (kSliderHeight), scale.px (kSliderHandleWidth));

    for (const Caption& c : kMainCaptions)
        paintCaption (cr, scale, c);
    for (const Caption& c : kPanelCaptions)
        paintCaption (cr, scale, c, panelLeft (scale), panelTop (scale));
}

void paintModPanel (cairo_t* cr, const Scale& scale)
{
    Image main (scale.px (kWindowWidth), scale.px (kWindowHeight));
    paintMainBackground (main.cr (), scale);
    cairo_surface_flush (main.surface ());
    cairo_set_source_surface (cr, main.surface (), -panelLeft (scale), -panelTop (scale));
    cairo_paint (cr);
}

void paintBackBackground (cairo_t* cr, const Scale& scale)
{
    paintWindow (cr, scale);
    const double hair = scale.hair ();

    // Brand and version card.
    drawWordmark (cr, scale, scale.d (90), scale.d (94), 1.45, Align::Left, palette::kTitleText);
    Font sub = kCaptionFont;
    sub.tracking = 3.0;
    drawText (cr, "STEREO REVERB  \xc2\xb7  ALDERMOOR", sub, scale, scale.d (92), scale.d (128), Align::Left,
              palette::kCaptionText);
    {
        const double x = scale.px (kVersionTextX - 14), y = scale.px (kVersionTextY - 8);
        const double w = scale.px (kVersionTextX + kVersionTextWidth + 14) - x;
        const double h = scale.px (kVersionTextY + kVersionTextHeight + 8) - y;
        softShadow (cr, x, y + scale.d (1), w, h, scale.d (6), scale.d (4), 0.4);
        fillRoundedVertical (cr, x, y, w, h, scale.d (6), palette::kCardTop, palette::kCardBottom);
        strokeRoundedInside (cr, x, y, w, h, scale.d (6), hair, hex (0xffffff, 0.6));
        cairo_rectangle (cr, x + scale.d (10), y + h - scale.d (4), w - scale.d (20), hair);
        setColour (cr, withAlpha (palette::kAmberDeep, 0.6));
        cairo_fill (cr);
        drawText (cr, "VERSION", kSmallFont, scale, x + w / 2, y - scale.d (9), Align::Centre, palette::kCaptionText);
    }

    for (const Section& s : kBackSections)
        paintSection (cr, scale, s);
    paintButtonSockets (cr, scale, kBackButtons.data (), kBackButtons.size ());
    for (const MenuPlace& m : kBackMenus)
        paintMenu (cr, scale, m);
    for (const Caption& c : kBackCaptions)
        paintCaption (cr, scale, c);
}

} // namespace morlake::artwork
