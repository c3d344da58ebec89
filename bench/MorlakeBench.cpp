// Speed of a VST 2.4 plug-in's processReplacing, measured through the host
// harness: times faster than real time and the spread of block times, per
// configuration and block size; instructions per sample under callgrind; and
// output digests for checking that an optimisation left the sound alone.
#include "bench/BenchConfigs.h"
#include "dsp/TBasicReverb.h"
#include "tools/harness/FactoryPresets.h"
#include "tools/harness/HostedPlugin.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <map>
#include <sstream>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define MORLAKE_HAVE_CALLGRIND 1
#else
#define CALLGRIND_TOGGLE_COLLECT
#define CALLGRIND_DUMP_STATS_AT(x)
#define RUNNING_ON_VALGRIND 0
#endif

#ifndef MORLAKE_DEFAULT_PLUGIN
#define MORLAKE_DEFAULT_PLUGIN ""
#endif
#ifndef MORLAKE_BENCH_SHIM
#define MORLAKE_BENCH_SHIM ""
#endif

namespace morlake::bench {
namespace {

constexpr double kSampleRate = 48000.0;

struct Options
{
    std::string plugin = MORLAKE_DEFAULT_PLUGIN; // the first of `plugins`
    std::vector<std::string> plugins;            // --plugin, in order given
    std::vector<std::string> configs;            // empty: the defaults for the plug-in
    std::vector<int> blocks = {64, 512};
    bool blocksGiven = false;
    double seconds = 30.0;
    std::size_t busyKilobytes = 0;
    std::size_t busyStride = 64;
    int repeat = 1;
    bool allPresets = false;
    bool reference = false;
    bool instructions = false;
    bool callgrindWorkload = false; // the child side of --instructions
    bool digest = false;
    bool presetDigests = false;
    int session = 0;                        // --session N: N instances processed one after another per block
    std::string writeRenders, checkRenders; // reference render files
    bool difference = false;
    std::string valgrind = "valgrind";
};

void usage ()
{
    std::puts ("usage: morlake-bench [options]\n"
               "  --plugin PATH     plug-in module (default: the Morlake built beside this program);\n"
               "                    give it more than once to time several plug-ins side by side,\n"
               "                    alternating every half second of audio so they share the machine's noise\n"
               "  --config A,B      configurations: light, base, slowest, heavy, preset:<name>, plugin\n"
               "                    (default: light,base,slowest,heavy for Morlake, plugin for others)\n"
               "  --blocks 64,512   block sizes\n"
               "  --seconds S       audio per measurement (default 30)\n"
               "  --busy KB         before every block, write KB kilobytes of other data, as the other\n"
               "                    plug-ins of a busy host would: the block then starts with cold caches\n"
               "                    (xRT then comes from the block times, not the CPU time)\n"
               "  --busy-stride B   write one byte in every B of them (default 64: every cache line);\n"
               "                    4096 touches each page once, which empties the TLB but hardly the caches\n"
               "  --repeat N        measure N times, report the median of each figure; fast/m is then the\n"
               "                    99.9th percentile of each block's fastest run against their median\n"
               "  --reference       time beside the plug-ins a fixed sum that takes as long as the first\n"
               "                    plug-in's median block and touches no memory: its spread is the\n"
               "                    machine's own noise at that block length\n"
               "  --short           3 seconds of audio, one pass (for CI; proves it runs)\n"
               "  --all-presets     every factory preset, 64-sample blocks; with several --plugin, every\n"
               "                    preset side by side at --blocks, with the slowest speed against the last\n"
               "  --instructions    re-run under callgrind, print instructions per sample\n"
               "  --digest          print a hash of the output of each digest configuration\n"
               "  --preset-digests  print a hash of the output of every factory preset\n"
               "  --write-renders F store sparse reference renders of every digest configuration and factory\n"
               "                    preset in F\n"
               "  --check-renders F render them again and compare with F: fails where the peak difference\n"
               "                    exceeds -120 dB relative to full scale\n"
               "  --difference      with two --plugin: the peak difference of their whole renders, per\n"
               "                    digest configuration and factory preset, in dB relative to full scale,\n"
               "                    the first frame that differs and the first over -120 dB (-1: none)\n"
               "  --session N       a host's graph: N Morlakes on different factory presets, and each\n"
               "                    further --plugin N times on its programs in turn, processed one instance\n"
               "                    after another per block (blocks 64,256 unless given); per session the\n"
               "                    time per block (median, 99.9th percentile, worst) and the ratio to the last\n"
               "                    plug-in's session, taking turns every half second of audio\n"
               "  --valgrind PATH   valgrind program for --instructions");
}

// The harness finds VSTPluginMain or main_macho; plug-ins that only export the
// old Linux entry "main" are loaded through the forwarding shim built beside
// this program. The module stays loaded, so repeated instances do not reload it.
std::string resolvePluginOnce (const std::string& path)
{
    void* module = dlopen (path.c_str (), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        return path;
    const bool modern = dlsym (module, "VSTPluginMain") != nullptr || dlsym (module, "main_macho") != nullptr;
    if (modern || dlsym (module, "main") == nullptr || std::strlen (MORLAKE_BENCH_SHIM) == 0)
        return path;
    // A child run (--instructions) inherits the parent's choice.
    const char* taken = std::getenv ("MORLAKE_BENCH_SHIM_TARGET");
    if (taken != nullptr && path != taken)
    {
        std::fprintf (stderr, "morlake-bench: only one plug-in with the old entry point per run\n");
        return path;
    }
    setenv ("MORLAKE_BENCH_SHIM_TARGET", path.c_str (), 1);
    return MORLAKE_BENCH_SHIM;
}

std::string resolvePlugin (const std::string& path)
{
    static std::map<std::string, std::string> resolved;
    auto it = resolved.find (path);
    if (it == resolved.end ())
        it = resolved.emplace (path, resolvePluginOnce (path)).first;
    return it->second;
}

std::vector<std::string> splitList (const std::string& text)
{
    std::vector<std::string> out;
    std::stringstream in (text);
    std::string item;
    while (std::getline (in, item, ','))
        if (! item.empty ())
            out.push_back (item);
    return out;
}

bool parse (int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string a = argv[i];
        auto value = [&] () -> std::string {
            if (i + 1 >= argc)
            {
                std::fprintf (stderr, "morlake-bench: %s needs a value\n", a.c_str ());
                std::exit (2);
            }
            return argv[++i];
        };
        if (a == "--plugin")
            o.plugins.push_back (value ());
        else if (a == "--config")
            o.configs = splitList (value ());
        else if (a == "--blocks")
        {
            o.blocks.clear ();
            o.blocksGiven = true;
            for (const auto& b : splitList (value ()))
                o.blocks.push_back (std::max (1, std::atoi (b.c_str ())));
        }
        else if (a == "--seconds")
            o.seconds = std::max (1.5, std::atof (value ().c_str ()));
        else if (a == "--busy")
            o.busyKilobytes = static_cast<std::size_t> (std::max (0, std::atoi (value ().c_str ())));
        else if (a == "--busy-stride")
            o.busyStride = static_cast<std::size_t> (std::max (1, std::atoi (value ().c_str ())));
        else if (a == "--repeat")
            o.repeat = std::max (1, std::atoi (value ().c_str ()));
        else if (a == "--short")
        {
            o.seconds = 3.0;
            o.repeat = 1;
        }
        else if (a == "--all-presets")
            o.allPresets = true;
        else if (a == "--reference")
            o.reference = true;
        else if (a == "--instructions")
            o.instructions = true;
        else if (a == "--callgrind-workload")
            o.callgrindWorkload = true;
        else if (a == "--digest")
            o.digest = true;
        else if (a == "--preset-digests")
            o.presetDigests = true;
        else if (a == "--write-renders")
            o.writeRenders = value ();
        else if (a == "--check-renders")
            o.checkRenders = value ();
        else if (a == "--difference")
            o.difference = true;
        else if (a == "--session")
            o.session = std::max (1, std::atoi (value ().c_str ()));
        else if (a == "--valgrind")
            o.valgrind = value ();
        else if (a == "--help" || a == "-h")
        {
            usage ();
            std::exit (0);
        }
        else
        {
            std::fprintf (stderr, "morlake-bench: unknown option %s\n", a.c_str ());
            usage ();
            return false;
        }
    }
    return true;
}

// The test programme: decaying noise bursts of changing colour and pan over a
// slowly swelling two-note tone, so every stage has something to chew on.
// Deterministic, so every plug-in and every build gets the same samples.
struct Programme
{
    std::vector<float> left, right;
};

Programme makeProgramme (double seconds)
{
    const auto n = static_cast<std::size_t> (seconds * kSampleRate);
    Programme p;
    p.left.resize (n);
    p.right.resize (n);
    std::uint32_t state = 22222;
    auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float> (static_cast<std::int32_t> (state)) * (1.0f / 2147483648.0f);
    };
    const auto burstEvery = static_cast<std::size_t> (0.37 * kSampleRate);
    float lowpass = 0.0f;
    double phaseA = 0.0, phaseB = 0.0;
    for (std::size_t i = 0; i < n; ++i)
    {
        const double t = static_cast<double> (i) / kSampleRate;
        const std::size_t burst = i / burstEvery;
        const double since = static_cast<double> (i % burstEvery) / kSampleRate;
        const float env = static_cast<float> (std::exp (-since / 0.06));
        const float colour = (burst % 3 == 0) ? 0.08f : (burst % 3 == 1 ? 0.5f : 1.0f);
        lowpass += colour * (noise () - lowpass);
        const float pan = static_cast<float> ((burst * 7) % 11) / 10.0f;
        const float swell = static_cast<float> (0.5 + 0.5 * std::sin (2.0 * M_PI * 0.13 * t));
        phaseA += 220.0 / kSampleRate;
        phaseB += 331.0 / kSampleRate;
        const float tone =
            0.08f * swell * static_cast<float> (std::sin (2.0 * M_PI * phaseA) + 0.6 * std::sin (2.0 * M_PI * phaseB));
        const float b = 0.5f * env * lowpass;
        p.left[i] = tone + b * (1.0f - pan);
        p.right[i] = tone + b * pan;
    }
    return p;
}

struct Figures
{
    double realtime = 0.0; // audio time / thread CPU time, after the first second
    double medianUs = 0.0;
    double p999Us = 0.0;
    double worstUs = 0.0;
    // With several runs: the 99.9th percentile over the blocks of each
    // block's fastest time in any run, against the median of those. The same
    // audio through a fresh instance costs the same each run, so this keeps
    // the plug-in's own uneven blocks and drops most of the machine's noise.
    // Each turn's first block is left out: cold/m has it.
    double fastestP999Ratio = 0.0;
    // Side by side: the median of each turn's first block, which finds the
    // caches full of the other plug-ins' data (0 for one plug-in).
    double coldUs = 0.0;
};

double median (std::vector<double> v)
{
    if (v.empty ())
        return 0.0;
    std::sort (v.begin (), v.end ());
    const std::size_t m = v.size () / 2;
    return v.size () % 2 ? v[m] : 0.5 * (v[m - 1] + v[m]);
}

// "model name (vendor family f model m)" from /proc/cpuinfo: a speed figure
// names the processor it was measured on.
std::string processorModel ()
{
    std::ifstream in ("/proc/cpuinfo");
    std::map<std::string, std::string> field;
    for (std::string line; std::getline (in, line) && ! line.empty ();)
    {
        const auto colon = line.find (':');
        if (colon == std::string::npos)
            continue;
        auto trim = [] (std::string t) {
            t.erase (0, t.find_first_not_of (" \t"));
            t.erase (t.find_last_not_of (" \t") + 1);
            return t;
        };
        field[trim (line.substr (0, colon))] = trim (line.substr (colon + 1));
    }
    if (field.empty ())
        return "unknown processor";
    return field["model name"] + " (" + field["vendor_id"] + " family " + field["cpu family"] + " model " +
           field["model"] + ")";
}

// The processor and the lane-read path beside every table of times.
void printMachine ()
{
    std::printf ("processor: %s, %ld cores; Morlake lane reads: %s\n", processorModel ().c_str (),
                 ::sysconf (_SC_NPROCESSORS_ONLN), TBasicReverb::laneReadPath ());
}

std::unique_ptr<HostedPlugin> openPlugin (const std::string& modulePath, int block, std::string& error)
{
    HostConfig config;
    config.sampleRate = kSampleRate;
    config.blockSize = block;
    config.tempo = 120.0;
    config.playing = true;
    auto plugin = HostedPlugin::load (resolvePlugin (modulePath), config, error);
    if (plugin)
        plugin->open ();
    return plugin;
}

std::unique_ptr<HostedPlugin> prepare (const std::string& modulePath, const std::string& name, int block)
{
    std::string error;
    auto plugin = openPlugin (modulePath, block, error);
    if (! plugin)
    {
        std::fprintf (stderr, "morlake-bench: %s: %s\n", modulePath.c_str (), error.c_str ());
        return nullptr;
    }
    if (! applyConfig (*plugin, name, error))
    {
        std::fprintf (stderr, "morlake-bench: %s\n", error.c_str ());
        return nullptr;
    }
    return plugin;
}

// CPU time of this thread: the speed figure leaves out the time other
// processes had the core, which on a shared machine dwarfs the work itself.
double threadCpuMicroseconds ()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double> (t.tv_sec) * 1e6 + static_cast<double> (t.tv_nsec) * 1e-3;
}

