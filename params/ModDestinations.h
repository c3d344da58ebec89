// Modulation destinations: the entries of the destination lists, and what
// a parameter row names as the destination its knob follows.
#pragma once

namespace morlake {

// Indexes into the modulation destination list (DEST_STR); the sum of each is
// what the chain adds where it uses that quantity.
namespace dest {
enum : int
{
    None = 0,
    WetDry = 1,
    InputVolume = 2,
    OutputVolume = 3,
    WetVolume = 4,
    DryVolume = 5,
    Pan = 6,
    WetPan = 7,
    DryPan = 8,
    Distortion = 9,
    EarlyVolume = 10,
    EarlyPan = 11,
    EarlyLength = 12,
    EarlyWiden = 13,
    EarlySpread = 14,
    EarlyDamp = 15,
    EarlyFeed = 16,
    EarlySideFeed = 17,
    EarlyCrossFeed = 18,
    LateVolume = 19,
    LatePan = 20,
    LateLength = 21,
    LateWidth = 22,
    LateFeed = 23,
    LateDamp = 24,
    ReverbVolume = 25,
    ReverbPan = 26,
    ReverbPreDelay = 27,
    ReverbPreWiden = 28,
    ReverbPreSpread = 29,
    ReverbRoomSize = 30,
    ReverbLength = 31,
    ReverbDamp = 32,
    ReverbDisorder = 33,
    ReverbHP = 34,
    ReverbLP = 35,
    Disrupt = 36,
    DisruptSmooth = 37,
    DisruptAmount1 = 38, // ... DisruptAmount8 = 45
    LazySpeed = 46,
    LazyPhase = 47,
    LazyShape = 48,
    LazyHumanize = 49,
    LazySmooth = 50,
    FollowerAmount = 51,
    FollowerThreshold = 52,
    FollowerSmooth = 53,
    FollowerBoost = 54,
    ModSlot1Amount = 55,
    ModSlot2Amount = 56,
};
} // namespace dest

} // namespace morlake
