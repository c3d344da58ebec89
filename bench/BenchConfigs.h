// The plug-in settings the benchmark measures, applied through the host
// interface the way a host would.
#pragma once

#include "tools/harness/HostedPlugin.h"

#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace morlake::bench {

// The process's resident memory now, in MiB.
inline double residentMegabytes ()
{
    std::ifstream statm ("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double> (resident) * static_cast<double> (::sysconf (_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct BenchConfig
{
    std::string name;  // what the report calls it
    std::string label; // one line on what it sets
};

// "light", "base", "slowest", "heavy", "preset:<factory name>", "plugin" (whatever state
// the plug-in opens with; the only one a foreign plug-in offers).
std::vector<BenchConfig> defaultConfigs (bool morlake);

// The factory presets the "light" and "slowest" configurations load: the
// cheapest and the dearest in a sweep over all of them (--all-presets).
inline constexpr const char* kLightestPreset = "drum Default Hall";
inline constexpr const char* kSlowestPreset = "percussion Weirdo";

// Applies a configuration to a freshly opened instance. False (and a reason)
// when the name is unknown or the plug-in cannot take it.
bool applyConfig (HostedPlugin& plugin, const std::string& name, std::string& error);

// Extra configurations for the output digests: every reverb character and the
// switches and routes the timing runs leave out.
std::vector<std::string> digestConfigs ();

} // namespace morlake::bench
