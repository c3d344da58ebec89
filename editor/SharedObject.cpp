#include "editor/SharedObject.h"

#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>

// VSTGUI declares this and leaves the definition to its client: the handle of
// the shared object whose bundle holds the resources.
namespace VSTGUI {
void* soHandle = nullptr;
}

namespace morlake {

namespace {

std::mutex& pathLock ()
{
    static std::mutex lock;
    return lock;
}

std::string& overrideDirectory ()
{
    static std::string dir;
    return dir;
}

std::string modulePath ()
{
    Dl_info info {};
    if (dladdr (reinterpret_cast<void*> (&initModuleHandle), &info) == 0 || info.dli_fname == nullptr)
        return {};
    char resolved[PATH_MAX];
    if (realpath (info.dli_fname, resolved) == nullptr)
        return info.dli_fname;
    return resolved;
}

std::string parentOf (const std::string& path)
{
    const auto slash = path.find_last_of ('/');
    return slash == std::string::npos ? std::string {} : path.substr (0, slash);
}

} // namespace

void* initModuleHandle ()
{
    std::lock_guard<std::mutex> guard (pathLock ());
    if (VSTGUI::soHandle != nullptr)
        return VSTGUI::soHandle;
    const std::string path = modulePath ();
    if (path.empty ())
        return nullptr;
    // RTLD_NOLOAD only finds the module that is already loaded; the extra
    // reference is dropped at once so the host can still unload us. The
    // handle stays valid for as long as our code is mapped.
    void* handle = dlopen (path.c_str (), RTLD_LAZY | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose (handle);
    VSTGUI::soHandle = handle;
    return handle;
}

std::string editorResourceDirectory ()
{
    {
        std::lock_guard<std::mutex> guard (pathLock ());
        if (! overrideDirectory ().empty ())
            return overrideDirectory ();
    }
    // <bundle>/Contents/x86_64-linux/Morlake.so -> <bundle>/Contents/Resources/
    const std::string contents = parentOf (parentOf (modulePath ()));
    return contents.empty () ? std::string {} : contents + "/Resources/";
}

void setEditorResourceDirectory (const std::string& dir)
{
    std::lock_guard<std::mutex> guard (pathLock ());
    overrideDirectory () = dir.empty () || dir.back () == '/' ? dir : dir + "/";
}

} // namespace morlake
