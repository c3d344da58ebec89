// What the editor tests share: a private X server, a plain host window, an
// in-process plug-in with its editor, and idling the way a host does.
#pragma once

#include "editor/EditorClock.h"
#include "editor/EditorFactory.h"
#include "tests/editor/EditorProbe.h"
#include "editor/MessageWindows.h"
#include "editor/uEditor.h"
#include "formats/vst2/VstPlugin.h"
#include "tools/harness/HostWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace morlake::test {

// Starts Xvfb on a display it picks itself (-displayfd), points DISPLAY at
// it, and gives the preferences a private folder. One per test program.
class XServerEnvironment : public ::testing::Environment
{
public:
    void SetUp () override;
    void TearDown () override;
    static bool available ();
};

// Writes the four screen-size keys so the next editor opens at `index`.
void setScreenSizePreference (int index);

// The edit gestures the host was told of, as (opcode, index), in order.
std::vector<std::pair<int, int>>& hostGestures ();
vst::intptr hostCallback (vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt);

// The editor's clock, stepped by hand while one is alive: rate limits are
// tested without sleeping against thresholds.
class ManualClock
{
public:
    ManualClock ()
    {
        ms.store (editorclock::now ());
        editorclock::setSource (&read);
    }
    ~ManualClock () { editorclock::setSource (nullptr); }
    ManualClock (const ManualClock&) = delete;
    ManualClock& operator= (const ManualClock&) = delete;

    void advance (uint32_t step) { ms.fetch_add (step); }
    uint64_t now () const { return ms.load (); }

private:
    static inline std::atomic<uint64_t> ms {0};
    static uint64_t read () { return ms.load (); }
};

// A plug-in instance with its editor.
struct EditorFixture
{
    EditorFixture ();
    ~EditorFixture ();

    vst::intptr dispatch (vst::int32 opcode, vst::int32 index = 0, vst::intptr value = 0, void* ptr = nullptr,
                          float opt = 0.0f);
    bool open ();
    void close ();
    uEditor& editor () const { return *static_cast<uEditor*> (plugin->getEditor ()); }
    // Idles like a host every `periodMs` for `ms` milliseconds.
    void idleFor (int ms, int periodMs = 10);
    // Idles until the editor's window is mapped in the host window, at most
    // `ms` milliseconds (the X server may see the map after open() returns).
    bool childShownWithin (int ms = 3000);
    // Waits until the next idle call runs a full pass, then makes it.
    void idlePass ();
    void showMainScreen ();
    // One block of a stereo signal at `level` through processReplacing.
    void process (float level, int frames = 512);

    std::unique_ptr<VstPlugin> plugin;
    std::unique_ptr<HostWindow> window;
};

// A test with the editor open on its main screen.
class MainScreen : public ::testing::Test
{
protected:
    void SetUp () override;
    TKnob* knob (int tag) const;
    TOnOff* onOff (int tag) const;
    // Earlier tests of the program may have chosen another size: the
    // editor, made with the fixture, reads it at 100 %.
    struct DefaultSize
    {
        DefaultSize () { setScreenSizePreference (0); }
    } defaultSize;
    EditorFixture f;
};

// xdotool on the real pointer and keyboard; true when it ran. The host
// window sits at the screen origin, so frame and screen coordinates agree.
bool xdo (const std::string& args);
// "mousemove" to `p`, from elsewhere first, so --sync sees the pointer move.
std::string pointerTo (const VSTGUI::CPoint& p);

// Idles `f` like a host until `done` or `ms` milliseconds; answers `done`.
bool idleUntil (EditorFixture& f, const std::function<bool ()>& done, int ms = 3000);
// The dialog showing in `f`'s editor once it shows, null after `ms`.
MessageDialog* waitForDialog (EditorFixture& f, int ms = 1000);
// Answers the dialog that shows with `act`, then idles until it is gone.
// False when none showed.
bool answerDialog (EditorFixture& f, const std::function<void (MessageDialog&)>& act);

// Every test program of this folder runs its own X server.
inline ::testing::Environment* const kXServer = ::testing::AddGlobalTestEnvironment (new XServerEnvironment);

#define REQUIRE_X() ASSERT_TRUE (::morlake::test::XServerEnvironment::available ()) << "Xvfb could not be started"

} // namespace morlake::test
