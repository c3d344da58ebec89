// morlake-host --editor: opens the plug-in's editor in a plain X11 window of
// our own, the way hosts without XEmbed do (a parent window and nothing
// else), idles it like a host and can save a screenshot.
#include "tools/host/HostModes.h"
#include "tools/harness/HostedPlugin.h"

#include <cairo/cairo.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace morlake {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal (int) { stopRequested = 1; }

// The screen size is a per-user setting read when the editor is built; a
// private settings folder keeps --size from changing the user's own.
bool usePrivateSettings (int sizeIndex, std::filesystem::path& folder)
{
    char pattern[] = "/tmp/morlake-host-XXXXXX";
    if (mkdtemp (pattern) == nullptr)
        return false;
    folder = pattern;
    const auto prefs = folder / "Aldermoor" / "Morlake";
    std::filesystem::create_directories (prefs);
    std::ofstream file (prefs / "preferences.txt");
    const char* keys[4] = {"Big100", "Big125", "Big150", "Big200"};
    for (int i = 0; i < 4; ++i)
        file << keys[i] << "=\"" << (i == sizeIndex ? 'Y' : 'N') << "\"\n";
    file.close ();
    setenv ("XDG_CONFIG_HOME", folder.c_str (), 1);
    return static_cast<bool> (file);
}

bool savePng (xcb_connection_t* connection, xcb_window_t window, int width, int height, const std::string& path)
{
    auto cookie = xcb_get_image (connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, static_cast<uint16_t> (width),
                                 static_cast<uint16_t> (height), ~0u);
    xcb_get_image_reply_t* reply = xcb_get_image_reply (connection, cookie, nullptr);
    if (reply == nullptr)
        return false;
    const uint8_t* data = xcb_get_image_data (reply);
    const int length = xcb_get_image_data_length (reply);
    bool ok = false;
    if (reply->depth >= 24 && length >= width * height * 4)
    {
        const int stride = length / height;
        cairo_surface_t* surface = cairo_image_surface_create (CAIRO_FORMAT_RGB24, width, height);
        cairo_surface_flush (surface);
        uint8_t* target = cairo_image_surface_get_data (surface);
        const int targetStride = cairo_image_surface_get_stride (surface);
        for (int y = 0; y < height; ++y)
            std::memcpy (target + y * targetStride, data + y * stride, static_cast<std::size_t> (width) * 4);
        cairo_surface_mark_dirty (surface);
        ok = cairo_surface_write_to_png (surface, path.c_str ()) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy (surface);
    }
    std::free (reply);
    return ok;
}

// Hosts route input to the editor's own window, the child of ours.
void sendClick (xcb_connection_t* connection, xcb_window_t parent, int x, int y)
{
    auto* tree = xcb_query_tree_reply (connection, xcb_query_tree (connection, parent), nullptr);
    if (tree == nullptr)
        return;
    if (xcb_query_tree_children_length (tree) > 0)
    {
        const xcb_window_t child = xcb_query_tree_children (tree)[0];
        for (const uint8_t type : {XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE})
        {
            xcb_button_press_event_t event {};
            event.response_type = type;
            event.detail = 1;
            event.root = 0;
            event.event = child;
            event.child = XCB_NONE;
            event.event_x = static_cast<int16_t> (x);
            event.event_y = static_cast<int16_t> (y);
            event.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
            event.same_screen = 1;
            event.time = XCB_CURRENT_TIME;
            const uint32_t mask = type == XCB_BUTTON_PRESS ? XCB_EVENT_MASK_BUTTON_PRESS : XCB_EVENT_MASK_BUTTON_RELEASE;
            xcb_send_event (connection, 0, child, mask, reinterpret_cast<const char*> (&event));
        }
        xcb_flush (connection);
    }
    std::free (tree);
}

} // namespace

