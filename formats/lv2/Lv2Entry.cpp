// Entry points of Morlake.lv2/Morlake.so: the plug-in descriptor and, in
// builds with the editor, the UI descriptor (Lv2Ui.cpp).
#include "formats/lv2/Lv2Plugin.h"

#include <cstring>

using morlake::lv2::Lv2Plugin;

namespace {

Lv2Plugin* self (LV2_Handle handle) { return static_cast<Lv2Plugin*> (handle); }

LV2_Handle instantiate (const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    return Lv2Plugin::create (rate, features);
}

void connectPort (LV2_Handle handle, uint32_t port, void* data) { self (handle)->connect (port, data); }
void activate (LV2_Handle handle) { self (handle)->activate (); }
void run (LV2_Handle handle, uint32_t frames) { self (handle)->run (frames); }
void deactivate (LV2_Handle) {}
void cleanup (LV2_Handle handle) { delete self (handle); }

LV2_State_Status saveState (LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                            const LV2_Feature* const*)
{
    return self (handle)->save (store, state);
}

LV2_State_Status restoreState (LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state,
                               uint32_t, const LV2_Feature* const*)
{
    return self (handle)->restore (retrieve, state);
}

const void* extensionData (const char* uri)
{
    static const LV2_State_Interface state {saveState, restoreState};
    if (std::strcmp (uri, LV2_STATE__interface) == 0)
        return &state;
    return nullptr;
}

const LV2_Descriptor descriptor {
    morlake::lv2::kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData};

} // namespace

extern "C" __attribute__ ((visibility ("default"))) const LV2_Descriptor* lv2_descriptor (uint32_t index)
{
    return index == 0 ? &descriptor : nullptr;
}
