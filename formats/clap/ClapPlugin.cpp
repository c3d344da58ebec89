#include "formats/clap/ClapPlugin.h"

#include "instance/Identity.h"
#include "params/TypedValue.h"
#include "presets/FactoryNames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace morlake {

namespace {

const char* const FEATURES_STR[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_REVERB,
                                    CLAP_PLUGIN_FEATURE_STEREO, nullptr};

// The longest tail hosts are told of: the renderer's own cap.
constexpr double kTailSeconds = 60.0;
// Editor idle period asked of the host's timer support.
constexpr std::uint32_t kIdlePeriodMs = 20;

bool isStepped (const ParameterTable& table, int tag) { return table.isOnOff (tag) || table.getSteps (tag) > 0; }

double stepCount (const ParameterTable& table, int tag)
{
    return table.isOnOff (tag) ? 2.0 : static_cast<double> (table.getSteps (tag));
}

void copyText (char* out, std::uint32_t capacity, const char* text)
{
    if (out == nullptr || capacity == 0)
        return;
    std::snprintf (out, capacity, "%s", text);
}

} // namespace

const clap_plugin_descriptor_t kClapDescriptor = {
    CLAP_VERSION_INIT, "com.aldermoor.morlake", identity::kEffectName, identity::kVendorName, "", "", "",
    "1.0.0",           "Stereo reverb",         FEATURES_STR,
};

double clapPlainValue (const ParameterTable& table, int tag, float normalised)
{
    if (table.isOnOff (tag))
        return normalised >= 0.5f ? 1.0 : 0.0;
    if (table.getSteps (tag) > 0)
        return static_cast<double> (table.stepOf (tag, normalised));
    return std::clamp (static_cast<double> (normalised), 0.0, 1.0);
}

float clapNormalisedValue (const ParameterTable& table, int tag, double plain)
{
    if (! (plain == plain)) // NaN
        plain = 0.0;
    if (table.isOnOff (tag))
        return plain >= 0.5 ? 1.0f : 0.0f;
    if (table.getSteps (tag) > 0)
    {
        const double top = stepCount (table, tag) - 1.0;
        const int step = static_cast<int> (std::lround (std::clamp (plain, 0.0, top)));
        return stepToValue (step, table.getStepScale (tag), table.getSteps (tag));
    }
    return static_cast<float> (std::clamp (plain, 0.0, 1.0));
}

ClapPlugin::ClapPlugin (const clap_host_t* clapHost, ClapEditorFactory makeEditor, Preferences& prefs)
: host (clapHost), editorFactory (makeEditor), product (*this, prefs)
{
    plugin.desc = &kClapDescriptor;
    plugin.plugin_data = this;
    plugin.init = [] (const clap_plugin_t* p) { return self (p).init (); };
    plugin.destroy = [] (const clap_plugin_t* p) { delete &self (p); };
    plugin.activate = [] (const clap_plugin_t* p, double rate, std::uint32_t minFrames, std::uint32_t maxFrames) {
        return self (p).activate (rate, minFrames, maxFrames);
    };
    plugin.deactivate = [] (const clap_plugin_t* p) { self (p).deactivate (); };
    plugin.start_processing = [] (const clap_plugin_t* p) {
        self (p).processing.store (true, std::memory_order_relaxed);
        return true;
    };
    plugin.stop_processing = [] (const clap_plugin_t* p) {
        self (p).processing.store (false, std::memory_order_relaxed);
    };
    plugin.reset = [] (const clap_plugin_t* p) { self (p).product.resume (); };
    plugin.process = [] (const clap_plugin_t* p, const clap_process_t* process) { return self (p).process (process); };
    plugin.get_extension = [] (const clap_plugin_t* p, const char* id) { return self (p).extension (id); };
    plugin.on_main_thread = [] (const clap_plugin_t* p) { self (p).onMainThread (); };
}

ClapPlugin::~ClapPlugin () { guiDestroy (); }

