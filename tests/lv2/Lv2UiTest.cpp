// The LV2 UI of the built module in a plain host window on a private X
// server, with and without instance-access: it opens into the host's
// window, and a drag on the ROOM SIZE knob comes back as a write to the
// knob's control port (and, with instance-access, reaches the instance).
#include "formats/lv2/Lv2Plugin.h"
#include "tests/editor/EditorTestSupport.h"
#include "tools/harness/HostWindow.h"

#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>
#include <xcb/xcb.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

using namespace morlake;
using namespace morlake::lv2;

namespace {

struct Write
{
    std::uint32_t port;
    float value;
};

std::map<std::string, LV2_URID>& ids ()
{
    static std::map<std::string, LV2_URID> table;
    return table;
}

LV2_URID mapUri (LV2_URID_Map_Handle, const char* uri)
{
    auto [it, added] = ids ().emplace (uri, static_cast<LV2_URID> (ids ().size () + 1));
    return it->second;
}

void writeFunction (LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                    const void* buffer)
{
    if (format != 0 || size != sizeof (float))
        return;
    float value;
    std::memcpy (&value, buffer, sizeof value);
    static_cast<std::vector<Write>*> (controller)->push_back ({port, value});
}

void send (const HostWindow& window, std::uint8_t type, int x, int y, std::uint16_t state)
{
    xcb_button_press_event_t event {};
    event.response_type = type;
    event.detail = type == XCB_MOTION_NOTIFY ? 0 : 1;
    event.event = window.child ();
    event.event_x = static_cast<std::int16_t> (x);
    event.event_y = static_cast<std::int16_t> (y);
    event.state = state;
    event.same_screen = 1;
    const std::uint32_t mask = type == XCB_BUTTON_PRESS ? XCB_EVENT_MASK_BUTTON_PRESS
                               : type == XCB_BUTTON_RELEASE
                                   ? XCB_EVENT_MASK_BUTTON_RELEASE
                                   : XCB_EVENT_MASK_BUTTON_MOTION | XCB_EVENT_MASK_POINTER_MOTION;
    xcb_send_event (window.connection (), 0, window.child (), mask, reinterpret_cast<const char*> (&event));
    xcb_flush (window.connection ());
}

struct Module
{
    void* handle = dlopen (MORLAKE_LV2_MODULE, RTLD_NOW | RTLD_LOCAL);
    ~Module ()
    {
        if (handle != nullptr)
            dlclose (handle);
    }
    template <typename T>
    T symbol (const char* name) const
    {
        return handle != nullptr ? reinterpret_cast<T> (dlsym (handle, name)) : nullptr;
    }
};

TEST (Lv2Ui, OpensAndADragBecomesAPortWriteWithAndWithoutInstanceAccess)
{
    if (! test::XServerEnvironment::available ())
        GTEST_SKIP () << "no X server";
    Module module;
    ASSERT_NE (module.handle, nullptr) << dlerror ();
    const auto plugin = module.symbol<const LV2_Descriptor* (*)(std::uint32_t)> ("lv2_descriptor");
    const auto ui = module.symbol<const LV2UI_Descriptor* (*)(std::uint32_t)> ("lv2ui_descriptor");
    ASSERT_TRUE (plugin != nullptr && ui != nullptr);
    const LV2_Descriptor* dsp = plugin (0);
    const LV2UI_Descriptor* view = ui (0);
    ASSERT_TRUE (dsp != nullptr && view != nullptr);
    ASSERT_STREQ (view->URI, kUiUri);

    const ParameterTable table;
    const std::vector<int> tags = controlPortTags (table);
    const auto roomPort = static_cast<std::uint32_t> (
        kFirstControlPort + (std::find (tags.begin (), tags.end (), tag::ReverbRoomSize) - tags.begin ()));

    for (const bool instanceAccess : {true, false})
    {
        SCOPED_TRACE (instanceAccess ? "instance-access" : "ports only");
        LV2_URID_Map map {nullptr, mapUri};
        LV2_Feature mapFeature {LV2_URID__map, &map};
        const LV2_Feature* dspFeatures[] = {&mapFeature, nullptr};
        LV2_Handle instance = dsp->instantiate (dsp, 48000.0, "", dspFeatures);
        ASSERT_NE (instance, nullptr);
        const float before = static_cast<Lv2Plugin*> (instance)->instance ().getParameter (tag::ReverbRoomSize);

        HostWindow window (1100, 712, "Morlake LV2 UI test");
        ASSERT_TRUE (window.valid ());
        LV2_Feature parent {LV2_UI__parent, window.parent ()};
        LV2_Feature access {LV2_INSTANCE_ACCESS_URI, instance};
        const LV2_Feature* withAccess[] = {&parent, &access, nullptr};
        const LV2_Feature* withoutAccess[] = {&parent, nullptr};
        std::vector<Write> writes;
        LV2UI_Widget widget = nullptr;
        LV2UI_Handle handle = view->instantiate (view, kPluginUri, "", writeFunction, &writes, &widget,
                                                 instanceAccess ? withAccess : withoutAccess);
        ASSERT_NE (handle, nullptr);
        EXPECT_EQ (reinterpret_cast<std::uintptr_t> (widget), window.child ());
        const auto* idle = static_cast<const LV2UI_Idle_Interface*> (view->extension_data (LV2_UI__idleInterface));
        ASSERT_NE (idle, nullptr);
        auto idleFor = [&] (int ms) {
            for (int t = 0; t < ms; t += 10)
            {
                idle->idle (handle);
                std::this_thread::sleep_for (std::chrono::milliseconds (10));
            }
        };
        // The host tells the UI where the knob stands.
        const float port = toPortValue (table, tag::ReverbRoomSize, before);
        view->port_event (handle, roomPort, sizeof port, 0, &port);
        idleFor (500);
        EXPECT_TRUE (window.childViewable ());

        window.click (900, 680); // away from the welcome page, when shown
        idleFor (300);
        send (window, XCB_BUTTON_PRESS, 560, 190, 0);
        for (int dy = 4; dy <= 80; dy += 4)
        {
            send (window, XCB_MOTION_NOTIFY, 560, 190 - dy, XCB_BUTTON_MASK_1);
            idleFor (20);
        }
        send (window, XCB_BUTTON_RELEASE, 560, 110, XCB_BUTTON_MASK_1);
        idleFor (300);

        bool raised = false;
        for (const Write& w : writes)
            raised = raised || (w.port == roomPort && w.value > port);
        EXPECT_TRUE (raised) << writes.size () << " writes";
        if (instanceAccess)
        {
            EXPECT_GT (static_cast<Lv2Plugin*> (instance)->instance ().getParameter (tag::ReverbRoomSize), before);
        }

        view->cleanup (handle);
        dsp->cleanup (instance);
    }
}

} // namespace
