#include "editor/EditorAdapter.h"

#include "editor/EditorClock.h"
#include "editor/RunLoop.h"
#include "editor/SharedObject.h"

#include "vstgui/lib/platform/iplatformframe.h"
#include "vstgui/lib/vstkeycode.h"
#include "vstgui/lib/platform/linux/cairobitmap.h"
#include "vstgui/lib/platform/linux/x11platform.h"

#include <xcb/xcb.h>

namespace morlake {

using namespace VSTGUI;

int32_t EditorAdapter::knobMode = kLinearMode;

EditorAdapter::EditorAdapter (EditorModel* e) : model (e) { initModuleHandle (); }

EditorAdapter::~EditorAdapter () { closeFrame (); }

bool EditorAdapter::open (void* parentWindow)
{
    systemWindow = parentWindow;
    return true;
}

void EditorAdapter::close ()
{
    closeFrame ();
    endOpenGestures ();
    systemWindow = nullptr;
}

void EditorAdapter::idle ()
{
    if (inIdleStuff)
        return;
    if (frame != nullptr)
        frame->idle ();
}

bool EditorAdapter::onWheel (float distance)
{
    if (frame == nullptr)
        return false;
    CPoint where;
    frame->getCurrentMouseLocation (where);
    return frame->onWheel (where, kMouseWheelAxisY, distance, frame->getCurrentMouseButtons ());
}

namespace {

::VstKeyCode toVstgui (const KeyStroke& key)
{
    ::VstKeyCode code {};
    code.character = key.character;
    code.virt = key.virtualKey;
    code.modifier = key.modifiers;
    return code;
}

} // namespace

int EditorAdapter::onKeyDown (const KeyStroke& key)
{
    if (frame == nullptr)
        return 0;
    auto code = toVstgui (key);
    return frame->onKeyDown (code) > 0 ? 1 : 0;
}

int EditorAdapter::onKeyUp (const KeyStroke& key)
{
    if (frame == nullptr)
        return 0;
    auto code = toVstgui (key);
    return frame->onKeyUp (code) > 0 ? 1 : 0;
}

bool EditorAdapter::setKnobMode (int mode)
{
    knobMode = mode;
    return true;
}

int EditorAdapter::eventDescriptor () const { return isOpen () ? RunLoop::instance ().firstEventDescriptor () : -1; }

// Controls without a parameter (tags 9999, 9998, -1) take part in VSTGUI's
// gestures too; the host hears only of parameters, and nested gestures on
// one parameter (a menu opened from a drag) as one.
void EditorAdapter::beginEdit (int32_t index)
{
    if (model == nullptr || index < 0 || index >= static_cast<int32_t> (gestures.size ()))
        return;
    if (gestures[static_cast<std::size_t> (index)]++ == 0)
        model->beginGesture (index);
}

void EditorAdapter::endEdit (int32_t index)
{
    if (model == nullptr || index < 0 || index >= static_cast<int32_t> (gestures.size ()))
        return;
    auto& open = gestures[static_cast<std::size_t> (index)];
    if (open > 0 && --open == 0)
        model->endGesture (index);
}

void EditorAdapter::endOpenGestures ()
{
    for (std::size_t i = 0; i < gestures.size (); ++i)
        if (gestures[i] > 0)
        {
            gestures[i] = 0;
            if (model != nullptr)
                model->endGesture (static_cast<int> (i));
        }
}

void EditorAdapter::doIdleStuff ()
{
    // Called while a control runs a loop of its own: keep our window and
    // the host alive, without letting the host re-enter our idle.
    if (inIdleStuff)
        return;
    serveRunLoop ();
    idle ();
    inIdleStuff = true;
    if (model != nullptr)
        model->requestIdle ();
    inIdleStuff = false;
}

uint32_t EditorAdapter::getTicks () { return editorclock::now (); }

uint32_t EditorAdapter::getFrameWindow () const
{
    if (frame == nullptr)
        return 0;
    auto* x11 = dynamic_cast<X11::IX11Frame*> (frame->getPlatformFrame ());
    return x11 != nullptr ? x11->getX11WindowID () : 0;
}

void EditorAdapter::prepareResources ()
{
    initModuleHandle ();
    std::string dir = editorResourceDirectory ();
    Cairo::Bitmap::setGetResourcePathFunc ([dir] () { return dir; });
}

namespace {

// VSTGUI takes a usable X connection for granted and crashes without one.
// While a frame is open its connection is checked; otherwise a trial
// connection to $DISPLAY tells whether VSTGUI's own would work.
bool displayReachable ()
{
    if (RunLoop::instance ().inUse ())
    {
        auto* connection = X11::RunLoop::instance ().getXcbConnection ();
        return connection != nullptr && xcb_connection_has_error (connection) == 0;
    }
    int screen = 0;
    xcb_connection_t* trial = xcb_connect (nullptr, &screen);
    bool usable = trial != nullptr && xcb_connection_has_error (trial) == 0;
    if (usable)
    {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator (xcb_get_setup (trial));
        for (int i = 0; i < screen && it.rem > 0; ++i)
            xcb_screen_next (&it);
        usable = it.rem > 0;
    }
    if (trial != nullptr)
        xcb_disconnect (trial);
    return usable;
}

} // namespace

bool EditorAdapter::openFrame (CFrame* newFrame)
{
    if (newFrame == nullptr)
        return false;
    if (! displayReachable ())
    {
        newFrame->forget ();
        return false;
    }
    X11::FrameConfig config;
    config.runLoop = SharedPointer<X11::IRunLoop> (&RunLoop::instance ());
    if (! newFrame->open (systemWindow, kX11EmbedWindowID, &config))
    {
        newFrame->forget ();
        return false;
    }
    frame = newFrame;
    // VSTGUI maps its window only when an XEmbed embedder says so; most VST
    // 2.4 hosts just hand over a parent window. Mapping it ourselves is what
    // EMBEDDED_NOTIFY would do, so XEmbed hosts are not disturbed.
    if (const uint32_t window = getFrameWindow ())
        if (auto* connection = X11::RunLoop::instance ().getXcbConnection ())
        {
            xcb_map_window (connection, window);
            xcb_flush (connection);
        }
    return true;
}

void EditorAdapter::closeFrame ()
{
    if (frame == nullptr)
        return;
    CFrame* old = frame;
    frame = nullptr;
    old->close ();
}

void EditorAdapter::serveRunLoop () { RunLoop::instance ().serve (); }

} // namespace morlake
