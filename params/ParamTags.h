// Parameter tags: one slot of the 256-entry table each.
#pragma once

namespace morlake {

inline constexpr int kNumParams = 256;

constexpr bool isValidTag (int tag) { return tag >= 0 && tag < kNumParams; }

namespace tag {
enum : int
{
    Bypass = 1,
    WetDry = 2,
    MainVolume = 3,
    DistortionOn = 4,
    DistortionAmount = 5,
    EarlyOn = 6,
    EarlyPath = 7,
    EarlyVolume = 8,
    EarlyLength = 9,
    EarlyDamp = 10,
    EarlyFeed = 11,
    EarlySide = 12,
    EarlyCross = 13,
    ReverbOn = 14,
    ReverbVolume = 15,
    ReverbRoomSize = 16,
    ReverbLength = 17,
    ReverbDamp = 18,
    ReverbPreDelay = 19,
    ReverbPreDelaySync = 20,
    ReverbPreDelayDisorder = 21,
    ReverbHPOn = 22,
    ReverbHPFrequency = 23,
    ReverbLPOn = 24,
    ReverbLPFrequency = 25,
    ReverbDisorder = 26,
    ReverbPreset = 27,
    LateOn = 28,
    LatePath = 29,
    LateVolume = 30,
    LateLength = 31,
    LateLengthSync = 32,
    LateDamp = 33,
    DisruptValue = 34,
    DisruptQuantization = 35,
    DisruptSpringTime = 36,
    Disrupt1On = 37,     // ... Disrupt8On = 44
    Disrupt1Amount = 45, // ... 52
    Disrupt1Dest = 53,   // ... 60
    LazyOn = 61,
    LazyMode = 62,
    LazySpeed = 63,
    LazySync = 64,
    LazyTrigger = 65,
    FollowerOn = 66,
    FollowerDest = 67,
    FollowerThreshold = 68,
    FollowerSmooth = 69,
    FollowerAmount = 70,
    FollowerSource = 71,
    ModSlot1Amount = 72,
    ModSlot1Source = 73,
    ModSlot1Dest = 74,
    ModSlot2Amount = 75,
    ModSlot2Source = 76,
    ModSlot2Dest = 77,
    LastNamed = 77,
    Reserved = 78, // carried by the factory rows, read by nothing
    FactoryReload = 79,
    LastEditable = 80, // tags above never mark the program edited nor move a control
    HiddenFirst = 110, // reverb character values 110..131
    HiddenRoomScale = 129,
    HiddenLengthScale = 130,
    HiddenEarlyScale = 131,
    HiddenLast = 131,
    NameFirst = 145, // program name, one character per slot, 145..172
    NameLast = 172,
    CategoryFirst = 175, // the factory rows' category text, 175..189; read by nothing
    CategoryLast = 189,
};
} // namespace tag

} // namespace morlake
