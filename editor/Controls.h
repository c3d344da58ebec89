// The editor's custom controls, drawn from film-strip bitmaps and text.
#pragma once

#include "editor/EditorServices.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/ccolor.h"
#include "vstgui/lib/cfont.h"
#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/controls/cknob.h"
#include "vstgui/lib/controls/coptionmenu.h"
#include "vstgui/lib/cviewcontainer.h"

#include <memory>
#include <string>
#include <vector>

namespace morlake {

extern const VSTGUI::CColor READOUT_TEXT_COLOR;
extern const VSTGUI::CColor READOUT_TEXT_TRANS_COLOR;
extern const VSTGUI::CColor BLUE_READOUT_TEXT_COLOR;
extern const VSTGUI::CColor BLUE_READOUT_TEXT_TRANS_COLOR;

// Font and knob label distance by screen size.
VSTGUI::CFontRef fontForSize (int screenSize);
constexpr int KNOB_LABEL_OFFSET[kScreenSizes] = {10, 13, 15, 20};

// Counts draw calls per control, for the repaint-rate tests and measurements.
struct DrawCounter
{
    int draws = 0;
    uint32_t lastDrawMs = 0;
    uint32_t shortestGapMs = 0xffffffffu;
    void count ();
    void reset () { *this = DrawCounter {}; }
};

// The parts of a control a change moved, so that the frame's next pass
// repaints those instead of the whole control and the backdrop under it.
// Anything else that marks the control dirty still repaints all of it.
class PartRepaint
{
public:
    // Marks `a` and `b` of `control` for the next pass.
    void mark (VSTGUI::CControl& control, const VSTGUI::CRect& a, const VSTGUI::CRect& b);
    // From the control's setDirty: a whole repaint unless it came from mark.
    void dirtied (bool dirty)
    {
        if (dirty && ! marking)
            whole = true;
    }
    // From the control's invalid: what to repaint now.
    VSTGUI::CRect take (const VSTGUI::CRect& all);

private:
    VSTGUI::CRect part;
    bool whole = false;
    bool marking = false;
};

// A control that repaints only what its changes mark (repaintParts).
template <class Base>
class RepaintsParts : public Base
{
public:
    using Base::Base;
    void setDirty (bool val = true) override
    {
        parts.dirtied (val);
        Base::setDirty (val);
    }
    void invalid () override
    {
        const VSTGUI::CRect r = parts.take (this->getViewSize ());
        Base::setDirty (false);
        this->invalidRect (r);
    }

protected:
    void repaintParts (const VSTGUI::CRect& a, const VSTGUI::CRect& b) { parts.mark (*this, a, b); }

private:
    PartRepaint parts;
};

// Rotary knob with a modulation ring, its value text and a label.
class TKnob : public RepaintsParts<VSTGUI::CAnimKnob>
{
public:
    TKnob (const VSTGUI::CRect& size, VSTGUI::CCoord imageHeight, VSTGUI::IControlListener* listener, int32_t tag,
           VSTGUI::CBitmap* knobStrip, VSTGUI::CBitmap* ringStrip, const VSTGUI::CPoint& offset, int images,
           int screenSize, int inset, int textX, int textY);

    void setModValue (float v);
    void setString (const std::string& text);
    void setValueString (const std::string& text);
    void setBlue ();
    void setBypass (bool a, bool b);

    int getRingIndex () const { return ringIndex; }
    int getImageIndex () const;
    bool isBypassed () const { return bypassed; }
    const std::string& getLabel () const { return label; }
    const std::string& getValueText () const { return valueText; }
    VSTGUI::CBitmap* getRingStrip () const { return ring; }
    int getInset () const { return inset; }
    VSTGUI::CCoord getImageHeight () const { return imageHeight; }
    DrawCounter& drawCounter () const { return counter; }

