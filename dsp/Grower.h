// The helper thread that prepares memory for the audio thread ahead of need,
// one per process: its clients enlist, post a request in fields of their own
// and wake it, and it serves them one after another under its lock.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <semaphore.h>
#include <sys/types.h>

namespace morlake {

class GrowthClient
{
public:
    // On the helper (or a caller of Grower::serve()), under the lock: does
    // what the client has asked for, if anything.
    virtual void serveRequest () = 0;

protected:
    ~GrowthClient () = default;
};

class Grower
{
public:
    static Grower& instance ();
    // When the module is unloaded (its clients gone) or at process exit.
    static void destroy ();

    // The worker runs while any client is enlisted.
    void enlist (GrowthClient* c);
    void dismiss (GrowthClient* c);
    // Async-signal-safe: no lock, no allocation.
    void wake () noexcept { ::sem_post (&signal); }
    // Serves every client on the calling thread (not the audio thread).
    void serve ();
    // Runs f with no client being served: for changes to what the helper reads.
    template <typename F>
    void exclusive (F&& f)
    {
        std::lock_guard<std::mutex> guard (lock);
        f ();
    }

private:
    Grower () { ::sem_init (&signal, 0, 0); }
    ~Grower () { ::sem_destroy (&signal); }
    void run ();

    std::mutex lifecycle; // starting and stopping the worker
    std::mutex lock;      // the list of clients and their requests
    std::vector<GrowthClient*> clients;
    sem_t signal {};
    std::thread* worker = nullptr;
    pid_t workerPid = 0;
    std::atomic<bool> stopping {false};
};

} // namespace morlake
