// Read-only tables that depend only on the sample rate, built once per rate
// and shared by every instance running at it: a session of many instances
// computes and holds them once.
#pragma once

#include "dsp/ZeroedArray.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace morlake {

// Runs fill(begin, end) over [0, count) in two halves, one on a helper
// thread: building a process's shared tables is most of its first
// instance's creation time, and each entry is worked out alone, so the
// halves give the same table as one pass.
template <typename Fill>
void fillInHalves (int count, Fill&& fill)
{
    const int half = count / 2;
    std::thread helper;
    try
    {
        helper = std::thread ([&fill, half] { fill (0, half); });
    }
    catch (...)
    {
        fill (0, half);
    }
    fill (half, count);
    if (helper.joinable ())
        helper.join ();
}

template <typename Table>
class TablesByRate
{
public:
    using Build = void (*) (Table& table, float rate);

    explicit TablesByRate (Build build) : build (build) {}

    // The table for `rate`, built on first use (off the audio thread: it
    // allocates). Holders keep it alive; the cache keeps the last few rates
    // asked for, so instances created one after another find them built.
    std::shared_ptr<const Table> get (float rate)
    {
        std::uint32_t key = 0;
        std::memcpy (&key, &rate, sizeof key);
        std::lock_guard<std::mutex> guard (mutex);
        for (auto& slot : slots)
            if (slot.table && slot.key == key)
            {
                slot.used = ++uses;
                return slot.table;
            }
        std::shared_ptr<Table> table;
        if (OnPages<Table> pages = makeOnPages<Table> ())
            table = std::shared_ptr<Table> (pages.release (), OnPagesDelete<Table> {});
        else
            table = std::make_shared<Table> ();
        build (*table, rate);
        Slot* oldest = &slots[0];
        for (auto& slot : slots)
            if (slot.used < oldest->used)
                oldest = &slot;
        *oldest = Slot {key, ++uses, table};
        return table;
    }

private:
    struct Slot
    {
        std::uint32_t key = 0;
        std::uint64_t used = 0;
        std::shared_ptr<const Table> table;
    };

    const Build build;
    std::mutex mutex;
    std::array<Slot, 4> slots {};
    std::uint64_t uses = 0;
};

} // namespace morlake