// The reference's block: a chain of dependent multiply-adds in registers,
// the same time every call but for the machine's interruptions.
volatile float referenceSink = 0.25f;

[[gnu::noipa]] float referenceBlock (std::uint64_t steps)
{
    float x = referenceSink;
    for (std::uint64_t i = 0; i < steps; ++i)
        x = x * 0.75f + 0.125f;
    return x;
}

// Steps of referenceBlock() that take `us` microseconds, from the fastest
// of many timed calls.
std::uint64_t referenceSteps (double us)
{
    constexpr std::uint64_t kProbe = 20000;
    double best = 1e30;
    for (int i = 0; i < 200; ++i)
    {
        const auto start = std::chrono::steady_clock::now ();
        referenceSink = referenceBlock (kProbe);
        const auto stop = std::chrono::steady_clock::now ();
        best = std::min (best, std::chrono::duration<double, std::micro> (stop - start).count ());
    }
    return static_cast<std::uint64_t> (us / best * static_cast<double> (kProbe));
}

// One plug-in instance being timed, or the reference (no module).
struct Subject
{
    std::string modulePath;
    bool reference = false;
    std::uint64_t referenceSteps = 0;
    std::string config;
    std::unique_ptr<HostedPlugin> plugin;
    std::vector<std::vector<float>> out;
    std::vector<float*> outPtr;
    std::vector<double> times;   // per block, after the first second
    std::vector<double> cold;    // the first block of each turn, when taking turns
    std::vector<double> fastest; // per block, the least time over the runs so far
    double spentUs = 0.0;        // thread CPU time of those blocks' turns (with --busy, their block times)
    std::size_t measured = 0;
};

