// Controller maps through the editor's file dialogs, the forced extension of
// the save dialog, and HELP handing the manual to the desktop's opener.
#include "tests/editor/EditorTestSupport.h"
#include "tests/platform/TempDir.h"

#include "editor/MessageWindows.h"
#include "platform/Desktop.h"
#include "platform/Preferences.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

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
        {"/m/map", "Morlake.json", "/m/map"},   // only dot-and-three extensions are forced
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
        setDialogShownHook ([this] (MessageDialog& d, VSTGUI::CFrame&) {
            shown.push_back (d.message ());
            d.pressOk ();
        });
    }
    void TearDown () override
    {
        setFileChooser (nullptr);
        setDialogShownHook (nullptr);
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
            tags.push_back (f.plugin->getControllerTag (c));
        return tags;
    }

    fs::path folder;
    std::vector<std::string> shown;
    std::vector<FileRequest> requests;
};

TEST_F (FilesAndHelp, ControllerMapsSaveAndLoadThroughTheDialogs)
{
    f.plugin->setMidiCCNumber (tag::ReverbLength, "21");
    f.plugin->setMidiCCNumber (tag::WetDry, "7");
    const std::vector<int> saved = map ();
    choose (folder / "live rig");
    f.plugin->saveECS ();
    ASSERT_EQ (requests.size (), 1u);
    EXPECT_TRUE (requests[0].save);
    EXPECT_EQ (requests[0].title, "ECS Save");
    EXPECT_EQ (requests[0].defaultName, "Morlake.ecs");
    char ecsDir[kPrefStringSize] {};
    loadStringFromPrefs (PREF_ECS_DIR, ecsDir, sizeof ecsDir);
    EXPECT_EQ (requests[0].initialDir, ecsDir);
    ASSERT_TRUE (fs::exists (folder / "live rig.ecs")) << "the extension is forced";

    f.plugin->resetMidi ();
    ASSERT_NE (map (), saved);
    choose (folder / "live rig.ecs");
    f.plugin->loadECS ();
    EXPECT_EQ (requests.back ().title, "ECS Loader");
    EXPECT_EQ (requests.back ().extensions, std::vector<std::string> {".ecs"});
    EXPECT_EQ (map (), saved);
    EXPECT_EQ (loadIntFromPrefs ("21"), tag::ReverbLength) << "a loaded map is the one a new instance reads";
    EXPECT_TRUE (shown.empty ());
}

TEST_F (FilesAndHelp, BadFilesShowTheProblemAndChangeNothing)
{
    f.plugin->setMidiCCNumber (tag::ReverbLength, "21");
    const std::vector<int> before = map ();
    // Damaged files take the same way (their reading: EcsFileTest).
    choose (folder / "missing.ecs");
    f.plugin->loadECS ();
    EXPECT_EQ (shown, std::vector<std::string> {"Problem with ECS File"});
    EXPECT_EQ (map (), before);
    // A save that cannot be written says so and leaves the file it would replace.
    const std::string version = readFileText ("/proc/version");
    shown.clear ();
    choose ("/proc/version.ecs");
    f.plugin->saveECS ();
    EXPECT_EQ (shown, std::vector<std::string> {"Problem with ECS File"});
    EXPECT_EQ (readFileText ("/proc/version"), version);
    // A cancelled dialog does nothing at all.
    shown.clear ();
    setFileChooser ([] (const FileRequest&, std::string&) { return false; });
    f.plugin->loadECS ();
    f.plugin->saveECS ();
    EXPECT_TRUE (shown.empty ());
    EXPECT_EQ (map (), before);
}

TEST_F (FilesAndHelp, HelpOpensTheManualWithTheDesktopOpener)
{
    // A stub xdg-open on PATH records what it was asked to open.
    const fs::path bin = folder / "bin";
    fs::create_directories (bin);
    const fs::path record = folder / "opened.txt";
    std::ofstream (bin / "xdg-open") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << record.string () << "'\n";
    fs::permissions (bin / "xdg-open", fs::perms::owner_all);
    const std::string oldPath = std::getenv ("PATH");
    setenv ("PATH", (bin.string () + ":" + oldPath).c_str (), 1);
    char oldManual[kPrefStringSize] {};
    loadStringFromPrefs (PREF_HELP_DIR, oldManual, sizeof oldManual);
    const std::string manual = (folder / "The Manual.pdf").string ();
    std::ofstream (manual) << "%PDF";
    saveStringToPrefs (PREF_HELP_DIR, manual.c_str ());
    f.editor ().openManual ();
    for (int i = 0; i < 100 && ! fs::exists (record); ++i)
        f.idleFor (20);
    EXPECT_EQ (readFileText (record), manual);
    EXPECT_TRUE (shown.empty ());

    // Without an opener the user is told, and nothing waits.
    setenv ("PATH", bin.string ().c_str (), 1);
    fs::remove (bin / "xdg-open");
    f.editor ().openManual ();
    setenv ("PATH", oldPath.c_str (), 1);
    saveStringToPrefs (PREF_HELP_DIR, oldManual);
    ASSERT_EQ (shown.size (), 1u);
    EXPECT_NE (shown[0].find ("xdg-open"), std::string::npos) << shown[0];
}

} // namespace
} // namespace morlake::test
