// The effect instance: owns the parameter table and values, the programs,
// the DSP and the editor object, and answers the host.
#pragma once

#include "dsp/TSignalChain.h"
#include "params/DisplayText.h"
#include "params/ParamValues.h"
#include "params/ParameterTable.h"
#include "plugin/AudioEffectX.h"
#include "midi/MidiControl.h"
#include "platform/Preferences.h"
#include "presets/Chunk.h"

#include <atomic>
#include <mutex>

namespace morlake {

class APlugin;
using EditorFactory = PluginEditor* (*) (APlugin& plugin);

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

constexpr int kVendorVersion = 65536;
constexpr float kConstructionSampleRate = 44199.0f;
// Sample rates outside this range are refused (the last valid rate stays).
constexpr float kMinSampleRate = 1000.0f;
constexpr float kMaxSampleRate = 384000.0f;

class APlugin : public AudioEffectX, private ChainListener, private MidiTarget, private PrefsListener
{
public:
    // Settings come from `prefs`, the process-wide store unless a test gives its own.
    explicit APlugin (vst::HostCallback audioMaster, EditorFactory makeEditor = nullptr,
                      Preferences& prefs = Preferences::shared ());
    ~APlugin () override;

    vst::intptr dispatcher (vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt) override;

    // Host interface ---------------------------------------------------------
    void suspend () override {}
    void setSampleRate (float rate) override;
    void resume () override;
    void processReplacing (float** inputs, float** outputs, vst::int32 sampleFrames) override;
    void __processDeprecated (float** inputs, float** outputs, vst::int32 sampleFrames) override;
    void setParameter (vst::int32 tag, float value) override;
    float getParameter (vst::int32 tag) override;
    void setProgram (vst::int32 program) override;
    void setProgramName (char*) override {}
    void getProgramName (char* text) override;
    void getParameterLabel (vst::int32 tag, char* text) override;
    void getParameterDisplay (vst::int32 tag, char* text) override;
    void getParameterName (vst::int32 tag, char* text) override;
    vst::int32 getChunk (void** data, bool isPreset) override;
    vst::int32 setChunk (void* data, vst::int32 byteSize, bool isPreset) override;
    bool beginEdit (vst::int32 tag) override;
    bool endEdit (vst::int32 tag) override;
    bool getProgramNameIndexed (vst::int32 category, vst::int32 index, char* text) override;
    bool getInputProperties (vst::int32 index, vst::VstPinProperties* pin) override;
    bool getOutputProperties (vst::int32 index, vst::VstPinProperties* pin) override;
    vst::int32 processEvents (vst::VstEvents* events) override;
    bool getEffectName (char* text) override;
    bool getVendorString (char* text) override;
    bool getProductString (char* text) override;
    vst::int32 getVendorVersion () override { return kVendorVersion; }
    vst::intptr vendorSpecific (vst::int32 index, vst::intptr value, void* ptr, float opt) override;
    vst::int32 canDo (const char* text) override;
    vst::int32 getPlugCategory () override { return vst::kPlugCategRoomFx; }

    // Parameter model ----------------------------------------------------------
    const ParameterTable& table () const { return params; }
    const ParamValues& liveValues () const { return live; }
    float getLiveValue (int tag) const { return live.get (tag); }
    float getDefault (int tag) const { return params.getDefault (tag); }
    int getParameterDest (int tag) const { return params.getParameterDest (tag); }
    bool getOnOff (int tag) const { return isValidTag (tag) && live[tag] >= 0.5f; }
    void setOn (int tag);
    void setOff (int tag);
    void toggleOnOff (int tag);
    int getSteppedNum (int tag) const { return params.getSteps (tag); }
    int getSteppedValue (int tag) const { return isValidTag (tag) ? params.stepOf (tag, live[tag]) : 0; }
    int getSteppedValue (int tag, float value) const { return params.stepOf (tag, value); }
    static int getSteppedValue (float value, float scale, int steps) { return morlake::getSteppedValue (value, scale, steps); }
    void setSteppedValue (int tag, int step);
    void setSteppedValueMax (int tag);
    // The settings menu's "Reset Everything": MIDI channel, delay lines, reverb, LFO.
    void doResetEverything ();
    // A modulation source or destination list parameter set to entry `index`.
    void setSrc (int tag, int index) { setSteppedValue (tag, index); }
    void setDestByTag (int tag, int index) { setSteppedValue (tag, index); }
    void setToDefault (int tag);
    void changeDelta (int tag, int delta);
    DisplayText getDisplayText (int tag) const;
    bool getEditChanged () const { return editChanged.load (std::memory_order_relaxed); }
    bool getIsSettingPreset () const
    {
        return settingPreset.load (std::memory_order_relaxed) || settingPresetExternal.load (std::memory_order_relaxed);
    }

    // Modulation and reverb path, for the editor -------------------------------
    float getDisruptModValue () const { return chain.modulation ().getDisruptModValue (); }
    // Knob position of `tag` with (or without) its modulation sum, 0..1.
    float getDialMod (int tag, bool withModulation) const
    {
        return chain.modulation ().getDialMod (tag, getLiveValue (tag), getParameterDest (tag), withModulation);
    }
    // On: the Disrupt value springs back to centre (the user let go of it).
    void setDisruptSpring (bool on)
    {
        on ? chain.modulation ().setDisruptSpringOn () : chain.modulation ().setDisruptSpringOff ();
    }

