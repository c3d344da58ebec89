// morlake-artwork: draws the editor bitmaps.
//
//   morlake-artwork OUTPUT_DIR                  every bitmap at every screen size
//   morlake-artwork --sheet OUT.png [--size N]  contact sheet at screen size N (0..3)
//   morlake-artwork --preview main|back OUT.png [--size N] [--region X Y W H]
//   morlake-artwork --list                      ids, sizes at 100 % and what they show

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "artwork/Catalogue.h"
#include "artwork/Preview.h"

using namespace morlake;
using namespace morlake::artwork;

namespace {

int usage ()
{
    std::fprintf (stderr, "usage: morlake-artwork OUTPUT_DIR\n"
                          "       morlake-artwork --sheet OUT.png [--size 0..3]\n"
                          "       morlake-artwork --preview main|back OUT.png [--size 0..3] [--region X Y W H]\n"
                          "       morlake-artwork --list\n");
    return 2;
}

// One worker per screen size: the sizes share nothing but the read-only layout.
int writeAll (const std::filesystem::path& dir)
{
    std::error_code ec;
    std::filesystem::create_directories (dir, ec);
    if (! std::filesystem::is_directory (dir))
    {
        std::fprintf (stderr, "morlake-artwork: cannot create %s\n", dir.c_str ());
        return 1;
    }
    for (int id : kAllBitmapIds)
    {
        if (! findBitmap (id))
        {
            std::fprintf (stderr, "morlake-artwork: no art for bitmap %d\n", id);
            return 1;
        }
    }
    std::atomic<bool> failed {false};
    auto drawSize = [&] (int size) {
        for (int id : kAllBitmapIds)
        {
            if (failed.load ())
                return;
            const Image image = renderBitmap (*findBitmap (id), size);
            const std::filesystem::path path = dir / bitmapFileName (id, size);
            if (! image.writePng (path.string ()))
            {
                std::fprintf (stderr, "morlake-artwork: cannot write %s\n", path.c_str ());
                failed = true;
            }
        }
    };
    const unsigned workers = std::clamp (std::thread::hardware_concurrency (), 1u, unsigned (kScreenSizeCount));
    std::vector<std::thread> threads;
    std::atomic<int> next {0};
    for (unsigned i = 0; i < workers; ++i)
        threads.emplace_back ([&] {
            // Largest sizes first keeps the workers evenly loaded.
            for (int n; (n = next++) < kScreenSizeCount;)
                drawSize (kScreenSizeCount - 1 - n);
        });
    for (std::thread& t : threads)
        t.join ();
    return failed ? 1 : 0;
}

bool parseSize (const char* text, int& size)
{
    char* end = nullptr;
    const long v = std::strtol (text, &end, 10);
    if (! end || *end || v < 0 || v >= kScreenSizeCount)
        return false;
    size = static_cast<int> (v);
    return true;
}

int writeImage (const Image& image, const std::string& path)
{
    if (! image.writePng (path))
    {
        std::fprintf (stderr, "morlake-artwork: cannot write %s\n", path.c_str ());
        return 1;
    }
    return 0;
}

// A region given at 100 % coordinates, cut from an image at `size`.
int writeRegion (const Image& image, int size, const int region[4], const std::string& path)
{
    const int x = scaled (region[0], size), y = scaled (region[1], size);
    const int w = scaled (region[2], size), h = scaled (region[3], size);
    if (w <= 0 || h <= 0)
        return usage ();
    Image cut (w, h);
    cairo_set_source_surface (cut.cr (), image.surface (), -x, -y);
    cairo_paint (cut.cr ());
    return writeImage (cut, path);
}

} // namespace

int main (int argc, char** argv)
{
    if (argc < 2)
        return usage ();
    const std::string first = argv[1];

    if (first == "--list")
    {
        for (int id : kAllBitmapIds)
        {
            const BitmapSpec* bitmap = findBitmap (id);
            if (! bitmap)
                return 1;
            std::printf ("%d  %4d x %-5d  %2d image%s  %s\n", id, bitmap->widthAt (0), bitmap->heightAt (0),
                         bitmap->frames, bitmap->frames == 1 ? " " : "s", bitmap->what.c_str ());
        }
        return 0;
    }

    if (first == "--sheet" || first == "--preview")
    {
        int i = 2;
        PreviewScreen screen = PreviewScreen::Main;
        if (first == "--preview")
        {
            if (i >= argc)
                return usage ();
            const std::string which = argv[i++];
            if (which == "back")
                screen = PreviewScreen::Back;
            else if (which != "main")
                return usage ();
        }
        if (i >= argc)
            return usage ();
        const std::string out = argv[i++];
        int size = 0;
        int region[4] = {0, 0, 0, 0};
        bool hasRegion = false;
        while (i < argc)
        {
            const std::string opt = argv[i++];
            if (opt == "--size" && i < argc)
            {
                if (! parseSize (argv[i++], size))
                    return usage ();
            }
            else if (opt == "--region" && i + 3 < argc)
            {
                for (int& v : region)
                    v = std::atoi (argv[i++]);
                hasRegion = true;
            }
            else
            {
                return usage ();
            }
        }
        const Image image = first == "--sheet" ? renderContactSheet (size) : renderScreenPreview (screen, size);
        return hasRegion ? writeRegion (image, size, region, out) : writeImage (image, out);
    }

    if (first.rfind ("--", 0) == 0 || argc != 2)
        return usage ();
    return writeAll (first);
}
