#include "midi/EcsFile.h"
#include "tests/platform/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morlake {
namespace {

using test::readFileText;
using test::TempDir;
using test::writeFileText;

std::string lines (int count, int value = 0)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::to_string (value) + "\n";
    return text;
}

ControllerMap sampleMap ()
{
    ControllerMap map {};
    map[1] = 34;
    map[7] = 2;
    map[64] = 12;
    map[127] = 255;
    return map;
}

TEST (EcsFile, SavesOneDecimalTagPerLineAndReadsItBack)
{
    EXPECT_STREQ (ECS_ERROR_TEXT, "Problem with ECS File");
    EXPECT_STREQ (ECS_DEFAULT_FILE_NAME, "Morlake.ecs");
    TempDir dir;
    const std::string path = dir / "layout.ecs";
    ControllerMap map = sampleMap ();
    map[3] = 300; // invalid entries are written as unlatched
    map[4] = -2;
    ASSERT_TRUE (saveEcsFile (path, map));
    const std::string text = readFileText (path);
    EXPECT_EQ (text.substr (0, 11), "0\n34\n0\n0\n0\n");
    EXPECT_EQ (std::count (text.begin (), text.end (), '\n'), 128);
    EXPECT_EQ (text.substr (text.size () - 4), "255\n");
    for (const auto& entry : std::filesystem::directory_iterator (dir.path))
        EXPECT_EQ (entry.path ().filename (), "layout.ecs") << "no temporary left";
    ControllerMap loaded {};
    loaded.fill (99);
    ASSERT_TRUE (loadEcsFile (path, loaded));
    EXPECT_EQ (loaded, sampleMap ());
}

TEST (EcsFile, TolerantLayoutsLoad)
{
    TempDir dir;
    const std::string path = dir / "t.ecs";
    std::string noFinalFeed = lines (127) + "12";
    writeFileText (path, noFinalFeed);
    ControllerMap map {};
    ASSERT_TRUE (loadEcsFile (path, map));
    EXPECT_EQ (map[127], 12);

    writeFileText (path, lines (128, 5) + "\n\n  \t\r\n");
    ASSERT_TRUE (loadEcsFile (path, map)) << "trailing white space";
    EXPECT_EQ (map[0], 5);

    std::string crlf;
    for (int i = 0; i < 128; ++i)
        crlf += std::to_string (i) + "\r\n";
    writeFileText (path, crlf);
    ASSERT_TRUE (loadEcsFile (path, map));
    EXPECT_EQ (map[100], 100);
}

TEST (EcsFile, BadFilesFailAndLeaveTheMapAlone)
{
    TempDir dir;
    const std::string path = dir / "bad.ecs";
    std::string line50 = lines (49) + "256\n" + lines (78);
    std::string negative = lines (49) + "-1\n" + lines (78);
    std::string binary (512, '\0');
    for (size_t i = 0; i < binary.size (); ++i)
        binary[i] = char (i * 37);
    const struct
    {
        const char* name;
        std::string contents;
    } cases[] = {
        {"empty", ""},
        {"127 lines", lines (127)},
        {"129 lines", lines (129)},
        {"256 on line 50", line50},
        {"-1 on line 50", negative},
        {"huge number", lines (10) + "99999999999999999999\n" + lines (117)},
        {"letters", lines (10) + "abc\n" + lines (117)},
        {"number with junk", lines (10) + "12abc\n" + lines (117)},
        {"text after the values", lines (128) + "end\n"},
        {"binary", binary},
        {"NUL inside", lines (64) + std::string ("1\0", 2) + "\n" + lines (63)},
        {"very long", std::string (1 << 20, ' ') + lines (128)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        writeFileText (path, c.contents);
        ControllerMap map = sampleMap ();
        EXPECT_FALSE (loadEcsFile (path, map));
        EXPECT_EQ (map, sampleMap ());
    }

    ControllerMap map = sampleMap ();
    EXPECT_FALSE (loadEcsFile (dir / "missing.ecs", map));
    EXPECT_FALSE (loadEcsFile (dir.path, map)) << "a folder";
    EXPECT_FALSE (loadEcsFile ("", map));
    EXPECT_EQ (map, sampleMap ());
}

TEST (EcsFile, FailedSaveReportsFailureAndKeepsTheOldFile)
{
    TempDir dir;
    EXPECT_FALSE (saveEcsFile (dir / "no/such/folder/x.ecs", sampleMap ()));
    EXPECT_FALSE (saveEcsFile ("", sampleMap ()));

    const std::string path = dir / "keep.ecs";
    ASSERT_TRUE (saveEcsFile (path, sampleMap ()));
    const std::string before = readFileText (path);
    std::filesystem::create_directory (path + ".tmp-blocker"); // harmless neighbour
    ControllerMap other {};
    ASSERT_TRUE (saveEcsFile (path, other));
    EXPECT_NE (readFileText (path), before);
}

TEST (EcsFile, SaveThroughASymlinkReplacesTheTarget)
{
    TempDir dir;
    const std::string real = dir / "real.ecs";
    const std::string link = dir / "link.ecs";
    ASSERT_TRUE (saveEcsFile (real, ControllerMap {}));
    std::filesystem::create_symlink (real, link);
    ASSERT_TRUE (saveEcsFile (link, sampleMap ()));
    EXPECT_TRUE (std::filesystem::is_symlink (link));
    ControllerMap loaded {};
    ASSERT_TRUE (loadEcsFile (real, loaded));
    EXPECT_EQ (loaded, sampleMap ());
}

// What a user may pick in the "Load ECS" dialog that is no map at all: each
// is refused without a read that could wait, and the map stays as it was.
TEST (EcsFile, FifoDeviceAndHugeFileAreRefusedWithoutWaiting)
{
    TempDir dir;
    const std::string fifo = dir / "pipe.ecs";
    ASSERT_EQ (::mkfifo (fifo.c_str (), 0600), 0);
    const std::string huge = dir / "huge.ecs";
    writeFileText (huge, lines (128));
    std::filesystem::resize_file (huge, std::uintmax_t (1) << 32); // sparse: no disk used

    const struct
    {
        const char* name;
        std::string path;
    } cases[] = {
        {"FIFO without a writer", fifo},
        {"character device", "/dev/zero"},
        {"4 GiB file", huge},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto load = std::async (std::launch::async, [&] {
            ControllerMap map = sampleMap ();
            const bool loaded = loadEcsFile (c.path, map);
            return ! loaded && map == sampleMap ();
        });
        // A loader stuck in open() is released by a writer, so a failure
        // shows as one instead of hanging the suite.
        bool waited = false;
        if (load.wait_for (std::chrono::seconds (20)) != std::future_status::ready)
        {
            waited = true;
            const int writer = ::open (c.path.c_str (), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close (writer);
        }
        EXPECT_TRUE (load.get ()) << "refused, map unchanged";
        EXPECT_FALSE (waited) << "the load waited for a writer";
    }
}

} // namespace
} // namespace morlake