// The 99.9th percentile of sorted times.
double p999Of (const std::vector<double>& sorted)
{
    const auto rank = static_cast<std::size_t> (std::ceil (0.999 * static_cast<double> (sorted.size ()))) - 1;
    return sorted[std::min (rank, sorted.size () - 1)];
}

Figures figuresOf (Subject& s)
{
    Figures f;
    if (s.times.empty ())
        return f;
    if (s.fastest.size () != s.times.size ())
        s.fastest = s.times;
    else
        for (std::size_t i = 0; i < s.times.size (); ++i)
            s.fastest[i] = std::min (s.fastest[i], s.times[i]);
    std::sort (s.times.begin (), s.times.end ());
    f.medianUs = s.times[s.times.size () / 2];
    f.p999Us = p999Of (s.times);
    f.worstUs = s.times.back ();
    if (! s.cold.empty ())
    {
        f.coldUs = median (s.cold);
        f.worstUs = std::max (f.worstUs, *std::max_element (s.cold.begin (), s.cold.end ()));
    }
    f.realtime = s.spentUs > 0.0 ? (static_cast<double> (s.measured) / kSampleRate * 1e6) / s.spentUs : 0.0;
    return f;
}

// The other data a busy host writes before every block (--busy).
struct BusyData
{
    std::vector<char> bytes;
    std::size_t stride = 64;

    void write ()
    {
        for (std::size_t j = 0; j < bytes.size (); j += stride)
            ++bytes[j];
    }
};

// Runs the programme through a fresh instance of each subject and times
// every block. Several subjects take turns every half second of audio, so
// a noisy neighbour on the machine hits them alike.
bool measureOnce (std::vector<Subject>& subjects, int block, const Programme& prog, BusyData& busy)
{
    for (auto& s : subjects)
    {
        s.times.clear ();
        s.cold.clear ();
        s.spentUs = 0.0;
        s.measured = 0;
        if (s.reference)
            continue;
        s.plugin = prepare (s.modulePath, s.config, block);
        if (! s.plugin)
            return false;
        const int outs = std::max (2, s.plugin->numOutputs ());
        s.out.assign (static_cast<std::size_t> (outs), std::vector<float> (static_cast<std::size_t> (block)));
        s.outPtr.clear ();
        for (auto& c : s.out)
            s.outPtr.push_back (c.data ());
        s.times.reserve (prog.left.size () / static_cast<std::size_t> (block) + 1);
    }
    const auto step = static_cast<std::size_t> (block);
    const std::size_t total = prog.left.size () / step * step;
    const auto settle = static_cast<std::size_t> (kSampleRate);
    // Turns of half a second, starting on a block boundary at or after the
    // first second, so the CPU time of whole turns can be counted.
    const std::size_t turn = std::max (step, static_cast<std::size_t> (0.5 * kSampleRate) / step * step);
    for (std::size_t from = 0; from < total; from += turn)
        for (auto& s : subjects)
        {
            const std::size_t to = std::min (total, from + turn);
            const double cpuStart = threadCpuMicroseconds ();
            double blocksUs = 0.0;
            for (std::size_t done = from; done < to; done += step)
            {
                const float* in[2] = {prog.left.data () + done, prog.right.data () + done};
                busy.write ();
                const auto start = std::chrono::steady_clock::now ();
                if (s.reference)
                    referenceSink = referenceBlock (s.referenceSteps);
                else
                    s.plugin->processBlock (in, 2, s.outPtr.data (), block);
                const auto stop = std::chrono::steady_clock::now ();
                if (done < settle)
                    continue;
                const double us = std::chrono::duration<double, std::micro> (stop - start).count ();
                blocksUs += us;
                // The first block of a turn finds the caches full of the
                // other plug-ins' data; it is kept apart.
                if (done == from && subjects.size () > 1)
                    s.cold.push_back (us);
                else
                    s.times.push_back (us);
            }
            if (from >= settle)
            {
                // The other data's writes are not the plug-in's time.
                s.spentUs += busy.bytes.empty () ? threadCpuMicroseconds () - cpuStart : blocksUs;
                s.measured += to - from;
            }
        }
    for (auto& s : subjects)
        s.plugin.reset ();
    return true;
}

