#pragma once

// The sizes of the bitmaps we draw, and where the backgrounds draw knob
// wells, sockets, menu fields and meter tracks: at the places the editor's
// layout table puts its controls, read from that table.

#include "layout/BitmapIds.h"
#include "layout/Layout.h"

#include <array>
#include <iterator>

namespace morlake::artwork {

constexpr double kScreenScale[kScreenSizeCount] = {SCALE[0], SCALE[1], SCALE[2], SCALE[3]};

// Scaled coordinate as the editor computes it: truncated toward zero.
constexpr int scaled (double v, int screenSize) { return static_cast<int> (v * kScreenScale[screenSize]); }

using morlake::kWindowHeight;
using morlake::kWindowWidth;
constexpr int kMenuHeight = 16; // 16, 20, 24, 32 when scaled

// ---------------------------------------------------------------------------
// Knob types: square images, `frames` images stacked vertically. Knob strip
// and ring strip of a type have the same size.
enum class Accent
{
    Amber,
    Blue
};

struct KnobType
{
    int size;
    int frames;
    bool bipolar; // arc grows from the top centre
    Accent accent;
};

constexpr KnobType kKnobTypes[kKnobTypeCount] = {
    {72, 139, false, Accent::Amber}, // 0: reverb room size and length
    {64, 139, false, Accent::Amber}, // 1: wet/dry
    {56, 139, false, Accent::Amber}, // 2: distortion, reverb volume and damping
    {48, 139, false, Accent::Amber}, // 3: not placed by the layout
    {44, 137, false, Accent::Amber}, // 4: the small knobs
    {48, 137, true, Accent::Blue},   // 5: bipolar modulation amounts
    {48, 137, false, Accent::Blue},  // 6: lazy speed
};

// Knob places and their per-size corrections come from the editor's layout.
// A knob view starts at scaled x - scaled(20) / 2 and draws its image 10
// unscaled pixels in, so knobs need x corrections of scaled(20) / 2 - 10 for
// the image to land on scaled x, where the wells are.
using layout::Nudge;
using KnobPlace = layout::Knob;
using layout::kMainKnobs;
constexpr int kKnobInset = layout::kKnobWidth;

// Top-left of the knob image in pixels at a screen size.
constexpr int knobImageLeft (int x, const Nudge& n, int s)
{
    return s == 0 ? x : scaled (x, s) - scaled (kKnobInset, s) / 2 + n.dx[s - 1] + kKnobInset / 2;
}
constexpr int knobImageTop (int y, const Nudge& n, int s) { return s == 0 ? y : scaled (y, s) + n.dy[s - 1]; }

// ---------------------------------------------------------------------------
// Two-image strips (off above on, or normal above pressed) and the buttons
// that use them. The view is the bitmap's width and half its height.
struct ButtonArt
{
    int id;
    int width;
    int height; // one image
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

enum class ButtonKind
{
    OnOff,
    Radio,
    Kick
};

struct ButtonPlace
{
    ButtonKind kind;
    int id;
    int x;
    int y;
};

// The main screen's buttons: switches, radio pairs, then the kick buttons.
inline constexpr auto kMainButtons = [] {
    constexpr std::size_t onOffs = std::size (layout::kMainOnOffs);
    constexpr layout::Kick kicks[] = {layout::kResetDisrupt, layout::kFullWet, layout::kEditedPreset,
                                      layout::kOriginalPreset, layout::kOpenHelp};
    std::array<ButtonPlace, onOffs + 6 + std::size (kicks)> all {};
    std::size_t n = 0;
    for (const auto& b : layout::kMainOnOffs)
        all[n++] = {ButtonKind::OnOff, b.bitmap, b.x, b.y};
    for (const auto& pair : layout::kRadios)
        for (const auto& p : pair)
            all[n++] = {ButtonKind::Radio, kBmpLedButton, p.x, p.y};
    for (const auto& k : kicks)
        all[n++] = {ButtonKind::Kick, k.bitmap, k.x, k.y};
    return all;
}();

// The back screen's switches: MIDI and control, then the screen sizes.
inline constexpr auto kBackButtons = [] {
    std::array<ButtonPlace, std::size (layout::kBackSwitches) + std::size (layout::kScreenSizeSwitches)> all {};
    std::size_t n = 0;
    for (const auto& p : layout::kBackSwitches)
        all[n++] = {ButtonKind::OnOff, kBmpLedButton, p.x, p.y};
    for (const auto& p : layout::kScreenSizeSwitches)
        all[n++] = {ButtonKind::OnOff, kBmpLedButton, p.x, p.y};
    return all;
}();

// ---------------------------------------------------------------------------
// Menus. The option-menu control draws its text (and arrows) over the field
// the background shows; `plate` is the decoration bitmap with that field.
enum class MenuStyle
{
    Plain,
    Blue,
    Arrows,
    Preset,
    Folder,
    Ecs
};

struct MenuPlace
{
    int tag; // layout::kNoTag for the preset, folder, controller-map and channel menus
    int x;
    int y;
    int width;
    int height;
    MenuStyle style;
    int plate; // 0: none
};

namespace detail {
constexpr MenuStyle styleOf (layout::MenuKind kind)
{
    return kind == layout::MenuKind::Blue ? MenuStyle::Blue
                                          : (kind == layout::MenuKind::Arrows ? MenuStyle::Arrows : MenuStyle::Plain);
}
constexpr MenuPlace place (const layout::Menu& m)
{
    return {m.tag, m.x, m.y, m.width, kMenuHeight, styleOf (m.kind), m.plate};
}
constexpr MenuPlace place (const layout::Area& a, MenuStyle style, int plate)
{
    return {layout::kNoTag, a.x, a.y, a.width, a.height, style, plate};
}
} // namespace detail

inline constexpr auto kMainMenus = [] {
    std::array<MenuPlace, std::size (layout::kMainMenus) + 3> all {};
    std::size_t n = 0;
    for (const auto& m : layout::kMainMenus)
        all[n++] = detail::place (m);
    all[n++] = detail::place (layout::kPresetMenu, MenuStyle::Preset, kBmpPresetMenuPlate);
    all[n++] = detail::place (layout::kFolderMenu, MenuStyle::Folder, kBmpFolderMenuPlate);
    all[n++] = detail::place (layout::kEcsMenu, MenuStyle::Ecs, kBmpEcsMenuPlate);
    return all;
}();

// The modulation panel: a container at kModPanelX/Y the size of its bitmap;
// its controls are placed in panel coordinates.
constexpr int kModPanelX = layout::kPanel.x;
constexpr int kModPanelY = layout::kPanel.y;
constexpr int kModPanelWidth = 360;
constexpr int kModPanelHeight = 100;
constexpr KnobPlace kPanelKnob = layout::kSlotKnobs[0];
constexpr MenuPlace kPanelMenus[] = {detail::place (layout::kSlotSourceMenus[0]),
                                     detail::place (layout::kSlotDestMenus[0])};

// Back screen: channel menu (the editor keeps it 19 pixels high and centres it
// with y corrections 3, 5, 8; the field is drawn at the scaled height).
constexpr MenuPlace kBackMenus[] = {{layout::kNoTag, layout::kChannelMenu.x, layout::kChannelMenu.y,
                                     layout::kChannelMenuWidth, layout::kChannelMenuHeight, MenuStyle::Plain, 0}};
constexpr int kVersionTextX = layout::kVersionText.x, kVersionTextY = layout::kVersionText.y;
constexpr int kVersionTextWidth = layout::kVersionText.width, kVersionTextHeight = layout::kVersionText.height;

// ---------------------------------------------------------------------------
// Meters: the lit image; the background shows the unlit segments beneath.
constexpr int kMeterWidth = 6;
constexpr int kMeterHeight = 60;
constexpr int kMeterSegments = 20;
using layout::kMeters;
using layout::Point;

// Disrupt slider: the marker sets the view height and the handle width; the
// handle strip has one image per animation step.
constexpr int kSliderX = layout::kSlider.x;
constexpr int kSliderY = layout::kSlider.y;
constexpr int kSliderWidth = layout::SLIDER_WIDTH[0];
constexpr int kSliderHandleWidth = 24;
constexpr int kSliderHeight = 24;
constexpr int kSliderHandleFrames = 70;

constexpr int kArrowSize = 16; // each arrow bitmap: two square images

// Invisible buttons the artwork marks.
using layout::Area;
constexpr Area kShowBackScreenArea = layout::kShowBackButton;
constexpr Area kControlMenuArea = layout::kControlMenuButton;
constexpr Area kManagerArea = layout::kManagerButton; // does nothing: left plain

// ---------------------------------------------------------------------------
// Sections framed on the main screen. The header row carries a title (or the
// section's own on/off button) and a rule that stops short of whatever sits in
// the row: `gaps` are x ranges at 100 % left free of the rule.
struct Span
{
    int from;
    int to;
};

struct Section
{
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
    {160, 104, 240, 248, "", {{307, 400}}},         // EARLY button
    {404, 104, 446, 248, "", {{458, 748}}},         // REVERB button, type menu
    {854, 104, 236, 248, "", {{981, 1069}}},        // LATE button
    {10, 358, 1080, 234, "DISRUPT", {{950, 1030}}}, // LAZY title
    {10, 598, 604, 108, "FOLLOWER", {{236, 264}}},  // meters
    {618, 598, 472, 108, "MODULATION"},
};

constexpr Section kBackSections[] = {
    {90, 400, 410, 272, "MIDI AND CONTROL"},
    {577, 400, 430, 192, "SCREEN SIZE"},
    {90, 190, 917, 170, "TIPS"},
};

// Captions on the backgrounds: text centred vertically on y.
enum class Align
{
    Left,
    Centre,
    Right
};
enum class CaptionStyle
{
    Caption,
    Small,
    Title,
    Body,
    BodyBright
};

struct Caption
{
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

} // namespace morlake::artwork
