// What the test gain plug-in and the tests that drive it agree on.
#pragma once

#include "plugin/vst24.h"

namespace morlake::testgain {

constexpr vst::int32 kUniqueID = vst::fourCC ('M', 'l', 'T', 'g');
constexpr int kNumParams = 2;
constexpr int kParamGain = 0; // linear gain 2 × value, shown in dB
constexpr int kParamEcho = 1; // echo feedback 0.9 × value, shown in per cent
constexpr int kNumPrograms = 3; // "Unity", "Quiet", "Echo Hall"

// effVendorSpecific indices
constexpr vst::int32 kProbeModes = vst::fourCC ('m', 'o', 'd', 'e'); // value: mode bits below
constexpr vst::int32 kProbeTime = vst::fourCC ('t', 'i', 'm', 'e'); // ptr: VstTimeInfo, copy of the last block's answer
constexpr vst::int32 kProbeHostProduct = vst::fourCC ('h', 'p', 'r', 'd'); // ptr: 256 bytes, product seen at creation
constexpr vst::int32 kProbeHostVendor = vst::fourCC ('h', 'v', 'n', 'd');
constexpr vst::int32 kProbeEditGesture = vst::fourCC ('e', 'd', 'i', 't'); // value: parameter; begin, automate 1.0, end, idle

constexpr vst::int32 kProbeHostCanDo = vst::fourCC ('h', 'c', 'a', 'n'); // ptr: text; answers the host's canDo

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
