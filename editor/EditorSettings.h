// The editor's own settings: read from the preferences when an editor is
// made, changed by the settings menu and the back screen.
#pragma once

#include "layout/Screen.h"

namespace morlake {

struct EditorSettings
{
    bool keyboardOn = true;
    bool tooltipsOn = true;
    bool dragDropOn = true;
    bool dialAnimation = true;
    int screenSize = 0;

    static EditorSettings fromPreferences ();

    // `v` at this screen size, plus the nudge of sizes 125, 150 and 200 %.
    int scaled (int v, int a = 0, int b = 0, int c = 0) const;
    float scaled (float v, int a = 0, int b = 0, int c = 0) const;
};

// A switch of the back screen as the preferences hold it: with `defaultOn`
// anything but "N..." is on, without it only "Y..." is.
bool backSwitchPreference (const char* key, bool defaultOn);

// Stores the screen size the next editor opens at and says so.
void chooseScreenSize (int index);

} // namespace morlake
