// morlake-lv2-bench: Morlake's LV2 build beside its VST 2.4 build and other
// LV2 plug-ins (Dragonfly Hall), in one run: the same stereo noise at
// 48 kHz, the plug-ins taking turns every half second of audio so the
// machine's noise falls on all alike. Prints CPU time per second of audio,
// times faster than real time, and each plug-in's cost over the first
// (the VST 2.4 build when given).
//   morlake-lv2-bench [--vst MODULE] [--lv2 URI]... [--preset NAME] [--block N] [--seconds S]
#include "tools/harness/FactoryPresets.h"
#include "tools/harness/HostedPlugin.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <time.h>
#include <vector>

namespace {

constexpr double kRate = 48000.0;

double cpuSeconds ()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double> (t.tv_sec) + static_cast<double> (t.tv_nsec) * 1e-9;
}

std::map<std::string, LV2_URID>& uridTable ()
{
    static std::map<std::string, LV2_URID> table;
    return table;
}

LV2_URID mapUri (LV2_URID_Map_Handle, const char* uri)
{
    auto& table = uridTable ();
    auto it = table.find (uri);
    if (it != table.end ())
        return it->second;
    const auto id = static_cast<LV2_URID> (table.size () + 1);
    table.emplace (uri, id);
    return id;
}

LV2_URID_Map uridMap {nullptr, mapUri};
LV2_Feature mapFeature {LV2_URID__map, &uridMap};

// Block lengths and rate, for plug-ins that need them (Dragonfly's).
std::int32_t maxBlock = 512;
float optionRate = 48000.0f;
LV2_Options_Option options[4] {};
LV2_Feature optionsFeature {LV2_OPTIONS__options, options};
LV2_Feature boundedFeature {LV2_BUF_SIZE__boundedBlockLength, nullptr};
// Work a plug-in would schedule is refused: none is expected while timing.
LV2_Worker_Schedule worker {nullptr,
                            [] (LV2_Worker_Schedule_Handle, uint32_t, const void*) { return LV2_WORKER_ERR_NO_SPACE; }};
LV2_Feature workerFeature {LV2_WORKER__schedule, &worker};
const LV2_Feature* lv2Features[] = {&mapFeature, &optionsFeature, &boundedFeature, &workerFeature, nullptr};

void setOptions (int block, double rate)
{
    maxBlock = block;
    optionRate = static_cast<float> (rate);
    const LV2_URID intType = mapUri (nullptr, LV2_ATOM__Int);
    options[0] = {LV2_OPTIONS_INSTANCE, 0,       mapUri (nullptr, LV2_BUF_SIZE__maxBlockLength),
                  sizeof maxBlock,      intType, &maxBlock};
    options[1] = {LV2_OPTIONS_INSTANCE, 0,       mapUri (nullptr, LV2_BUF_SIZE__nominalBlockLength),
                  sizeof maxBlock,      intType, &maxBlock};
    options[2] = {LV2_OPTIONS_INSTANCE,
                  0,
                  mapUri (nullptr, LV2_PARAMETERS__sampleRate),
                  sizeof optionRate,
                  mapUri (nullptr, LV2_ATOM__Float),
                  &optionRate};
    options[3] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
}

class Contender
{
public:
    virtual ~Contender () = default;
    virtual const std::string& name () const = 0;
    virtual void process (const float* const* in, float* const* out, int frames) = 0;
    double cpu = 0.0;
};

class VstContender final : public Contender
{
public:
    VstContender (const std::string& path, const std::string& preset, int block)
    {
        morlake::HostConfig config;
        config.sampleRate = kRate;
        config.blockSize = block;
        config.productString = morlake::kToolHostProduct;
        config.vendorString = morlake::kToolHostVendor;
        std::string error;
        plugin = morlake::HostedPlugin::load (path, config, error);
        if (! plugin)
        {
            std::fprintf (stderr, "morlake-lv2-bench: %s: %s\n", path.c_str (), error.c_str ());
            std::exit (1);
        }
        plugin->open ();
        if (! preset.empty ())
            morlake::selectFactoryPreset (*plugin, morlake::findFactoryPreset (preset));
        label = "Morlake VST 2.4";
    }
    const std::string& name () const override { return label; }
    void process (const float* const* in, float* const* out, int frames) override
    {
        plugin->processBlock (in, 2, out, frames);
    }

private:
    std::unique_ptr<morlake::HostedPlugin> plugin;
    std::string label;
};

