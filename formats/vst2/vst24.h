// VST 2.4 binary interface, written from the published interface description.
// Only what a host and this plug-in exchange; the layout is the 64-bit one
// real hosts use (natural alignment, pointer-sized intptr fields).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst {

using int16 = std::int16_t;
using int32 = std::int32_t;
using intptr = std::intptr_t;

struct AEffect;

using HostCallback = intptr (*) (AEffect* effect, int32 opcode, int32 index, intptr value, void* ptr, float opt);
using DispatcherProc = intptr (*) (AEffect* effect, int32 opcode, int32 index, intptr value, void* ptr, float opt);
using ProcessProc = void (*) (AEffect* effect, float** inputs, float** outputs, int32 sampleFrames);
using ProcessDoubleProc = void (*) (AEffect* effect, double** inputs, double** outputs, int32 sampleFrames);
using SetParameterProc = void (*) (AEffect* effect, int32 index, float value);
using GetParameterProc = float (*) (AEffect* effect, int32 index);

constexpr int32 fourCC (char a, char b, char c, char d)
{
    return static_cast<int32> ((static_cast<std::uint32_t> (static_cast<unsigned char> (a)) << 24) |
                               (static_cast<std::uint32_t> (static_cast<unsigned char> (b)) << 16) |
                               (static_cast<std::uint32_t> (static_cast<unsigned char> (c)) << 8) |
                               static_cast<std::uint32_t> (static_cast<unsigned char> (d)));
}

constexpr int32 kEffectMagic = fourCC ('V', 's', 't', 'P');

