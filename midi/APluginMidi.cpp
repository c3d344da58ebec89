// MIDI intake, the MIDI modulation sources, learn and the controller map.
#include "plugin/APlugin.h"

#include "dsp/TLFO.h"
#include "midi/EcsFile.h"
#include "platform/Preferences.h"
#include "presets/FactoryNames.h"

#include <cmath>
#include <cstdlib>

namespace morlake {

using namespace vst;

namespace {

constexpr float kCaptureRange = 0.025f;

// MIDI modulation source fed by a controller, 0 for none.
int controllerSource (int controller)
{
    switch (controller)
    {
        case 1: return src::ModWheel;
        case 2: return src::Breath;
        case 4: return src::Foot;
        case 11: return src::Expression;
        case 74: return src::Brightness;
        case 113: return src::CC113;
        case 114: return src::CC114;
        default: break;
    }
    if (controller >= 16 && controller <= 21)
        return src::CC16 + controller - 16;
    if (controller >= 84 && controller <= 90)
        return src::CC84 + controller - 84;
    return src::None;
}

} // namespace

int32 APlugin::processEvents (VstEvents* events)
{
    midiQueue.push (events);
    return 1;
}

float APlugin::nextNoteRandom ()
{
    const std::uint32_t t = noteSeed * 16807u;
    noteSeed = t + 1u;
    return (static_cast<float> (static_cast<std::int32_t> (t)) * 4.656613e-10f + 1.0f) * 0.5f;
}

void APlugin::handleMidi (const MidiQueue::Event& e)
{
    const int channel = midiChannel.load (std::memory_order_relaxed);
    if (channel != -1 && (e.status & 0x0f) != channel)
        return;

    TModulation& mod = chain.modulation ();
    TLFO& lfo = mod.lfo ();
    const int trigger = mod.lazyTrigger ();
    auto source = [&] (int s, float v) { mod.midi.set (s, v); };

    switch (e.status & 0xf0)
    {
        case 0x90:
            if (e.data2 > 0)
            {
                source (src::Velocity, e.data2 / 127.0f);
                const float r1 = nextNoteRandom ();
                const float r2 = nextNoteRandom ();
                source (src::Note, e.data1 / 127.0f);
                source (src::CentreNote, (static_cast<float> (e.data1) - 57.0f) / 12.0f);
                source (src::NoteRnd1, 2.0f * r1 - 1.0f);
                source (src::NoteRnd2, 2.0f * r2 - 1.0f);
                source (src::UniPolarNoteRnd1, r1);
                source (src::UniPolarNoteRnd2, r2);
                heldNotes[e.data1] = true;
                if (trigger == lazytrigger::Note)
                    lfo.start ();
                break;
            }
            [[fallthrough]]; // velocity 0 is a note-off
        case 0x80:
        {
            heldNotes[e.data1] = false;
            bool anyHeld = false;
            for (bool held : heldNotes)
                anyHeld = anyHeld || held;
            if (! anyHeld && trigger == lazytrigger::Note)
                lfo.stop ();
            break;
        }
        case 0xa0:
            source (src::PolyAftertouch, e.data2 / 127.0f);
            source (src::ModWheelAfter, e.data2 / 127.0f);
            break;
        case 0xb0:
        {
            const float v = e.data2 / 127.0f;
            if (const int s = controllerSource (e.data1); s != src::None)
                source (s, v);
            if (e.data1 == 1)
                source (src::ModWheelAfter, v);
            if (e.data1 == 120 || e.data1 == 121 || e.data1 == 123)
                break;
            controllerUpdate (e.data1, v);
            if (trigger >= 0 && trigger < kNumLazyTriggers && LAZY_TRIGGER_CONTROLLER_ARRAY[trigger] == e.data1)
                lfo.trigger (e.data2);
            break;
        }
        case 0xc0:
            if (e.data1 < kNumFactoryPresets && getRegisterIsOn (PREF_MIDI_PRESET, true))
                setDemoProgram (e.data1);
            break;
        case 0xd0:
            source (src::ChannelAftertouch, e.data1 / 127.0f);
            source (src::ModWheelAfter, e.data1 / 127.0f);
            break;
        case 0xe0:
            source (src::Pitchbend, (static_cast<float> (e.data2) + e.data1 / 128.0f) / 64.0f - 1.0f);
            if (trigger == lazytrigger::PitchBend)
                lfo.trigger (e.data2 - 64);
            break;
        default: break;
    }
}

void APlugin::refreshCapture (int t)
{
    captureBaseline.set (t, getParameter (t));
    captured[t].store (false, std::memory_order_relaxed);
}

void APlugin::controllerUpdate (int controller, float value)
{
    if (learnPending.exchange (false, std::memory_order_acquire))
    {
        const int t = learnTag.load (std::memory_order_relaxed);
        if (isValidTag (t))
        {
            controllerMap[controller].store (t, std::memory_order_relaxed);
            refreshCapture (t);
            setMidiCC (controller, t); // queued for the preference writer on the audio thread
        }
    }
    const int t = controllerMap[controller].load (std::memory_order_relaxed);
    if (t == 0 || ! isValidTag (t))
        return;
    if (! getRegisterIsOn (PREF_MIDI_CAPTURE, true) || captured[t].load (std::memory_order_relaxed))
    {
        setParameter (t, value);
        return;
    }
    if (std::fabs (value - captureBaseline[t]) < kCaptureRange)
    {
        captured[t].store (true, std::memory_order_relaxed);
        setParameter (t, value);
    }
}

void APlugin::updateMidiChannel ()
{
    int value = loadIntFromPrefs (PREF_MIDI_CHANNEL);
    if (value >= 18 || value < 0)
        value = 0;
    const int channel = value - 1;
    if (midiChannel.exchange (channel, std::memory_order_relaxed) != channel)
        doResetEverything ();
}

void APlugin::setMidiLatch (int t, bool latch)
{
    if (! isValidTag (t))
        return;
    learnTag.store (t, std::memory_order_relaxed);
    if (latch)
    {
        learnPending.store (true, std::memory_order_release);
        return;
    }
    for (int c = 0; c < 128; ++c)
        if (controllerMap[c].load (std::memory_order_relaxed) == t)
        {
            controllerMap[c].store (0, std::memory_order_relaxed);
            setMidiCC (c, 0);
        }
    refreshCapture (t);
}

void APlugin::setMidiCCNumber (int t, const char* answer)
{
    if (! isValidTag (t) || answer == nullptr || answer[0] == '\0')
        return;
    const long typed = std::strtol (answer, nullptr, 10);
    const int controller = typed < 0 ? 0 : (typed > 127 ? 127 : static_cast<int> (typed));
    controllerMap[controller].store (t, std::memory_order_relaxed);
    setMidiCC (controller, t);
}

void APlugin::resetMidi ()
{
    for (int c = 0; c < 128; ++c)
    {
        controllerMap[c].store (0, std::memory_order_relaxed);
        setMidiCC (c, 0);
    }
    resetMidiCapture ();
}

void APlugin::resetMidiCapture ()
{
    for (int t = 0; t < kNumParams; ++t)
        refreshCapture (t);
}

int APlugin::getControllerTag (int controller) const
{
    return controller >= 0 && controller < 128 ? controllerMap[controller].load (std::memory_order_relaxed) : 0;
}

bool APlugin::loadECSFile (const std::string& path)
{
    ControllerMap map {};
    if (! loadEcsFile (path, map))
        return false;
    for (int c = 0; c < 128; ++c)
    {
        controllerMap[c].store (map[c], std::memory_order_relaxed);
        setMidiCC (c, map[c]);
    }
    resetMidiCapture ();
    return true;
}

bool APlugin::saveECSFile (const std::string& path) const
{
    ControllerMap map {};
    for (int c = 0; c < 128; ++c)
        map[c] = controllerMap[c].load (std::memory_order_relaxed);
    return saveEcsFile (path, map);
}

} // namespace morlake
