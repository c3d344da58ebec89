// The CLAP adapter: one format-free instance behind a clap_plugin, its
// extensions (params, state, audio-ports, note-ports, latency, tail, render,
// preset-load, gui, timer-support, posix-fd-support) and the translation of events and threads.
#pragma once

#include "formats/clap/ClapParamIds.h"
#include "instance/APlugin.h"

#include <clap/clap.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace morlake {

using ClapEditorFactory = InstanceEditor* (*)(EditorModel& model);

extern const clap_plugin_descriptor_t kClapDescriptor;

// The saved stream: this header (little-endian words), then the 1056-byte block.
struct ClapStateHeader
{
    char magic[4];
    std::uint32_t version;
    std::uint32_t payloadSize;
};
inline constexpr char kClapStateMagic[4] = {'M', 'k', 'L', 'S'};
inline constexpr std::uint32_t kClapStateVersion = 1;

// Plain (host-side) value of a normalised value: stepped parameters count
// steps, switches are 0 or 1, the rest is 0..1.
double clapPlainValue (const ParameterTable& table, int tag, float normalised);
// Normalised value of a plain one, clamped into the parameter's range.
float clapNormalisedValue (const ParameterTable& table, int tag, double plain);

class ClapPlugin : private InstanceHost
{
public:
    ClapPlugin (const clap_host_t* host, ClapEditorFactory makeEditor, Preferences& prefs = Preferences::shared ());
    ~ClapPlugin () override;

    ClapPlugin (const ClapPlugin&) = delete;
    ClapPlugin& operator= (const ClapPlugin&) = delete;

    const clap_plugin_t* clapPlugin () const { return &plugin; }
    APlugin& instance () { return product; }

private:
    static ClapPlugin& self (const clap_plugin_t* p) { return *static_cast<ClapPlugin*> (p->plugin_data); }

    // clap_plugin
    bool init ();
    bool activate (double rate, std::uint32_t minFrames, std::uint32_t maxFrames);
    void deactivate ();
    clap_process_status process (const clap_process_t* process);
    const void* extension (const char* id) const;
    void onMainThread ();

    // Events: applied in the block at their frame.
    void applyEvent (const clap_event_header_t* header, int segmentStart);
    void writeOutgoing (const clap_output_events_t* out);
    // Values the instance changed by itself (MIDI program changes,
    // controllers, learn) go to the host as value events.
    void reportChanges (const clap_output_events_t* out);
    void pushValue (const clap_output_events_t* out, int index, double plain);
    void flush (const clap_input_events_t* in, const clap_output_events_t* out);

    // params
    bool paramInfo (std::uint32_t index, clap_param_info_t* info) const;
    bool paramValue (clap_id id, double* value) const;
    bool valueToText (clap_id id, double value, char* text, std::uint32_t capacity) const;
    bool textToValue (clap_id id, const char* text, double* value) const;

    // state
    bool saveState (const clap_ostream_t* stream);
    bool loadState (const clap_istream_t* stream);

    // gui
    bool guiCreate (const char* api, bool floating);
    void guiDestroy ();
    bool guiSize (std::uint32_t* width, std::uint32_t* height) const;
    bool guiSetParent (const clap_window_t* window);

    bool presetLoad (std::uint32_t kind, const char* location, const char* loadKey);

    // True unless the host's thread-check says this is not its main thread.
    bool onMainThreadCheck () const;

    // InstanceHost
    void parameterEdited (int tag, float value) override;
    bool gestureBegan (int tag) override;
    bool gestureEnded (int tag) override;
    ChainTime transport () override { return blockTime; }
    void requestIdle () override {}

    // What the editor did, from the main thread to the next process or
    // flush: a single-producer, single-consumer ring.
    struct Outgoing
    {
        std::uint16_t type; // CLAP_EVENT_PARAM_VALUE or a gesture
        std::int16_t tag;
        float value;
    };
    static constexpr std::uint32_t kOutgoingSize = 1024;
    bool pushOutgoing (std::uint16_t type, int tag, float value);
    std::array<Outgoing, kOutgoingSize> outgoing {};
    std::atomic<std::uint32_t> outgoingHead {0}; // written by the main thread
    std::atomic<std::uint32_t> outgoingTail {0}; // written by the consumer

    const clap_host_t* host;
    const clap_host_params_t* hostParams = nullptr;
    const clap_host_thread_check_t* hostThreadCheck = nullptr;
    const clap_host_timer_support_t* hostTimers = nullptr;
    const clap_host_gui_t* hostGui = nullptr;
    const clap_host_posix_fd_support_t* hostFds = nullptr;
    clap_plugin_t plugin {};
    ClapEditorFactory editorFactory;
    InstanceEditor* editor = nullptr;
    clap_id idleTimer = CLAP_INVALID_ID;
    int watchedFd = -1; // the editor's descriptor, registered with the host

    // Plain values the host last heard of, by parameter index; touched only
    // where CLAP serialises process and flush.
    std::array<double, kNumParams> reported {};
    std::uint32_t liveWritesSeen = 0;

    std::atomic<bool> active {false};
    std::atomic<bool> processing {false};
    ChainTime blockTime {}; // the block's transport, read by the instance during process()

    APlugin product;
    ClapParamIds ids {product.table ()};
};

} // namespace morlake
