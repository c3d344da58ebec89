#include "dsp/Grower.h"

#include <algorithm>

#include <unistd.h>

namespace morlake {

namespace {

std::atomic<Grower*> currentGrower {nullptr};
std::mutex growerCreation;

// After every static destructor, so clients torn down late in exit still find it.
[[gnu::destructor]] void dropGrower () { Grower::destroy (); }

} // namespace

Grower& Grower::instance ()
{
    if (Grower* grower = currentGrower.load (std::memory_order_acquire))
        return *grower;
    std::lock_guard<std::mutex> guard (growerCreation);
    if (currentGrower.load (std::memory_order_relaxed) == nullptr)
        currentGrower.store (new Grower, std::memory_order_release);
    return *currentGrower.load (std::memory_order_relaxed);
}

void Grower::destroy () { delete currentGrower.exchange (nullptr, std::memory_order_acq_rel); }

void Grower::enlist (GrowthClient* c)
{
    std::lock_guard<std::mutex> life (lifecycle);
    {
        std::lock_guard<std::mutex> guard (lock);
        clients.push_back (c);
    }
    // After a fork the worker belongs to the parent.
    if (worker == nullptr || workerPid != ::getpid ())
    {
        stopping.store (false, std::memory_order_relaxed);
        worker = new std::thread ([this] { run (); });
        workerPid = ::getpid ();
    }
}

void Grower::dismiss (GrowthClient* c)
{
    std::lock_guard<std::mutex> life (lifecycle);
    bool last = false;
    {
        std::lock_guard<std::mutex> guard (lock);
        clients.erase (std::remove (clients.begin (), clients.end (), c), clients.end ());
        last = clients.empty ();
    }
    if (last && worker != nullptr && workerPid == ::getpid ())
    {
        stopping.store (true, std::memory_order_relaxed);
        ::sem_post (&signal);
        worker->join ();
        delete worker;
        worker = nullptr;
    }
}

void Grower::serve ()
{
    std::lock_guard<std::mutex> guard (lock);
    for (GrowthClient* c : clients)
        c->serveRequest ();
}

void Grower::run ()
{
    while (! stopping.load (std::memory_order_relaxed))
    {
        ::sem_wait (&signal);
        serve ();
    }
}

} // namespace morlake
