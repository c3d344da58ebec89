// The instance's side of MIDI: program changes, the preferences MIDI
// reads, and the editor's MIDI calls.
#include "instance/APlugin.h"

#include "presets/FactoryNames.h"

#include <cstdlib>

namespace morlake {

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
