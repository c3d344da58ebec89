#include "artwork/Catalogue.h"

#include <cstdio>

#include "artwork/ControlArt.h"
#include "artwork/Palette.h"
#include "artwork/ScreenArt.h"

namespace morlake::artwork {

namespace {

const ButtonArt& artFor (int id)
{
    for (const ButtonArt& art : kButtonArt)
        if (art.id == id)
            return art;
    return kButtonArt[0];
}

const MenuPlace* menuWithPlate (int plate)
{
    for (const MenuPlace& m : kPanelMenus)
        if (m.plate == plate)
            return &m;
    for (const MenuPlace& m : kMainMenus)
        if (m.plate == plate)
            return &m;
    return nullptr;
}

BitmapSpec screen (int id, const char* what, int w, int h, void (*paint) (cairo_t*, const Scale&))
{
    return {id, what, w, h, 1, [paint] (cairo_t* cr, const FrameContext& f) { paint(cr, f.scale); }};
}

// Two-state strip: image 0 off (or normal), image 1 on (or pressed).
enum class Strip
{
    LedAmber,
    LedBlue,
    Toggle,
    ToggleRed,
    Kick,
    EditedOn,
    EditedOff
};

BitmapSpec button (int id, const char* what, Strip strip)
{
    const ButtonArt& art = artFor (id);
    return {
        id, what, art.width, art.height, 2, [strip, text = art.text] (cairo_t* cr, const FrameContext& f) {
            const bool second = f.frame == 1;
            const double w = f.width, h = f.height;
            switch (strip)
            {
                case Strip::LedAmber: drawLedButton (cr, f.scale, 0, 0, w, h, second, Accent::Amber); break;
                case Strip::LedBlue: drawLedButton (cr, f.scale, 0, 0, w, h, second, Accent::Blue); break;
                case Strip::Toggle:
                    drawLabelButton (cr, f.scale, 0, 0, w, h, text, second ? ButtonState::On : ButtonState::Off, true,
                                     second, palette::kAmber);
                    break;
                case Strip::ToggleRed:
                    drawLabelButton (cr, f.scale, 0, 0, w, h, text, second ? ButtonState::On : ButtonState::Off, true,
                                     second, palette::kRed);
                    break;
                case Strip::Kick:
                    drawLabelButton (cr, f.scale, 0, 0, w, h, text, second ? ButtonState::Pressed : ButtonState::Off,
                                     false, false, palette::kAmber);
                    break;
                case Strip::EditedOn:
                case Strip::EditedOff:
                    drawLabelButton (cr, f.scale, 0, 0, w, h, text, second ? ButtonState::Pressed : ButtonState::Off,
                                     true, strip == Strip::EditedOn, palette::kAmber);
                    break;
            }
        }};
}

BitmapSpec knobStrip (int type)
{
    const KnobType& t = kKnobTypes[type];
    return {kBmpKnobByType[type],
            "knob film strip, type " + std::to_string (type),
            t.size,
            t.size,
            t.frames,
            [] (cairo_t* cr, const FrameContext& f) {
                drawKnobCap (cr, f.scale, 0, 0, f.width, knobFrameValue (f.frame, f.frames));
            }};
}

BitmapSpec ringStrip (int type)
{
    const KnobType& t = kKnobTypes[type];
    return {kBmpRingByType[type],
            "modulation-ring film strip, type " + std::to_string (type),
            t.size,
            t.size,
            t.frames,
            [t] (cairo_t* cr, const FrameContext& f) {
                drawKnobRing (cr, f.scale, 0, 0, f.width, ringFrameValue (f.frame, f.frames), t.bipolar, t.accent);
            }};
}

BitmapSpec plate (int id, const char* what)
{
    const MenuPlace* m = menuWithPlate (id);
    const MenuStyle style = m ? m->style : MenuStyle::Plain;
    return {id, what, m ? m->width : 100, m ? m->height : kMenuHeight, 1, [style] (cairo_t* cr, const FrameContext& f) {
                drawMenuField (cr, f.scale, 0, 0, f.width, f.height, style);
            }};
}

BitmapSpec arrow (int id, const char* what, bool next)
{
    return {id, what, kArrowSize, kArrowSize, 2, [next] (cairo_t* cr, const FrameContext& f) {
                drawMenuArrow (cr, f.scale, 0, 0, f.width, next, f.frame == 1);
            }};
}

std::vector<BitmapSpec> buildCatalogue ()
{
    std::vector<BitmapSpec> all;
    all.push_back (
        screen (kBmpMainBackground, "main screen background", kWindowWidth, kWindowHeight, paintMainBackground));
    all.push_back ({kBmpLogo, "wordmark", 240, 48, 1, [] (cairo_t* cr, const FrameContext& f) {
                        drawWordmark (cr, f.scale, f.width / 2.0, f.scale.d (18), 1.0, Align::Centre,
                                      palette::kTitleText);
                        Font sub = kSmallFont;
                        sub.tracking = 2.6;
                        drawText (cr, "STEREO REVERB", sub, f.scale, f.width / 2.0, f.scale.d (40), Align::Centre,
                                  palette::kCaptionText);
                    }});
    all.push_back (
        screen (kBmpBackBackground, "back screen background", kWindowWidth, kWindowHeight, paintBackBackground));
    all.push_back (
        screen (kBmpModPanelBackground, "modulation panel background", kModPanelWidth, kModPanelHeight, paintModPanel));
    all.push_back (
        {kBmpLevelMeter, "level meter, all segments lit", kMeterWidth, kMeterHeight, 1,
         [] (cairo_t* cr, const FrameContext& f) { drawMeter (cr, f.scale, 0, 0, f.width, f.height, true); }});
    all.push_back (arrow (kBmpMenuArrowPrevious, "menu arrow previous: normal, pressed", false));
    all.push_back (arrow (kBmpMenuArrowNext, "menu arrow next: normal, pressed", true));
    all.push_back (button (kBmpLedButton, "LED button: off, on (on/off, radio, switches, full wet)", Strip::LedAmber));
    all.push_back (plate (kBmpReverbPresetMenuPlate, "reverb preset menu plate"));
    all.push_back (plate (kBmpBlueMenuPlate, "blue menu plate (spring, quantization)"));
    all.push_back (plate (kBmpSmallBlueMenuPlate, "small blue menu plate (lazy mode, trigger)"));
    all.push_back (button (kBmpSmallLedButton, "small blue LED button: off, on (lazy, reset)", Strip::LedBlue));
    for (int type = 0; type < kKnobTypeCount; ++type)
        all.push_back (knobStrip (type));
    for (int type = 0; type < kKnobTypeCount; ++type)
        all.push_back (ringStrip (type));
    all.push_back ({kBmpDisruptModMarker, "disrupt modulation marker", kSliderHandleWidth, kSliderHeight, 1,
                    [] (cairo_t* cr, const FrameContext& f) { drawSliderMarker (cr, f.scale, f.width, f.height); }});
    all.push_back ({kBmpDisruptHandle, "disrupt slider handle animation", kSliderHandleWidth, kSliderHeight,
                    kSliderHandleFrames, [] (cairo_t* cr, const FrameContext& f) {
                        drawSliderHandle (cr, f.scale, f.width, f.height, f.frame, f.frames);
                    }});
    all.push_back (button (kBmpEditedPresetOn, "edited preset, edited: normal, pressed", Strip::EditedOn));
    all.push_back (button (kBmpEditedPresetOff, "edited preset, not edited: normal, pressed", Strip::EditedOff));
    all.push_back (button (kBmpEditedPresetInitial, "edited preset as created: normal, pressed", Strip::EditedOff));
    all.push_back (button (kBmpOriginalPreset, "original preset: normal, pressed", Strip::Kick));
    all.push_back (button (kBmpOpenHelp, "help: normal, pressed", Strip::Kick));
    all.push_back (plate (kBmpPresetMenuPlate, "preset menu plate"));
    all.push_back (button (kBmpBypass, "bypass: off, on", Strip::ToggleRed));
    all.push_back (button (kBmpEarlyOnOff, "early on/off: off, on", Strip::Toggle));
    all.push_back (button (kBmpReverbOnOff, "reverb on/off: off, on", Strip::Toggle));
    all.push_back (button (kBmpLateOnOff, "late on/off: off, on", Strip::Toggle));
    all.push_back (plate (kBmpFolderMenuPlate, "folder menu plate"));
    all.push_back (plate (kBmpEcsMenuPlate, "ECS menu plate with its caption"));
    all.push_back (plate (kBmpModMenuPlate, "source/destination menu plate"));
    all.push_back (plate (kBmpFollowerSourceMenuPlate, "follower source menu plate"));
    return all;
}

} // namespace

const std::vector<BitmapSpec>& bitmapCatalogue ()
{
    static const std::vector<BitmapSpec> catalogue = buildCatalogue ();
    return catalogue;
}

const BitmapSpec* findBitmap (int id)
{
    for (const BitmapSpec& bitmap : bitmapCatalogue ())
        if (bitmap.id == id)
            return &bitmap;
    return nullptr;
}

Image renderBitmap (const BitmapSpec& bitmap, int screenSize)
{
    const Scale scale (screenSize);
    const int w = bitmap.widthAt (screenSize);
    const int frameH = scaled (bitmap.frameHeight, screenSize);
    Image image (w, frameH * bitmap.frames);
    cairo_t* cr = image.cr ();
    for (int i = 0; i < bitmap.frames; ++i)
    {
        cairo_save (cr);
        cairo_translate (cr, 0, double (i) * frameH);
        cairo_rectangle (cr, 0, 0, w, frameH);
        cairo_clip (cr);
        bitmap.paint (cr, FrameContext {scale, i, bitmap.frames, w, frameH});
        cairo_restore (cr);
    }
    return image;
}

std::string bitmapFileName (int id, int screenSize)
{
    char name[32];
    std::snprintf (name, sizeof name, "bmp%05d.png", scaledBitmapId (id, screenSize));
    return name;
}

} // namespace morlake::artwork
