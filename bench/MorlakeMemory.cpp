// Resident memory per plug-in instance at the usual sample rates. A first
// instance pays for the module and its shared tables; the figure is what each
// further instance adds, right after it opens and after it has played.
#include "bench/BenchConfigs.h"
#include "tools/harness/HostedPlugin.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace morlake;
using bench::residentMegabytes;

namespace {

std::unique_ptr<HostedPlugin> openAt (const std::string& path, double rate, const std::string& config)
{
    HostConfig host;
    host.sampleRate = rate;
    host.blockSize = 512;
    std::string error;
    auto p = HostedPlugin::load (path, host, error);
    if (! p)
    {
        std::fprintf (stderr, "morlake-memory: %s\n", error.c_str ());
        return nullptr;
    }
    p->open ();
    if (! config.empty () && ! bench::applyConfig (*p, config, error))
    {
        std::fprintf (stderr, "morlake-memory: %s\n", error.c_str ());
        return nullptr;
    }
    return p;
}

void play (HostedPlugin& p, double seconds)
{
    std::vector<float> in (512), left (512), right (512);
    const float* inputs[2] = {in.data (), in.data ()};
    float* outputs[2] = {left.data (), right.data ()};
    const auto blocks = static_cast<long> (seconds * p.config ().sampleRate / 512.0);
    for (long b = 0; b < blocks; ++b)
    {
        for (std::size_t i = 0; i < in.size (); ++i)
            in[i] =
                b % 200 < 20 ? 0.3f * std::sin (0.01f * static_cast<float> (b * 512 + static_cast<long> (i))) : 0.0f;
        p.processBlock (inputs, 2, outputs, 512);
    }
}

} // namespace

int main (int argc, char** argv)
{
    std::string path = MORLAKE_DEFAULT_PLUGIN;
    std::string config;
    int instances = 4;
    double seconds = 6.0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        if (a == "--plugin" && i + 1 < argc)
            path = argv[++i];
        else if (a == "--config" && i + 1 < argc)
            config = argv[++i];
        else if (a == "--instances" && i + 1 < argc)
            instances = std::max (1, std::atoi (argv[++i]));
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::atof (argv[++i]);
        else
        {
            std::printf ("usage: morlake-memory [--plugin PATH] [--config NAME] [--instances N] [--seconds S]\n"
                         "  Resident memory each instance adds at 44.1, 48, 96 and 192 kHz, once opened\n"
                         "  and after S seconds of audio (default 6) through configuration NAME\n"
                         "  (a morlake-bench configuration; default: the state the plug-in opens with).\n");
            return a == "--help" ? 0 : 2;
        }
    }

    std::printf ("%-10s %14s %14s\n", "rate", "opened MB", "played MB");
    for (double rate : {44100.0, 48000.0, 96000.0, 192000.0})
    {
        // Each rate in a process of its own: memory a previous rate freed
        // may stay with the allocator and hide what this one takes.
        std::fflush (stdout);
        const pid_t pid = ::fork ();
        if (pid != 0)
        {
            int status = 0;
            ::waitpid (pid, &status, 0);
            if (! WIFEXITED (status) || WEXITSTATUS (status) != 0)
                return 1;
            continue;
        }
        auto first = openAt (path, rate, config);
        if (! first)
            ::_exit (1);
        play (*first, 0.5);
        const double before = residentMegabytes ();
        std::vector<std::unique_ptr<HostedPlugin>> more;
        for (int n = 0; n < instances; ++n)
            if (auto p = openAt (path, rate, config))
                more.push_back (std::move (p));
            else
                ::_exit (1);
        const double opened = residentMegabytes ();
        for (auto& p : more)
            play (*p, seconds);
        const double played = residentMegabytes ();
        std::printf ("%-10.0f %14.1f %14.1f\n", rate, (opened - before) / instances, (played - before) / instances);
        std::fflush (stdout);
        ::_exit (0);
    }
    return 0;
}
