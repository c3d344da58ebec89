// The modes of morlake-host. Each mode gets the parsed options and answers
// the process exit code.
#pragma once

#include <string>

namespace morlake {

struct HostOptions
{
    enum class Mode
    {
        help,
        info,
    };
    Mode mode = Mode::help;
    std::string pluginPath;
    std::string hostProduct;
    std::string hostVendor;
};

int runInfo (const HostOptions& options);

} // namespace morlake
