// morlake-host --editor: opens the plug-in's editor in a plain X11 window of
// our own, the way hosts without XEmbed do (a parent window and nothing
// else), idles it like a host and can save a screenshot.
#include "tools/host/HostModes.h"
#include "tools/harness/HostWindow.h"
#include "tools/harness/HostedPlugin.h"

#include <cairo/cairo.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace morlake {

namespace {

// CPU time of the calling thread: what an idle call costs, whatever else
// the machine is doing.
double threadCpuMs ()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double> (t.tv_sec) * 1000.0 + static_cast<double> (t.tv_nsec) / 1.0e6;
}

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

bool savePng (const HostWindow& window, const std::string& path)
{
    std::vector<std::uint32_t> pixels;
    if (! window.capture (pixels))
        return false;
    cairo_surface_t* surface = cairo_image_surface_create (CAIRO_FORMAT_RGB24, window.width (), window.height ());
    cairo_surface_flush (surface);
    std::uint8_t* target = cairo_image_surface_get_data (surface);
    const int targetStride = cairo_image_surface_get_stride (surface);
    for (int y = 0; y < window.height (); ++y)
        std::memcpy (target + y * targetStride, pixels.data () + static_cast<std::size_t> (y * window.width ()),
                     static_cast<std::size_t> (window.width ()) * 4);
    cairo_surface_mark_dirty (surface);
    const bool ok = cairo_surface_write_to_png (surface, path.c_str ()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy (surface);
    return ok;
}

// The host's window and the plug-in whose editor it holds; closes whatever
// was opened, in order, when it goes.
struct EditorSession
{
    std::filesystem::path privateSettings;
    std::unique_ptr<HostedPlugin> plugin;
    std::unique_ptr<HostWindow> window;
    bool editorOpen = false;

    ~EditorSession ()
    {
        if (editorOpen)
            plugin->dispatch (vst::effEditClose);
        window.reset ();
        if (plugin)
            plugin->close ();
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

    std::string error;
    s.plugin = HostedPlugin::load (options.pluginPath, config, error);
    if (! s.plugin)
        return fail (error.c_str ());
    s.plugin->open ();
    if ((s.plugin->flags () & vst::effFlagsHasEditor) == 0)
        return fail ("the plug-in has no editor");

    vst::ERect* rect = nullptr;
    s.plugin->dispatch (vst::effEditGetRect, 0, 0, &rect);
    const int width = rect != nullptr ? rect->right - rect->left : 0;
    const int height = rect != nullptr ? rect->bottom - rect->top : 0;
    if (width <= 0 || height <= 0)
        return fail ("the editor reports no size");
    s.window = std::make_unique<HostWindow> (width, height, "Morlake");
    if (! s.window->valid ())
        return fail ("cannot open the X display (is DISPLAY set?)");

    const auto opened = std::chrono::steady_clock::now ();
    s.editorOpen = s.plugin->dispatch (vst::effEditOpen, 0, 0, s.window->parent ()) != 0;
    const double openMs =
        std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now () - opened).count ();
    if (! s.editorOpen)
        return fail ("the editor did not open");
    std::printf ("editor %d x %d opened in %.1f ms\n", width, height, openMs);
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
    double steadyMsLongest = 0.0;
    double steadyCpuMsTotal = 0.0;
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
            s.window->click (options.clickX, options.clickY);
        const auto before = std::chrono::steady_clock::now ();
        const double cpuBefore = threadCpuMs ();
        s.plugin->dispatch (vst::effEditIdle);
        const double idleMs =
            std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now () - before).count ();
        const double idleCpuMs = threadCpuMs () - cpuBefore;
        idleMsTotal += idleMs;
        // Opening and the first full draws are over after two seconds.
        if (passes >= kSettlePasses)
        {
            steadyMsTotal += idleMs;
            steadyCpuMsTotal += idleCpuMs;
            steadyMsLongest = std::max (steadyMsLongest, idleMs);
        }
        ++passes;

        while (xcb_generic_event_t* event = xcb_poll_for_event (s.window->connection ()))
        {
            if ((event->response_type & ~0x80) == XCB_DESTROY_NOTIFY)
                stopRequested = 1;
            std::free (event);
        }
        if (xcb_connection_has_error (s.window->connection ()))
            break;
        if (! options.screenshotPath.empty () &&
            passes >= options.screenshotAfterPasses + (options.clickX >= 0 ? 5 : 0))
        {
            if (savePng (*s.window, options.screenshotPath))
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
        std::printf (", %.3f ms after the first two seconds (longest %.3f ms, CPU %.3f ms)",
                     steadyMsTotal / (passes - kSettlePasses), steadyMsLongest,
                     steadyCpuMsTotal / (passes - kSettlePasses));
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
