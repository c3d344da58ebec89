// The event loop VSTGUI's X11 frames need. VST 2.4 gives a plug-in no loop of
// its own, so this one is driven from the host's user-interface thread: every
// effEditIdle call serves it once and returns. Nothing in the editor waits
// in a loop of its own: menus and dialogs answer from later passes.
//
// No helper thread: VSTGUI may only run on the UI thread, and an arbitrary
// host's loop cannot be made to call us from another thread. So every pass
// is made robust to slow or irregular idling instead: it drains all queued
// X events, fires each due timer once (no catch-up bursts) and lets VSTGUI
// redraw in the same pass. A host idling every 66 ms gets a 15 Hz editor;
// one idling every 10 ms still redraws no more often than the timers ask.
//
// VSTGUI keeps one X connection and one run loop per process, so this is a
// process-wide object shared by every open editor.
#pragma once

#include "vstgui/lib/platform/linux/irunloop.h"

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace VSTGUI {
class CFrame;
}

namespace morlake {

// Gives `frame`'s window the keyboard, as a click on it does: a menu or
// dialog opened from a click that is still being handled has no focus yet.
void focusFrameWindow (VSTGUI::CFrame* frame);

// Lets go of the pointer grab VSTGUI's X11 frame takes while its menu
// shows: the host's own windows answer clicks meanwhile. The frame's count
// of its grabs is left as it is, so the grab it would take for a click on
// the menu is not taken, and its release when the menu closes is harmless.
void releaseMenuGrab (VSTGUI::CFrame* frame);

class RunLoop final : public VSTGUI::X11::IRunLoop
{
public:
    static RunLoop& instance ();

    // IRunLoop
    bool registerEventHandler (int fd, VSTGUI::X11::IEventHandler* handler) override;
    bool unregisterEventHandler (VSTGUI::X11::IEventHandler* handler) override;
    bool registerTimer (uint64_t intervalMs, VSTGUI::X11::ITimerHandler* handler) override;
    bool unregisterTimer (VSTGUI::X11::ITimerHandler* handler) override;

    // IReference: the object lives as long as the module; VSTGUI's counts
    // only tell whether a frame still uses it. When the last frame lets go,
    // VSTGUI forgets the loop before its last timers are destroyed, so they
    // could never unregister: they are dropped here.
    void remember () override { ++references; }
    void forget () override;

    // One pass without waiting: events, then every due timer once. A pass
    // entered from inside another (a handler serving the loop) does nothing.
    void serve ();
    // Fires now every timer due within `withinMs`. The editor calls it right
    // after a pass invalidated views, so VSTGUI's redraw timer draws them in
    // the same pass instead of up to a period later.
    void fireTimersDueWithin (uint64_t withinMs);

    // Milliseconds on the clock the timers use.
    static uint64_t nowMs ();

    // True while VSTGUI holds the loop, i.e. its X connection is open.
    bool inUse () const { return references > 0; }

    int eventHandlerCount () const;
    // Descriptor of the first live event handler (VSTGUI's X connection); -1 when none.
    int firstEventDescriptor () const;
    int timerCount () const;
    // Passes served, timers fired since start (for tests and measurements).
    uint64_t passes () const { return passCount; }
    uint64_t timersFired () const { return firedCount; }
    // True while a pass is running.
    int depth () const { return serving; }

private:
    RunLoop () = default;

    struct EventEntry
    {
        int fd;
        VSTGUI::X11::IEventHandler* handler;
        bool alive = true;
        uint64_t servedAt = 0;
    };
    struct TimerEntry
    {
        uint64_t interval;
        uint64_t due;
        VSTGUI::X11::ITimerHandler* handler;
        bool alive = true;
    };

    void serveEvents ();
    void serveTimers (uint64_t withinMs = 0);
    void prune ();

    std::vector<std::shared_ptr<EventEntry>> events;
    std::vector<std::shared_ptr<TimerEntry>> timers;
    int references = 0;
    int serving = 0;
    uint64_t passCount = 0;
    uint64_t firedCount = 0;
};

} // namespace morlake
