// Morlake.clap's editor in a plain X11 window under Xvfb, driven only by the
// host's timer and descriptor calls, as a CLAP host drives it.
#include "tests/editor/EditorTestSupport.h"
#include "tools/harness/ClapHostedPlugin.h"
#include "tools/harness/HostWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace morlake {
namespace {

TEST (ClapGui, EmbedsInTheHostsWindowAndRunsFromItsTimerAndDescriptor)
{
    REQUIRE_X ();
    std::string error;
    auto p = ClapHostedPlugin::load (MORLAKE_CLAP, error);
    ASSERT_TRUE (p) << error;
    const auto* gui = static_cast<const clap_plugin_gui_t*> (p->extension (CLAP_EXT_GUI));
    ASSERT_NE (gui, nullptr);
    ASSERT_NE (p->extension (CLAP_EXT_TIMER_SUPPORT), nullptr);
    ASSERT_NE (p->extension (CLAP_EXT_POSIX_FD_SUPPORT), nullptr);
    EXPECT_TRUE (gui->is_api_supported (p->plugin (), CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE (gui->is_api_supported (p->plugin (), CLAP_WINDOW_API_X11, true)) << "no floating window";
    EXPECT_FALSE (gui->is_api_supported (p->plugin (), CLAP_WINDOW_API_WAYLAND, false));
    ASSERT_TRUE (gui->create (p->plugin (), CLAP_WINDOW_API_X11, false));
    std::uint32_t width = 0, height = 0;
    ASSERT_TRUE (gui->get_size (p->plugin (), &width, &height));
    EXPECT_GT (width, 100u);
    EXPECT_GT (height, 100u);

    HostWindow window (static_cast<int> (width), static_cast<int> (height), "clap gui test");
    ASSERT_TRUE (window.valid ());
    clap_window_t parent {};
    parent.api = CLAP_WINDOW_API_X11;
    parent.x11 = window.id ();
    ASSERT_TRUE (gui->set_parent (p->plugin (), &parent));
    ASSERT_TRUE (gui->show (p->plugin ()));
    ASSERT_EQ (p->timers ().size (), 1u) << "the editor asks for the host's timer";
    EXPECT_EQ (p->watchedFds ().size (), 1u) << "and for its X connection to be watched";

    // Only the host's calls run the editor: no loop of its own.
    bool viewable = false;
    for (int i = 0; i < 150 && ! viewable; ++i)
    {
        p->fireFds ();
        p->fireTimers ();
        viewable = window.child () != 0 && window.childViewable ();
        std::this_thread::sleep_for (std::chrono::milliseconds (20));
    }
    EXPECT_TRUE (viewable);

    gui->destroy (p->plugin ());
    EXPECT_TRUE (p->timers ().empty ());
    EXPECT_TRUE (p->watchedFds ().empty ());
}

} // namespace
} // namespace morlake
