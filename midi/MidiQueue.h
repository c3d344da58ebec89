// The 250-slot MIDI event queue: the host's thread copies events in, the audio
// thread releases each at its sample position. A slot's deltaFrames word
// publishes it: written last with release order, read first with acquire.
#pragma once

#include "midi/MidiMessage.h"

#include <algorithm>
#include <array>
#include <atomic>

namespace morlake {

class MidiQueue
{
public:
    static constexpr int kSlots = 250;
    static constexpr int kFree = -99;
    static constexpr int kMaxOffset = 65536;

    MidiQueue ()
    {
        for (auto& d : delta)
            d.store (kFree, std::memory_order_relaxed);
    }

    // Host thread. False (event dropped) while 250 events are pending.
    bool push (const MidiMessage& event)
    {
        int slot = 0;
        while (slot < kSlots && delta[slot].load (std::memory_order_acquire) != kFree)
            ++slot;
        if (slot == kSlots)
            return false;
        records[slot] = event;
        // Offsets are samples from the block start: negative ones mean now;
        // the block that follows limits the rest to its last frame.
        const int offset = event.deltaFrames < 0 ? 0 : std::min<int> (event.deltaFrames, kMaxOffset);
        pending.fetch_add (1, std::memory_order_relaxed);
        delta[slot].store (offset, std::memory_order_release);
        return true;
    }

    int pendingCount () const { return pending.load (std::memory_order_relaxed); }

    // Frames that can pass before any queued event is due (0: one is due now).
    int framesUntilDue () const
    {
        int least = 0x7fffffff;
        for (const auto& d : delta)
        {
            const int v = d.load (std::memory_order_acquire);
            if (v == kFree)
                continue;
            least = std::min (least, v <= 1 ? 0 : v - 1);
        }
        return least;
    }

    // At the start of a block of `frames`: an event timed beyond its last
    // frame comes at that frame, so none outlives the block it arrived for.
    void limitTo (int frames)
    {
        for (auto& d : delta)
        {
            const int v = d.load (std::memory_order_acquire);
            if (v != kFree && v > frames)
                d.store (frames, std::memory_order_relaxed);
        }
    }

    // Lets `frames` pass for every queued event, none of them becoming due.
    void skip (int frames)
    {
        for (auto& d : delta)
        {
            const int v = d.load (std::memory_order_acquire);
            if (v != kFree && v > 0)
                d.store (v - frames, std::memory_order_relaxed);
        }
    }

    // Before each sample: counts each queued event down and hands those that
    // are due to `handle`, in slot order.
    template <typename Handler>
    void release (Handler&& handle)
    {
        for (int slot = 0; slot < kSlots; ++slot)
        {
            int v = delta[slot].load (std::memory_order_acquire);
            if (v == kFree)
                continue;
            if (v > 0)
            {
                --v;
                delta[slot].store (v, std::memory_order_relaxed);
                if (v != 0)
                    continue;
            }
            if (pending.fetch_sub (1, std::memory_order_relaxed) <= 0)
            {
                pending.store (0, std::memory_order_relaxed);
                delta[slot].store (kFree, std::memory_order_release);
                return;
            }
            const MidiMessage event = records[slot];
            delta[slot].store (kFree, std::memory_order_release);
            handle (event);
        }
    }

private:
    std::array<MidiMessage, kSlots> records {};
    std::array<std::atomic<int>, kSlots> delta;
    std::atomic<int> pending {0};
};

} // namespace morlake
