#include "tests/editor/EditorTestSupport.h"

#include "editor/SharedObject.h"
#include "platform/Preferences.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace morlake::test {

namespace {

pid_t serverPid = -1;
std::string serverDisplay;
std::string settings;

void syncWith (xcb_connection_t* c) { std::free (xcb_get_input_focus_reply (c, xcb_get_input_focus (c), nullptr)); }

} // namespace

void XServerEnvironment::SetUp ()
{
    char folder[] = "/tmp/morlake-editor-test-XXXXXX";
    if (mkdtemp (folder) != nullptr)
    {
        settings = folder;
        setenv ("XDG_CONFIG_HOME", folder, 1);
        setenv ("HOME", folder, 1);
    }
    setEditorResourceDirectory (MORLAKE_TEST_RESOURCES);

    int fds[2];
    if (pipe (fds) != 0)
        return;
    serverPid = fork ();
    if (serverPid == 0)
    {
        close (fds[0]);
        // The server dies with the test program, even when it crashes, and never
        // holds the test runner's output pipes open.
        prctl (PR_SET_PDEATHSIG, SIGTERM);
        const int null = open ("/dev/null", O_RDWR);
        if (null >= 0)
        {
            dup2 (null, STDIN_FILENO);
            dup2 (null, STDOUT_FILENO);
            dup2 (null, STDERR_FILENO);
        }
        const std::string fd = std::to_string (fds[1]);
        execlp ("Xvfb", "Xvfb", "-displayfd", fd.c_str (), "-screen", "0", "2400x1600x24", "-nolisten", "tcp",
                "-noreset", static_cast<char*> (nullptr));
        _exit (127);
    }
    close (fds[1]);
    std::string number;
    pollfd p {fds[0], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now () + std::chrono::seconds (20);
    while (std::chrono::steady_clock::now () < deadline)
    {
        if (poll (&p, 1, 100) > 0)
        {
            char c;
            const auto n = read (fds[0], &c, 1);
            if (n <= 0 || c == '\n')
                break;
            number += c;
        }
    }
    close (fds[0]);
    if (number.empty ())
    {
        if (serverPid > 0)
            kill (serverPid, SIGTERM);
        serverPid = -1;
        return;
    }
    serverDisplay = ":" + number;
    setenv ("DISPLAY", serverDisplay.c_str (), 1);
}

void XServerEnvironment::TearDown ()
{
    if (serverPid > 0)
    {
        kill (serverPid, SIGTERM);
        waitpid (serverPid, nullptr, 0);
        serverPid = -1;
    }
    if (! settings.empty ())
        std::filesystem::remove_all (settings);
}

bool XServerEnvironment::available () { return serverPid > 0 && ! serverDisplay.empty (); }

void setScreenSizePreference (int index)
{
    const char* keys[4] = {PREF_BIG_100, PREF_BIG_125, PREF_BIG_150, PREF_BIG_200};
    for (int i = 0; i < 4; ++i)
        saveBoolToPrefs (keys[i], i == index);
}

// Host window ------------------------------------------------------------------------

HostWindow::HostWindow (int width, int height) : w (width), h (height)
{
    int screenNumber = 0;
    xcb = xcb_connect (nullptr, &screenNumber);
    if (xcb_connection_has_error (xcb))
        return;
    xcb_screen_t* screen = xcb_setup_roots_iterator (xcb_get_setup (xcb)).data;
    window = xcb_generate_id (xcb);
    const uint32_t values[2] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window (xcb, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, static_cast<uint16_t> (w),
                       static_cast<uint16_t> (h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                       XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_map_window (xcb, window);
    xcb_flush (xcb);
    syncWith (xcb);
}

HostWindow::~HostWindow ()
{
    if (xcb != nullptr)
    {
        if (window != 0)
            xcb_destroy_window (xcb, window);
        xcb_flush (xcb);
        xcb_disconnect (xcb);
    }
}

void* HostWindow::parent () const { return reinterpret_cast<void*> (static_cast<uintptr_t> (window)); }

uint32_t HostWindow::child () const
{
    auto* tree = xcb_query_tree_reply (xcb, xcb_query_tree (xcb, window), nullptr);
    if (tree == nullptr)
        return 0;
    const uint32_t found = xcb_query_tree_children_length (tree) > 0 ? xcb_query_tree_children (tree)[0] : 0;
    std::free (tree);
    return found;
}

bool HostWindow::childViewable () const
{
    const uint32_t c = child ();
    if (c == 0)
        return false;
    auto* attributes = xcb_get_window_attributes_reply (xcb, xcb_get_window_attributes (xcb, c), nullptr);
    const bool viewable = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free (attributes);
    return viewable;
}

bool HostWindow::capture (std::vector<uint32_t>& pixels, int& width, int& height) const
{
    syncWith (xcb);
    auto* reply = xcb_get_image_reply (
        xcb, xcb_get_image (xcb, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, static_cast<uint16_t> (w), static_cast<uint16_t> (h), ~0u),
        nullptr);
    if (reply == nullptr)
        return false;
    const int length = xcb_get_image_data_length (reply);
    const bool ok = length >= w * h * 4;
    if (ok)
    {
        pixels.resize (static_cast<std::size_t> (w) * static_cast<std::size_t> (h));
        const int stride = length / h;
        for (int y = 0; y < h; ++y)
            std::memcpy (pixels.data () + static_cast<std::size_t> (y) * static_cast<std::size_t> (w),
                         xcb_get_image_data (reply) + y * stride, static_cast<std::size_t> (w) * 4);
        width = w;
        height = h;
    }
    std::free (reply);
    return ok;
}

// Plug-in -------------------------------------------------------------------------------

vst::intptr hostCallback (vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

EditorFixture::EditorFixture ()
{
    plugin = std::make_unique<APlugin> (hostCallback, createEditor);
    dispatch (vst::effOpen);
    dispatch (vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    dispatch (vst::effSetBlockSize, 0, 512);
    dispatch (vst::effMainsChanged, 0, 1);
}

EditorFixture::~EditorFixture ()
{
    close ();
    dispatch (vst::effMainsChanged, 0, 0);
    plugin.reset ();
}

vst::intptr EditorFixture::dispatch (vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt)
{
    return plugin->dispatcher (opcode, index, value, ptr, opt);
}

bool EditorFixture::open ()
{
    vst::ERect* rect = nullptr;
    if (dispatch (vst::effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr)
        return false;
    window = std::make_unique<HostWindow> (rect->right - rect->left, rect->bottom - rect->top);
    return dispatch (vst::effEditOpen, 0, 0, window->parent ()) != 0;
}

void EditorFixture::close ()
{
    if (plugin && plugin->getEditor () != nullptr && plugin->getEditor ()->isOpen ())
        dispatch (vst::effEditClose);
    window.reset ();
}

void EditorFixture::idleFor (int ms, int periodMs)
{
    const auto end = std::chrono::steady_clock::now () + std::chrono::milliseconds (ms);
    while (std::chrono::steady_clock::now () < end)
    {
        dispatch (vst::effEditIdle);
        std::this_thread::sleep_for (std::chrono::milliseconds (periodMs));
    }
}

bool EditorFixture::childShownWithin (int ms)
{
    const auto end = std::chrono::steady_clock::now () + std::chrono::milliseconds (ms);
    while (! window->childViewable ())
    {
        if (std::chrono::steady_clock::now () >= end)
            return false;
        dispatch (vst::effEditIdle);
        std::this_thread::sleep_for (std::chrono::milliseconds (10));
    }
    return true;
}

void EditorFixture::idlePass ()
{
    const uint64_t before = editor ().idlePasses ();
    const auto end = std::chrono::steady_clock::now () + std::chrono::seconds (3);
    while (editor ().idlePasses () == before && std::chrono::steady_clock::now () < end)
    {
        std::this_thread::sleep_for (std::chrono::milliseconds (5));
        dispatch (vst::effEditIdle);
    }
}

void EditorFixture::showMainScreen ()
{
    editor ().hideBackScreen ();
    idlePass ();
}

void EditorFixture::process (float level, int frames)
{
    std::vector<float> in (static_cast<std::size_t> (frames)), out0 (in.size ()), out1 (in.size ());
    for (int i = 0; i < frames; ++i)
        in[static_cast<std::size_t> (i)] = level * static_cast<float> (std::sin (0.05 * i));
    std::vector<float> silence (in.size (), 0.0f);
    float* inputs[4] = {in.data (), in.data (), silence.data (), silence.data ()};
    float* outputs[2] = {out0.data (), out1.data ()};
    plugin->processReplacing (inputs, outputs, frames);
}

void MainScreen::SetUp ()
{
    REQUIRE_X ();
    ASSERT_TRUE (f.open ());
    f.showMainScreen ();
}

TKnob* MainScreen::knob (int t) const
{
    for (int i = 0; i < 32; ++i)
        if (f.editor ().getMainKnob (i)->getTag () == t)
            return f.editor ().getMainKnob (i);
    return nullptr;
}

TOnOff* MainScreen::onOff (int t) const
{
    for (int i = 0; i < 20; ++i)
        if (f.editor ().getMainOnOff (i)->getTag () == t)
            return f.editor ().getMainOnOff (i);
    return nullptr;
}

} // namespace morlake::test
