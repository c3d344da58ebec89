// A minimal VST 2.4 host for tests and command-line tools: loads a plug-in
// module the way a host does, answers its callbacks, records what it asks
// for, and checks every text it writes against the size a host promises.
#pragma once

#include "formats/vst2/vst24.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace morlake {

// Room the host promises for each kind of text, terminator included. The
// harness hands out kTextBufferSize bytes; everything past the cap is canary.
constexpr int kParamNameCap = 32; // parameter name
constexpr int kParamTextCap = 24; // parameter label, display
constexpr int kProgramNameCap = 24;
constexpr int kStringCap = 64; // effect name, vendor string, product string
constexpr int kTextBufferSize = 512;
constexpr unsigned char kCanaryByte = 0xA5;

// Label the harness puts into a pin record before asking, so a test can see
// whether the plug-in touched it.
constexpr std::string_view kPinFillLabel = "(host)";

struct HostConfig
{
    std::string productString = "Morlake Harness";
    std::string vendorString = "Morlake";
    bool answerHostStrings = true;    // false: product/vendor queries answer 0, buffer untouched
    vst::intptr versionAnswer = 2400; // 0 makes a well-behaved plug-in refuse to load
    double sampleRate = 44100.0;
    int blockSize = 512; // the maximum block size announced with effSetBlockSize
    // Host time
    bool provideTime = true; // false: audioMasterGetTime answers null
    double tempo = 120.0;
    bool playing = true;
    int timeSigNumerator = 4;
    int timeSigDenominator = 4;
    // Fill outputs with NaN before processReplacing, so unwritten samples show.
    bool poisonOutputs = false;
    // dlclose the module on destruction. The command-line tools keep it, so
    // leak reports at exit can still name the plug-in's functions.
    bool unloadModule = true;
};

// One callback the plug-in made (audioMasterGetTime is only counted).
struct HostCall
{
    vst::int32 opcode = 0;
    vst::int32 index = 0;
    vst::intptr value = 0;
    float opt = 0.0f;
    std::string text; // the string of audioMasterCanDo, else empty
    std::thread::id thread;
    bool duringProcess = false; // made from inside effProcessEvents or processReplacing
};

struct TextResult
{
    std::string text;       // up to the first NUL within the cap
    vst::intptr answer = 0; // the dispatcher's return value
    bool overrun = false;   // a byte past the cap changed
    bool terminated = true; // a NUL lies within the cap
};

struct TextOverrun
{
    vst::int32 opcode = 0;
    vst::int32 index = 0;
    int cap = 0;
    int firstChangedByte = 0; // offset of the first canary byte that changed
    std::string written;      // what the plug-in wrote, up to its NUL (bounded by the buffer)
};

struct PinResult
{
    bool answered = false;
    vst::VstPinProperties pin {};
    bool touched = false; // any byte differs from what the harness handed over
};

// A MIDI message at an absolute frame position of a render (processAll), or
// at an offset into one block (processBlock).
struct MidiEvent
{
    std::int64_t frame = 0;
    std::array<std::uint8_t, 3> bytes {};

    static MidiEvent noteOn (std::int64_t frame, int channel, int key, int velocity);
    static MidiEvent noteOff (std::int64_t frame, int channel, int key, int velocity = 0);
    static MidiEvent controller (std::int64_t frame, int channel, int number, int value);
    static MidiEvent programChange (std::int64_t frame, int channel, int program);
    static MidiEvent pitchBend (std::int64_t frame, int channel, int value14); // 0..16383, centre 8192
    static MidiEvent channelPressure (std::int64_t frame, int channel, int value);
};

using AudioBuffers = std::vector<std::vector<float>>; // deinterleaved, one vector per channel

class HostedPlugin
{
public:
    // dlopen the module and call VSTPluginMain (or main_macho). Returns null
    // and a one-line reason in error when the module is not a usable plug-in.
    static std::unique_ptr<HostedPlugin> load (const std::string& path, const HostConfig& config, std::string& error);
    ~HostedPlugin ();

    HostedPlugin (const HostedPlugin&) = delete;
    HostedPlugin& operator= (const HostedPlugin&) = delete;

    // effOpen, sample rate, block size, mains on. close(): mains off, effClose;
    // the instance is gone afterwards (the module stays loaded until destruction).
    void open ();
    void close ();
    bool isOpen () const { return opened; }
    bool isAlive () const { return effect != nullptr; }

