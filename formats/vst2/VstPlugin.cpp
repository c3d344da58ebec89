#include "formats/vst2/VstPlugin.h"

#include "instance/Identity.h"
#include "params/Curves.h"
#include "params/ParamValues.h"
#include "platform/StringUtils.h"

#include <cstdio>
#include <cstring>

namespace morlake {

using namespace vst;

namespace {

constexpr const char* CHANNEL_ID_STR = "Morlake";

constexpr const char* CAN_DO_STR[] = {
    "receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo", "plugAsChannelInsert", "1in1out", "1in2out",
    "2in2out"};

// Longest text a host may hand to canDo that we still compare.
constexpr std::size_t kMaxCanDoLength = 64;

void copyText (char* text, std::string_view source)
{
    std::memcpy (text, source.data (), source.size ());
    text[source.size ()] = '\0';
}

enum class ChunkBuffer
{
    None,
    Bank,
    Program
};

// Which hosts exchange chunks, and for banks or programs.
ChunkBuffer chooseBuffer (const HostFlags& host, bool isPreset)
{
    if (host.maschine)
        return isPreset ? ChunkBuffer::None : ChunkBuffer::Program;
    if (host.reaper || host.own || host.propVendor)
        return isPreset ? (host.propVendor ? ChunkBuffer::Program : ChunkBuffer::None) : ChunkBuffer::Bank;
    return ChunkBuffer::None;
}

} // namespace

HostFlags detectHost (const char* productText, const char* vendorText)
{
    char product[256] {};
    char vendor[256] {};
    std::snprintf (product, sizeof product, "%s", productText != nullptr ? productText : "");
    std::snprintf (vendor, sizeof vendor, "%s", vendorText != nullptr ? vendorText : "");
    upperCase (product);
    upperCase (vendor);

    HostFlags flags;
    flags.kore = std::strncmp (product, "KORE", 4) == 0;
    flags.maschine = std::strcmp (product, "MASCHINE HOST") == 0;
    flags.own = std::strcmp (product, identity::kOwnHostProduct) == 0;
    flags.reaper = std::strcmp (product, "REAPER") == 0;
    flags.propVendor = std::strncmp (vendor, "PROP", 4) == 0;
    return flags;
}

VstPlugin::VstPlugin (HostCallback master, EditorFactory makeEditor, Preferences& prefs)
: AudioEffectX (master, 1, kNumParams), product (*this, prefs)
{
    isSynth (false);
    if (makeEditor != nullptr)
    {
        setEditor (makeEditor (product));
        product.attachEditor (editor);
    }

    setNumInputs (kInputChannels);
    setNumOutputs (kOutputChannels);
    canProcessReplacing (true);

    // The host writes at most 64 bytes; the buffers are zero-filled so a silent host leaves them empty.
    char hostProduct[256] {};
    char hostVendor[256] {};
    getHostProductString (hostProduct);
    getHostVendorString (hostVendor);
    hostProduct[sizeof hostProduct - 1] = '\0';
    hostVendor[sizeof hostVendor - 1] = '\0';
    host = detectHost (hostProduct, hostVendor);
    programsAreChunks (host.any ());

    setUniqueID (identity::kUniqueID);

    ChunkBlock defaults {};
    for (int t = 0; t < kNumParams; ++t)
        defaults.values[t] = product.table ().getDefault (t);
    bankChunk = defaults;
    programChunk = defaults;
}

VstPlugin::~VstPlugin ()
{
    // The editor closes while the instance it talks to is still whole.
    product.attachEditor (nullptr);
    setEditor (nullptr);
}

intptr VstPlugin::dispatcher (int32 opcode, int32 index, intptr value, void* ptr, float opt)
{
    // Opcodes hosts send from their user-interface or main thread, never
    // from the audio thread.
    switch (opcode)
    {
        case effEditIdle:
        case effEditOpen:
        case effEditClose:
        case effMainsChanged:
        case effSetProgram:
        case effSetChunk: product.syncPreferences (); break;
        default: break;
    }
    return AudioEffectX::dispatcher (opcode, index, value, ptr, opt);
}

// Parameters -------------------------------------------------------------------

// A VST 2.4 host saves and restores the state as 256 values, the bookkeeping
// slots among them, and answers some slots' writes the way the state they
// belong to asks.
void VstPlugin::setParameter (vst::int32 tag, float value)
{
    if (! isValidTag (tag))
        return;
    // Loads and restores write every slot, this one included: only a write
    // from outside a load that moves the value asks for the reload, or a
    // restored state would be replaced by the first preset at the next
    // housekeeping.
    const bool loading = product.isLoadingState ();
    if (tag == tag::FactoryReload && ! loading && differs (curve::clamp01 (value), product.getLiveValue (tag)))
        product.requestFactoryReload ();
    product.setParameter (tag, value);
    // A host restoring values one by one writes the name slots after the
    // values they belong to: the preset named there is where the state began.
    if (tag >= tag::NameFirst && tag <= tag::NameLast && ! loading)
        product.adoptNamedOrigin ();
}

// Audio ------------------------------------------------------------------------

void VstPlugin::resume ()
{
    product.resume ();
    AudioEffectX::resume ();
}

void VstPlugin::processReplacing (float** inputs, float** outputs, int32 sampleFrames)
{
    product.process (inputs, outputs, sampleFrames, false);
}

void VstPlugin::__processDeprecated (float** inputs, float** outputs, int32 sampleFrames)
{
    product.process (inputs, outputs, sampleFrames, true);
}

ChainTime VstPlugin::transport ()
{
    ChainTime time;
    if (const VstTimeInfo* info = getTimeInfo (kVstTempoValid | kVstPpqPosValid))
    {
        time.valid = true;
        time.tempoValid = (info->flags & kVstTempoValid) != 0;
        time.tempo = static_cast<float> (info->tempo);
        time.playing = (info->flags & kVstTransportPlaying) != 0;
    }
    return time;
}

vst::int32 VstPlugin::processEvents (VstEvents* events)
{
    if (events == nullptr || events->numEvents <= 0)
        return 1;
    for (int32 i = 0; i < events->numEvents; ++i)
    {
        const VstEvent* e = events->events[i];
        if (e == nullptr || e->type != kVstMidiType)
            continue;
        const auto* m = reinterpret_cast<const VstMidiEvent*> (e);
        MidiMessage event;
        event.deltaFrames = m->deltaFrames;
        event.status = static_cast<unsigned char> (m->midiData[0]);
        event.data1 = static_cast<unsigned char> (m->midiData[1] & 0x7f);
        event.data2 = static_cast<unsigned char> (m->midiData[2] & 0x7f);
        if (! product.queueMidi (event))
            break;
    }
    return 1;
}

// Parameters -------------------------------------------------------------------

void VstPlugin::parameterEdited (int tag, float value) { callHost (audioMasterAutomate, tag, 0, nullptr, value); }

void VstPlugin::getParameterName (int32 t, char* text)
{
    if (text == nullptr)
        return;
    text[0] = '\0';
    if (isValidTag (t))
        copyText (text, product.parameterName (t));
}

void VstPlugin::getParameterLabel (int32, char* text)
{
    if (text != nullptr)
        copyText (text, " ");
}

void VstPlugin::getParameterDisplay (int32 t, char* text)
{
    if (text == nullptr)
        return;
    text[0] = '\0';
    if (isValidTag (t))
        copyText (text, product.getDisplayText (t).c_str ());
}

// Programs and chunks ----------------------------------------------------------

void VstPlugin::setProgram (int32 programIndex)
{
    if (programIndex != 0)
        return;
    if (! product.isEditorOpening ())
        curProgram.store (0, std::memory_order_relaxed);
    product.setProgram ();
}

void VstPlugin::getProgramName (char* text) { copyText (text, product.programName ()); }

bool VstPlugin::getProgramNameIndexed (int32, int32 index, char* text)
{
    if (index != 0)
        return false;
    getProgramName (text);
    return true;
}

int32 VstPlugin::getChunk (void** data, bool isPreset)
{
    const ChunkBuffer which = chooseBuffer (host, isPreset);
    if (which == ChunkBuffer::None || data == nullptr)
        return 0;
    ChunkBlock& block = which == ChunkBuffer::Bank ? bankChunk : programChunk;
    product.saveState (block);
    *data = &block;
    return kChunkSize;
}

int32 VstPlugin::setChunk (void* data, int32 byteSize, bool isPreset)
{
    // The block getChunk() handed out is left alone: a host may still be
    // copying it on another thread.
    if (chooseBuffer (host, isPreset) == ChunkBuffer::None)
        return 1;
    if (! product.restoreState (data, byteSize))
        return 0;
    curProgram.store (0, std::memory_order_relaxed);
    return 1;
}

// Identity and pins ------------------------------------------------------------

bool VstPlugin::getInputProperties (int32 index, VstPinProperties* pin)
{
    if (pin == nullptr || index < 0 || index >= kInputChannels)
        return false;
    // Both pins of a stereo pair carry the pair's name.
    const int first = index - index % 2 + 1;
    pin->flags = kVstPinIsActive | kVstPinIsStereo;
    std::snprintf (pin->label, sizeof pin->label, "In %d + %d", first, first + 1);
    std::snprintf (pin->shortLabel, sizeof pin->shortLabel, "In %d+%d", first, first + 1);
    return true;
}

bool VstPlugin::getOutputProperties (int32 index, VstPinProperties* pin)
{
    if (pin == nullptr || index < 0 || index >= kOutputChannels)
        return false;
    std::snprintf (pin->label, sizeof pin->label, "%s %d", CHANNEL_ID_STR, index + 1);
    std::snprintf (pin->shortLabel, sizeof pin->shortLabel, "Out %d", index + 1);
    pin->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool VstPlugin::getEffectName (char* text)
{
    copyText (text, identity::kEffectName);
    return true;
}

bool VstPlugin::getVendorString (char* text)
{
    copyText (text, identity::kVendorName);
    return true;
}

bool VstPlugin::getProductString (char* text)
{
    copyText (text, identity::kProductName);
    return true;
}

int32 VstPlugin::getVendorVersion () { return identity::kVendorVersion; }

intptr VstPlugin::vendorSpecific (int32 index, intptr value, void*, float opt)
{
    if (index == fourCC ('s', 't', 'C', 'A') && value == fourCC ('W', 'h', 'e', 'e') && editor != nullptr)
        return editor->onWheel (opt) ? 1 : 0;
    return 0;
}

int32 VstPlugin::canDo (const char* text)
{
    if (text == nullptr)
        return 0;
    const std::size_t length = strnlen (text, kMaxCanDoLength);
    for (const char* known : CAN_DO_STR)
        if (length == std::strlen (known) && std::memcmp (text, known, length) == 0)
            return 1;
    return 0;
}

} // namespace morlake
