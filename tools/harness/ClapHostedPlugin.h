// A minimal CLAP host for tests and command-line tools: loads a .clap module,
// creates its first plug-in, runs it with events, and answers the host
// extensions a plug-in asks for (params, thread-check, timer-support, log),
// recording what it is asked.
#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace morlake {

// One input event at a frame of the block it is sent with.
struct ClapInputEvent
{
    enum class Kind
    {
        ParamValue,
        Midi,
        Unknown
    };
    Kind kind = Kind::ParamValue;
    std::uint32_t frame = 0;
    clap_id paramId = 0;
    double value = 0.0;
    std::uint8_t midi[3] {};

    static ClapInputEvent param (std::uint32_t frame, clap_id id, double value);
    static ClapInputEvent midiBytes (std::uint32_t frame, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    static ClapInputEvent unknown (std::uint32_t frame); // a type no plug-in knows
};

// What the plug-in sent back from process or flush.
struct ClapOutputEvent
{
    std::uint16_t type = 0;
    clap_id paramId = 0;
    double value = 0.0;
};

struct ClapParam
{
    clap_id id = 0;
    std::uint32_t flags = 0;
    std::string name;
    double minValue = 0.0, maxValue = 0.0, defaultValue = 0.0;
};

struct ClapTimer
{
    clap_id id = CLAP_INVALID_ID;
    std::uint32_t periodMs = 0;
};

class ClapHostedPlugin
{
public:
    // dlopen, clap_entry->init, the plug-in factory's first plug-in, init.
    // Null and a one-line reason when the module is no usable CLAP plug-in.
    static std::unique_ptr<ClapHostedPlugin> load (const std::string& path, std::string& error);
    ~ClapHostedPlugin ();

    ClapHostedPlugin (const ClapHostedPlugin&) = delete;
    ClapHostedPlugin& operator= (const ClapHostedPlugin&) = delete;

    const clap_plugin_t* plugin () const { return instance; }
    const clap_plugin_entry_t* entry () const { return moduleEntry; }
    const void* extension (const char* id) const;

    bool activate (double rate, std::uint32_t maxFrames);
    void deactivate ();
    bool isActive () const { return active; }

    // Parameters
    std::vector<ClapParam> params () const;
    double value (clap_id id) const;
    std::string valueToText (clap_id id, double value) const;
    bool textToValue (clap_id id, const std::string& text, double& value) const;
    // params.flush with these events (frames ignored); what came back.
    std::vector<ClapOutputEvent> flush (std::span<const ClapInputEvent> events);

    // State: empty when save fails. `chunkSize` bytes per read/write call at
    // most, as hosts that stream in pieces do.
    std::vector<std::uint8_t> saveState (std::size_t chunkSize = 1u << 20) const;
    bool loadState (std::span<const std::uint8_t> bytes, std::size_t chunkSize = 1u << 20) const;

    bool loadPreset (int index) const; // preset-load with the plug-in location

    // One block: four inputs (main pair, side pair; null is silence), two outputs.
    clap_process_status process (const float* const* inputs, float* const* outputs, std::uint32_t frames,
                                 std::span<const ClapInputEvent> events = {}, double tempo = 120.0,
                                 bool playing = true);
    const std::vector<ClapOutputEvent>& lastOutput () const { return output; }

    // What the plug-in asked of the host.
    int flushRequests () const { return flushRequestCount; }
    int rescans () const { return rescanCount; }
    const std::vector<ClapTimer>& timers () const { return registeredTimers; }
    // Calls the plug-in's timer handler for every registered timer.
    void fireTimers ();
    // Descriptors the plug-in asked the host to watch, and a call of its
    // handler for each, as a host does when they turn readable.
    const std::vector<int>& watchedFds () const { return registeredFds; }
    void fireFds ();
    // The thread the host's thread-check calls the main thread.
    void setMainThread (std::thread::id id) { mainThread = id; }
    void setOfferThreadCheck (bool offer) { offerThreadCheck = offer; }

private:
    ClapHostedPlugin ();
    static const void* hostExtension (const clap_host_t* host, const char* id);
    static ClapHostedPlugin& self (const clap_host_t* host)
    {
        return *static_cast<ClapHostedPlugin*> (host->host_data);
    }

    clap_host_t host {};
    void* module = nullptr;
    const clap_plugin_entry_t* moduleEntry = nullptr;
    const clap_plugin_t* instance = nullptr;
    bool active = false;
    bool processing = false;
    std::thread::id mainThread;
    bool offerThreadCheck = true;
    int flushRequestCount = 0;
    int rescanCount = 0;
    std::vector<ClapTimer> registeredTimers;
    std::vector<int> registeredFds;
    clap_id nextTimer = 1;
    std::vector<ClapOutputEvent> output;
    std::int64_t steadyTime = 0;
};

} // namespace morlake