// Median of each figure over o.repeat runs, per subject.
bool measure (const Options& o, std::vector<Subject>& subjects, int block, const Programme& prog,
              std::vector<Figures>& result)
{
    std::vector<std::vector<Figures>> runs (subjects.size ());
    BusyData busy {std::vector<char> (o.busyKilobytes * 1024), o.busyStride};
    if (std::any_of (subjects.begin (), subjects.end (), [] (const Subject& s) { return s.reference; }))
    {
        // The reference takes as long as the first plug-in's median block
        // (the lesser of two short runs: a process's first run starts slow).
        std::vector<Subject> first (1);
        first[0].modulePath = subjects[0].modulePath;
        first[0].config = subjects[0].config;
        const auto frames =
            static_cast<std::ptrdiff_t> (std::min (prog.left.size (), static_cast<std::size_t> (2.5 * kSampleRate)));
        const Programme start {{prog.left.begin (), prog.left.begin () + frames},
                               {prog.right.begin (), prog.right.begin () + frames}};
        double target = 1e30;
        for (int k = 0; k < 2; ++k)
        {
            if (! measureOnce (first, block, start, busy))
                return false;
            target = std::min (target, figuresOf (first[0]).medianUs);
        }
        const std::uint64_t steps = referenceSteps (target);
        for (auto& s : subjects)
            s.referenceSteps = steps;
    }
    for (int r = 0; r < o.repeat; ++r)
    {
        if (! measureOnce (subjects, block, prog, busy))
            return false;
        for (std::size_t i = 0; i < subjects.size (); ++i)
            runs[i].push_back (figuresOf (subjects[i]));
    }
    result.clear ();
    for (std::size_t i = 0; i < runs.size (); ++i)
    {
        const auto& r = runs[i];
        std::vector<double> rt, med, p999, worst, cold;
        for (const auto& f : r)
        {
            rt.push_back (f.realtime);
            med.push_back (f.medianUs);
            p999.push_back (f.p999Us);
            worst.push_back (f.worstUs);
            cold.push_back (f.coldUs);
        }
        result.push_back ({median (rt), median (med), median (p999), median (worst)});
        result.back ().coldUs = median (cold);
        std::vector<double> fastest = std::move (subjects[i].fastest);
        subjects[i].fastest.clear (); // the next configuration starts afresh
        if (o.repeat > 1 && ! fastest.empty ())
        {
            std::sort (fastest.begin (), fastest.end ());
            const double m = fastest[fastest.size () / 2];
            result.back ().fastestP999Ratio = m > 0.0 ? p999Of (fastest) / m : 0.0;
        }
    }
    return true;
}

bool measure (const Options& o, const std::string& name, int block, const Programme& prog, Figures& result)
{
    std::vector<Subject> one (1);
    one[0].modulePath = o.plugin;
    one[0].config = name;
    std::vector<Figures> figures;
    if (! measure (o, one, block, prog, figures))
        return false;
    result = figures[0];
    return true;
}

void printHeader ()
{
    std::printf ("%-28s %5s %9s %10s %10s %10s %7s %7s %7s\n", "config", "block", "xRT", "median_us", "p99.9_us",
                 "worst_us", "p99.9/m", "worst/m", "fast/m");
}

void printRow (const std::string& name, int block, const Figures& f)
{
    const double m = f.medianUs > 0.0 ? f.medianUs : 1.0;
    std::printf ("%-28s %5d %9.2f %10.2f %10.2f %10.2f %7.2f %7.2f %7.2f\n", name.c_str (), block, f.realtime,
                 f.medianUs, f.p999Us, f.worstUs, f.p999Us / m, f.worstUs / m, f.fastestP999Ratio);
    std::fflush (stdout);
}

bool isMorlakeModule (const std::string& modulePath)
{
    std::string error;
    auto plugin = openPlugin (modulePath, 64, error);
    return plugin && isMorlake (*plugin);
}

std::vector<std::string> chosenConfigs (const Options& o)
{
    if (! o.configs.empty ())
        return o.configs;
    const bool morlake = isMorlakeModule (o.plugin);
    std::vector<std::string> names;
    for (const auto& c : defaultConfigs (morlake))
        names.push_back (c.name);
    return names;
}

std::string baseName (const std::string& path) { return std::filesystem::path (path).filename ().string (); }

// Several plug-ins side by side: each Morlake takes the configuration, any
// other plug-in runs in its own start-up state beside it.
int runSideBySide (const Options& o)
{
    const Programme prog = makeProgramme (o.seconds);
    std::vector<bool> morlake;
    for (const auto& path : o.plugins)
        morlake.push_back (isMorlakeModule (path));
    std::printf ("%.0f Hz, %.1f s of audio per run, %d run(s), plug-ins taking turns every 0.5 s, figures after "
                 "the first second (median over runs); cold/m: the median of each turn's first block against the "
                 "median block\n",
                 kSampleRate, o.seconds, o.repeat);
    printMachine ();
    for (std::size_t i = 0; i < o.plugins.size (); ++i)
        std::printf ("plugin %zu: %s\n", i + 1, o.plugins[i].c_str ());
    if (o.reference)
        std::printf ("reference: a fixed sum in registers as long as plugin 1's median block\n");
    std::printf ("%-28s %-26s %5s %9s %10s %10s %10s %7s %7s %7s %7s %8s %8s\n", "config", "plugin", "block", "xRT",
                 "median_us", "p99.9_us", "worst_us", "p99.9/m", "worst/m", "fast/m", "cold/m", "xRT/last", "med/last");
    std::vector<std::string> configs = o.configs;
    if (o.allPresets)
        for (const auto& preset : factoryPresetNames ())
            configs.push_back ("preset:" + preset);
    if (configs.empty ())
        for (const auto& c : defaultConfigs (true))
            configs.push_back (c.name);
    // Per plug-in and block size: speed against the last plug-in, by configuration.
    std::map<std::pair<std::size_t, int>, std::vector<std::pair<double, std::string>>> speeds;
    // Per subject and block size: p99.9/m and fast/m, by configuration.
    std::map<std::pair<std::size_t, int>, std::vector<double>> spread, fastSpread;
    int failures = 0;
    for (const auto& name : configs)
        for (int block : o.blocks)
        {
            std::vector<Subject> subjects (o.plugins.size () + (o.reference ? 1 : 0));
            for (std::size_t i = 0; i < o.plugins.size (); ++i)
            {
                subjects[i].modulePath = o.plugins[i];
                subjects[i].config = morlake[i] ? name : "plugin";
            }
            if (o.reference)
                subjects.back ().reference = true;
            std::vector<Figures> f;
            if (! measure (o, subjects, block, prog, f))
            {
                ++failures;
                continue;
            }
            for (std::size_t i = 0; i < f.size (); ++i)
            {
                const double m = f[i].medianUs > 0.0 ? f[i].medianUs : 1.0;
                // Speed against the last plug-in given: by CPU time, and by median block time.
                const Figures& last = f[o.plugins.size () - 1];
                const double speed = last.realtime > 0.0 ? f[i].realtime / last.realtime : 0.0;
                const double byMedian = last.medianUs / m;
                std::printf ("%-28s %-26s %5d %9.2f %10.2f %10.2f %10.2f %7.2f %7.2f %7.2f %7.2f %8.2f %8.2f\n",
                             name.c_str (), i < o.plugins.size () ? baseName (o.plugins[i]).c_str () : "reference",
                             block, f[i].realtime, f[i].medianUs, f[i].p999Us, f[i].worstUs, f[i].p999Us / m,
                             f[i].worstUs / m, f[i].fastestP999Ratio, f[i].coldUs / m, speed, byMedian);
                if (i < o.plugins.size ())
                    speeds[{i, block}].push_back ({speed, name});
                spread[{i, block}].push_back (f[i].p999Us / m);
                fastSpread[{i, block}].push_back (f[i].fastestP999Ratio);
            }
            std::fflush (stdout);
        }
    if (configs.size () > 1 && o.plugins.size () > 1)
        for (auto& [key, list] : speeds)
        {
            if (key.first + 1 == o.plugins.size ())
                continue;
            std::sort (list.begin (), list.end ());
            std::printf ("plugin %zu, block %d: xRT/last slowest %.2f (%s), median %.2f, fastest %.2f\n", key.first + 1,
                         key.second, list.front ().first, list.front ().second.c_str (), list[list.size () / 2].first,
                         list.back ().first);
        }
    if (configs.size () > 1)
        for (const auto& [key, list] : spread)
        {
            const std::string who =
                key.first < o.plugins.size () ? "plugin " + std::to_string (key.first + 1) : std::string ("reference");
            std::printf ("%s, block %d: p99.9/m median %.2f, fast/m median %.2f, over the configurations\n",
                         who.c_str (), key.second, median (list), median (fastSpread[key]));
        }
    return failures == 0 ? 0 : 1;
}