bool ClapPlugin::init ()
{
    if (ids.hasCollision ())
        return false;
    for (int i = 0; i < ids.count (); ++i)
        reported[static_cast<std::size_t> (i)] =
            clapPlainValue (product.table (), ids.tagAt (i), product.getParameter (ids.tagAt (i)));
    hostParams = static_cast<const clap_host_params_t*> (host->get_extension (host, CLAP_EXT_PARAMS));
    hostThreadCheck = static_cast<const clap_host_thread_check_t*> (host->get_extension (host, CLAP_EXT_THREAD_CHECK));
    hostTimers = static_cast<const clap_host_timer_support_t*> (host->get_extension (host, CLAP_EXT_TIMER_SUPPORT));
    hostGui = static_cast<const clap_host_gui_t*> (host->get_extension (host, CLAP_EXT_GUI));
    hostFds = static_cast<const clap_host_posix_fd_support_t*> (host->get_extension (host, CLAP_EXT_POSIX_FD_SUPPORT));
    return true;
}

bool ClapPlugin::onMainThreadCheck () const
{
    return hostThreadCheck == nullptr || hostThreadCheck->is_main_thread == nullptr ||
           hostThreadCheck->is_main_thread (host);
}

bool ClapPlugin::activate (double rate, std::uint32_t, std::uint32_t)
{
    if (! onMainThreadCheck () || ! (rate >= kMinSampleRate && rate <= kMaxSampleRate))
        return false;
    product.syncPreferences ();
    product.setSampleRate (static_cast<float> (rate));
    product.resume ();
    active.store (true, std::memory_order_relaxed);
    return true;
}

void ClapPlugin::deactivate () { active.store (false, std::memory_order_relaxed); }

void ClapPlugin::onMainThread () { product.syncPreferences (); }

// Audio and events -------------------------------------------------------------

clap_process_status ClapPlugin::process (const clap_process_t* p)
{
    if (p == nullptr || p->audio_outputs_count < 1 || p->audio_outputs[0].channel_count < 2 ||
        p->audio_outputs[0].data32 == nullptr)
        return CLAP_PROCESS_ERROR;
    const int frames = static_cast<int> (p->frames_count);

    blockTime = {};
    if (const clap_event_transport_t* t = p->transport)
    {
        blockTime.valid = true;
        blockTime.tempoValid = (t->flags & CLAP_TRANSPORT_HAS_TEMPO) != 0;
        blockTime.tempo = static_cast<float> (t->tempo);
        blockTime.playing = (t->flags & CLAP_TRANSPORT_IS_PLAYING) != 0;
    }

    const float* in[kInputChannels] {};
    for (std::uint32_t port = 0; port < std::min<std::uint32_t> (p->audio_inputs_count, 2); ++port)
    {
        const clap_audio_buffer_t& b = p->audio_inputs[port];
        for (std::uint32_t c = 0; c < std::min<std::uint32_t> (b.channel_count, 2) && b.data32 != nullptr; ++c)
            in[port * 2 + c] = b.data32[c];
    }
    float* const* out = p->audio_outputs[0].data32;

    const std::uint32_t count = p->in_events != nullptr ? p->in_events->size (p->in_events) : 0;
    std::uint32_t next = 0;
    int done = 0;
    // The block runs in pieces that end where the next event falls; each
    // event takes effect at the first frame of the piece after it.
    while (done < frames)
    {
        int until = frames;
        while (next < count)
        {
            const clap_event_header_t* e = p->in_events->get (p->in_events, next);
            if (e != nullptr && static_cast<int> (e->time) > done)
            {
                until = std::min (frames, static_cast<int> (e->time));
                break;
            }
            applyEvent (e, done);
            ++next;
        }
        const float* pieceIn[kInputChannels];
        for (int c = 0; c < kInputChannels; ++c)
            pieceIn[c] = in[c] != nullptr ? in[c] + done : nullptr;
        float* pieceOut[kOutputChannels] = {out[0] + done, out[1] + done};
        product.process (pieceIn, pieceOut, until - done, false);
        done = until;
    }
    // Events a host timed past the block still count.
    for (; next < count; ++next)
        applyEvent (p->in_events->get (p->in_events, next), frames);

    if (p->out_events != nullptr)
    {
        writeOutgoing (p->out_events);
        reportChanges (p->out_events);
    }
    return CLAP_PROCESS_CONTINUE;
}

