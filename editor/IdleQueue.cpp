#include "editor/IdleQueue.h"

namespace morlake {

void IdleQueue::noteParameter (int tag)
{
    if (isValidTag (tag))
        pendingTags[static_cast<std::size_t> (tag) / 32].fetch_or (1u << (tag % 32), std::memory_order_relaxed);
}

void IdleQueue::noteEditTag (int tag) { editTag.store (isValidTag (tag) ? tag : -1, std::memory_order_relaxed); }

void IdleQueue::start ()
{
    lifetime = std::make_shared<int> (0);
    for (auto& word : pendingTags)
        word.store (0, std::memory_order_relaxed);
    refresh.store (false, std::memory_order_relaxed);
}

void IdleQueue::stop ()
{
    lifetime.reset ();
    deferred.clear ();
    tasks.clear ();
}

void IdleQueue::later (std::function<void ()> command)
{
    if (command)
        deferred.push_back (std::move (command));
}

void IdleQueue::runDeferred (const std::function<bool ()>& open)
{
    auto now = std::move (deferred);
    deferred.clear ();
    for (auto& command : now)
        if (open ())
            command ();
}

void IdleQueue::watch (std::unique_ptr<DesktopTask> task)
{
    if (task != nullptr)
        tasks.push_back (std::move (task));
}

void IdleQueue::serveTasks ()
{
    std::erase_if (tasks, [] (const auto& task) { return task->poll (); });
}

} // namespace morlake
