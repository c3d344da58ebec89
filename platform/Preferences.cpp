#include "platform/Preferences.h"

#include "platform/PrefsFile.h"
#include "platform/PrefsFormat.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#ifndef MORLAKE_DEFAULT_HELP_PATH
#define MORLAKE_DEFAULT_HELP_PATH "/usr/local/share/doc/morlake/AL_Morlake_Manual.pdf"
#endif

namespace morlake {

using namespace prefs;

namespace {

constexpr const char* kManualName = "AL_Morlake_Manual.pdf";

const Value* find (const ValueMap& map, std::string_view key)
{
    const auto it = map.find (key);
    return it == map.end () ? nullptr : &it->second;
}

void put (ValueMap& map, std::string_view key, const Value& value)
{
    if (auto it = map.find (key); it != map.end ())
        it->second = value;
    else
        map.emplace (std::string (key), value);
}

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
    ValueMap system;
    ValueMap user;   // what the file held after our last read or write, and what is owed to it
    FileId loadedId; // identity of the file `user` came from
    int heldFd = -1; // that file, kept open so its inode number can't be reused
    std::atomic<int> damagedKept {0};

    // Written here but not yet in the file: another process held the folder
    // lock (nothing here waits for it), or the write failed. Every later
    // write carries them, and the writer thread tries until they are in.
    ValueMap owed;
    bool repairOwed = false; // a damaged file read while another process held the lock
    bool writerDue = false;  // the writer thread has work and is running
    bool stopping = false;
    std::condition_variable wake;
    std::thread writer;
    pid_t writerPid = 0; // after a fork the writer belongs to the parent

    bool writerRunning () const { return writerDue && writerPid == ::getpid (); }

    // Joins a writer that has finished, or lets go of one left in the parent.
    void releaseWriter ()
    {
        if (! writer.joinable ())
            return;
        if (writerPid == ::getpid ())
            writer.join ();
        else
            writer.detach ();
    }

    // Recursive: a listener may read, and a read may write (the system layer).
    std::recursive_mutex listenersMutex;
    std::vector<PrefsListener*> listeners;

    ~Impl ()
    {
        {
            std::lock_guard<std::mutex> lock (mutex);
            stopping = true;
        }
        wake.notify_all ();
        releaseWriter ();
        // A store goes with its module or its process, and nothing later
        // writes what it still owes: here it waits for the lock. Only writes
        // made while another process held the lock, and held it since, are
        // owed; giving up on them after a while lost them to a process that
        // kept writing (trying the lock now and then rarely finds it free).
        std::lock_guard<std::mutex> lock (mutex);
        if (! owed.empty () || repairOwed)
            flushLocked (true);
        if (heldFd >= 0)
            ::close (heldFd);
    }

    static constexpr auto kRetryInterval = std::chrono::milliseconds (20);

    void resolveLocked ()
    {
        if (resolved)
            return;
        resolved = true;
        if (! explicitRoot)
        {
            userDir = userDirFromEnvironment ();
            systemDir = systemDirFromEnvironment ();
        }
        filePath = userDir.empty () ? std::string {} : userDir + "/" + kFileName;
        system.clear ();
        if (! systemDir.empty ())
        {
            std::string data;
            FileId id;
            const ReadStatus status = readWholeFile (systemDir + "/" + kFileName, data, id);
            if (status == ReadStatus::ok || status == ReadStatus::truncated)
                parseFile (data, system); // not ours to move aside: what parses is used
        }
        user.clear ();
        owed.clear ();
        repairOwed = false;
        holdLocked (-1, FileId {});
        refreshLocked ();
    }

    void holdLocked (int fd, const FileId& id)
    {
        if (heldFd >= 0)
            ::close (heldFd);
        heldFd = fd;
        loadedId = id;
    }

    // `base`, with what this store still owes the file on top.
    void adoptLocked (ValueMap base)
    {
        for (const auto& [key, value] : owed)
            put (base, key, value);
        user = std::move (base);
    }