void ClapPlugin::applyEvent (const clap_event_header_t* e, int)
{
    if (e == nullptr || e->space_id != CLAP_CORE_EVENT_SPACE_ID)
        return;
    switch (e->type)
    {
        case CLAP_EVENT_PARAM_VALUE: {
            if (e->size < sizeof (clap_event_param_value_t))
                return;
            const auto* v = reinterpret_cast<const clap_event_param_value_t*> (e);
            const int tag = ids.tagOf (v->param_id);
            if (tag < 0)
                return;
            product.setParameter (tag, clapNormalisedValue (product.table (), tag, v->value));
            // The host knows this value: no echo.
            const int index = ids.indexOf (tag);
            reported[static_cast<std::size_t> (index)] =
                clapPlainValue (product.table (), tag, product.getParameter (tag));
            return;
        }
        case CLAP_EVENT_MIDI: {
            if (e->size < sizeof (clap_event_midi_t))
                return;
            const auto* m = reinterpret_cast<const clap_event_midi_t*> (e);
            MidiMessage message;
            message.deltaFrames = 0; // the piece starts at the event's frame
            message.status = m->data[0];
            message.data1 = static_cast<unsigned char> (m->data[1] & 0x7f);
            message.data2 = static_cast<unsigned char> (m->data[2] & 0x7f);
            if (message.status >= 0x80 && message.status < 0xf0)
                product.queueMidi (message);
            return;
        }
        default: return; // notes, modulation and unknown types are no concern of a reverb
    }
}

void ClapPlugin::flush (const clap_input_events_t* in, const clap_output_events_t* out)
{
    // Outside processing: values take effect at once; MIDI waits for the next block.
    const std::uint32_t count = in != nullptr ? in->size (in) : 0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const clap_event_header_t* e = in->get (in, i);
        if (e != nullptr && e->type == CLAP_EVENT_PARAM_VALUE)
            applyEvent (e, 0);
    }
    if (out != nullptr)
        writeOutgoing (out);
}

bool ClapPlugin::pushOutgoing (std::uint16_t type, int tag, float value)
{
    const std::uint32_t head = outgoingHead.load (std::memory_order_relaxed);
    if (head - outgoingTail.load (std::memory_order_acquire) >= kOutgoingSize)
        return false;
    outgoing[head % kOutgoingSize] = {type, static_cast<std::int16_t> (tag), value};
    outgoingHead.store (head + 1, std::memory_order_release);
    if (hostParams != nullptr && hostParams->request_flush != nullptr)
        hostParams->request_flush (host);
    return true;
}

void ClapPlugin::writeOutgoing (const clap_output_events_t* out)
{
    std::uint32_t tail = outgoingTail.load (std::memory_order_relaxed);
    const std::uint32_t head = outgoingHead.load (std::memory_order_acquire);
    for (; tail != head; ++tail)
    {
        const Outgoing& o = outgoing[tail % kOutgoingSize];
        clap_id id = 0;
        if (! ids.idOf (o.tag, id))
            continue;
        if (o.type == CLAP_EVENT_PARAM_VALUE)
            pushValue (out, ids.indexOf (o.tag), clapPlainValue (product.table (), o.tag, o.value));
        else
        {
            clap_event_param_gesture_t g {};
            g.header = {sizeof g, 0, CLAP_CORE_EVENT_SPACE_ID, o.type, 0};
            g.param_id = id;
            out->try_push (out, &g.header);
        }
    }
    outgoingTail.store (tail, std::memory_order_release);
}

