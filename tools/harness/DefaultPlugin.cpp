#include "tools/harness/DefaultPlugin.h"

#include <filesystem>
#include <system_error>

namespace morlake {

std::string defaultPluginPath ()
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::read_symlink ("/proc/self/exe", error).parent_path ();
    if (error)
        return MORLAKE_INSTALLED_PLUGIN;
    // Both relative to the program's folder, so nothing of the build tree's
    // location ends up in an installed program.
    const fs::path installed = folder / ".." / MORLAKE_INSTALLED_PLUGIN;
    const fs::path built = folder / MORLAKE_BUILD_TREE_PLUGIN;
    if (! fs::is_regular_file (installed, error) && fs::is_regular_file (built, error))
        return built.lexically_normal ().string ();
    return installed.lexically_normal ().string ();
}

} // namespace morlake
