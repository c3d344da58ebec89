// The cost of the CLAP build against the VST 2.4 build in the same run: both
// load "1 to Morlake" and process the same noise in the same blocks, in
// alternating rounds, timed by thread CPU time. Prints each format's
// processing time per second of audio and the CLAP build's overhead.
//   morlake-bench-formats [--seconds S] [--rounds N] [--block FRAMES] [--budget PERCENT]
// With --budget the exit status is 1 when the overhead exceeds it.
#include "presets/FactoryPresets.h"
#include "tools/harness/ClapHostedPlugin.h"
#include "tools/harness/FactoryPresets.h"
#include "tools/harness/HostedPlugin.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <time.h>
#include <vector>

namespace {

constexpr double kRate = 48000.0;

double threadSeconds ()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double> (t.tv_sec) + static_cast<double> (t.tv_nsec) * 1e-9;
}

} // namespace

int main (int argc, char** argv)
{
    using namespace morlake;
    double seconds = 5.0;
    int rounds = 6;
    int block = 512;
    double budget = -1.0;
    std::string vstPath = MORLAKE_VST2_PLUGIN, clapPath = MORLAKE_CLAP_PLUGIN;
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--seconds" && more)
            seconds = std::atof (argv[++i]);
        else if (a == "--rounds" && more)
            rounds = std::atoi (argv[++i]);
        else if (a == "--block" && more)
            block = std::atoi (argv[++i]);
        else if (a == "--budget" && more)
            budget = std::atof (argv[++i]);
        else if (a == "--vst2" && more)
            vstPath = argv[++i];
        else if (a == "--clap" && more)
            clapPath = argv[++i];
        else
        {
            std::fprintf (stderr,
                          "usage: %s [--seconds S] [--rounds N] [--block FRAMES] [--budget PERCENT] "
                          "[--vst2 PATH] [--clap PATH]\n",
                          argv[0]);
            return 2;
        }
    }
    if (seconds <= 0.0 || rounds < 1 || block < 1 || block > 8192)
    {
        std::fprintf (stderr, "invalid options\n");
        return 2;
    }

    const int preset = findFactoryPreset ("1 to Morlake");
    HostConfig config;
    config.productString = kToolHostProduct;
    config.vendorString = kToolHostVendor;
    config.sampleRate = kRate;
    config.blockSize = block;
    std::string error;
    auto vst = HostedPlugin::load (vstPath, config, error);
    if (! vst)
    {
        std::fprintf (stderr, "%s\n", error.c_str ());
        return 1;
    }
    vst->open ();
    selectFactoryPreset (*vst, preset);
    auto clap = ClapHostedPlugin::load (clapPath, error);
    if (! clap || ! clap->activate (kRate, static_cast<std::uint32_t> (block)) || ! clap->loadPreset (preset))
    {
        std::fprintf (stderr, "%s\n", error.empty () ? "the CLAP plug-in did not start" : error.c_str ());
        return 1;
    }

    const auto frames = static_cast<std::size_t> (block);
    std::vector<float> in[4], out[2];
    for (auto& b : in)
        b.assign (frames, 0.0f);
    for (auto& b : out)
        b.assign (frames, 0.0f);
    std::mt19937 noise (1);
    std::uniform_real_distribution<float> level (-0.25f, 0.25f);
    for (std::size_t i = 0; i < frames; ++i)
        in[0][i] = in[1][i] = level (noise);
    const float* inPtr[4] = {in[0].data (), in[1].data (), in[2].data (), in[3].data ()};
    float* outPtr[2] = {out[0].data (), out[1].data ()};
    const long blocks = static_cast<long> (seconds * kRate / block) + 1;

    double spent[2] = {0.0, 0.0};
    for (int r = 0; r < rounds; ++r)
        for (int format = 0; format < 2; ++format)
        {
            // Alternate which format runs first, so drift in the machine's speed evens out.
            const int which = (r % 2 == 0) ? format : 1 - format;
            const double start = threadSeconds ();
            for (long b = 0; b < blocks; ++b)
            {
                if (which == 0)
                    vst->processBlock (inPtr, 4, outPtr, block);
                else
                    clap->process (inPtr, outPtr, static_cast<std::uint32_t> (block));
            }
            spent[which] += threadSeconds () - start;
        }
    const double audio = static_cast<double> (blocks) * block / kRate * rounds;
    const double overhead = (spent[1] / spent[0] - 1.0) * 100.0;
    std::printf ("block %d, %.1f s of audio per format\n", block, audio);
    std::printf ("vst2  %.4f s CPU per second of audio\n", spent[0] / audio);
    std::printf ("clap  %.4f s CPU per second of audio\n", spent[1] / audio);
    std::printf ("clap overhead %+.2f %%\n", overhead);
    if (budget >= 0.0 && overhead > budget)
    {
        std::printf ("over the budget of %.1f %%\n", budget);
        return 1;
    }
    return 0;
}