// One plug-in's session: a host's graph of instances run one after another
// in every block, timed as a whole.
struct Session
{
    std::string modulePath;
    bool morlake = false;
    std::vector<std::unique_ptr<HostedPlugin>> instances;
    std::vector<std::vector<std::vector<float>>> out; // per instance, per channel
    std::vector<std::vector<float*>> outPtr;
    std::vector<double> times; // per block, after the first second, but each turn's first block
    std::vector<double> cold;  // each turn's first block
    double spentUs = 0.0;      // thread CPU time of the measured turns
    std::size_t measured = 0;
    double megabytesEach = 0.0; // resident memory each instance added
};

// Morlakes on factory presets spread over the list; other plug-ins on their
// programs in turn.
bool openSession (Session& s, int count, int block, const Programme& warm)
{
    const auto step = static_cast<std::size_t> (block);
    s.instances.clear ();
    s.out.clear ();
    s.outPtr.clear ();
    const std::vector<std::string> presets = factoryPresetNames ();
    // Freed heap pages back to the system, so the instances' own show in the resident figure.
    ::malloc_trim (0);
    const double before = residentMegabytes ();
    for (int i = 0; i < count; ++i)
    {
        std::unique_ptr<HostedPlugin> plugin;
        if (s.morlake)
            plugin = prepare (
                s.modulePath,
                "preset:" + presets[static_cast<std::size_t> (i) * presets.size () / static_cast<std::size_t> (count)],
                block);
        else
        {
            std::string error;
            plugin = openPlugin (s.modulePath, block, error);
            if (! plugin)
                std::fprintf (stderr, "morlake-bench: %s: %s\n", s.modulePath.c_str (), error.c_str ());
            else if (plugin->numPrograms () > 1)
                plugin->setProgram (i % plugin->numPrograms ());
        }
        if (! plugin)
            return false;
        const int outs = std::max (2, plugin->numOutputs ());
        s.out.emplace_back (static_cast<std::size_t> (outs), std::vector<float> (static_cast<std::size_t> (block)));
        s.outPtr.emplace_back ();
        for (auto& c : s.out.back ())
            s.outPtr.back ().push_back (c.data ());
        s.instances.push_back (std::move (plugin));
    }
    // Two seconds of audio first: a plug-in's delay lines become resident as they are first written.
    const std::size_t warmFrames = std::min (warm.left.size (), static_cast<std::size_t> (2.0 * kSampleRate));
    for (std::size_t done = 0; done + step <= warmFrames; done += step)
        for (std::size_t i = 0; i < s.instances.size (); ++i)
        {
            const float* in[2] = {warm.left.data () + done, warm.right.data () + done};
            s.instances[i]->processBlock (in, 2, s.outPtr[i].data (), block);
        }
    s.megabytesEach = (residentMegabytes () - before) / count;
    return true;
}

// Every session through the programme, taking turns every half second of
// audio; fresh instances each run.
bool measureSessions (std::vector<Session>& sessions, int count, int block, const Programme& prog)
{
    for (auto& s : sessions)
    {
        if (! openSession (s, count, block, prog))
            return false;
        s.times.clear ();
        s.cold.clear ();
        s.spentUs = 0.0;
        s.measured = 0;
    }
    const auto step = static_cast<std::size_t> (block);
    const std::size_t total = prog.left.size () / step * step;
    const auto settle = static_cast<std::size_t> (kSampleRate);
    const std::size_t turn = std::max (step, static_cast<std::size_t> (0.5 * kSampleRate) / step * step);
    for (std::size_t from = 0; from < total; from += turn)
        for (auto& s : sessions)
        {
            const std::size_t to = std::min (total, from + turn);
            const double cpuStart = threadCpuMicroseconds ();
            for (std::size_t done = from; done < to; done += step)
            {
                const float* in[2] = {prog.left.data () + done, prog.right.data () + done};
                const auto start = std::chrono::steady_clock::now ();
                for (std::size_t i = 0; i < s.instances.size (); ++i)
                    s.instances[i]->processBlock (in, 2, s.outPtr[i].data (), block);
                const auto stop = std::chrono::steady_clock::now ();
                if (done < settle)
                    continue;
                const double us = std::chrono::duration<double, std::micro> (stop - start).count ();
                (done == from && sessions.size () > 1 ? s.cold : s.times).push_back (us);
            }
            if (from >= settle)
            {
                s.spentUs += threadCpuMicroseconds () - cpuStart;
                s.measured += to - from;
            }
        }
    for (auto& s : sessions)
        s.instances.clear ();
    return true;
}

