// Damaged preferences files: every line that parses is kept, the damaged file
// is kept beside it as it was, the next write starts a clean file, and
// nothing in place of the file blocks a read. Each case runs in a child
// process with a time limit, so a hang fails it.
#include "platform/Preferences.h"
#include "tests/common/ChildProcess.h"
#include "tests/platform/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
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
    static const char kGarbage[] = "\x7f" "ELF\x02\x01\x01\0\0\0binary\xff\xfe";
    const std::string huge = kGood + std::string (5u << 20, 'y') + "\nMIDICapture=\"N\"\n";
    const Case cases[] = {
        {"stray line", "x\n" + kGood + "MIDIPreset\n", true},
        {"foreign comments", "; note\n// note\n" + kGood + "[section]\n", true},
        {"byte-order mark", "\xEF\xBB\xBF" + kGood, false},
        {"hand edits", "  # comment\r\n\n MIDIChannel = 4 \r\nECSDir = \"/srv/ecs/\"", false},
        {"NUL in a line", std::string ("MIDI\0Preset=\"N\"\n", 16) + kGood, true},
        {"binary", std::string ("\x7f" "ELF\x02\x01\x01\0\0\xff\xfe\n", 12) + kGood + "\x80\x81\xfe\n", true},
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

} // namespace morlake
