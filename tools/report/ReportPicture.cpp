#include "tools/report/ReportPicture.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace morlake::sound {

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 400;
constexpr double kPanelTop = 60, kPanelHeight = 300;
constexpr double kDecayLeft = 50, kDecayWidth = 400;
constexpr double kSpectrumLeft = 520, kSpectrumWidth = 400;
constexpr double kFloorDb = -90.0;

struct Colour
{
    double r, g, b;
};

constexpr Colour kBandColours[] = {{0.55, 0.0, 0.6}, {0.2, 0.2, 0.85}, {0.0, 0.55, 0.75}, {0.1, 0.6, 0.2},
                                   {0.75, 0.6, 0.0}, {0.9, 0.4, 0.0},  {0.85, 0.1, 0.1}};

// Dark blue through red and yellow to white, for 0..1.
Colour heat (double v)
{
    v = std::clamp (v, 0.0, 1.0);
    if (v < 0.33)
        return {v / 0.33 * 0.5, 0.0, 0.25 + v / 0.33 * 0.25};
    if (v < 0.66)
        return {0.5 + (v - 0.33) / 0.33 * 0.5, (v - 0.33) / 0.33 * 0.5, 0.5 - (v - 0.33) / 0.33 * 0.5};
    return {1.0, 0.5 + (v - 0.66) / 0.34 * 0.5, (v - 0.66) / 0.34};
}

void text (cairo_t* cr, double x, double y, const std::string& s, double size = 11)
{
    cairo_set_font_size (cr, size);
    cairo_move_to (cr, x, y);
    cairo_show_text (cr, s.c_str ());
}

std::string format (const char* f, double v)
{
    char buffer[64];
    std::snprintf (buffer, sizeof buffer, f, v);
    return buffer;
}

void frame (cairo_t* cr, double left, double width)
{
    cairo_set_source_rgb (cr, 0.3, 0.3, 0.3);
    cairo_set_line_width (cr, 1.0);
    cairo_rectangle (cr, left + 0.5, kPanelTop + 0.5, width, kPanelHeight);
    cairo_stroke (cr);
}

void drawDecays (cairo_t* cr, std::span<const float> left, std::span<const float> right, double rate, double from,
                 double span)
{
    auto x = [&] (double t) { return kDecayLeft + (t - from) / span * kDecayWidth; };
    auto y = [&] (double dbValue) { return kPanelTop + std::clamp (dbValue / kFloorDb, 0.0, 1.0) * kPanelHeight; };
    cairo_set_source_rgb (cr, 0.88, 0.88, 0.88);
    for (double d = -10; d > kFloorDb; d -= 10)
    {
        cairo_move_to (cr, kDecayLeft, y (d) + 0.5);
        cairo_line_to (cr, kDecayLeft + kDecayWidth, y (d) + 0.5);
    }
    cairo_stroke (cr);
    cairo_set_source_rgb (cr, 0, 0, 0);
    for (double d = 0; d >= kFloorDb; d -= 30)
        text (cr, 8, y (d) + 4, format ("%.0f dB", d), 10);
    for (int i = 0; i <= 4; ++i)
        text (cr, x (from + span * i / 4.0) - 8, kPanelTop + kPanelHeight + 14,
              format ("%.2f s", from + span * i / 4.0), 10);

    auto curve = [&] (const std::vector<double>& edc) {
        const auto first = std::size_t (from * rate);
        const auto step = std::max<std::size_t> (1, std::size_t (span * rate / kDecayWidth / 2));
        bool started = false;
        for (std::size_t i = first; i < edc.size () && double (i) / rate <= from + span; i += step)
        {
            if (started)
                cairo_line_to (cr, x (double (i) / rate), y (edc[i]));
            else
                cairo_move_to (cr, x (double (i) / rate), y (edc[i]));
            started = true;
        }
        cairo_stroke (cr);
    };
    cairo_set_line_width (cr, 1.4);
    for (std::size_t b = 0; b < kOctaveBands.size (); ++b)
    {
        const auto bl = octaveBand (left, rate, kOctaveBands[b]);
        if (bl.empty ())
            continue;
        const auto br = octaveBand (right, rate, kOctaveBands[b]);
        const Colour c = kBandColours[b];
        cairo_set_source_rgb (cr, c.r, c.g, c.b);
        curve (energyDecayDb (power (bl, br), rate));
        const double band = kOctaveBands[b];
        text (cr, kDecayLeft + kDecayWidth - 60, kPanelTop + 14 + 13 * double (b),
              band < 1000 ? format ("%.0f Hz", band) : format ("%.0f kHz", band / 1000), 10);
    }
    cairo_set_source_rgb (cr, 0, 0, 0);
    cairo_set_line_width (cr, 2.2);
    curve (energyDecayDb (power (left, right), rate));
    text (cr, kDecayLeft + kDecayWidth - 60, kPanelTop + 14 + 13 * 7.0, "all", 10);
    frame (cr, kDecayLeft, kDecayWidth);
}

