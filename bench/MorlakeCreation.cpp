// Time to create and open an instance, as a host loading a session does:
// the module loaded, VSTPluginMain, effOpen, the sample rate and block size,
// mains on. The first instance of a process pays for the module and the
// tables every instance shares; the rest show what one more costs, with the
// resident memory each adds beside it.
#include "bench/BenchConfigs.h"
#include "tools/harness/HostedPlugin.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace morlake;
using bench::residentMegabytes;

namespace {

double median (std::vector<double> v)
{
    std::sort (v.begin (), v.end ());
    return v.empty () ? 0.0 : v[v.size () / 2];
}

// CPU time of the calling thread: the figure a busy machine disturbs least.
double threadCpuMs ()
{
    timespec t {};
    ::clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double> (t.tv_sec) * 1e3 + static_cast<double> (t.tv_nsec) * 1e-6;
}

struct Run
{
    double first = 0.0, firstCpu = 0.0; // ms
    double laterMedian = 0.0, laterWorst = 0.0, laterCpu = 0.0;
    double megabytesEach = 0.0;
};

// One process: `instances` instances created one after the other, all kept.
bool runOnce (const std::string& path, double rate, int instances, Run& run)
{
    HostConfig host;
    host.sampleRate = rate;
    host.blockSize = 512;
    std::vector<std::unique_ptr<HostedPlugin>> kept;
    std::vector<double> later, laterCpu;
    double afterFirst = 0.0;
    for (int n = 0; n < instances; ++n)
    {
        const auto start = std::chrono::steady_clock::now ();
        const double startCpu = threadCpuMs ();
        std::string error;
        auto p = HostedPlugin::load (path, host, error);
        if (! p)
        {
            std::fprintf (stderr, "morlake-creation: %s\n", error.c_str ());
            return false;
        }
        p->open ();
        const double ms =
            std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now () - start).count ();
        const double cpu = threadCpuMs () - startCpu;
        kept.push_back (std::move (p));
        if (n == 0)
        {
            run.first = ms;
            run.firstCpu = cpu;
            afterFirst = residentMegabytes ();
        }
        else
        {
            later.push_back (ms);
            laterCpu.push_back (cpu);
        }
    }
    run.laterMedian = median (later);
    run.laterCpu = median (laterCpu);
    run.laterWorst = later.empty () ? 0.0 : *std::max_element (later.begin (), later.end ());
    run.megabytesEach = instances > 1 ? (residentMegabytes () - afterFirst) / (instances - 1) : 0.0;
    return true;
}

} // namespace

int main (int argc, char** argv)
{
    std::string path = MORLAKE_DEFAULT_PLUGIN;
    int instances = 30;
    int repeat = 5;
    double rate = 48000.0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        if (a == "--plugin" && i + 1 < argc)
            path = argv[++i];
        else if (a == "--instances" && i + 1 < argc)
            instances = std::max (1, std::atoi (argv[++i]));
        else if (a == "--repeat" && i + 1 < argc)
            repeat = std::max (1, std::atoi (argv[++i]));
        else if (a == "--rate" && i + 1 < argc)
            rate = std::atof (argv[++i]);
        else
        {
            std::printf ("usage: morlake-creation [--plugin PATH] [--instances N] [--repeat R] [--rate HZ]\n"
                         "  Creates N instances (default 30) one after the other in a fresh process, R times\n"
                         "  (default 5), at HZ (default 48000): the first instance's time, the median and\n"
                         "  worst of the others (wall-clock; CPU time of the creating thread beside it),\n"
                         "  and the resident memory each of the others adds.\n");
            return a == "--help" ? 0 : 2;
        }
    }

    std::vector<double> first, firstCpu, laterMedian, laterWorst, laterCpu, megabytes;
    for (int r = 0; r < repeat; ++r)
    {
        // A fresh process each time: only there is the first instance the first.
        int pipeFds[2];
        if (::pipe (pipeFds) != 0)
            return 1;
        std::fflush (stdout);
        const pid_t pid = ::fork ();
        if (pid == 0)
        {
            ::close (pipeFds[0]);
            Run run;
            const bool ok = runOnce (path, rate, instances, run);
            if (ok && ::write (pipeFds[1], &run, sizeof run) != static_cast<ssize_t> (sizeof run))
                ::_exit (1);
            ::_exit (ok ? 0 : 1);
        }
        ::close (pipeFds[1]);
        Run run;
        const bool got = ::read (pipeFds[0], &run, sizeof run) == static_cast<ssize_t> (sizeof run);
        ::close (pipeFds[0]);
        int status = 0;
        ::waitpid (pid, &status, 0);
        if (! got || ! WIFEXITED (status) || WEXITSTATUS (status) != 0)
            return 1;
        first.push_back (run.first);
        firstCpu.push_back (run.firstCpu);
        laterMedian.push_back (run.laterMedian);
        laterCpu.push_back (run.laterCpu);
        laterWorst.push_back (run.laterWorst);
        megabytes.push_back (run.megabytesEach);
    }
    std::printf ("%d instances at %.0f Hz, median of %d processes:\n", instances, rate, repeat);
    std::printf ("                         wall      CPU\n");
    std::printf ("  first instance      %8.2f %8.2f ms\n", median (first), median (firstCpu));
    std::printf ("  later, median       %8.2f %8.2f ms\n", median (laterMedian), median (laterCpu));
    std::printf ("  later, worst        %8.2f          ms\n", median (laterWorst));
    std::printf ("  resident per later  %8.2f MB\n", median (megabytes));
    return 0;
}
