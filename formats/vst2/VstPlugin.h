// The VST 2.4 adapter: the effect record and dispatcher a VST 2.4 host
// talks to, around one format-free instance. Host-name rules, the chunk
// policy per host, pins, canDo texts and events live here.
#pragma once

#include "formats/vst2/AudioEffectX.h"
#include "instance/APlugin.h"

namespace morlake {

class VstPlugin;
using EditorFactory = InstanceEditor* (*)(EditorModel& model);

struct HostFlags
{
    bool reaper = false;
    bool propVendor = false;
    bool maschine = false;
    bool kore = false;
    bool own = false;

    bool any () const { return reaper || propVendor || maschine || kore || own; }
};

// Host flags from the host's product and vendor strings (compared upper-cased).
HostFlags detectHost (const char* product, const char* vendor);

class VstPlugin : public AudioEffectX, private InstanceHost
{
public:
    explicit VstPlugin (vst::HostCallback audioMaster, EditorFactory makeEditor = nullptr,
                        Preferences& prefs = Preferences::shared ());
    ~VstPlugin () override;

    APlugin& instance () { return product; }
    const APlugin& instance () const { return product; }

    vst::intptr dispatcher (vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt) override;

    void suspend () override {}
    void setSampleRate (float rate) override { product.setSampleRate (rate); }
    void resume () override;
    void processReplacing (float** inputs, float** outputs, vst::int32 sampleFrames) override;
    void __processDeprecated (float** inputs, float** outputs, vst::int32 sampleFrames) override;
    void setParameter (vst::int32 tag, float value) override;
    float getParameter (vst::int32 tag) override { return product.getParameter (tag); }
    void setProgram (vst::int32 program) override;
    void setProgramName (char*) override {}
    void getProgramName (char* text) override;
    void getParameterLabel (vst::int32 tag, char* text) override;
    void getParameterDisplay (vst::int32 tag, char* text) override;
    void getParameterName (vst::int32 tag, char* text) override;
    vst::int32 getChunk (void** data, bool isPreset) override;
    vst::int32 setChunk (void* data, vst::int32 byteSize, bool isPreset) override;
    bool getProgramNameIndexed (vst::int32 category, vst::int32 index, char* text) override;
    bool getInputProperties (vst::int32 index, vst::VstPinProperties* pin) override;
    bool getOutputProperties (vst::int32 index, vst::VstPinProperties* pin) override;
    vst::int32 processEvents (vst::VstEvents* events) override;
    bool getEffectName (char* text) override;
    bool getVendorString (char* text) override;
    bool getProductString (char* text) override;
    vst::int32 getVendorVersion () override;
    vst::intptr vendorSpecific (vst::int32 index, vst::intptr value, void* ptr, float opt) override;
    vst::int32 canDo (const char* text) override;
    vst::int32 getPlugCategory () override { return vst::kPlugCategRoomFx; }

private:
    // InstanceHost
    void parameterEdited (int tag, float value) override;
    bool gestureBegan (int tag) override { return AudioEffectX::beginEdit (tag); }
    bool gestureEnded (int tag) override { return AudioEffectX::endEdit (tag); }
    ChainTime transport () override;
    void requestIdle () override { masterIdle (); }

    HostFlags host;
    // What getChunk() hands out stays valid until the next call: a bank
    // and a program block, as hosts ask for either.
    ChunkBlock bankChunk {};
    ChunkBlock programChunk {};
    APlugin product;
};

} // namespace morlake
