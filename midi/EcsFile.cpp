#include "midi/EcsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace morlake {

namespace {

// A valid file is at most 128 * 4 bytes; a little white space is tolerated.
constexpr size_t kMaxEcsBytes = 64 * 1024;
constexpr int kMaxTag = 255;

bool isSpace (char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Same acceptance as fscanf("%d\n") per value, but bounded and strict about
// anything that is not a number.
bool parseEcs (const char* data, size_t size, ControllerMap& out)
{
    size_t i = 0;
    for (int controller = 0; controller < kEcsControllers; ++controller)
    {
        while (i < size && isSpace (data[i]))
            ++i;
        if (i == size)
            return false; // fewer than 128 values
        bool negative = false;
        if (data[i] == '+' || data[i] == '-')
            negative = data[i++] == '-';
        long value = 0;
        size_t digits = 0;
        while (i < size && data[i] >= '0' && data[i] <= '9')
        {
            if (value <= kMaxTag)
                value = value * 10 + (data[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0)
            return false;
        if (i < size && ! isSpace (data[i]))
            return false; // e.g. "12abc"
        if (negative && value != 0)
            return false;
        if (value > kMaxTag)
            return false;
        out[size_t (controller)] = int (value);
    }
    while (i < size && isSpace (data[i]))
        ++i;
    return i == size;
}

bool readFile (const std::string& path, std::string& data)
{
    // Non-blocking: a FIFO chosen in the dialog would otherwise hold the
    // opening thread (the host's user-interface thread) until a writer came.
    // Anything but a regular file of a plausible size is refused before a read.
    const int fd = ::open (path.c_str (), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st
    {};
    if (::fstat (fd, &st) != 0 || ! S_ISREG (st.st_mode) || st.st_size < 0 || size_t (st.st_size) > kMaxEcsBytes)
    {
        ::close (fd);
        return false;
    }
    data.resize (kMaxEcsBytes + 1);
    size_t used = 0;
    while (used < data.size ())
    {
        const ssize_t got = ::read (fd, data.data () + used, data.size () - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
        {
            ::close (fd);
            return false;
        }
        if (got == 0)
            break;
        used += size_t (got);
    }
    ::close (fd);
    if (used > kMaxEcsBytes)
        return false;
    data.resize (used);
    return true;
}

bool loadInto (const std::string& path, ControllerMap& parsed)
{
    std::string data;
    return ! path.empty () && readFile (path, data) && parseEcs (data.data (), data.size (), parsed);
}

std::string formatEcs (const int* map)
{
    std::string text;
    text.reserve (kEcsControllers * 4);
    char line[16];
    for (int controller = 0; controller < kEcsControllers; ++controller)
    {
        const int tag = map[controller];
        std::snprintf (line, sizeof line, "%d\n", (tag >= 0 && tag <= kMaxTag) ? tag : 0);
        text += line;
    }
    return text;
}

bool save (const std::string& path, const int* map)
{
    if (path.empty ())
        return false;
    // Replace the file a symbolic link points to, not the link.
    std::string target = path;
    if (char* resolved = ::realpath (path.c_str (), nullptr))
    {
        target = resolved;
        std::free (resolved);
    }
    static std::atomic<unsigned> counter {0};
    const std::string tmp = target + ".tmp-" + std::to_string (::getpid ()) + "-" +
                            std::to_string (counter.fetch_add (1, std::memory_order_relaxed));
    const int fd = ::open (tmp.c_str (), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const std::string text = formatEcs (map);
    bool ok = true;
    for (size_t done = 0; ok && done < text.size ();)
    {
        const ssize_t put = ::write (fd, text.data () + done, text.size () - done);
        if (put < 0 && errno == EINTR)
            continue;
        ok = put > 0;
        if (ok)
            done += size_t (put);
    }
    ok = ok && ::fsync (fd) == 0;
    ok = (::close (fd) == 0) && ok;
    ok = ok && ::rename (tmp.c_str (), target.c_str ()) == 0;
    if (! ok)
        ::unlink (tmp.c_str ());
    return ok;
}

} // namespace

bool loadEcsFile (const std::string& path, ControllerMap& map)
{
    ControllerMap parsed {};
    if (! loadInto (path, parsed))
        return false;
    map = parsed;
    return true;
}

bool saveEcsFile (const std::string& path, const ControllerMap& map) { return save (path, map.data ()); }

} // namespace morlake
