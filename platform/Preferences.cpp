#include "platform/Preferences.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <semaphore.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#ifndef MORLAKE_DEFAULT_HELP_PATH
#define MORLAKE_DEFAULT_HELP_PATH "/usr/local/share/doc/morlake/AL_Morlake_Manual.pdf"
#endif

namespace morlake {

namespace {

constexpr const char* kFileName = "preferences.txt";
constexpr const char* kLockName = "preferences.lock";
constexpr const char* kManualName = "AL_Morlake_Manual.pdf";
constexpr size_t kMaxFileBytes = 4u << 20;
constexpr size_t kMaxKeyBytes = 255;
constexpr size_t kMaxTextBytes = 4095;
constexpr int kWatchIntervalMs = 200;

// Initial-exec: a dlopen'ed plug-in would otherwise reach this through
// __tls_get_addr, which may allocate on a thread's first access.
thread_local bool tlsAudioThread __attribute__ ((tls_model ("initial-exec"))) = false;

struct Value
{
    bool isInt = false;
    int32_t number = 0;
    std::string text;

    bool operator== (const Value&) const = default;
};

using ValueMap = std::map<std::string, Value, std::less<>>;

// Immutable once published; readers hold it only while counted in `readers`.
struct Snapshot
{
    ValueMap user;
    std::shared_ptr<const ValueMap> system;
};

struct FileId
{
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtimeNs = 0;
    int64_t ctimeNs = 0;

    bool operator== (const FileId&) const = default;
};

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

// ---- Text format --------------------------------------------------------------

bool isBlank (char c) { return c == ' ' || c == '\t'; }

int hexDigit (char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendHex (std::string& out, unsigned char c)
{
    static const char digits[] = "0123456789ABCDEF";
    out += "\\x";
    out += digits[c >> 4];
    out += digits[c & 15];
}

// Keys are written unquoted, so '=', '#', '"' and blanks are escaped as well.
void appendEscaped (std::string& out, std::string_view s, bool isKey)
{
    for (char ch : s)
    {
        const auto c = static_cast<unsigned char> (ch);
        switch (ch)
        {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F || (isKey && (ch == '=' || ch == '#' || ch == ' ')))
                appendHex (out, c);
            else
                out += ch;
        }
    }
}

// Decodes the escape starting at line[i] == '\\'; advances i past it.
bool decodeEscape (std::string_view line, size_t& i, std::string& out)
{
    if (i + 1 >= line.size())
        return false;
    const char e = line[i + 1];
    i += 2;
    switch (e)
    {
    case '\\': out += '\\'; return true;
    case '"': out += '"'; return true;
    case '=': out += '='; return true;
    case 'n': out += '\n'; return true;
    case 'r': out += '\r'; return true;
    case 't': out += '\t'; return true;
    case 'x':
    {
        if (i + 2 > line.size())
            return false;
        const int hi = hexDigit (line[i]);
        const int lo = hexDigit (line[i + 1]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0))
            return false;
        out += static_cast<char> (hi * 16 + lo);
        i += 2;
        return true;
    }
    default: return false;
    }
}

bool parseLine (std::string_view line, std::string& key, Value& value)
{
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && isBlank (line[i]))
        ++i;

    key.clear();
    size_t keyLength = 0; // up to the last character that is not a bare blank
    while (i < n && line[i] != '=')
    {
        if (line[i] == '\\')
        {
            if (! decodeEscape (line, i, key))
                return false;
            keyLength = key.size();
        }
        else if (line[i] == '"')
            return false;
        else
        {
            key += line[i];
            if (! isBlank (line[i]))
                keyLength = key.size();
            ++i;
        }
    }
    key.resize (keyLength);
    if (i >= n || key.empty() || key.size() > kMaxKeyBytes)
        return false;
    ++i;
    while (i < n && isBlank (line[i]))
        ++i;

