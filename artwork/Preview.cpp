#include "artwork/Preview.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>

#include "artwork/Catalogue.h"
#include "artwork/ControlArt.h"
#include "artwork/Palette.h"
#include "artwork/ScreenArt.h"

namespace morlake::artwork {

namespace {

// The editor's own fonts (VSTGUI small, normal, big, very big) and the gap
// between a knob's value line and label line, by screen size.
constexpr double kControlFontPx[kScreenSizeCount] = {11, 12, 14, 18};
constexpr int kKnobLabelOffset[kScreenSizeCount] = {10, 12, 13, 17};

class Renders
{
public:
    explicit Renders (int screenSize) : size_ (screenSize) {}
    const Image& get (int id)
    {
        auto it = images_.find (id);
        if (it == images_.end ())
            it = images_.emplace (id, renderBitmap (*findBitmap (id), size_)).first;
        return it->second;
    }

private:
    int size_;
    std::map<int, Image> images_;
};

void blitFrame (cairo_t* cr, const Image& strip, int frameHeight, int frame, double x, double y, double alpha = 1)
{
    cairo_save (cr);
    cairo_rectangle (cr, x, y, strip.width (), frameHeight);
    cairo_clip (cr);
    cairo_set_source_surface (cr, strip.surface (), x, y - double (frame) * frameHeight);
    cairo_paint_with_alpha (cr, alpha);
    cairo_restore (cr);
}

void controlText (cairo_t* cr, const Scale& scale, const std::string& text, double cx, double top, double height,
                  Align align, double left, const Colour& colour)
{
    Font font = kReadoutFont;
    font.size = kControlFontPx[scale.size] / scale.f; // absolute, as the editor's fonts are
    const double cy = top + height / 2;
    drawText (cr, text, font, scale, align == Align::Centre ? cx : left, cy, align, colour);
}

double demoValue (int i) { return std::fmod (0.08 + i * 0.377, 1.0); }

void drawKnob (cairo_t* cr, const Scale& scale, Renders& renders, const KnobPlace& k, int index, double originX,
               double originY)
{
    const KnobType& t = kKnobTypes[k.type];
    const int d = scale.px (t.size);
    const double x = originX + knobImageLeft (k.x, k.nudge, scale.size);
    const double y = originY + knobImageTop (k.y, k.nudge, scale.size);
    const double value = t.bipolar ? 0.5 + 0.4 * std::sin (index * 1.7) : demoValue (index);
    const double mod = std::clamp (value + ((index % 3 == 0) ? 0.18 : 0.0), 0.0, 1.0);
    const bool bypassed = k.tag == 26;

    int frame = static_cast<int> (t.frames * value);
    if (frame >= t.frames - 1)
        frame = t.frames - 2;
    const int ring = static_cast<int> ((t.frames - 1) * mod + 0.1);
    if (! bypassed)
        blitFrame (cr, renders.get (kBmpRingByType[k.type]), d, ring, x, y);
    blitFrame (cr, renders.get (kBmpKnobByType[k.type]), d, frame, x, y, bypassed ? 63 / 255.0 : 1.0);

    const double viewW = d + scale.px (kKnobInset);
    const double textDx = scale.size == 0 ? 0 : -(scale.px (kKnobInset) / 2 - kKnobInset / 2);
    const double viewLeft = x - kKnobInset / 2;
    const double textDy = (k.type <= 1) ? std::array<int, 4> {-2, -2, -3, -4}[scale.size] : 0;
    const double cx = viewLeft + textDx + viewW / 2;
    const double top = y + textDy + d;
    const bool blue = k.type == 6;
    Colour c = blue ? palette::kBlueText : palette::kReadoutText;
    if (bypassed)
        c = withAlpha (c, 63 / 255.0);
    const std::string valueText = t.bipolar
                                      ? std::to_string (static_cast<int> (std::lround ((value * 2 - 1) * 100))) + " %"
                                      : std::to_string (static_cast<int> (std::lround (value * 100))) + " %";
    controlText (cr, scale, valueText, cx, top, kControlFontPx[scale.size], Align::Centre, 0, c);
    std::string label = k.label[0] ? k.label : "Verb Room";
    controlText (cr, scale, label, cx, top + kKnobLabelOffset[scale.size], kControlFontPx[scale.size], Align::Centre, 0,
                 c);
}

void drawMenuDemo (cairo_t* cr, const Scale& scale, Renders& renders, const MenuPlace& m, const std::string& text,
                   double originX, double originY)
{
    if (m.style == MenuStyle::Ecs)
        return;
    const double x = originX + scale.px (m.x), y = originY + scale.px (m.y);
    const double w = scale.px (m.width);
    const double h = m.height == kMenuHeight ? scale.px (kMenuHeight) : scale.px (m.height);
    const Image& a = renders.get (kBmpMenuArrowPrevious);
    const Image& b = renders.get (kBmpMenuArrowNext);
    const int aw = a.width (), ah = b.height () / 2;
    const double ay = y + std::trunc ((h - ah) / 2);
    double textLeft = x + scale.d (4);
    Align align = Align::Centre;
    if (m.style == MenuStyle::Arrows)
    {
        blitFrame (cr, a, ah, 0, x, ay);
        blitFrame (cr, b, ah, 0, x + w - b.width (), ay);
    }
    else if (m.style == MenuStyle::Preset)
    {
        blitFrame (cr, a, ah, 0, x + w - 2 * aw, ay);
        blitFrame (cr, b, ah, 0, x + w - aw, ay);
        align = Align::Left;
    }
    else if (m.style == MenuStyle::Folder)
    {
        blitFrame (cr, a, ah, 0, x, ay);
        blitFrame (cr, b, ah, 0, x + aw, ay);
        align = Align::Left;
        textLeft = x + 2 * aw + scale.d (2);
    }
    const Colour c = m.style == MenuStyle::Blue ? palette::kBlueText : palette::kReadoutText;
    controlText (cr, scale, text, x + w / 2, y, h, align, textLeft, c);
}

const char* menuDemoText (const MenuPlace& m)
{
    switch (m.style)
    {
        case MenuStyle::Preset: return "Introduction";
        case MenuStyle::Folder: return "Introduction Bank";
        case MenuStyle::Ecs: return "";
        default: break;
    }
    switch (m.tag)
    {
        case tag::ReverbPreset: return "Large Hall";
        case tag::DisruptSpringTime: return "1/8 QB";
        case tag::DisruptQuantization: return "Off";
        case tag::LazyMode: return "Sine";
        case tag::LazyTrigger: return "Free";
        case tag::FollowerSource: return "Input";
        case tag::FollowerDest: return "Reverb Length";
        case tag::ModSlot1Source: return "Mod Wheel";
        case tag::ModSlot1Dest: return "Reverb Damp";
        case layout::kNoTag: return "Omni";
        default: return "";
    }
}

const ButtonArt& artFor (int id)
{
    for (const ButtonArt& art : kButtonArt)
        if (art.id == id)
            return art;
    return kButtonArt[0];
}

void drawButtons (cairo_t* cr, const Scale& scale, Renders& renders, const ButtonPlace* buttons, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
    {
        const ButtonPlace& b = buttons[i];
        const int id = b.id == kBmpEditedPresetInitial ? kBmpEditedPresetOn : b.id;
        const Image& strip = renders.get (id);
        const int frame = (b.kind == ButtonKind::Kick) ? 0 : static_cast<int> ((i * 7 + 3) % 5 < 2);
        blitFrame (cr, strip, scale.px (artFor (b.id).height), frame, scale.px (b.x), scale.px (b.y));
    }
}

void drawMainControls (cairo_t* cr, const Scale& scale, Renders& renders)
{
    int index = 0;
    for (const KnobPlace& k : kMainKnobs)
        drawKnob (cr, scale, renders, k, index++, 0, 0);
    drawButtons (cr, scale, renders, kMainButtons.data (), kMainButtons.size ());
    for (const MenuPlace& m : kMainMenus)
        drawMenuDemo (cr, scale, renders, m, menuDemoText (m), 0, 0);

    const Image& meter = renders.get (kBmpLevelMeter);
    const double levels[] = {0.72, 0.64, 0.93, 0.55, 0.35, 0.42};
    int mi = 0;
    for (const Point& p : kMeters)
    {
        const int cut = static_cast<int> (std::clamp (1 - levels[mi++], 0.0, 1.0) * meter.height ());
        cairo_save (cr);
        cairo_rectangle (cr, scale.px (p.x), scale.px (p.y) + cut, meter.width (), meter.height () - cut);
        cairo_clip (cr);
        cairo_set_source_surface (cr, meter.surface (), scale.px (p.x), scale.px (p.y));
        cairo_paint (cr);
        cairo_restore (cr);
    }

    const Image& marker = renders.get (kBmpDisruptModMarker);
    const Image& handle = renders.get (kBmpDisruptHandle);
    const int sx = scale.px (kSliderX), sy = scale.px (kSliderY);
    const int travel = scale.px (kSliderWidth) - marker.width ();
    const double mod = -0.45, value = 0.62;
    blitFrame (cr, marker, marker.height (), 0, sx + std::trunc ((mod * 0.5 + 0.5) * travel), sy);
    const double u = value * 2 - 1;
    blitFrame (cr, handle, marker.height (), 0, sx + std::trunc ((u * 0.5 + 0.5) * travel), sy);

    // Panel with slot 1's controls.
    const Image& panel = renders.get (kBmpModPanelBackground);
    cairo_set_source_surface (cr, panel.surface (), panelLeft (scale), panelTop (scale));
    cairo_paint (cr);
    drawKnob (cr, scale, renders, kPanelKnob, 5, panelLeft (scale), panelTop (scale));
    for (const MenuPlace& m : kPanelMenus)
        drawMenuDemo (cr, scale, renders, m, menuDemoText (m), panelLeft (scale), panelTop (scale));
}

void drawBackControls (cairo_t* cr, const Scale& scale, Renders& renders)
{
    drawButtons (cr, scale, renders, kBackButtons.data (), kBackButtons.size ());
    for (const MenuPlace& m : kBackMenus)
        drawMenuDemo (cr, scale, renders, m, menuDemoText (m), 0, 0);
    Font font = kReadoutFont;
    font.size = 18 / scale.f;
    font.weight = 400;
    drawText (cr, "Morlake - Linux VST x86_64 :  Version 1.0.0", font, scale,
              scale.px (kVersionTextX) + scale.px (kVersionTextWidth) / 2.0,
              scale.px (kVersionTextY) + scale.px (kVersionTextHeight) / 2.0, Align::Centre, hex (0x000000));
}

} // namespace

Image renderScreenPreview (PreviewScreen screen, int screenSize)
{
    const Scale scale (screenSize);
    Renders renders (screenSize);
    const int id = screen == PreviewScreen::Main ? kBmpMainBackground : kBmpBackBackground;
    const Image& bg = renders.get (id);
    Image out (bg.width (), bg.height ());
    cairo_set_source_surface (out.cr (), bg.surface (), 0, 0);
    cairo_paint (out.cr ());
    if (screen == PreviewScreen::Main)
        drawMainControls (out.cr (), scale, renders);
    else
        drawBackControls (out.cr (), scale, renders);
    return out;
}

Image renderContactSheet (int screenSize)
{
    const Scale scale (screenSize);
    Renders renders (screenSize);
    const int gap = scale.px (16);
    const int sheetW = scale.px (kWindowWidth) + 2 * gap;

    // Lay the bitmaps out in rows; strips show a few of their images side by side.
    struct Cell
    {
        int id;
        int x, y, w, h;
        std::vector<int> frames;
    };
    std::vector<Cell> cells;
    int x = gap, y = 0, rowH = 0;
    const int labelH = scale.px (14);
    for (const BitmapSpec& bitmap : bitmapCatalogue ())
    {
        if (bitmap.frameWidth == kWindowWidth)
            continue; // shown as screens above
        Cell c {bitmap.id, 0, 0, 0, 0, {}};
        if (bitmap.frames <= 2)
            for (int i = 0; i < bitmap.frames; ++i)
                c.frames.push_back (i);
        else
            for (int i = 0; i < 7; ++i)
                c.frames.push_back (std::min (bitmap.frames - 1, i * (bitmap.frames - 1) / 6));
        const int fw = bitmap.widthAt (screenSize), fh = scaled (bitmap.frameHeight, screenSize);
        const int spacing = scale.px (4);
        c.w = std::max<int> (static_cast<int> (c.frames.size ()) * (fw + spacing), scale.px (40));
        c.h = fh + labelH;
        if (x + c.w > sheetW - gap)
            x = gap, y += rowH + gap, rowH = 0;
        c.x = x;
        c.y = y;
        x += c.w + gap;
        rowH = std::max (rowH, c.h);
        cells.push_back (c);
    }
    const int gridH = y + rowH + gap;

    Image mainShot = renderScreenPreview (PreviewScreen::Main, screenSize);
    Image backShot = renderScreenPreview (PreviewScreen::Back, screenSize);
    const int gridTop = gap + mainShot.height () + gap + backShot.height () + gap;
    Image sheet (sheetW, gridTop + gridH);
    cairo_t* cr = sheet.cr ();
    cairo_rectangle (cr, 0, 0, sheet.width (), sheet.height ());
    setColour (cr, hex (0x3a3f46));
    cairo_fill (cr);
    cairo_set_source_surface (cr, mainShot.surface (), gap, gap);
    cairo_paint (cr);
    cairo_set_source_surface (cr, backShot.surface (), gap, gap + mainShot.height () + gap);
    cairo_paint (cr);

    for (const Cell& c : cells)
    {
        const BitmapSpec& bitmap = *findBitmap (c.id);
        const Image& img = renders.get (c.id);
        const int fw = img.width (), fh = scaled (bitmap.frameHeight, screenSize);
        drawText (cr, std::to_string (c.id), kSmallFont, scale, c.x, gridTop + c.y + labelH / 2.0, Align::Left,
                  hex (0xe0e0e0));
        for (std::size_t i = 0; i < c.frames.size (); ++i)
        {
            const double fx = c.x + i * (fw + scale.px (4));
            const double fy = gridTop + c.y + labelH;
            cairo_rectangle (cr, fx, fy, fw, fh);
            setColour (cr, palette::kPanelBottom);
            cairo_fill (cr);
            blitFrame (cr, img, fh, c.frames[i], fx, fy);
        }
    }
    return sheet;
}

} // namespace morlake::artwork
