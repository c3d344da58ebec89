#include "formats/vst2/AudioEffectX.h"

#include <cstring>

namespace morlake {

using namespace vst;

namespace {

intptr dispatcherProc (AEffect* e, int32 opcode, int32 index, intptr value, void* ptr, float opt)
{
    AudioEffectX* plugin = AudioEffectX::fromEffect (e);
    if (plugin == nullptr)
        return 0;
    if (opcode == effClose)
    {
        plugin->dispatcher (opcode, index, value, ptr, opt);
        delete plugin;
        return 1;
    }
    return plugin->dispatcher (opcode, index, value, ptr, opt);
}

void processReplacingProc (AEffect* e, float** inputs, float** outputs, int32 frames)
{
    if (AudioEffectX* plugin = AudioEffectX::fromEffect (e))
        plugin->processReplacing (inputs, outputs, frames);
}

void processDeprecatedProc (AEffect* e, float** inputs, float** outputs, int32 frames)
{
    if (AudioEffectX* plugin = AudioEffectX::fromEffect (e))
        plugin->__processDeprecated (inputs, outputs, frames);
}

void processDoubleProc (AEffect*, double**, double**, int32) {}

void setParameterProc (AEffect* e, int32 index, float value)
{
    if (AudioEffectX* plugin = AudioEffectX::fromEffect (e))
        plugin->setParameter (index, value);
}

float getParameterProc (AEffect* e, int32 index)
{
    AudioEffectX* plugin = AudioEffectX::fromEffect (e);
    return plugin != nullptr ? plugin->getParameter (index) : 0.0f;
}

// Copies a text into a host buffer, cut to `capacity` bytes with its terminator.
void copyToHost (void* destination, const char* text, int capacity)
{
    const std::size_t length = strnlen (text, static_cast<std::size_t> (capacity - 1));
    std::memcpy (destination, text, length);
    static_cast<char*> (destination)[length] = '\0';
}

// Texts are produced into scratch space larger than any of ours, then copied with a cap.
struct Scratch
{
    char text[512] {};
};

} // namespace

AudioEffectX::AudioEffectX (HostCallback master, int programs, int params)
: audioMaster (master), numPrograms (programs), numParams (params)
{
    effect.magic = kEffectMagic;
    effect.dispatcher = dispatcherProc;
    effect.process = processDeprecatedProc;
    effect.setParameter = setParameterProc;
    effect.getParameter = getParameterProc;
    effect.numPrograms = programs;
    effect.numParams = params;
    effect.numInputs = 1;
    effect.numOutputs = 2;
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = fourCC ('N', 'o', 'E', 'f');
    effect.version = 1;
    effect.processReplacing = processReplacingProc;
    effect.processDoubleReplacing = processDoubleProc;
}

AudioEffectX::~AudioEffectX ()
{
    delete editor;
    effect.object = nullptr;
}

AudioEffectX* AudioEffectX::fromEffect (AEffect* e)
{
    return e != nullptr ? static_cast<AudioEffectX*> (e->object) : nullptr;
}

void AudioEffectX::setFlag (int32 flag, bool state)
{
    if (state)
        effect.flags |= flag;
    else
        effect.flags &= ~flag;
}

void AudioEffectX::setEditor (InstanceEditor* newEditor)
{
    delete editor;
    editor = newEditor;
    setFlag (effFlagsHasEditor, editor != nullptr);
}

void AudioEffectX::resume ()
{
    if (! isSynthFlagSet () && canDo ("receiveVstMidiEvent") == 1)
        wantEvents (1);
}

void AudioEffectX::__processDeprecated (float**, float**, int32) {}

int32 AudioEffectX::getChunk (void**, bool) { return 0; }

int32 AudioEffectX::setChunk (void*, int32, bool) { return 0; }

intptr AudioEffectX::callHost (int32 opcode, int32 index, intptr value, void* ptr, float opt) const
{
    return audioMaster != nullptr ? audioMaster (const_cast<AEffect*> (&effect), opcode, index, value, ptr, opt) : 0;
}

void AudioEffectX::setParameterAutomated (int32 index, float value)
{
    setParameter (index, value);
    // The host records what the parameter now holds (clamped and snapped).
    if (index >= 0 && index < numParams)
        callHost (audioMasterAutomate, index, 0, nullptr, getParameter (index));
}

bool AudioEffectX::beginEdit (int32 index) { return callHost (audioMasterBeginEdit, index) != 0; }

bool AudioEffectX::endEdit (int32 index) { return callHost (audioMasterEndEdit, index) != 0; }

VstTimeInfo* AudioEffectX::getTimeInfo (int32 filter) const
{
    return reinterpret_cast<VstTimeInfo*> (callHost (audioMasterGetTime, 0, filter));
}

bool AudioEffectX::getHostVendorString (char* text) const
{
    text[0] = '\0';
    return callHost (audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString (char* text) const
{
    text[0] = '\0';
    return callHost (audioMasterGetProductString, 0, 0, text) != 0;
}

void AudioEffectX::wantEvents (int32 filter) const { callHost (audioMasterWantMidi, 0, filter); }

void AudioEffectX::masterIdle () const { callHost (audioMasterIdle); }

intptr AudioEffectX::dispatchEditor (int32 opcode, int32 index, intptr value, void* ptr, float opt)
{
    if (editor == nullptr)
        return 0;
    switch (opcode)
    {
        case effEditGetRect: {
            if (ptr == nullptr)
                return 0;
            const EditorSize size = editor->getSize ();
            editorRect = {0, 0, static_cast<int16> (size.height), static_cast<int16> (size.width)};
            *static_cast<ERect**> (ptr) = &editorRect;
            return 1;
        }
        case effEditOpen: return editor->open (ptr) ? 1 : 0;
        case effEditClose: editor->close (); return 0;
        case effEditIdle: editor->idle (); return 0;
        case effEditKeyDown:
        case effEditKeyUp: {
            const KeyStroke key {index, static_cast<unsigned char> (value),
                                 static_cast<unsigned char> (static_cast<int> (opt))};
            return opcode == effEditKeyDown ? editor->onKeyDown (key) : editor->onKeyUp (key);
        }
        case effSetEditKnobMode: return editor->setKnobMode (static_cast<int> (value)) ? 1 : 0;
        default: return 0;
    }
}

intptr AudioEffectX::dispatcher (int32 opcode, int32 index, intptr value, void* ptr, float opt)
{
    Scratch scratch;
    auto textAnswer = [&] (int capacity) -> intptr {
        copyToHost (ptr, scratch.text, capacity);
        return 0;
    };

    switch (opcode)
    {
        case effOpen: open (); return 0;
        case effClose: close (); return 1;
        case effSetProgram:
            if (value >= 0 && value < numPrograms)
                setProgram (static_cast<int32> (value));
            return 0;
        case effGetProgram: return curProgram.load (std::memory_order_relaxed);
        case effSetProgramName:
            if (ptr != nullptr)
                setProgramName (static_cast<char*> (ptr));
            return 0;
        case effGetProgramName:
            if (ptr == nullptr)
                return 0;
            getProgramName (scratch.text);
            return textAnswer (hostText::kProgramName);
        case effGetParamLabel:
            if (ptr == nullptr)
                return 0;
            getParameterLabel (index, scratch.text);
            return textAnswer (hostText::kParamLabel);
        case effGetParamDisplay:
            if (ptr == nullptr)
                return 0;
            getParameterDisplay (index, scratch.text);
            return textAnswer (hostText::kParamDisplay);
        case effGetParamName:
            if (ptr == nullptr)
                return 0;
            getParameterName (index, scratch.text);
            return textAnswer (hostText::kParamName);
        case effSetSampleRate: setSampleRate (opt); return 0;
        case effSetBlockSize: setBlockSize (static_cast<int32> (value)); return 0;
        case effMainsChanged:
            if (value != 0)
                resume ();
            else
                suspend ();
            return 0;
        case effEditGetRect:
        case effEditOpen:
        case effEditClose:
        case effEditIdle:
        case effEditKeyDown:
        case effEditKeyUp:
        case effSetEditKnobMode: return dispatchEditor (opcode, index, value, ptr, opt);
        case effIdentify: return fourCC ('N', 'v', 'E', 'f');
        case effGetChunk: return ptr != nullptr ? getChunk (static_cast<void**> (ptr), index != 0) : 0;
        case effSetChunk: return setChunk (ptr, static_cast<int32> (value), index != 0);
        case effProcessEvents: return ptr != nullptr ? processEvents (static_cast<VstEvents*> (ptr)) : 0;
        case effCanBeAutomated: return 1;
        case effGetProgramNameIndexed:
            if (ptr == nullptr || ! getProgramNameIndexed (static_cast<int32> (value), index, scratch.text))
                return 0;
            textAnswer (hostText::kProgramName);
            return 1;
        case effGetInputProperties:
            return ptr != nullptr && getInputProperties (index, static_cast<VstPinProperties*> (ptr)) ? 1 : 0;
        case effGetOutputProperties:
            return ptr != nullptr && getOutputProperties (index, static_cast<VstPinProperties*> (ptr)) ? 1 : 0;
        case effGetPlugCategory: return getPlugCategory ();
        case effGetEffectName:
            if (ptr == nullptr || ! getEffectName (scratch.text))
                return 0;
            textAnswer (hostText::kEffectName);
            return 1;
        case effGetVendorString:
            if (ptr == nullptr || ! getVendorString (scratch.text))
                return 0;
            textAnswer (hostText::kVendor);
            return 1;
        case effGetProductString:
            if (ptr == nullptr || ! getProductString (scratch.text))
                return 0;
            textAnswer (hostText::kProduct);
            return 1;
        case effGetVendorVersion: return getVendorVersion ();
        case effVendorSpecific: return vendorSpecific (index, value, ptr, opt);
        case effCanDo: return ptr != nullptr ? canDo (static_cast<const char*> (ptr)) : 0;
        case effGetVstVersion: return kVstVersion;
        case effSetTotalSampleToProcess: return value;
        default: return 0;
    }
}

} // namespace morlake
