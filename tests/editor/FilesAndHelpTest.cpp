// Controller maps through the editor's file dialogs, the forced extension of
// the save dialog, and HELP handing the manual to the desktop's opener.
#include "tests/editor/EditorTestSupport.h"
#include "tests/platform/TempDir.h"

#include "layout/Layout.h"
#include "editor/MessageWindows.h"
#include "platform/Desktop.h"
#include "platform/Preferences.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace morlake::test {
namespace {

namespace fs = std::filesystem;

TEST (FileDialogs, PatternAndForcedExtension)
{
    EXPECT_EQ (patternExtensions ("*.ecs"), std::vector<std::string> {".ecs"});
    EXPECT_EQ (patternExtensions ("*.ecs;*.txt"), (std::vector<std::string> {".ecs", ".txt"}));
    EXPECT_TRUE (patternExtensions ("*").empty ());
    const struct
    {
        const char* chosen;
        const char* proposed;
        const char* saved;
    } cases[] = {
        {"/m/My Map", "Morlake.ecs", "/m/My Map.ecs"},
        {"/m/My Map.txt", "Morlake.ecs", "/m/My Map.ecs"},
        {"/m/a.b.c", "Morlake.ecs", "/m/a.ecs"},
        {"/m.d/map", "Morlake.ecs", "/m.d/map.ecs"},
        {"/m/map", "Morlake.json", "/m/map"}, // only dot-and-three extensions are forced
        {"/m/map", "Morlake", "/m/map"},
    };
    for (const auto& c : cases)
        EXPECT_EQ (forceExtension (c.chosen, c.proposed), c.saved) << c.chosen;
}

class FilesAndHelp : public MainScreen
{
protected:
    void SetUp () override
    {
        MainScreen::SetUp ();
        folder = fs::temp_directory_path () / ("morlake-files-" + std::to_string (::getpid ()));
        fs::create_directories (folder);
    }
    void TearDown () override
    {
        setFileChooser (nullptr);
        fs::remove_all (folder);
    }
    // The next dialogs answer `path`, recording what they were asked.
    void choose (const fs::path& path)
    {
        setFileChooser ([this, path] (const FileRequest& r, std::string& chosen) {
            requests.push_back (r);
            chosen = path.string ();
            return true;
        });
    }
    std::vector<int> map () const
    {
        std::vector<int> tags;
        for (int c = 0; c < 128; ++c)
            tags.push_back (f.plugin->instance ().getControllerTag (c));
        return tags;
    }
    // As a user does: a click on MIDI MAP, the entry picked with the arrow
    // keys (0 "Load ECS", 1 "Save ECS") and Return; then the host idles.
    void ecsMenu (int entry)
    {
        const auto& a = layout::kEcsMenu;
        ASSERT_TRUE (xdo (pointerTo (VSTGUI::CPoint (a.x + a.width / 2, a.y + a.height / 2)) + " click 1"));
        ASSERT_TRUE (idleUntil (f, [this] { return f.editor ().getFrame ()->getModalView () != nullptr; }));
        f.idleFor (150, 10);
        std::string keys = "key --delay 60";
        for (int i = 0; i <= entry; ++i)
            keys += " Down";
        ASSERT_TRUE (xdo (keys + " Return"));
        f.idleFor (300, 10);
    }
    // The message showing, answered with a real Return, then seconds of idle;
    // empty when none showed.
    std::string message ()
    {
        MessageDialog* d = waitForDialog (f, 500);
        if (d == nullptr)
            return {};
        const std::string text = d->message ();
        f.idleFor (100, 10);
        EXPECT_TRUE (xdo ("key Return"));
        idleUntil (
            f, [&] { return shownDialog (f.editor ().getFrame ()) == nullptr; }, 1000);
        f.idleFor (2000, 10);
        EXPECT_EQ (f.editor ().getFrame ()->getModalView (), nullptr);
        return text;
    }