class Lv2Contender final : public Contender
{
public:
    Lv2Contender (LilvWorld* world, const std::string& uri, const std::string& preset, int block)
    {
        LilvNode* uriNode = lilv_new_uri (world, uri.c_str ());
        const LilvPlugin* plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), uriNode);
        lilv_node_free (uriNode);
        if (plugin == nullptr)
            fail (uri, "not found (LV2_PATH?)");
        LilvNode* nameNode = lilv_plugin_get_name (plugin);
        label = std::string (lilv_node_as_string (nameNode)) + " LV2";
        lilv_node_free (nameNode);
        instance = lilv_plugin_instantiate (plugin, kRate, lv2Features);
        if (instance == nullptr)
            fail (uri, "cannot be instantiated");

        LilvNode* audio = lilv_new_uri (world, LV2_CORE__AudioPort);
        LilvNode* control = lilv_new_uri (world, LV2_CORE__ControlPort);
        LilvNode* atom = lilv_new_uri (world, LV2_ATOM__AtomPort);
        LilvNode* input = lilv_new_uri (world, LV2_CORE__InputPort);
        const std::uint32_t ports = lilv_plugin_get_num_ports (plugin);
        controls.resize (ports, 0.0f);
        std::vector<float> defaults (ports, 0.0f);
        lilv_plugin_get_port_ranges_float (plugin, nullptr, nullptr, defaults.data ());
        atomBuffers.resize (ports);
        for (std::uint32_t p = 0; p < ports; ++p)
        {
            const LilvPort* port = lilv_plugin_get_port_by_index (plugin, p);
            const bool isInput = lilv_port_is_a (plugin, port, input);
            symbols[lilv_node_as_string (lilv_port_get_symbol (plugin, port))] = p;
            if (lilv_port_is_a (plugin, port, audio))
                (isInput ? audioIn : audioOut).push_back (p);
            else if (lilv_port_is_a (plugin, port, control))
            {
                controls[p] = std::isnan (defaults[p]) ? 0.0f : defaults[p];
                lilv_instance_connect_port (instance, p, &controls[p]);
            }
            else if (lilv_port_is_a (plugin, port, atom))
            {
                atomBuffers[p].resize (8192 / sizeof (std::uint64_t));
                auto* sequence = reinterpret_cast<LV2_Atom_Sequence*> (atomBuffers[p].data ());
                sequence->atom.type = mapUri (nullptr, LV2_ATOM__Sequence);
                sequence->atom.size = isInput ? sizeof (LV2_Atom_Sequence_Body) : 8192 - sizeof (LV2_Atom);
                lilv_instance_connect_port (instance, p, sequence);
            }
            else
                lilv_instance_connect_port (instance, p, nullptr);
        }
        lilv_node_free (audio);
        lilv_node_free (control);
        lilv_node_free (atom);
        lilv_node_free (input);
        silence.assign (static_cast<std::size_t> (block), 0.0f);
        scratch.assign (static_cast<std::size_t> (block), 0.0f);

        if (! preset.empty ())
            loadPreset (world, plugin, preset);
        lilv_instance_activate (instance);
    }
    ~Lv2Contender () override
    {
        lilv_instance_deactivate (instance);
        lilv_instance_free (instance);
    }
    const std::string& name () const override { return label; }
    void process (const float* const* in, float* const* out, int frames) override
    {
        for (std::size_t i = 0; i < audioIn.size (); ++i)
            lilv_instance_connect_port (instance, audioIn[i], const_cast<float*> (i < 2 ? in[i] : silence.data ()));
        for (std::size_t i = 0; i < audioOut.size (); ++i)
            lilv_instance_connect_port (instance, audioOut[i], i < 2 ? out[i] : scratch.data ());
        lilv_instance_run (instance, static_cast<std::uint32_t> (frames));
    }

