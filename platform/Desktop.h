// The desktop's programs: the file chooser of the controller-map dialogs
// (zenity or kdialog) and the opener of documents and web pages (xdg-open).
// Linux has neither a toolkit file dialog we can rely on nor "open"; these
// run the desktop's own, without a shell, and say so in a message window
// when the program is missing.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace morlake {

struct FileRequest
{
    bool save = false;
    std::string title;
    std::string initialDir;
    std::string buttonText;
    std::string defaultName;             // save dialogs: the proposed name
    std::vector<std::string> extensions; // e.g. ".ecs"; empty: every file
};

// Answers one request: true with the chosen file's full path, false when
// the user cancelled or no chooser could be shown.
using FileChooser = std::function<bool (const FileRequest& request, std::string& chosen)>;

// Replaces the desktop chooser (tests); null restores it.
void setFileChooser (FileChooser chooser);

// The extensions of a pattern such as "*.ecs;*.txt": from the first ".",
// each run up to the next ";".
std::vector<std::string> patternExtensions (const std::string& pattern);

// A save dialog's chosen path with the proposed name's extension forced
// on it, when that extension is a dot and three characters.
std::string forceExtension (const std::string& chosen, const std::string& proposedName);

// File-open dialog: on a chosen file, its path and its folder (up to and
// including the last "/"). Outputs are left alone otherwise.
bool fileSelectLoadDirStr (const std::string& title, const std::string& initialDir, const std::string& buttonText,
                           const std::string& pattern, std::string& outDir, std::string& outPath);
bool fileSelectLoadDir (const char* title, const char* initialDir, const char* buttonText, const char* pattern,
                        char* outDir, char* outPath, int size);

// File-save dialog: on a chosen file, its path (extension forced) and its
// folder in outName. Outputs are left alone otherwise.
bool fileSelectSaveDir (const char* title, const char* initialDir, const char* buttonText, const char* defaultName,
                        char* outName, char* outPath, int size);

// Full path of `program` on PATH, or empty.
std::string findProgram (const std::string& program);

// Opens a file or web address with xdg-open, detached; a message window
// when there is nothing to open it with. False when nothing was started.
bool openDocument (const std::string& target);

} // namespace morlake
