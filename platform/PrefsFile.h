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

// Write-to-temporary, sync, rename: a reader sees the old or the new file whole.
bool replaceFileAtomically (const std::string& dir, const std::string& path, const std::string& data);

// Renames a damaged file to <path>.damaged-<local time>; false when it stays.
bool keepAside (const std::string& path);

// Exclusive advisory lock on the folder's lock file, held for one write.
class FolderLock
{
public:
    explicit FolderLock (const std::string& dir);
    ~FolderLock ();
    FolderLock (const FolderLock&) = delete;
    FolderLock& operator= (const FolderLock&) = delete;
    bool held () const { return fd >= 0; }

private:
    int fd = -1;
};

std::string homeDir ();
// $XDG_CONFIG_HOME/Aldermoor/Morlake, default ~/.config/Aldermoor/Morlake.
std::string userDirFromEnvironment ();
// The first folder of $XDG_CONFIG_DIRS (default /etc/xdg) holding our file.
std::string systemDirFromEnvironment ();

} // namespace morlake::prefs
