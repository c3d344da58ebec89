#pragma once

// Where the editor puts its controls, at 100 % size, and the sizes of the
// bitmaps we draw for them. The backgrounds draw knob wells, menu fields,
// meter tracks and captions at exactly these places, so this table and the
// editor's control table must agree.

#include "artwork/BitmapIds.h"

namespace morlake::artwork {

constexpr double kScreenScale[kScreenSizeCount] = {1.0, 1.25, 1.5, 2.0};

// Scaled coordinate as the editor computes it: truncated toward zero.
constexpr int scaled(double v, int screenSize) { return static_cast<int>(v * kScreenScale[screenSize]); }

constexpr int kWindowWidth = 1100;
constexpr int kWindowHeight = 712;
constexpr int kMenuHeight = 16;  // 16, 20, 24, 32 when scaled

// ---------------------------------------------------------------------------
// Knob types: square images, `frames` images stacked vertically. Knob strip
// and ring strip of a type have the same size.
enum class Accent { Amber, Blue };

struct KnobType {
    int size;
    int frames;
    bool bipolar;  // arc grows from the top centre
    Accent accent;
};

constexpr KnobType kKnobTypes[kKnobTypeCount] = {
    {72, 139, false, Accent::Amber},  // 0: reverb room size and length
    {64, 139, false, Accent::Amber},  // 1: wet/dry
    {56, 139, false, Accent::Amber},  // 2: distortion, reverb volume and damping
    {48, 139, false, Accent::Amber},  // 3: not placed by the layout
    {44, 137, false, Accent::Amber},  // 4: the small knobs
    {48, 137, true, Accent::Blue},    // 5: bipolar modulation amounts
    {48, 137, false, Accent::Blue},   // 6: lazy speed
};

// Per-size pixel corrections (125, 150, 200 %) an editor control adds to its
// scaled position. A knob view starts at scaled x - scaled(20) / 2 and draws
// its image 10 unscaled pixels in, so knobs need x corrections of
// scaled(20) / 2 - 10 for the image to land on scaled x, where the wells are.
struct Nudge {
    int dx[3];
    int dy[3];
};
constexpr Nudge kNoNudge = {{0, 0, 0}, {0, 0, 0}};
constexpr Nudge kKnobNudge = {{2, 5, 10}, {0, 0, 0}};
constexpr Nudge kMainVolumeNudge = {{3, 5, 10}, {3, 5, 8}};  // as the layout fixes them
constexpr int kKnobInset = 20;

// Top-left of the knob image in pixels at a screen size.
constexpr int knobImageLeft(int x, const Nudge& n, int s) {
    return s == 0 ? x : scaled(x, s) - scaled(kKnobInset, s) / 2 + n.dx[s - 1] + kKnobInset / 2;
}
constexpr int knobImageTop(int y, const Nudge& n, int s) { return s == 0 ? y : scaled(y, s) + n.dy[s - 1]; }

struct KnobPlace {
    int tag;
    int x;
    int y;
    int type;
    const char* label;  // printed by the knob control itself
    Nudge nudge = kKnobNudge;
};

constexpr KnobPlace kMainKnobs[] = {
    {3, 648, 35, 4, "VOLUME", kMainVolumeNudge},
    {2, 45, 124, 1, "DRY/WET"},
    {5, 59, 249, 2, "DISTORT"},
    {8, 191, 190, 4, "VOLUME"},
    {9, 262, 190, 4, "LENGTH"},
    {10, 332, 190, 4, "DAMPING"},
    {11, 191, 277, 4, "FEED"},
    {12, 262, 277, 4, "SIDE"},
    {13, 332, 277, 4, "CROSS"},
    {15, 429, 176, 2, "VOLUME"},
    {16, 524, 152, 0, "ROOM SIZE"},
    {17, 638, 152, 0, "LENGTH"},
    {18, 756, 176, 2, "DAMPING"},
    {19, 439, 277, 4, "PRE"},
    {26, 546, 277, 4, "DISORDER"},
    {23, 661, 277, 4, "HIGH PASS"},
    {25, 767, 277, 4, "LOW PASS"},
    {30, 872, 277, 4, "VOLUME"},
    {31, 943, 277, 4, "LENGTH"},
    {33, 1013, 277, 4, "DAMPING"},
    {63, 966, 419, 6, "SPEED"},
    {45, 179, 513, 5, ""},
    {46, 276, 513, 5, ""},
    {47, 373, 513, 5, ""},
    {48, 469, 513, 5, ""},
    {49, 569, 513, 5, ""},
    {50, 673, 513, 5, ""},
    {51, 773, 513, 5, ""},
    {52, 873, 513, 5, ""},
    {68, 180, 621, 4, "THRESH"},
    {69, 273, 621, 4, "SMOOTHING"},
    {70, 516, 621, 5, "AMOUNT"},
};

// ---------------------------------------------------------------------------
// Two-image strips (off above on, or normal above pressed) and the buttons
// that use them. The view is the bitmap's width and half its height.
struct ButtonArt {
    int id;
    int width;
    int height;  // one image
    const char* text;
};

constexpr ButtonArt kButtonArt[] = {
    {kBmpLedButton, 20, 20, ""},
    {kBmpSmallLedButton, 16, 16, ""},
    {kBmpEditedPresetOn, 68, 20, "EDITED"},
    {kBmpEditedPresetOff, 68, 20, "EDITED"},
    {kBmpEditedPresetInitial, 68, 20, "EDITED"},
    {kBmpOriginalPreset, 68, 20, "ORIGINAL"},
    {kBmpOpenHelp, 64, 20, "HELP"},
    {kBmpBypass, 84, 20, "BYPASS"},
    {kBmpEarlyOnOff, 76, 16, "EARLY"},
    {kBmpReverbOnOff, 76, 16, "REVERB"},
    {kBmpLateOnOff, 76, 16, "LATE"},
};

enum class ButtonKind { OnOff, Radio, Kick };

struct ButtonPlace {
    ButtonKind kind;
    int id;
    int x;
    int y;
    const char* what;
};

constexpr ButtonPlace kMainButtons[] = {
    {ButtonKind::OnOff, kBmpBypass, 490, 35, "Bypass On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 127, 316, "Distortion On/Off"},
    {ButtonKind::OnOff, kBmpEarlyOnOff, 313, 108, "Early On/Off"},
    {ButtonKind::OnOff, kBmpReverbOnOff, 464, 109, "Reverb On/Off"},
    {ButtonKind::OnOff, kBmpLateOnOff, 987, 107, "Late On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 524, 303, "Reverb Pre-Delay Sync"},
    {ButtonKind::OnOff, kBmpLedButton, 716, 321, "Reverb HP On Off"},
    {ButtonKind::OnOff, kBmpLedButton, 821, 321, "Reverb LP On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 995, 220, "Late Length Sync"},
    {ButtonKind::OnOff, kBmpLedButton, 239, 562, "Disrupt 1 On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 336, 562, "Disrupt 2 On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 433, 562, "Disrupt 3 On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 529, 562, "Disrupt 4 On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 629, 562, "Disrupt 5 On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 733, 562, "Disrupt 6 On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 833, 562, "Disrupt 7 On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 933, 562, "Disrupt 8 On/Off"},
    {ButtonKind::OnOff, kBmpLedButton, 138, 635, "Follower On/Off"},
    {ButtonKind::OnOff, kBmpSmallLedButton, 1014, 393, "Disrupt Lazy On/Off"},
    {ButtonKind::OnOff, kBmpSmallLedButton, 948, 393, "Disrupt Lazy Sync"},
    {ButtonKind::Radio, kBmpLedButton, 237, 135, "Early Path: Direct"},
    {ButtonKind::Radio, kBmpLedButton, 349, 135, "Early Path: Into Reverb"},
    {ButtonKind::Radio, kBmpLedButton, 995, 163, "Late Path: Direct"},
    {ButtonKind::Radio, kBmpLedButton, 995, 191, "Late Path: Into Reverb"},
    {ButtonKind::Radio, kBmpLedButton, 672, 619, "Modulation Slot 1"},
    {ButtonKind::Radio, kBmpLedButton, 672, 652, "Modulation Slot 2"},
    {ButtonKind::Kick, kBmpSmallLedButton, 543, 383, "Reset Disrupt to Center"},
    {ButtonKind::Kick, kBmpLedButton, 127, 214, "Full Wet"},
    {ButtonKind::Kick, kBmpEditedPresetInitial, 334, 33, "Edited Preset"},
    {ButtonKind::Kick, kBmpOriginalPreset, 333, 62, "Original Preset"},
    {ButtonKind::Kick, kBmpOpenHelp, 410, 32, "Open Help"},
};

constexpr ButtonPlace kBackButtons[] = {
    {ButtonKind::OnOff, kBmpLedButton, 120, 442, "Computer Keyboard"},
    {ButtonKind::OnOff, kBmpLedButton, 120, 482, "MIDI Program Change"},
    {ButtonKind::OnOff, kBmpLedButton, 120, 522, "MIDI Bank Change"},
    {ButtonKind::OnOff, kBmpLedButton, 120, 562, "MIDI Capture"},
    {ButtonKind::OnOff, kBmpLedButton, 120, 642, "Dial Animation"},
    {ButtonKind::OnOff, kBmpLedButton, 607, 442, "100% Screen"},
    {ButtonKind::OnOff, kBmpLedButton, 607, 482, "125% Screen"},
    {ButtonKind::OnOff, kBmpLedButton, 607, 522, "150% Screen"},
    {ButtonKind::OnOff, kBmpLedButton, 607, 562, "200% Screen"},
};

// ---------------------------------------------------------------------------
// Menus. The option-menu control draws its text (and arrows) over the field
// the background shows; `plate` is the decoration bitmap with that field.
enum class MenuStyle { Plain, Blue, Arrows, Preset, Folder, Ecs };

struct MenuPlace {
    int x;
    int y;
    int width;
    int height;
    MenuStyle style;
    int plate;  // 0: none
    const char* what;
};

constexpr MenuPlace kMainMenus[] = {
    {592, 115, 150, kMenuHeight, MenuStyle::Arrows, kBmpReverbPresetMenuPlate, "Reverb Preset"},
    {65, 417, 85, kMenuHeight, MenuStyle::Blue, kBmpBlueMenuPlate, "Disrupt Spring Time"},
    {65, 474, 85, kMenuHeight, MenuStyle::Blue, kBmpBlueMenuPlate, "Disrupt Quantization"},
    {977, 489, 65, kMenuHeight, MenuStyle::Blue, kBmpSmallBlueMenuPlate, "Disrupt Lazy Mode"},
    {977, 511, 65, kMenuHeight, MenuStyle::Blue, kBmpSmallBlueMenuPlate, "Disrupt Lazy Trigger"},
    {42, 638, 92, kMenuHeight, MenuStyle::Plain, kBmpFollowerSourceMenuPlate, "Follower Source"},
    {352, 638, 123, kMenuHeight, MenuStyle::Plain, kBmpModMenuPlate, "Follower Destination"},
    {97, 37, 213, 22, MenuStyle::Preset, kBmpPresetMenuPlate, "Preset"},
    {97, 70, 210, 21, MenuStyle::Folder, kBmpFolderMenuPlate, "Folder"},
    {414, 68, 62, 21, MenuStyle::Ecs, kBmpEcsMenuPlate, "ECS"},
};

// The modulation panel: a container at kModPanelX/Y the size of its bitmap;
// its controls are placed in panel coordinates.
constexpr int kModPanelX = 695;
constexpr int kModPanelY = 600;
constexpr int kModPanelWidth = 360;
constexpr int kModPanelHeight = 100;
constexpr KnobPlace kPanelKnob = {72, 154, 21, 5, "AMOUNT"};
constexpr MenuPlace kPanelMenus[] = {
    {3, 38, 124, kMenuHeight, MenuStyle::Plain, kBmpModMenuPlate, "Mod Slot Source"},
    {229, 38, 124, kMenuHeight, MenuStyle::Plain, kBmpModMenuPlate, "Mod Slot Destination"},
};

// Back screen: channel menu (the editor keeps it 19 pixels high and centres it
// with y corrections 3, 5, 8; the field is drawn at the scaled height).
constexpr MenuPlace kBackMenus[] = {
    {286, 603, 100, 19, MenuStyle::Plain, 0, "MIDI Channel"},
};
constexpr int kVersionTextX = 613, kVersionTextY = 90, kVersionTextWidth = 400, kVersionTextHeight = 25;

// ---------------------------------------------------------------------------
// Meters: the lit image; the background shows the unlit segments beneath.
constexpr int kMeterWidth = 6;
constexpr int kMeterHeight = 60;
constexpr int kMeterSegments = 20;
struct Point {
    int x;
    int y;
};
constexpr Point kMeters[] = {{584, 30}, {592, 30}, {612, 30}, {620, 30}, {243, 613}, {251, 613}};

// Disrupt slider: the marker sets the view height and the handle width; the
// handle strip has one image per animation step.
constexpr int kSliderX = 158;
constexpr int kSliderY = 398;
constexpr int kSliderWidth = 788;
constexpr int kSliderHandleWidth = 24;
constexpr int kSliderHeight = 24;
constexpr int kSliderHandleFrames = 70;

constexpr int kArrowSize = 16;  // each arrow bitmap: two square images

// Invisible buttons the artwork marks.
struct Area {
    int x;
    int y;
    int width;
    int height;
};
constexpr Area kShowBackScreenArea = {720, 30, 355, 60};
constexpr Area kControlMenuArea = {1058, 27, 19, 12};
constexpr Area kManagerArea = {483, 68, 90, 21};  // does nothing: left plain

// ---------------------------------------------------------------------------
// Sections framed on the main screen. The header row carries a title (or the
// section's own on/off button) and a rule that stops short of whatever sits in
// the row: `gaps` are x ranges at 100 % left free of the rule.
struct Span {
    int from;
    int to;
};

struct Section {
    int x;
    int y;
    int width;
    int height;
    const char* title;
    Span gaps[2] = {{0, 0}, {0, 0}};
};

constexpr int kSectionHeader = 22;
constexpr Section kMainSections[] = {
    {10, 104, 146, 248, "INPUT"},
    {160, 104, 240, 248, "", {{307, 400}}},                // EARLY button
    {404, 104, 446, 248, "", {{458, 748}}},                // REVERB button, type menu
    {854, 104, 236, 248, "", {{981, 1069}}},               // LATE button
    {10, 358, 1080, 234, "DISRUPT", {{950, 1030}}},       // LAZY title
    {10, 598, 604, 108, "FOLLOWER", {{236, 264}}},        // meters
    {618, 598, 472, 108, "MODULATION"},
};

constexpr Section kBackSections[] = {
    {90, 400, 410, 272, "MIDI AND CONTROL"},
    {577, 400, 430, 192, "SCREEN SIZE"},
    {90, 190, 917, 170, "TIPS"},
};

// Captions on the backgrounds: text centred vertically on y.
enum class Align { Left, Centre, Right };
enum class CaptionStyle { Caption, Small, Title, Body, BodyBright };

struct Caption {
    const char* text;
    double x;
    double y;
    Align align;
    CaptionStyle style = CaptionStyle::Caption;
};

constexpr Caption kMainCaptions[] = {
    {"PRESET", 91, 48, Align::Right},
    {"BANK", 91, 80.5, Align::Right},
    {"IN", 591, 96, Align::Centre, CaptionStyle::Small},
    {"OUT", 619, 96, Align::Centre, CaptionStyle::Small},
    {"100%", 137, 206, Align::Centre, CaptionStyle::Small},
    {"ON", 137, 308, Align::Centre, CaptionStyle::Small},
    {"DIRECT", 232, 145, Align::Right},
    {"INTO REVERB", 344, 145, Align::Right},
    {"TYPE", 586, 123, Align::Right},
    {"SYNC", 534, 295, Align::Centre, CaptionStyle::Small},
    {"ON", 726, 313, Align::Centre, CaptionStyle::Small},
    {"ON", 831, 313, Align::Centre, CaptionStyle::Small},
    {"DIRECT", 990, 173, Align::Right},
    {"INTO REVERB", 990, 201, Align::Right},
    {"SYNC", 990, 230, Align::Right},
    {"SPRING", 107.5, 409, Align::Centre},
    {"QUANTIZE", 107.5, 466, Align::Centre},
    {"CENTER", 538, 391, Align::Right, CaptionStyle::Small},
    {"-1", 170, 432, Align::Centre, CaptionStyle::Small},
    {"0", 552, 432, Align::Centre, CaptionStyle::Small},
    {"+1", 934, 432, Align::Centre, CaptionStyle::Small},
    {"1", 203, 503, Align::Centre, CaptionStyle::Small},
    {"2", 300, 503, Align::Centre, CaptionStyle::Small},
    {"3", 397, 503, Align::Centre, CaptionStyle::Small},
    {"4", 493, 503, Align::Centre, CaptionStyle::Small},
    {"5", 593, 503, Align::Centre, CaptionStyle::Small},
    {"6", 697, 503, Align::Centre, CaptionStyle::Small},
    {"7", 797, 503, Align::Centre, CaptionStyle::Small},
    {"8", 897, 503, Align::Centre, CaptionStyle::Small},
    {"ON", 249, 555, Align::Centre, CaptionStyle::Small},
    {"ON", 346, 555, Align::Centre, CaptionStyle::Small},
    {"ON", 443, 555, Align::Centre, CaptionStyle::Small},
    {"ON", 539, 555, Align::Centre, CaptionStyle::Small},
    {"ON", 639, 555, Align::Centre, CaptionStyle::Small},
    {"ON", 743, 555, Align::Centre, CaptionStyle::Small},
    {"ON", 843, 555, Align::Centre, CaptionStyle::Small},
    {"ON", 943, 555, Align::Centre, CaptionStyle::Small},
    {"LAZY", 994, 369, Align::Centre, CaptionStyle::Title},
    {"SYNC", 956, 386, Align::Centre, CaptionStyle::Small},
    {"ON", 1022, 386, Align::Centre, CaptionStyle::Small},
    {"MODE", 972, 497, Align::Right, CaptionStyle::Small},
    {"TRIGGER", 972, 519, Align::Right, CaptionStyle::Small},
    {"SOURCE", 88, 629, Align::Centre},
    {"ON", 148, 627, Align::Centre, CaptionStyle::Small},
    {"DESTINATION", 413.5, 629, Align::Centre},
    {"SLOT 1", 666, 629, Align::Right},
    {"SLOT 2", 666, 662, Align::Right},
};

// In panel coordinates.
constexpr Caption kPanelCaptions[] = {
    {"SOURCE", 65, 29, Align::Centre},
    {"DESTINATION", 291, 29, Align::Centre},
};

constexpr Caption kBackCaptions[] = {
    {"Computer Keyboard", 152, 452, Align::Left, CaptionStyle::BodyBright},
    {"MIDI Program Change", 152, 492, Align::Left, CaptionStyle::BodyBright},
    {"MIDI Bank Change", 152, 532, Align::Left, CaptionStyle::BodyBright},
    {"MIDI Capture", 152, 572, Align::Left, CaptionStyle::BodyBright},
    {"MIDI Channel", 120, 612.5, Align::Left, CaptionStyle::BodyBright},
    {"Dial Animation", 152, 652, Align::Left, CaptionStyle::BodyBright},
    {"100 %", 639, 452, Align::Left, CaptionStyle::BodyBright},
    {"125 %", 639, 492, Align::Left, CaptionStyle::BodyBright},
    {"150 %", 639, 532, Align::Left, CaptionStyle::BodyBright},
    {"200 %", 639, 572, Align::Left, CaptionStyle::BodyBright},
    {"Takes effect when Morlake is next opened.", 720, 452, Align::Left, CaptionStyle::Body},
    {"Drag a knob:  up and down to turn it, with Shift for fine steps.", 110, 238, Align::Left, CaptionStyle::Body},
    {"Double-click a knob:  back to its default value.", 110, 262, Align::Left, CaptionStyle::Body},
    {"Click a value:  type it in, or pick a tempo division when synced.", 110, 286, Align::Left, CaptionStyle::Body},
    {"Right-click a control:  MIDI learn and modulation.", 110, 310, Align::Left, CaptionStyle::Body},
    {"Drag a knob onto a Disrupt amount or a destination menu:  it becomes the destination.", 110, 334, Align::Left,
     CaptionStyle::Body},
    {"Click anywhere else to return to the controls.", 550, 692, Align::Centre, CaptionStyle::Body},
};

}  // namespace morlake::artwork
