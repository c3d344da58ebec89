#pragma once

// Drawing primitives shared by all artwork: an owned cairo image, colours,
// pixel-snapped shapes and pango text. Coordinates are device pixels.

#include <cairo.h>

#include <string>

#include "artwork/ArtworkLayout.h"

namespace morlake::artwork {

struct Colour
{
    double r;
    double g;
    double b;
    double a = 1.0;
};

constexpr Colour hex (unsigned rgb, double alpha = 1.0)
{
    return {((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, alpha};
}
Colour mix (const Colour& a, const Colour& b, double t);
Colour withAlpha (const Colour& c, double alpha);

// An ARGB image with its drawing context.
class Image
{
public:
    Image (int width, int height);
    ~Image ();
    Image (const Image&) = delete;
    Image& operator= (const Image&) = delete;
    Image (Image&& other) noexcept;
    Image& operator= (Image&& other) noexcept;

    cairo_t* cr () const { return cr_; }
    cairo_surface_t* surface () const { return surface_; }
    int width () const { return width_; }
    int height () const { return height_; }
    bool ok () const;
    bool writePng (const std::string& path) const;

private:
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// Lengths at one screen size.
struct Scale
{
    int size; // screen-size index 0..3
    double f;

    explicit Scale (int screenSize) : size (screenSize), f (kScreenScale[screenSize]) {}
    double d (double v) const { return v * f; }
    int px (double v) const { return scaled (v, size); }
    // Width of a hairline that stays crisp: whole device pixels.
    double hair () const { return size == 3 ? 2.0 : 1.0; }
};

void setColour (cairo_t* cr, const Colour& c);
void roundedRect (cairo_t* cr, double x, double y, double w, double h, double r);
// Vertical gradient over [y0, y1] as the source.
void setVerticalGradient (cairo_t* cr, double y0, double y1, const Colour& top, const Colour& bottom);
void fillRoundedVertical (cairo_t* cr, double x, double y, double w, double h, double r, const Colour& top,
                          const Colour& bottom);
// Stroke a rounded rectangle so a `width`-wide line lies just inside the box.
void strokeRoundedInside (cairo_t* cr, double x, double y, double w, double h, double r, double width, const Colour& c);
// Soft shadow of a rounded box, built from stacked translucent outlines.
void softShadow (cairo_t* cr, double x, double y, double w, double h, double r, double spread, double alpha);

struct Font
{
    const char* family;
    int weight;      // PangoWeight
    double size;     // pixels at 100 %
    double tracking; // extra letter spacing, pixels at 100 %
};

extern const Font kTitleFont;
extern const Font kCaptionFont;
extern const Font kSmallFont;
extern const Font kBodyFont;
extern const Font kButtonFont;
extern const Font kReadoutFont; // stand-in for the controls' own text in previews
extern const Font kLogoFont;

const Font& fontFor (CaptionStyle style);
Colour colourFor (CaptionStyle style);

// Draws `text` with its cap height centred on y; returns the drawn width.
double drawText (cairo_t* cr, const std::string& text, const Font& font, const Scale& scale, double x, double y,
                 Align align, const Colour& colour);
double textWidth (cairo_t* cr, const std::string& text, const Font& font, const Scale& scale);

} // namespace morlake::artwork
