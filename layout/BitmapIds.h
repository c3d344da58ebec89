#pragma once

// Resource ids of the editor bitmaps. A bitmap is stored once per screen size
// as Resources/bmpNNNNN.png with NNNNN = id + 1000 * screen-size index, so
// kBmpMainBackground is bmp10000.png at 100 % and bmp13000.png at 200 %.

#include "layout/Screen.h"

namespace morlake {

constexpr int kScreenSizeCount = kScreenSizes;

constexpr int kBitmapSizeIdStep = 1000;

// Screens and panels.
constexpr int kBmpMainBackground = 10000;
constexpr int kBmpLogo = 10001; // wordmark, free for an about box
constexpr int kBmpBackBackground = 10002;
constexpr int kBmpModPanelBackground = 10003;

// Shared control art.
constexpr int kBmpLevelMeter = 10004;
constexpr int kBmpMenuArrowPrevious = 10005;
constexpr int kBmpMenuArrowNext = 10006;
constexpr int kBmpLedButton = 10010;      // on/off buttons, radio buttons, back-screen switches
constexpr int kBmpSmallLedButton = 10014; // lazy on/off, lazy sync, reset-disrupt

// Menu plates: the same pixels the backgrounds show behind each menu, for
// use as option-menu backgrounds.
constexpr int kBmpReverbPresetMenuPlate = 10011;
constexpr int kBmpBlueMenuPlate = 10012;
constexpr int kBmpSmallBlueMenuPlate = 10013;
constexpr int kBmpPresetMenuPlate = 10035;
constexpr int kBmpFolderMenuPlate = 10042;
constexpr int kBmpEcsMenuPlate = 10043;
constexpr int kBmpModMenuPlate = 10044;
constexpr int kBmpFollowerSourceMenuPlate = 10045;

// Knob film strips by knob type 0..6 (the ids are not in type order).
constexpr int kBmpKnobType0 = 10020;
constexpr int kBmpKnobType1 = 10021;
constexpr int kBmpKnobType2 = 10022;
constexpr int kBmpKnobType3 = 10026;
constexpr int kBmpKnobType4 = 10023;
constexpr int kBmpKnobType5 = 10024;
constexpr int kBmpKnobType6 = 10025;

// Modulation-ring film strips by knob type 0..6.
constexpr int kBmpRingType0 = 10050;
constexpr int kBmpRingType1 = 10051;
constexpr int kBmpRingType2 = 10052;
constexpr int kBmpRingType3 = 10053;
constexpr int kBmpRingType4 = 10054;
constexpr int kBmpRingType5 = 10055;
constexpr int kBmpRingType6 = 10027;

constexpr int kKnobTypeCount = 7;
constexpr int kBmpKnobByType[kKnobTypeCount] = {kBmpKnobType0, kBmpKnobType1, kBmpKnobType2, kBmpKnobType3,
                                                kBmpKnobType4, kBmpKnobType5, kBmpKnobType6};
constexpr int kBmpRingByType[kKnobTypeCount] = {kBmpRingType0, kBmpRingType1, kBmpRingType2, kBmpRingType3,
                                                kBmpRingType4, kBmpRingType5, kBmpRingType6};

// Disrupt slider.
constexpr int kBmpDisruptModMarker = 10028;
constexpr int kBmpDisruptHandle = 10029; // 70 animation frames

// Buttons with their own art.
constexpr int kBmpEditedPresetOn = 10030;  // program edited
constexpr int kBmpEditedPresetOff = 10031; // program not edited
constexpr int kBmpEditedPresetInitial = 10032;
constexpr int kBmpOriginalPreset = 10033;
constexpr int kBmpOpenHelp = 10034;
constexpr int kBmpBypass = 10036;
constexpr int kBmpEarlyOnOff = 10037;
constexpr int kBmpReverbOnOff = 10038;
constexpr int kBmpLateOnOff = 10039;

// Every id the editor loads, in id order.
constexpr int kAllBitmapIds[] = {
    10000, 10001, 10002, 10003, 10004, 10005, 10006, 10010, 10011, 10012, 10013, 10014, 10020, 10021,
    10022, 10023, 10024, 10025, 10026, 10027, 10028, 10029, 10030, 10031, 10032, 10033, 10034, 10035,
    10036, 10037, 10038, 10039, 10042, 10043, 10044, 10045, 10050, 10051, 10052, 10053, 10054, 10055,
};

constexpr int scaledBitmapId (int id, int screenSize) { return id + kBitmapSizeIdStep * screenSize; }

} // namespace morlake
