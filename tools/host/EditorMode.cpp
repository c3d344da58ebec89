// morlake-host --editor: opens the plug-in's editor in a plain X11 window of
// our own, the way hosts without XEmbed do (a parent window and nothing
// else), idles it like a host and can save a screenshot.
#include "tools/host/HostModes.h"
#include "tools/harness/HostedPlugin.h"

#include <cairo/cairo.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace morlake {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

// The idle loop ends on the flag; if the plug-in holds the thread in a modal
// loop of its own, the alarm ends the process two seconds later.
void onSignal (int)
{
    stopRequested = 1;
    alarm (2);
}

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

// The X connection, the host's window and the plug-in whose editor it holds;
// closes whatever was opened, in order, when it goes.
struct EditorSession
{
    std::filesystem::path privateSettings;
    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_window_t window = 0;
    std::unique_ptr<HostedPlugin> plugin;
    bool editorOpen = false;
    int width = 0, height = 0;

    ~EditorSession ()
    {
        if (editorOpen)
            plugin->dispatch (vst::effEditClose);
        if (window != 0)
        {
            xcb_destroy_window (connection, window);
            xcb_flush (connection);
        }
        if (plugin)
            plugin->close ();
        if (connection != nullptr)
            xcb_disconnect (connection);
        if (! privateSettings.empty ())
            std::filesystem::remove_all (privateSettings);
    }
};

int fail (const char* message)
{
    std::fprintf (stderr, "morlake-host: error: %s\n", message);
    return 1;
}

// Connects to the display, loads the plug-in and opens its editor in a
// window of its own; 0, or the exit status of a failure.
int openEditor (const HostOptions& options, const HostConfig& config, EditorSession& s)
{
    if (options.editorSize >= 0 && ! usePrivateSettings (options.editorSize, s.privateSettings))
        return fail ("cannot prepare settings for --size");

    int screenNumber = 0;
    s.connection = xcb_connect (nullptr, &screenNumber);
    if (s.connection == nullptr || xcb_connection_has_error (s.connection))
        return fail ("cannot open the X display (is DISPLAY set?)");
    auto roots = xcb_setup_roots_iterator (xcb_get_setup (s.connection));
    for (int i = 0; i < screenNumber && roots.rem; ++i)
        xcb_screen_next (&roots);
    s.screen = roots.data;

    std::string error;
    s.plugin = HostedPlugin::load (options.pluginPath, config, error);
    if (! s.plugin)
        return fail (error.c_str ());
    s.plugin->open ();
    if ((s.plugin->flags () & vst::effFlagsHasEditor) == 0)
        return fail ("the plug-in has no editor");

    vst::ERect* rect = nullptr;
    s.plugin->dispatch (vst::effEditGetRect, 0, 0, &rect);
    s.width = rect != nullptr ? rect->right - rect->left : 0;
    s.height = rect != nullptr ? rect->bottom - rect->top : 0;
    if (s.width <= 0 || s.height <= 0)
        return fail ("the editor reports no size");

    s.window = xcb_generate_id (s.connection);
    const uint32_t values[2] = {s.screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window (s.connection, XCB_COPY_FROM_PARENT, s.window, s.screen->root, 0, 0,
                       static_cast<uint16_t> (s.width), static_cast<uint16_t> (s.height), 0,
                       XCB_WINDOW_CLASS_INPUT_OUTPUT, s.screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                       values);
    const char title[] = "Morlake";
    xcb_change_property (s.connection, XCB_PROP_MODE_REPLACE, s.window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                         sizeof title - 1, title);
    xcb_map_window (s.connection, s.window);
    xcb_flush (s.connection);

    const auto opened = std::chrono::steady_clock::now ();
    s.editorOpen = s.plugin->dispatch (vst::effEditOpen, 0, 0,
                                       reinterpret_cast<void*> (static_cast<uintptr_t> (s.window))) != 0;
    const double openMs = std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now () - opened).count ();
    if (! s.editorOpen)
        return fail ("the editor did not open");
    std::printf ("editor %d x %d opened in %.1f ms\n", s.width, s.height, openMs);
    return 0;
}

// Plays a quiet test tone and idles the editor like a host until the window
// closes, a signal comes or the screenshot is taken.
int idleEditor (const HostOptions& options, double sampleRate, EditorSession& s)
{
    // A quiet test tone keeps the meters and modulation moving.
    const int frames = static_cast<int> (sampleRate * options.idlePeriodMs / 1000.0);
    std::vector<float> left (static_cast<std::size_t> (frames)), right (left.size ()), outL (left.size ()),
        outR (left.size ());
    const float* inputs[2] = {left.data (), right.data ()};
    float* outputs[2] = {outL.data (), outR.data ()};
    double phase = 0.0;

    int passes = 0;
    double idleMsTotal = 0.0;
    double steadyMsTotal = 0.0;
    const int kSettlePasses = 2000 / std::max (1, options.idlePeriodMs);
    int status = 0;
    while (! stopRequested)
    {
        for (int i = 0; i < frames; ++i)
        {
            left[static_cast<std::size_t> (i)] = right[static_cast<std::size_t> (i)] =
                0.25f * static_cast<float> (std::sin (phase));
            phase += 2.0 * 3.141592653589793 * 220.0 / sampleRate;
        }
        s.plugin->processBlock (inputs, 2, outputs, frames);

        if (passes == 5 && options.clickX >= 0)
            sendClick (s.connection, s.window, options.clickX, options.clickY);
        const auto before = std::chrono::steady_clock::now ();
        s.plugin->dispatch (vst::effEditIdle);
        const double idleMs = std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now () - before).count ();
        idleMsTotal += idleMs;
        // Opening and the first full draws are over after two seconds.
        if (passes >= kSettlePasses)
            steadyMsTotal += idleMs;
        ++passes;

        while (xcb_generic_event_t* event = xcb_poll_for_event (s.connection))
        {
            if ((event->response_type & ~0x80) == XCB_DESTROY_NOTIFY)
                stopRequested = 1;
            std::free (event);
        }
        if (xcb_connection_has_error (s.connection))
            break;
        if (! options.screenshotPath.empty () && passes >= options.screenshotAfterPasses + (options.clickX >= 0 ? 5 : 0))
        {
            if (savePng (s.connection, s.window, s.width, s.height, options.screenshotPath))
                std::printf ("screenshot %s\n", options.screenshotPath.c_str ());
            else
                status = fail (("cannot write " + options.screenshotPath).c_str ());
            break;
        }
        std::this_thread::sleep_for (std::chrono::milliseconds (options.idlePeriodMs));
    }
    alarm (0);
    std::printf ("%d idle calls, %.3f ms each on average", passes, passes > 0 ? idleMsTotal / passes : 0.0);
    if (passes > kSettlePasses)
        std::printf (", %.3f ms after the first two seconds", steadyMsTotal / (passes - kSettlePasses));
    std::printf ("\n");
    return status;
}

} // namespace

int runEditor (const HostOptions& options)
{
    HostConfig config;
    config.productString = options.hostProduct;
    config.vendorString = options.hostVendor;
    EditorSession session;
    if (const int status = openEditor (options, config, session); status != 0)
        return status;
    std::signal (SIGINT, onSignal);
    std::signal (SIGTERM, onSignal);
    return idleEditor (options, config.sampleRate, session);
}

} // namespace morlake
