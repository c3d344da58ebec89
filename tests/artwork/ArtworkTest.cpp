// Runs the artwork generator into a scratch folder and checks what the editor
// relies on: every bitmap id at every screen size, exact pixel sizes, strips
// that divide into whole images, and art that fits where the layout puts it.

#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "layout/BitmapIds.h"
#include "layout/Layout.h"

namespace fs = std::filesystem;
using namespace morlake;

namespace {

constexpr double kScale[4] = {1.0, 1.25, 1.5, 2.0};
int scaled (double v, int size) { return static_cast<int> (v * kScale[size]); }

// Spot checks of one image at 100 % and the number of images stacked vertically.
struct Expected
{
    int id;
    int width;
    int height;
    int images;
};

constexpr Expected kExpected[] = {
    {kBmpMainBackground, 1100, 712, 1}, {kBmpModPanelBackground, 360, 100, 1}, {kBmpLevelMeter, 6, 60, 1},
    {kBmpMenuArrowNext, 16, 16, 2},     {kBmpKnobType0, 72, 72, 139},          {kBmpRingType4, 44, 44, 137},
    {kBmpDisruptHandle, 24, 24, 70},    {kBmpPresetMenuPlate, 213, 22, 1},     {kBmpBypass, 84, 20, 2},
};

struct SurfaceDeleter
{
    void operator() (cairo_surface_t* s) const { cairo_surface_destroy (s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

std::string fileName (int id, int size)
{
    char name[32];
    std::snprintf (name, sizeof name, "bmp%05d.png", id + 1000 * size);
    return name;
}

int runTool (const std::string& args)
{
    const std::string command = std::string ("\"") + MORLAKE_ARTWORK_TOOL + "\" " + args + " >/dev/null 2>&1";
    return std::system (command.c_str ());
}

// Drawing everything takes seconds, so each test process draws once, into a
// scratch folder removed at exit.
struct Generated
{
    fs::path dir = fs::temp_directory_path () / ("morlake-artwork-" + std::to_string (::getpid ()));
    int status = -1;
    std::map<int, Surface> images;

    Generated ()
    {
        fs::remove_all (dir);
        status = runTool ("\"" + dir.string () + "\"");
    }
    ~Generated ()
    {
        images.clear ();
        std::error_code ec;
        fs::remove_all (dir, ec);
    }
};

Generated& generated ()
{
    static Generated g;
    return g;
}

// Loaded once; a missing or unreadable file gives null.
cairo_surface_t* image (int id, int size)
{
    Generated& g = generated ();
    const int key = id + 1000 * size;
    auto it = g.images.find (key);
    if (it == g.images.end ())
    {
        Surface s (cairo_image_surface_create_from_png ((g.dir / fileName (id, size)).c_str ()));
        if (cairo_surface_status (s.get ()) != CAIRO_STATUS_SUCCESS)
            s.reset ();
        it = g.images.emplace (key, std::move (s)).first;
    }
    return it->second.get ();
}

std::uint32_t pixel (cairo_surface_t* s, int x, int y)
{
    cairo_surface_flush (s);
    const unsigned char* row = cairo_image_surface_get_data (s) + y * cairo_image_surface_get_stride (s);
    return reinterpret_cast<const std::uint32_t*> (row)[x];
}
int alpha (cairo_surface_t* s, int x, int y) { return pixel (s, x, y) >> 24; }
int width (cairo_surface_t* s) { return cairo_image_surface_get_width (s); }
int height (cairo_surface_t* s) { return cairo_image_surface_get_height (s); }

// True when image `a` and image `b` of a strip differ in any pixel.
bool imagesDiffer (cairo_surface_t* s, int imageHeight, int a, int b)
{
    for (int y = 0; y < imageHeight; ++y)
        for (int x = 0; x < width (s); ++x)
            if (pixel (s, x, a * imageHeight + y) != pixel (s, x, b * imageHeight + y))
                return true;
    return false;
}

void checkWritesEveryBitmapAtItsScaledSize ()
{
    int files = 0;
    for (const auto& entry : fs::directory_iterator (generated ().dir))
    {
        ++files;
        EXPECT_EQ (entry.path ().extension (), ".png") << entry.path ();
    }
    EXPECT_EQ (files, 4 * static_cast<int> (std::size (kAllBitmapIds)));
    // Every image at 125, 150 and 200 % is its 100 % size scaled, strip by strip.
    for (int id : kAllBitmapIds)
    {
        cairo_surface_t* base = image (id, 0);
        ASSERT_NE (base, nullptr) << fileName (id, 0);
        const auto spot =
            std::find_if (std::begin (kExpected), std::end (kExpected), [&] (const Expected& e) { return e.id == id; });
        const int images = spot != std::end (kExpected) ? spot->images : 1;
        if (spot != std::end (kExpected))
        {
            EXPECT_EQ (width (base), spot->width) << fileName (id, 0);
            EXPECT_EQ (height (base), spot->height * spot->images) << fileName (id, 0);
        }
        for (int size = 1; size < 4; ++size)
        {
            cairo_surface_t* s = image (id, size);
            ASSERT_NE (s, nullptr) << fileName (id, size);
            EXPECT_EQ (width (s), scaled (width (base), size)) << fileName (id, size);
            if (images > 1)
            {
                EXPECT_EQ (height (s), scaled (height (base) / images, size) * images) << fileName (id, size);
            }
        }
    }
}

void checkBackgroundsMatchTheWindowAndThePanelFitsInIt ()
{
    const int windowW[4] = {1100, 1375, 1650, 2200};
    const int windowH[4] = {712, 890, 1068, 1424};
    for (int size = 0; size < 4; ++size)
    {
        for (int id : {kBmpMainBackground, kBmpBackBackground})
        {
            cairo_surface_t* s = image (id, size);
            ASSERT_NE (s, nullptr);
            EXPECT_EQ (width (s), windowW[size]);
            EXPECT_EQ (height (s), windowH[size]);
            // Nothing of the host window may show through a background.
            for (auto [x, y] : {std::pair {0, 0}, {width (s) - 1, height (s) - 1}, {width (s) / 2, height (s) / 2}})
                EXPECT_EQ (alpha (s, x, y), 255) << fileName (id, size) << " at " << x << "," << y;
        }
        cairo_surface_t* panel = image (kBmpModPanelBackground, size);
        ASSERT_NE (panel, nullptr);
        EXPECT_LE (scaled (layout::kPanel.x, size) + width (panel), windowW[size]);
        EXPECT_LE (scaled (layout::kPanel.y, size) + height (panel), windowH[size]);
    }
}

void checkPanelIsCutFromTheMainBackgroundSoItSitsSeamlessly ()
{
    for (int size : {0, 1, 3})
    {
        cairo_surface_t* main = image (kBmpMainBackground, size);
        cairo_surface_t* panel = image (kBmpModPanelBackground, size);
        ASSERT_NE (main, nullptr);
        ASSERT_NE (panel, nullptr);
        const int left = scaled (layout::kPanel.x, size), top = scaled (layout::kPanel.y, size);
        int mismatches = 0;
        for (int y = 0; y < height (panel); ++y)
            for (int x = 0; x < width (panel); ++x)
                mismatches += pixel (panel, x, y) != pixel (main, left + x, top + y);
        EXPECT_EQ (mismatches, 0) << "screen size " << size;
    }
}

void checkKnobAndRingStripsPairUpAndDivideIntoSquareImages ()
{
    for (int type = 0; type < kKnobTypeCount; ++type)
    {
        const int n = layout::KNOBS_IN_FILM[type];
        for (int size = 0; size < 4; ++size)
        {
            cairo_surface_t* knob = image (kBmpKnobByType[type], size);
            cairo_surface_t* ring = image (kBmpRingByType[type], size);
            ASSERT_NE (knob, nullptr);
            ASSERT_NE (ring, nullptr);
            EXPECT_EQ (width (knob), width (ring)) << "type " << type;
            EXPECT_EQ (height (knob), height (ring)) << "type " << type;
            ASSERT_EQ (height (ring) % n, 0) << "type " << type << " size " << size;
            const int side = height (ring) / n;
            EXPECT_EQ (side, width (ring)) << "type " << type << " size " << size;

            // The ring is drawn first: the knob must leave its corners clear,
            // and the ring must leave the middle clear for the well.
            EXPECT_EQ (alpha (knob, 0, 0), 0);
            EXPECT_EQ (alpha (knob, side / 2, side / 2), 255);
            EXPECT_EQ (alpha (ring, side / 2, side / 2), 0);
        }
        // The pointer turns across the shown range (the last image is never shown).
        cairo_surface_t* knob = image (kBmpKnobByType[type], 0);
        const int side = width (knob);
        EXPECT_TRUE (imagesDiffer (knob, side, 0, n / 2)) << "type " << type;
        EXPECT_TRUE (imagesDiffer (knob, side, n / 2, n - 2)) << "type " << type;
        cairo_surface_t* ring = image (kBmpRingByType[type], 0);
        EXPECT_TRUE (imagesDiffer (ring, side, 0, n - 1)) << "type " << type;
    }
}

void checkTwoStateStripsShowDistinctStates ()
{
    for (int id : {kBmpMenuArrowPrevious, kBmpMenuArrowNext, kBmpLedButton, kBmpSmallLedButton, kBmpEditedPresetOn,
                   kBmpEditedPresetOff, kBmpEditedPresetInitial, kBmpOriginalPreset, kBmpOpenHelp, kBmpBypass,
                   kBmpEarlyOnOff, kBmpReverbOnOff, kBmpLateOnOff})
    {
        for (int size = 0; size < 4; ++size)
        {
            cairo_surface_t* s = image (id, size);
            ASSERT_NE (s, nullptr);
            ASSERT_EQ (height (s) % 2, 0) << fileName (id, size);
            EXPECT_TRUE (imagesDiffer (s, height (s) / 2, 0, 1)) << fileName (id, size);
        }
    }
}

void checkSharedControlArtFitsTheLayout ()
{
    using namespace layout;
    for (int size = 0; size < 4; ++size)
    {
        // Arrow images fit inside a menu of the standard height.
        for (int id : {kBmpMenuArrowPrevious, kBmpMenuArrowNext})
        {
            cairo_surface_t* s = image (id, size);
            ASSERT_NE (s, nullptr);
            EXPECT_LE (height (s) / 2, MENU_HEIGHT[size]);
        }
        // The handle strip: one image per animation step, each the marker's size.
        cairo_surface_t* marker = image (kBmpDisruptModMarker, size);
        cairo_surface_t* handle = image (kBmpDisruptHandle, size);
        ASSERT_NE (marker, nullptr);
        ASSERT_NE (handle, nullptr);
        EXPECT_EQ (width (handle), width (marker));
        EXPECT_EQ (height (handle), 70 * height (marker));
        EXPECT_LT (width (marker), SLIDER_WIDTH[size] / 2);

        // Left and right meters stand side by side; each meter is opaque so
        // its lit part covers the unlit track beneath.
        cairo_surface_t* meter = image (kBmpLevelMeter, size);
        ASSERT_NE (meter, nullptr);
        EXPECT_LT (width (meter), scaled (kMeters[1].x, size) - scaled (kMeters[0].x, size));
        for (int y = 0; y < height (meter); ++y)
            EXPECT_EQ (alpha (meter, width (meter) / 2, y), 255) << y;

        // The late path radio buttons stand one above the other.
        cairo_surface_t* led = image (kBmpLedButton, size);
        ASSERT_NE (led, nullptr);
        EXPECT_LT (height (led) / 2, scaled (kRadios[1][1].y, size) - scaled (kRadios[1][0].y, size));
        // The window's "Edited Preset" button ends before "Open Help" starts.
        cairo_surface_t* edited = image (kBmpEditedPresetInitial, size);
        ASSERT_NE (edited, nullptr);
        EXPECT_LE (scaled (kEditedPreset.x, size) + width (edited), scaled (kOpenHelp.x, size));
    }
}

// Drawing takes seconds: one test process checks the sizes, one the fit.
TEST (Artwork, WritesEveryBitmapAtItsScaledSize)
{
    ASSERT_EQ (generated ().status, 0);
    checkWritesEveryBitmapAtItsScaledSize ();
    checkBackgroundsMatchTheWindowAndThePanelFitsInIt ();
}

TEST (Artwork, ArtLinesUpWithTheControlsThatDrawIt)
{
    ASSERT_EQ (generated ().status, 0);
    checkPanelIsCutFromTheMainBackgroundSoItSitsSeamlessly ();
    checkKnobAndRingStripsPairUpAndDivideIntoSquareImages ();
    checkTwoStateStripsShowDistinctStates ();
    checkSharedControlArtFitsTheLayout ();
}

TEST (ArtworkTool, RefusesBadArgumentsAndUnwritableFolders)
{
    EXPECT_NE (runTool (""), 0);
    EXPECT_NE (runTool ("--sheet"), 0);
    EXPECT_NE (runTool ("--sheet /dev/null --size 7"), 0);
    EXPECT_NE (runTool ("a b"), 0);

    // A folder that cannot be created: its parent is a plain file.
    const fs::path blocker = fs::temp_directory_path () / ("morlake-artwork-file-" + std::to_string (::getpid ()));
    {
        std::ofstream (blocker) << "x";
    }
    EXPECT_NE (runTool ("\"" + (blocker / "out").string () + "\""), 0);
    fs::remove (blocker);
}

} // namespace
