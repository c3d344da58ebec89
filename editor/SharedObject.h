// Where the editor finds its module and its bundle's resources.
#pragma once

#include <string>

namespace morlake {

// Sets VSTGUI::soHandle to this module's own handle (once) and returns it;
// null when the code is not running from a loadable module (a test program).
void* initModuleHandle ();

// Folder the bitmaps are read from, with a trailing slash: the override when
// one is set, else <bundle>/Contents/Resources/ of the module the code runs in.
std::string editorResourceDirectory ();
// For programs that link the editor directly (tests): read resources from dir.
void setEditorResourceDirectory (const std::string& dir);

} // namespace morlake