    // Reads the file again when its identity changed.
    void refreshLocked ()
    {
        if (filePath.empty ())
            return;

        struct stat st
        {};
        FileId id;
        if (::stat (filePath.c_str (), &st) == 0)
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
            if (fd >= 0)
                ::close (fd);
            fd = -1;
            // Under the lock, so a file another writer just put in place is
            // not hit. Held elsewhere, the lines that parsed serve meanwhile
            // and the writer thread repairs the file once the lock is free.
            FolderLock lock (userDir, false);
            if (lock.busy ())
            {
                parsed.clear ();
                parseFile (data, parsed);
                holdLocked (-1, id);
                adoptLocked (std::move (parsed));
                repairOwed = true;
                startWriterLocked ();
                return;
            }
            if (! readBaseLocked (parsed, id, fd))
                return;
        }
        if (status == ReadStatus::missing)
            id = FileId {};
        holdLocked (fd, id);
        adoptLocked (std::move (parsed));
    }

    // Reads the file as the base of a write. A damaged one is kept aside as
    // it was, and what parsed of it is written back in its place, so one bad
    // line costs no other setting. The repair is written before the damaged
    // file leaves its place: when it cannot be (a full disk), the file stays
    // and its good lines are read again next time. Caller holds the folder
    // lock. False only for a transient failure.
    bool readBaseLocked (ValueMap& base, FileId& id, int& fd)
    {
        std::string data;
        fd = -1;
        base.clear ();
        switch (readWholeFile (filePath, data, id, &fd))
        {
            case ReadStatus::transient: return false;
            case ReadStatus::missing: id = FileId {}; return true;
            case ReadStatus::ok:
                if (parseFile (data, base))
                    return true;
                ::close (fd);
                fd = -1;
                break;
            case ReadStatus::truncated: parseFile (data, base); break;
            case ReadStatus::damaged: break;
        }
        struct stat st
        {};
        const std::string repaired = base.empty () ? std::string {} : writeTemporary (filePath, serialise (base));
        if ((! base.empty () && repaired.empty ()) || ! keepAside (filePath, ! repaired.empty ()))
        {
            if (! repaired.empty ())
                ::unlink (repaired.c_str ());
            // Still in place: nothing is written over it.
            id = ::stat (filePath.c_str (), &st) == 0 ? fileIdOf (st) : FileId {};
            return true;
        }
        damagedKept.fetch_add (1, std::memory_order_relaxed);
        id = FileId {};
        if (! repaired.empty () && commitTemporary (repaired, filePath))
            fd = openRegular (filePath, id);
        return true;
    }

    enum class Flush
    {
        done,
        busy,   // another process holds the folder lock
        failed, // the folder or the file could not be written
    };

    // Writes what is owed, merged under the folder lock with what the file
    // holds now, so two processes writing different keys lose neither.
    // Waits for the lock only when told to.
    Flush flushLocked (bool wait = false)
    {
        if (userDir.empty () || ! makeDirectories (userDir))
            return Flush::failed;
        FolderLock lock (userDir, wait);
        if (! lock.held ())
            return lock.busy () ? Flush::busy : Flush::failed;
        ValueMap base;
        FileId id;
        int fd = -1;
        if (! readBaseLocked (base, id, fd))
            return Flush::busy;
        repairOwed = false;
        if (owed.empty ())
        {
            holdLocked (fd, id);
            user = std::move (base);
            return Flush::done;
        }
        if (fd >= 0)
            ::close (fd);
        for (const auto& [key, value] : owed)
            put (base, key, value);
        if (! replaceFileAtomically (filePath, serialise (base)))
            return Flush::failed;
        owed.clear ();
        fd = openRegular (filePath, id);
        holdLocked (fd, id);
        user = std::move (base);
        return Flush::done;
    }

