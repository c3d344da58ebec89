// Adapter between the VST 2.4 effect record and a C++ effect class: fills the
// record, turns dispatcher opcodes into virtual calls and wraps the host callback.
#pragma once

#include "formats/vst2/vst24.h"
#include "instance/InstanceEditor.h"

#include <atomic>
#include <cstdint>

namespace morlake {

// Bytes (terminator included) the dispatcher writes into a host text buffer of
// each kind. Hosts give at least these; the published minimums are smaller than
// our texts, so the texts are kept whole within these caps.
namespace hostText {
constexpr int kParamName = 32;
constexpr int kParamLabel = 24;
constexpr int kParamDisplay = 24;
constexpr int kProgramName = 24;
constexpr int kEffectName = 32;
constexpr int kVendor = 64;
constexpr int kProduct = 64;
} // namespace hostText

class AudioEffectX
{
public:
    AudioEffectX (vst::HostCallback audioMaster, int numPrograms, int numParams);
    virtual ~AudioEffectX ();

    AudioEffectX (const AudioEffectX&) = delete;
    AudioEffectX& operator= (const AudioEffectX&) = delete;

    vst::AEffect* getAeffect () { return &effect; }
    static AudioEffectX* fromEffect (vst::AEffect* e);

    virtual vst::intptr dispatcher (vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt);

    // Effect operations (published defaults; the effect overrides what it offers).
    virtual void open () {}
    virtual void close () {}
    virtual void suspend () {}
    virtual void resume ();
    virtual void setSampleRate (float rate) { sampleRate = rate; }
    virtual void setBlockSize (vst::int32 size) { blockSize = size; }
    virtual void processReplacing (float** inputs, float** outputs, vst::int32 sampleFrames) = 0;
    virtual void __processDeprecated (float** inputs, float** outputs, vst::int32 sampleFrames);
    virtual void setParameter (vst::int32 index, float value) = 0;
    virtual float getParameter (vst::int32 index) = 0;
    virtual void setProgram (vst::int32 program) { curProgram.store (program, std::memory_order_relaxed); }
    virtual void setProgramName (char*) {}
    virtual void getProgramName (char* name) { name[0] = '\0'; }
    virtual void getParameterLabel (vst::int32, char* text) { text[0] = '\0'; }
    virtual void getParameterDisplay (vst::int32, char* text) { text[0] = '\0'; }
    virtual void getParameterName (vst::int32, char* text) { text[0] = '\0'; }
    virtual vst::int32 getChunk (void** data, bool isPreset);
    virtual vst::int32 setChunk (void* data, vst::int32 byteSize, bool isPreset);
    virtual bool getProgramNameIndexed (vst::int32, vst::int32, char*) { return false; }
    virtual bool getInputProperties (vst::int32, vst::VstPinProperties*) { return false; }
    virtual bool getOutputProperties (vst::int32, vst::VstPinProperties*) { return false; }
    virtual vst::int32 processEvents (vst::VstEvents*) { return 0; }
    virtual bool getEffectName (char*) { return false; }
    virtual bool getVendorString (char*) { return false; }
    virtual bool getProductString (char*) { return false; }
    virtual vst::int32 getVendorVersion () { return 0; }
    virtual vst::intptr vendorSpecific (vst::int32, vst::intptr, void*, float) { return 0; }
    virtual vst::int32 canDo (const char*) { return 0; }
    virtual vst::int32 getPlugCategory () { return vst::kPlugCategUnknown; }

    // Host services.
    vst::intptr callHost (vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0, void* ptr = nullptr,
                          float opt = 0.0f) const;
    void setParameterAutomated (vst::int32 index, float value);
    virtual bool beginEdit (vst::int32 index);
    virtual bool endEdit (vst::int32 index);
    vst::VstTimeInfo* getTimeInfo (vst::int32 filter) const;
    bool getHostVendorString (char* text) const;
    bool getHostProductString (char* text) const;
    void wantEvents (vst::int32 filter = 1) const;
    void masterIdle () const;

    InstanceEditor* getEditor () const { return editor; }

protected:
    void setNumInputs (vst::int32 n) { effect.numInputs = n; }
    void setNumOutputs (vst::int32 n) { effect.numOutputs = n; }
    void setUniqueID (vst::int32 id) { effect.uniqueID = id; }
    void canProcessReplacing (bool state) { setFlag (vst::effFlagsCanReplacing, state); }
    void programsAreChunks (bool state) { setFlag (vst::effFlagsProgramChunks, state); }
    void isSynth (bool state) { setFlag (vst::effFlagsIsSynth, state); }
    bool isSynthFlagSet () const { return (effect.flags & vst::effFlagsIsSynth) != 0; }
    // Takes ownership of the editor.
    void setEditor (InstanceEditor* newEditor);

    vst::HostCallback audioMaster;
    InstanceEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    vst::int32 blockSize = 1024;
    vst::int32 numPrograms;
    vst::int32 numParams;
    std::atomic<vst::int32> curProgram {0}; // hosts may set programs and chunks from two threads

private:
    void setFlag (vst::int32 flag, bool state);
    vst::intptr dispatchEditor (vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt);

    vst::AEffect effect {};
    vst::ERect editorRect {};
};

} // namespace morlake
