#include "platform/Desktop.h"

#include "platform/MessageWindows.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace morlake {

namespace {

std::mutex chooserLock;
FileChooser chooserOverride;

bool isExecutable (const std::string& path)
{
    struct stat info
    {};
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

std::mutex droppedLock;
std::vector<pid_t> droppedChildren;

void dropChild (pid_t pid)
{
    std::lock_guard<std::mutex> guard (droppedLock);
    droppedChildren.push_back (pid);
}

// Starts `args` in a session of its own, standard output to a non-blocking
// pipe (or /dev/null when `capture` is false); -1 when it could not start.
// posix_spawn shares the host's memory until exec instead of copying its
// page tables, which a large host would pay for on its user-interface thread.
pid_t spawn (std::vector<std::string> args, bool capture, int& outFd)
{
    outFd = -1;
    std::vector<char*> argv = argvOf (args);
    int out[2] = {-1, -1};
    if (capture)
    {
        // Only our end reads without waiting; the child writes as usual.
        if (::pipe2 (out, O_CLOEXEC) != 0)
            return -1;
        ::fcntl (out[0], F_SETFL, O_NONBLOCK);
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init (&actions);
    ::posix_spawnattr_init (&attributes);
    ::posix_spawnattr_setflags (&attributes, POSIX_SPAWN_SETSID);
    ::posix_spawn_file_actions_addopen (&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen (&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (capture)
        ::posix_spawn_file_actions_adddup2 (&actions, out[1], STDOUT_FILENO);
    else
        ::posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int failed = ::posix_spawn (&child, argv[0], &actions, &attributes, argv.data (), environ);
    ::posix_spawn_file_actions_destroy (&actions);
    ::posix_spawnattr_destroy (&attributes);
    if (capture)
    {
        ::close (out[1]);
        if (failed != 0)
            ::close (out[0]);
        else
            outFd = out[0];
    }
    return failed == 0 ? child : -1;
}

// A child process watched from the idle calls: its output gathered as it
// comes, its exit status taken when it ends.
class ProcessTask final : public DesktopTask
{
public:
    using Ended = std::function<void (int status, const std::string& output)>;

    ProcessTask (pid_t pid, int outFd, bool closeWhenDropped, Ended ended)
    : pid (pid), outFd (outFd), closeWhenDropped (closeWhenDropped), ended (std::move (ended))
    {}

    ~ProcessTask () override
    {
        if (outFd >= 0)
            ::close (outFd);
        if (finished)
            return;
        if (closeWhenDropped)
            ::kill (-pid, SIGTERM);
        dropChild (pid);
        reapDroppedChildren ();
    }

    bool poll () override
    {
        if (finished)
            return true;
        reapDroppedChildren ();
        drain ();
        int status = 0;
        const pid_t got = ::waitpid (pid, &status, WNOHANG);
        if (got == 0 || (got < 0 && errno == EINTR))
            return false;
        drain ();
        finished = true;
        if (ended)
            ended (got == pid ? status : -1, output);
        return true;
    }

private:
    void drain ()
    {
        char buffer[4096];
        while (outFd >= 0)
        {
            const ssize_t got = ::read (outFd, buffer, sizeof buffer);
            if (got > 0)
            {
                if (output.size () < 65536)
                    output.append (buffer, static_cast<std::size_t> (got));
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && errno == EAGAIN)
                return;
            ::close (outFd);
            outFd = -1;
        }
    }

    pid_t pid;
    int outFd;
    bool closeWhenDropped;
    bool finished = false;
    Ended ended;
    std::string output;
};

// An answer known at once (the tests' chooser), delivered at the first poll.
class AnsweredTask final : public DesktopTask
{
public:
    explicit AnsweredTask (std::function<void ()> deliver) : deliver (std::move (deliver)) {}
    bool poll () override
    {
        if (auto d = std::exchange (deliver, nullptr))
            d ();
        return true;
    }

private:
    std::function<void ()> deliver;
};

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

std::unique_ptr<DesktopTask> chooseFile (const FileRequest& request, FileChosen done)
{
    auto finish = [request, done] (bool ok, const std::string& chosen) {
        const bool usable = ok && ! chosen.empty () && chosen.front () == '/';
        if (done)
            done (usable, usable && request.save ? forceExtension (chosen, request.defaultName) : usable ? chosen : "");
    };
    FileChooser chooser;
    {
        std::lock_guard<std::mutex> guard (chooserLock);
        chooser = chooserOverride;
    }
    if (chooser)
    {
        std::string chosen;
        const bool ok = chooser (request, chosen);
        return std::make_unique<AnsweredTask> ([finish, ok, chosen] { finish (ok, chosen); });
    }
    std::vector<std::string> args;
    if (const std::string zenity = findProgram ("zenity"); ! zenity.empty ())
        args = zenityArgs (zenity, request);
    else if (const std::string kdialog = findProgram ("kdialog"); ! kdialog.empty ())
        args = kdialogArgs (kdialog, request);
    else
    {
        messageBox ("No file chooser was found. Install zenity (or kdialog) to load and save files.");
        return nullptr;
    }
    int outFd = -1;
    const pid_t pid = spawn (std::move (args), true, outFd);
    if (pid < 0)
    {
        messageBox ("The file chooser could not be started.");
        return nullptr;
    }
    // The choosers print the path and exit 0; cancelling exits 1.
    return std::make_unique<ProcessTask> (pid, outFd, true, [finish] (int status, const std::string& output) {
        const bool ok = WIFEXITED (status) && WEXITSTATUS (status) == 0;
        finish (ok, output.substr (0, output.find ('\n')));
    });
}

std::unique_ptr<DesktopTask> openDocument (const std::string& target)
{
    const std::string opener = findProgram ("xdg-open");
    int unused = -1;
    const pid_t pid = opener.empty () ? -1 : spawn ({opener, target}, false, unused);
    if (pid < 0)
    {
        messageBox ("Nothing can open " + target + ". Install xdg-utils (xdg-open) and a viewer.");
        return nullptr;
    }
    const std::string failure = "Nothing could open " + target + ". Check that a viewer for it is installed.";
    // xdg-open answers 0 once a viewer took the target; it may also stay
    // until the viewer closes. Left running when the editor closes.
    return std::make_unique<ProcessTask> (pid, -1, false, [failure] (int status, const std::string&) {
        if (! WIFEXITED (status) || WEXITSTATUS (status) != 0)
            messageBox (failure);
    });
}

int reapDroppedChildren ()
{
    std::lock_guard<std::mutex> guard (droppedLock);
    std::erase_if (droppedChildren, [] (pid_t pid) {
        int status = 0;
        const pid_t got = ::waitpid (pid, &status, WNOHANG);
        return got == pid || (got < 0 && errno == ECHILD);
    });
    return static_cast<int> (droppedChildren.size ());
}

} // namespace morlake
