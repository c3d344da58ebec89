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
        editor,
    };
    Mode mode = Mode::help;
    std::string pluginPath;
    std::string hostProduct;
    std::string hostVendor;
    // --editor
    int editorSize = -1; // screen-size index 0..3, -1: the user's setting
    std::string screenshotPath;
    int screenshotAfterPasses = 25;
    int idlePeriodMs = 20;
    int clickX = -1; // a left click the editor gets after its first idle calls
    int clickY = -1;
};

int runInfo (const HostOptions& options);
int runEditor (const HostOptions& options);

} // namespace morlake