struct AEffect
{
    int32 magic;
    DispatcherProc dispatcher;
    ProcessProc process; // deprecated accumulating process
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    int32 numPrograms;
    int32 numParams;
    int32 numInputs;
    int32 numOutputs;
    int32 flags;
    intptr resvd1;
    intptr resvd2;
    int32 initialDelay;
    int32 realQualities;
    int32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32 uniqueID;
    int32 version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum EffectFlags : int32
{
    effFlagsHasEditor = 1 << 0,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

enum EffectOpcode : int32
{
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu, // deprecated
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,  // deprecated
    effEditMouse, // deprecated
    effEditKey,   // deprecated
    effEditIdle,
    effEditTop,   // deprecated
    effEditSleep, // deprecated
    effIdentify,  // deprecated
    effGetChunk,
    effSetChunk,
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories, // deprecated
    effGetProgramNameIndexed,
    effCopyProgram,   // deprecated
    effConnectInput,  // deprecated
    effConnectOutput, // deprecated
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,   // deprecated
    effGetDestinationBuffer, // deprecated
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate, // deprecated
    effSetBypass,
    effGetEffectName,
    effGetErrorText, // deprecated
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,            // deprecated
    effGetIcon,         // deprecated
    effSetViewPosition, // deprecated
    effGetParameterProperties,
    effKeysRequired, // deprecated
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
    effSetProcessPrecision,
    effGetNumMidiInputChannels,
    effGetNumMidiOutputChannels,
};

enum HostOpcode : int32
{
    audioMasterAutomate = 0,
    audioMasterVersion,
    audioMasterCurrentId,
    audioMasterIdle,
    audioMasterPinConnected, // deprecated
    audioMasterWantMidi = 6, // deprecated
    audioMasterGetTime,
    audioMasterProcessEvents,
    audioMasterSetTime,                     // deprecated
    audioMasterTempoAt,                     // deprecated
    audioMasterGetNumAutomatableParameters, // deprecated
    audioMasterGetParameterQuantization,    // deprecated
    audioMasterIOChanged,
    audioMasterNeedIdle, // deprecated
    audioMasterSizeWindow,
    audioMasterGetSampleRate,
    audioMasterGetBlockSize,
    audioMasterGetInputLatency,
    audioMasterGetOutputLatency,
    audioMasterGetPreviousPlug,         // deprecated
    audioMasterGetNextPlug,             // deprecated
    audioMasterWillReplaceOrAccumulate, // deprecated
    audioMasterGetCurrentProcessLevel,
    audioMasterGetAutomationState,
    audioMasterOfflineStart,
    audioMasterOfflineRead,
    audioMasterOfflineWrite,
    audioMasterOfflineGetCurrentPass,
    audioMasterOfflineGetCurrentMetaPass,
    audioMasterSetOutputSampleRate,         // deprecated
    audioMasterGetOutputSpeakerArrangement, // deprecated
    audioMasterGetVendorString,
    audioMasterGetProductString,
    audioMasterGetVendorVersion,
    audioMasterVendorSpecific,
    audioMasterSetIcon, // deprecated
    audioMasterCanDo,
    audioMasterGetLanguage,
    audioMasterOpenWindow,  // deprecated
    audioMasterCloseWindow, // deprecated
    audioMasterGetDirectory,
    audioMasterUpdateDisplay,
    audioMasterBeginEdit,
    audioMasterEndEdit,
    audioMasterOpenFileSelector,
    audioMasterCloseFileSelector,
};

// Published string limits, including the terminator.
constexpr int kVstMaxProgNameLen = 24;
constexpr int kVstMaxParamStrLen = 8;
constexpr int kVstMaxVendorStrLen = 64;
constexpr int kVstMaxProductStrLen = 64;
constexpr int kVstMaxEffectNameLen = 32;

constexpr int32 kPlugCategUnknown = 0;
constexpr int32 kPlugCategRoomFx = 6;
constexpr int32 kVstVersion = 2400;

// Events ------------------------------------------------------------------

enum VstEventType : int32
{
    kVstMidiType = 1,
    kVstSysExType = 6,
};

struct VstEvent
{
    int32 type;
    int32 byteSize; // size of the event record after these two fields
    int32 deltaFrames;
    int32 flags;
    char data[16];
};

struct VstEvents
{
    int32 numEvents;
    intptr reserved;
    VstEvent* events[2]; // variable length: numEvents pointers
};

struct VstMidiEvent
{
    int32 type;
    int32 byteSize;
    int32 deltaFrames;
    int32 flags;
    int32 noteLength;
    int32 noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

enum VstMidiEventFlags : int32
{
    kVstMidiEventIsRealtime = 1 << 0,
};

// Time --------------------------------------------------------------------

struct VstTimeInfo
{
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    int32 smpteOffset;
    int32 smpteFrameRate;
    int32 samplesToNextClock;
    int32 flags;
};

enum VstTimeInfoFlags : int32
{
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

// Pins and editor ---------------------------------------------------------

constexpr int kVstMaxLabelLen = 64;
constexpr int kVstMaxShortLabelLen = 8;

struct VstPinProperties
{
    char label[kVstMaxLabelLen];
    int32 flags;
    int32 arrangementType;
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

enum VstPinPropertiesFlags : int32
{
    kVstPinIsActive = 1 << 0,
    kVstPinIsStereo = 1 << 1,
    kVstPinUseSpeaker = 1 << 2,
};

struct ERect
{
    int16 top;
    int16 left;
    int16 bottom;
    int16 right;
};

// Layout checks against the 64-bit binary interface hosts are built with.
static_assert (sizeof (void*) == 8, "64-bit layout only");
static_assert (offsetof (AEffect, dispatcher) == 8);
static_assert (offsetof (AEffect, process) == 16);
static_assert (offsetof (AEffect, setParameter) == 24);
static_assert (offsetof (AEffect, getParameter) == 32);
static_assert (offsetof (AEffect, numPrograms) == 40);
static_assert (offsetof (AEffect, flags) == 56);
static_assert (offsetof (AEffect, resvd1) == 64);
static_assert (offsetof (AEffect, initialDelay) == 80);
static_assert (offsetof (AEffect, ioRatio) == 92);
static_assert (offsetof (AEffect, object) == 96);
static_assert (offsetof (AEffect, user) == 104);
static_assert (offsetof (AEffect, uniqueID) == 112);
static_assert (offsetof (AEffect, version) == 116);
static_assert (offsetof (AEffect, processReplacing) == 120);
static_assert (offsetof (AEffect, processDoubleReplacing) == 128);
static_assert (sizeof (AEffect) == 192);
static_assert (sizeof (VstEvent) == 32);
static_assert (offsetof (VstEvents, events) == 16);
static_assert (sizeof (VstMidiEvent) == 32);
static_assert (offsetof (VstMidiEvent, midiData) == 24);
static_assert (offsetof (VstTimeInfo, timeSigNumerator) == 64);
static_assert (offsetof (VstTimeInfo, flags) == 84);
static_assert (sizeof (VstTimeInfo) == 88);
static_assert (offsetof (VstPinProperties, flags) == 64);
static_assert (offsetof (VstPinProperties, shortLabel) == 72);
static_assert (sizeof (VstPinProperties) == 128);
static_assert (sizeof (ERect) == 8);

} // namespace vst
