#include "tools/harness/ClapHostedPlugin.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace morlake {

namespace {

// An event of any kind in one slot of the input list.
union AnyEvent
{
    clap_event_header_t header;
    clap_event_param_value_t param;
    clap_event_midi_t midi;
};

struct InputList
{
    std::vector<AnyEvent> events;
    clap_input_events_t list {};

    explicit InputList (std::span<const ClapInputEvent> source)
    {
        for (const ClapInputEvent& e : source)
        {
            AnyEvent a {};
            if (e.kind == ClapInputEvent::Kind::Midi)
            {
                a.midi.header = {sizeof a.midi, e.frame, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
                a.midi.port_index = 0;
                std::memcpy (a.midi.data, e.midi, 3);
            }
            else
            {
                // Unknown events carry a type past the core ones, with a parameter's body.
                const std::uint16_t type = e.kind == ClapInputEvent::Kind::Unknown ? 0x7fff : CLAP_EVENT_PARAM_VALUE;
                a.param.header = {sizeof a.param, e.frame, CLAP_CORE_EVENT_SPACE_ID, type, 0};
                a.param.param_id = e.paramId;
                a.param.note_id = -1;
                a.param.port_index = -1;
                a.param.channel = -1;
                a.param.key = -1;
                a.param.value = e.value;
            }
            events.push_back (a);
        }
        std::stable_sort (events.begin (), events.end (),
                          [] (const AnyEvent& x, const AnyEvent& y) { return x.header.time < y.header.time; });
        list.ctx = this;
        list.size = [] (const clap_input_events_t* l) {
            return static_cast<std::uint32_t> (static_cast<const InputList*> (l->ctx)->events.size ());
        };
        list.get = [] (const clap_input_events_t* l, std::uint32_t i) -> const clap_event_header_t* {
            const auto& v = static_cast<const InputList*> (l->ctx)->events;
            return i < v.size () ? &v[i].header : nullptr;
        };
    }
};

struct OutputList
{
    std::vector<ClapOutputEvent>& events;
    clap_output_events_t list {};

