// Damaged preferences files: every line that parses is kept, the damaged file
// is kept beside it as it was, and nothing in place of the file blocks a read.
// Each case runs in a child process with a time limit, so a hang fails it.
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
using test::readFileText;
using test::TempDir;
using test::writeFileText;
namespace fs = std::filesystem;

const std::string kGood = "MIDIChannel=4\nECSDir=\"/srv/ecs/\"\n";

std::string readText (Preferences& prefs, const char* key)
{
    char buffer[kPrefStringSize];
    prefs.readString (key, buffer, sizeof buffer);
    return buffer;
}

std::vector<std::string> keptCopies (const TempDir& dir)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator (dir.path))
        if (entry.path ().filename ().string ().rfind ("preferences.txt.damaged-", 0) == 0)
            found.push_back (entry.path ().string ());
    return found;
}

// After a write, a new store reads the old good settings and the new one.
void expectWriteKeepsGoodSettings (const TempDir& dir, bool hadGood)
{
    {
        Preferences prefs (dir.path, {});
        ASSERT_TRUE (prefs.writeInt ("7", 33));
    }
    Preferences fresh (dir.path, {});
    EXPECT_EQ (fresh.readInt ("7"), 33);
    EXPECT_EQ (fresh.readInt (PREF_MIDI_CHANNEL), hadGood ? 4 : 0);
    EXPECT_EQ (readText (fresh, PREF_ECS_DIR), hadGood ? "/srv/ecs/" : "");
}

} // namespace

TEST (PreferencesDamage, EveryLineThatParsesIsKept)
{
    struct Case
    {
        const char* name;
        std::string contents;
        bool damaged;
    };
    const std::string huge = kGood + std::string (5u << 20, 'y') + "\nMIDICapture=\"N\"\n";
    const Case cases[] = {
        {"stray line", "x\n" + kGood + "MIDIPreset\n", true},
        {"foreign comments", "; note\n// note\n" + kGood + "[section]\n", true},
        {"byte-order mark", "\xEF\xBB\xBF" + kGood, false},
        {"NUL in a line", std::string ("MIDI\0Preset=\"N\"\n", 16) + kGood, true},
        {"binary", std::string ("\x7f" "ELF\x02\x01\x01\0\0\xff\xfe\n", 12) + kGood + "\x80\x81\xfe\n", true},
        {"huge", huge, true},
        {"torn last line", kGood + "MIDICapture=\"", true},
    };
    for (const Case& c : cases)
        EXPECT_TRUE (inChild (20, [&c] {
            TempDir dir;
            writeFileText (dir / "preferences.txt", c.contents);
            {
                Preferences prefs (dir.path, {});
                EXPECT_EQ (prefs.readInt (PREF_MIDI_CHANNEL), 4);
                EXPECT_EQ (readText (prefs, PREF_ECS_DIR), "/srv/ecs/");
                EXPECT_EQ (prefs.damagedFilesKept (), c.damaged ? 1 : 0);
            }
            const auto kept = keptCopies (dir);
            ASSERT_EQ (kept.size (), c.damaged ? 1u : 0u);
            if (c.damaged)
            {
                EXPECT_TRUE (readFileText (kept[0]) == c.contents) << "kept as it was";
            }
            expectWriteKeepsGoodSettings (dir, true);
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
            expectWriteKeepsGoodSettings (dir, c.readable);
            if (! c.readable)
            {
                EXPECT_EQ (keptCopies (dir).size (), 1u) << "kept aside";
            }
        })) << c.name;
}

} // namespace morlake
