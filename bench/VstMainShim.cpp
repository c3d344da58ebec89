// Gives a plug-in that only exports the old Linux entry point "main" the
// VSTPluginMain entry the harness looks for. The module to forward to is named
// by MORLAKE_BENCH_SHIM_TARGET; it stays loaded for the life of the process.
#include "formats/vst2/vst24.h"

#include <cstdlib>
#include <dlfcn.h>

namespace {

using EntryProc = vst::AEffect* (*)(vst::HostCallback);

EntryProc target ()
{
    static EntryProc entry = [] () -> EntryProc {
        const char* path = std::getenv ("MORLAKE_BENCH_SHIM_TARGET");
        if (path == nullptr)
            return nullptr;
        void* module = dlopen (path, RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr)
            return nullptr;
        return reinterpret_cast<EntryProc> (dlsym (module, "main"));
    }();
    return entry;
}

} // namespace

extern "C" __attribute__ ((visibility ("default"))) vst::AEffect* VSTPluginMain (vst::HostCallback master)
{
    const EntryProc entry = target ();
    return entry != nullptr ? entry (master) : nullptr;
}