void drawSpectrogram (cairo_t* cr, std::span<const float> left, std::span<const float> right, double rate, double from,
                      double span)
{
    std::size_t n = 16;
    while (double (n) < 0.021 * rate)
        n *= 2;
    const std::size_t hop = n / 4;
    const auto begin = std::size_t (from * rate);
    const auto end = std::min (std::max (left.size (), right.size ()), std::size_t ((from + span) * rate));
    std::vector<std::vector<double>> frames;
    double peak = 1e-300;
    for (std::size_t at = begin; at + n <= end || frames.empty (); at += hop)
    {
        std::vector<double> p (n / 2, 0.0);
        for (std::span<const float> x : {left, right})
        {
            std::vector<std::complex<double>> a (n);
            for (std::size_t i = 0; i < n; ++i)
            {
                const double w = 0.5 - 0.5 * std::cos (2.0 * std::numbers::pi * double (i) / double (n));
                a[i] = at + i < x.size () ? double (x[at + i]) * w : 0.0;
            }
            fft (a);
            for (std::size_t k = 0; k < n / 2; ++k)
                p[k] += std::norm (a[k]);
        }
        for (double v : p)
            peak = std::max (peak, v);
        frames.push_back (std::move (p));
        if (at + n > end)
            break;
    }
    const int w = int (kSpectrumWidth), h = int (kPanelHeight);
    cairo_surface_t* image = cairo_image_surface_create (CAIRO_FORMAT_RGB24, w, h);
    unsigned char* data = cairo_image_surface_get_data (image);
    const int stride = cairo_image_surface_get_stride (image);
    const double lo = std::log (50.0), hi = std::log (0.5 * rate);
    for (int px = 0; px < w; ++px)
    {
        const auto& p = frames[std::min (frames.size () - 1, std::size_t (double (px) / w * double (frames.size ())))];
        for (int py = 0; py < h; ++py)
        {
            const double hz = std::exp (hi - (hi - lo) * double (py) / h);
            const auto k = std::min (p.size () - 1, std::size_t (hz / rate * double (n)));
            const double level = 10.0 * std::log10 (std::max (p[k], 1e-300) / peak);
            const Colour c = heat (1.0 - level / kFloorDb);
            auto* pixel = reinterpret_cast<std::uint32_t*> (data + std::size_t (py) * std::size_t (stride)) + px;
            *pixel = (std::uint32_t (c.r * 255) << 16) | (std::uint32_t (c.g * 255) << 8) | std::uint32_t (c.b * 255);
        }
    }
    cairo_surface_mark_dirty (image);
    cairo_set_source_surface (cr, image, kSpectrumLeft, kPanelTop);
    cairo_paint (cr);
    cairo_surface_destroy (image);

    cairo_set_source_rgb (cr, 0, 0, 0);
    for (double hz : {100.0, 1000.0, 10000.0})
        if (hz < 0.5 * rate)
            text (cr, kSpectrumLeft + kSpectrumWidth + 4,
                  kPanelTop + (hi - std::log (hz)) / (hi - lo) * kPanelHeight + 4,
                  hz < 1000 ? "100 Hz" : format ("%.0f kHz", hz / 1000), 10);
    for (int i = 0; i <= 4; ++i)
        text (cr, kSpectrumLeft + kSpectrumWidth * i / 4.0 - 8, kPanelTop + kPanelHeight + 14,
              format ("%.2f s", from + span * i / 4.0), 10);
    frame (cr, kSpectrumLeft, kSpectrumWidth);
}

} // namespace

std::string summaryLine (const ImpulseMeasures& m)
{
    std::string s = "T30 " + format ("%.2f s", m.t30);
    s += std::isfinite (m.mixingTime) ? "   mixed after " + format ("%.0f ms", 1000.0 * m.mixingTime)
                                      : "   never mixed (density " + format ("%.2f)", m.lateDensity);
    s += "   flatness " + format ("%.1f dB", m.tail.flatnessDb);
    s += "   correlation " + format ("%.2f", m.tail.correlation);
    s += "   strongest line " + format ("%.0f Hz", m.tail.lineHz) + format (" +%.1f dB", m.tail.lineDb);
    return s;
}

bool drawReport (const std::string& path, const std::string& title, std::span<const float> left,
                 std::span<const float> right, double rate, const ImpulseMeasures& m, std::string& error)
{
    std::unique_ptr<cairo_surface_t, decltype (&cairo_surface_destroy)> surface (
        cairo_image_surface_create (CAIRO_FORMAT_RGB24, kWidth, kHeight), cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype (&cairo_destroy)> context (cairo_create (surface.get ()), cairo_destroy);
    cairo_t* cr = context.get ();
    cairo_set_source_rgb (cr, 1, 1, 1);
    cairo_paint (cr);
    cairo_select_font_face (cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_source_rgb (cr, 0, 0, 0);
    text (cr, 10, 20, title, 14);
    cairo_select_font_face (cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    text (cr, 10, 40, summaryLine (m), 11);
    text (cr, kDecayLeft, kPanelTop - 4, "energy decay per octave band", 10);
    text (cr, kSpectrumLeft, kPanelTop - 4, "spectrogram (90 dB range)", 10);

    const double length = double (std::max (left.size (), right.size ())) / rate;
    const double decay = std::isfinite (m.t30) ? m.t30 : length;
    const double from = m.arrival;
    const double span = std::max (0.05, std::min (length - from, std::max (0.3, 1.6 * decay)));
    drawDecays (cr, left, right, rate, from, span);
    drawSpectrogram (cr, left, right, rate, from, span);

    cairo_surface_flush (surface.get ());
    if (cairo_surface_write_to_png (surface.get (), path.c_str ()) != CAIRO_STATUS_SUCCESS)
    {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace morlake::sound