    // Mains off, new rate or maximum block size, mains on (when open).
    void setSampleRate (double rate);
    void setBlockSize (int frames);

    vst::AEffect* aeffect () const { return effect; }
    const HostConfig& config () const { return cfg; }
    const std::string& path () const { return modulePath; }
    bool usedMainMacho () const { return viaMainMacho; }

    vst::intptr dispatch (vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0, void* ptr = nullptr,
                          float opt = 0.0f);

    // Identity
    vst::int32 uniqueID () const;
    std::string uniqueIDText () const; // four characters, '?' for unprintable bytes
    int numParams () const;
    int numPrograms () const;
    int numInputs () const;
    int numOutputs () const;
    vst::int32 flags () const;
    TextResult effectName ();
    TextResult vendorString ();
    TextResult productString ();
    vst::intptr vendorVersion ();
    vst::intptr canDo (const char* what);
    PinResult inputProperties (int index);
    PinResult outputProperties (int index);
    PinResult pinProperties (bool output, int index, const vst::VstPinProperties& handedOver);

    // Parameters
    TextResult parameterName (int index);
    TextResult parameterLabel (int index);
    TextResult parameterDisplay (int index);
    float getParameter (int index);
    void setParameter (int index, float value);
    int findParameter (std::string_view name); // case-insensitive, surrounding blanks ignored; -1 if none

    // Programs
    void setProgram (int index);
    int getProgram ();
    TextResult programName ();
    TextResult programNameIndexed (int index);

    // Any text query: hands a canary-filled buffer to the opcode and checks the cap.
    TextResult queryText (vst::int32 opcode, vst::int32 index, vst::intptr value, int cap);

    // Chunks: the bytes are copied out at once. Empty when the plug-in answers 0.
    std::vector<std::uint8_t> getChunk (bool isPreset = false);
    vst::intptr setChunk (std::span<const std::uint8_t> bytes, bool isPreset = false);

    // Audio. processBlock: inputs may hold fewer channels than the plug-in
    // has (the rest is silence); outputs must hold numOutputs() channels of at
    // least frames samples. events carry offsets into this block and are sent
    // through effProcessEvents right before it. Host time advances by frames.
    void processBlock (const float* const* inputs, int inputChannels, float* const* outputs, int frames,
                       std::span<const MidiEvent> events = {});
    void sendEvents (std::span<const MidiEvent> events); // effProcessEvents only

    // Whole buffers in blocks of blockSize (the last may be shorter), events at
    // absolute frames delivered before their block. Output length is the input
    // length plus extraFrames of silent input.
    AudioBuffers processAll (const AudioBuffers& inputs, int blockSize, std::span<const MidiEvent> events = {},
                             std::int64_t extraFrames = 0);

    // Host time
    const vst::VstTimeInfo& timeInfo () const { return time; }
    void setTempo (double bpm);
    void setPlaying (bool playing);
    void setSamplePosition (double samplePos);
    std::int64_t timeQueries () const { return timeQueryCount.load (std::memory_order_relaxed); }

    // Callback log
    std::vector<HostCall> calls () const;
    std::vector<HostCall> calls (vst::int32 opcode) const;
    void clearCalls ();
    const std::vector<TextOverrun>& overruns () const { return textOverruns; }
    void clearOverruns () { textOverruns.clear (); }

private:
    HostedPlugin () = default;

    static vst::intptr hostCallback (vst::AEffect* effect, vst::int32 opcode, vst::int32 index, vst::intptr value,
                                     void* ptr, float opt);
    vst::intptr answer (vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt);
    void record (vst::int32 opcode, vst::int32 index, vst::intptr value, float opt, const char* text);
    void refreshTime ();
    void mains (bool on);

    HostConfig cfg;
    std::string modulePath;
    void* module = nullptr;
    vst::AEffect* effect = nullptr;
    bool opened = false;
    bool viaMainMacho = false;

    vst::VstTimeInfo time {};
    std::atomic<std::int64_t> timeQueryCount {0};

    mutable std::mutex logLock;
    std::vector<HostCall> log;
    std::vector<TextOverrun> textOverruns;

    // effProcessEvents storage, grown on demand and reused.
    std::vector<vst::VstMidiEvent> midiStorage;
    std::vector<std::uint8_t> eventsStorage;

    std::vector<float> silence;
    std::vector<const float*> inputPointers;
};

} // namespace morlake
