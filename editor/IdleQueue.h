// What waits for the editor's next idle pass: changes noted by other threads
// (parameters, the edited control, a full refresh), commands deferred out of
// VSTGUI's events, and desktop programs still running.
//
// The note* calls and requestRefresh are safe from any thread (host
// automation, MIDI, the audio thread): they only set atomics. Everything
// else runs on the host's user-interface thread.
#pragma once

#include "params/ParamTags.h"
#include "platform/Desktop.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace morlake {

class IdleQueue
{
public:
    static constexpr int kNoEditTag = -2;

    // Any thread ----------------------------------------------------------------
    void noteParameter (int tag);
    // The control under edit: a tag, or -1 for none.
    void noteEditTag (int tag);
    void requestRefresh () { refresh.store (true, std::memory_order_relaxed); }

    // User-interface thread -----------------------------------------------------
    // Starts a new lifetime with no notes: what changed before is covered by
    // the editor's full resynchronisation.
    void start ();
    // Ends the lifetime: callbacks holding alive() see it expired.
    void expire () { lifetime.reset (); }
    // Expires, and drops deferred commands and watched tasks unanswered.
    void stop ();
    // Callbacks that may outlive an open editor hold this.
    std::weak_ptr<int> alive () const { return lifetime; }

    // The edited-control note since the last call, or kNoEditTag.
    int takeEditTag () { return editTag.exchange (kNoEditTag, std::memory_order_relaxed); }
    // Calls `apply` once per parameter noted since the last call.
    template <typename Apply>
    void takeParameters (Apply&& apply);
    bool takeRefresh () { return refresh.exchange (false, std::memory_order_relaxed); }

    // Runs `command` at the start of the next pass.
    void later (std::function<void ()> command);
    // Runs the commands deferred before this pass while `open` holds; those
    // they defer wait for the next pass.
    void runDeferred (const std::function<bool ()>& open);

    // Keeps a desktop program's task polled until it ends or the editor stops.
    void watch (std::unique_ptr<DesktopTask> task);
    void serveTasks ();
    std::size_t watchedTasks () const { return tasks.size (); }

private:
    std::array<std::atomic<uint32_t>, (kNumParams + 31) / 32> pendingTags {};
    std::atomic<bool> refresh {false};
    std::atomic<int> editTag {kNoEditTag};
    std::vector<std::function<void ()>> deferred;
    std::vector<std::unique_ptr<DesktopTask>> tasks;
    std::shared_ptr<int> lifetime;
};

template <typename Apply>
void IdleQueue::takeParameters (Apply&& apply)
{
    for (std::size_t word = 0; word < pendingTags.size (); ++word)
    {
        uint32_t bits = pendingTags[word].exchange (0, std::memory_order_relaxed);
        while (bits != 0)
        {
            const int bit = __builtin_ctz (bits);
            bits &= bits - 1;
            apply (static_cast<int> (word) * 32 + bit);
        }
    }
}

} // namespace morlake
