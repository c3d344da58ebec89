// The plug-in the command-line tools load when no --plugin is given.
#pragma once

#include <string>

namespace morlake {

// The bundle installed under the same prefix as the running program
// (<prefix>/bin/morlake-render -> <prefix>/lib/lxvst/Morlake.vst/...), else
// the bundle of the build tree the program was built in.
std::string defaultPluginPath ();

} // namespace morlake
