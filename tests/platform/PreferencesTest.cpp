#include "platform/Preferences.h"
#include "tests/platform/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

namespace morlake {
namespace {

using test::keptCopies;
using test::readFileText;
using test::readText;
using test::TempDir;
using test::writeFileText;
namespace fs = std::filesystem;

// Runs `body` in a process of its own; it exits with 0 when `body` is true.
pid_t inOtherProcess (const std::function<bool ()>& body)
{
    std::fflush (nullptr);
    const pid_t pid = ::fork ();
    if (pid == 0)
        ::_exit (body () ? 0 : 1);
    return pid;
}

int waitExit (pid_t pid)
{
    int status = 0;
    if (pid < 0 || ::waitpid (pid, &status, 0) != pid || ! WIFEXITED (status))
        return -1;
    return WEXITSTATUS (status);
}

// The free accessors run on the process-wide store; each test points it at
// its own folder.
class SharedPrefs : public ::testing::Test
{
protected:
    void SetUp () override { Preferences::setRootForTesting (dir.path); }
    TempDir dir;
};

TEST_F (SharedPrefs, EveryKeyHasItsDefaultWhenAbsent)
{
    for (const auto& flag : PREF_FLAG_DEFAULTS)
    {
        EXPECT_EQ (getRegisterIsOn (flag.key, prefFlagDefault (flag.key)), flag.defaultOn) << flag.key;
        // Absent means "the caller's default", whichever it is.
        EXPECT_EQ (getRegisterIsOn (flag.key, ! flag.defaultOn), ! flag.defaultOn) << flag.key;
    }

    EXPECT_EQ (loadIntFromPrefs (PREF_MIDI_CHANNEL), 0);
    EXPECT_EQ (loadIntFromPrefs ("64"), 0);

    char text[kPrefStringSize] = "stale";
    loadStringFromPrefs (PREF_HELP_DIR, text, sizeof text);
    EXPECT_STREQ (text, "");
    EXPECT_FALSE (fs::exists (dir / "preferences.txt")) << "reading must not create the file";
}

TEST_F (SharedPrefs, PathDefaultsAreWrittenBackWhenEmpty)
{
    ::setenv ("XDG_DOCUMENTS_DIR", "/home/someone/Docs", 1);
    EXPECT_EQ (defaultEcsDir (), "/home/someone/Docs/Morlake/");
    ::unsetenv ("XDG_DOCUMENTS_DIR");
    const std::string ecsDefault = defaultEcsDir ();
    EXPECT_TRUE (ecsDefault.ends_with ("/Documents/Morlake/")) << ecsDefault;
    EXPECT_TRUE (defaultHelpPath ().ends_with ("/AL_Morlake_Manual.pdf")) << defaultHelpPath ();

    saveStringToPrefs (PREF_ECS_DIR, "");
    saveStringToPrefs (PREF_HELP_DIR, "/opt/manual.pdf");
    initPathPrefs (Preferences::shared ());
    char text[kPrefStringSize];
    loadStringFromPrefs (PREF_ECS_DIR, text, sizeof text);
    EXPECT_EQ (std::string (text), ecsDefault);
    loadStringFromPrefs (PREF_HELP_DIR, text, sizeof text);
    EXPECT_STREQ (text, "/opt/manual.pdf") << "a set path is kept";

    Preferences other (dir.path, {});
    EXPECT_EQ (readText (other, PREF_ECS_DIR), ecsDefault) << "written to the file, not only cached";
}

TEST_F (SharedPrefs, FlagsAreExactlyYOrN)
{
    saveBoolToPrefs (PREF_MIDI_CAPTURE, false);
    saveBoolToPrefs (PREF_BIG_150, true);
    EXPECT_FALSE (getRegisterIsOn (PREF_MIDI_CAPTURE, true));
    EXPECT_TRUE (getRegisterIsOn (PREF_BIG_150, false));
    const std::string file = readFileText (dir / "preferences.txt");
    EXPECT_NE (file.find ("MIDICapture=\"N\"\n"), std::string::npos) << file;
    EXPECT_NE (file.find ("Big150=\"Y\"\n"), std::string::npos) << file;

    for (const char* odd : {"y", "n", "Yes", "No", "YN", " Y", ""})
    {
        saveStringToPrefs (PREF_TOOL_TIP, odd);
        EXPECT_TRUE (getRegisterIsOn (PREF_TOOL_TIP, true)) << '"' << odd << '"';
        EXPECT_FALSE (getRegisterIsOn (PREF_TOOL_TIP, false)) << '"' << odd << '"';
    }
    saveIntToPrefs (PREF_KEYBOARD, 1);
    EXPECT_TRUE (getRegisterIsOn (PREF_KEYBOARD, true)) << "an integer is not a flag";
    EXPECT_FALSE (getRegisterIsOn (PREF_KEYBOARD, false));
}

TEST_F (SharedPrefs, ValueKindsAreKept)
{
    ASSERT_TRUE (saveIntToPrefs ("64", 12));
    EXPECT_EQ (loadIntFromPrefs ("64"), 12);
    EXPECT_NE (readFileText (dir / "preferences.txt").find ("\n64=12\n"), std::string::npos);

    saveStringToPrefs (PREF_MIDI_CHANNEL, "5");
    EXPECT_EQ (loadIntFromPrefs (PREF_MIDI_CHANNEL), 0) << "a text is not a number";
    saveIntToPrefs (PREF_MIDI_CHANNEL, 16);
    EXPECT_EQ (loadIntFromPrefs (PREF_MIDI_CHANNEL), 16);
    char text[kPrefStringSize] = "x";
    loadStringFromPrefs (PREF_MIDI_CHANNEL, text, sizeof text);
    EXPECT_STREQ (text, "") << "a number is not a text";

    saveIntToPrefs ("big", INT32_MIN);
    saveIntToPrefs ("small", INT32_MAX);
    Preferences fresh (dir.path, {});
    EXPECT_EQ (fresh.readInt ("big"), INT32_MIN);
    EXPECT_EQ (fresh.readInt ("small"), INT32_MAX);

    EXPECT_FALSE (saveIntToPrefs ("", 1)) << "empty key";
    EXPECT_FALSE (saveStringToPrefs (nullptr, "x"));
    EXPECT_FALSE (saveStringToPrefs ("k", nullptr));
    EXPECT_FALSE (Preferences::shared ().writeString ("k", std::string_view ("a\0b", 3))) << "embedded NUL";
}

TEST_F (SharedPrefs, OddTextsSurviveTheFile)
{
    const std::string key = "we#ird = key\\\"";
    const std::string value = "line1\nline2\t\"quoted\" back\\slash =#\r\x01 Grüße ♪";
    ASSERT_TRUE (Preferences::shared ().writeString (key, value));

    Preferences fresh (dir.path, {});
    char buffer[kPrefStringSize];
    ASSERT_TRUE (fresh.readString (key, buffer, sizeof buffer));
    EXPECT_EQ (std::string (buffer), value);
    EXPECT_EQ (keptCopies (dir).size (), 0u);

    // The file stays one entry per line.
    const std::string file = readFileText (dir / "preferences.txt");
    EXPECT_EQ (std::count (file.begin (), file.end (), '\n'), 2) << file;
}

TEST_F (SharedPrefs, LongTextsAreCutToTheBufferWithoutSplittingCharacters)
{
    std::string longText (300, 'a');
    Preferences::shared ().writeString ("long", longText);
    char buffer[kPrefStringSize];
    std::memset (buffer, 'Z', sizeof buffer);
    loadStringFromPrefs ("long", buffer, sizeof buffer);
    EXPECT_EQ (std::strlen (buffer), 127u);

    // 126 ASCII then a two-byte character straddling the 127-byte limit.
    Preferences::shared ().writeString ("utf8", std::string (126, 'b') + "é" + "tail");
    loadStringFromPrefs ("utf8", buffer, sizeof buffer);
    EXPECT_EQ (std::string (buffer), std::string (126, 'b'));

    char tiny[1] = {'Q'};
    loadStringFromPrefs ("long", tiny, 1);
    EXPECT_EQ (tiny[0], 0);
    loadStringFromPrefs ("long", tiny, 0); // must not touch the buffer
}

TEST_F (SharedPrefs, MissingFolderIsCreated)
{
    const std::string nested = dir / "a/b/c";
    Preferences::setRootForTesting (nested);
    ASSERT_TRUE (saveIntToPrefs (PREF_MIDI_CHANNEL, 3));
    EXPECT_TRUE (fs::exists (nested + "/preferences.txt"));
    EXPECT_EQ (Preferences::shared ().filePath (), nested + "/preferences.txt");
}

TEST_F (SharedPrefs, WriteFailureIsReportedButSeenInThisProcess)
{
    const std::string blocker = dir / "file";
    writeFileText (blocker, "not a folder");
    Preferences::setRootForTesting (blocker + "/prefs");
    EXPECT_FALSE (saveIntToPrefs (PREF_MIDI_CHANNEL, 9));
    EXPECT_EQ (loadIntFromPrefs (PREF_MIDI_CHANNEL), 9);
}

TEST (Preferences, SecondStoreSeesWritesOnItsNextRead)
{
    TempDir dir;
    Preferences a (dir.path, {});
    Preferences b (dir.path, {});
    EXPECT_EQ (b.readInt ("7"), 0);
    a.writeInt ("7", 34);
    EXPECT_EQ (b.readInt ("7"), 34);
    b.writeString (PREF_MIDI_PRESET, "N");
    EXPECT_EQ (readText (a, PREF_MIDI_PRESET), "N");
    EXPECT_EQ (a.readInt ("7"), 34) << "b's write merged, didn't replace";
}

TEST (Preferences, ConcurrentProcessesLoseNoKeys)
{
    TempDir dir;
    constexpr int kWrites = 1000;
    auto writeMany = [&] (const std::string& prefix) {
        return inOtherProcess ([&] {
            Preferences prefs (dir.path, {});
            for (int i = 0; i < kWrites; ++i)
                if (! prefs.writeInt (prefix + std::to_string (i), i))
                    return false;
            return true;
        });
    };
    const pid_t first = writeMany ("A");
    const pid_t second = writeMany ("B");
    ASSERT_EQ (waitExit (first), 0);
    ASSERT_EQ (waitExit (second), 0);

    Preferences prefs (dir.path, {});
    int missing = 0;
    for (int i = 0; i < kWrites; ++i)
    {
        missing += prefs.readInt ("A" + std::to_string (i)) != i || prefs.readInt ("B" + std::to_string (i)) != i;
    }
    EXPECT_EQ (missing, 0);
    EXPECT_EQ (prefs.readInt ("A999"), 999);
    EXPECT_EQ (keptCopies (dir).size (), 0u) << "never a torn file";
    for (const auto& entry : fs::directory_iterator (dir.path))
        EXPECT_EQ (entry.path ().filename ().string ().find (".tmp-"), std::string::npos) << "temporary left behind";
}

TEST (Preferences, SystemLayerSuppliesTextsAndIsCopiedToTheUser)
{
    TempDir user;
    TempDir system;
    writeFileText (system / "preferences.txt", "ECSDir=\"/srv/shared/ecs/\"\nMIDIChannel=5\n");
    Preferences prefs (user.path, system.path);
    EXPECT_EQ (readText (prefs, PREF_ECS_DIR), "/srv/shared/ecs/");
    EXPECT_EQ (prefs.readInt (PREF_MIDI_CHANNEL), 0) << "integers have no fallback";
    EXPECT_EQ (readText (Preferences (user.path, {}), PREF_ECS_DIR), "/srv/shared/ecs/") << "copied to the user file";

    prefs.writeString (PREF_ECS_DIR, "/mine/");
    EXPECT_EQ (readText (prefs, PREF_ECS_DIR), "/mine/");
}

TEST (Preferences, ReadersDuringWritesSeeWholeValues)
{
    TempDir dir;
    Preferences prefs (dir.path, {});
    const std::string a (100, 'a');
    const std::string b (100, 'b');
    prefs.writeString ("text", a);
    std::atomic<bool> done {false};
    std::atomic<int> bad {0};
    auto reader = [&] {
        int last = 0;
        while (! done.load (std::memory_order_relaxed))
        {
            char buffer[kPrefStringSize];
            prefs.readString ("text", buffer, sizeof buffer);
            const std::string got = buffer;
            const int n = prefs.readInt ("n");
            bad.fetch_add ((got != a && got != b) || n < last, std::memory_order_relaxed);
            last = n;
        }
    };
    std::thread readerA (reader);
    std::thread readerB (reader);
    for (int i = 1; i <= 100; ++i)
    {
        prefs.writeString ("text", i % 2 ? b : a);
        prefs.writeInt ("n", i);
    }
    done = true;
    readerA.join ();
    readerB.join ();
    EXPECT_EQ (bad.load (), 0);
    EXPECT_EQ (prefs.readInt ("n"), 100);
}

TEST (Preferences, ListenersHearEveryWriteUntilRemoved)
{
    struct Counter : PrefsListener
    {
        int heard = 0;
        void preferencesWritten () override { ++heard; }
    } counter;
    Preferences prefs ({}, {}); // memory only
    prefs.addListener (&counter);
    prefs.writeInt ("5", 3);
    prefs.writeString (PREF_MIDI_PRESET, "N");
    EXPECT_EQ (counter.heard, 2);
    EXPECT_EQ (prefs.readInt ("5"), 3) << "a store without a folder keeps values in memory";
    prefs.removeListener (&counter);
    prefs.writeInt ("5", 4);
    EXPECT_EQ (counter.heard, 2);
}

} // namespace
// Writes made while another process holds the lock: this process sees them
// at once, reads run beside the writer thread that later puts them in the
// file, and none is lost (also for the thread sanitizer).
TEST (Preferences, WritesUnderAHeldLockFollowOnTheWriterThread)
{
    TempDir dir;
    const int lock = ::open ((dir / "preferences.lock").c_str (), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ (::flock (lock, LOCK_EX), 0);
    constexpr int kKeys = 50;
    {
        Preferences prefs (dir.path, {});
        for (int i = 0; i < kKeys; ++i)
            EXPECT_TRUE (prefs.writeInt ("A" + std::to_string (i), i));
        EXPECT_FALSE (fs::exists (dir / "preferences.txt"));
        std::atomic<int> wrong {0};
        std::thread reader ([&] {
            for (int n = 0; n < 2000; ++n)
                wrong += prefs.readInt ("A" + std::to_string (n % kKeys)) != n % kKeys;
        });
        ::close (lock);
        const auto until = std::chrono::steady_clock::now () + std::chrono::seconds (15);
        while (readFileText (dir / "preferences.txt").find ("A49=49") == std::string::npos &&
               std::chrono::steady_clock::now () < until)
            std::this_thread::sleep_for (std::chrono::milliseconds (5));
        EXPECT_TRUE (prefs.writeInt ("B", 1)) << "a write after the writer thread is done";
        reader.join ();
        EXPECT_EQ (wrong.load (), 0);
    }
    Preferences fresh (dir.path, {});
    int missing = 0;
    for (int i = 0; i < kKeys; ++i)
        missing += fresh.readInt ("A" + std::to_string (i)) != i;
    EXPECT_EQ (missing, 0);
    EXPECT_EQ (fresh.readInt ("B"), 1);
}

} // namespace morlake
