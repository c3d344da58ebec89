#include "editor/EditorClock.h"

#include "editor/RunLoop.h"

#include <atomic>

namespace morlake::editorclock {

namespace {

std::atomic<Source> source {nullptr};

} // namespace

uint32_t now ()
{
    const Source s = source.load (std::memory_order_relaxed);
    return static_cast<uint32_t> (s != nullptr ? s () : RunLoop::nowMs ());
}

void setSource (Source s) { source.store (s, std::memory_order_relaxed); }

} // namespace morlake::editorclock
