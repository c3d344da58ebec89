// The plug-in settings the benchmark measures, applied through the host
// interface the way a host would.
#pragma once

#include "tools/harness/HostedPlugin.h"

#include <string>
#include <vector>

namespace morlake::bench {

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
