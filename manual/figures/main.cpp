// Figures of the user manual, each written as a one-page PDF holding one
// raster image (the PDF tool takes PDF pictures; the manual's test counts the
// images):
//   morlake-figure impulse OUT.wav                     a one-sample impulse
//   morlake-figure screen IN.png OUT.pdf [X,Y,W,H]     a screenshot, optionally cropped
//   morlake-figure decay IN.wav OUT.pdf TITLE          energy decay of a rendered impulse
#include <cairo.h>
#include <sndfile.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int fail (const std::string& message)
{
    std::fprintf (stderr, "morlake-figure: %s\n", message.c_str ());
    return 1;
}

// One PDF page the size of the image at 150 dots per inch, written by hand:
// groff's PDF device reads pictures with a simple parser of its own, which
// the comments and object streams of other PDF writers confuse.
bool writePdf (cairo_surface_t* image, const std::string& path)
{
    cairo_surface_flush (image);
    const int w = cairo_image_surface_get_width (image);
    const int h = cairo_image_surface_get_height (image);
    const int stride = cairo_image_surface_get_stride (image);
    const unsigned char* data = cairo_image_surface_get_data (image);
    std::vector<unsigned char> rgb;
    rgb.reserve (size_t (w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            uint32_t pixel;
            std::memcpy (&pixel, data + size_t (y) * stride + size_t (x) * 4, 4);
            rgb.push_back ((pixel >> 16) & 0xff);
            rgb.push_back ((pixel >> 8) & 0xff);
            rgb.push_back (pixel & 0xff);
        }
    uLongf packedSize = compressBound (rgb.size ());
    std::vector<unsigned char> packed (packedSize);
    if (compress2 (packed.data (), &packedSize, rgb.data (), rgb.size (), 9) != Z_OK)
        return false;
    packed.resize (packedSize);

    const double pw = w * 72.0 / 150.0, ph = h * 72.0 / 150.0;
    char content[128];
    std::snprintf (content, sizeof content, "q %.2f 0 0 %.2f 0 0 cm /Im0 Do Q\n", pw, ph);
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    auto object = [&] (const std::string& body) {
        offsets.push_back (pdf.size ());
        pdf += std::to_string (offsets.size ()) + " 0 obj\n" + body + "\nendobj\n";
    };
    char text[256];
    object ("<< /Type /Catalog /Pages 2 0 R >>");
    object ("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    std::snprintf (text, sizeof text,
                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %.2f %.2f] "
                   "/Resources << /XObject << /Im0 5 0 R >> >> /Contents 4 0 R >>",
                   pw, ph);
    object (text);
    object ("<< /Length " + std::to_string (std::strlen (content)) + " >>\nstream\n" + content + "endstream");
    std::snprintf (text, sizeof text,
                   "<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB "
                   "/BitsPerComponent 8 /Filter /FlateDecode /Length %zu >>\nstream\n",
                   w, h, packed.size ());
    object (text + std::string (packed.begin (), packed.end ()) + "\nendstream");
    const size_t xref = pdf.size ();
    pdf += "xref\n0 " + std::to_string (offsets.size () + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets)
    {
        std::snprintf (text, sizeof text, "%010zu 00000 n \n", offset);
        pdf += text;
    }
    pdf += "trailer\n<< /Size " + std::to_string (offsets.size () + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string (xref) + "\n%%EOF\n";
    FILE* file = std::fopen (path.c_str (), "wb");
    if (file == nullptr)
        return false;
    const bool ok = std::fwrite (pdf.data (), 1, pdf.size (), file) == pdf.size ();
    return std::fclose (file) == 0 && ok;
}

int writeImpulse (const std::string& path)
{
    SF_INFO info {};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open (path.c_str (), SFM_WRITE, &info);
    if (file == nullptr)
        return fail ("cannot write " + path);
    std::vector<float> frames (2 * 4800, 0.0f);
    frames[0] = frames[1] = 1.0f;
    sf_writef_float (file, frames.data (), 4800);
    sf_close (file);
    return 0;
}

int screen (const std::string& in, const std::string& out, const char* crop)
{
    cairo_surface_t* png = cairo_image_surface_create_from_png (in.c_str ());
    if (cairo_surface_status (png) != CAIRO_STATUS_SUCCESS)
        return fail ("cannot read " + in);
    int x = 0, y = 0;
    int w = cairo_image_surface_get_width (png), h = cairo_image_surface_get_height (png);
    if (crop != nullptr && std::sscanf (crop, "%d,%d,%d,%d", &x, &y, &w, &h) != 4)
        return fail ("crop takes X,Y,W,H");
    cairo_surface_t* image = cairo_image_surface_create (CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create (image);
    cairo_set_source_surface (cr, png, -x, -y);
    cairo_paint (cr);
    cairo_destroy (cr);
    const bool ok = writePdf (image, out);
    cairo_surface_destroy (image);
    cairo_surface_destroy (png);
    return ok ? 0 : fail ("cannot write " + out);
}

// Schroeder's backward integral of the squared response: the energy still to
// come at each moment, in dB below the total. Its slope is the decay rate.
std::vector<double> energyDecay (const std::vector<double>& energy)
{
    std::vector<double> decay (energy.size ());
    double sum = 0.0;
    for (size_t i = energy.size (); i-- > 0;)
        decay[i] = (sum += energy[i]);
    const double total = std::max (sum, 1e-30);
    for (double& d : decay)
        d = 10.0 * std::log10 (std::max (d / total, 1e-12));
    return decay;
}

int decayPlot (const std::string& in, const std::string& out, const std::string& title)
{
    SF_INFO info {};
    SNDFILE* file = sf_open (in.c_str (), SFM_READ, &info);
    if (file == nullptr || info.channels < 1 || info.frames < 2)
        return fail ("cannot read " + in);
    std::vector<float> frames (static_cast<size_t> (info.frames * info.channels));
    sf_readf_float (file, frames.data (), info.frames);
    sf_close (file);
    const double rate = info.samplerate;
    std::vector<double> energy (static_cast<size_t> (info.frames));
    for (size_t i = 0; i < energy.size (); ++i)
        for (int c = 0; c < info.channels; ++c)
            energy[i] += double (frames[i * info.channels + c]) * frames[i * info.channels + c];
    const std::vector<double> decay = energyDecay (energy);

    // Short-time level in 10 ms windows, relative to the loudest window.
    const size_t window = static_cast<size_t> (rate / 100.0);
    std::vector<double> level;
    for (size_t i = 0; i + window <= energy.size (); i += window)
    {
        double e = 0.0;
        for (size_t k = i; k < i + window; ++k)
            e += energy[k];
        level.push_back (e);
    }
    const double loudest = std::max (1e-30, *std::max_element (level.begin (), level.end ()));

    // Decay time from the slope between -5 and -35 dB, extended to 60 dB.
    double t5 = -1.0, t35 = -1.0;
    for (size_t i = 0; i < decay.size (); ++i)
    {
        if (t5 < 0 && decay[i] <= -5.0)
            t5 = i / rate;
        if (t35 < 0 && decay[i] <= -35.0)
            t35 = i / rate;
    }

    const double seconds = energy.size () / rate;
    const double span = std::clamp (std::ceil (seconds - 1e-3), 1.0, 60.0);
    const double floorDb = -90.0;
    const int W = 1600, H = 900, left = 120, right = 40, top = 90, bottom = 100;
    const double pw = W - left - right, ph = H - top - bottom;
    auto px = [&] (double t) { return left + pw * t / span; };
    auto py = [&] (double db) { return top + ph * std::clamp (db, floorDb, 0.0) / floorDb; };

    cairo_surface_t* image = cairo_image_surface_create (CAIRO_FORMAT_RGB24, W, H);
    cairo_t* cr = cairo_create (image);
    cairo_set_source_rgb (cr, 1, 1, 1);
    cairo_paint (cr);
    cairo_select_font_face (cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size (cr, 24);
    cairo_set_line_width (cr, 1.0);
    char text[128];
    for (int db = 0; db >= floorDb; db -= 10)
    {
        cairo_set_source_rgb (cr, 0.85, 0.85, 0.85);
        cairo_move_to (cr, left, py (db) + 0.5);
        cairo_line_to (cr, left + pw, py (db) + 0.5);
        cairo_stroke (cr);
        cairo_set_source_rgb (cr, 0, 0, 0);
        std::snprintf (text, sizeof text, "%d", db);
        cairo_text_extents_t ext;
        cairo_text_extents (cr, text, &ext);
        cairo_move_to (cr, left - 12 - ext.width, py (db) + ext.height / 2);
        cairo_show_text (cr, text);
    }
    for (int k = 0; k <= 10; ++k)
    {
        const double t = span * k / 10.0;
        cairo_set_source_rgb (cr, 0.85, 0.85, 0.85);
        cairo_move_to (cr, px (t) + 0.5, top);
        cairo_line_to (cr, px (t) + 0.5, top + ph);
        cairo_stroke (cr);
        cairo_set_source_rgb (cr, 0, 0, 0);
        std::snprintf (text, sizeof text, "%g", t);
        cairo_text_extents_t ext;
        cairo_text_extents (cr, text, &ext);
        cairo_move_to (cr, px (t) - ext.width / 2, top + ph + 34);
        cairo_show_text (cr, text);
    }
    cairo_move_to (cr, left + pw / 2 - 60, H - 24);
    cairo_show_text (cr, "time (s)");
    cairo_save (cr);
    cairo_move_to (cr, 36, top + ph / 2 + 60);
    cairo_rotate (cr, -M_PI / 2);
    cairo_show_text (cr, "level (dB)");
    cairo_restore (cr);

    // Short-time level, light; energy decay, dark.
    cairo_set_source_rgb (cr, 0.55, 0.7, 0.9);
    cairo_set_line_width (cr, 2.0);
    for (size_t i = 0; i < level.size (); ++i)
    {
        const double t = (i + 0.5) * window / rate;
        if (t > span)
            break;
        const double y = py (10.0 * std::log10 (std::max (level[i] / loudest, 1e-12)));
        i == 0 ? cairo_move_to (cr, px (t), y) : cairo_line_to (cr, px (t), y);
    }
    cairo_stroke (cr);
    cairo_set_source_rgb (cr, 0.8, 0.35, 0.05);
    cairo_set_line_width (cr, 4.0);
    const size_t step = std::max<size_t> (1, decay.size () / 4000);
    for (size_t i = 0; i < decay.size () && i / rate <= span; i += step)
        i == 0 ? cairo_move_to (cr, px (i / rate), py (decay[i])) : cairo_line_to (cr, px (i / rate), py (decay[i]));
    cairo_stroke (cr);

    cairo_set_source_rgb (cr, 0, 0, 0);
    cairo_set_line_width (cr, 2.0);
    cairo_rectangle (cr, left, top, pw, ph);
    cairo_stroke (cr);
    cairo_set_font_size (cr, 28);
    cairo_move_to (cr, left, 50);
    cairo_show_text (cr, title.c_str ());
    cairo_set_font_size (cr, 22);
    std::string legend = "orange: energy still to come (backward integral)   blue: level in 10 ms windows";
    if (t5 >= 0 && t35 > t5)
    {
        std::snprintf (text, sizeof text, "   decay time (60 dB): %.1f s", 2.0 * (t35 - t5));
        legend += text;
    }
    cairo_move_to (cr, left, 80);
    cairo_show_text (cr, legend.c_str ());
    cairo_destroy (cr);

    if (t5 >= 0 && t35 > t5)
        std::printf ("decay time %.2f s\n", 2.0 * (t35 - t5));
    const bool ok = writePdf (image, out);
    cairo_surface_destroy (image);
    return ok ? 0 : fail ("cannot write " + out);
}

} // namespace

int main (int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "impulse" && argc == 3)
        return writeImpulse (argv[2]);
    if (mode == "screen" && (argc == 4 || argc == 5))
        return screen (argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (mode == "decay" && argc == 5)
        return decayPlot (argv[2], argv[3], argv[4]);
    std::fprintf (
        stderr,
        "usage: morlake-figure impulse OUT.wav | screen IN.png OUT.pdf [X,Y,W,H] | decay IN.wav OUT.pdf TITLE\n");
    return 2;
}
