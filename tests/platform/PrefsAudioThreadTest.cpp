// Audio-thread promises of the preferences: no file system call and no
// allocation or lock. The file calls the store uses are replaced in this
// binary by counting versions (counted per thread, only while armed); the
// allocation and lock functions by the shared counting hooks.
#include "platform/Preferences.h"
#include "tests/common/CountingHooks.h"
#include "tests/platform/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MORLAKE_NO_INTERPOSE 1
#define SKIP_WITHOUT_COUNTERS() GTEST_SKIP() << "sanitizers own these functions"
#else
#define SKIP_WITHOUT_COUNTERS() (void) 0
#endif

namespace {
thread_local bool armed = false;
thread_local int fileCalls = 0;

inline void countFileCall ()
{
    if (armed)
        ++fileCalls;
}
} // namespace

#ifndef MORLAKE_NO_INTERPOSE
extern "C" {
int open (const char* path, int flags, ...)
{
    countFileCall();
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE))
    {
        va_list args;
        va_start (args, flags);
        mode = va_arg (args, mode_t);
        va_end (args);
    }
    return int (::syscall (SYS_openat, AT_FDCWD, path, flags, mode));
}
int stat (const char* path, struct stat* st)
{
    countFileCall();
    return int (::syscall (SYS_newfstatat, AT_FDCWD, path, st, 0));
}
int lstat (const char* path, struct stat* st)
{
    countFileCall();
    return int (::syscall (SYS_newfstatat, AT_FDCWD, path, st, AT_SYMLINK_NOFOLLOW));
}
int fstat (int fd, struct stat* st)
{
    countFileCall();
    return int (::syscall (SYS_fstat, fd, st));
}
ssize_t read (int fd, void* buffer, size_t size)
{
    countFileCall();
    return ::syscall (SYS_read, fd, buffer, size);
}
ssize_t write (int fd, const void* buffer, size_t size)
{
    countFileCall();
    return ::syscall (SYS_write, fd, buffer, size);
}
int fsync (int fd)
{
    countFileCall();
    return int (::syscall (SYS_fsync, fd));
}
int rename (const char* from, const char* to)
{
    countFileCall();
    return int (::syscall (SYS_rename, from, to));
}
int mkdir (const char* path, mode_t mode)
{
    countFileCall();
    return int (::syscall (SYS_mkdir, path, mode));
}
int flock (int fd, int operation)
{
    countFileCall();
    return int (::syscall (SYS_flock, fd, operation));
}
int unlink (const char* path)
{
    countFileCall();
    return int (::syscall (SYS_unlink, path));
}
}

#endif

namespace morlake {
namespace {

using test::TempDir;

struct Counts
{
    int fileCalls;
    hooks::Counts calls;
};

// Runs f on a thread of its own, as the audio thread when `audio`.
template <typename F>
Counts countOnThread (F&& f, bool audio = true)
{
    Counts counts {};
    std::thread thread ([&] {
        std::optional<PrefsAudioThreadScope> scope;
        if (audio)
            scope.emplace ();
        armed = true;
        hooks::Counting counting;
        f();
        counts.calls = counting.stop ();
        armed = false;
        counts.fileCalls = fileCalls;
    });
    thread.join();
    return counts;
}

void expectNone (const Counts& c)
{
    EXPECT_EQ (c.fileCalls, 0);
    EXPECT_EQ (c.calls.allocations, 0);
    EXPECT_EQ (c.calls.frees, 0);
    EXPECT_EQ (c.calls.locks, 0);
}

class AudioThreadPrefs : public ::testing::Test
{
protected:
    void SetUp () override
    {
        Preferences::setRootForTesting (dir.path);
        saveBoolToPrefs (PREF_MIDI_CAPTURE, false);
        saveIntToPrefs (PREF_MIDI_CHANNEL, 3);
        setMidiCC (7, 34);
        saveStringToPrefs (PREF_ECS_DIR, std::string (120, 'e'));
    }
    TempDir dir;
};

TEST_F (AudioThreadPrefs, TheCounterSeesNormalThreadReads)
{
    SKIP_WITHOUT_COUNTERS();
    const Counts counts = countOnThread ([] { loadIntFromPrefs (PREF_MIDI_CHANNEL); }, false);
    EXPECT_GT (counts.fileCalls, 0) << "interposition is not active: the other tests would prove nothing";
}

TEST_F (AudioThreadPrefs, ReadsTouchNoFileAndAllocateNothing)
{
    SKIP_WITHOUT_COUNTERS();
    int wrong = 0;
    const Counts counts = countOnThread ([&] {
        for (int i = 0; i < 1000; ++i)
        {
            wrong += getRegisterIsOn (PREF_MIDI_CAPTURE, true) != false;
            wrong += getRegisterIsOn (PREF_MIDI_PRESET, true) != true;
            wrong += loadIntFromPrefs (PREF_MIDI_CHANNEL) != 3;
            wrong += getMidiCC (7) != 34;
            char text[kPrefStringSize];
            loadStringFromPrefs (PREF_ECS_DIR, text, sizeof text);
            wrong += text[0] != 'e';
        }
    });
    EXPECT_EQ (wrong, 0);
    expectNone (counts);
}

TEST_F (AudioThreadPrefs, ReadsStayCheapWhileAnotherThreadWrites)
{
    SKIP_WITHOUT_COUNTERS();
    std::atomic<bool> done { false };
    std::thread ui ([&] {
        for (int i = 0; ! done.load (std::memory_order_relaxed) && i < 200; ++i)
            saveIntToPrefs ("busy", i);
    });
    int wrong = 0;
    const Counts counts = countOnThread ([&] {
        for (int i = 0; i < 20000; ++i)
            wrong += getMidiCC (7) != 34;
    });
    done = true;
    ui.join();
    EXPECT_EQ (wrong, 0);
    expectNone (counts);
}

TEST_F (AudioThreadPrefs, ReadsAnswerFromCacheWhenTheFolderIsGone)
{
    std::filesystem::remove_all (dir.path);
    int wrong = 0;
    countOnThread ([&] { wrong = getMidiCC (7) != 34 || loadIntFromPrefs (PREF_MIDI_CHANNEL) != 3; });
    EXPECT_EQ (wrong, 0);
    // A normal thread does look, and finds the settings gone.
    EXPECT_EQ (getMidiCC (7), 0);
}

TEST_F (AudioThreadPrefs, WritesAreQueuedWithoutFileCallsOrAllocation)
{
    SKIP_WITHOUT_COUNTERS();
    const Counts counts = countOnThread ([&] {
        EXPECT_TRUE (setMidiCC (64, 12));
        EXPECT_TRUE (saveBoolToPrefs (PREF_MIDI_BANK, false));
    });
    expectNone (counts);
    ASSERT_TRUE (Preferences::shared().flush());
    Preferences fresh (dir.path, {});
    EXPECT_EQ (fresh.readInt ("64"), 12);
    char text[kPrefStringSize];
    fresh.readString (PREF_MIDI_BANK, text, sizeof text);
    EXPECT_STREQ (text, "N");
}

} // namespace
} // namespace morlake
