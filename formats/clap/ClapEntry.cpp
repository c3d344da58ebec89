// The exported clap_entry: the plug-in factory and the preset-discovery
// factory that lists the factory presets for hosts' browsers.
#include "formats/clap/ClapPlugin.h"

#if MORLAKE_WITH_EDITOR
#include "editor/EditorFactory.h"
#endif

#include "presets/FactoryNames.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

using namespace morlake;

namespace {

#if MORLAKE_WITH_EDITOR
constexpr ClapEditorFactory kEditorFactory = createEditor;
#else
constexpr ClapEditorFactory kEditorFactory = nullptr;
#endif

const clap_plugin_factory_t PLUGIN_FACTORY = {
    [] (const clap_plugin_factory_t*) -> std::uint32_t { return 1; },
    [] (const clap_plugin_factory_t*, std::uint32_t index) -> const clap_plugin_descriptor_t* {
        return index == 0 ? &kClapDescriptor : nullptr;
    },
    [] (const clap_plugin_factory_t*, const clap_host_t* host, const char* id) -> const clap_plugin_t* {
        if (host == nullptr || id == nullptr || std::strcmp (id, kClapDescriptor.id) != 0 ||
            ! clap_version_is_compatible (host->clap_version))
            return nullptr;
        auto* plugin = new (std::nothrow) ClapPlugin (host, kEditorFactory);
        return plugin != nullptr ? plugin->clapPlugin () : nullptr;
    },
};

// Preset discovery: one location inside the plug-in, the 57 presets keyed by index.
const clap_preset_discovery_provider_descriptor_t PROVIDER_DESCRIPTOR = {
    CLAP_VERSION_INIT, "com.aldermoor.morlake.factory-presets", "Morlake factory presets", "Aldermoor"};

struct Provider
{
    clap_preset_discovery_provider_t provider;
    const clap_preset_discovery_indexer_t* indexer;
};

bool providerInit (const clap_preset_discovery_provider_t* p)
{
    const auto* self = static_cast<const Provider*> (p->provider_data);
    const clap_preset_discovery_location_t location = {CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, "Morlake factory",
                                                       CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
    return self->indexer->declare_location (self->indexer, &location);
}

bool providerMetadata (const clap_preset_discovery_provider_t*, std::uint32_t kind, const char* location,
                       const clap_preset_discovery_metadata_receiver_t* receiver)
{
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location != nullptr || receiver == nullptr)
        return false;
    const clap_universal_plugin_id_t pluginId = {"clap", kClapDescriptor.id};
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        char key[8];
        std::snprintf (key, sizeof key, "%d", i);
        const std::string name (FACTORY_PRESET_NAMES_STR[static_cast<std::size_t> (i)]);
        if (! receiver->begin_preset (receiver, name.c_str (), key))
            return true;
        receiver->add_plugin_id (receiver, &pluginId);
        receiver->set_flags (receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
    }
    return true;
}

const clap_preset_discovery_factory_t PRESET_FACTORY = {
    [] (const clap_preset_discovery_factory_t*) -> std::uint32_t { return 1; },
    [] (const clap_preset_discovery_factory_t*, std::uint32_t index)
        -> const clap_preset_discovery_provider_descriptor_t* { return index == 0 ? &PROVIDER_DESCRIPTOR : nullptr; },
    [] (const clap_preset_discovery_factory_t*, const clap_preset_discovery_indexer_t* indexer,
        const char* id) -> const clap_preset_discovery_provider_t* {
        if (indexer == nullptr || id == nullptr || std::strcmp (id, PROVIDER_DESCRIPTOR.id) != 0)
            return nullptr;
        auto* self = new (std::nothrow) Provider {};
        if (self == nullptr)
            return nullptr;
        self->indexer = indexer;
        self->provider.desc = &PROVIDER_DESCRIPTOR;
        self->provider.provider_data = self;
        self->provider.init = providerInit;
        self->provider.destroy = [] (const clap_preset_discovery_provider_t* p) {
            delete static_cast<Provider*> (p->provider_data);
        };
        self->provider.get_metadata = providerMetadata;
        self->provider.get_extension = [] (const clap_preset_discovery_provider_t*, const char*) -> const void* {
            return nullptr;
        };
        return &self->provider;
    },
};

} // namespace

extern "C" {

__attribute__ ((visibility ("default"))) extern const clap_plugin_entry_t clap_entry;
const clap_plugin_entry_t clap_entry = {
    CLAP_VERSION_INIT,
    [] (const char*) { return true; },
    [] () {},
    [] (const char* id) -> const void* {
        if (id == nullptr)
            return nullptr;
        if (std::strcmp (id, CLAP_PLUGIN_FACTORY_ID) == 0)
            return &PLUGIN_FACTORY;
        if (std::strcmp (id, CLAP_PRESET_DISCOVERY_FACTORY_ID) == 0 ||
            std::strcmp (id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) == 0)
            return &PRESET_FACTORY;
        return nullptr;
    },
};

} // extern "C"
