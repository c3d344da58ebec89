#include "midi/MidiControl.h"

#include "dsp/TModulation.h"
#include "midi/EcsFile.h"
#include "platform/Preferences.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace morlake {

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

// The controller map lives in the preferences under the keys "0".."127".
int32_t readController (Preferences& prefs, int controller)
{
    char key[12];
    std::snprintf (key, sizeof key, "%d", controller);
    return prefs.readInt (key);
}

void writeController (Preferences& prefs, int controller, int32_t tag)
{
    char key[12];
    std::snprintf (key, sizeof key, "%d", controller);
    prefs.writeInt (key, tag);
}

bool readFlag (Preferences& prefs, const char* key)
{
    char text[kPrefStringSize] = {};
    prefs.readString (key, text, sizeof text);
    if (text[0] == 'Y' && text[1] == '\0')
        return true;
    if (text[0] == 'N' && text[1] == '\0')
        return false;
    return prefFlagDefault (key);
}

} // namespace

MidiControl::MidiControl (MidiTarget& t, Preferences& p, int count)
: target (t),
  prefs (p),
  numParams (count),
  captureBaseline (new std::atomic<float>[count] {}),
  captured (new std::atomic<bool>[count] {})
{}

float MidiControl::nextNoteRandom ()
{
    const std::uint32_t t = noteSeed * 16807u;
    noteSeed = t + 1u;
    return (static_cast<float> (static_cast<std::int32_t> (t)) * 4.656613e-10f + 1.0f) * 0.5f;
}

void MidiControl::handle (const MidiMessage& e, TModulation& mod)
{
    const int filter = channelFilter.load (std::memory_order_relaxed);
    if (filter != -1 && (e.status & 0x0f) != filter)
        return;

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
        case 0x80: {
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
        case 0xb0: {
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
            if (! presetChangesOn.load (std::memory_order_relaxed))
                break;
            if (programLoaded)
                heldProgram = e.data1;
            else
                programLoaded = target.selectFactoryPreset (e.data1);
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

void MidiControl::startBlock ()
{
    programLoaded = false;
    if (heldProgram < 0)
        return;
    const int program = heldProgram;
    heldProgram = -1;
    programLoaded = target.selectFactoryPreset (program);
}

void MidiControl::controllerUpdate (int controller, float value)
{
    if (learnPending.exchange (false, std::memory_order_acquire))
    {
        const int t = learnTag.load (std::memory_order_relaxed);
        if (isTag (t))
        {
            controllerMap[controller].store (t, std::memory_order_relaxed);
            refreshCapture (t);
            // Stored by saveLearned, off the audio thread.
            unsaved[controller / 64].fetch_or (std::uint64_t (1) << (controller % 64), std::memory_order_relaxed);
        }
    }
    const int t = controllerMap[controller].load (std::memory_order_relaxed);
    if (t == 0 || ! isTag (t))
        return;
    if (! captureOn.load (std::memory_order_relaxed) || captured[t].load (std::memory_order_relaxed))
    {
        target.writeParameter (t, value);
        return;
    }
    if (std::fabs (value - captureBaseline[t].load (std::memory_order_relaxed)) < kCaptureRange)
    {
        captured[t].store (true, std::memory_order_relaxed);
        target.writeParameter (t, value);
    }
}

void MidiControl::loadControllerMap ()
{
    for (int c = 0; c < 128; ++c)
        controllerMap[c].store (readController (prefs, c), std::memory_order_relaxed);
}

void MidiControl::saveLearned ()
{
    for (int word = 0; word < 2; ++word)
    {
        const std::uint64_t bits = unsaved[word].exchange (0, std::memory_order_relaxed);
        for (int bit = 0; bit < 64; ++bit)
            if (bits & (std::uint64_t (1) << bit))
            {
                const int c = word * 64 + bit;
                writeController (prefs, c, controllerMap[c].load (std::memory_order_relaxed));
            }
    }
}

void MidiControl::readSettings ()
{
    presetChangesOn.store (readFlag (prefs, PREF_MIDI_PRESET), std::memory_order_relaxed);
    captureOn.store (readFlag (prefs, PREF_MIDI_CAPTURE), std::memory_order_relaxed);
    int value = prefs.readInt (PREF_MIDI_CHANNEL);
    if (value >= 18 || value < 0)
        value = 0;
    channelSetting.store (value - 1, std::memory_order_relaxed);
}

bool MidiControl::applyChannel ()
{
    const int wanted = channelSetting.load (std::memory_order_relaxed);
    return channelFilter.exchange (wanted, std::memory_order_relaxed) != wanted;
}

void MidiControl::storeController (int controller, int t)
{
    controllerMap[controller].store (t, std::memory_order_relaxed);
    writeController (prefs, controller, t);
}

void MidiControl::setLatch (int t, bool latch)
{
    if (! isTag (t))
        return;
    learnTag.store (t, std::memory_order_relaxed);
    if (latch)
    {
        learnPending.store (true, std::memory_order_release);
        return;
    }
    for (int c = 0; c < 128; ++c)
        if (controllerMap[c].load (std::memory_order_relaxed) == t)
            storeController (c, 0);
    refreshCapture (t);
}

void MidiControl::latchController (int controller, int t)
{
    if (isTag (t) && controller >= 0 && controller < 128)
        storeController (controller, t);
}

void MidiControl::clearControllerMap ()
{
    for (int c = 0; c < 128; ++c)
        storeController (c, 0);
    resetCapture ();
}

int MidiControl::controllerTag (int controller) const
{
    return controller >= 0 && controller < 128 ? controllerMap[controller].load (std::memory_order_relaxed) : 0;
}

bool MidiControl::loadMapFile (const std::string& path)
{
    ControllerMap map {};
    if (! loadEcsFile (path, map))
        return false;
    for (int c = 0; c < 128; ++c)
        storeController (c, map[c]);
    resetCapture ();
    return true;
}

bool MidiControl::saveMapFile (const std::string& path) const
{
    ControllerMap map {};
    for (int c = 0; c < 128; ++c)
        map[c] = controllerMap[c].load (std::memory_order_relaxed);
    return saveEcsFile (path, map);
}

void MidiControl::refreshCapture (int t)
{
    captureBaseline[t].store (target.readParameter (t), std::memory_order_relaxed);
    captured[t].store (false, std::memory_order_relaxed);
}

void MidiControl::resetCapture ()
{
    for (int t = 0; t < numParams; ++t)
        refreshCapture (t);
}

void MidiControl::resetCapture (const float* values)
{
    for (int t = 0; t < numParams; ++t)
    {
        captureBaseline[t].store (values[t], std::memory_order_relaxed);
        captured[t].store (false, std::memory_order_relaxed);
    }
}

} // namespace morlake
