// The factory presets as data: "1 to Morlake", the base every other preset
// is written against, then each preset in menu order with its name and what
// it changes, in the units the parameters show.
#pragma once

#include "dsp/ReverbPresets.h"
#include "params/Curves.h"
#include "params/StepScales.h"
#include "params/ModDestinations.h"
#include "params/ParamTags.h"

#include <initializer_list>
#include <string_view>

namespace morlake::factory {

// The preset data keeps its hand-made layout.
// clang-format off

struct Setting
{
    int tag;
    float value;
};

// Tags of Disrupt slot n (1..8).
constexpr int disruptOn (int n) { return tag::Disrupt1On + n - 1; }
constexpr int disruptAmount (int n) { return tag::Disrupt1Amount + n - 1; }
constexpr int disruptDest (int n) { return tag::Disrupt1Dest + n - 1; }

// "1 to Morlake": the sound a new instance plays, and the base every other
// preset is written against.
inline constexpr Setting BASE_PRESET[] = {
    {tag::Bypass, 0.0f}, {tag::WetDry, 0.27f}, {tag::MainVolume, 0.666f}, {tag::DistortionOn, 0.0f},
    {tag::DistortionAmount, 0.0f}, {tag::EarlyOn, 0.0f}, {tag::EarlyPath, 0.0f}, {tag::EarlyVolume, 1.0f},
    {tag::EarlyLength, 0.93f}, {tag::EarlyDamp, 0.185f}, {tag::EarlyFeed, 0.31f}, {tag::EarlySide, 0.53f},
    {tag::EarlyCross, 0.495f}, {tag::ReverbOn, 1.0f}, {tag::ReverbVolume, 0.857143f}, {tag::ReverbRoomSize, 0.875f},
    {tag::ReverbLength, 0.88f}, {tag::ReverbDamp, 0.295f}, {tag::ReverbPreDelay, 0.535f},
    {tag::ReverbPreDelaySync, 0.0f}, {tag::ReverbPreDelayDisorder, 0.0f}, {tag::ReverbHPOn, 1.0f},
    {tag::ReverbHPFrequency, 0.17f}, {tag::ReverbLPOn, 1.0f}, {tag::ReverbLPFrequency, 1.0f},
    {tag::ReverbDisorder, 0.0f}, {tag::ReverbPreset, 0.100091f}, {tag::LateOn, 0.0f}, {tag::LatePath, 0.0f},
    {tag::LateVolume, 0.77f}, {tag::LateLength, 0.82f}, {tag::LateLengthSync, 0.0f}, {tag::LateDamp, 0.34f},
    {tag::DisruptValue, 0.5f}, {tag::DisruptQuantization, 0.0f}, {tag::DisruptSpringTime, 0.839355f},
    {disruptOn (1), 1.0f}, {disruptOn (2), 1.0f}, {disruptOn (3), 1.0f}, {disruptOn (4), 1.0f},
    {disruptOn (5), 1.0f}, {disruptOn (6), 1.0f}, {disruptOn (7), 1.0f}, {disruptOn (8), 1.0f},
    {disruptAmount (1), 0.5f}, {disruptAmount (2), 0.5f}, {disruptAmount (3), 0.75f}, {disruptAmount (4), 0.5f},
    {disruptAmount (5), 0.75f}, {disruptAmount (6), 0.75f}, {disruptAmount (7), 0.5f}, {disruptAmount (8), 0.75f},
    {disruptDest (1), 0.011001f}, {disruptDest (2), 0.10101f}, {disruptDest (3), 0.121012f},
    {disruptDest (4), 0.251025f}, {disruptDest (5), 0.30103f}, {disruptDest (6), 0.311031f},
    {disruptDest (7), 0.191019f}, {disruptDest (8), 0.211021f}, {tag::LazyOn, 0.0f}, {tag::LazyMode, 0.508757f},
    {tag::LazySpeed, 0.56f}, {tag::LazySync, 1.0f}, {tag::LazyTrigger, 0.011001f}, {tag::FollowerOn, 0.0f},
    {tag::FollowerDest, 0.0f}, {tag::FollowerThreshold, 0.05f}, {tag::FollowerSmooth, 0.0f},
    {tag::FollowerAmount, 0.5f}, {tag::FollowerSource, 0.0f}, {tag::ModSlot1Amount, 1.0f},
    {tag::ModSlot1Source, 0.011001f}, {tag::ModSlot1Dest, 0.361036f}, {tag::ModSlot2Amount, 0.5f},
    {tag::ModSlot2Source, 0.0f}, {tag::ModSlot2Dest, 0.0f}, {tag::Reserved, 1.0f}, 
    // Reverb character "Hall Cave" widen row and its character row.
    {tag::HiddenFirst + 0, 0.4f},
    {tag::HiddenFirst + 1, 0.050505f}, {tag::HiddenFirst + 2, 0.181818f}, {tag::HiddenFirst + 3, 0.7f},
    {tag::HiddenFirst + 4, 0.030303f}, {tag::HiddenFirst + 5, 0.121212f}, {tag::HiddenFirst + 6, 1.0f},
    {tag::HiddenFirst + 7, 0.030303f}, {tag::HiddenFirst + 8, 0.2f}, {tag::HiddenFirst + 9, 0.9f},
    {tag::HiddenFirst + 10, 0.060606f}, {tag::HiddenFirst + 11, 0.151515f}, {tag::HiddenFirst + 12, 0.020202f},
    {tag::HiddenFirst + 13, 0.787879f}, {tag::HiddenFirst + 14, 0.020202f}, {tag::HiddenFirst + 15, 0.606061f},
    {tag::HiddenFirst + 16, 0.030303f}, {tag::HiddenFirst + 17, 0.747475f}, {tag::HiddenFirst + 18, 1.0f},
    {tag::HiddenFirst + 19, 0.0f}, {tag::HiddenFirst + 20, 0.0f}, {tag::HiddenFirst + 21, 0.0f},
};

// List tags (sources, destinations, lazy trigger) count in hundredths.
constexpr float item (int k) { return stepValue (k, scale::List); }
constexpr float character (int k) { return stepValue (k, scale::ReverbPreset); }

// "Reverb Preset" steps.
enum : int { HallClean, HallCave, HallWarm, RoomCold, RoomEdged, RoomStorm, Vintage1, Vintage2, Orbit1, Orbit2 };
// Modulation sources (SRC_STR) the presets use; destinations are dest:: entries.
enum : int { SrcNone = 0, SrcModWheel = 1, SrcDisrupt = 32, SrcFollower = 33, SrcLazy = 34, SrcUniLazy = 35,
             SrcInput = 37, SrcSideInput = 38, SrcReverbOut = 41, SrcOffset = 44, SrcNoise = 45, SrcUniNoise = 46 };

// "Follower Source" steps.
enum : int { FromInput, FromSideInput, FromDistortOutput, FromEarlyOutput, FromReverbOutput, FromLateOutput, FromOutput };
// "Disrupt Lazy Trigger" items.
enum : int { TriggerFree, TriggerHost, TriggerNote };
// "Disrupt Lazy Mode" steps.
enum : int { LazyLR, LazyRL, LazyCL, LazyLC, LazyCR, LazyRC, LazyCLR, LazyCRL, LazyLSaw, LazyRSaw, LazyLRSaw,
             LazyRLSaw };

constexpr float kOn = 1.0f;
constexpr float kOff = 0.0f;

// Display units to normalised values, through the parameters' own curves.
constexpr float reverbDb (double db) { return static_cast<float> (curve::valueOfDecibels (db, -60.0, 10.0)); }
constexpr float levelDb (double db) { return static_cast<float> (curve::valueOfDecibels (db, -60.0, 0.0)); }
constexpr float thresholdDb (double db) { return static_cast<float> (curve::valueOfDecibels (db, -40.0, 0.0)); }
constexpr float timeMs (double ms) { return static_cast<float> (curve::valueOfMilliseconds (ms)); }
constexpr float filterHz (double hz) { return static_cast<float> (curve::valueOfFilterHertz (hz)); }
constexpr float lazyHz (double hz) { return static_cast<float> (curve::valueOfLazyHertz (hz)); }
constexpr float percent (double pc) { return static_cast<float> (curve::valueOfPercent (pc)); }
constexpr float amount (double pc) { return static_cast<float> (curve::valueOfBipolarPercent (pc)); }
constexpr float path (int k) { return stepValue (k, scale::EarlyPath); }     // 0 "Direct", 1 "Into Reverb"
constexpr float lateSync (int k) { return stepValue (k, scale::LateLength); } // "1/32T" .. "2/1*"
constexpr float preSync (int k) { return stepValue (k, scale::ReverbPreDelay); }
constexpr float lazySync (int k) { return stepValue (k, scale::LazySpeed); }
constexpr float lazyMode (int k) { return stepValue (k, scale::LazyMode); }
constexpr float quantize (int k) { return stepValue (k, scale::DisruptQuantization); }
constexpr float followFrom (int k) { return stepValue (k, scale::FollowerSource); }
constexpr float springTime (int k) { return stepValue (k, scale::DisruptSpringTime); }
enum : int { Late1_16 = 4, Late1_16Dot = 5, Late1_8T = 6, Late1_8 = 7, Late1_8Dot = 8, Late1_4T = 9, Late1_4 = 10,
             Late1_4Dot = 11, Late1_2 = 13 };
enum : int { Pre1_32 = 1, Pre1_16 = 4, Pre1_8 = 7, Pre1_4 = 10 };
enum : int { Lazy4_1 = 11, Lazy2_1 = 14, Lazy1_1 = 17, Lazy1_2 = 20, Lazy1_4 = 23, Lazy1_8 = 26, Lazy1_16 = 29 };

struct PresetDefinition
{
    std::string_view name;
    std::initializer_list<Setting> changes; // against BASE_PRESET
};

// One row a preset, in menu order; each lists what differs from "1 to Morlake".
// Presets that set the lazy LFO or the follower moving write all eight Disrupt
// slots they rely on, since the base routes Disrupt to eight destinations.
inline constexpr PresetDefinition PRESET_DEFINITIONS[] = {
    {"1 to Morlake", {}},
    // A cave-like hall under heavy damping: the darkest of the classic halls.
    {"classic Hall Dark", {{tag::ReverbPreset, character (HallCave)}, {tag::ReverbRoomSize, 0.4f},
                           {tag::ReverbLength, 0.95f}, {tag::ReverbDamp, 0.9f}, {tag::ReverbPreDelay, timeMs (40)},
                           {tag::WetDry, 0.3f}}},
    // Long, smooth warm hall with its slow widening.
    {"classic Hall Long 04", {{tag::ReverbPreset, character (HallWarm)}, {tag::ReverbRoomSize, 1.0f},
                              {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (60)},
                              {tag::WetDry, 0.3f}}},
    // Medium hall with long, gently fed combs and softened highs.
    {"classic Hall Mellow 03", {{tag::ReverbPreset, character (HallCave)}, {tag::ReverbRoomSize, 0.0f},
                                {tag::ReverbLength, 0.9f}, {tag::ReverbDamp, 0.65f}, {tag::ReverbPreDelay, timeMs (30)},
                                {tag::WetDry, 0.3f}}},
    // Small, short studio room with a few close reflections.
    {"classic Little Studio", {{tag::ReverbPreset, character (RoomCold)}, {tag::ReverbRoomSize, 0.0f},
                               {tag::ReverbLength, 0.95f}, {tag::ReverbDamp, 0.4f}, {tag::ReverbPreDelay, timeMs (4)},
                               {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.3f}, {tag::EarlyVolume, levelDb (-12)},
                               {tag::EarlyFeed, 0.2f}, {tag::WetDry, 0.3f}}},
    // Big cinematic space: long orbit tail behind a late pre-delay, early
    // reflections fed into it.
    {"classic Movie Delux", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.75f},
                             {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (110)},
                             {tag::EarlyOn, kOn}, {tag::EarlyPath, path (1)}, {tag::EarlyVolume, levelDb (-6)},
                             {tag::WetDry, 0.35f}}},
    {"Default", {{tag::ReverbRoomSize, 0.695f}, {tag::ReverbLength, 0.86f}, {tag::ReverbDamp, 0.24f}}},
    // Kick through a folded distortion into a stormy room, a sixteenth echo
    // whose pan the lazy LFO throws from side to side.
    {"drum BD crazy 02", {{tag::ReverbPreset, character (RoomStorm)}, {tag::ReverbRoomSize, 0.8f},
                          {tag::ReverbLength, 0.85f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (10)},
                          {tag::DistortionOn, kOn}, {tag::DistortionAmount, 0.3f},
                          {tag::LateOn, kOn}, {tag::LateLengthSync, kOn}, {tag::LateLength, lateSync (Late1_16)},
                          {tag::LateVolume, levelDb (-8)}, {tag::LateDamp, 0.3f},
                          {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyLR)},
                          {tag::LazySync, kOn}, {tag::LazySpeed, lazySync (Lazy1_2)},
                          {disruptDest (1), item (dest::LatePan)}, {disruptAmount (1), amount (100)},
                          {disruptDest (2), item (dest::ReverbPan)}, {disruptAmount (2), amount (-40)},
                          {disruptAmount (3), amount (0)}, {disruptAmount (4), amount (0)},
                          {disruptAmount (5), amount (0)}, {disruptAmount (6), amount (0)},
                          {disruptAmount (7), amount (0)}, {disruptAmount (8), amount (0)},
                          {tag::WetDry, 0.35f}}},
    // The late delay, an eighth note, fed into a mid-sized edged room.
    {"drum BD Late into Room", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.7f},
                                {tag::ReverbLength, 0.8f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (8)},
                                {tag::LateOn, kOn}, {tag::LatePath, path (1)}, {tag::LateLengthSync, kOn},
                                {tag::LateLength, lateSync (Late1_8)}, {tag::LateVolume, levelDb (-3)},
                                {tag::LateDamp, 0.2f}, {tag::WetDry, 0.35f}}},
    // A plain, medium hall for a drum bus: the unwidened orbit banks at full
    // length, so the tail stays dense and even.
    {"drum Default Hall", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.52f},
                           {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (20)},
                           {tag::WetDry, 0.27f}}},
    // A plain room for a drum bus, with early reflections.
    {"drum Default Room", {{tag::ReverbPreset, character (RoomCold)}, {tag::ReverbRoomSize, 0.45f},
                           {tag::ReverbLength, 0.85f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (8)},
                           {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.45f}, {tag::EarlyVolume, levelDb (-10)},
                           {tag::WetDry, 0.3f}}},
    // Each snare hit pushes the room down through the follower; the tail
    // blooms once the hit has passed.
    {"drum Follower SnareDown", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.85f},
                                 {tag::ReverbLength, 0.9f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (5)},
                                 {tag::FollowerOn, kOn}, {tag::FollowerSource, followFrom (FromInput)},
                                 {tag::FollowerDest, item (dest::ReverbVolume)}, {tag::FollowerAmount, amount (-60)},
                                 {tag::FollowerThreshold, thresholdDb (-32)}, {tag::FollowerSmooth, percent (45)},
                                 {tag::WetDry, 0.35f}}},
    // The late delay into a narrow vintage room, with a little tube-like
    // saturation in front.
    {"drum Late into Tube", {{tag::ReverbPreset, character (Vintage2)}, {tag::ReverbRoomSize, 0.3f},
                             {tag::ReverbLength, 0.72f}, {tag::ReverbDamp, 0.45f}, {tag::ReverbPreDelay, timeMs (6)},
                             {tag::DistortionOn, kOn}, {tag::DistortionAmount, 0.15f},
                             {tag::LateOn, kOn}, {tag::LatePath, path (1)}, {tag::LateLengthSync, kOn},
                             {tag::LateLength, lateSync (Late1_16Dot)}, {tag::LateVolume, levelDb (-4)},
                             {tag::WetDry, 0.3f}}},
    // Lazy LFO, one bar a cycle, swings the room from left to right.
    {"drum LazyMover 01", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.75f},
                           {tag::ReverbLength, 0.82f}, {tag::ReverbPreDelay, timeMs (12)},
                           {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyLR)},
                           {tag::LazySync, kOn}, {tag::LazySpeed, lazySync (Lazy1_1)},
                           {disruptDest (1), item (dest::ReverbPan)}, {disruptAmount (1), amount (40)},
                           {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (0)},
                           {disruptAmount (4), amount (0)}, {disruptAmount (5), amount (0)},
                           {disruptAmount (6), amount (0)}, {disruptAmount (7), amount (0)},
                           {disruptAmount (8), amount (0)}, {tag::WetDry, 0.35f}}},
    // Lazy LFO, half a bar, moves the early reflections and the room in
    // opposite directions.
    {"drum LazyMover 02", {{tag::ReverbPreset, character (RoomCold)}, {tag::ReverbRoomSize, 0.7f},
                           {tag::ReverbLength, 0.8f}, {tag::ReverbPreDelay, timeMs (10)},
                           {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.5f}, {tag::EarlyVolume, levelDb (-6)},
                           {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyCLR)},
                           {tag::LazySync, kOn}, {tag::LazySpeed, lazySync (Lazy1_2)},
                           {disruptDest (1), item (dest::EarlyPan)}, {disruptAmount (1), amount (100)},
                           {disruptDest (2), item (dest::ReverbPan)}, {disruptAmount (2), amount (-35)},
                           {disruptAmount (3), amount (0)}, {disruptAmount (4), amount (0)},
                           {disruptAmount (5), amount (0)}, {disruptAmount (6), amount (0)},
                           {disruptAmount (7), amount (0)}, {disruptAmount (8), amount (0)}, {tag::WetDry, 0.35f}}},
    // Lazy LFO, two bars a cycle, breathes the room size and length and
    // sways the wet signal.
    {"drum LazyMover 03", {{tag::ReverbPreset, character (RoomStorm)}, {tag::ReverbRoomSize, 0.7f},
                           {tag::ReverbLength, 0.85f}, {tag::ReverbPreDelay, timeMs (15)},
                           {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyCRL)},
                           {tag::LazySync, kOn}, {tag::LazySpeed, lazySync (Lazy2_1)},
                           {disruptDest (1), item (dest::WetPan)}, {disruptAmount (1), amount (35)},
                           {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (0)},
                           {disruptAmount (4), amount (0)}, {disruptAmount (5), amount (20)},
                           {disruptAmount (6), amount (12)}, {disruptAmount (7), amount (0)},
                           {disruptAmount (8), amount (0)}, {tag::WetDry, 0.35f}}},
    // Gated snare: the room is held low and the follower opens it with each hit.
    {"drum Snare Follow 1", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.9f},
                             {tag::ReverbLength, 0.95f}, {tag::ReverbDamp, 0.25f}, {tag::ReverbPreDelay, timeMs (4)},
                             {tag::ReverbVolume, reverbDb (-30)},
                             {tag::FollowerOn, kOn}, {tag::FollowerSource, followFrom (FromInput)},
                             {tag::FollowerDest, item (dest::ReverbVolume)}, {tag::FollowerAmount, amount (80)},
                             {tag::FollowerThreshold, thresholdDb (-30)}, {tag::FollowerSmooth, percent (50)},
                             {tag::WetDry, 0.4f}}},
    // The harder the snare, the longer the hall (the follower stretches the
    // combs of a plain orbit hall).
    {"drum Snare Follow 2", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.5f},
                             {tag::ReverbLength, 0.95f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (10)},
                             {tag::FollowerOn, kOn}, {tag::FollowerSource, followFrom (FromInput)},
                             {tag::FollowerDest, item (dest::ReverbLength)}, {tag::FollowerAmount, amount (70)},
                             {tag::FollowerThreshold, thresholdDb (-30)}, {tag::FollowerSmooth, percent (55)},
                             {tag::WetDry, 0.3f}}},
    // Bright vintage plate-like room, quiet reflections into it, a
    // thirty-second pre-delay.
    {"drum Snare Special 2", {{tag::ReverbPreset, character (Vintage2)}, {tag::ReverbRoomSize, 0.62f},
                              {tag::ReverbLength, 0.85f}, {tag::ReverbDamp, 0.15f}, {tag::ReverbPreDelaySync, kOn},
                              {tag::ReverbPreDelay, preSync (Pre1_32)}, {tag::EarlyOn, kOn}, {tag::EarlyPath, path (1)},
                              {tag::EarlyLength, 0.4f}, {tag::EarlyVolume, levelDb (-12)}, {tag::WetDry, 0.3f}}},
    // A hall that the side input ducks: key it from the part the hall must
    // make room for.
    {"Hall and Side Input", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.66f},
                             {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (40)},
                             {tag::FollowerOn, kOn}, {tag::FollowerSource, followFrom (FromSideInput)},
                             {tag::FollowerDest, item (dest::ReverbVolume)}, {tag::FollowerAmount, amount (-70)},
                             {tag::FollowerThreshold, thresholdDb (-36)}, {tag::FollowerSmooth, percent (55)},
                             {tag::WetDry, 0.3f}}},
    // Vocal hall with quiet reflections fed in, lows kept out of the tail.
    {"Nice Female Vox RF", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.62f},
                            {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (60)},
                            {tag::ReverbHPFrequency, filterHz (230)}, {tag::EarlyOn, kOn}, {tag::EarlyPath, path (1)},
                            {tag::EarlyLength, 0.5f}, {tag::EarlyVolume, levelDb (-10)}, {tag::WetDry, 0.3f}}},
    // Small bright room for hand drums.
    {"percussion Bongos 01", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.3f},
                              {tag::ReverbLength, 0.85f}, {tag::ReverbDamp, 0.15f}, {tag::ReverbPreDelay, timeMs (6)},
                              {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.35f}, {tag::EarlyVolume, levelDb (-10)},
                              {tag::WetDry, 0.3f}}},
    // A huge dark cave.
    {"percussion CaveSession", {{tag::ReverbPreset, character (HallCave)}, {tag::ReverbRoomSize, 1.0f},
                                {tag::ReverbLength, 0.92f}, {tag::ReverbDamp, 1.0f}, {tag::ReverbPreDelay, timeMs (70)},
                                {tag::ReverbLPFrequency, 0.95f},
                                {tag::WetDry, 0.35f}}},
    // Bright vintage room, about a second, for claps.
    {"percussion Claps 01", {{tag::ReverbPreset, character (Vintage1)}, {tag::ReverbRoomSize, 0.6f},
                             {tag::ReverbLength, 0.72f}, {tag::ReverbDamp, 0.1f}, {tag::ReverbPreDelay, timeMs (15)},
                             {tag::WetDry, 0.3f}}},
    // Natural medium room with early reflections.
    {"percussion Congas 01", {{tag::ReverbPreset, character (RoomCold)}, {tag::ReverbRoomSize, 0.75f},
                              {tag::ReverbLength, 0.82f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (8)},
                              {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.45f}, {tag::EarlyVolume, levelDb (-9)},
                              {tag::WetDry, 0.3f}}},
    // A larger, livelier room with its reflections.
    {"percussion Congas 08", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.65f},
                              {tag::ReverbLength, 0.95f}, {tag::ReverbDamp, 0.2f}, {tag::ReverbPreDelay, timeMs (12)},
                              {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.55f},
                              {tag::WetDry, 0.3f}}},
    // Very short, bright and thin: for cowbells and other short metal.
    {"percussion CowBells 01", {{tag::ReverbPreset, character (RoomStorm)}, {tag::ReverbRoomSize, 0.4f},
                                {tag::ReverbLength, 0.6f}, {tag::ReverbDamp, 0.05f}, {tag::ReverbPreDelay, timeMs (3)},
                                {tag::ReverbHPFrequency, filterHz (400)}, {tag::WetDry, 0.3f}}},
    // An orbit space whose length and pan the lazy LFO keeps moving.
    {"percussion Modulato 01", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.7f},
                                {tag::ReverbLength, 0.75f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (20)},
                                {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyLR)},
                                {tag::LazySync, kOff}, {tag::LazySpeed, lazyHz (1.4)},
                                {disruptDest (1), item (dest::ReverbPan)}, {disruptAmount (1), amount (60)},
                                {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (0)},
                                {disruptAmount (4), amount (0)}, {disruptAmount (5), amount (0)},
                                {disruptAmount (6), amount (15)}, {disruptAmount (7), amount (0)},
                                {disruptAmount (8), amount (0)}, {tag::WetDry, 0.3f}}},
    // Early reflections in front of an orbit space (fed into it, their two
    // taps would comb the tail).
    {"percussion Orbit Reflect", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.62f},
                                  {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (25)},
                                  {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.6f},
                                  {tag::EarlyFeed, 0.45f}, {tag::EarlyVolume, levelDb (-4)}, {tag::WetDry, 0.3f}}},
    // Mostly reflections: a short, small room behind them.
    {"Percussion Refl Room 1", {{tag::ReverbPreset, character (RoomCold)}, {tag::ReverbRoomSize, 0.0f},
                                {tag::ReverbLength, 0.95f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (5)},
                                {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.4f}, {tag::EarlyVolume, levelDb (-4)},
                                {tag::EarlyFeed, 0.35f}, {tag::WetDry, 0.3f}}},
    // Reflections whose length and pan the lazy LFO moves.
    {"Percussion Reflect Mover 1", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.45f},
                                    {tag::ReverbLength, 0.85f}, {tag::ReverbPreDelay, timeMs (6)},
                                    {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.5f}, {tag::EarlyVolume, levelDb (-4)},
                                    {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)},
                                    {tag::LazyMode, lazyMode (LazyCLR)}, {tag::LazySync, kOn},
                                    {tag::LazySpeed, lazySync (Lazy1_1)},
                                    {disruptDest (1), item (dest::EarlyPan)}, {disruptAmount (1), amount (100)},
                                    {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (25)},
                                    {disruptAmount (4), amount (0)}, {disruptAmount (5), amount (0)},
                                    {disruptAmount (6), amount (0)}, {disruptAmount (7), amount (0)},
                                    {disruptAmount (8), amount (0)}, {tag::WetDry, 0.3f}}},
    // A room that trembles: a fast lazy LFO shakes its size and pan.
    {"percussion shaky room", {{tag::ReverbPreset, character (RoomStorm)}, {tag::ReverbRoomSize, 0.7f},
                               {tag::ReverbLength, 0.82f}, {tag::ReverbPreDelay, timeMs (8)},
                               {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyLR)},
                               {tag::LazySync, kOff}, {tag::LazySpeed, lazyHz (12.0)},
                               {disruptDest (1), item (dest::ReverbPan)}, {disruptAmount (1), amount (50)},
                               {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (0)},
                               {disruptAmount (4), amount (0)}, {disruptAmount (5), amount (8)},
                               {disruptAmount (6), amount (0)}, {disruptAmount (7), amount (0)},
                               {disruptAmount (8), amount (0)}, {tag::WetDry, 0.3f}}},
    // Folded distortion, a noisy early network and a short orbit: odd.
    {"percussion Weirdo", {{tag::ReverbPreset, character (Orbit2)}, {tag::ReverbRoomSize, 0.5f},
                           {tag::ReverbLength, 0.35f}, {tag::ReverbDamp, 0.4f}, {tag::ReverbPreDelay, timeMs (30)},
                           {tag::ReverbDisorder, 0.6f}, {tag::DistortionOn, kOn}, {tag::DistortionAmount, 0.4f},
                           {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.55f}, {tag::EarlyVolume, levelDb (-8)},
                           {tag::ModSlot2Source, item (SrcNoise)}, {tag::ModSlot2Dest, item (dest::EarlyLength)},
                           {tag::ModSlot2Amount, amount (20)}, {tag::WetDry, 0.3f}}},
    // Long and soft hall for piano, its highs damped.
    {"piano hall romance", {{tag::ReverbPreset, character (HallCave)}, {tag::ReverbRoomSize, 0.4f},
                            {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.5f}, {tag::ReverbPreDelay, timeMs (35)},
                            {tag::WetDry, 0.3f}}},
    // A natural, medium room for piano.
    {"piano natural room 1", {{tag::ReverbPreset, character (RoomCold)}, {tag::ReverbRoomSize, 0.9f},
                              {tag::ReverbLength, 0.86f}, {tag::ReverbDamp, 0.4f}, {tag::ReverbPreDelay, timeMs (12)},
                              {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.55f}, {tag::EarlyVolume, levelDb (-10)},
                              {tag::WetDry, 0.3f}}},
    // The side input opens the reverb: the tail sounds only while the side
    // signal plays.
    {"Side Input  2 Rerb Vol", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.62f},
                                {tag::ReverbLength, 1.0f}, {tag::ReverbPreDelay, timeMs (20)},
                                {tag::ReverbVolume, reverbDb (-24)},
                                {tag::FollowerOn, kOn}, {tag::FollowerSource, followFrom (FromSideInput)},
                                {tag::FollowerDest, item (dest::ReverbVolume)}, {tag::FollowerAmount, amount (70)},
                                {tag::FollowerThreshold, thresholdDb (-36)}, {tag::FollowerSmooth, percent (50)},
                                {tag::ModSlot2Source, item (SrcOffset)}, {tag::ModSlot2Dest, item (dest::FollowerBoost)},
                                {tag::ModSlot2Amount, amount (15)}, {tag::WetDry, 0.35f}}},
    // A hall gated by the side input: key it from a snare track. The boosted
    // follower holds the gate open for a fifth of a second after each hit.
    {"Snare SideGate Hall", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.62f},
                             {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.25f}, {tag::ReverbPreDelay, timeMs (5)},
                             {tag::ReverbVolume, reverbDb (-40)},
                             {tag::FollowerOn, kOn}, {tag::FollowerSource, followFrom (FromSideInput)},
                             {tag::FollowerDest, item (dest::ReverbVolume)}, {tag::FollowerAmount, amount (90)},
                             {tag::FollowerThreshold, thresholdDb (-30)}, {tag::FollowerSmooth, percent (55)},
                             {tag::ModSlot2Source, item (SrcOffset)}, {tag::ModSlot2Dest, item (dest::FollowerBoost)},
                             {tag::ModSlot2Amount, amount (25)}, {tag::WetDry, 0.4f}}},
    // Wide orbit ambience behind a long pre-delay.
    {"synth ambient 08", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.9f},
                          {tag::ReverbLength, 0.95f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (120)},
                          {tag::WetDry, 0.4f}}},
    // Endless: the orbit banks at full length with the room all but closed.
    {"synth ambient longggggg", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.97f},
                                 {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.4f}, {tag::ReverbPreDelay, timeMs (90)},
                                 {tag::WetDry, 0.4f}}},
    // Long clean hall with a quarter-note echo for leads.
    {"synth Lead LongHall", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.75f},
                             {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (80)},
                             {tag::LateOn, kOn}, {tag::LateLengthSync, kOn}, {tag::LateLength, lateSync (Late1_4)},
                             {tag::LateVolume, levelDb (-16)}, {tag::WetDry, 0.3f}}},
    // A bright, medium vintage reverb for leads.
    {"synth Lead reverb", {{tag::ReverbPreset, character (Vintage2)}, {tag::ReverbRoomSize, 0.7f},
                           {tag::ReverbLength, 0.85f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (30)},
                           {tag::WetDry, 0.3f}}},
    // A large natural space with its reflections fed in, for pads.
    {"synth natural ambient", {{tag::ReverbPreset, character (HallCave)}, {tag::ReverbRoomSize, 0.5f},
                               {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.45f}, {tag::ReverbPreDelay, timeMs (50)},
                               {tag::EarlyOn, kOn}, {tag::EarlyPath, path (1)}, {tag::EarlyLength, 0.65f},
                               {tag::EarlyVolume, levelDb (-9)}, {tag::WetDry, 0.4f}}},
    // The lazy LFO drags the room size and length around: a pitch-bending,
    // wobbling tail.
    {"synth weird wobble", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.55f},
                            {tag::ReverbLength, 1.0f}, {tag::ReverbPreDelay, timeMs (40)},
                            {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyLR)},
                            {tag::LazySync, kOff}, {tag::LazySpeed, lazyHz (0.8)},
                            {disruptDest (1), item (dest::ReverbPan)}, {disruptAmount (1), amount (50)},
                            {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (0)},
                            {disruptAmount (4), amount (0)}, {disruptAmount (5), amount (40)},
                            {disruptAmount (6), amount (20)}, {disruptAmount (7), amount (0)},
                            {disruptAmount (8), amount (0)}, {tag::WetDry, 0.35f}}},
    // Clean, medium vocal hall with the lows kept out.
    {"vocal Acapella 2", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.5f},
                          {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.3f}, {tag::ReverbPreDelay, timeMs (50)},
                          {tag::ReverbHPFrequency, filterHz (230)}, {tag::WetDry, 0.27f}}},
    // A plain hall for vocals: the unwidened orbit banks at full length.
    {"vocal Clean Hall", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.65f},
                          {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (70)},
                          {tag::WetDry, 0.28f}}},
    // The lazy LFO runs Disrupt into length, damping, early level and pan.
    {"vocal Disrupt Mod", {{tag::ReverbPreset, character (HallWarm)}, {tag::ReverbRoomSize, 0.65f},
                           {tag::ReverbLength, 0.72f}, {tag::ReverbPreDelay, timeMs (45)},
                           {tag::EarlyOn, kOn}, {tag::EarlyPath, path (1)},
                           {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyCLR)},
                           {tag::LazySync, kOn}, {tag::LazySpeed, lazySync (Lazy2_1)},
                           {disruptDest (1), item (dest::ReverbPan)}, {disruptAmount (1), amount (40)},
                           {disruptDest (2), item (dest::EarlyVolume)}, {disruptAmount (2), amount (30)},
                           {disruptDest (4), item (dest::ReverbDamp)}, {disruptAmount (4), amount (40)},
                           {disruptAmount (3), amount (0)}, {disruptAmount (5), amount (0)},
                           {disruptAmount (6), amount (25)}, {disruptAmount (7), amount (0)},
                           {disruptAmount (8), amount (0)}, {tag::WetDry, 0.3f}}},
    // The follower on the input ducks the hall while the voice sings; the
    // tail comes up in the gaps.
    {"vocal Duck Verb", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.62f},
                         {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (50)},
                         {tag::FollowerOn, kOn}, {tag::FollowerSource, followFrom (FromInput)},
                         {tag::FollowerDest, item (dest::ReverbVolume)}, {tag::FollowerAmount, amount (-70)},
                         {tag::FollowerThreshold, thresholdDb (-34)}, {tag::FollowerSmooth, percent (60)},
                         {tag::WetDry, 0.35f}}},
    // A dotted-quarter echo with feedback into a short orbit, panned by the
    // lazy LFO.
    {"vocal fx Flex 4", {{tag::ReverbPreset, character (Orbit2)}, {tag::ReverbRoomSize, 0.6f},
                         {tag::ReverbLength, 0.45f}, {tag::ReverbDamp, 0.4f}, {tag::ReverbPreDelay, timeMs (30)},
                         {tag::LateOn, kOn}, {tag::LateLengthSync, kOn}, {tag::LateLength, lateSync (Late1_4Dot)},
                         {tag::LateVolume, levelDb (-8)}, {tag::LateDamp, 0.5f},
                         {tag::ModSlot2Source, item (SrcOffset)}, {tag::ModSlot2Dest, item (dest::LateFeed)},
                         {tag::ModSlot2Amount, amount (35)},
                         {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyLR)},
                         {tag::LazySync, kOn}, {tag::LazySpeed, lazySync (Lazy1_1)},
                         {disruptDest (1), item (dest::LatePan)}, {disruptAmount (1), amount (80)},
                         {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (0)},
                         {disruptAmount (4), amount (0)}, {disruptAmount (5), amount (0)},
                         {disruptAmount (6), amount (0)}, {disruptAmount (7), amount (0)},
                         {disruptAmount (8), amount (0)}, {tag::WetDry, 0.3f}}},
    // A stormy room with disordered banks and reflections that drift.
    {"vocal in WeirdRoom", {{tag::ReverbPreset, character (RoomStorm)}, {tag::ReverbRoomSize, 0.5f},
                            {tag::ReverbLength, 0.95f}, {tag::ReverbPreDelay, timeMs (20)},
                            {tag::ReverbDisorder, 0.5f}, {tag::ReverbPreDelayDisorder, 0.5f},
                            {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.6f}, {tag::EarlyVolume, levelDb (-8)},
                            {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyCRL)},
                            {tag::LazySync, kOn}, {tag::LazySpeed, lazySync (Lazy2_1)},
                            {disruptDest (1), item (dest::ReverbPan)}, {disruptAmount (1), amount (30)},
                            {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (30)}, {disruptAmount (4), amount (0)},
                            {disruptAmount (5), amount (15)}, {disruptAmount (6), amount (0)},
                            {disruptAmount (7), amount (0)}, {disruptAmount (8), amount (0)}, {tag::WetDry, 0.3f}}},
    // A room that slowly grows and shrinks under the lazy LFO.
    {"vocal LazyRoom", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.5f},
                        {tag::ReverbLength, 0.95f}, {tag::ReverbPreDelay, timeMs (25)},
                        {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyCLR)},
                        {tag::LazySync, kOn}, {tag::LazySpeed, lazySync (Lazy2_1)},
                        {disruptDest (1), item (dest::ReverbPan)}, {disruptAmount (1), amount (35)},
                        {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (0)},
                        {disruptAmount (4), amount (0)}, {disruptAmount (5), amount (25)},
                        {disruptAmount (6), amount (15)}, {disruptAmount (7), amount (0)},
                        {disruptAmount (8), amount (0)}, {tag::WetDry, 0.3f}}},
    // Slapback between two close walls and a short, narrow tail.
    {"vocal Narrow Street 01", {{tag::ReverbPreset, character (RoomCold)}, {tag::ReverbRoomSize, 0.35f},
                                {tag::ReverbLength, 0.75f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (20)},
                                {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.62f}, {tag::EarlyVolume, levelDb (-6)},
                                {tag::EarlyFeed, 0.5f}, {tag::EarlySide, 0.2f}, {tag::WetDry, 0.28f}}},
    // The side input swells the room: an odd, keyed space.
    {"vocal Odd Room Side", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.1f},
                             {tag::ReverbLength, 0.9f}, {tag::ReverbPreDelay, timeMs (15)},
                             {tag::FollowerOn, kOn}, {tag::FollowerSource, followFrom (FromSideInput)},
                             {tag::FollowerDest, item (dest::ReverbLength)}, {tag::FollowerAmount, amount (70)},
                             {tag::FollowerThreshold, thresholdDb (-36)}, {tag::FollowerSmooth, percent (60)},
                             {tag::ModSlot2Source, item (SrcFollower)}, {tag::ModSlot2Dest, item (dest::ReverbRoomSize)},
                             {tag::ModSlot2Amount, amount (60)}, {tag::WetDry, 0.3f}}},
    // Disrupt, moved by the lazy LFO, changes only the room size.
    {"vocal RoomSize Disrupt", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.55f},
                                {tag::ReverbLength, 1.0f}, {tag::ReverbPreDelay, timeMs (40)},
                                {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)},
                                {tag::LazyMode, lazyMode (LazyCLR)}, {tag::LazySync, kOn},
                                {tag::LazySpeed, lazySync (Lazy1_1)},
                                {disruptAmount (1), amount (0)}, {disruptAmount (2), amount (0)},
                                {disruptAmount (3), amount (0)}, {disruptAmount (4), amount (0)},
                                {disruptAmount (5), amount (25)}, {disruptAmount (6), amount (0)},
                                {disruptAmount (7), amount (0)}, {disruptAmount (8), amount (0)}, {tag::WetDry, 0.3f}}},
    // A big room with its reflections in front.
    {"vocal Roomy 6", {{tag::ReverbPreset, character (RoomCold)}, {tag::ReverbRoomSize, 0.8f},
                       {tag::ReverbLength, 0.95f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (20)},
                       {tag::EarlyOn, kOn}, {tag::EarlyLength, 0.55f}, {tag::WetDry, 0.3f}}},
    // The voice itself drives Disrupt through the follower: louder singing,
    // a bigger and longer room.
    {"vocal Size Disrupt", {{tag::ReverbPreset, character (RoomEdged)}, {tag::ReverbRoomSize, 0.1f},
                            {tag::ReverbLength, 0.9f}, {tag::ReverbPreDelay, timeMs (20)},
                            {tag::FollowerOn, kOn}, {tag::FollowerSource, followFrom (FromInput)},
                            {tag::FollowerDest, item (dest::Disrupt)}, {tag::FollowerAmount, amount (60)},
                            {tag::FollowerThreshold, thresholdDb (-34)}, {tag::FollowerSmooth, percent (60)},
                            {disruptAmount (1), amount (0)}, {disruptAmount (2), amount (0)},
                            {disruptAmount (3), amount (0)}, {disruptAmount (4), amount (0)},
                            {disruptAmount (5), amount (50)}, {disruptAmount (6), amount (30)},
                            {disruptAmount (7), amount (0)}, {disruptAmount (8), amount (0)}, {tag::WetDry, 0.3f}}},
    // Hall plus a quarter-note echo with a little feedback.
    {"vocal Verb&Late", {{tag::ReverbPreset, character (Orbit1)}, {tag::ReverbRoomSize, 0.57f},
                         {tag::ReverbLength, 1.0f}, {tag::ReverbDamp, 0.35f}, {tag::ReverbPreDelay, timeMs (40)},
                         {tag::LateOn, kOn}, {tag::LateLengthSync, kOn}, {tag::LateLength, lateSync (Late1_4)},
                         {tag::LateVolume, levelDb (-16)}, {tag::LateDamp, 0.45f},
                         {tag::ModSlot2Source, item (SrcOffset)}, {tag::ModSlot2Dest, item (dest::LateFeed)},
                         {tag::ModSlot2Amount, amount (30)}, {tag::WetDry, 0.3f}}},
    // A wild room: heavy disorder, a fast lazy LFO on size and pan, noise on
    // the damping.
    {"vocal WildRoom 4", {{tag::ReverbPreset, character (RoomStorm)}, {tag::ReverbRoomSize, 0.85f},
                          {tag::ReverbLength, 0.88f}, {tag::ReverbPreDelay, timeMs (25)},
                          {tag::ReverbDisorder, 0.75f}, {tag::ReverbPreDelayDisorder, 0.7f},
                          {tag::LazyOn, kOn}, {tag::LazyTrigger, item (TriggerFree)}, {tag::LazyMode, lazyMode (LazyLRSaw)},
                          {tag::LazySync, kOn}, {tag::LazySpeed, lazySync (Lazy1_4)},
                          {disruptDest (1), item (dest::ReverbPan)}, {disruptAmount (1), amount (60)},
                          {disruptAmount (2), amount (0)}, {disruptAmount (3), amount (0)},
                          {disruptAmount (4), amount (0)}, {disruptAmount (5), amount (20)},
                          {disruptAmount (6), amount (0)}, {disruptAmount (7), amount (0)},
                          {disruptAmount (8), amount (0)},
                          {tag::ModSlot2Source, item (SrcNoise)}, {tag::ModSlot2Dest, item (dest::ReverbDamp)},
                          {tag::ModSlot2Amount, amount (30)}, {tag::WetDry, 0.3f}}},
};

// clang-format on

} // namespace morlake::factory
