#include "artwork/ControlArt.h"

#include <algorithm>
#include <cmath>

#include "artwork/Palette.h"

namespace morlake::artwork {

namespace {

constexpr double kDeg = M_PI / 180.0;
constexpr double kSweepStart = 135 * kDeg; // lower left, clockwise on screen
constexpr double kSweep = 270 * kDeg;

double angleOf (double value) { return kSweepStart + kSweep * std::clamp (value, 0.0, 1.0); }

struct KnobGeometry
{
    double cx;
    double cy;
    double trackRadius;
    double trackWidth;
    double capRadius;
};

KnobGeometry knobGeometry (double x, double y, double size)
{
    KnobGeometry g;
    g.cx = x + size / 2;
    g.cy = y + size / 2;
    g.trackWidth = std::max (2.0, std::round (size * 0.075 * 2) / 2);
    g.trackRadius = size / 2 - g.trackWidth / 2 - std::max (1.0, size * 0.02);
    g.capRadius = g.trackRadius - g.trackWidth / 2 - std::max (2.0, size * 0.07);
    return g;
}

void circle (cairo_t* cr, double cx, double cy, double r)
{
    cairo_new_sub_path (cr);
    cairo_arc (cr, cx, cy, r, 0, 2 * M_PI);
}

void drawLed (cairo_t* cr, const Scale& scale, double cx, double cy, double r, bool on, const Colour& colour)
{
    if (on)
    {
        // Glow first, then the lit lens with a hot centre.
        cairo_pattern_t* glow = cairo_pattern_create_radial (cx, cy, r * 0.5, cx, cy, r * 2.4);
        cairo_pattern_add_color_stop_rgba (glow, 0, colour.r, colour.g, colour.b, 0.45);
        cairo_pattern_add_color_stop_rgba (glow, 1, colour.r, colour.g, colour.b, 0.0);
        circle (cr, cx, cy, r * 2.4);
        cairo_set_source (cr, glow);
        cairo_fill (cr);
        cairo_pattern_destroy (glow);

        const Colour hot = mix (colour, hex (0xffffff), 0.65);
        cairo_pattern_t* lens = cairo_pattern_create_radial (cx, cy - r * 0.25, 0, cx, cy, r);
        cairo_pattern_add_color_stop_rgba (lens, 0, hot.r, hot.g, hot.b, 1);
        cairo_pattern_add_color_stop_rgba (lens, 0.55, colour.r, colour.g, colour.b, 1);
        const Colour rim = mix (colour, hex (0x000000), 0.25);
        cairo_pattern_add_color_stop_rgba (lens, 1, rim.r, rim.g, rim.b, 1);
        circle (cr, cx, cy, r);
        cairo_set_source (cr, lens);
        cairo_fill (cr);
        cairo_pattern_destroy (lens);
    }
    else
    {
        const Colour dim = mix (palette::kLedOff, colour, 0.12);
        circle (cr, cx, cy, r);
        setVerticalGradient (cr, cy - r, cy + r, mix (dim, hex (0x000000), 0.4), mix (dim, hex (0xffffff), 0.06));
        cairo_fill (cr);
        circle (cr, cx, cy, r - scale.hair () / 2);
        cairo_set_source_rgba (cr, 0, 0, 0, 0.55);
        cairo_set_line_width (cr, scale.hair ());
        cairo_stroke (cr);
    }
}

void buttonBody (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, double r, ButtonState state)
{
    const double hair = scale.hair ();
    Colour top = palette::kButtonTop, bottom = palette::kButtonBottom;
    if (state == ButtonState::On)
        top = palette::kButtonOnTop, bottom = palette::kButtonOnBottom;
    if (state == ButtonState::Pressed)
        top = palette::kButtonPressedTop, bottom = palette::kButtonPressedBottom;
    fillRoundedVertical (cr, x, y, w, h, r, palette::kButtonBorder, palette::kButtonBorder);
    fillRoundedVertical (cr, x + hair, y + hair, w - 2 * hair, h - 2 * hair, r - hair, top, bottom);
    if (state != ButtonState::Pressed)
    {
        // Light catching the upper edge.
        cairo_save (cr);
        roundedRect (cr, x + hair, y + hair, w - 2 * hair, h - 2 * hair, r - hair);
        cairo_clip (cr);
        cairo_rectangle (cr, x, y + hair, w, hair);
        cairo_set_source_rgba (cr, 1, 1, 1, 0.10);
        cairo_fill (cr);
        cairo_restore (cr);
    }
    else
    {
        cairo_save (cr);
        roundedRect (cr, x + hair, y + hair, w - 2 * hair, h - 2 * hair, r - hair);
        cairo_clip (cr);
        cairo_rectangle (cr, x, y + hair, w, hair);
        cairo_set_source_rgba (cr, 0, 0, 0, 0.45);
        cairo_fill (cr);
        cairo_restore (cr);
    }
}

} // namespace

double knobFrameValue (int frame, int frames)
{
    const int centre = frames / 2;
    const int last = frames - 2;
    if (frame <= centre)
        return 0.5 * frame / centre;
    if (frame >= last)
        return 1.0;
    return 0.5 + 0.5 * (frame - centre) / double (last - centre);
}

double ringFrameValue (int frame, int frames) { return frame / double (frames - 1); }

Colour accentColour (Accent accent) { return accent == Accent::Blue ? palette::kBlue : palette::kAmber; }

void drawKnobWell (cairo_t* cr, const Scale& scale, double x, double y, double size, bool bipolar, bool manyTicks)
{
    const KnobGeometry g = knobGeometry (x, y, size);
    const double hair = scale.hair ();
    // Recess: darker disc with a faint lit lower rim.
    circle (cr, g.cx, g.cy, size / 2 + scale.d (1.5));
    setVerticalGradient (cr, y, y + size, hex (0x000000, 0.42), hex (0x000000, 0.18));
    cairo_fill (cr);
    cairo_new_path (cr);
    cairo_arc (cr, g.cx, g.cy, size / 2 + scale.d (1.5) - hair / 2, 20 * kDeg, 160 * kDeg);
    cairo_set_source_rgba (cr, 1, 1, 1, 0.05);
    cairo_set_line_width (cr, hair);
    cairo_stroke (cr);

    // Scale ticks just outside the image.
    const int ticks = manyTicks ? 11 : 2;
    const double inner = size / 2 + scale.d (3);
    for (int i = 0; i < ticks; ++i)
    {
        const double v = ticks == 1 ? 0 : i / double (ticks - 1);
        const bool major = i == 0 || i == ticks - 1 || (bipolar && 2 * i == ticks - 1);
        const double a = angleOf (v);
        const double len = scale.d (major ? 3.0 : 2.0);
        cairo_move_to (cr, g.cx + std::cos (a) * inner, g.cy + std::sin (a) * inner);
        cairo_line_to (cr, g.cx + std::cos (a) * (inner + len), g.cy + std::sin (a) * (inner + len));
        setColour (cr, withAlpha (palette::kCaptionText, major ? 0.75 : 0.4));
        cairo_set_line_width (cr, std::max (1.0, scale.d (1.0)));
        cairo_set_line_cap (cr, CAIRO_LINE_CAP_BUTT);
        cairo_stroke (cr);
    }
    if (bipolar)
    {
        // Centre mark at the top.
        const double a = angleOf (0.5);
        cairo_move_to (cr, g.cx + std::cos (a) * inner, g.cy + std::sin (a) * inner);
        cairo_line_to (cr, g.cx + std::cos (a) * (inner + scale.d (3)), g.cy + std::sin (a) * (inner + scale.d (3)));
        setColour (cr, withAlpha (palette::kCaptionText, 0.75));
        cairo_stroke (cr);
    }
}

void drawKnobRing (cairo_t* cr, const Scale&, double x, double y, double size, double position, bool bipolar,
                   Accent accent)
{
    const KnobGeometry g = knobGeometry (x, y, size);
    cairo_save (cr);
    cairo_set_line_cap (cr, CAIRO_LINE_CAP_ROUND);

    cairo_new_path (cr);
    cairo_arc (cr, g.cx, g.cy, g.trackRadius, kSweepStart, kSweepStart + kSweep);
    setColour (cr, palette::kTrack);
    cairo_set_line_width (cr, g.trackWidth);
    cairo_stroke (cr);

    const double from = bipolar ? 0.5 : 0.0;
    const double lo = std::min (from, position), hi = std::max (from, position);
    if (hi - lo > 1e-6)
    {
        const Colour c = accentColour (accent);
        const Colour deep = accent == Accent::Blue ? palette::kBlueDeep : palette::kAmberDeep;
        // Soft halo inside the track, then the arc itself.
        cairo_new_path (cr);
        cairo_arc (cr, g.cx, g.cy, g.trackRadius, angleOf (lo), angleOf (hi));
        setColour (cr, withAlpha (c, 0.22));
        cairo_set_line_width (cr, g.trackWidth * 1.6);
        cairo_stroke (cr);

        cairo_new_path (cr);
        cairo_arc (cr, g.cx, g.cy, g.trackRadius, angleOf (lo), angleOf (hi));
        cairo_pattern_t* p = cairo_pattern_create_linear (x, y + size, x + size, y);
        cairo_pattern_add_color_stop_rgba (p, 0, deep.r, deep.g, deep.b, 1);
        cairo_pattern_add_color_stop_rgba (p, 1, c.r, c.g, c.b, 1);
        cairo_set_source (cr, p);
        cairo_pattern_destroy (p);
        cairo_set_line_width (cr, g.trackWidth * 0.7);
        cairo_stroke (cr);
    }
    cairo_restore (cr);
}

void drawKnobCap (cairo_t* cr, const Scale& scale, double x, double y, double size, double value)
{
    const KnobGeometry g = knobGeometry (x, y, size);
    const double hair = scale.hair ();
    const double r = g.capRadius;

    // Drop shadow below the cap.
    cairo_pattern_t* shadow =
        cairo_pattern_create_radial (g.cx, g.cy + r * 0.10, r * 0.85, g.cx, g.cy + r * 0.10, r * 1.18);
    cairo_pattern_add_color_stop_rgba (shadow, 0, 0, 0, 0, 0.55);
    cairo_pattern_add_color_stop_rgba (shadow, 1, 0, 0, 0, 0.0);
    circle (cr, g.cx, g.cy + r * 0.10, r * 1.18);
    cairo_set_source (cr, shadow);
    cairo_fill (cr);
    cairo_pattern_destroy (shadow);

    // Body: lit from above.
    circle (cr, g.cx, g.cy, r);
    setVerticalGradient (cr, g.cy - r, g.cy + r, palette::kCapTop, palette::kCapBottom);
    cairo_fill (cr);
    // Face: a slightly dished top.
    const double face = r * 0.82;
    circle (cr, g.cx, g.cy, face);
    setVerticalGradient (cr, g.cy - face, g.cy + face, palette::kCapFaceTop, palette::kCapFaceBottom);
    cairo_fill (cr);
    // Rim lines.
    circle (cr, g.cx, g.cy, r - hair / 2);
    cairo_set_source_rgba (cr, 0, 0, 0, 0.75);
    cairo_set_line_width (cr, hair);
    cairo_stroke (cr);
    cairo_new_path (cr);
    cairo_arc (cr, g.cx, g.cy, r - hair * 1.5, 200 * kDeg, 340 * kDeg);
    cairo_set_source_rgba (cr, 1, 1, 1, 0.16);
    cairo_stroke (cr);

    // Pointer.
    const double a = angleOf (value);
    const double width = std::max (1.5, size * 0.055);
    const double r0 = r * 0.28, r1 = r * 0.86;
    cairo_set_line_cap (cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to (cr, g.cx + std::cos (a) * r0, g.cy + std::sin (a) * r0);
    cairo_line_to (cr, g.cx + std::cos (a) * r1, g.cy + std::sin (a) * r1);
    cairo_set_source_rgba (cr, 0, 0, 0, 0.45);
    cairo_set_line_width (cr, width + 2 * hair);
    cairo_stroke_preserve (cr);
    setColour (cr, palette::kPointer);
    cairo_set_line_width (cr, width);
    cairo_stroke (cr);
    cairo_set_line_cap (cr, CAIRO_LINE_CAP_BUTT);
}

void drawLedButton (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, bool on, Accent accent)
{
    const double r = std::min (w, h) * 0.22;
    buttonBody (cr, scale, x, y, w, h, r, on ? ButtonState::On : ButtonState::Off);
    drawLed (cr, scale, x + w / 2, y + h / 2, std::min (w, h) * 0.21, on, accentColour (accent));
}

void drawLabelButton (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, const char* text,
                      ButtonState state, bool withLed, bool ledOn, const Colour& led)
{
    buttonBody (cr, scale, x, y, w, h, std::min (scale.d (4), h / 2), state);
    double textLeft = x, textRight = x + w;
    if (withLed)
    {
        const double ledR = h * 0.17;
        const double ledX = x + h * 0.55;
        drawLed (cr, scale, ledX, y + h / 2, ledR, ledOn, led);
        textLeft = ledX + ledR;
    }
    const bool bright = state == ButtonState::On || (withLed && ledOn);
    const Colour c = bright ? palette::kBrightText : palette::kCaptionText;
    const double dy = state == ButtonState::Pressed ? scale.hair () : 0;
    const Font& font = kButtonFont;
    drawText (cr, text, font, scale, (textLeft + textRight) / 2, y + h / 2 + dy, Align::Centre, c);
}

void drawButtonSocket (cairo_t* cr, const Scale& scale, double x, double y, double w, double h)
{
    const double g = scale.hair ();
    const double r = std::min (w, h) * 0.22 + g;
    roundedRect (cr, x - g, y - g, w + 2 * g, h + 2 * g, r);
    cairo_set_source_rgba (cr, 0, 0, 0, 0.35);
    cairo_fill (cr);
    roundedRect (cr, x - g, y - g + g, w + 2 * g, h + 2 * g, r);
    cairo_set_source_rgba (cr, 1, 1, 1, 0.04);
    cairo_set_line_width (cr, g);
    cairo_stroke (cr);
}

void drawMenuArrow (cairo_t* cr, const Scale& scale, double x, double y, double size, bool next, bool pressed)
{
    const double cx = x + size / 2, cy = y + size / 2;
    const double half = size * 0.19;
    const double dir = next ? 1 : -1;
    cairo_save (cr);
    cairo_new_path (cr);
    cairo_move_to (cr, cx + dir * half * 0.9, cy);
    cairo_line_to (cr, cx - dir * half * 0.7, cy - half * 1.15);
    cairo_line_to (cr, cx - dir * half * 0.7, cy + half * 1.15);
    cairo_close_path (cr);
    cairo_set_line_join (cr, CAIRO_LINE_JOIN_ROUND);
    setColour (cr, pressed ? palette::kAmber : palette::kCaptionText);
    cairo_fill_preserve (cr);
    cairo_set_line_width (cr, std::max (1.0, scale.d (1.0)));
    cairo_stroke (cr);
    cairo_restore (cr);
}

void drawMenuField (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, MenuStyle style)
{
    const double hair = scale.hair ();
    const double r = scale.d (3);
    if (style == MenuStyle::Ecs)
    {
        drawLabelButton (cr, scale, x, y, w, h, "", ButtonState::Off, false, false, palette::kAmber);
        const double tw = textWidth (cr, "MIDI MAP", kSmallFont, scale);
        const double caret = scale.d (5);
        const double left = x + (w - tw - caret - scale.d (4)) / 2;
        drawText (cr, "MIDI MAP", kSmallFont, scale, left, y + h / 2, Align::Left, palette::kCaptionText);
        const double cx = left + tw + scale.d (4) + caret / 2, cy = y + h / 2 + scale.d (0.5);
        cairo_move_to (cr, cx - caret / 2, cy - caret * 0.3);
        cairo_line_to (cr, cx + caret / 2, cy - caret * 0.3);
        cairo_line_to (cr, cx, cy + caret * 0.35);
        cairo_close_path (cr);
        setColour (cr, palette::kCaptionText);
        cairo_fill (cr);
        return;
    }
    // Inset field: dark well, shadow along the top, light lip along the bottom.
    fillRoundedVertical (cr, x, y, w, h, r, palette::kFieldTop, palette::kFieldBottom);
    cairo_save (cr);
    roundedRect (cr, x, y, w, h, r);
    cairo_clip (cr);
    cairo_rectangle (cr, x, y, w, hair * 2);
    cairo_set_source_rgba (cr, 0, 0, 0, 0.45);
    cairo_fill (cr);
    cairo_restore (cr);
    const Colour border =
        style == MenuStyle::Blue ? mix (palette::kFieldBorder, palette::kBlue, 0.35) : palette::kFieldBorder;
    strokeRoundedInside (cr, x, y, w, h, r, hair, withAlpha (border, 0.9));
    if (style == MenuStyle::Plain || style == MenuStyle::Blue)
    {
        // A small corner notch says "this opens".
        const double n = std::max (3.0, scale.d (4));
        const double inset = hair * 2 + scale.d (1);
        cairo_move_to (cr, x + w - inset, y + h - inset - n);
        cairo_line_to (cr, x + w - inset, y + h - inset);
        cairo_line_to (cr, x + w - inset - n, y + h - inset);
        cairo_close_path (cr);
        setColour (cr,
                   style == MenuStyle::Blue ? withAlpha (palette::kBlue, 0.7) : withAlpha (palette::kCaptionText, 0.6));
        cairo_fill (cr);
    }
}

void drawMeter (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, bool lit)
{
    cairo_rectangle (cr, x, y, w, h);
    setColour (cr, hex (0x07080a));
    cairo_fill (cr);
    const double gap = scale.hair ();
    for (int k = 0; k < kMeterSegments; ++k)
    {
        // k counts from the top; segment edges snap to whole pixels.
        const double top = y + std::round (k * h / kMeterSegments);
        const double bottom = y + std::round ((k + 1) * h / kMeterSegments) - gap;
        const double level = (kMeterSegments - k - 0.5) / kMeterSegments;
        Colour c = level > 0.86 ? palette::kRed : level > 0.66 ? palette::kAmber : palette::kGreen;
        if (! lit)
            c = mix (hex (0x07080a), c, 0.16);
        cairo_pattern_t* p = cairo_pattern_create_linear (x, 0, x + w, 0);
        const Colour edge = mix (c, hex (0x000000), lit ? 0.25 : 0.1);
        const Colour mid = lit ? mix (c, hex (0xffffff), 0.18) : c;
        cairo_pattern_add_color_stop_rgba (p, 0, edge.r, edge.g, edge.b, 1);
        cairo_pattern_add_color_stop_rgba (p, 0.5, mid.r, mid.g, mid.b, 1);
        cairo_pattern_add_color_stop_rgba (p, 1, edge.r, edge.g, edge.b, 1);
        cairo_rectangle (cr, x, top, w, std::max (1.0, bottom - top));
        cairo_set_source (cr, p);
        cairo_fill (cr);
        cairo_pattern_destroy (p);
    }
}

void drawSliderTrack (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, double handleWidth)
{
    const double hair = scale.hair ();
    const double grooveH = std::round (scale.d (6));
    const double gy = y + std::round ((h - grooveH) / 2);
    const double left = x + handleWidth / 2, right = x + w - handleWidth / 2;

    fillRoundedVertical (cr, left - grooveH / 2, gy, right - left + grooveH, grooveH, grooveH / 2, hex (0x050607),
                         hex (0x101215));
    roundedRect (cr, left - grooveH / 2, gy + hair, right - left + grooveH, grooveH, grooveH / 2);
    cairo_set_source_rgba (cr, 1, 1, 1, 0.05);
    cairo_set_line_width (cr, hair);
    cairo_stroke (cr);

    // Ticks at -1, -0.5, 0, 0.5, 1 above and below the groove.
    for (int i = 0; i <= 8; ++i)
    {
        const double tx = std::round (left + (right - left) * i / 8.0) + (hair == 1 ? 0.5 : 0);
        const bool major = i % 4 == 0;
        const double len = scale.d (major ? 4 : 2.5);
        setColour (cr, withAlpha (palette::kCaptionText, major ? 0.7 : 0.35));
        cairo_set_line_width (cr, hair);
        cairo_move_to (cr, tx, gy - scale.d (2));
        cairo_line_to (cr, tx, gy - scale.d (2) - len);
        cairo_move_to (cr, tx, gy + grooveH + scale.d (2));
        cairo_line_to (cr, tx, gy + grooveH + scale.d (2) + len);
        cairo_stroke (cr);
    }
}

void drawSliderHandle (cairo_t* cr, const Scale& scale, double w, double h, int frame, int frames)
{
    const double hair = scale.hair ();
    const double bw = std::round (w * 0.5), bh = h - std::round (scale.d (4));
    const double bx = std::round ((w - bw) / 2), by = std::round ((h - bh) / 2);
    // One slow breath over the animation cycle.
    const double pulse = 0.5 + 0.5 * std::cos (2 * M_PI * frame / frames);

    cairo_pattern_t* glow = cairo_pattern_create_radial (w / 2, h / 2, bw * 0.2, w / 2, h / 2, w / 2);
    cairo_pattern_add_color_stop_rgba (glow, 0, palette::kBlue.r, palette::kBlue.g, palette::kBlue.b,
                                       0.18 + 0.22 * pulse);
    cairo_pattern_add_color_stop_rgba (glow, 1, palette::kBlue.r, palette::kBlue.g, palette::kBlue.b, 0);
    cairo_rectangle (cr, 0, 0, w, h);
    cairo_set_source (cr, glow);
    cairo_fill (cr);
    cairo_pattern_destroy (glow);

    const double r = std::max (2.0, scale.d (3));
    fillRoundedVertical (cr, bx, by, bw, bh, r, palette::kButtonBorder, palette::kButtonBorder);
    fillRoundedVertical (cr, bx + hair, by + hair, bw - 2 * hair, bh - 2 * hair, r - hair, hex (0x59616b),
                         hex (0x2c3137));
    cairo_rectangle (cr, bx + 2 * hair, by + hair, bw - 4 * hair, hair);
    cairo_set_source_rgba (cr, 1, 1, 1, 0.18);
    cairo_fill (cr);

    const double lineW = std::max (2.0, std::round (scale.d (2)));
    const double lx = std::round (w / 2 - lineW / 2);
    const Colour lit = mix (palette::kBlueDeep, mix (palette::kBlue, hex (0xffffff), 0.45), pulse);
    cairo_rectangle (cr, lx, by + std::round (scale.d (3)), lineW, bh - 2 * std::round (scale.d (3)));
    setColour (cr, lit);
    cairo_fill (cr);
}

void drawSliderMarker (cairo_t* cr, const Scale& scale, double w, double h)
{
    const double lineW = std::max (2.0, std::round (scale.d (2)));
    const double lx = std::round (w / 2 - lineW / 2);
    const double tri = scale.d (4);
    cairo_rectangle (cr, lx, scale.d (3), lineW, h - scale.d (6));
    setColour (cr, withAlpha (palette::kAmber, 0.9));
    cairo_fill (cr);
    for (int end = 0; end < 2; ++end)
    {
        const double yEdge = end == 0 ? 0 : h;
        const double dir = end == 0 ? 1 : -1;
        cairo_move_to (cr, w / 2 - tri, yEdge);
        cairo_line_to (cr, w / 2 + tri, yEdge);
        cairo_line_to (cr, w / 2, yEdge + dir * tri * 1.1);
        cairo_close_path (cr);
        setColour (cr, palette::kAmber);
        cairo_fill (cr);
    }
}

void drawWordmark (cairo_t* cr, const Scale& scale, double x, double y, double fontScale, Align align,
                   const Colour& colour)
{
    Font font = kLogoFont;
    font.size *= fontScale;
    font.tracking *= fontScale;
    drawText (cr, "MORLAKE", font, scale, x, y, align, colour);
}

} // namespace morlake::artwork