int runEditor (const HostOptions& options)
{
    std::filesystem::path privateSettings;
    if (options.editorSize >= 0 && ! usePrivateSettings (options.editorSize, privateSettings))
    {
        std::fprintf (stderr, "morlake-host: error: cannot prepare settings for --size\n");
        return 1;
    }
    auto cleanup = [&] {
        if (! privateSettings.empty ())
            std::filesystem::remove_all (privateSettings);
    };

    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect (nullptr, &screenNumber);
    if (connection == nullptr || xcb_connection_has_error (connection))
    {
        std::fprintf (stderr, "morlake-host: error: cannot open the X display (is DISPLAY set?)\n");
        if (connection != nullptr)
            xcb_disconnect (connection);
        cleanup ();
        return 1;
    }
    auto roots = xcb_setup_roots_iterator (xcb_get_setup (connection));
    for (int i = 0; i < screenNumber && roots.rem; ++i)
        xcb_screen_next (&roots);
    xcb_screen_t* screen = roots.data;

    HostConfig config;
    config.productString = options.hostProduct;
    config.vendorString = options.hostVendor;
    std::string error;
    auto plugin = HostedPlugin::load (options.pluginPath, config, error);
    if (! plugin)
    {
        std::fprintf (stderr, "morlake-host: error: %s\n", error.c_str ());
        xcb_disconnect (connection);
        cleanup ();
        return 1;
    }
    plugin->open ();
    if ((plugin->flags () & vst::effFlagsHasEditor) == 0)
    {
        std::fprintf (stderr, "morlake-host: error: the plug-in has no editor\n");
        plugin->close ();
        xcb_disconnect (connection);
        cleanup ();
        return 1;
    }

    vst::ERect* rect = nullptr;
    plugin->dispatch (vst::effEditGetRect, 0, 0, &rect);
    const int width = rect != nullptr ? rect->right - rect->left : 0;
    const int height = rect != nullptr ? rect->bottom - rect->top : 0;
    if (width <= 0 || height <= 0)
    {
        std::fprintf (stderr, "morlake-host: error: the editor reports no size\n");
        plugin->close ();
        xcb_disconnect (connection);
        cleanup ();
        return 1;
    }

    const xcb_window_t window = xcb_generate_id (connection);
    const uint32_t values[2] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window (connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, static_cast<uint16_t> (width),
                       static_cast<uint16_t> (height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                       XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const char title[] = "Morlake";
    xcb_change_property (connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                         sizeof title - 1, title);
    xcb_map_window (connection, window);
    xcb_flush (connection);

    const auto opened = std::chrono::steady_clock::now ();
    const bool editorOpened = plugin->dispatch (vst::effEditOpen, 0, 0, reinterpret_cast<void*> (static_cast<uintptr_t> (window))) != 0;
    const double openMs = std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now () - opened).count ();
    if (! editorOpened)
    {
        std::fprintf (stderr, "morlake-host: error: the editor did not open\n");
        xcb_destroy_window (connection, window);
        plugin->close ();
        xcb_disconnect (connection);
        cleanup ();
        return 1;
    }
    std::printf ("editor %d x %d opened in %.1f ms\n", width, height, openMs);

    std::signal (SIGINT, onSignal);
    std::signal (SIGTERM, onSignal);

    // A quiet test tone keeps the meters and modulation moving.
    const int frames = static_cast<int> (config.sampleRate * options.idlePeriodMs / 1000.0);
    std::vector<float> left (static_cast<std::size_t> (frames)), right (left.size ()), outL (left.size ()), outR (left.size ());
    const float* inputs[2] = {left.data (), right.data ()};
    float* outputs[2] = {outL.data (), outR.data ()};
    double phase = 0.0;

    int passes = 0;
    double idleMsTotal = 0.0;
    int status = 0;
    while (! stopRequested)
    {
        for (int i = 0; i < frames; ++i)
        {
            left[static_cast<std::size_t> (i)] = right[static_cast<std::size_t> (i)] = 0.25f * static_cast<float> (std::sin (phase));
            phase += 2.0 * 3.141592653589793 * 220.0 / config.sampleRate;
        }
        plugin->processBlock (inputs, 2, outputs, frames);

        if (passes == 5 && options.clickX >= 0)
            sendClick (connection, window, options.clickX, options.clickY);
        const auto before = std::chrono::steady_clock::now ();
        plugin->dispatch (vst::effEditIdle);
        idleMsTotal += std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now () - before).count ();
        ++passes;

        while (xcb_generic_event_t* event = xcb_poll_for_event (connection))
        {
            if ((event->response_type & ~0x80) == XCB_DESTROY_NOTIFY)
                stopRequested = 1;
            std::free (event);
        }
        if (xcb_connection_has_error (connection))
            break;
        if (! options.screenshotPath.empty () && passes >= options.screenshotAfterPasses + (options.clickX >= 0 ? 5 : 0))
        {
            if (savePng (connection, window, width, height, options.screenshotPath))
                std::printf ("screenshot %s\n", options.screenshotPath.c_str ());
            else
            {
                std::fprintf (stderr, "morlake-host: error: cannot write %s\n", options.screenshotPath.c_str ());
                status = 1;
            }
            break;
        }
        std::this_thread::sleep_for (std::chrono::milliseconds (options.idlePeriodMs));
    }
    std::printf ("%d idle calls, %.3f ms each on average\n", passes, passes > 0 ? idleMsTotal / passes : 0.0);

    plugin->dispatch (vst::effEditClose);
    xcb_destroy_window (connection, window);
    xcb_flush (connection);
    plugin->close ();
    xcb_disconnect (connection);
    cleanup ();
    return status;
}

} // namespace morlake
