// morlake-host: looks at a VST 2.4 plug-in the way a host sees it.
#include "tools/host/HostModes.h"
#include "tools/harness/DefaultPlugin.h"
#include "tools/harness/FactoryPresets.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kUsage = R"(usage: morlake-host --info [PATH] [options]
       morlake-host --editor [PATH] [--size N] [--screenshot FILE] [options]

  --info [PATH]        identity, I/O, flags, canDo answers, pins and parameters
                       of the plug-in (default: the installed Morlake bundle,
                       else the one of this build)
  --editor [PATH]      open the plug-in's editor in a plain X11 window and idle
                       it every 20 ms until the window closes
    --size N           screen size 100, 125, 150 or 200 (kept in a private
                       settings folder, the user's own stay untouched)
    --screenshot FILE  save the editor as PNG after 25 idle calls and exit
    --click X,Y        click the editor at X,Y (editor pixels) after 5 idle calls
  --host-product S     host product string the plug-in sees (default AL-KILNCAST)
  --host-vendor S      host vendor string (default Aldermoor)
  -h, --help           this text
)";

bool parseOptions (int argc, char** argv, morlake::HostOptions& o, std::string& error)
{
    using Mode = morlake::HostOptions::Mode;
    bool pathGiven = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto next = [&] (std::string& into) {
            if (i + 1 >= argc)
            {
                error = "option " + arg + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (arg == "-h" || arg == "--help")
            o.mode = Mode::help;
        else if (arg == "--info")
            o.mode = Mode::info;
        else if (arg == "--editor")
            o.mode = Mode::editor;
        else if (arg == "--size")
        {
            std::string value;
            if (! next (value))
                return false;
            const int sizes[4] = {100, 125, 150, 200};
            o.editorSize = -1;
            for (int k = 0; k < 4; ++k)
                if (value == std::to_string (sizes[k]))
                    o.editorSize = k;
            if (o.editorSize < 0)
            {
                error = "--size takes 100, 125, 150 or 200";
                return false;
            }
        }
        else if (arg == "--click")
        {
            std::string value;
            if (! next (value))
                return false;
            if (std::sscanf (value.c_str (), "%d,%d", &o.clickX, &o.clickY) != 2 || o.clickX < 0 || o.clickY < 0)
            {
                error = "--click takes X,Y";
                return false;
            }
        }
        else if (arg == "--screenshot")
        {
            if (! next (o.screenshotPath))
                return false;
        }
        else if (arg == "--host-product")
        {
            if (! next (o.hostProduct))
                return false;
        }
        else if (arg == "--host-vendor")
        {
            if (! next (o.hostVendor))
                return false;
        }
        else if (arg.size () > 1 && arg[0] == '-')
        {
            error = "unknown option \"" + arg + "\" (see --help)";
            return false;
        }
        else if (! pathGiven)
        {
            o.pluginPath = arg;
            pathGiven = true;
        }
        else
        {
            error = "more than one plug-in path given";
            return false;
        }
    }
    return true;
}

} // namespace

int main (int argc, char** argv)
{
    morlake::HostOptions options;
    options.pluginPath = morlake::defaultPluginPath ();
    options.hostProduct = morlake::kToolHostProduct;
    options.hostVendor = morlake::kToolHostVendor;
    std::string error;
    if (! parseOptions (argc, argv, options, error))
    {
        std::fprintf (stderr, "morlake-host: error: %s\n", error.c_str ());
        return 2;
    }
    switch (options.mode)
    {
        case morlake::HostOptions::Mode::info: return morlake::runInfo (options);
        case morlake::HostOptions::Mode::editor: return morlake::runEditor (options);
        case morlake::HostOptions::Mode::help: break;
    }
    std::fputs (kUsage, stdout);
    return argc > 1 ? 0 : 2;
}
