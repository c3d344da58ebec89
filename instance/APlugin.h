// The effect instance, free of any plug-in format: parameters and their
// values, programs, the saved state, MIDI, the signal chain and its meters.
// A format adapter owns one, forwards its host's calls, and answers the
// instance's requests through `InstanceHost`.
#pragma once

#include "dsp/TSignalChain.h"
#include "instance/EditorModel.h"
#include "instance/InstanceEditor.h"
#include "instance/InstanceHost.h"
#include "midi/MidiControl.h"
#include "params/DisplayText.h"
#include "params/ParamValues.h"
#include "params/ParameterTable.h"
#include "platform/Preferences.h"
#include "presets/Chunk.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string_view>

namespace morlake {

constexpr float kConstructionSampleRate = 44199.0f;
// Sample rates outside this range are refused (the last valid rate stays).
constexpr float kMinSampleRate = 1000.0f;
constexpr float kMaxSampleRate = 384000.0f;
// Input channels: the main pair, then the side pair.
constexpr int kInputChannels = 4;
constexpr int kOutputChannels = 2;

class APlugin : public EditorModel, private ChainListener, private MidiTarget, private PrefsListener
{
public:
    // Settings come from `prefs`, the process-wide store unless a test gives its own.
    explicit APlugin (InstanceHost& host, Preferences& prefs = Preferences::shared ());
    ~APlugin () override;

    APlugin (const APlugin&) = delete;
    APlugin& operator= (const APlugin&) = delete;

    // Audio --------------------------------------------------------------------
    // A rate outside kMinSampleRate..kMaxSampleRate is ignored. Allocates;
    // never beside process() (the audio thread outputs silence meanwhile).
    void setSampleRate (float rate);
    float getSampleRate () const { return dspSampleRate.load (std::memory_order_relaxed); }
    // The host starts audio again (after a stop, a jump or a bypass): no old tail.
    void resume ();
    // Up to kInputChannels inputs (null entries or null `inputs`: silence) and
    // two outputs; `accumulate` adds to what the outputs hold.
    void process (const float* const* inputs, float* const* outputs, int frames, bool accumulate = false);
    float getTempo () const { return tempo.load (std::memory_order_relaxed); }

    // Parameters ---------------------------------------------------------------
    // Any thread; the value is clamped to 0..1 (on/off values to 0 or 1).
    void setParameter (int tag, float value);
    float getParameter (int tag) const override;
    const std::string& parameterName (int tag) const;
    const ParameterTable& table () const override { return params; }
    const ParamValues& liveValues () const override { return live; }
    float getLiveValue (int tag) const { return live.get (tag); }
    void editParameter (int tag, float value) override;
    void beginGesture (int tag) override;
    void endGesture (int tag) override;
    DisplayText getDisplayText (int tag) const override;
    // Text `value` would show as, with the other values as they are.
    DisplayText getDisplayTextFor (int tag, float value) const;

    // Programs and state -------------------------------------------------------
    // Loads the factory preset named in the program's name slots (the host's
    // program 0), taking the state lock.
    void setProgram ();
    std::string_view programName () const override;
    void setDemoProgram (int index) override;
    void changeDemoProgramDelta (int delta) override;
    void defaultProgram () override;
    void origProgram () override;
    void editProgram () override;
    int getFactoryIndex () const override { return factoryIndex.load (std::memory_order_relaxed); }
    bool getEditChanged () const override { return editChanged.load (std::memory_order_relaxed); }
    bool getIsSettingPreset () const override
    {
        return settingPreset.load (std::memory_order_relaxed) || settingPresetExternal.load (std::memory_order_relaxed);
    }
    void doResetEverything () override;
    void setResetPresetValues () override { reverbUpdateRequest.store (true, std::memory_order_relaxed); }
    // A load or restore is writing the whole state.
    bool isLoadingState () const { return settingPreset.load (std::memory_order_relaxed); }
    // Factory preset 1 is loaded again at the next housekeeping.
    void requestFactoryReload () { tag79Request.store (true, std::memory_order_relaxed); }
    bool takeFactoryReloadRequest () { return tag79Request.exchange (false, std::memory_order_relaxed); }
    void serveFactoryReload ();
    // The factory preset named in the live name slots becomes the current
    // one and the preset snapshot; the edited state is measured against it.
    void adoptNamedOrigin ();
    // The whole state as one block (values and chunk name), never a mix of
    // two states; not on the audio thread.
    void saveState (ChunkBlock& block);
    // Makes a saved block the state; false (and nothing changed) when
    // `data` is no whole block.
    bool restoreState (const void* data, int byteSize);
    // Main-thread hook for hosts' user-interface calls: learned controllers
    // to the settings store, settings from it.
    void syncPreferences ();

    // Meters and modulation ----------------------------------------------------
    float getVUValues (int which) const override { return chain.getMeter (which); }
    float getDisruptModValue () const override { return chain.modulation ().getDisruptModValue (); }
    float getDialMod (int tag, bool withModulation) const override
    {
        return chain.modulation ().getDialMod (tag, getLiveValue (tag), getParameterDest (tag), withModulation);
    }
    void setDisruptSpring (bool on) override
    {
        on ? chain.modulation ().setDisruptSpringOn () : chain.modulation ().setDisruptSpringOff ();
    }
    const TSignalChain& signalChain () const { return chain; }

