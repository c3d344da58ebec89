// What the test gain plug-in and the tests that drive it agree on.
#pragma once

#include "formats/vst2/vst24.h"

namespace morlake::testgain {

constexpr vst::int32 kUniqueID = vst::fourCC ('M', 'l', 'T', 'g');
constexpr int kNumParams = 2;
constexpr int kParamGain = 0;   // linear gain 2 × value, shown in dB
constexpr int kParamEcho = 1;   // echo feedback 0.9 × value, shown in per cent
constexpr int kNumPrograms = 3; // "Unity", "Quiet", "Echo Hall"

// effVendorSpecific index; value: the mode bits below
constexpr vst::int32 kProbeModes = vst::fourCC ('m', 'o', 'd', 'e');
constexpr int kModeOverrunParamTexts = 1; // names, labels and displays run 41 bytes long
constexpr int kModeOverrunProgramName = 2;

constexpr vst::int32 kChunkMagic = vst::fourCC ('M', 'T', 'G', 'c');

struct Chunk
{
    vst::int32 magic;
    vst::int32 version;
    float gain;
    float echo;
    vst::int32 program;
};

} // namespace morlake::testgain