    void startWriterLocked ()
    {
        if (writerRunning () || stopping)
            return;
        // A writer that has finished its work is on its way out.
        releaseWriter ();
        writerDue = true;
        writer = std::thread ([this] { writeWhenFree (); });
        writerPid = ::getpid ();
    }

    // The writer thread: tries the lock until what is owed is written (or
    // cannot be), then ends.
    void writeWhenFree ()
    {
        std::unique_lock<std::mutex> lock (mutex);
        while (! stopping)
        {
            wake.wait_for (lock, kRetryInterval);
            if (stopping || flushLocked () != Flush::busy)
                break;
        }
        writerDue = false;
    }

    bool writeLocked (std::string_view key, const Value& value)
    {
        put (user, key, value); // this run sees it at once
        if (userDir.empty () || ! makeDirectories (userDir))
            return false;
        put (owed, key, value);
        if (writerRunning ())
            return true; // joins what the writer thread writes
        switch (flushLocked ())
        {
            case Flush::done: return true;
            case Flush::busy: startWriterLocked (); return true;
            case Flush::failed: break;
        }
        return false;
    }

    bool write (std::string_view key, const Value& value)
    {
        if (! acceptable (key, value.text))
            return false;
        bool ok = false;
        {
            std::lock_guard<std::mutex> lock (mutex);
            resolveLocked ();
            ok = writeLocked (key, value);
        }
        std::lock_guard<std::recursive_mutex> lock (listenersMutex);
        for (PrefsListener* listener : listeners)
            listener->preferencesWritten ();
        return ok;
    }
};

Preferences::Preferences () : impl (new Impl) {}

Preferences::Preferences (std::string userDir, std::string systemDir) : impl (new Impl)
{
    impl->explicitRoot = true;
    impl->userDir = std::move (userDir);
    impl->systemDir = std::move (systemDir);
}

Preferences::~Preferences () { delete impl; }

namespace {

std::atomic<Preferences*> sharedStore {nullptr};
std::mutex sharedStoreMutex;

// Runs when the module is unloaded, after its instances are gone, or at
// process exit after every static destructor: instances torn down late in
// exit still find the store, and a host that loads and unloads the module
// gets its descriptor and memory back each time.
[[gnu::destructor]] void dropSharedStore () { delete sharedStore.exchange (nullptr, std::memory_order_acq_rel); }

} // namespace

Preferences& Preferences::shared ()
{
    if (Preferences* store = sharedStore.load (std::memory_order_acquire))
        return *store;
    std::lock_guard<std::mutex> lock (sharedStoreMutex);
    if (sharedStore.load (std::memory_order_relaxed) == nullptr)
        sharedStore.store (new Preferences, std::memory_order_release);
    return *sharedStore.load (std::memory_order_relaxed);
}

void Preferences::setRootForTesting (const std::string& userDir, const std::string& systemDir)
{
    shared ().setRoot (userDir, systemDir);
}

void Preferences::setRoot (const std::string& userDir, const std::string& systemDir)
{
    std::lock_guard<std::mutex> lock (impl->mutex);
    impl->explicitRoot = true;
    impl->userDir = userDir;
    while (impl->userDir.size () > 1 && impl->userDir.back () == '/')
        impl->userDir.pop_back ();
    impl->systemDir = systemDir;
    impl->resolved = false;
    impl->resolveLocked ();
}

std::string Preferences::filePath () const
{
    std::lock_guard<std::mutex> lock (impl->mutex);
    impl->resolveLocked ();
    return impl->filePath;
}