    // MIDI ---------------------------------------------------------------------
    // From any thread before the block it belongs to; false when the queue is full.
    bool queueMidi (const MidiMessage& event) { return midi.queue (event); }
    // The channel setting becomes the filter (a change resets the DSP).
    void updateMidiChannel () override;
    int getMidiChannel () const { return midi.channel (); }
    void setMidiLatch (int tag, bool latch) override { midi.setLatch (tag, latch); }
    void setMidiCCNumber (int tag, const char* answer) override;
    void resetMidi () override { midi.clearControllerMap (); }
    void resetMidiCapture () override { midi.resetCapture (); }
    int getControllerTag (int controller) const override { return midi.controllerTag (controller); }
    bool isLearnPending () const { return midi.isLearnPending (); }
    int pendingLearnTag () const override { return midi.pendingLearnTag (); }
    bool loadECSFile (const std::string& path) override { return midi.loadMapFile (path); }
    bool saveECSFile (const std::string& path) const override { return midi.saveMapFile (path); }

    // Editor -------------------------------------------------------------------
    // The editor told of changes; owned by the adapter, which detaches it
    // (null) before destroying it.
    void attachEditor (InstanceEditor* view) { editor = view; }
    bool isEditorOpen () const override;
    void setEditorOpening (bool state) override { editorOpening.store (state, std::memory_order_relaxed); }
    void setEditorOpen (bool state) override { editorOpen.store (state, std::memory_order_relaxed); }
    bool isEditorOpening () const override { return editorOpening.load (std::memory_order_relaxed); }
    void requestIdle () override { host.requestIdle (); }

private:
    enum class DspState : int
    {
        Idle,
        Processing,
        Reconfiguring
    };
    enum DspRequest : int
    {
        kNoRequest = 0,
        kReset = 1,
        kProgramChanged = 2
    };

    // ChainListener, on the audio thread.
    bool isSettingPreset () const override { return getIsSettingPreset (); }
    void housekeeping () override;
    void disruptNotice (float value) override;

    // Runs `work` on the DSP while no block is being processed.
    template <typename Work>
    void withDspStopped (Work&& work);
    void requestDspReset (DspRequest request);
    // Sizes the DSP for `rate` (allocates); with the DSP stopped.
    void prepareDsp (float rate);
    void serveDspRequests ();
    static void writeDisruptValue (void* context, int tag, float value);
    void processAdding (const float* const* inputs, float* const* outputs, int frames, const ChainTime& time);

    // MidiTarget, on the audio thread.
    float readParameter (int tag) override { return getParameter (tag); }
    void writeParameter (int tag, float value) override { setParameter (tag, value); }
    bool selectFactoryPreset (int index) override;
    // PrefsListener: a setting was written in this process.
    void preferencesWritten () override { midi.readSettings (); }
    // Capture starts again from the live values.
    void captureFromLive ();

    // The program load behind setProgram(), without the state lock (the
    // audio thread's program changes take no lock).
    void loadProgram ();
    void updateEditorScreen ();
    void updateReverbPreset ();
    ChainDisplayState getChainDisplayState () const;
    void loadFactoryRow (int index);
    // Makes `values` the live state, as a host saved it.
    void restoreValues (const float* values);
    void followReverbPreset ();
    void refreshEditorNow ();
    void storeValue (int tag, float value);

    InstanceHost& host;
    ParameterTable params;
    std::atomic<DspState> dspState {DspState::Idle};
    // The DSP has been sized for a rate (see the constructor).
    std::atomic<bool> dspPrepared {false};
    std::atomic<int> dspRequest {kNoRequest};

    // Value arrays by tag.
    ParamValues live;
    ParamValues program; // the host's program 0
    ParamValues edited;
    ParamValues lastSet;
    ParamValues original;

    // Held (never on the audio thread) while a host's thread saves or
    // restores the whole state, so a saved state is one state, not a mix.
    // Recursive: a host may ask for the state from inside a restore's
    // editor refresh.
    std::recursive_mutex stateMutex;
    // Rewrites of the whole state that cannot take the mutex (program
    // changes on the audio thread, the editor's preset steps) mark
    // themselves instead: a state save copies again when one overlapped it.
    class WholeStateWrite
    {
    public:
        explicit WholeStateWrite (APlugin& p);
        ~WholeStateWrite ();
        WholeStateWrite (const WholeStateWrite&) = delete;
        WholeStateWrite& operator= (const WholeStateWrite&) = delete;

    private:
        APlugin& instance;
    };
    std::atomic<int> stateWriters {0};
    std::atomic<unsigned> stateWrites {0};
    // `program` into `values` with no whole-state rewrite under way or overlapping.
    void copyWholeProgram (float* values) const;
    char chunkName[kChunkNameSize] {};

    Preferences& prefs;
    MidiControl midi {*this, prefs, kNumParams};

    InstanceEditor* editor = nullptr;
    std::atomic<bool> editorOpening {false};
    std::atomic<bool> editorOpen {false};

    std::atomic<int> factoryIndex {0};
    std::atomic<bool> userSelection {false};
    std::atomic<bool> tag79Request {false};
    std::atomic<bool> editChanged {false};
    std::atomic<bool> refreshPending {false};
    std::atomic<bool> settingPreset {false};
    std::atomic<bool> settingPresetExternal {false};
    std::atomic<bool> refreshGuard {false};
    std::atomic<bool> reverbUpdateRequest {false};

    std::atomic<float> dspSampleRate {kConstructionSampleRate};
    std::atomic<float> tempo {120.0f};

    // Declared last: it reads the live values from its first block.
    TSignalChain chain {live, *this};
};

} // namespace morlake