int runSession (const Options& o)
{
    const Programme prog = makeProgramme (o.seconds);
    const std::vector<int> blocks = o.blocksGiven ? o.blocks : std::vector<int> {64, 256};
    std::vector<Session> sessions (o.plugins.size ());
    for (std::size_t i = 0; i < o.plugins.size (); ++i)
    {
        sessions[i].modulePath = o.plugins[i];
        sessions[i].morlake = isMorlakeModule (o.plugins[i]);
    }
    std::printf ("session of %d instances per plug-in, processed one after another per block; %.0f Hz, %.1f s of "
                 "audio per run, %d run(s), sessions taking turns every 0.5 s, figures after the first second "
                 "(median over runs); cold/m: each turn's first block against the median\n",
                 o.session, kSampleRate, o.seconds, o.repeat);
    printMachine ();
    for (std::size_t i = 0; i < o.plugins.size (); ++i)
    {
        std::string error;
        const auto plugin = openPlugin (o.plugins[i], 64, error);
        std::printf ("plugin %zu: %s (%s)\n", i + 1, o.plugins[i].c_str (),
                     sessions[i].morlake ? "factory presets spread over the list"
                     : plugin && plugin->numPrograms () > 1
                         ? (std::to_string (plugin->numPrograms ()) + " programs in turn").c_str ()
                         : "one program: every instance in its start-up state");
    }
    std::printf ("%-26s %5s %8s %10s %10s %10s %7s %7s %7s %8s %8s %9s\n", "plugin", "block", "xRT", "median_us",
                 "p99.9_us", "worst_us", "p99.9/m", "worst/m", "cold/m", "xRT/last", "med/last", "MB/inst");
    for (int block : blocks)
    {
        // Per session, each figure over the runs.
        std::vector<std::vector<double>> rt (sessions.size ()), med (sessions.size ()), p999 (sessions.size ()),
            worst (sessions.size ()), cold (sessions.size ()), mb (sessions.size ());
        for (int r = 0; r < o.repeat; ++r)
        {
            if (! measureSessions (sessions, o.session, block, prog))
                return 1;
            for (std::size_t i = 0; i < sessions.size (); ++i)
            {
                Session& s = sessions[i];
                if (s.times.empty ())
                {
                    std::fprintf (stderr, "morlake-bench: no block was timed; give more --seconds\n");
                    return 1;
                }
                std::sort (s.times.begin (), s.times.end ());
                rt[i].push_back (s.spentUs > 0.0 ? static_cast<double> (s.measured) / kSampleRate * 1e6 / s.spentUs
                                                 : 0.0);
                med[i].push_back (median (s.times));
                p999[i].push_back (p999Of (s.times));
                const double worstCold = s.cold.empty () ? 0.0 : *std::max_element (s.cold.begin (), s.cold.end ());
                worst[i].push_back (std::max (s.times.back (), worstCold));
                cold[i].push_back (median (s.cold));
                mb[i].push_back (s.megabytesEach);
            }
        }
        const std::size_t last = sessions.size () - 1;
        for (std::size_t i = 0; i < sessions.size (); ++i)
        {
            const double m = std::max (median (med[i]), 1e-9);
            std::printf ("%-26s %5d %8.2f %10.2f %10.2f %10.2f %7.2f %7.2f %7.2f %8.2f %8.2f %9.1f\n",
                         baseName (o.plugins[i]).c_str (), block, median (rt[i]), m, median (p999[i]),
                         median (worst[i]), median (p999[i]) / m, median (worst[i]) / m, median (cold[i]) / m,
                         median (rt[i]) / std::max (median (rt[last]), 1e-9), median (med[last]) / m, median (mb[i]));
        }
        std::fflush (stdout);
    }
    return 0;
}

int runTimings (const Options& o)
{
    if (o.plugins.size () > 1 || o.reference)
        return runSideBySide (o);
    const Programme prog = makeProgramme (o.seconds);
    std::printf ("plugin %s\n%.0f Hz, %.1f s of audio per run, %d run(s), figures after the first second "
                 "(median over runs; xRT by thread CPU time)\n",
                 o.plugin.c_str (), kSampleRate, o.seconds, o.repeat);
    printMachine ();
    printHeader ();
    int failures = 0;
    for (const auto& name : chosenConfigs (o))
        for (int block : o.blocks)
        {
            Figures f;
            if (measure (o, name, block, prog, f))
                printRow (name, block, f);
            else
                ++failures;
        }
    return failures == 0 ? 0 : 1;
}

int runAllPresets (Options o)
{
    const Programme prog = makeProgramme (o.seconds);
    std::printf ("every factory preset, %.1f s of audio, 64-sample blocks\n", o.seconds);
    printMachine ();
    printHeader ();
    std::string slowest, fastest;
    double slowestRt = 1e30, fastestRt = 0.0;
    int failures = 0;
    for (const auto& preset : factoryPresetNames ())
    {
        Figures f;
        const std::string name = "preset:" + preset;
        if (! measure (o, name, 64, prog, f))
        {
            ++failures;
            continue;
        }
        printRow (preset, 64, f);
        if (f.realtime < slowestRt)
        {
            slowestRt = f.realtime;
            slowest = preset;
        }
        if (f.realtime > fastestRt)
        {
            fastestRt = f.realtime;
            fastest = preset;
        }
    }
    std::printf ("slowest: \"%s\" %.2f xRT; fastest: \"%s\" %.2f xRT\n", slowest.c_str (), slowestRt, fastest.c_str (),
                 fastestRt);
    return failures == 0 ? 0 : 1;
}

// Fixed workload for callgrind: per configuration one second to fill the
// lines (not counted), then one counted second, dumped under its own name.
constexpr double kCallgrindSettle = 2.0;
constexpr double kCallgrindCounted = 1.0;

int runCallgrindWorkload (const Options& o)
{
    const Programme prog = makeProgramme (kCallgrindSettle + kCallgrindCounted);
    for (const auto& name : chosenConfigs (o))
        for (int block : o.blocks)
        {
            auto plugin = prepare (o.plugin, name, block);
            if (! plugin)
                return 1;
            std::vector<float> l (static_cast<std::size_t> (block)), r (static_cast<std::size_t> (block));
            float* out[2] = {l.data (), r.data ()};
            const auto settle = static_cast<std::size_t> (kCallgrindSettle * kSampleRate);
            std::size_t counted = 0;
            bool collecting = false;
            for (std::size_t done = 0; done + static_cast<std::size_t> (block) <= prog.left.size ();
                 done += static_cast<std::size_t> (block))
            {
                if (done >= settle && ! collecting)
                {
                    CALLGRIND_TOGGLE_COLLECT;
                    collecting = true;
                }
                const float* in[2] = {prog.left.data () + done, prog.right.data () + done};
                plugin->processBlock (in, 2, out, block);
                if (collecting)
                    counted += static_cast<std::size_t> (block);
            }
            CALLGRIND_TOGGLE_COLLECT;
            const std::string tag =
                "morlake-bench|" + name + "|" + std::to_string (block) + "|" + std::to_string (counted);
            CALLGRIND_DUMP_STATS_AT (tag.c_str ());
            (void)tag;
        }
    return 0;
}

std::string shellQuote (const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string ("'\\''") : std::string (1, c);
    return q + "'";
}

