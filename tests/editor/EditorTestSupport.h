// What the editor tests share: a private X server, a plain host window, an
// in-process plug-in with its editor, and idling the way a host does.
#pragma once

#include "editor/uEditor.h"
#include "plugin/APlugin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct xcb_connection_t;

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

// A top-level window on our own X connection, as a host without XEmbed
// hands it to effEditOpen.
class HostWindow
{
public:
    HostWindow (int width, int height);
    ~HostWindow ();
    void* parent () const;
    uint32_t id () const { return window; }
    xcb_connection_t* connection () const { return xcb; }
    // The editor's window: the first child of ours (0 when none).
    uint32_t child () const;
    bool childViewable () const;
    // Reads the window back; false when it cannot be read.
    bool capture (std::vector<uint32_t>& pixels, int& width, int& height) const;

private:
    xcb_connection_t* xcb = nullptr;
    uint32_t window = 0;
    int w;
    int h;
};

vst::intptr hostCallback (vst::AEffect*, vst::int32 opcode, vst::int32 index, vst::intptr value, void* ptr, float opt);

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

    std::unique_ptr<APlugin> plugin;
    std::unique_ptr<HostWindow> window;
};

// A test with the editor open on its main screen.
class MainScreen : public ::testing::Test
{
protected:
    void SetUp () override;
    TKnob* knob (int tag) const;
    TOnOff* onOff (int tag) const;
    EditorFixture f;
};

// Every test program of this folder runs its own X server.
inline ::testing::Environment* const kXServer = ::testing::AddGlobalTestEnvironment (new XServerEnvironment);

#define REQUIRE_X() ASSERT_TRUE (::morlake::test::XServerEnvironment::available ()) << "Xvfb could not be started"

} // namespace morlake::test
