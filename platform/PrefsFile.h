// File handling under the preferences store: whole-file reads that a FIFO
// or a huge file cannot hang, atomic replacement, the folder lock that
// serialises writers of every process, and the Linux default folders.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace morlake::prefs {

inline constexpr const char* kFileName = "preferences.txt";

// Identity of a file as stat sees it: equal ids mean an unchanged file.
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

FileId fileIdOf (const struct stat& st);

enum class ReadStatus
{
    ok,
    missing,
    transient, // try again later, keep what we have
    damaged,
    truncated, // larger than any preferences file: data holds its first whole lines
};

// On success *keepFd (when given) receives the open descriptor: holding it
// keeps the inode from being reused, so an identical FileId really is the
// same file.
ReadStatus readWholeFile (const std::string& path, std::string& data, FileId& id, int* keepFd = nullptr);

// Opens `path` read-only and returns its descriptor and identity; -1 when it
// is not there or not a regular file.
int openRegular (const std::string& path, FileId& id);

bool makeDirectories (const std::string& dir);

// The file `path` names once symbolic links are followed: a settings file
// linked from elsewhere (a dotfiles folder) is replaced where it lives, and
// the link stays. `path` itself for a loop or a link into a missing folder.
std::string linkTarget (const std::string& path);

// Write-to-temporary, sync, rename: a reader sees the old or the new file
// whole. Replaces the file a link points to, not the link.
bool replaceFileAtomically (const std::string& path, const std::string& data);

// The first half of replaceFileAtomically(): `data` in a synced temporary
// beside `path`'s link target; empty when it could not be written whole.
std::string writeTemporary (const std::string& path, const std::string& data);
// The second half: renames the temporary over the target (removed on failure).
bool commitTemporary (const std::string& temporary, const std::string& path);

// Keeps a damaged file as <path>.damaged-<local time>, renamed; false when it
// stays. With a repair to follow, a regular file gets the name as a second
// one and stays in place until the repair is renamed over it.
bool keepAside (const std::string& path, bool repairFollows = false);

// Exclusive advisory lock on the folder's lock file, held for one write.
class FolderLock
{
public:
    // wait false: gives up at once when another process holds the lock.
    explicit FolderLock (const std::string& dir, bool wait = true);
    ~FolderLock ();
    FolderLock (const FolderLock&) = delete;
    FolderLock& operator= (const FolderLock&) = delete;
    bool held () const { return fd >= 0; }
    // Not held because another process has it (try again later).
    bool busy () const { return heldElsewhere; }

private:
    int fd = -1;
    bool heldElsewhere = false;
};

std::string homeDir ();
// $XDG_CONFIG_HOME/Aldermoor/Morlake, default ~/.config/Aldermoor/Morlake.
std::string userDirFromEnvironment ();
// The first folder of $XDG_CONFIG_DIRS (default /etc/xdg) holding our file.
std::string systemDirFromEnvironment ();

} // namespace morlake::prefs