    value = Value {};
    if (i < n && line[i] == '"')
    {
        ++i;
        bool closed = false;
        while (i < n)
        {
            if (line[i] == '"')
            {
                closed = true;
                ++i;
                break;
            }
            if (line[i] == '\\')
            {
                if (! decodeEscape (line, i, value.text))
                    return false;
            }
            else
                value.text += line[i++];
        }
        if (! closed || value.text.size() > kMaxTextBytes)
            return false;
    }
    else
    {
        bool negative = false;
        if (i < n && line[i] == '-')
        {
            negative = true;
            ++i;
        }
        int64_t number = 0;
        size_t digits = 0;
        while (i < n && line[i] >= '0' && line[i] <= '9')
        {
            number = number * 10 + (line[i] - '0');
            if (number > int64_t (INT32_MAX) + 1)
                return false;
            ++i;
            ++digits;
        }
        if (digits == 0)
            return false;
        number = negative ? -number : number;
        if (number > INT32_MAX)
            return false;
        value.isInt = true;
        value.number = static_cast<int32_t> (number);
    }
    while (i < n && isBlank (line[i]))
        ++i;
    return i == n;
}

// Fills `out` with every line that parses; false when any other line was
// found (the caller keeps a copy of the file). A leading byte-order mark, as
// some text editors write, is not damage.
bool parseFile (std::string_view data, ValueMap& out)
{
    out.clear();
    if (data.starts_with ("\xEF\xBB\xBF"))
        data.remove_prefix (3);
    bool clean = true;
    std::string key;
    Value value;
    size_t start = 0;
    while (start < data.size())
    {
        size_t end = data.find ('\n', start);
        if (end == std::string_view::npos)
            end = data.size();
        std::string_view line = data.substr (start, end - start);
        start = end + 1;
        if (! line.empty() && line.back() == '\r')
            line.remove_suffix (1);
        size_t first = 0;
        while (first < line.size() && isBlank (line[first]))
            ++first;
        if (first == line.size() || line[first] == '#')
            continue;
        if (line.find ('\0') != std::string_view::npos || ! parseLine (line, key, value))
        {
            clean = false;
            continue;
        }
        out[key] = value;
    }
    return clean;
}

std::string serialise (const ValueMap& values)
{
    std::string out = "# Morlake preferences: key=value, integers bare, texts in double quotes.\n";
    for (const auto& [key, value] : values)
    {
        appendEscaped (out, key, true);
        out += '=';
        if (value.isInt)
            out += std::to_string (value.number);
        else
        {
            out += '"';
            appendEscaped (out, value.text, false);
            out += '"';
        }
        out += '\n';
    }
    return out;
}

// ---- File system ---------------------------------------------------------------

enum class ReadStatus
{
    ok,
    missing,
    transient, // try again later, keep what we have
    damaged,
    truncated, // larger than any preferences file: data holds its first whole lines
};