private:
    [[noreturn]] static void fail (const std::string& uri, const char* why)
    {
        std::fprintf (stderr, "morlake-lv2-bench: %s %s\n", uri.c_str (), why);
        std::exit (1);
    }

    void loadPreset (LilvWorld* world, const LilvPlugin* plugin, const std::string& label)
    {
        LilvNode* presetClass = lilv_new_uri (world, LV2_PRESETS__Preset);
        LilvNode* labelPredicate = lilv_new_uri (world, LILV_NS_RDFS "label");
        LilvNodes* presets = lilv_plugin_get_related (plugin, presetClass);
        LILV_FOREACH (nodes, i, presets)
        {
            const LilvNode* preset = lilv_nodes_get (presets, i);
            lilv_world_load_resource (world, preset);
            LilvNodes* labels = lilv_world_find_nodes (world, preset, labelPredicate, nullptr);
            const bool match = labels != nullptr && lilv_nodes_size (labels) > 0 &&
                               label == lilv_node_as_string (lilv_nodes_get_first (labels));
            lilv_nodes_free (labels);
            if (! match)
                continue;
            if (LilvState* state = lilv_state_new_from_world (world, &uridMap, preset))
            {
                lilv_state_restore (state, instance, setPort, this, 0, lv2Features);
                lilv_state_free (state);
            }
        }
        lilv_nodes_free (presets);
        lilv_node_free (presetClass);
        lilv_node_free (labelPredicate);
    }
    static void setPort (const char* symbol, void* self, const void* value, std::uint32_t size, std::uint32_t)
    {
        auto* me = static_cast<Lv2Contender*> (self);
        auto it = me->symbols.find (symbol);
        if (it != me->symbols.end () && size == sizeof (float))
            std::memcpy (&me->controls[it->second], value, sizeof (float));
    }

    LilvInstance* instance = nullptr;
    std::string label;
    std::vector<std::uint32_t> audioIn, audioOut;
    std::vector<float> controls, silence, scratch;
    std::vector<std::vector<std::uint64_t>> atomBuffers;
    std::map<std::string, std::uint32_t> symbols;
};

} // namespace

int main (int argc, char** argv)
{
    std::string vst, preset;
    std::vector<std::string> uris;
    int block = 512;
    double seconds = 20.0;
    for (int i = 1; i + 1 < argc; i += 2)
    {
        const std::string option = argv[i];
        if (option == "--vst")
            vst = argv[i + 1];
        else if (option == "--lv2")
            uris.emplace_back (argv[i + 1]);
        else if (option == "--preset")
            preset = argv[i + 1];
        else if (option == "--block")
            block = std::atoi (argv[i + 1]);
        else if (option == "--seconds")
            seconds = std::atof (argv[i + 1]);
        else
        {
            std::fprintf (stderr, "usage: morlake-lv2-bench [--vst MODULE] [--lv2 URI]... [--preset NAME] "
                                  "[--block N] [--seconds S]\n");
            return 2;
        }
    }
    if (block < 1 || block > 8192 || ! (seconds > 0.0))
        return 2;

    setOptions (block, kRate);
    LilvWorld* world = lilv_world_new ();
    lilv_world_load_all (world);
    std::vector<std::unique_ptr<Contender>> contenders;
    // The VST 2.4 build first: the others' costs are given over it.
    if (! vst.empty ())
        contenders.push_back (std::make_unique<VstContender> (vst, preset, block));
    for (const std::string& uri : uris)
        contenders.push_back (std::make_unique<Lv2Contender> (
            world, uri, uri.find ("morlake") != std::string::npos ? preset : "", block));
    if (contenders.empty ())
        return 2;

    // Half a second of stereo noise at -12 dBFS, the same for everyone.
    const int turn = static_cast<int> (kRate / 2) / block * block;
    std::vector<float> in[2] = {std::vector<float> (static_cast<std::size_t> (turn)),
                                std::vector<float> (static_cast<std::size_t> (turn))};
    std::uint32_t seed = 1;
    for (auto& channel : in)
        for (float& x : channel)
            x = 0.25f * (static_cast<float> ((seed = seed * 1664525u + 1013904223u) >> 8) / 8388608.0f - 1.0f);
    std::vector<float> out[2] = {std::vector<float> (static_cast<std::size_t> (block)),
                                 std::vector<float> (static_cast<std::size_t> (block))};
    float* outputs[2] = {out[0].data (), out[1].data ()};

    const int turns = static_cast<int> (seconds * 2.0);
    for (int t = 0; t < turns; ++t)
        for (auto& c : contenders)
            for (int f = 0; f < turn; f += block)
            {
                const float* inputs[2] = {in[0].data () + f, in[1].data () + f};
                const double start = cpuSeconds ();
                c->process (inputs, outputs, block);
                c->cpu += cpuSeconds () - start;
            }

    const double audio = static_cast<double> (turns) * turn / kRate;
    std::printf ("block %d, %.0f s of audio each%s%s\n", block, audio, preset.empty () ? "" : ", preset ",
                 preset.c_str ());
    for (auto& c : contenders)
        std::printf ("%-28s %8.3f ms CPU per s of audio  %7.1f x real time  %6.3f x the first\n", c->name ().c_str (),
                     1000.0 * c->cpu / audio, audio / c->cpu, c->cpu / contenders.front ()->cpu);
    contenders.clear ();
    lilv_world_free (world);
    return 0;
}
