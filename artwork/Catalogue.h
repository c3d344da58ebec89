#pragma once

// Every bitmap the editor loads: its size and how to draw one image of it.

#include <functional>
#include <string>
#include <vector>

#include "artwork/Canvas.h"

namespace morlake::artwork {

struct FrameContext
{
    const Scale& scale;
    int frame;
    int frames;
    int width;  // of one image, pixels
    int height; // of one image, pixels
};

using FramePainter = std::function<void (cairo_t*, const FrameContext&)>;

struct BitmapSpec
{
    int id;
    std::string what;
    int frameWidth;  // one image at 100 %
    int frameHeight; // one image at 100 %
    int frames;      // images stacked vertically
    FramePainter paint;

    int widthAt (int screenSize) const { return scaled (frameWidth, screenSize); }
    int heightAt (int screenSize) const { return scaled (frameHeight, screenSize) * frames; }
};

const std::vector<BitmapSpec>& bitmapCatalogue ();
const BitmapSpec* findBitmap (int id);
Image renderBitmap (const BitmapSpec& bitmap, int screenSize);
std::string bitmapFileName (int id, int screenSize);

} // namespace morlake::artwork
