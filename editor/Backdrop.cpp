#include "editor/Controls.h"

#include "editor/ControlSupport.h"
#include "editor/EditorClock.h"
#include "editor/RunLoop.h"
#include "dsp/TModulation.h"
#include "instance/EditorModel.h"
#include "layout/BitmapIds.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/coffscreencontext.h"
#include "vstgui/lib/platform/iplatformbitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace morlake {

using namespace VSTGUI;
using namespace controls;

// TileSet, TBackdrop, TTiledContainer ---------------------------------------------

namespace {

// The pixels of `area` of `art` as a bitmap of their own (null when the
// platform gives no pixel access).
SharedPointer<CBitmap> cropBitmap (CBitmap* art, const CRect& area)
{
    auto source = owned (CBitmapPixelAccess::create (art));
    const auto w = static_cast<uint32_t> (area.getWidth ());
    const auto h = static_cast<uint32_t> (area.getHeight ());
    if (! source || w == 0 || h == 0)
        return nullptr;
    auto crop = makeOwned<CBitmap> (CPoint (w, h));
    auto target = owned (CBitmapPixelAccess::create (crop));
    if (! target)
        return nullptr;
    const IPlatformBitmapPixelAccess* from = source->getPlatformBitmapPixelAccess ();
    const IPlatformBitmapPixelAccess* to = target->getPlatformBitmapPixelAccess ();
    const auto left = static_cast<uint32_t> (area.left);
    const auto top = static_cast<uint32_t> (area.top);
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy (to->getAddress () + y * to->getBytesPerRow (),
                     from->getAddress () + (top + y) * from->getBytesPerRow () + left * 4, w * 4);
    return crop;
}

// Frames cut from image strips, shared by every control drawing from the same
// strip; emptied when the editor closes.
std::map<std::pair<CBitmap*, int>, SharedPointer<CBitmap>>& stripFrames ()
{
    static std::map<std::pair<CBitmap*, int>, SharedPointer<CBitmap>> frames;
    return frames;
}

std::map<CBitmap*, SharedPointer<CBitmap>>& stripsHeld ()
{
    static std::map<CBitmap*, SharedPointer<CBitmap>> strips;
    return strips;
}

} // namespace

void drawStripFrame (CDrawContext* context, CBitmap* strip, int frameHeight, int index, const CRect& where, float alpha)
{
    if (strip == nullptr || frameHeight <= 0 || index < 0)
        return;
    auto& frames = stripFrames ();
    const auto key = std::make_pair (strip, index);
    auto found = frames.find (key);
    if (found == frames.end ())
    {
        // The strip is held while its frames are: no other bitmap can take its address.
        stripsHeld ().emplace (strip, shared (strip));
        found = frames
                    .emplace (key, cropBitmap (strip, CRect (0, frameHeight * index, strip->getWidth (),
                                                             frameHeight * (index + 1))))
                    .first;
    }
    if (found->second)
        found->second->draw (context, where, CPoint (0, 0), alpha);
    else
        strip->draw (context, where, CPoint (0, frameHeight * index), alpha);
}

void releaseStripFrames ()
{
    stripFrames ().clear ();
    stripsHeld ().clear ();
}

TileSet::TileSet (CBitmap* art, int tileSize)
{
    if (art == nullptr || art->getWidth () <= 0 || art->getHeight () <= 0)
        return;
    const auto width = static_cast<uint32_t> (art->getWidth ());
    const auto height = static_cast<uint32_t> (art->getHeight ());
    const auto step = static_cast<uint32_t> (tileSize);
    for (uint32_t top = 0; top < height; top += step)
        for (uint32_t left = 0; left < width; left += step)
        {
            const CRect area (left, top, left + std::min (step, width - left), top + std::min (step, height - top));
            auto tile = cropBitmap (art, area);
            if (! tile)
            {
                tiles.assign (1, {CRect (0, 0, width, height), shared (art)});
                return;
            }
            tiles.push_back ({area, tile});
        }
}

void TileSet::draw (CDrawContext* context, const CRect& update, const CPoint& origin) const
{
    for (const Tile& tile : tiles)
    {
        CRect area (tile.area);
        area.offset (origin.x, origin.y);
        if (area.rectOverlap (update))
            tile.bitmap->draw (context, area);
    }
}

TBackdrop::TBackdrop (const CRect& size, CBitmap* art) : CView (size), tiles (art) { setMouseEnabled (false); }

void TBackdrop::drawRect (CDrawContext* context, const CRect& update)
{
    tiles.draw (context, update, getViewSize ().getTopLeft ());
    setDirty (false);
}

void TTiledContainer::setBackground (CBitmap* background)
{
    if (background != getBackground ())
        tiles = background != nullptr ? std::make_unique<TileSet> (background) : nullptr;
    CViewContainer::setBackground (background);
}

void TTiledContainer::drawBackgroundRect (CDrawContext* context, const CRect& update)
{
    if (tiles == nullptr || tiles->empty ())
        return CViewContainer::drawBackgroundRect (context, update);
    tiles->draw (context, update, CPoint (0, 0));
}

} // namespace morlake
