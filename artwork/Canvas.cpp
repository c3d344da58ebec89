#include "artwork/Canvas.h"

#include <pango/pangocairo.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "artwork/Palette.h"

namespace morlake::artwork {

Colour mix (const Colour& a, const Colour& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Colour withAlpha (const Colour& c, double alpha) { return {c.r, c.g, c.b, alpha}; }

Image::Image (int width, int height) : width_ (width), height_ (height)
{
    surface_ = cairo_image_surface_create (CAIRO_FORMAT_ARGB32, width, height);
    cr_ = cairo_create (surface_);
}

Image::~Image ()
{
    if (cr_)
        cairo_destroy (cr_);
    if (surface_)
        cairo_surface_destroy (surface_);
}

Image::Image (Image&& other) noexcept
: surface_ (std::exchange (other.surface_, nullptr)),
  cr_ (std::exchange (other.cr_, nullptr)),
  width_ (other.width_),
  height_ (other.height_)
{}

Image& Image::operator= (Image&& other) noexcept
{
    if (this != &other)
    {
        std::swap (surface_, other.surface_);
        std::swap (cr_, other.cr_);
        std::swap (width_, other.width_);
        std::swap (height_, other.height_);
    }
    return *this;
}

bool Image::ok () const
{
    return surface_ && cr_ && cairo_surface_status (surface_) == CAIRO_STATUS_SUCCESS &&
           cairo_status (cr_) == CAIRO_STATUS_SUCCESS;
}

// Our own writer: cairo's compresses hard, and the film strips are large, so
// drawing would spend most of its time in zlib.
bool Image::writePng (const std::string& path) const
{
    if (! ok ())
        return false;
    cairo_surface_flush (surface_);
    std::FILE* file = std::fopen (path.c_str (), "wb");
    if (! file)
        return false;
    png_structp png = png_create_write_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct (png) : nullptr;
    bool written = false;
    std::vector<unsigned char> row (static_cast<std::size_t> (width_) * 4);
    if (png && info && ! setjmp (png_jmpbuf (png)))
    {
        png_init_io (png, file);
        png_set_IHDR (png, info, width_, height_, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                      PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level (png, 2);
        png_set_filter (png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
        png_write_info (png, info);
        const unsigned char* data = cairo_image_surface_get_data (surface_);
        const int stride = cairo_image_surface_get_stride (surface_);
        for (int y = 0; y < height_; ++y)
        {
            const auto* src = reinterpret_cast<const std::uint32_t*> (data + static_cast<std::ptrdiff_t> (y) * stride);
            for (int x = 0; x < width_; ++x)
            {
                // Cairo keeps premultiplied ARGB; PNG wants straight RGBA.
                const std::uint32_t p = src[x];
                const unsigned a = p >> 24;
                unsigned char* out = &row[static_cast<std::size_t> (x) * 4];
                auto unpremultiply = [a] (unsigned c) {
                    return a ? static_cast<unsigned char> ((c * 255 + a / 2) / a) : 0;
                };
                out[0] = unpremultiply ((p >> 16) & 0xff);
                out[1] = unpremultiply ((p >> 8) & 0xff);
                out[2] = unpremultiply (p & 0xff);
                out[3] = static_cast<unsigned char> (a);
            }
            png_write_row (png, row.data ());
        }
        png_write_end (png, nullptr);
        written = true;
    }
    png_destroy_write_struct (png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose (file) == 0 && written;
}

void setColour (cairo_t* cr, const Colour& c) { cairo_set_source_rgba (cr, c.r, c.g, c.b, c.a); }

void roundedRect (cairo_t* cr, double x, double y, double w, double h, double r)
{
    r = std::max (0.0, std::min (r, std::min (w, h) / 2));
    cairo_new_sub_path (cr);
    cairo_arc (cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc (cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc (cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc (cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path (cr);
}

void setVerticalGradient (cairo_t* cr, double y0, double y1, const Colour& top, const Colour& bottom)
{
    cairo_pattern_t* p = cairo_pattern_create_linear (0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba (p, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba (p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source (cr, p);
    cairo_pattern_destroy (p);
}

void fillRoundedVertical (cairo_t* cr, double x, double y, double w, double h, double r, const Colour& top,
                          const Colour& bottom)
{
    roundedRect (cr, x, y, w, h, r);
    setVerticalGradient (cr, y, y + h, top, bottom);
    cairo_fill (cr);
}

void strokeRoundedInside (cairo_t* cr, double x, double y, double w, double h, double r, double width, const Colour& c)
{
    const double half = width / 2;
    roundedRect (cr, x + half, y + half, w - width, h - width, std::max (0.0, r - half));
    setColour (cr, c);
    cairo_set_line_width (cr, width);
    cairo_stroke (cr);
}

void softShadow (cairo_t* cr, double x, double y, double w, double h, double r, double spread, double alpha)
{
    const int steps = std::max (2, static_cast<int> (std::ceil (spread)));
    for (int i = steps; i >= 1; --i)
    {
        const double grow = spread * i / steps;
        roundedRect (cr, x - grow, y - grow, w + 2 * grow, h + 2 * grow, r + grow);
        cairo_set_source_rgba (cr, 0, 0, 0, alpha / steps);
        cairo_fill (cr);
    }
}

const Font kTitleFont = {"Inter, DejaVu Sans", PANGO_WEIGHT_BOLD, 10.5, 1.4};
const Font kCaptionFont = {"Inter, DejaVu Sans", PANGO_WEIGHT_SEMIBOLD, 8.5, 0.7};
const Font kSmallFont = {"Inter, DejaVu Sans", PANGO_WEIGHT_SEMIBOLD, 7.5, 0.6};
const Font kBodyFont = {"Inter, DejaVu Sans", PANGO_WEIGHT_NORMAL, 12, 0.0};
const Font kButtonFont = {"Inter, DejaVu Sans", PANGO_WEIGHT_BOLD, 8.5, 0.9};
const Font kReadoutFont = {"Inter, DejaVu Sans", PANGO_WEIGHT_BOLD, 10, 0.0};
const Font kLogoFont = {"Inter Display, Inter, DejaVu Sans", PANGO_WEIGHT_BOLD, 30, 7.0};

const Font& fontFor (CaptionStyle style)
{
    switch (style)
    {
        case CaptionStyle::Title: return kTitleFont;
        case CaptionStyle::Small: return kSmallFont;
        case CaptionStyle::Body:
        case CaptionStyle::BodyBright: return kBodyFont;
        case CaptionStyle::Caption: break;
    }
    return kCaptionFont;
}

Colour colourFor (CaptionStyle style)
{
    switch (style)
    {
        case CaptionStyle::Title: return palette::kTitleText;
        case CaptionStyle::BodyBright: return palette::kBrightText;
        case CaptionStyle::Body: return palette::kBodyText;
        case CaptionStyle::Small:
        case CaptionStyle::Caption: break;
    }
    return palette::kCaptionText;
}

namespace {

PangoLayout* makeLayout (cairo_t* cr, const std::string& text, const Font& font, const Scale& scale)
{
    PangoLayout* layout = pango_cairo_create_layout (cr);
    cairo_font_options_t* options = cairo_font_options_create ();
    cairo_font_options_set_antialias (options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style (options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics (options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options (pango_layout_get_context (layout), options);
    cairo_font_options_destroy (options);
    pango_layout_context_changed (layout);

    PangoFontDescription* desc = pango_font_description_from_string (font.family);
    pango_font_description_set_weight (desc, static_cast<PangoWeight> (font.weight));
    pango_font_description_set_absolute_size (desc, scale.d (font.size) * PANGO_SCALE);
    pango_layout_set_font_description (layout, desc);
    pango_font_description_free (desc);

    if (font.tracking != 0)
    {
        PangoAttrList* attrs = pango_attr_list_new ();
        pango_attr_list_insert (
            attrs, pango_attr_letter_spacing_new (static_cast<int> (scale.d (font.tracking) * PANGO_SCALE)));
        pango_layout_set_attributes (layout, attrs);
        pango_attr_list_unref (attrs);
    }
    pango_layout_set_text (layout, text.c_str (), -1);
    return layout;
}

// Letter spacing is added after the last glyph too; leave it out of the width.
double visibleWidth (PangoLayout* layout, const Font& font, const Scale& scale)
{
    PangoRectangle logical;
    pango_layout_get_extents (layout, nullptr, &logical);
    return logical.width / double (PANGO_SCALE) - scale.d (font.tracking);
}

} // namespace

double textWidth (cairo_t* cr, const std::string& text, const Font& font, const Scale& scale)
{
    PangoLayout* layout = makeLayout (cr, text, font, scale);
    const double w = visibleWidth (layout, font, scale);
    g_object_unref (layout);
    return w;
}

double drawText (cairo_t* cr, const std::string& text, const Font& font, const Scale& scale, double x, double y,
                 Align align, const Colour& colour)
{
    PangoLayout* layout = makeLayout (cr, text, font, scale);
    const double w = visibleWidth (layout, font, scale);
    const double baseline = pango_layout_get_baseline (layout) / double (PANGO_SCALE);
    const double capHeight = scale.d (font.size) * 0.727; // Inter's cap height per em
    double left = x;
    if (align == Align::Centre)
        left = x - w / 2;
    if (align == Align::Right)
        left = x - w;
    cairo_save (cr);
    cairo_move_to (cr, left, y + capHeight / 2 - baseline);
    setColour (cr, colour);
    pango_cairo_show_layout (cr, layout);
    cairo_restore (cr);
    g_object_unref (layout);
    return w;
}

} // namespace morlake::artwork
