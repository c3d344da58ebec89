#include "platform/Desktop.h"

#include "platform/MessageWindows.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morlake {

namespace {

std::mutex chooserLock;
FileChooser chooserOverride;

bool isExecutable (const std::string& path)
{
    struct stat info {};
    return ::stat (path.c_str (), &info) == 0 && S_ISREG (info.st_mode) && ::access (path.c_str (), X_OK) == 0;
}

std::vector<char*> argvOf (std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back (a.data ());
    argv.push_back (nullptr);
    return argv;
}

// Runs `args` and answers its standard output; false when it could not run
// or ended with a failure status (the choosers' "cancelled").
bool runForOutput (std::vector<std::string> args, std::string& output)
{
    std::vector<char*> argv = argvOf (args);
    int out[2];
    if (::pipe2 (out, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork ();
    if (child < 0)
    {
        ::close (out[0]);
        ::close (out[1]);
        return false;
    }
    if (child == 0)
    {
        ::dup2 (out[1], STDOUT_FILENO);
        if (const int null = ::open ("/dev/null", O_WRONLY); null >= 0)
            ::dup2 (null, STDERR_FILENO);
        ::execv (argv[0], argv.data ());
        ::_exit (127);
    }
    ::close (out[1]);
    char buffer[4096];
    for (;;)
    {
        const ssize_t got = ::read (out[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        output.append (buffer, static_cast<std::size_t> (got));
    }
    ::close (out[0]);
    int status = 0;
    while (::waitpid (child, &status, 0) < 0 && errno == EINTR)
    {
    }
    return WIFEXITED (status) && WEXITSTATUS (status) == 0;
}

std::string folderOf (const std::string& path)
{
    const std::size_t slash = path.rfind ('/');
    return slash == std::string::npos ? std::string {} : path.substr (0, slash + 1);
}

std::string withSlash (std::string dir)
{
    if (! dir.empty () && dir.back () != '/')
        dir += '/';
    return dir;
}

std::vector<std::string> zenityArgs (const std::string& program, const FileRequest& r)
{
    std::vector<std::string> args {program, "--file-selection", "--title=" + r.title};
    if (r.save)
    {
        args.push_back ("--save");
        args.push_back ("--confirm-overwrite");
    }
    args.push_back ("--filename=" + withSlash (r.initialDir) + (r.save ? r.defaultName : std::string {}));
    if (! r.extensions.empty ())
    {
        std::string filter = "--file-filter=";
        for (const std::string& e : r.extensions)
            filter += "*" + e + " ";
        args.push_back (filter);
        args.push_back ("--file-filter=*");
    }
    return args;
}

std::vector<std::string> kdialogArgs (const std::string& program, const FileRequest& r)
{
    std::vector<std::string> args {program, r.save ? "--getsavefilename" : "--getopenfilename",
                                   withSlash (r.initialDir) + (r.save ? r.defaultName : std::string {})};
    std::string filter;
    for (const std::string& e : r.extensions)
        filter += (filter.empty () ? "*" : " *") + e;
    if (! filter.empty ())
        args.push_back (filter);
    args.push_back ("--title");
    args.push_back (r.title);
    return args;
}

bool desktopChooser (const FileRequest& request, std::string& chosen)
{
    std::vector<std::string> args;
    if (const std::string zenity = findProgram ("zenity"); ! zenity.empty ())
        args = zenityArgs (zenity, request);
    else if (const std::string kdialog = findProgram ("kdialog"); ! kdialog.empty ())
        args = kdialogArgs (kdialog, request);
    else
    {
        messageBox ("No file chooser was found. Install zenity (or kdialog) to load and save files.", 0);
        return false;
    }
    std::string output;
    if (! runForOutput (std::move (args), output))
        return false;
    const std::size_t end = output.find ('\n');
    chosen = output.substr (0, end);
    return ! chosen.empty () && chosen.front () == '/';
}

bool choose (const FileRequest& request, std::string& chosen)
{
    FileChooser chooser;
    {
        std::lock_guard<std::mutex> guard (chooserLock);
        chooser = chooserOverride;
    }
    return chooser ? chooser (request, chosen) : desktopChooser (request, chosen);
}

void copyOut (const std::string& text, char* out, int size)
{
    if (out == nullptr || size <= 0)
        return;
    std::snprintf (out, static_cast<std::size_t> (size), "%s", text.c_str ());
}

} // namespace

void setFileChooser (FileChooser chooser)
{
    std::lock_guard<std::mutex> guard (chooserLock);
    chooserOverride = std::move (chooser);
}

std::vector<std::string> patternExtensions (const std::string& pattern)
{
    std::vector<std::string> extensions;
    std::size_t start = pattern.find ('.');
    while (start != std::string::npos && start < pattern.size ())
    {
        const std::size_t end = pattern.find (';', start);
        std::string run = pattern.substr (start, end == std::string::npos ? std::string::npos : end - start);
        // Later runs of "*.ecs;*.txt" start with the wildcard: the extension is what follows it.
        run.erase (0, run.find_first_not_of ('*'));
        if (! run.empty ())
            extensions.push_back (run);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return extensions;
}

std::string forceExtension (const std::string& chosen, const std::string& proposedName)
{
    const std::size_t dot = proposedName.find ('.');
    if (dot == std::string::npos || proposedName.size () - dot != 4)
        return chosen;
    const std::string extension = proposedName.substr (dot);
    const std::size_t nameStart = chosen.rfind ('/') == std::string::npos ? 0 : chosen.rfind ('/') + 1;
    const std::size_t nameDot = chosen.find ('.', nameStart);
    return nameDot == std::string::npos ? chosen + extension : chosen.substr (0, nameDot) + extension;
}

bool fileSelectLoadDirStr (const std::string& title, const std::string& initialDir, const std::string& buttonText,
                           const std::string& pattern, std::string& outDir, std::string& outPath)
{
    FileRequest request;
    request.title = title;
    request.initialDir = initialDir;
    request.buttonText = buttonText;
    request.extensions = patternExtensions (pattern);
    std::string chosen;
    if (! choose (request, chosen) || chosen.empty ())
        return false;
    outPath = chosen;
    outDir = folderOf (chosen);
    return true;
}

bool fileSelectLoadDir (const char* title, const char* initialDir, const char* buttonText, const char* pattern,
                        char* outDir, char* outPath, int size)
{
    std::string dir, path;
    if (! fileSelectLoadDirStr (title != nullptr ? title : "", initialDir != nullptr ? initialDir : "",
                                buttonText != nullptr ? buttonText : "", pattern != nullptr ? pattern : "", dir, path))
        return false;
    copyOut (path, outPath, size);
    copyOut (dir, outDir, size);
    return true;
}

bool fileSelectSaveDir (const char* title, const char* initialDir, const char* buttonText, const char* defaultName,
                        char* outName, char* outPath, int size)
{
    FileRequest request;
    request.save = true;
    request.title = title != nullptr ? title : "";
    request.initialDir = initialDir != nullptr ? initialDir : "";
    request.buttonText = buttonText != nullptr ? buttonText : "";
    request.defaultName = defaultName != nullptr ? defaultName : "";
    request.extensions = patternExtensions (request.defaultName);
    std::string chosen;
    if (! choose (request, chosen) || chosen.empty ())
        return false;
    const std::string path = forceExtension (chosen, request.defaultName);
    copyOut (path, outPath, size);
    copyOut (folderOf (path), outName, size);
    return true;
}

std::string findProgram (const std::string& program)
{
    const char* path = std::getenv ("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size ())
    {
        const std::size_t end = dirs.find (':', start);
        const std::string dir = dirs.substr (start, end == std::string::npos ? std::string::npos : end - start);
        if (! dir.empty () && isExecutable (withSlash (dir) + program))
            return withSlash (dir) + program;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return {};
}

bool openDocument (const std::string& target)
{
    std::string opener = findProgram ("xdg-open");
    if (opener.empty ())
    {
        messageBox ("Nothing can open " + target + ". Install xdg-utils (xdg-open) and a viewer.", 0);
        return false;
    }
    std::vector<std::string> args {opener, target};
    std::vector<char*> argv = argvOf (args);
    // Twice forked: the opener runs on its own, and leaves no zombie behind.
    const pid_t child = ::fork ();
    if (child < 0)
        return false;
    if (child == 0)
    {
        ::setsid ();
        if (::fork () == 0)
        {
            if (const int null = ::open ("/dev/null", O_RDWR); null >= 0)
            {
                ::dup2 (null, STDIN_FILENO);
                ::dup2 (null, STDOUT_FILENO);
                ::dup2 (null, STDERR_FILENO);
            }
            ::execv (argv[0], argv.data ());
        }
        ::_exit (0);
    }
    int status = 0;
    while (::waitpid (child, &status, 0) < 0 && errno == EINTR)
    {
    }
    return true;
}

} // namespace morlake