    void draw (VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown (VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved (VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp (VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;

    CLASS_METHODS (TKnob, VSTGUI::CAnimKnob)

private:
    float sensitivityFor (int buttons) const;

    VSTGUI::SharedPointer<VSTGUI::CBitmap> ring;
    VSTGUI::CCoord imageHeight;
    int images;
    int screenSize;
    int inset;
    int textX;
    int textY;

    bool bypassed = false;
    int ringIndex = -1;
    int lastImage;
    float imageCount;
    VSTGUI::CPoint dragStart;
    VSTGUI::CPoint lastPoint;
    float dragStartValue = 0.0f;
    float sensitivity = 0.0f;
    std::string label;
    std::string valueText;
    VSTGUI::CColor textColor;
    VSTGUI::CColor bypassedTextColor;
    mutable DrawCounter counter;

    // The knob's image, where its ring is drawn too.
    VSTGUI::CRect imageRect () const;
};

// Two-state button: a two-image strip, off above on.
class TOnOff : public VSTGUI::COnOffButton
{
public:
    TOnOff (const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, int32_t tag, VSTGUI::CBitmap* bitmap);

    void setOn (bool state);
    void setOn () { setOn (true); }
    void setOff () { setOn (false); }

    void draw (VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown (VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp (VSTGUI::CPoint&, const VSTGUI::CButtonState&) override
    {
        return VSTGUI::kMouseEventHandled;
    }
    VSTGUI::CMouseEventResult onMouseMoved (VSTGUI::CPoint&, const VSTGUI::CButtonState&) override
    {
        return VSTGUI::kMouseEventHandled;
    }
    DrawCounter& drawCounter () const { return counter; }

    CLASS_METHODS (TOnOff, VSTGUI::COnOffButton)

private:
    mutable DrawCounter counter;
};

// One button of a two-button group (0 early path, 1 late path, 2 modulation slot).
class TRadioButton : public VSTGUI::CControl
{
public:
    TRadioButton (const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, int group);

    void setOn (bool state);
    void setOn () { setOn (true); }
    void setOff () { setOn (false); }
    int getGroup () const { return group; }

    void draw (VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown (VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    bool onWheel (const VSTGUI::CPoint& where, const VSTGUI::CMouseWheelAxis& axis, const float& distance,
                  const VSTGUI::CButtonState& buttons) override;

    CLASS_METHODS (TRadioButton, VSTGUI::CControl)

private:
    int group;
};

// Pop-up menu with stepping arrows, a preset mode and a folder mode.
class TOptionMenu : public VSTGUI::COptionMenu
{
public:
    TOptionMenu (const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, int32_t tag,
                 VSTGUI::CBitmap* background, VSTGUI::CBitmap* backgroundWhenClicked, int32_t style, int screenSize,
                 bool centred, bool arrows);

    void setArrow ();
    void setPresetMenu ();
    void setFolderMenu ();
    void setBlue ();
    void setString (const char* text);
    void setString (const std::string& text);
    void setBypassed (bool state);

    const std::string& getString () const { return text; }
    std::string shownText () const;
    bool isPresetMenu () const { return presetMode; }
    bool isFolderMenu () const { return folderMode; }
    bool hasArrows () const { return arrowMode; }
    bool isBypassed () const { return bypassed; }
    int getArrowZone () const { return arrowZone; }
    DrawCounter& drawCounter () const { return counter; }

    void draw (VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown (VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    bool onWheel (const VSTGUI::CPoint& where, const VSTGUI::CMouseWheelAxis& axis, const float& distance,
                  const VSTGUI::CButtonState& buttons) override;
    // A menu closed without a choice (Escape, a click outside) reports nothing.
    void valueChanged () override;

    CLASS_METHODS (TOptionMenu, VSTGUI::COptionMenu)

private:
    // Arrow bitmap width and one image's height (0 when the art is missing).
    void arrowMetrics (VSTGUI::CCoord& w, VSTGUI::CCoord& h) const;

    std::string text;
    int screenSize;
    VSTGUI::CColor textColor;
    VSTGUI::CHoriTxtAlign align;
    int arrowZone;
    bool presetMode = false;
    bool folderMode = false;
    bool arrowMode = false;
    bool bypassed = false;
    mutable DrawCounter counter;
};

// The bipolar "Disrupt Value" slider with its modulation marker.
class THorizontalSlider : public RepaintsParts<VSTGUI::CControl>
{
public:
    THorizontalSlider (const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, int32_t tag, int handleWidth);

    void setModValue (float v, int time);
    void setVal ();
    float getModValue () const { return modValue; }
    int getFrameCounter () const { return frameCounter; }
    bool isDragging () const { return dragging; }
    int getHandleWidth () const { return handleWidth; }
    DrawCounter& drawCounter () const { return counter; }

    void draw (VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown (VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseMoved (VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    VSTGUI::CMouseEventResult onMouseUp (VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    bool onWheel (const VSTGUI::CPoint& where, const VSTGUI::CMouseWheelAxis& axis, const float& distance,
                  const VSTGUI::CButtonState& buttons) override;

    CLASS_METHODS (THorizontalSlider, VSTGUI::CControl)

private:
    float quantise (float v) const;
    VSTGUI::CRect markerRect () const;
    VSTGUI::CRect handleRect () const;

    int handleWidth;
    int travel;
    bool dragging = false;
    VSTGUI::CCoord lastX = 0;
    int frameCounter = 0;
    int timeStamp = -1;
    float modValue = 0.0f;
    float lastValue = -1.0f;
    mutable DrawCounter counter;
};

// One line of text.
class TReadout : public VSTGUI::CControl
{
public:
    TReadout (const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, int32_t tag, const std::string& text,
              int fontIndex, bool centred, bool blue);

    void setString (const std::string& text);
    void setBlack ();
    void setBypassed (bool state);
    const std::string& getString () const { return text; }

    void draw (VSTGUI::CDrawContext* context) override;

    CLASS_METHODS (TReadout, VSTGUI::CControl)

private:
    std::string text;
    VSTGUI::CFontRef font;
    VSTGUI::CHoriTxtAlign align;
    VSTGUI::CColor color;
    bool bypassed = false;
};

// One line of large text (the version line).
class TReadoutString : public VSTGUI::CControl
{
public:
    TReadoutString (const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, const std::string& text, bool black,
                    double scale = 1.0);

    void setString (const std::string& text);
    const std::string& getString () const { return text; }

    void draw (VSTGUI::CDrawContext* context) override;

    CLASS_METHODS (TReadoutString, VSTGUI::CControl)

private:
    std::string text;
    VSTGUI::CColor color;
    VSTGUI::SharedPointer<VSTGUI::CFontDesc> font;
};

// Level meter: the lower part of the meter bitmap.
class TVU : public RepaintsParts<VSTGUI::CControl>
{
public:
    TVU (const VSTGUI::CRect& size, VSTGUI::IControlListener* listener);

    void setVuValue (float v);
    int getCut () const { return cut; }
    DrawCounter& drawCounter () const { return counter; }

    void draw (VSTGUI::CDrawContext* context) override;

    CLASS_METHODS (TVU, VSTGUI::CControl)

private:
    int cut = 0;
    mutable DrawCounter counter;
};

// A tooltip drawn inside the frame: VSTGUI's X11 frame has no tooltip
// window of its own, so the editor shows this one over the view.
class TTooltip : public VSTGUI::CView
{
public:
    // `scale`: the editor's screen size over 100 %.
    explicit TTooltip (double scale = 1.0);
    // Places the tip near `where` (frame coordinates), inside `bounds`,
    // measuring the text with `frame`'s fonts when it is given.
    void setText (const std::string& text, const VSTGUI::CPoint& where, const VSTGUI::CRect& bounds,
                  VSTGUI::CFrame* frame = nullptr);
    const std::string& getText () const { return text; }
    void draw (VSTGUI::CDrawContext* context) override;

private:
    std::string text;
    double scale;
    VSTGUI::SharedPointer<VSTGUI::CFontDesc> font;
};

// A copy of `base` at `scale` times its size (rounded to whole pixels).
// `base` at `scale`, rounded to whole pixels unless asked not to.
VSTGUI::SharedPointer<VSTGUI::CFontDesc> scaledFont (VSTGUI::CFontRef base, double scale, bool wholePixels = true);

// Draws frame `index` of an image strip (frames `frameHeight` high) into
// `where`. Frames are cut out once and kept: cairo's X11 backend sends the
// whole source image to the X server every time it draws from it, and a
// knob's strip holds a hundred frames. releaseStripFrames () lets them go.
void drawStripFrame (VSTGUI::CDrawContext* context, VSTGUI::CBitmap* strip, int frameHeight, int index,
                     const VSTGUI::CRect& where, float alpha = 1.0f);
void releaseStripFrames ();

// A large bitmap kept as tiles. Cairo's X11 backend sends the whole source
// image to the X server each time it is drawn from, so a full-window
// background would travel whenever a meter moves; a redraw sends only the
// tiles it covers.
class TileSet
{
public:
    explicit TileSet (VSTGUI::CBitmap* art, int tileSize = 128);
    // Draws the tiles under `update`, the art placed at `origin`.
    void draw (VSTGUI::CDrawContext* context, const VSTGUI::CRect& update, const VSTGUI::CPoint& origin) const;
    bool empty () const { return tiles.empty (); }

private:
    struct Tile
    {
        VSTGUI::CRect area;
        VSTGUI::SharedPointer<VSTGUI::CBitmap> bitmap;
    };
    std::vector<Tile> tiles;
};

// The main screen's background, drawn from tiles, under every control.
class TBackdrop : public VSTGUI::CView
{
public:
    TBackdrop (const VSTGUI::CRect& size, VSTGUI::CBitmap* art);
    void drawRect (VSTGUI::CDrawContext* context, const VSTGUI::CRect& update) override;
    void draw (VSTGUI::CDrawContext* context) override { drawRect (context, getViewSize ()); }

private:
    TileSet tiles;
};

// A container whose background bitmap is drawn from tiles.
class TTiledContainer : public VSTGUI::CViewContainer
{
public:
    using CViewContainer::CViewContainer;
    void setBackground (VSTGUI::CBitmap* background) override;
    void drawBackgroundRect (VSTGUI::CDrawContext* context, const VSTGUI::CRect& update) override;

private:
    std::unique_ptr<TileSet> tiles;
};

} // namespace morlake
