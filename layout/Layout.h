// Where every control of the three views sits, at 100 % size, with the
// per-size pixel corrections that line it up with the scaled artwork. The
// one table of positions: the editor places its controls from it and the
// artwork generator draws the wells, sockets and fields beneath them from it.
// Header-only, with no dependency beyond the bitmap ids and parameter tags.
#pragma once

#include "layout/BitmapIds.h"
#include "params/ParamTags.h"

namespace morlake::layout {

// Corrections for 125, 150 and 200 %; knobs also correct their text x.
struct Nudge
{
    int dx[3] = {0, 0, 0};
    int dy[3] = {0, 0, 0};
    int tx[3] = {0, 0, 0};
};

// A knob view starts scaled(20) / 2 left of its scaled x and draws its image
// 10 unscaled pixels in; these bring the image back onto the scaled x and
// centre the texts under it.
constexpr Nudge kKnob = {{2, 5, 10}, {0, 0, 0}, {-2, -5, -10}};
constexpr Nudge kMainVolume = {{3, 5, 10}, {3, 5, 8}, {-2, -2, -8}};
constexpr Nudge kNone = {};
constexpr Nudge kChannelMenuNudge = {{0, 0, 0}, {3, 5, 8}, {0, 0, 0}};

constexpr int kKnobWidth = 20;
constexpr int kNoTag = kNoParameterTag;
constexpr int KNOBS_IN_FILM[7] = {139, 139, 139, 139, 137, 137, 137};
constexpr int MENU_HEIGHT[4] = {16, 20, 24, 32};

struct Knob
{
    int tag;
    int x;
    int y;
    int type;
    const char* label;
    Nudge nudge = kKnob;
    bool blue = false;
};

// The 32 knobs of the main screen; the eight disrupt amounts get their
// labels from their slots' destinations.
constexpr Knob kMainKnobs[] = {
    {tag::MainVolume, 648, 35, 4, "VOLUME", kMainVolume},
    {tag::WetDry, 45, 124, 1, "DRY/WET"},
    {tag::DistortionAmount, 59, 249, 2, "DISTORT"},
    {tag::EarlyVolume, 191, 190, 4, "VOLUME"},
    {tag::EarlyLength, 262, 190, 4, "LENGTH"},
    {tag::EarlyDamp, 332, 190, 4, "DAMPING"},
    {tag::EarlyFeed, 191, 277, 4, "FEED"},
    {tag::EarlySide, 262, 277, 4, "SIDE"},
    {tag::EarlyCross, 332, 277, 4, "CROSS"},
    {tag::ReverbVolume, 429, 176, 2, "VOLUME"},
    {tag::ReverbRoomSize, 524, 152, 0, "ROOM SIZE"},
    {tag::ReverbLength, 638, 152, 0, "LENGTH"},
    {tag::ReverbDamp, 756, 176, 2, "DAMPING"},
    {tag::ReverbPreDelay, 439, 277, 4, "PRE"},
    {tag::ReverbDisorder, 546, 277, 4, "DISORDER"},
    {tag::ReverbHPFrequency, 661, 277, 4, "HIGH PASS"},
    {tag::ReverbLPFrequency, 767, 277, 4, "LOW PASS"},
    {tag::LateVolume, 872, 277, 4, "VOLUME"},
    {tag::LateLength, 943, 277, 4, "LENGTH"},
    {tag::LateDamp, 1013, 277, 4, "DAMPING"},
    {tag::LazySpeed, 966, 419, 6, "SPEED", kKnob, true},
    {tag::Disrupt1Amount + 0, 179, 513, 5, ""},
    {tag::Disrupt1Amount + 1, 276, 513, 5, ""},
    {tag::Disrupt1Amount + 2, 373, 513, 5, ""},
    {tag::Disrupt1Amount + 3, 469, 513, 5, ""},
    {tag::Disrupt1Amount + 4, 569, 513, 5, ""},
    {tag::Disrupt1Amount + 5, 673, 513, 5, ""},
    {tag::Disrupt1Amount + 6, 773, 513, 5, ""},
    {tag::Disrupt1Amount + 7, 873, 513, 5, ""},
    {tag::FollowerThreshold, 180, 621, 4, "THRESH"},
    {tag::FollowerSmooth, 273, 621, 4, "SMOOTHING"},
    {tag::FollowerAmount, 516, 621, 5, "AMOUNT"},
};

// Knobs whose value text idle refreshes (their texts follow other settings).
constexpr int kValueTextTags[] = {tag::EarlyLength,    tag::ReverbRoomSize, tag::ReverbLength,
                                  tag::ReverbPreDelay, tag::LateLength,     tag::LazySpeed};

// The modulation panel's knob, per slot, in panel coordinates.
constexpr Knob kSlotKnobs[2] = {
    {tag::ModSlot1Amount, 154, 21, 5, "AMOUNT"},
    {tag::ModSlot2Amount, 154, 21, 5, "AMOUNT"},
};

struct OnOff
{
    int tag;
    int x;
    int y;
    int bitmap = kBmpLedButton;
};

constexpr OnOff kMainOnOffs[] = {
    {tag::Bypass, 490, 35, kBmpBypass},
    {tag::DistortionOn, 127, 316},
    {tag::EarlyOn, 313, 108, kBmpEarlyOnOff},
    {tag::ReverbOn, 464, 109, kBmpReverbOnOff},
    {tag::LateOn, 987, 107, kBmpLateOnOff},
    {tag::ReverbPreDelaySync, 524, 303},
    {tag::ReverbHPOn, 716, 321},
    {tag::ReverbLPOn, 821, 321},
    {tag::LateLengthSync, 995, 220},
    {tag::Disrupt1On + 0, 239, 562},
    {tag::Disrupt1On + 1, 336, 562},
    {tag::Disrupt1On + 2, 433, 562},
    {tag::Disrupt1On + 3, 529, 562},
    {tag::Disrupt1On + 4, 629, 562},
    {tag::Disrupt1On + 5, 733, 562},
    {tag::Disrupt1On + 6, 833, 562},
    {tag::Disrupt1On + 7, 933, 562},
    {tag::FollowerOn, 138, 635},
    {tag::LazyOn, 1014, 393, kBmpSmallLedButton},
    {tag::LazySync, 948, 393, kBmpSmallLedButton},
};

struct Point
{
    int x;
    int y;
};

// Radio pairs: group 0 early path, 1 late path, 2 modulation slot.
constexpr Point kRadios[3][2] = {
    {{237, 135}, {349, 135}},
    {{995, 163}, {995, 191}},
    {{672, 619}, {672, 652}},
};

enum class MenuKind
{
    Plain,
    Blue,
    Arrows,
    Destination,
};

struct Menu
{
    int tag;
    int x;
    int y;
    int width;
    MenuKind kind;
    int plate = 0; // the bitmap the background draws the field from
};

constexpr Menu kMainMenus[] = {
    {tag::ReverbPreset, 592, 115, 150, MenuKind::Arrows, kBmpReverbPresetMenuPlate},
    {tag::DisruptSpringTime, 65, 417, 85, MenuKind::Blue, kBmpBlueMenuPlate},
    {tag::DisruptQuantization, 65, 474, 85, MenuKind::Blue, kBmpBlueMenuPlate},
    {tag::LazyMode, 977, 489, 65, MenuKind::Blue, kBmpSmallBlueMenuPlate},
    {tag::LazyTrigger, 977, 511, 65, MenuKind::Blue, kBmpSmallBlueMenuPlate},
    {tag::FollowerSource, 42, 638, 92, MenuKind::Plain, kBmpFollowerSourceMenuPlate},
    {tag::FollowerDest, 352, 638, 123, MenuKind::Destination, kBmpModMenuPlate},
};

struct Area
{
    int x;
    int y;
    int width;
    int height;
};

struct Kick
{
    int x;
    int y;
    int bitmap;
};

constexpr Kick kResetDisrupt = {543, 383, kBmpSmallLedButton};
constexpr Kick kFullWet = {127, 214, kBmpLedButton};
constexpr Kick kEditedPreset = {334, 33, kBmpEditedPresetInitial};
constexpr Kick kOriginalPreset = {333, 62, kBmpOriginalPreset};
constexpr Kick kOpenHelp = {410, 32, kBmpOpenHelp};

constexpr Area kManagerButton = {483, 68, 90, 21};
constexpr Area kShowBackButton = {720, 30, 355, 60};
constexpr Area kControlMenuButton = {1058, 27, 19, 12};
constexpr Area kPresetMenu = {97, 37, 213, 22};
constexpr Area kFolderMenu = {97, 70, 210, 21};
constexpr Area kEcsMenu = {414, 68, 62, 21};

constexpr Point kSlider = {158, 398};
constexpr int SLIDER_WIDTH[4] = {788, 985, 1182, 1576};

// Meters: input L, R, output L, R, follower L, R.
constexpr Point kMeters[6] = {{584, 30}, {592, 30}, {612, 30}, {620, 30}, {243, 613}, {251, 613}};

// Modulation panel and its per-slot menus (panel coordinates).
constexpr Point kPanel = {695, 600};
constexpr Menu kSlotSourceMenus[2] = {{tag::ModSlot1Source, 3, 38, 124, MenuKind::Plain, kBmpModMenuPlate},
                                      {tag::ModSlot2Source, 3, 38, 124, MenuKind::Plain, kBmpModMenuPlate}};
constexpr Menu kSlotDestMenus[2] = {{tag::ModSlot1Dest, 229, 38, 124, MenuKind::Destination, kBmpModMenuPlate},
                                    {tag::ModSlot2Dest, 229, 38, 124, MenuKind::Destination, kBmpModMenuPlate}};

// Back screen.
enum BackSwitch
{
    kKeyboardSwitch,
    kProgramChangeSwitch,
    kBankChangeSwitch,
    kCaptureSwitch,
    kDialAnimationSwitch,
    kBackSwitchCount
};
constexpr Point kBackSwitches[kBackSwitchCount] = {{120, 442}, {120, 482}, {120, 522}, {120, 562}, {120, 642}};
constexpr Point kScreenSizeSwitches[4] = {{607, 442}, {607, 482}, {607, 522}, {607, 562}};
constexpr Point kChannelMenu = {286, 603};
constexpr int kChannelMenuWidth = 100;
constexpr int kChannelMenuHeight = 19;
constexpr Area kVersionText = {613, 90, 400, 25};

} // namespace morlake::layout
