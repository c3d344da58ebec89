#pragma once

// The pieces every screen and film strip is built from. Each draws into a box
// in device pixels at one screen size.

#include "artwork/Canvas.h"

namespace morlake::artwork {

// Knob value a film-strip image stands for. The knob control shows image
// trunc(N * value), never the last one, so image N - 2 must mean 1.0 and
// image N / 2 must mean exactly 0.5 (the centre of the bipolar knobs).
double knobFrameValue (int frame, int frames);
// Position a modulation-ring image stands for: the ring index runs 0..N - 1.
double ringFrameValue (int frame, int frames);

// The knob body with its pointer at `value`; transparent around the cap so
// the ring strip drawn first shows through.
void drawKnobCap (cairo_t* cr, const Scale& scale, double x, double y, double size, double value);
// Track and arc of the live (modulated) position.
void drawKnobRing (cairo_t* cr, const Scale& scale, double x, double y, double size, double position, bool bipolar,
                   Accent accent);
// What the background shows under a knob: the recess, and scale ticks.
void drawKnobWell (cairo_t* cr, const Scale& scale, double x, double y, double size, bool bipolar, bool manyTicks);

enum class ButtonState
{
    Off,
    On,
    Pressed
};
Colour accentColour (Accent accent);

// Square button with an LED in the middle.
void drawLedButton (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, bool on, Accent accent);
// Wide button with a caption and, when `withLed`, an LED at the left.
void drawLabelButton (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, const char* text,
                      ButtonState state, bool withLed, bool ledOn, const Colour& led);
// The recess around a button on the background.
void drawButtonSocket (cairo_t* cr, const Scale& scale, double x, double y, double w, double h);

void drawMenuArrow (cairo_t* cr, const Scale& scale, double x, double y, double size, bool next, bool pressed);
void drawMenuField (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, MenuStyle style);

// Meter segments, lit or as the dark track the background shows.
void drawMeter (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, bool lit);

void drawSliderTrack (cairo_t* cr, const Scale& scale, double x, double y, double w, double h, double handleWidth);
void drawSliderHandle (cairo_t* cr, const Scale& scale, double w, double h, int frame, int frames);
void drawSliderMarker (cairo_t* cr, const Scale& scale, double w, double h);

void drawWordmark (cairo_t* cr, const Scale& scale, double x, double y, double fontScale, Align align,
                   const Colour& colour);

} // namespace morlake::artwork
