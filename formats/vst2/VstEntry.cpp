// Entry points of the shared object VST 2.4 hosts load.
#include "formats/vst2/VstPlugin.h"

#if MORLAKE_WITH_EDITOR
#include "editor/EditorFactory.h"
#endif

#include <new>

using namespace morlake;

namespace morlake {

AudioEffectX* createEffectInstance (vst::HostCallback audioMaster)
{
#if MORLAKE_WITH_EDITOR
    return new (std::nothrow) VstPlugin (audioMaster, createEditor);
#else
    return new (std::nothrow) VstPlugin (audioMaster);
#endif
}

} // namespace morlake

namespace {

vst::AEffect* entry (vst::HostCallback audioMaster)
{
    if (audioMaster == nullptr || audioMaster (nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    AudioEffectX* effect = createEffectInstance (audioMaster);
    return effect != nullptr ? effect->getAeffect () : nullptr;
}

} // namespace

extern "C" {

__attribute__ ((visibility ("default"))) vst::AEffect* VSTPluginMain (vst::HostCallback audioMaster)
{
    return entry (audioMaster);
}

// Older name of the same entry point.
__attribute__ ((visibility ("default"))) vst::AEffect* main_macho (vst::HostCallback audioMaster)
{
    return entry (audioMaster);
}

} // extern "C"