void ClapPlugin::pushValue (const clap_output_events_t* out, int index, double plain)
{
    clap_event_param_value_t v {};
    v.header = {sizeof v, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    v.param_id = ids.idAt (index);
    v.note_id = -1;
    v.port_index = -1;
    v.channel = -1;
    v.key = -1;
    v.value = plain;
    out->try_push (out, &v.header);
    reported[static_cast<std::size_t> (index)] = plain;
}

void ClapPlugin::reportChanges (const clap_output_events_t* out)
{
    float live[kNumParams];
    if (! product.liveValues ().copyToIfChanged (live, liveWritesSeen))
        return;
    for (int i = 0; i < ids.count (); ++i)
    {
        const int tag = ids.tagAt (i);
        const double plain = clapPlainValue (product.table (), tag, product.getParameter (tag));
        if (plain != reported[static_cast<std::size_t> (i)])
            pushValue (out, i, plain);
    }
}

void ClapPlugin::parameterEdited (int tag, float value) { pushOutgoing (CLAP_EVENT_PARAM_VALUE, tag, value); }

bool ClapPlugin::gestureBegan (int tag) { return pushOutgoing (CLAP_EVENT_PARAM_GESTURE_BEGIN, tag, 0.0f); }

bool ClapPlugin::gestureEnded (int tag) { return pushOutgoing (CLAP_EVENT_PARAM_GESTURE_END, tag, 0.0f); }

// Parameters -------------------------------------------------------------------

bool ClapPlugin::paramInfo (std::uint32_t index, clap_param_info_t* info) const
{
    const int tag = ids.tagAt (static_cast<int> (index));
    if (tag < 0 || info == nullptr)
        return false;
    const ParameterTable& table = product.table ();
    *info = {};
    info->id = ids.idAt (static_cast<int> (index));
    info->flags = CLAP_PARAM_IS_AUTOMATABLE;
    if (isStepped (table, tag))
        info->flags |= CLAP_PARAM_IS_STEPPED;
    if (! table.getStepNames (tag).empty () || table.isOnOff (tag))
        info->flags |= CLAP_PARAM_IS_ENUM;
    if (tag == tag::Bypass)
        info->flags |= CLAP_PARAM_IS_BYPASS;
    copyText (info->name, sizeof info->name, table.getName (tag).c_str ());
    info->min_value = 0.0;
    info->max_value = isStepped (table, tag) ? stepCount (table, tag) - 1.0 : 1.0;
    info->default_value = clapPlainValue (table, tag, table.getDefault (tag));
    return true;
}

bool ClapPlugin::paramValue (clap_id id, double* value) const
{
    const int tag = ids.tagOf (id);
    if (tag < 0 || value == nullptr)
        return false;
    *value = clapPlainValue (product.table (), tag, product.getParameter (tag));
    return true;
}

bool ClapPlugin::valueToText (clap_id id, double value, char* text, std::uint32_t capacity) const
{
    const int tag = ids.tagOf (id);
    if (tag < 0 || text == nullptr || capacity == 0)
        return false;
    copyText (text, capacity,
              product.getDisplayTextFor (tag, clapNormalisedValue (product.table (), tag, value)).c_str ());
    return true;
}

bool ClapPlugin::textToValue (clap_id id, const char* text, double* value) const
{
    const int tag = ids.tagOf (id);
    if (tag < 0 || text == nullptr || value == nullptr)
        return false;
    const ParameterTable& table = product.table ();
    // Stepped parameters: the text of one of their steps.
    if (isStepped (table, tag))
        for (int step = 0; step < static_cast<int> (stepCount (table, tag)); ++step)
            if (std::strcmp (product.getDisplayTextFor (tag, clapNormalisedValue (table, tag, step)).c_str (), text) ==
                0)
            {
                *value = step;
                return true;
            }
    // A number in the parameter's units, by the editor's typed-in rules.
    float live[kNumParams];
    product.liveValues ().copyTo (live);
    float typed = 0.0f;
    const bool parsed = typedTextHoldsNumber (text) && typedValueToNormalised (table, tag, text, live, typed);
    if (parsed && std::strcmp (product.getDisplayTextFor (tag, typed).c_str (), text) == 0)
    {
        *value = clapPlainValue (table, tag, typed);
        return true;
    }
    // A text the parameter shows (some read as no plain number, such as the
    // wet/dry balance): the first value on a fine grid that shows it.
    constexpr int kGrid = 4000;
    for (int k = 0; k <= kGrid; ++k)
    {
        const float v = static_cast<float> (k) / kGrid;
        if (std::strcmp (product.getDisplayTextFor (tag, v).c_str (), text) == 0)
        {
            *value = clapPlainValue (table, tag, v);
            return true;
        }
    }
    if (! parsed)
        return false;
    *value = clapPlainValue (table, tag, typed);
    return true;
}

// State ------------------------------------------------------------------------

bool ClapPlugin::saveState (const clap_ostream_t* stream)
{
    if (stream == nullptr || ! onMainThreadCheck ())
        return false;
    struct
    {
        ClapStateHeader header;
        ChunkBlock block;
    } saved {};
    static_assert (sizeof saved == sizeof (ClapStateHeader) + kChunkSize);
    std::memcpy (saved.header.magic, kClapStateMagic, 4);
    saved.header.version = kClapStateVersion;
    saved.header.payloadSize = kChunkSize;
    product.saveState (saved.block);
    const auto* bytes = reinterpret_cast<const std::uint8_t*> (&saved);
    std::size_t written = 0;
    while (written < sizeof saved)
    {
        const std::int64_t n = stream->write (stream, bytes + written, sizeof saved - written);
        if (n <= 0)
            return false;
        written += static_cast<std::size_t> (n);
    }
    return true;
}

bool ClapPlugin::loadState (const clap_istream_t* stream)
{
    if (stream == nullptr || ! onMainThreadCheck ())
        return false;
    // One byte more than a whole state: a longer stream is no state of ours.
    constexpr std::size_t kWhole = sizeof (ClapStateHeader) + kChunkSize;
    std::uint8_t bytes[kWhole + 1];
    std::size_t got = 0;
    while (got < sizeof bytes)
    {
        const std::int64_t n = stream->read (stream, bytes + got, sizeof bytes - got);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<std::size_t> (n);
    }
    ClapStateHeader header;
    if (got != kWhole)
        return false;
    std::memcpy (&header, bytes, sizeof header);
    if (std::memcmp (header.magic, kClapStateMagic, 4) != 0 || header.version != kClapStateVersion ||
        header.payloadSize != kChunkSize)
        return false;
    product.syncPreferences ();
    return product.restoreState (bytes + sizeof header, kChunkSize);
}

bool ClapPlugin::presetLoad (std::uint32_t kind, const char* location, const char* loadKey)
{
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location != nullptr || loadKey == nullptr)
        return false;
    char* end = nullptr;
    const long index = std::strtol (loadKey, &end, 10);
    if (end == loadKey || *end != '\0' || index < 0 || index >= kNumFactoryPresets)
        return false;
    product.syncPreferences ();
    product.setDemoProgram (static_cast<int> (index));
    if (hostParams != nullptr)
        hostParams->rescan (host, CLAP_PARAM_RESCAN_VALUES);
    return true;
}

