// Damaged preferences files: every line that parses is kept, the damaged file
// is kept beside it as it was, the next write starts a clean file, and
// nothing in place of the file blocks a read. Each case runs in a child
// process with a time limit, so a hang fails it.
#include "platform/Preferences.h"
#include "tests/common/ChildProcess.h"
#include "tests/platform/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace morlake {
namespace {

using test::inChild;
using test::keptCopies;
using test::readFileText;
using test::readText;
using test::TempDir;
using test::writeFileText;
namespace fs = std::filesystem;

const std::string kGood = "MIDIChannel=4\nECSDir=\"/srv/ecs/\"\n";

// After a write, a new store reads what was readable before and the new value.
void expectWriteKeeps (const TempDir& dir, int channel, const std::string& ecs)
{
    {
        Preferences prefs (dir.path, {});
        ASSERT_TRUE (prefs.writeInt ("7", 33));
    }
    Preferences fresh (dir.path, {});
    EXPECT_EQ (fresh.readInt ("7"), 33);
    EXPECT_EQ (fresh.readInt (PREF_MIDI_CHANNEL), channel);
    EXPECT_EQ (readText (fresh, PREF_ECS_DIR), ecs);
}

} // namespace

TEST (PreferencesDamage, EveryLineThatParsesIsKept)
{
    struct Case
    {
        const char* name;
        std::string contents;
        bool damaged;
        int channel = 4;
        const char* ecs = "/srv/ecs/";
    };
    static const char kGarbage[] = "\x7f"
                                   "ELF\x02\x01\x01\0\0\0binary\xff\xfe";
    const std::string huge = kGood + std::string (5u << 20, 'y') + "\nMIDICapture=\"N\"\n";
    const Case cases[] = {
        {"stray line", "x\n" + kGood + "MIDIPreset\n", true},
        {"foreign comments", "; note\n// note\n" + kGood + "[section]\n", true},
        {"byte-order mark", "\xEF\xBB\xBF" + kGood, false},
        {"hand edits", "  # comment\r\n\n MIDIChannel = 4 \r\nECSDir = \"/srv/ecs/\"", false},
        {"NUL in a line", std::string ("MIDI\0Preset=\"N\"\n", 16) + kGood, true},
        {"binary",
         std::string ("\x7f"
                      "ELF\x02\x01\x01\0\0\xff\xfe\n",
                      12) +
             kGood + "\x80\x81\xfe\n",
         true},
        {"huge", huge, true},
        {"torn last line", kGood + "MIDICapture=\"", true},
        {"garbage only", std::string (kGarbage, sizeof kGarbage - 1), true, 0, ""},
        {"torn inside a text", kGood.substr (0, kGood.size () - 8), true, 4, ""},
        {"no value", "MIDIChannel=\n", true, 0, ""},
        {"not a number", "MIDIChannel=4x\n", true, 0, ""},
        {"out of range", "MIDIChannel=2147483648\n", true, 0, ""},
        {"bad escape", "ECSDir=\"\\q\"\n", true, 0, ""},
        {"no key", "=5\n", true, 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_TRUE (inChild (20, [&c] {
            TempDir dir;
            writeFileText (dir / "preferences.txt", c.contents);
            {
                Preferences prefs (dir.path, {});
                EXPECT_EQ (prefs.readInt (PREF_MIDI_CHANNEL), c.channel);
                EXPECT_EQ (readText (prefs, PREF_ECS_DIR), c.ecs);
                EXPECT_EQ (prefs.damagedFilesKept (), c.damaged ? 1 : 0);
            }
            const auto kept = keptCopies (dir);
            ASSERT_EQ (kept.size (), c.damaged ? 1u : 0u);
            if (c.damaged)
            {
                EXPECT_TRUE (readFileText (kept[0]) == c.contents) << "kept as it was";
            }
            expectWriteKeeps (dir, c.channel, c.ecs);
            EXPECT_EQ (keptCopies (dir).size (), c.damaged ? 1u : 0u) << "one copy only";
        })) << c.name;
}

TEST (PreferencesDamage, NothingInPlaceOfTheFileBlocks)
{
    struct Case
    {
        const char* name;
        std::function<void (const std::string& path)> make;
        bool readable; // the good settings can still be read from it
    };
    const Case cases[] = {
        {"folder", [] (const std::string& p) { fs::create_directory (p); }, false},
        {"FIFO", [] (const std::string& p) { ASSERT_EQ (::mkfifo (p.c_str (), 0600), 0); }, false},
        {"symlink loop", [] (const std::string& p) { fs::create_symlink (p, p); }, false},
        {"unreadable",
         [] (const std::string& p) {
             writeFileText (p, kGood);
             ::chmod (p.c_str (), 0);
         },
         ::geteuid () == 0},
    };
    for (const Case& c : cases)
        EXPECT_TRUE (inChild (20, [&c] {
            TempDir dir;
            c.make (dir / "preferences.txt");
            {
                Preferences prefs (dir.path, {});
                EXPECT_EQ (prefs.readInt (PREF_MIDI_CHANNEL), c.readable ? 4 : 0);
            }
            expectWriteKeeps (dir, c.readable ? 4 : 0, c.readable ? "/srv/ecs/" : "");
            if (! c.readable)
            {
                EXPECT_EQ (keptCopies (dir).size (), 1u) << "kept aside";
            }
        })) << c.name;
}

namespace {

// Holds the folder's lock as another process writing would, until released.
struct OtherWriter
{
    explicit OtherWriter (const TempDir& dir)
    : fd (::open ((dir / "preferences.lock").c_str (), O_RDWR | O_CREAT, 0600))
    {
        EXPECT_EQ (::flock (fd, LOCK_EX), 0);
    }
    ~OtherWriter () { release (); }
    void release ()
    {
        if (fd >= 0)
            ::close (fd);
        fd = -1;
    }
    int fd;
};

// Waits, with a generous limit, for the file to say what it should.
bool fileComesToContain (const std::string& path, const std::string& text)
{
    const auto until = std::chrono::steady_clock::now () + std::chrono::seconds (15);
    while (readFileText (path).find (text) == std::string::npos)
    {
        if (std::chrono::steady_clock::now () > until)
            return false;
        ::usleep (5000);
    }
    return true;
}

} // namespace

// Writes due at load (the path settings, a damaged file's repair) while
// another process holds the lock: loading goes on with the values in memory,
// and the file gets them once the lock is free. A load that waited for the
// lock would never finish here (the lock is released only afterwards).
TEST (PreferencesDamage, AHeldLockDelaysWritesNotTheLoad)
{
    struct Case
    {
        const char* name;
        std::string contents;
        std::size_t copies; // damaged copies kept in the end
    };
    const Case cases[] = {
        {"path settings missing", "MIDIChannel=4\n", 0},
        {"damaged file", "x\n" + kGood, 1},
    };
    for (const Case& c : cases)
        EXPECT_TRUE (inChild (30, [&c] {
            TempDir dir;
            const std::string file = dir / "preferences.txt";
            writeFileText (file, c.contents);
            OtherWriter other (dir);
            Preferences prefs (dir.path, {});
            initPathPrefs (prefs);
            EXPECT_EQ (prefs.readInt (PREF_MIDI_CHANNEL), 4);
            EXPECT_EQ (readText (prefs, PREF_HELP_DIR), defaultHelpPath ());
            EXPECT_EQ (readFileText (file), c.contents) << "nothing written under another's lock";
            EXPECT_EQ (keptCopies (dir).size (), 0u);
            other.release ();
            EXPECT_TRUE (fileComesToContain (file, "HelpDir="));
            EXPECT_TRUE (fileComesToContain (file, "ECSDir="));
            EXPECT_NE (readFileText (file).find ("MIDIChannel=4"), std::string::npos);
            EXPECT_EQ (keptCopies (dir).size (), c.copies);
            Preferences fresh (dir.path, {});
            EXPECT_EQ (fresh.readInt (PREF_MIDI_CHANNEL), 4);
            EXPECT_EQ (readText (fresh, PREF_HELP_DIR), defaultHelpPath ());
        })) << c.name;
}

// A store going away writes what it still owes once the lock is free.
TEST (PreferencesDamage, WritesOwedUnderAHeldLockLandWhenTheStoreGoes)
{
    EXPECT_TRUE (inChild (30, [] {
        TempDir dir;
        auto other = std::make_unique<OtherWriter> (dir);
        std::thread releaser;
        {
            Preferences prefs (dir.path, {});
            EXPECT_TRUE (prefs.writeInt ("7", 33));
            EXPECT_EQ (prefs.readInt ("7"), 33);
            releaser = std::thread ([&other] {
                ::usleep (100000);
                other->release ();
            });
        }
        releaser.join ();
        EXPECT_EQ (Preferences (dir.path, {}).readInt ("7"), 33);
    }));
}

// A preferences file kept elsewhere and linked in (a dotfiles folder): writes
// and repairs go to the file linked to, and the link stays.
TEST (PreferencesDamage, ALinkedFileStaysALink)
{
    struct Case
    {
        const char* name;
        std::string contents;
        std::size_t copies;
    };
    const Case cases[] = {
        {"good file", kGood, 0},
        {"damaged file", "x\n" + kGood, 1},
    };
    for (const Case& c : cases)
        EXPECT_TRUE (inChild (20, [&c] {
            TempDir dir;
            fs::create_directories (dir / "dotfiles");
            fs::create_directories (dir / "config");
            const std::string real = dir / "dotfiles/morlake-preferences.txt";
            const std::string link = dir / "config/preferences.txt";
            writeFileText (real, c.contents);
            fs::create_symlink ("../dotfiles/morlake-preferences.txt", link);
            {
                Preferences prefs (dir / "config", {});
                EXPECT_EQ (prefs.readInt (PREF_MIDI_CHANNEL), 4);
                ASSERT_TRUE (prefs.writeInt ("7", 33));
            }
            EXPECT_TRUE (fs::is_symlink (link));
            const std::string text = readFileText (real);
            EXPECT_NE (text.find ("7=33"), std::string::npos) << text;
            EXPECT_NE (text.find ("MIDIChannel=4"), std::string::npos) << text;
            std::size_t copies = 0;
            for (const auto& entry : fs::directory_iterator (dir / "dotfiles"))
                copies += entry.path ().filename ().string ().find (".damaged-") != std::string::npos;
            EXPECT_EQ (copies, c.copies);
            EXPECT_EQ (Preferences (dir / "config", {}).readInt ("7"), 33);
        })) << c.name;
}

// A full disk with a damaged file: the repair cannot be written, so the
// damaged file stays where it is and the next load still finds its good lines.
TEST (PreferencesDamage, AFullDiskKeepsTheDamagedFilesGoodLines)
{
    TempDir dir;
    const std::string file = dir / "preferences.txt";
    const std::string contents = "x\n" + kGood + "7=12\n";
    writeFileText (file, contents);
    EXPECT_TRUE (inChild (20, [&dir] {
        // No file may grow past 0 bytes: every write fails as on a full disk.
        ::signal (SIGXFSZ, SIG_IGN);
        const rlimit none {0, 0};
        ASSERT_EQ (::setrlimit (RLIMIT_FSIZE, &none), 0);
        Preferences prefs (dir.path, {});
        EXPECT_EQ (prefs.readInt (PREF_MIDI_CHANNEL), 4);
        EXPECT_FALSE (prefs.writeInt (PREF_MIDI_CHANNEL, 5));
        EXPECT_EQ (prefs.readInt (PREF_MIDI_CHANNEL), 5) << "seen in this run";
    }));
    Preferences next (dir.path, {});
    EXPECT_EQ (next.readInt (PREF_MIDI_CHANNEL), 4);
    EXPECT_EQ (readText (next, PREF_ECS_DIR), "/srv/ecs/");
    EXPECT_EQ (next.readInt ("7"), 12);
}

} // namespace morlake