    explicit OutputList (std::vector<ClapOutputEvent>& target) : events (target)
    {
        list.ctx = this;
        list.try_push = [] (const clap_output_events_t* l, const clap_event_header_t* h) {
            auto& out = static_cast<OutputList*> (l->ctx)->events;
            ClapOutputEvent e;
            e.type = h->type;
            if (h->type == CLAP_EVENT_PARAM_VALUE)
            {
                const auto* v = reinterpret_cast<const clap_event_param_value_t*> (h);
                e.paramId = v->param_id;
                e.value = v->value;
            }
            else if (h->type == CLAP_EVENT_PARAM_GESTURE_BEGIN || h->type == CLAP_EVENT_PARAM_GESTURE_END)
                e.paramId = reinterpret_cast<const clap_event_param_gesture_t*> (h)->param_id;
            out.push_back (e);
            return true;
        };
    }
};

struct ByteStream
{
    std::vector<std::uint8_t>* out = nullptr;
    std::span<const std::uint8_t> in;
    std::size_t position = 0;
    std::size_t chunk = 0;
};

} // namespace

ClapInputEvent ClapInputEvent::param (std::uint32_t frame, clap_id id, double value)
{
    ClapInputEvent e;
    e.frame = frame;
    e.paramId = id;
    e.value = value;
    return e;
}

ClapInputEvent ClapInputEvent::midiBytes (std::uint32_t frame, std::uint8_t status, std::uint8_t data1,
                                          std::uint8_t data2)
{
    ClapInputEvent e;
    e.kind = Kind::Midi;
    e.frame = frame;
    e.midi[0] = status;
    e.midi[1] = data1;
    e.midi[2] = data2;
    return e;
}

ClapInputEvent ClapInputEvent::unknown (std::uint32_t frame)
{
    ClapInputEvent e;
    e.kind = Kind::Unknown;
    e.frame = frame;
    e.value = 1.0;
    return e;
}

ClapHostedPlugin::ClapHostedPlugin () : mainThread (std::this_thread::get_id ())
{
    host.clap_version = CLAP_VERSION;
    host.host_data = this;
    host.name = "Morlake Harness";
    host.vendor = "Morlake";
    host.url = "";
    host.version = "1.0.0";
    host.get_extension = hostExtension;
    host.request_restart = [] (const clap_host_t*) {};
    host.request_process = [] (const clap_host_t*) {};
    host.request_callback = [] (const clap_host_t*) {};
}

std::unique_ptr<ClapHostedPlugin> ClapHostedPlugin::load (const std::string& path, std::string& error)
{
    std::unique_ptr<ClapHostedPlugin> p (new ClapHostedPlugin ());
    p->module = dlopen (path.c_str (), RTLD_NOW | RTLD_LOCAL);
    if (p->module == nullptr)
    {
        const char* why = dlerror ();
        error = "cannot load \"" + path + "\": " + (why != nullptr ? why : "unknown error");
        return nullptr;
    }
    p->moduleEntry = static_cast<const clap_plugin_entry_t*> (dlsym (p->module, "clap_entry"));
    if (p->moduleEntry == nullptr || ! clap_version_is_compatible (p->moduleEntry->clap_version) ||
        ! p->moduleEntry->init (path.c_str ()))
    {
        error = "\"" + path + "\" has no usable clap_entry";
        return nullptr;
    }
    const auto* factory =
        static_cast<const clap_plugin_factory_t*> (p->moduleEntry->get_factory (CLAP_PLUGIN_FACTORY_ID));
    const clap_plugin_descriptor_t* desc = factory != nullptr && factory->get_plugin_count (factory) > 0
                                               ? factory->get_plugin_descriptor (factory, 0)
                                               : nullptr;
    p->instance = desc != nullptr ? factory->create_plugin (factory, &p->host, desc->id) : nullptr;
    if (p->instance == nullptr || ! p->instance->init (p->instance))
    {
        error = "\"" + path + "\" created no plug-in";
        return nullptr;
    }
    return p;
}

ClapHostedPlugin::~ClapHostedPlugin ()
{
    if (instance != nullptr)
    {
        deactivate ();
        instance->destroy (instance);
    }
    if (moduleEntry != nullptr)
        moduleEntry->deinit ();
    if (module != nullptr)
        dlclose (module);
}

const void* ClapHostedPlugin::extension (const char* id) const { return instance->get_extension (instance, id); }

const void* ClapHostedPlugin::hostExtension (const clap_host_t* h, const char* id)
{
    static const clap_host_params_t params = {
        [] (const clap_host_t* hh, clap_param_rescan_flags) { ++self (hh).rescanCount; },
        [] (const clap_host_t*, clap_id, clap_param_clear_flags) {},
        [] (const clap_host_t* hh) { ++self (hh).flushRequestCount; },
    };
    static const clap_host_thread_check_t threadCheck = {
        [] (const clap_host_t* hh) { return std::this_thread::get_id () == self (hh).mainThread; },
        [] (const clap_host_t* hh) { return self (hh).processing; },
    };
    static const clap_host_timer_support_t timerSupport = {
        [] (const clap_host_t* hh, std::uint32_t period, clap_id* id) {
            ClapHostedPlugin& me = self (hh);
            *id = me.nextTimer++;
            me.registeredTimers.push_back ({*id, period});
            return true;
        },
        [] (const clap_host_t* hh, clap_id id) {
            auto& t = self (hh).registeredTimers;
            const auto it = std::find_if (t.begin (), t.end (), [id] (const ClapTimer& x) { return x.id == id; });
            if (it == t.end ())
                return false;
            t.erase (it);
            return true;
        },
    };
    static const clap_host_posix_fd_support_t fdSupport = {
        [] (const clap_host_t* hh, int fd, clap_posix_fd_flags_t) {
            self (hh).registeredFds.push_back (fd);
            return true;
        },
        [] (const clap_host_t*, int, clap_posix_fd_flags_t) { return true; },
        [] (const clap_host_t* hh, int fd) {
            auto& f = self (hh).registeredFds;
            const auto it = std::find (f.begin (), f.end (), fd);
            if (it == f.end ())
                return false;
            f.erase (it);
            return true;
        },
    };
    static const clap_host_log_t log = {[] (const clap_host_t*, clap_log_severity, const char*) {}};
    if (std::strcmp (id, CLAP_EXT_PARAMS) == 0)
        return &params;
    if (std::strcmp (id, CLAP_EXT_THREAD_CHECK) == 0)
        return self (h).offerThreadCheck ? &threadCheck : nullptr;
    if (std::strcmp (id, CLAP_EXT_TIMER_SUPPORT) == 0)
        return &timerSupport;
    if (std::strcmp (id, CLAP_EXT_LOG) == 0)
        return &log;
    if (std::strcmp (id, CLAP_EXT_POSIX_FD_SUPPORT) == 0)
        return &fdSupport;
    return nullptr;
}

bool ClapHostedPlugin::activate (double rate, std::uint32_t maxFrames)
{
    deactivate ();
    active = instance->activate (instance, rate, 1, maxFrames);
    if (active)
        instance->start_processing (instance);
    return active;
}

void ClapHostedPlugin::deactivate ()
{
    if (! active)
        return;
    instance->stop_processing (instance);
    instance->deactivate (instance);
    active = false;
}

std::vector<ClapParam> ClapHostedPlugin::params () const
{
    std::vector<ClapParam> list;
    const auto* ext = static_cast<const clap_plugin_params_t*> (extension (CLAP_EXT_PARAMS));
    if (ext == nullptr)
        return list;
    for (std::uint32_t i = 0; i < ext->count (instance); ++i)
    {
        clap_param_info_t info {};
        if (! ext->get_info (instance, i, &info))
            continue;
        list.push_back ({info.id, info.flags, info.name, info.min_value, info.max_value, info.default_value});
    }
    return list;
}

double ClapHostedPlugin::value (clap_id id) const
{
    const auto* ext = static_cast<const clap_plugin_params_t*> (extension (CLAP_EXT_PARAMS));
    double v = -1.0;
    if (ext == nullptr || ! ext->get_value (instance, id, &v))
        return -1.0;
    return v;
}

std::string ClapHostedPlugin::valueToText (clap_id id, double v) const
{
    const auto* ext = static_cast<const clap_plugin_params_t*> (extension (CLAP_EXT_PARAMS));
    char text[256] {};
    if (ext == nullptr || ! ext->value_to_text (instance, id, v, text, sizeof text))
        return {};
    return text;
}

bool ClapHostedPlugin::textToValue (clap_id id, const std::string& text, double& v) const
{
    const auto* ext = static_cast<const clap_plugin_params_t*> (extension (CLAP_EXT_PARAMS));
    return ext != nullptr && ext->text_to_value (instance, id, text.c_str (), &v);
}

std::vector<ClapOutputEvent> ClapHostedPlugin::flush (std::span<const ClapInputEvent> events)
{
    std::vector<ClapOutputEvent> back;
    const auto* ext = static_cast<const clap_plugin_params_t*> (extension (CLAP_EXT_PARAMS));
    if (ext == nullptr)
        return back;
    InputList in (events);
    OutputList out (back);
    ext->flush (instance, &in.list, &out.list);
    return back;
}

std::vector<std::uint8_t> ClapHostedPlugin::saveState (std::size_t chunkSize) const
{
    std::vector<std::uint8_t> bytes;
    const auto* ext = static_cast<const clap_plugin_state_t*> (extension (CLAP_EXT_STATE));
    if (ext == nullptr)
        return bytes;
    ByteStream s;
    s.out = &bytes;
    s.chunk = chunkSize;
    clap_ostream_t stream {&s, [] (const clap_ostream_t* st, const void* data, std::uint64_t size) -> std::int64_t {
                               auto* bs = static_cast<ByteStream*> (st->ctx);
                               const std::size_t n = std::min<std::size_t> (size, bs->chunk);
                               const auto* b = static_cast<const std::uint8_t*> (data);
                               bs->out->insert (bs->out->end (), b, b + n);
                               return static_cast<std::int64_t> (n);
                           }};
    if (! ext->save (instance, &stream))
        bytes.clear ();
    return bytes;
}

bool ClapHostedPlugin::loadState (std::span<const std::uint8_t> bytes, std::size_t chunkSize) const
{
    const auto* ext = static_cast<const clap_plugin_state_t*> (extension (CLAP_EXT_STATE));
    if (ext == nullptr)
        return false;
    ByteStream s;
    s.in = bytes;
    s.chunk = chunkSize;
    clap_istream_t stream {&s, [] (const clap_istream_t* st, void* data, std::uint64_t size) -> std::int64_t {
                               auto* bs = static_cast<ByteStream*> (st->ctx);
                               const std::size_t n = std::min<std::size_t> (
                                   {static_cast<std::size_t> (size), bs->chunk, bs->in.size () - bs->position});
                               if (n > 0) // an empty stream has no data to copy from
                                   std::memcpy (data, bs->in.data () + bs->position, n);
                               bs->position += n;
                               return static_cast<std::int64_t> (n);
                           }};
    return ext->load (instance, &stream);
}

bool ClapHostedPlugin::loadPreset (int index) const
{
    const auto* ext = static_cast<const clap_plugin_preset_load_t*> (extension (CLAP_EXT_PRESET_LOAD));
    const std::string key = std::to_string (index);
    return ext != nullptr &&
           ext->from_location (instance, CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, key.c_str ());
}

clap_process_status ClapHostedPlugin::process (const float* const* inputs, float* const* outputs, std::uint32_t frames,
                                               std::span<const ClapInputEvent> events, double tempo, bool playing)
{
    static const std::vector<float> silence (1 << 16, 0.0f);
    float* in[4];
    for (int c = 0; c < 4; ++c)
        in[c] = const_cast<float*> (inputs != nullptr && inputs[c] != nullptr ? inputs[c] : silence.data ());
    clap_audio_buffer_t audioIn[2] {};
    for (int port = 0; port < 2; ++port)
    {
        audioIn[port].data32 = in + 2 * port;
        audioIn[port].channel_count = 2;
    }
    clap_audio_buffer_t audioOut {};
    audioOut.data32 = const_cast<float**> (outputs);
    audioOut.channel_count = 2;

    clap_event_transport_t transport {};
    transport.header = {sizeof transport, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
    transport.flags =
        CLAP_TRANSPORT_HAS_TEMPO | (playing ? static_cast<std::uint32_t> (CLAP_TRANSPORT_IS_PLAYING) : 0u);
    transport.tempo = tempo;

    InputList inEvents (events);
    output.clear ();
    OutputList outEvents (output);
    clap_process_t p {};
    p.steady_time = steadyTime;
    p.frames_count = frames;
    p.transport = &transport;
    p.audio_inputs = audioIn;
    p.audio_inputs_count = 2;
    p.audio_outputs = &audioOut;
    p.audio_outputs_count = 1;
    p.in_events = &inEvents.list;
    p.out_events = &outEvents.list;
    processing = true;
    const clap_process_status status = instance->process (instance, &p);
    processing = false;
    steadyTime += frames;
    return status;
}

void ClapHostedPlugin::fireFds ()
{
    const auto* ext = static_cast<const clap_plugin_posix_fd_support_t*> (extension (CLAP_EXT_POSIX_FD_SUPPORT));
    if (ext == nullptr)
        return;
    const auto fds = registeredFds;
    for (int fd : fds)
        ext->on_fd (instance, fd, CLAP_POSIX_FD_READ);
}

void ClapHostedPlugin::fireTimers ()
{
    const auto* ext = static_cast<const clap_plugin_timer_support_t*> (extension (CLAP_EXT_TIMER_SUPPORT));
    if (ext == nullptr)
        return;
    const auto timers = registeredTimers;
    for (const ClapTimer& t : timers)
        ext->on_timer (instance, t.id);
}

} // namespace morlake