bool Preferences::readString (std::string_view key, char* buffer, int size)
{
    if (! buffer || size <= 0)
        return false;
    buffer[0] = 0;
    std::string copyToUser;
    bool fromSystem = false;
    {
        std::lock_guard<std::mutex> lock (impl->mutex);
        impl->resolveLocked ();
        impl->refreshLocked ();
        const Value* v = find (impl->user, key);
        const bool fromUser = v && ! v->isInt && ! v->text.empty ();
        if (! fromUser && ! ((v = find (impl->system, key)) && ! v->isInt))
            return false;
        const std::string& text = v->text;
        size_t n = std::min (text.size (), size_t (size - 1));
        if (n < text.size ())
        {
            // Don't leave half a UTF-8 sequence at the cut.
            size_t cut = n;
            for (int steps = 0; cut > 0 && steps < 4 && (static_cast<unsigned char> (text[cut]) & 0xC0) == 0x80;
                 ++steps)
                --cut;
            if ((static_cast<unsigned char> (text[cut]) & 0xC0) != 0x80)
                n = cut;
        }
        std::memcpy (buffer, text.data (), n);
        buffer[n] = 0;
        fromSystem = ! fromUser;
        if (fromSystem)
            copyToUser = text;
    }
    // The any-user value is copied into the user's own file, as the system
    // preferences do.
    if (fromSystem)
        writeString (key, copyToUser);
    return true;
}

int32_t Preferences::readInt (std::string_view key)
{
    std::lock_guard<std::mutex> lock (impl->mutex);
    impl->resolveLocked ();
    impl->refreshLocked ();
    const Value* v = find (impl->user, key);
    return v && v->isInt ? v->number : 0;
}

bool Preferences::writeString (std::string_view key, std::string_view value)
{
    Value v;
    v.text.assign (value);
    return impl->write (key, v);
}

bool Preferences::writeInt (std::string_view key, int32_t value)
{
    Value v;
    v.isInt = true;
    v.number = value;
    return impl->write (key, v);
}

int Preferences::damagedFilesKept () const { return impl->damagedKept.load (std::memory_order_relaxed); }

void Preferences::addListener (PrefsListener* listener)
{
    std::lock_guard<std::recursive_mutex> lock (impl->listenersMutex);
    impl->listeners.push_back (listener);
}

void Preferences::removeListener (PrefsListener* listener)
{
    std::lock_guard<std::recursive_mutex> lock (impl->listenersMutex);
    std::erase (impl->listeners, listener);
}

// ---- Defaults ---------------------------------------------------------------------------

bool prefFlagDefault (std::string_view key)
{
    for (const auto& flag : PREF_FLAG_DEFAULTS)
        if (key == flag.key)
            return flag.defaultOn;
    return false;
}

std::string defaultHelpPath ()
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

std::string defaultEcsDir ()
{
    if (const char* docs = std::getenv ("XDG_DOCUMENTS_DIR"); docs && docs[0] == '/')
        return std::string (docs) + "/Morlake/";
    const std::string home = homeDir ();
    return (home.empty () ? std::string ("/tmp") : home) + "/Documents/Morlake/";
}

// ---- Free accessors ---------------------------------------------------------------------

void loadStringFromPrefs (const char* key, char* buffer, int size)
{
    if (! buffer || size <= 0)
        return;
    buffer[0] = 0;
    if (key)
        Preferences::shared ().readString (key, buffer, size);
}

bool saveStringToPrefs (const char* key, const char* value)
{
    return key && value && Preferences::shared ().writeString (key, value);
}

int32_t loadIntFromPrefs (const char* key) { return key ? Preferences::shared ().readInt (key) : 0; }

bool saveIntToPrefs (const char* key, int32_t value) { return key && Preferences::shared ().writeInt (key, value); }

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

void initPathPrefs (Preferences& store)
{
    char text[kPrefStringSize] = {};
    if (! store.readString (PREF_HELP_DIR, text, sizeof text) || text[0] == 0)
        store.writeString (PREF_HELP_DIR, defaultHelpPath ());
    text[0] = 0;
    if (! store.readString (PREF_ECS_DIR, text, sizeof text) || text[0] == 0)
        store.writeString (PREF_ECS_DIR, defaultEcsDir ());
}

} // namespace morlake