// Editor -----------------------------------------------------------------------

bool ClapPlugin::guiCreate (const char* api, bool floating)
{
    if (editorFactory == nullptr || floating || api == nullptr || std::strcmp (api, CLAP_WINDOW_API_X11) != 0 ||
        editor != nullptr)
        return false;
    editor = editorFactory (product);
    if (editor == nullptr)
        return false;
    product.attachEditor (editor);
    return true;
}

void ClapPlugin::guiDestroy ()
{
    if (editor == nullptr)
        return;
    if (idleTimer != CLAP_INVALID_ID && hostTimers != nullptr)
        hostTimers->unregister_timer (host, idleTimer);
    idleTimer = CLAP_INVALID_ID;
    if (watchedFd >= 0 && hostFds != nullptr)
        hostFds->unregister_fd (host, watchedFd);
    watchedFd = -1;
    product.attachEditor (nullptr);
    if (editor->isOpen ())
        editor->close ();
    delete editor;
    editor = nullptr;
}

bool ClapPlugin::guiSize (std::uint32_t* width, std::uint32_t* height) const
{
    if (editor == nullptr || width == nullptr || height == nullptr)
        return false;
    const EditorSize size = editor->getSize ();
    *width = static_cast<std::uint32_t> (size.width);
    *height = static_cast<std::uint32_t> (size.height);
    return true;
}