    fs::path folder;
    std::vector<FileRequest> requests;
};

TEST_F (FilesAndHelp, ControllerMapsThroughTheMenuAndTheDialogs)
{
    f.plugin->instance ().setMidiCCNumber (tag::ReverbLength, "21");
    f.plugin->instance ().setMidiCCNumber (tag::WetDry, "7");
    const std::vector<int> saved = map ();
    choose (folder / "live rig");
    ecsMenu (1);
    ASSERT_EQ (requests.size (), 1u);
    EXPECT_TRUE (requests[0].save);
    EXPECT_EQ (requests[0].title, "ECS Save");
    EXPECT_EQ (requests[0].defaultName, "Morlake.ecs");
    char ecsDir[kPrefStringSize] {};
    loadStringFromPrefs (PREF_ECS_DIR, ecsDir, sizeof ecsDir);
    EXPECT_EQ (requests[0].initialDir, ecsDir);
    ASSERT_TRUE (fs::exists (folder / "live rig.ecs")) << "the extension is forced";
    EXPECT_EQ (message (), "");

    f.plugin->instance ().resetMidi ();
    ASSERT_NE (map (), saved);
    choose (folder / "live rig.ecs");
    ecsMenu (0);
    EXPECT_EQ (requests.back ().title, "ECS Loader");
    EXPECT_EQ (requests.back ().extensions, std::vector<std::string> {".ecs"});
    EXPECT_EQ (map (), saved);
    EXPECT_EQ (loadIntFromPrefs ("21"), tag::ReverbLength) << "a loaded map is the one a new instance reads";
    EXPECT_EQ (message (), "");
}

// The desktop's chooser runs as a process of its own: the host idles while
// it shows, its answer is picked up from the idle calls, and closing the
// editor closes it.
TEST_F (FilesAndHelp, TheDesktopChooserRunsBesideTheHost)
{
    f.plugin->instance ().setMidiCCNumber (tag::ReverbLength, "21");
    const fs::path map = folder / "rig.ecs";
    ASSERT_TRUE (f.plugin->instance ().saveECSFile (map.string ()));
    f.plugin->instance ().resetMidi ();
    const fs::path bin = folder / "bin";
    fs::create_directories (bin);
    const fs::path started = folder / "started";
    // A chooser that takes a second to answer, as a user does.
    std::ofstream (bin / "zenity") << "#!/bin/sh\ntouch '" << started.string () << "'\nsleep 1\necho '" << map.string ()
                                   << "'\n";
    fs::permissions (bin / "zenity", fs::perms::owner_all);
    const std::string oldPath = std::getenv ("PATH");
    setenv ("PATH", (bin.string () + ":" + oldPath).c_str (), 1);
    setFileChooser (nullptr);

    ecsMenu (0);
    const uint64_t passes = EditorProbe (f.editor ()).idlePasses ();
    ASSERT_TRUE (idleUntil (f, [&] { return fs::exists (started); }));
    EXPECT_EQ (f.editor ().watchedTasks (), 1u);
    EXPECT_EQ (f.plugin->instance ().getControllerTag (21), 0) << "not yet answered";
    ASSERT_TRUE (idleUntil (
        f, [&] { return f.plugin->instance ().getControllerTag (21) == tag::ReverbLength; }, 5000));
    EXPECT_GT (EditorProbe (f.editor ()).idlePasses (), passes + 10) << "the host idled while the chooser showed";
    EXPECT_EQ (f.editor ().watchedTasks (), 0u);

    // Closed with the editor: the chooser goes, and nothing is loaded later.
    std::ofstream (bin / "zenity") << "#!/bin/sh\ntouch '" << started.string () << "'\nexec sleep 30\n";
    fs::remove (started);
    f.plugin->instance ().resetMidi ();
    ecsMenu (0);
    ASSERT_TRUE (idleUntil (f, [&] { return fs::exists (started); }));
    f.close ();
    setenv ("PATH", oldPath.c_str (), 1);
    for (int i = 0; i < 50 && std::system ("pgrep -f 'exec sleep 30|sleep 30' >/dev/null") == 0; ++i)
        std::this_thread::sleep_for (std::chrono::milliseconds (20));
    EXPECT_NE (std::system ("pgrep -x -f 'sleep 30' >/dev/null"), 0) << "the chooser outlived the editor";
    EXPECT_EQ (f.plugin->instance ().getControllerTag (21), 0);
    EXPECT_EQ (reapDroppedChildren (), 0);
}

// Each failure says so in a message window; dismissed with a real key, the
// editor and the host go on (a crash here would end the test program).
TEST_F (FilesAndHelp, BadFilesShowTheProblemAndChangeNothing)
{
    f.plugin->instance ().setMidiCCNumber (tag::ReverbLength, "21");
    const std::vector<int> before = map ();
    const fs::path damaged = folder / "damaged.ecs";
    std::ofstream (damaged) << "12\nnot a tag\n";
    const std::string version = readFileText ("/proc/version");
    const fs::path bin = folder / "empty-bin";
    fs::create_directories (bin);
    const std::string oldPath = std::getenv ("PATH");
    const struct
    {
        const char* what;
        int entry;
        std::function<void ()> prepare;
        const char* shown;
    } cases[] = {
        {"missing file", 0, [&] { choose (folder / "missing.ecs"); }, "Problem with ECS File"},
        {"damaged file", 0, [&] { choose (damaged); }, "Problem with ECS File"},
        {"unwritable folder", 1, [&] { choose ("/proc/version.ecs"); }, "Problem with ECS File"},
        {"cancelled", 0, [] { setFileChooser ([] (const FileRequest&, std::string&) { return false; }); }, ""},
        {"no chooser program", 0,
         [&] {
             setFileChooser (nullptr);
             setenv ("PATH", bin.c_str (), 1);
         },
         "No file chooser was found. Install zenity (or kdialog) to load and save files."},
    };
    for (const auto& c : cases)
    {
        c.prepare ();
        ecsMenu (c.entry);
        setenv ("PATH", oldPath.c_str (), 1);
        EXPECT_EQ (message (), c.shown) << c.what;
        EXPECT_EQ (map (), before) << c.what;
    }
    EXPECT_EQ (readFileText ("/proc/version"), version);
}

TEST_F (FilesAndHelp, HelpOpensTheManualWithTheDesktopOpener)
{
    // A stub xdg-open on PATH records what it was asked to open.
    const fs::path bin = folder / "bin";
    fs::create_directories (bin);
    const fs::path record = folder / "opened.txt";
    const std::string oldPath = std::getenv ("PATH");
    setenv ("PATH", (bin.string () + ":" + oldPath).c_str (), 1);
    char oldManual[kPrefStringSize] {};
    loadStringFromPrefs (PREF_HELP_DIR, oldManual, sizeof oldManual);
    const std::string manual = (folder / "The Manual.pdf").string ();
    std::ofstream (manual) << "%PDF";
    saveStringToPrefs (PREF_HELP_DIR, manual.c_str ());
    const VSTGUI::CPoint button (layout::kOpenHelp.x + 20, layout::kOpenHelp.y + 8);

    const struct
    {
        const char* opener; // null: none on PATH
        const char* shown;
    } cases[] = {
        {"printf '%s' \"$1\" > '@'\n", ""},
        {"printf '%s' \"$1\" > '@'\nexit 3\n", "Nothing could open @M. Check that a viewer for it is installed."},
        {nullptr, "Nothing can open @M. Install xdg-utils (xdg-open) and a viewer."},
    };
    auto fill = [&] (std::string text) {
        for (std::size_t at; (at = text.find ("@M")) != std::string::npos;)
            text.replace (at, 2, manual);
        for (std::size_t at; (at = text.find ('@')) != std::string::npos;)
            text.replace (at, 1, record.string ());
        return text;
    };
    for (const auto& c : cases)
    {
        fs::remove (record);
        fs::remove (bin / "xdg-open");
        if (c.opener != nullptr)
        {
            std::ofstream (bin / "xdg-open") << "#!/bin/sh\n" << fill (c.opener);
            fs::permissions (bin / "xdg-open", fs::perms::owner_all);
        }
        else
            setenv ("PATH", bin.c_str (), 1);
        ASSERT_TRUE (xdo (pointerTo (button) + " click 1"));
        idleUntil (
            f, [&] { return fs::exists (record) || shownDialog (f.editor ().getFrame ()) != nullptr; }, 3000);
        setenv ("PATH", (bin.string () + ":" + oldPath).c_str (), 1);
        if (c.opener != nullptr)
        {
            EXPECT_EQ (readFileText (record), manual);
        }
        EXPECT_EQ (message (), fill (c.shown)) << (c.opener ? c.opener : "no opener");
    }
    setenv ("PATH", oldPath.c_str (), 1);
    saveStringToPrefs (PREF_HELP_DIR, oldManual);
    EXPECT_EQ (reapDroppedChildren (), 0);
}

} // namespace
} // namespace morlake::test
