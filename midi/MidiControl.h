// MIDI control of one plug-in instance: the event queue, the channel filter,
// the MIDI modulation sources, held notes, program changes, controller learn,
// the controller map and capture (a controller takes over a parameter only
// once it comes near the parameter's value).
//
// Threads: events are queued by the host's thread and handled on the audio
// thread, which reads the MIDI settings from atomics and never touches the
// preferences.  The non-audio side reads the settings from the store
// (readSettings) and writes the controllers learned there (saveLearned).
#pragma once

#include "midi/MidiMessage.h"
#include "midi/MidiQueue.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace morlake {

class Preferences;
class TModulation;

// What the MIDI object asks of the plug-in it serves.
class MidiTarget
{
public:
    // 0..1, as the host sees it.
    virtual float readParameter (int tag) = 0;
    // Audio thread: a controller moved a parameter.
    virtual void writeParameter (int tag, float value) = 0;
    // Audio thread: a program change; indices without a preset are ignored
    // (false: nothing was loaded).
    virtual bool selectFactoryPreset (int index) = 0;

protected:
    ~MidiTarget () = default;
};

class MidiControl
{
public:
    // Tags are 0..numParams-1; a controller latched to tag 0 moves nothing.
    MidiControl (MidiTarget& target, Preferences& prefs, int numParams);

    // Host thread: queues one event; false once 250 are pending.
    bool queue (const MidiMessage& event) { return events.push (event); }
    MidiQueue& pending () { return events; }

    // Audio thread: acts on one released event.
    void handle (const MidiMessage& event, TModulation& modulation);
    // Audio thread, before a block's events: loads the program change a
    // burst in the last block left waiting.
    void startBlock ();

    // Non-audio threads -------------------------------------------------------
    // Reads the controller map from the preferences.
    void loadControllerMap ();
    // Stores the controllers learned on the audio thread since the last call.
    void saveLearned ();
    // Reads the MIDI settings (program changes, capture, channel) into the
    // atomics the audio thread reads.
    void readSettings ();

    // The channel setting becomes the filter; true when the filter changed.
    // Any thread (a program change on the audio thread reaches it).
    bool applyChannel ();
    // -1: all channels; 0..15; 16: none.
    int channel () const { return channelFilter.load (std::memory_order_relaxed); }

    // Editor: the next controller moved is latched to `tag` (latch), or every
    // controller latched to it is freed.
    void setLatch (int tag, bool latch);
    void latchController (int controller, int tag);
    void clearControllerMap ();
    int controllerTag (int controller) const;
    bool isLearnPending () const { return learnPending.load (std::memory_order_acquire); }
    // The tag waiting for the next controller moved; -1 when none waits.
    int pendingLearnTag () const
    {
        return learnPending.load (std::memory_order_acquire) ? learnTag.load (std::memory_order_relaxed) : -1;
    }
    bool loadMapFile (const std::string& path);
    bool saveMapFile (const std::string& path) const;

    // Capture: a controller takes over `tag` once near its current value.
    void refreshCapture (int tag);
    void resetCapture ();
    // The same, with the values given (a program load, before the host sees them).
    void resetCapture (const float* values);

private:
    bool isTag (int tag) const { return tag >= 0 && tag < numParams; }
    void controllerUpdate (int controller, float value);
    void storeController (int controller, int tag);
    float nextNoteRandom ();

    MidiTarget& target;
    Preferences& prefs;
    const int numParams;

    MidiQueue events;
    std::atomic<int> channelFilter {-1};
    std::atomic<int> channelSetting {-1};
    std::atomic<bool> presetChangesOn {true};
    std::atomic<bool> captureOn {true};

    std::array<std::atomic<int>, 128> controllerMap {};
    // Controllers learned on the audio thread, not yet in the preferences.
    std::array<std::atomic<std::uint64_t>, 2> unsaved {};
    std::atomic<int> learnTag {0};
    std::atomic<bool> learnPending {false};

    std::unique_ptr<std::atomic<float>[]> captureBaseline;
    std::unique_ptr<std::atomic<bool>[]> captured;

    // A program load takes about as long as a whole block of audio: the
    // first program change of a block loads at its frame, later ones wait,
    // and the last of them loads at the next block's start. A burst costs
    // one load per block whatever its length.
    int heldProgram = -1;
    bool programLoaded = false; // in this block

    bool heldNotes[128] {};
    std::uint32_t noteSeed = 1;
};

} // namespace morlake