// On success *keepFd (when given) receives the open descriptor: holding it keeps
// the inode from being reused, so an identical FileId really is the same file.
ReadStatus readWholeFile (const std::string& path, std::string& data, FileId& id, int* keepFd = nullptr)
{
    data.clear();
    id = FileId {};
    // Non-blocking, so a FIFO (or a device) in place of the file cannot hang the
    // opener; it is refused below as not a regular file.
    const int fd = ::open (path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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
    struct stat st {};
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
        if (used == data.size())
        {
            if (data.size() > kMaxFileBytes)
            {
                cut = true;
                break;
            }
            data.resize (std::min (data.size() * 2, kMaxFileBytes + 1));
        }
        const ssize_t got = ::read (fd, data.data() + used, data.size() - used);
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
        const size_t lastLine = std::string_view (data.data(), kMaxFileBytes).rfind ('\n');
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

bool makeDirectories (const std::string& dir)
{
    if (dir.empty())
        return false;
    for (size_t pos = 1; pos <= dir.size(); ++pos)
    {
        if (pos != dir.size() && dir[pos] != '/')
            continue;
        const std::string part = dir.substr (0, pos);
        if (::mkdir (part.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat (dir.c_str(), &st) == 0 && S_ISDIR (st.st_mode);
}

bool writeAll (int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size())
    {
        const ssize_t put = ::write (fd, data.data() + done, data.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += size_t (put);
    }
    return true;
}

// Write-to-temporary, sync, rename: a reader sees the old or the new file whole.
bool replaceFileAtomically (const std::string& dir, const std::string& path, const std::string& data)
{
    static std::atomic<unsigned> counter { 0 };
    const std::string tmp = dir + "/." + kFileName + ".tmp-" + std::to_string (::getpid()) + "-"
                            + std::to_string (counter.fetch_add (1, std::memory_order_relaxed));
    const int fd = ::open (tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = writeAll (fd, data) && ::fsync (fd) == 0;
    ok = (::close (fd) == 0) && ok;
    if (ok)
        ok = ::rename (tmp.c_str(), path.c_str()) == 0;
    if (! ok)
    {
        ::unlink (tmp.c_str());
        return false;
    }
    // No fsync of the folder: after a crash the rename may be lost, but the
    // file found is always a whole one.
    return true;
}

// Exclusive advisory lock on the folder's lock file, held for one write.
class FolderLock
{
public:
    explicit FolderLock (const std::string& dir)
    {
        fd = ::open ((dir + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return;
        while (::flock (fd, LOCK_EX) != 0)
        {
            if (errno != EINTR)
            {
                ::close (fd);
                fd = -1;
                return;
            }
        }
    }
    ~FolderLock()
    {
        if (fd >= 0)
            ::close (fd); // releases the lock
    }
    FolderLock (const FolderLock&) = delete;
    FolderLock& operator= (const FolderLock&) = delete;
    bool held () const { return fd >= 0; }

private:
    int fd = -1;
};

std::string homeDir ()
{
    if (const char* home = std::getenv ("HOME"); home && home[0] == '/')
        return home;
    char buffer[4096];
    struct passwd pw {};
    struct passwd* result = nullptr;
    if (::getpwuid_r (::getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return {};
}

constexpr const char* kAppSubdir = "/Aldermoor/Morlake";

std::string userDirFromEnvironment ()
{
    if (const char* xdg = std::getenv ("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return std::string (xdg) + kAppSubdir;
    const std::string home = homeDir();
    return home.empty() ? std::string {} : home + "/.config" + kAppSubdir;
}

// The first folder of $XDG_CONFIG_DIRS holding our file plays the any-user domain.
std::string systemDirFromEnvironment ()
{
    const char* env = std::getenv ("XDG_CONFIG_DIRS");
    const std::string dirs = (env && env[0]) ? env : "/etc/xdg";
    size_t start = 0;
    while (start <= dirs.size())
    {
        size_t end = dirs.find (':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = dirs.substr (start, end - start);
        start = end + 1;
        if (dir.empty() || dir[0] != '/')
            continue;
        const std::string candidate = dir + kAppSubdir;
        struct stat st {};
        if (::stat ((candidate + "/" + kFileName).c_str(), &st) == 0)
            return candidate;
    }
    return {};
}

std::string timestamp ()
{
    const std::time_t now = std::time (nullptr);
    struct tm parts {};
    ::localtime_r (&now, &parts);
    char text[32];
    std::strftime (text, sizeof text, "%Y%m%d-%H%M%S", &parts);
    return text;
}

// ---- Audio-thread write queue ------------------------------------------------------
// Bounded multi-producer queue (several hosts run instances on several audio
// threads); the one consumer is whoever holds the store's mutex.

struct QueuedWrite
{
    char key[32];
    char text[kPrefStringSize];
    int32_t number;
    bool isInt;
};

class WriteQueue
{
public:
    static constexpr size_t kSize = 256;

    WriteQueue()
    {
        for (size_t i = 0; i < kSize; ++i)
            cells[i].sequence.store (i, std::memory_order_relaxed);
    }

    bool push (std::string_view key, bool isInt, int32_t number, std::string_view text)
    {
        if (key.size() >= sizeof (QueuedWrite::key) || text.size() >= sizeof (QueuedWrite::text))
            return false;
        size_t pos = enqueuePos.load (std::memory_order_relaxed);
        Cell* cell = nullptr;
        for (;;)
        {
            cell = &cells[pos % kSize];
            const size_t seq = cell->sequence.load (std::memory_order_acquire);
            const auto diff = static_cast<intptr_t> (seq) - static_cast<intptr_t> (pos);
            if (diff == 0)
            {
                if (enqueuePos.compare_exchange_weak (pos, pos + 1, std::memory_order_relaxed))
                    break;
            }
            else if (diff < 0)
                return false;
            else
                pos = enqueuePos.load (std::memory_order_relaxed);
        }
        QueuedWrite& w = cell->write;
        std::memcpy (w.key, key.data(), key.size());
        w.key[key.size()] = 0;
        if (! text.empty())
            std::memcpy (w.text, text.data(), text.size());
        w.text[text.size()] = 0;
        w.number = number;
        w.isInt = isInt;
        cell->sequence.store (pos + 1, std::memory_order_release);
        return true;
    }

    // Consumer side: caller serialises.
    bool pop (QueuedWrite& out)
    {
        Cell& cell = cells[dequeuePos % kSize];
        const size_t seq = cell.sequence.load (std::memory_order_acquire);
        if (static_cast<intptr_t> (seq) - static_cast<intptr_t> (dequeuePos + 1) < 0)
            return false;
        out = cell.write;
        cell.sequence.store (dequeuePos + kSize, std::memory_order_release);
        ++dequeuePos;
        return true;
    }

    bool empty () const
    {
        const Cell& cell = cells[dequeuePos % kSize];
        return static_cast<intptr_t> (cell.sequence.load (std::memory_order_acquire))
                   - static_cast<intptr_t> (dequeuePos + 1)
               < 0;
    }

private:
    struct Cell
    {
        std::atomic<size_t> sequence;
        QueuedWrite write;
    };
    Cell cells[kSize];
    alignas (64) std::atomic<size_t> enqueuePos { 0 };
    alignas (64) size_t dequeuePos = 0;
};

struct Change
{
    std::string_view key;
    const Value* value;
};

} // namespace

// ---- The store ----------------------------------------------------------------------

struct Preferences::Impl
{
    mutable std::mutex mutex;
    bool explicitRoot = false;
    bool resolved = false;
    std::string userDir;
    std::string systemDir;
    std::string filePath;
    std::shared_ptr<const ValueMap> system = std::make_shared<ValueMap>();
    ValueMap user;  // what the file held after our last read or write
    FileId loadedId; // identity of the file `user` came from
    int heldFd = -1;  // that file, kept open so its inode number can't be reused
    std::chrono::steady_clock::time_point lastCheck {};
    std::atomic<int> refreshIntervalMs { 0 };

    std::atomic<const Snapshot*> current { nullptr };
    std::atomic<int> readers { 0 };
    std::vector<const Snapshot*> retired;

    WriteQueue queue;
    std::atomic<uint64_t> dropped { 0 };
    std::atomic<int> damagedKept { 0 };
    bool lastWriteOk = true;

    sem_t wake {};
    pthread_t writer {};
    bool writerRunning = false;
    pid_t writerPid = 0;
    std::atomic<bool> stopping { false };
    bool shutDown = false;

    Impl()
    {
        ::sem_init (&wake, 0, 0);
        current.store (new Snapshot { {}, system }, std::memory_order_seq_cst);
    }

    ~Impl()
    {
        stopWriter();
        for (const Snapshot* s : retired)
            delete s;
        delete current.load();
        if (heldFd >= 0)
            ::close (heldFd);
        ::sem_destroy (&wake);
    }

    // ---- Snapshot publication (mutex held) ----

    void publishLocked ()
    {
        const Snapshot* old = current.exchange (new Snapshot { user, system }, std::memory_order_seq_cst);
        retired.push_back (old);
        reclaimLocked();
    }

    // A reader counted in `readers` may still be inside any retired snapshot;
    // once the count is seen at zero after the exchange nobody can reach them.
    void reclaimLocked ()
    {
        if (retired.empty() || readers.load (std::memory_order_seq_cst) != 0)
            return;
        for (const Snapshot* s : retired)
            delete s;
        retired.clear();
    }

    template <typename F>
    auto withSnapshot (F&& f)
    {
        readers.fetch_add (1, std::memory_order_seq_cst);
        const Snapshot* s = current.load (std::memory_order_seq_cst);
        auto result = f (*s);
        readers.fetch_sub (1, std::memory_order_seq_cst);
        return result;
    }

    // ---- Set-up (non-audio, mutex held) ----

    void resolveLocked ()
    {
        if (resolved)
            return;
        resolved = true;
        if (! explicitRoot)
        {
            userDir = userDirFromEnvironment();
            systemDir = systemDirFromEnvironment();
        }
        filePath = userDir.empty() ? std::string {} : userDir + "/" + kFileName;
        auto sys = std::make_shared<ValueMap>();
        if (! systemDir.empty())
        {
            std::string data;
            FileId id;
            const ReadStatus status = readWholeFile (systemDir + "/" + kFileName, data, id);
            if (status == ReadStatus::ok || status == ReadStatus::truncated)
                parseFile (data, *sys); // not ours to move aside: what parses is used
        }
        system = std::move (sys);
        user.clear();
        holdLocked (-1, FileId {});
        lastCheck = {};
        refreshLocked (true);
        publishLocked();
    }

    void startWriterLocked ()
    {
        const pid_t pid = ::getpid();
        if (shutDown || (writerRunning && writerPid == pid))
            return;
        // After a fork the thread handle belongs to the parent.
        writerRunning = false;
        stopping.store (false);
        if (::pthread_create (&writer, nullptr, &Impl::writerMain, this) == 0)
        {
            writerRunning = true;
            writerPid = pid;
        }
    }

    void prepareLocked ()
    {
        resolveLocked();
        startWriterLocked();
    }

    void stopWriter ()
    {
        bool join = false;
        {
            std::lock_guard<std::mutex> lock (mutex);
            shutDown = true;
            join = writerRunning && writerPid == ::getpid();
            writerRunning = false;
            stopping.store (true);
        }
        if (join)
        {
            ::sem_post (&wake);
            ::pthread_join (writer, nullptr);
        }
        finalDrain();
    }

    // Audio-thread writes still queued at shutdown reach the file.
    void finalDrain ()
    {
        std::lock_guard<std::mutex> lock (mutex);
        if (queue.empty())
            return;
        resolveLocked();
        drainLocked();
    }

    static void* writerMain (void* arg)
    {
        static_cast<Impl*> (arg)->writerLoop();
        return nullptr;
    }

    void writerLoop ()
    {
        for (;;)
        {
            struct timespec deadline {};
            ::clock_gettime (CLOCK_MONOTONIC, &deadline);
            deadline.tv_nsec += long (kWatchIntervalMs) * 1000000L;
            deadline.tv_sec += deadline.tv_nsec / 1000000000L;
            deadline.tv_nsec %= 1000000000L;
            ::sem_clockwait (&wake, CLOCK_MONOTONIC, &deadline);
            std::lock_guard<std::mutex> lock (mutex);
            drainLocked();
            if (stopping.load())
                return;
            refreshLocked (true);
            reclaimLocked();
        }
    }

    // ---- Reading the file (non-audio, mutex held) ----

    void refreshLocked (bool force)
    {
        if (filePath.empty())
            return;
        const auto now = std::chrono::steady_clock::now();
        if (! force && now - lastCheck < std::chrono::milliseconds (refreshIntervalMs.load (std::memory_order_relaxed)))
            return;
        lastCheck = now;

        struct stat st {};
        FileId id;
        if (::stat (filePath.c_str(), &st) == 0)
            id = fileIdOf (st);
        else if (errno != ENOENT && errno != ENOTDIR)
            return; // can't tell; keep what we have
        if (id == loadedId)
            return;

        ValueMap parsed;
        int fd = -1;
        std::string data;
        ReadStatus status = id.exists ? readWholeFile (filePath, data, id, &fd) : ReadStatus::missing;
        if ((status == ReadStatus::ok && ! parseFile (data, parsed)) || status == ReadStatus::truncated)
            status = ReadStatus::damaged;
        if (status == ReadStatus::transient)
            return;
        if (status == ReadStatus::damaged)
        {
            // Under the lock, so a file another writer just put in place is not hit.
            if (fd >= 0)
                ::close (fd);
            fd = -1;
            FolderLock lock (userDir);
            if (! readBaseLocked (parsed, id, fd))
                return;
        }
        if (status == ReadStatus::missing)
            id = FileId {};
        holdLocked (fd, id);
        user = std::move (parsed);
        publishLocked();
    }

    void holdLocked (int fd, const FileId& id)
    {
        if (heldFd >= 0)
            ::close (heldFd);
        heldFd = fd;
        loadedId = id;
    }

    // Reads the file as the base of a write. A damaged one is kept aside as
    // it was, and what parsed of it is written back in its place, so one bad
    // line costs no other setting. Caller holds the folder lock.  False only
    // for a transient failure.
    bool readBaseLocked (ValueMap& base, FileId& id, int& fd)
    {
        std::string data;
        fd = -1;
        base.clear();
        switch (readWholeFile (filePath, data, id, &fd))
        {
        case ReadStatus::transient: return false;
        case ReadStatus::missing:
            id = FileId {};
            return true;
        case ReadStatus::ok:
            if (parseFile (data, base))
                return true;
            ::close (fd);
            fd = -1;
            break;
        case ReadStatus::truncated: parseFile (data, base); break;
        case ReadStatus::damaged: break;
        }
        struct stat st {};
        if (! keepDamagedAsideLocked())
        {
            // Still in place: nothing is written over it.
            id = ::stat (filePath.c_str(), &st) == 0 ? fileIdOf (st) : FileId {};
            return true;
        }
        id = FileId {};
        if (base.empty() || ! replaceFileAtomically (userDir, filePath, serialise (base)))
            return true;
        fd = ::open (filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd >= 0 && ::fstat (fd, &st) == 0 && S_ISREG (st.st_mode))
            id = fileIdOf (st);
        else if (fd >= 0)
        {
            ::close (fd);
            fd = -1;
        }
        return true;
    }

    bool keepDamagedAsideLocked ()
    {
        const std::string stem = filePath + ".damaged-" + timestamp();
        std::string target = stem;
        struct stat st {};
        for (int n = 1; ::lstat (target.c_str(), &st) == 0 && n < 1000; ++n)
            target = stem + "-" + std::to_string (n);
        if (::rename (filePath.c_str(), target.c_str()) != 0)
            return false;
        damagedKept.fetch_add (1, std::memory_order_relaxed);
        return true;
    }

    // ---- Writing (non-audio, mutex held) ----

    static void apply (ValueMap& map, const std::vector<QueuedWrite>& queued, std::string_view key, const Value* value)
    {
        for (const QueuedWrite& q : queued)
        {
            Value& v = map[std::string (q.key)];
            v.isInt = q.isInt;
            v.number = q.isInt ? q.number : 0;
            v.text = q.isInt ? std::string {} : std::string (q.text);
        }
        if (! value)
            return;
        if (auto it = map.find (key); it != map.end())
            it->second = *value;
        else
            map.emplace (std::string (key), *value);
    }

    // Queued audio-thread writes go first so a later UI write of the same key wins.
    bool writeLocked (std::string_view key, const Value* value)
    {
        std::vector<QueuedWrite> queued;
        QueuedWrite w;
        while (queue.pop (w))
            queued.push_back (w);
        if (! value && queued.empty())
            return lastWriteOk;

        bool ok = false;
        if (! userDir.empty() && makeDirectories (userDir))
        {
            FolderLock lock (userDir);
            ValueMap base;
            FileId id;
            int fd = -1;
            if (lock.held() && readBaseLocked (base, id, fd))
            {
                if (fd >= 0)
                    ::close (fd);
                apply (base, queued, key, value);
                if (replaceFileAtomically (userDir, filePath, serialise (base)))
                {
                    struct stat st {};
                    fd = ::open (filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
                    if (fd >= 0 && ::fstat (fd, &st) == 0)
                        holdLocked (fd, fileIdOf (st));
                    else
                    {
                        if (fd >= 0)
                            ::close (fd);
                        holdLocked (-1, FileId {});
                    }
                    user = std::move (base);
                    ok = true;
                }
            }
        }
        if (! ok)
            apply (user, queued, key, value); // this run still sees it
        lastWriteOk = ok;
        publishLocked();
        return ok;
    }

    void drainLocked ()
    {
        if (resolved && ! queue.empty())
            writeLocked ({}, nullptr);
    }

    // ---- Public operations ----

    static const Value* find (const ValueMap& map, std::string_view key)
    {
        const auto it = map.find (key);
        return it == map.end() ? nullptr : &it->second;
    }

    void prepareRead ()
    {
        std::lock_guard<std::mutex> lock (mutex);
        prepareLocked();
        refreshLocked (false);
    }

    static bool acceptable (std::string_view key, std::string_view text)
    {
        return ! key.empty() && key.size() <= kMaxKeyBytes && key.find ('\0') == std::string_view::npos
               && text.size() <= kMaxTextBytes && text.find ('\0') == std::string_view::npos;
    }

    bool write (std::string_view key, bool isInt, int32_t number, std::string_view text)
    {
        if (! acceptable (key, text))
            return false;
        if (tlsAudioThread)
        {
            if (! queue.push (key, isInt, number, text))
            {
                dropped.fetch_add (1, std::memory_order_relaxed);
                return false;
            }
            ::sem_post (&wake); // async-signal-safe: no lock, no allocation
            return true;
        }
        Value value;
        value.isInt = isInt;
        value.number = number;
        value.text.assign (text);
        std::lock_guard<std::mutex> lock (mutex);
        prepareLocked();
        return writeLocked (key, &value);
    }
};

Preferences::Preferences() : impl (new Impl) {}

Preferences::Preferences (std::string userDir, std::string systemDir) : impl (new Impl)
{
    impl->explicitRoot = true;
    impl->userDir = std::move (userDir);
    impl->systemDir = std::move (systemDir);
}

Preferences::~Preferences() { delete impl; }

Preferences& Preferences::shared()
{
    // Never destroyed, so instances torn down late in process exit still find
    // it; the guard below only stops the writer thread (also at dlclose).
    static Preferences* store = new Preferences;
    static struct WriterGuard
    {
        ~WriterGuard() { store->impl->stopWriter(); }
    } guard;
    return *store;
}

void Preferences::setRootForTesting (const std::string& userDir, const std::string& systemDir)
{
    shared().setRoot (userDir, systemDir);
}

void Preferences::setRoot (const std::string& userDir, const std::string& systemDir)
{
    std::lock_guard<std::mutex> lock (impl->mutex);
    impl->drainLocked();
    impl->explicitRoot = true;
    impl->userDir = userDir;
    while (impl->userDir.size() > 1 && impl->userDir.back() == '/')
        impl->userDir.pop_back();
    impl->systemDir = systemDir;
    impl->resolved = false;
    impl->resolveLocked();
}

std::string Preferences::userDir() const
{
    std::lock_guard<std::mutex> lock (impl->mutex);
    impl->resolveLocked();
    return impl->userDir;
}

std::string Preferences::filePath() const
{
    std::lock_guard<std::mutex> lock (impl->mutex);
    impl->resolveLocked();
    return impl->filePath;
}

bool Preferences::readString (std::string_view key, char* buffer, int size)
{
    if (! buffer || size <= 0)
        return false;
    buffer[0] = 0;
    const bool audio = tlsAudioThread;
    if (! audio)
        impl->prepareRead();

    enum class Source { none, user, system };
    const Source source = impl->withSnapshot ([&] (const Snapshot& s) {
        Source from = Source::none;
        const Value* v = Impl::find (s.user, key);
        if (v && ! v->isInt && ! v->text.empty())
            from = Source::user;
        else if ((v = Impl::find (*s.system, key)) && ! v->isInt)
            from = Source::system;
        else
            return Source::none;
        const std::string& text = v->text;
        size_t n = std::min (text.size(), size_t (size - 1));
        if (n < text.size())
        {
            // Don't leave half a UTF-8 sequence at the cut.
            size_t cut = n;
            for (int steps = 0; cut > 0 && steps < 4 && (static_cast<unsigned char> (text[cut]) & 0xC0) == 0x80; ++steps)
                --cut;
            if ((static_cast<unsigned char> (text[cut]) & 0xC0) != 0x80)
                n = cut;
        }
        std::memcpy (buffer, text.data(), n);
        buffer[n] = 0;
        return from;
    });

    // The any-user value is copied into the user's own file, as the system
    // preferences do; never from the audio thread.
    if (source == Source::system && ! audio)
    {
        const std::string text = impl->withSnapshot ([&] (const Snapshot& s) {
            const Value* v = Impl::find (*s.system, key);
            return v ? v->text : std::string {};
        });
        impl->write (key, false, 0, text);
    }
    return source != Source::none;
}

int32_t Preferences::readInt (std::string_view key)
{
    if (! tlsAudioThread)
        impl->prepareRead();
    return impl->withSnapshot ([&] (const Snapshot& s) {
        const Value* v = Impl::find (s.user, key);
        return v && v->isInt ? v->number : 0;
    });
}

bool Preferences::writeString (std::string_view key, std::string_view value)
{
    return impl->write (key, false, 0, value);
}

bool Preferences::writeInt (std::string_view key, int32_t value) { return impl->write (key, true, value, {}); }

bool Preferences::flush()
{
    if (tlsAudioThread)
        return false;
    std::lock_guard<std::mutex> lock (impl->mutex);
    impl->prepareLocked();
    impl->drainLocked();
    return impl->queue.empty() && impl->lastWriteOk;
}

void Preferences::setRefreshIntervalMs (int ms)
{
    impl->refreshIntervalMs.store (ms < 0 ? 0 : ms, std::memory_order_relaxed);
}

uint64_t Preferences::droppedWrites() const { return impl->dropped.load (std::memory_order_relaxed); }

int Preferences::damagedFilesKept() const { return impl->damagedKept.load (std::memory_order_relaxed); }

// ---- Audio-thread marking ---------------------------------------------------------------

void setIsAudioThread (bool isAudio) { tlsAudioThread = isAudio; }

bool isAudioThread() { return tlsAudioThread; }

PrefsAudioThreadScope::PrefsAudioThreadScope() : previous (tlsAudioThread) { tlsAudioThread = true; }

PrefsAudioThreadScope::~PrefsAudioThreadScope() { tlsAudioThread = previous; }

// ---- Defaults ---------------------------------------------------------------------------

bool prefFlagDefault (std::string_view key)
{
    for (const auto& flag : PREF_FLAG_DEFAULTS)
        if (key == flag.key)
            return flag.defaultOn;
    return false;
}

std::string defaultHelpPath()
{
    // Running from <...>/Morlake.vst/Contents/<arch>/Morlake.so: the manual
    // is one of the bundle's resources.
    Dl_info info {};
    if (::dladdr (reinterpret_cast<void*> (&defaultHelpPath), &info) != 0 && info.dli_fname)
    {
        const std::string module = info.dli_fname;
        const size_t contents = module.rfind ("/Contents/");
        if (contents != std::string::npos && contents >= 4 && module.compare (contents - 4, 4, ".vst") == 0)
            return module.substr (0, contents) + "/Contents/Resources/" + kManualName;
    }
    return MORLAKE_DEFAULT_HELP_PATH;
}

std::string defaultEcsDir()
{
    if (const char* docs = std::getenv ("XDG_DOCUMENTS_DIR"); docs && docs[0] == '/')
        return std::string (docs) + "/Morlake/";
    const std::string home = homeDir();
    return (home.empty() ? std::string ("/tmp") : home) + "/Documents/Morlake/";
}

// ---- Free accessors ---------------------------------------------------------------------

void loadStringFromPrefs (const char* key, char* buffer, int size)
{
    if (! buffer || size <= 0)
        return;
    buffer[0] = 0;
    if (key)
        Preferences::shared().readString (key, buffer, size);
}

void loadStringFromPrefs (const std::string& key, std::string& value, int size)
{
    value.clear();
    if (size <= 0)
        return;
    std::string buffer (size_t (size), '\0');
    Preferences::shared().readString (key, buffer.data(), size);
    value.assign (buffer.c_str());
}

bool saveStringToPrefs (const char* key, const char* value)
{
    return key && value && Preferences::shared().writeString (key, value);
}

bool saveStringToPrefs (const std::string& key, const std::string& value)
{
    return Preferences::shared().writeString (key, value);
}

int32_t loadIntFromPrefs (const char* key) { return key ? Preferences::shared().readInt (key) : 0; }

bool saveIntToPrefs (const char* key, int32_t value) { return key && Preferences::shared().writeInt (key, value); }

bool saveBoolToPrefs (const char* key, bool value) { return saveStringToPrefs (key, value ? "Y" : "N"); }

bool getRegisterIsOn (const char* key, bool defaultOn)
{
    char text[kPrefStringSize] = {};
    loadStringFromPrefs (key, text, sizeof text);
    if (std::strcmp (text, "Y") == 0)
        return true;
    if (std::strcmp (text, "N") == 0)
        return false;
    return defaultOn;
}

int32_t getMidiCC (int controller)
{
    if (controller < 0 || controller > 127)
        return 0;
    char key[12];
    std::snprintf (key, sizeof key, "%d", controller);
    return loadIntFromPrefs (key);
}

bool setMidiCC (int controller, int32_t tag)
{
    if (controller < 0 || controller > 127)
        return false;
    char key[12];
    std::snprintf (key, sizeof key, "%d", controller);
    return saveIntToPrefs (key, tag);
}

void initPathPrefs()
{
    char text[kPrefStringSize] = {};
    loadStringFromPrefs (PREF_HELP_DIR, text, sizeof text);
    if (text[0] == 0)
        saveStringToPrefs (PREF_HELP_DIR, defaultHelpPath().c_str());
    text[0] = 0;
    loadStringFromPrefs (PREF_ECS_DIR, text, sizeof text);
    if (text[0] == 0)
        saveStringToPrefs (PREF_ECS_DIR, defaultEcsDir().c_str());
}

} // namespace morlake