    // Programs -----------------------------------------------------------------
    void setDemoProgram (int index);
    void changeDemoProgramDelta (int delta);
    void defaultProgram ();
    void origProgram ();
    void editProgram ();
    int getFactoryIndex () const { return factoryIndex.load (std::memory_order_relaxed); }
    bool takeFactoryReloadRequest () { return tag79Request.exchange (false, std::memory_order_relaxed); }
    void serveFactoryReload ();
    void setResetPresetValues () { reverbUpdateRequest.store (true, std::memory_order_relaxed); }
    float getVUValues (int which) const { return chain.getMeter (which); }
    const TSignalChain& signalChain () const { return chain; }

    // MIDI ---------------------------------------------------------------------
    // The channel setting becomes the filter (a change resets the DSP).
    void updateMidiChannel ();
    int getMidiChannel () const { return midi.channel (); }
    void setMidiLatch (int tag, bool latch) { midi.setLatch (tag, latch); }
    // Latches `tag` to the controller number typed in `answer` (atoi, clamped 0..127); empty: nothing.
    void setMidiCCNumber (int tag, const char* answer);
    void resetMidi () { midi.clearControllerMap (); }
    void resetMidiCapture () { midi.resetCapture (); }
    int getControllerTag (int controller) const { return midi.controllerTag (controller); }
    bool isLearnPending () const { return midi.isLearnPending (); }
    int pendingLearnTag () const { return midi.pendingLearnTag (); }
    // Controller-assignment files; false (map, or the old file, unchanged)
    // when a file is unusable.
    bool loadECSFile (const std::string& path) { return midi.loadMapFile (path); }
    bool saveECSFile (const std::string& path) const { return midi.saveMapFile (path); }

    // Editor -------------------------------------------------------------------
    bool isEditorOpen () const;
    void setEditorOpening (bool state) { editorOpening.store (state, std::memory_order_relaxed); }
    void setEditorOpen (bool state) { editorOpen.store (state, std::memory_order_relaxed); }
    bool isEditorOpening () const { return editorOpening.load (std::memory_order_relaxed); }

    // Host and DSP state -------------------------------------------------------
    float getSampleRate () const { return dspSampleRate.load (std::memory_order_relaxed); }
    float getTempo () const { return tempo.load (std::memory_order_relaxed); }

private:
    enum class DspState : int { Idle, Processing, Reconfiguring };
    enum DspRequest : int { kNoRequest = 0, kReset = 1, kProgramChanged = 2 };

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

    void processBlock (float** inputs, float** outputs, vst::int32 sampleFrames, bool accumulate);
    void processAdding (const float* const* inputs, float* const* outputs, int frames, const ChainTime& time);

    // MidiTarget, on the audio thread.
    float readParameter (int tag) override { return getParameter (tag); }
    void writeParameter (int tag, float value) override { setParameter (tag, value); }
    bool selectFactoryPreset (int index) override;
    // PrefsListener: a setting was written in this process.
    void preferencesWritten () override { midi.readSettings (); }
    // Non-audio side: learned controllers to the store, settings from it.
    void syncPreferences ();
    // Capture starts again from the live values.
    void captureFromLive ();

    void initVariables ();
    void updateEditorScreen ();
    void updateReverbPreset ();
    ChainDisplayState getChainDisplayState () const;
    void loadFactoryRow (int index);
    // Makes `values` the live state, as a host saved it.
    void restoreState (const float* values);
    // The factory preset named in the live name slots becomes the current
    // one and the preset snapshot; the edited state is measured against it.
    void adoptNamedOrigin ();
    void followReverbPreset ();
    void refreshEditorNow ();
    void storeValue (int tag, float value);

    ParameterTable params;
    std::atomic<DspState> dspState {DspState::Idle};
    // The DSP has been sized for a rate (see initVariables).
    std::atomic<bool> dspPrepared {false};
    std::atomic<int> dspRequest {kNoRequest};

    // Value arrays by tag.
    ParamValues live;
    ParamValues program; // the host's program 0
    ParamValues edited;
    ParamValues lastSet;
    ParamValues original;

    // Held (never on the audio thread) while a host's thread saves or
    // restores the whole state, so a saved chunk is one state, not a mix.
    // Recursive: a host may ask for the chunk from inside a restore's
    // editor refresh.
    std::recursive_mutex stateMutex;
    // Rewrites of the whole state that cannot take the mutex (program
    // changes on the audio thread, the editor's preset steps) mark
    // themselves instead: a chunk save copies again when one overlapped it.
    class WholeStateWrite
    {
    public:
        explicit WholeStateWrite (APlugin& p);
        ~WholeStateWrite ();
        WholeStateWrite (const WholeStateWrite&) = delete;
        WholeStateWrite& operator= (const WholeStateWrite&) = delete;

    private:
        APlugin& plugin;
    };
    std::atomic<int> stateWriters {0};
    std::atomic<unsigned> stateWrites {0};
    // `program` into `values` with no whole-state rewrite under way or overlapping.
    void copyWholeProgram (float* values) const;
    char programName[kChunkNameSize] {};
    ChunkBlock bankChunk {};
    ChunkBlock programChunk {};

    Preferences& prefs;
    MidiControl midi {*this, prefs, kNumParams};

    HostFlags host;
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

    std::atomic<float> dspSampleRate {kConstructionSampleRate - 1.0f};
    std::atomic<float> tempo {120.0f};

    // Declared last: it reads the live values from its first block.
    TSignalChain chain {live, *this};
};

} // namespace morlake