int runInstructions (const Options& o)
{
    char dirTemplate[] = "/tmp/morlake-bench-cg.XXXXXX";
    if (mkdtemp (dirTemplate) == nullptr)
    {
        std::perror ("morlake-bench: mkdtemp");
        return 1;
    }
    const std::filesystem::path dir = dirTemplate;
    const std::string self = std::filesystem::read_symlink ("/proc/self/exe").string ();
    std::string blocks;
    for (int b : o.blocks)
        blocks += (blocks.empty () ? "" : ",") + std::to_string (b);
    std::string configs;
    for (const auto& c : chosenConfigs (o))
        configs += (configs.empty () ? "" : ",") + c;
    const std::string command =
        shellQuote (o.valgrind) +
        " --tool=callgrind --collect-atstart=no --callgrind-out-file=" + shellQuote ((dir / "cg.out").string ()) + " " +
        shellQuote (self) + " --callgrind-workload --plugin " + shellQuote (o.plugin) + " --config " +
        shellQuote (configs) + " --blocks " + blocks + " > " + shellQuote ((dir / "log").string ()) + " 2>&1";
    std::printf ("running under callgrind (slow): %s\n", command.c_str ());
    std::fflush (stdout);
    const int status = std::system (command.c_str ());
    if (status != 0)
    {
        std::fprintf (stderr, "morlake-bench: callgrind run failed (%d); see %s/log\n", status, dir.c_str ());
        return 1;
    }
    std::printf ("%-28s %5s %12s %14s\n", "config", "block", "samples", "instr/sample");
    int found = 0;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator (dir))
        if (entry.path ().filename ().string ().rfind ("cg.out.", 0) == 0)
            files.push_back (entry.path ());
    std::sort (files.begin (), files.end (), [] (const auto& a, const auto& b) {
        return std::atoi (a.extension ().c_str () + 1) < std::atoi (b.extension ().c_str () + 1);
    });
    for (const auto& file : files)
    {
        std::ifstream in (file);
        std::string line, tag;
        double instructions = -1.0;
        while (std::getline (in, line))
        {
            const auto at = line.find ("morlake-bench|");
            if (line.rfind ("desc:", 0) == 0 && at != std::string::npos)
                tag = line.substr (at);
            else if (line.rfind ("totals:", 0) == 0 || (instructions < 0 && line.rfind ("summary:", 0) == 0))
                instructions = std::atof (line.c_str () + line.find (':') + 1);
        }
        std::vector<std::string> parts;
        std::stringstream split (tag);
        for (std::string part; std::getline (split, part, '|');)
            parts.push_back (part);
        if (parts.size () != 4 || instructions < 0)
            continue;
        const double samples = std::atof (parts[3].c_str ());
        std::printf ("%-28s %5s %12.0f %14.0f\n", parts[1].c_str (), parts[2].c_str (), samples,
                     samples > 0 ? instructions / samples : 0.0);
        ++found;
    }
    std::error_code ignored;
    std::filesystem::remove_all (dir, ignored);
    return found > 0 ? 0 : 1;
}

// FNV-1a over the output bits of a few seconds at several block sizes; the
// block size must not change a single bit.
std::uint64_t digestOf (const Options& o, const std::string& name, int block, const Programme& prog, bool irregular)
{
    auto plugin = prepare (o.plugin, name, 512);
    if (! plugin)
        return 0;
    std::vector<float> l (512), r (512);
    float* out[2] = {l.data (), r.data ()};
    std::uint64_t h = 1469598103934665603ull;
    std::size_t done = 0;
    int turn = 0;
    const int odd[] = {1, 17, 64, 333, 7, 512, 100, 31};
    while (done < prog.left.size ())
    {
        int n = irregular ? odd[turn++ % 8] : block;
        n = static_cast<int> (std::min<std::size_t> (static_cast<std::size_t> (n), prog.left.size () - done));
        const float* in[2] = {prog.left.data () + done, prog.right.data () + done};
        plugin->processBlock (in, 2, out, n);
        for (int i = 0; i < n; ++i)
            for (const float v : {l[static_cast<std::size_t> (i)], r[static_cast<std::size_t> (i)]})
            {
                std::uint32_t bits;
                std::memcpy (&bits, &v, sizeof bits);
                for (int b = 0; b < 4; ++b)
                {
                    h ^= (bits >> (8 * b)) & 0xffu;
                    h *= 1099511628211ull;
                }
            }
        done += static_cast<std::size_t> (n);
    }
    return h;
}

// The digest configurations, or with --preset-digests every factory preset.
int runDigest (const Options& o)
{
    const Programme prog = makeProgramme (std::min (o.seconds, 6.0));
    std::vector<std::string> names = o.configs.empty () ? digestConfigs () : o.configs;
    if (o.presetDigests)
    {
        names.clear ();
        for (const auto& preset : factoryPresetNames ())
            names.push_back ("preset:" + preset);
    }
    int mismatches = 0;
    for (const auto& name : names)
    {
        const std::uint64_t a = digestOf (o, name, 64, prog, false);
        const std::uint64_t b = digestOf (o, name, 512, prog, false);
        const std::uint64_t c = digestOf (o, name, 0, prog, true);
        const bool same = a == b && b == c;
        mismatches += same ? 0 : 1;
        std::printf ("%-28s %016llx%s\n", name.c_str (), static_cast<unsigned long long> (a),
                     same ? "" : "  (differs with the block size)");
    }
    return mismatches == 0 ? 0 : 1;
}

// The renders the reference files and --difference compare: every digest
// configuration and every factory preset, through the digest programme in
// 512-frame blocks.
std::vector<std::string> renderNames ()
{
    std::vector<std::string> names = digestConfigs ();
    for (const auto& preset : factoryPresetNames ())
        names.push_back ("preset:" + preset);
    return names;
}

// Left and right interleaved; empty when the plug-in could not take the configuration.
std::vector<float> renderOf (const std::string& modulePath, const std::string& name, const Programme& prog)
{
    auto plugin = prepare (modulePath, name, 512);
    if (! plugin)
        return {};
    std::vector<float> l (512), r (512), out;
    out.reserve (2 * prog.left.size ());
    float* outs[2] = {l.data (), r.data ()};
    for (std::size_t done = 0; done < prog.left.size (); done += 512)
    {
        const int n = static_cast<int> (std::min<std::size_t> (512, prog.left.size () - done));
        const float* in[2] = {prog.left.data () + done, prog.right.data () + done};
        plugin->processBlock (in, 2, outs, n);
        for (std::size_t i = 0; i < static_cast<std::size_t> (n); ++i)
        {
            out.push_back (l[i]);
            out.push_back (r[i]);
        }
    }
    return out;
}

// A reference file keeps every kRenderStride-th frame of each render: with
// 77 renders of 6 s, about 340 KB. The stride is prime, so the kept frames
// fall on every place within a block and a control tick.
constexpr std::size_t kRenderStride = 509;
constexpr double kRenderSeconds = 6.0;
constexpr double kRenderLimitDb = -120.0;

