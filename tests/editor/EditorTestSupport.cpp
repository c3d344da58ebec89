#include "tests/editor/EditorTestSupport.h"

#include "editor/SharedObject.h"
#include "platform/Desktop.h"
#include "platform/Preferences.h"

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

// Plug-in -------------------------------------------------------------------------------

std::vector<std::pair<int, int>>& hostGestures ()
{
    static std::vector<std::pair<int, int>> gestures;
    return gestures;
}

vst::intptr hostCallback (vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr, void*, float)
{
    if (opcode == vst::audioMasterBeginEdit || opcode == vst::audioMasterEndEdit)
        hostGestures ().emplace_back (opcode, index);
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

EditorFixture::EditorFixture ()
{
    plugin = std::make_unique<VstPlugin> (hostCallback, createEditor);
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
    const uint64_t before = EditorProbe (editor ()).idlePasses ();
    const auto end = std::chrono::steady_clock::now () + std::chrono::seconds (3);
    while (EditorProbe (editor ()).idlePasses () == before && std::chrono::steady_clock::now () < end)
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
        if (EditorProbe (f.editor ()).getMainKnob (i)->getTag () == t)
            return EditorProbe (f.editor ()).getMainKnob (i);
    return nullptr;
}

TOnOff* MainScreen::onOff (int t) const
{
    for (int i = 0; i < 20; ++i)
        if (EditorProbe (f.editor ()).getMainOnOff (i)->getTag () == t)
            return EditorProbe (f.editor ()).getMainOnOff (i);
    return nullptr;
}

bool xdo (const std::string& args)
{
    // Found once: tests change PATH to hide the desktop's programs.
    static const std::string xdotool = findProgram ("xdotool");
    return ! xdotool.empty () && std::system ((xdotool + " " + args + " >/dev/null 2>&1").c_str ()) == 0;
}

std::string pointerTo (const VSTGUI::CPoint& p)
{
    return "mousemove 1 1 mousemove --sync " + std::to_string (static_cast<int> (p.x)) + " " +
           std::to_string (static_cast<int> (p.y));
}

bool idleUntil (EditorFixture& f, const std::function<bool ()>& done, int ms)
{
    const auto end = std::chrono::steady_clock::now () + std::chrono::milliseconds (ms);
    while (! done () && std::chrono::steady_clock::now () < end)
        f.idleFor (10, 5);
    return done ();
}

MessageDialog* waitForDialog (EditorFixture& f, int ms)
{
    MessageDialog* shown = nullptr;
    idleUntil (
        f,
        [&] {
            return (shown = f.plugin->getEditor () != nullptr ? shownDialog (f.editor ().getFrame ()) : nullptr) !=
                   nullptr;
        },
        ms);
    return shown;
}

bool answerDialog (EditorFixture& f, const std::function<void (MessageDialog&)>& act)
{
    MessageDialog* dialog = waitForDialog (f);
    if (dialog == nullptr)
        return false;
    act (*dialog);
    idleUntil (
        f, [&] { return shownDialog (f.editor ().getFrame ()) != dialog; }, 1000);
    f.idleFor (20, 5);
    return true;
}

} // namespace morlake::test
