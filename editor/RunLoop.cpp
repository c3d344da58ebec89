#include "editor/RunLoop.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/platform/platform_x11.h"
#include "vstgui/lib/platform/linux/x11platform.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <xcb/xcb.h>

namespace morlake {

using VSTGUI::X11::IEventHandler;
using VSTGUI::X11::ITimerHandler;

RunLoop& RunLoop::instance ()
{
    // Never destroyed: VSTGUI's own process-wide run-loop slot may outlive
    // any static destructor order we could choose.
    static RunLoop* loop = new RunLoop;
    return *loop;
}

uint64_t RunLoop::nowMs ()
{
    using namespace std::chrono;
    return static_cast<uint64_t> (duration_cast<milliseconds> (steady_clock::now ().time_since_epoch ()).count ());
}

bool RunLoop::registerEventHandler (int fd, IEventHandler* handler)
{
    if (handler == nullptr || fd < 0)
        return false;
    for (auto& e : events)
        if (e->alive && e->handler == handler)
        {
            e->fd = fd;
            return true;
        }
    events.push_back (std::make_shared<EventEntry> (EventEntry {fd, handler}));
    return true;
}

bool RunLoop::unregisterEventHandler (IEventHandler* handler)
{
    bool found = false;
    for (auto& e : events)
        if (e->alive && e->handler == handler)
        {
            e->alive = false;
            found = true;
        }
    prune ();
    return found;
}

bool RunLoop::registerTimer (uint64_t intervalMs, ITimerHandler* handler)
{
    if (handler == nullptr)
        return false;
    const uint64_t interval = std::max<uint64_t> (intervalMs, 1);
    for (auto& t : timers)
        if (t->alive && t->handler == handler)
        {
            t->interval = interval;
            t->due = nowMs () + interval;
            return true;
        }
    timers.push_back (std::make_shared<TimerEntry> (TimerEntry {interval, nowMs () + interval, handler}));
    return true;
}

bool RunLoop::unregisterTimer (ITimerHandler* handler)
{
    bool found = false;
    for (auto& t : timers)
        if (t->alive && t->handler == handler)
        {
            t->alive = false;
            found = true;
        }
    prune ();
    return found;
}

void RunLoop::forget ()
{
    if (--references > 0)
        return;
    for (auto& e : events)
        e->alive = false;
    for (auto& t : timers)
        t->alive = false;
    prune ();
}

void RunLoop::prune ()
{
    // Entries are only dropped from the lists outside a pass; a pass holds
    // its own references and skips the dead ones.
    if (serving > 0)
        return;
    std::erase_if (events, [] (const auto& e) { return ! e->alive; });
    std::erase_if (timers, [] (const auto& t) { return ! t->alive; });
}

void RunLoop::serveEvents ()
{
    // VSTGUI's handler ends every call with a round trip to the X server, so
    // it is asked only when its connection has something to read. xcb may
    // also hold events it read while waiting for a reply, which poll()
    // cannot see: those are picked up by a call at least every
    // kQueuedEventsMs.
    constexpr uint64_t kQueuedEventsMs = 100;
    const auto snapshot = events;
    const uint64_t now = nowMs ();
    for (const auto& e : snapshot)
    {
        if (! e->alive)
            continue;
        pollfd fd {e->fd, POLLIN, 0};
        const bool readable = ::poll (&fd, 1, 0) != 0;
        if (! readable && now - e->servedAt < kQueuedEventsMs)
            continue;
        e->servedAt = now;
        e->handler->onEvent ();
    }
}

void RunLoop::serveTimers (uint64_t withinMs)
{
    const uint64_t now = nowMs ();
    const auto snapshot = timers;
    for (const auto& t : snapshot)
    {
        if (! t->alive || t->due > now + withinMs)
            continue;
        // Late timers fire once and restart from now: a host that idles
        // rarely gets one redraw per pass, not a burst.
        t->due = now + t->interval;
        ++firedCount;
        t->handler->onTimer ();
    }
}

void RunLoop::serve ()
{
    if (serving > 0)
        return;
    ++serving;
    ++passCount;
    serveEvents ();
    serveTimers ();
    --serving;
    prune ();
}

void RunLoop::fireTimersDueWithin (uint64_t withinMs)
{
    ++serving;
    serveTimers (withinMs);
    --serving;
    prune ();
}

int RunLoop::eventHandlerCount () const
{
    return static_cast<int> (std::count_if (events.begin (), events.end (), [] (const auto& e) { return e->alive; }));
}

int RunLoop::firstEventDescriptor () const
{
    for (const auto& e : events)
        if (e->alive)
            return e->fd;
    return -1;
}

int RunLoop::timerCount () const
{
    return static_cast<int> (std::count_if (timers.begin (), timers.end (), [] (const auto& t) { return t->alive; }));
}

void focusFrameWindow (VSTGUI::CFrame* frame)
{
    auto* x11 = frame != nullptr ? dynamic_cast<VSTGUI::X11::IX11Frame*> (frame->getPlatformFrame ()) : nullptr;
    xcb_connection_t* connection = VSTGUI::X11::RunLoop::instance ().getXcbConnection ();
    if (x11 == nullptr || connection == nullptr)
        return;
    xcb_set_input_focus (connection, XCB_INPUT_FOCUS_PARENT, x11->getX11WindowID (), XCB_CURRENT_TIME);
    xcb_flush (connection);
}

void releaseMenuGrab (VSTGUI::CFrame* frame)
{
    xcb_connection_t* connection = VSTGUI::X11::RunLoop::instance ().getXcbConnection ();
    if (frame == nullptr || frame->getPlatformFrame () == nullptr || connection == nullptr)
        return;
    xcb_ungrab_pointer (connection, XCB_CURRENT_TIME);
    xcb_flush (connection);
}

} // namespace morlake