bool ClapPlugin::guiSetParent (const clap_window_t* window)
{
    if (editor == nullptr || window == nullptr || editor->isOpen ())
        return false;
    // The editor's window system runs from the host's timer: no loop of its own.
    if (hostTimers == nullptr || ! hostTimers->register_timer (host, kIdlePeriodMs, &idleTimer))
        return false;
    if (! editor->open (reinterpret_cast<void*> (window->x11)))
    {
        hostTimers->unregister_timer (host, idleTimer);
        idleTimer = CLAP_INVALID_ID;
        return false;
    }
    // Window events are served as they arrive where the host watches descriptors;
    // the timer still runs the editor's animations and redraws.
    const int fd = editor->eventDescriptor ();
    if (fd >= 0 && hostFds != nullptr && hostFds->register_fd (host, fd, CLAP_POSIX_FD_READ))
        watchedFd = fd;
    return true;
}

// Extensions -------------------------------------------------------------------

const void* ClapPlugin::extension (const char* id) const
{
    if (id == nullptr)
        return nullptr;
    static const clap_plugin_params_t params = {
        [] (const clap_plugin_t* p) { return static_cast<std::uint32_t> (self (p).ids.count ()); },
        [] (const clap_plugin_t* p, std::uint32_t index, clap_param_info_t* info) {
            return self (p).paramInfo (index, info);
        },
        [] (const clap_plugin_t* p, clap_id id, double* value) { return self (p).paramValue (id, value); },
        [] (const clap_plugin_t* p, clap_id id, double value, char* text, std::uint32_t capacity) {
            return self (p).valueToText (id, value, text, capacity);
        },
        [] (const clap_plugin_t* p, clap_id id, const char* text, double* value) {
            return self (p).textToValue (id, text, value);
        },
        [] (const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
            self (p).flush (in, out);
        },
    };
    static const clap_plugin_state_t state = {
        [] (const clap_plugin_t* p, const clap_ostream_t* s) { return self (p).saveState (s); },
        [] (const clap_plugin_t* p, const clap_istream_t* s) { return self (p).loadState (s); },
    };
    static const clap_plugin_audio_ports_t audioPorts = {
        [] (const clap_plugin_t*, bool isInput) -> std::uint32_t { return isInput ? 2 : 1; },
        [] (const clap_plugin_t*, std::uint32_t index, bool isInput, clap_audio_port_info_t* info) {
            if (info == nullptr || index >= (isInput ? 2u : 1u))
                return false;
            *info = {};
            info->id = index;
            copyText (info->name, sizeof info->name, index == 0 ? "Main" : "Side");
            info->flags = index == 0 ? CLAP_AUDIO_PORT_IS_MAIN : 0;
            info->channel_count = 2;
            info->port_type = CLAP_PORT_STEREO;
            info->in_place_pair = CLAP_INVALID_ID;
            return true;
        },
    };
    static const clap_plugin_note_ports_t notePorts = {
        [] (const clap_plugin_t*, bool isInput) -> std::uint32_t { return isInput ? 1 : 0; },
        [] (const clap_plugin_t*, std::uint32_t index, bool isInput, clap_note_port_info_t* info) {
            if (info == nullptr || ! isInput || index != 0)
                return false;
            *info = {};
            info->id = 0;
            info->supported_dialects = CLAP_NOTE_DIALECT_MIDI;
            info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
            copyText (info->name, sizeof info->name, "MIDI");
            return true;
        },
    };
    static const clap_plugin_latency_t latency = {[] (const clap_plugin_t*) -> std::uint32_t { return 0; }};
    static const clap_plugin_tail_t tail = {[] (const clap_plugin_t* p) -> std::uint32_t {
        return static_cast<std::uint32_t> (std::lround (kTailSeconds * self (p).product.getSampleRate ()));
    }};
    static const clap_plugin_render_t render = {
        [] (const clap_plugin_t*) { return false; },
        // Offline and real time render alike: the chain has no quality switch.
        [] (const clap_plugin_t*, clap_plugin_render_mode) { return true; },
    };
    static const clap_plugin_preset_load_t presetLoad = {
        [] (const clap_plugin_t* p, std::uint32_t kind, const char* location, const char* key) {
            return self (p).presetLoad (kind, location, key);
        },
    };
    static const clap_plugin_gui_t gui = {
        [] (const clap_plugin_t* p, const char* api, bool floating) {
            return self (p).editorFactory != nullptr && ! floating && api != nullptr &&
                   std::strcmp (api, CLAP_WINDOW_API_X11) == 0;
        },
        [] (const clap_plugin_t*, const char** api, bool* floating) {
            *api = CLAP_WINDOW_API_X11;
            *floating = false;
            return true;
        },
        [] (const clap_plugin_t* p, const char* api, bool floating) { return self (p).guiCreate (api, floating); },
        [] (const clap_plugin_t* p) { self (p).guiDestroy (); },
        [] (const clap_plugin_t*, double) { return false; },
        [] (const clap_plugin_t* p, std::uint32_t* w, std::uint32_t* h) { return self (p).guiSize (w, h); },
        [] (const clap_plugin_t*) { return false; },
        [] (const clap_plugin_t*, clap_gui_resize_hints_t* hints) {
            // Fixed sizes: the editor changes its own size from its menu.
            *hints = {false, false, false, 1, 1};
            return true;
        },
        [] (const clap_plugin_t* p, std::uint32_t* w, std::uint32_t* h) { return self (p).guiSize (w, h); },
        [] (const clap_plugin_t* p, std::uint32_t w, std::uint32_t h) {
            std::uint32_t cw = 0, ch = 0;
            return self (p).guiSize (&cw, &ch) && cw == w && ch == h;
        },
        [] (const clap_plugin_t* p, const clap_window_t* window) { return self (p).guiSetParent (window); },
        [] (const clap_plugin_t*, const clap_window_t*) { return false; },
        [] (const clap_plugin_t*, const char*) {},
        [] (const clap_plugin_t* p) { return self (p).editor != nullptr; },
        [] (const clap_plugin_t* p) { return self (p).editor != nullptr; },
    };
    static const clap_plugin_timer_support_t timers = {[] (const clap_plugin_t* p, clap_id timer) {
        ClapPlugin& me = self (p);
        if (timer != me.idleTimer)
            return;
        me.product.syncPreferences ();
        if (me.editor != nullptr && me.editor->isOpen ())
            me.editor->idle ();
    }};

    static const clap_plugin_posix_fd_support_t fds = {[] (const clap_plugin_t* p, int fd, clap_posix_fd_flags_t) {
        ClapPlugin& me = self (p);
        if (fd == me.watchedFd && me.editor != nullptr && me.editor->isOpen ())
            me.editor->idle ();
    }};

    if (std::strcmp (id, CLAP_EXT_PARAMS) == 0)
        return &params;
    if (std::strcmp (id, CLAP_EXT_STATE) == 0)
        return &state;
    if (std::strcmp (id, CLAP_EXT_AUDIO_PORTS) == 0)
        return &audioPorts;
    if (std::strcmp (id, CLAP_EXT_NOTE_PORTS) == 0)
        return &notePorts;
    if (std::strcmp (id, CLAP_EXT_LATENCY) == 0)
        return &latency;
    if (std::strcmp (id, CLAP_EXT_TAIL) == 0)
        return &tail;
    if (std::strcmp (id, CLAP_EXT_RENDER) == 0)
        return &render;
    if (std::strcmp (id, CLAP_EXT_PRESET_LOAD) == 0 || std::strcmp (id, CLAP_EXT_PRESET_LOAD_COMPAT) == 0)
        return &presetLoad;
    if (editorFactory != nullptr && std::strcmp (id, CLAP_EXT_GUI) == 0)
        return &gui;
    if (editorFactory != nullptr && std::strcmp (id, CLAP_EXT_TIMER_SUPPORT) == 0)
        return &timers;
    if (editorFactory != nullptr && std::strcmp (id, CLAP_EXT_POSIX_FD_SUPPORT) == 0)
        return &fds;
    return nullptr;
}

} // namespace morlake
