// The desktop's programs: the file chooser of the controller-map dialogs
// (zenity or kdialog) and the opener of documents and web pages (xdg-open).
// Linux has neither a toolkit file dialog we can rely on nor "open"; these
// run the desktop's own, without a shell, as child processes that are
// watched, never waited for: the user-interface thread polls each task from
// its idle calls, and the answer comes through a callback from that poll.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
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

// A program running for the user. Destroying an unfinished task drops its
// callback; a file chooser is closed with it, an opened document is not.
class DesktopTask
{
public:
    virtual ~DesktopTask () = default;
    // Never blocks. True once the task has ended and its callback has run.
    virtual bool poll () = 0;
};

// The chosen file's full path (a save's with the proposed extension forced
// on it), or false when the user cancelled or nothing could be shown.
using FileChosen = std::function<void (bool chosen, const std::string& path)>;

// Replaces the desktop chooser (tests): answers one request at once, true
// with the chosen path. Null restores the desktop's.
using FileChooser = std::function<bool (const FileRequest& request, std::string& chosen)>;
void setFileChooser (FileChooser chooser);

// Starts the file chooser. Null, with a message window saying why, when no
// chooser program is installed; `done` is then never called.
std::unique_ptr<DesktopTask> chooseFile (const FileRequest& request, FileChosen done);

// Opens a file or web address with xdg-open. A message window says so when
// nothing can open it: no xdg-open (null is answered), or xdg-open failing.
std::unique_ptr<DesktopTask> openDocument (const std::string& target);

// The extensions of a pattern such as "*.ecs;*.txt": from the first ".",
// each run up to the next ";".
std::vector<std::string> patternExtensions (const std::string& pattern);

// A save dialog's chosen path with the proposed name's extension forced
// on it, when that extension is a dot and three characters.
std::string forceExtension (const std::string& chosen, const std::string& proposedName);

// Full path of `program` on PATH, or empty.
std::string findProgram (const std::string& program);

// Child processes whose task was dropped before they ended, reaped without
// waiting (called by every poll; for tests).
int reapDroppedChildren ();

} // namespace morlake
