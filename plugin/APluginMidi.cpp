// The plug-in's side of MIDI: host event lists into the MIDI object, the
// preferences it reads, and the editor's MIDI calls.
#include "plugin/APlugin.h"

#include "presets/FactoryNames.h"

#include <cstdlib>

namespace morlake {

using namespace vst;

int32 APlugin::processEvents (VstEvents* events)
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
        if (! midi.queue (event))
            break;
    }
    return 1;
}

bool APlugin::selectFactoryPreset (int index)
{
    if (index < 0 || index >= kNumFactoryPresets)
        return false;
    setDemoProgram (index);
    return true;
}

void APlugin::syncPreferences ()
{
    midi.saveLearned ();
    midi.readSettings ();
}

intptr APlugin::dispatcher (int32 opcode, int32 index, intptr value, void* ptr, float opt)
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
        case effSetChunk: syncPreferences (); break;
        default: break;
    }
    if (opcode == effSetProgram)
    {
        // A program load rewrites the state a chunk save copies.
        std::lock_guard<std::recursive_mutex> whole (stateMutex);
        return AudioEffectX::dispatcher (opcode, index, value, ptr, opt);
    }
    return AudioEffectX::dispatcher (opcode, index, value, ptr, opt);
}

void APlugin::captureFromLive ()
{
    float values[kNumParams];
    live.copyTo (values);
    midi.resetCapture (values);
}

void APlugin::updateMidiChannel ()
{
    if (midi.applyChannel ())
        doResetEverything ();
}

void APlugin::setMidiCCNumber (int t, const char* answer)
{
    if (! isValidTag (t) || answer == nullptr || answer[0] == '\0')
        return;
    const long typed = std::strtol (answer, nullptr, 10);
    midi.latchController (typed < 0 ? 0 : (typed > 127 ? 127 : static_cast<int> (typed)), t);
}

} // namespace morlake