double decibels (double peak) { return 20.0 * std::log10 (peak); }

// "-130.2 dB", or "identical" for no difference at all.
std::string differenceText (double peak)
{
    if (peak == 0.0)
        return "identical";
    char text[32];
    std::snprintf (text, sizeof text, "%.1f dB", decibels (peak));
    return text;
}

// The file: per render a line "name\tframes\n", then frames * 2 floats (little-endian).
int writeRenders (const Options& o)
{
    const Programme prog = makeProgramme (kRenderSeconds);
    std::ofstream file (o.writeRenders, std::ios::binary);
    for (const auto& name : renderNames ())
    {
        const std::vector<float> full = renderOf (o.plugin, name, prog);
        if (full.empty ())
            return 1;
        std::vector<float> kept;
        for (std::size_t f = 0; 2 * f < full.size (); f += kRenderStride)
        {
            kept.push_back (full[2 * f]);
            kept.push_back (full[2 * f + 1]);
        }
        file << name << '\t' << kept.size () / 2 << '\n';
        file.write (reinterpret_cast<const char*> (kept.data ()),
                    static_cast<std::streamsize> (kept.size () * sizeof (float)));
    }
    return file.good () ? 0 : 1;
}

int checkRenders (const Options& o)
{
    const Programme prog = makeProgramme (kRenderSeconds);
    std::ifstream file (o.checkRenders, std::ios::binary);
    if (! file)
    {
        std::fprintf (stderr, "morlake-bench: cannot read %s\n", o.checkRenders.c_str ());
        return 1;
    }
    int failures = 0, checked = 0;
    double worst = 0.0;
    for (std::string line; std::getline (file, line);)
    {
        const auto tab = line.find ('\t');
        const std::string name = line.substr (0, tab);
        const auto frames = static_cast<std::size_t> (std::atol (line.c_str () + tab + 1));
        std::vector<float> kept (2 * frames);
        file.read (reinterpret_cast<char*> (kept.data ()),
                   static_cast<std::streamsize> (kept.size () * sizeof (float)));
        const std::vector<float> full = renderOf (o.plugin, name, prog);
        double peak = full.empty () ? 1.0 : 0.0;
        for (std::size_t k = 0; k < frames && ! full.empty (); ++k)
            for (std::size_t c = 0; c < 2; ++c)
            {
                const std::size_t at = 2 * (k * kRenderStride) + c;
                const double d = at < full.size () ? std::fabs (double (full[at]) - double (kept[2 * k + c])) : 1.0;
                peak = std::max (peak, std::isnan (d) ? 1.0 : d);
            }
        const bool fails = peak > 0.0 && decibels (peak) > kRenderLimitDb;
        failures += fails ? 1 : 0;
        ++checked;
        worst = std::max (worst, peak);
        std::printf ("%-34s %12s%s\n", name.c_str (), differenceText (peak).c_str (),
                     fails ? "  (over the limit)" : "");
    }
    std::printf ("%d renders, peak difference %s relative to full scale (limit %.0f dB)\n", checked,
                 differenceText (worst).c_str (), kRenderLimitDb);
    return failures == 0 && checked == static_cast<int> (renderNames ().size ()) ? 0 : 1;
}

// Two builds' whole renders side by side.
int runDifference (const Options& o)
{
    if (o.plugins.size () != 2)
    {
        std::fprintf (stderr, "morlake-bench: --difference takes two --plugin\n");
        return 2;
    }
    const Programme prog = makeProgramme (kRenderSeconds);
    std::printf ("%-34s %12s %12s %12s\n", "render", "peak diff", "first frame", "over limit");
    double worst = 0.0;
    for (const auto& name : renderNames ())
    {
        const std::vector<float> a = renderOf (o.plugins[0], name, prog);
        const std::vector<float> b = renderOf (o.plugins[1], name, prog);
        double peak = a.size () == b.size () && ! a.empty () ? 0.0 : 1.0;
        for (std::size_t i = 0; i < a.size () && i < b.size (); ++i)
        {
            const double d = std::fabs (double (a[i]) - double (b[i]));
            peak = std::max (peak, std::isnan (d) ? 1.0 : d);
        }
        worst = std::max (worst, peak);
        // Where the renders part, and where the difference first passes the
        // limit: a chain with feedback through discontinuities (wave folding,
        // modulation from its own taps) grows a rounding difference.
        const double limit = std::pow (10.0, kRenderLimitDb / 20.0);
        long firstAny = -1, firstOver = -1;
        for (std::size_t i = 0; i < a.size () && i < b.size () && firstOver < 0; ++i)
        {
            const double d = std::fabs (double (a[i]) - double (b[i]));
            if (d > 0.0 && firstAny < 0)
                firstAny = static_cast<long> (i / 2);
            if (! (d <= limit))
                firstOver = static_cast<long> (i / 2);
        }
        std::printf ("%-34s %12s %12ld %12ld\n", name.c_str (), differenceText (peak).c_str (), firstAny, firstOver);
    }
    std::printf ("peak difference over all renders: %s relative to full scale\n", differenceText (worst).c_str ());
    return 0;
}

} // namespace
} // namespace morlake::bench

int main (int argc, char** argv)
{
    using namespace morlake::bench;
    Options o;
    if (! parse (argc, argv, o))
        return 2;
    if (! o.plugins.empty ())
        o.plugin = o.plugins.front ();
    else
        o.plugins.push_back (o.plugin);
    if (o.plugin.empty ())
    {
        std::fprintf (stderr, "morlake-bench: no plug-in given (--plugin PATH)\n");
        return 2;
    }
    // The plug-ins take the lane-read path this process chose as it loaded,
    // the one printMachine() names (the choice is timed, so two could differ).
    if (std::getenv ("MORLAKE_GATHER") == nullptr)
    {
        const std::string path = morlake::TBasicReverb::laneReadPath ();
        if (path != "128-bit")
            setenv ("MORLAKE_GATHER", path == "AVX2, gathers" ? "1" : "0", 1);
    }
    if (o.callgrindWorkload)
        return runCallgrindWorkload (o);
    if (o.instructions)
    {
        // Instructions per sample hardly depend on the block size.
        if (! o.blocksGiven)
            o.blocks = {64};
        return runInstructions (o);
    }
    if (o.digest || o.presetDigests)
        return runDigest (o);
    if (! o.writeRenders.empty ())
        return writeRenders (o);
    if (! o.checkRenders.empty ())
        return checkRenders (o);
    if (o.difference)
        return runDifference (o);
    if (o.session > 0)
        return runSession (o);
    if (o.allPresets && o.plugins.size () <= 1 && ! o.reference)
        return runAllPresets (o);
    return runTimings (o);
}
