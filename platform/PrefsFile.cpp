#include "platform/PrefsFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace morlake::prefs {

namespace {

constexpr const char* kLockName = "preferences.lock";
constexpr const char* kAppSubdir = "/Aldermoor/Morlake";
constexpr size_t kMaxFileBytes = 4u << 20;

bool writeAll (int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size ())
    {
        const ssize_t put = ::write (fd, data.data () + done, data.size () - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += size_t (put);
    }
    return true;
}

std::string timestamp ()
{
    const std::time_t now = std::time (nullptr);
    struct tm parts
    {};
    ::localtime_r (&now, &parts);
    char text[32];
    std::strftime (text, sizeof text, "%Y%m%d-%H%M%S", &parts);
    return text;
}

} // namespace

FileId fileIdOf (const struct stat& st)
{
    FileId id;
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = int64_t (st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.ctimeNs = int64_t (st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
}

ReadStatus readWholeFile (const std::string& path, std::string& data, FileId& id, int* keepFd)
{
    data.clear ();
    id = FileId {};
    // Non-blocking, so a FIFO (or a device) in place of the file cannot hang the
    // opener; it is refused below as not a regular file.
    const int fd = ::open (path.c_str (), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
    {
        switch (errno)
        {
            case ENOENT:
            case ENOTDIR: return ReadStatus::missing;
            case EMFILE:
            case ENFILE:
            case ENOMEM:
            case EINTR:
            case EAGAIN: return ReadStatus::transient;
            default: return ReadStatus::damaged;
        }
    }
    struct stat st
    {};
    if (::fstat (fd, &st) != 0)
    {
        ::close (fd);
        return ReadStatus::transient;
    }
    id = fileIdOf (st);
    if (! S_ISREG (st.st_mode))
    {
        ::close (fd);
        return ReadStatus::damaged;
    }
    data.resize (std::min (size_t (st.st_size), kMaxFileBytes) + 1);
    size_t used = 0;
    bool cut = false;
    for (;;)
    {
        if (used == data.size ())
        {
            if (data.size () > kMaxFileBytes)
            {
                cut = true;
                break;
            }
            data.resize (std::min (data.size () * 2, kMaxFileBytes + 1));
        }
        const ssize_t got = ::read (fd, data.data () + used, data.size () - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
        {
            ::close (fd);
            return ReadStatus::damaged;
        }
        if (got == 0)
            break;
        used += size_t (got);
    }
    if (cut)
    {
        ::close (fd);
        const size_t lastLine = std::string_view (data.data (), kMaxFileBytes).rfind ('\n');
        data.resize (lastLine == std::string_view::npos ? 0 : lastLine + 1);
        return ReadStatus::truncated;
    }
    if (keepFd)
        *keepFd = fd;
    else
        ::close (fd);
    data.resize (used);
    return ReadStatus::ok;
}

int openRegular (const std::string& path, FileId& id)
{
    id = FileId {};
    const int fd = ::open (path.c_str (), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st
    {};
    if (fd >= 0 && ::fstat (fd, &st) == 0 && S_ISREG (st.st_mode))
    {
        id = fileIdOf (st);
        return fd;
    }
    if (fd >= 0)
        ::close (fd);
    return -1;
}

bool makeDirectories (const std::string& dir)
{
    if (dir.empty ())
        return false;
    for (size_t pos = 1; pos <= dir.size (); ++pos)
    {
        if (pos != dir.size () && dir[pos] != '/')
            continue;
        const std::string part = dir.substr (0, pos);
        if (::mkdir (part.c_str (), 0777) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st
    {};
    return ::stat (dir.c_str (), &st) == 0 && S_ISDIR (st.st_mode);
}

std::string linkTarget (const std::string& path)
{
    std::string at = path;
    // As many hops as the kernel follows; beyond that it is a loop.
    for (int hops = 0; hops < 40; ++hops)
    {
        struct stat st
        {};
        if (::lstat (at.c_str (), &st) != 0 || ! S_ISLNK (st.st_mode))
        {
            const size_t slash = at.rfind ('/');
            const std::string dir =
                slash == std::string::npos ? std::string (".") : at.substr (0, std::max<size_t> (slash, 1));
            return ::stat (dir.c_str (), &st) == 0 && S_ISDIR (st.st_mode) ? at : path;
        }
        char text[4096];
        const ssize_t n = ::readlink (at.c_str (), text, sizeof text - 1);
        if (n <= 0)
            return path;
        const std::string to (text, size_t (n));
        if (to[0] == '/')
            at = to;
        else
        {
            const size_t slash = at.rfind ('/');
            at = (slash == std::string::npos ? std::string () : at.substr (0, slash + 1)) + to;
        }
    }
    return path;
}

std::string writeTemporary (const std::string& path, const std::string& data)
{
    static std::atomic<unsigned> counter {0};
    const std::string target = linkTarget (path);
    const size_t slash = target.rfind ('/');
    const std::string dir = slash == std::string::npos ? std::string (".") : target.substr (0, slash);
    const std::string tmp = dir + "/." + kFileName + ".tmp-" + std::to_string (::getpid ()) + "-" +
                            std::to_string (counter.fetch_add (1, std::memory_order_relaxed));
    const int fd = ::open (tmp.c_str (), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return {};
    bool ok = writeAll (fd, data) && ::fsync (fd) == 0;
    ok = (::close (fd) == 0) && ok;
    if (! ok)
    {
        ::unlink (tmp.c_str ());
        return {};
    }
    return tmp;
}

bool commitTemporary (const std::string& temporary, const std::string& path)
{
    if (::rename (temporary.c_str (), linkTarget (path).c_str ()) == 0)
        return true;
    ::unlink (temporary.c_str ());
    return false;
}

bool replaceFileAtomically (const std::string& path, const std::string& data)
{
    const std::string tmp = writeTemporary (path, data);
    // No fsync of the folder: after a crash the rename may be lost, but the
    // file found is always a whole one.
    return ! tmp.empty () && commitTemporary (tmp, path);
}

bool keepAside (const std::string& path, bool repairFollows)
{
    const std::string file = linkTarget (path);
    const std::string stem = file + ".damaged-" + timestamp ();
    std::string target = stem;
    struct stat st
    {};
    for (int n = 1; ::lstat (target.c_str (), &st) == 0 && n < 1000; ++n)
        target = stem + "-" + std::to_string (n);
    // A second name keeps the file in place until its repair replaces it,
    // so a repair that cannot be written loses nothing.
    if (repairFollows && ::lstat (file.c_str (), &st) == 0 && S_ISREG (st.st_mode) &&
        ::link (file.c_str (), target.c_str ()) == 0)
        return true;
    return ::rename (file.c_str (), target.c_str ()) == 0;
}

FolderLock::FolderLock (const std::string& dir, bool wait)
{
    fd = ::open ((dir + "/" + kLockName).c_str (), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    while (::flock (fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB) != 0)
    {
        if (errno != EINTR)
        {
            heldElsewhere = errno == EWOULDBLOCK;
            ::close (fd);
            fd = -1;
            return;
        }
    }
}

FolderLock::~FolderLock ()
{
    if (fd >= 0)
        ::close (fd); // releases the lock
}

std::string homeDir ()
{
    if (const char* home = std::getenv ("HOME"); home && home[0] == '/')
        return home;
    char buffer[4096];
    struct passwd pw
    {};
    struct passwd* result = nullptr;
    if (::getpwuid_r (::getuid (), &pw, buffer, sizeof buffer, &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return {};
}

std::string userDirFromEnvironment ()
{
    if (const char* xdg = std::getenv ("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return std::string (xdg) + kAppSubdir;
    const std::string home = homeDir ();
    return home.empty () ? std::string {} : home + "/.config" + kAppSubdir;
}

std::string systemDirFromEnvironment ()
{
    const char* env = std::getenv ("XDG_CONFIG_DIRS");
    const std::string dirs = (env && env[0]) ? env : "/etc/xdg";
    size_t start = 0;
    while (start <= dirs.size ())
    {
        size_t end = dirs.find (':', start);
        if (end == std::string::npos)
            end = dirs.size ();
        const std::string dir = dirs.substr (start, end - start);
        start = end + 1;
        if (dir.empty () || dir[0] != '/')
            continue;
        const std::string candidate = dir + kAppSubdir;
        struct stat st
        {};
        if (::stat ((candidate + "/" + kFileName).c_str (), &st) == 0)
            return candidate;
    }
    return {};
}

} // namespace morlake::prefs
