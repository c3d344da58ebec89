#include "editor/EditorSettings.h"

#include "platform/MessageWindows.h"
#include "platform/Preferences.h"

#include <string>

namespace morlake {

namespace {

constexpr const char* kSizeKeys[kScreenSizes] = {PREF_BIG_100, PREF_BIG_125, PREF_BIG_150, PREF_BIG_200};

} // namespace

EditorSettings EditorSettings::fromPreferences ()
{
    EditorSettings s;
    s.keyboardOn = getRegisterIsOn (PREF_KEYBOARD, true);
    s.tooltipsOn = getRegisterIsOn (PREF_TOOL_TIP, true);
    s.dragDropOn = getRegisterIsOn (PREF_DRAG_DROP, true);
    s.dialAnimation = getRegisterIsOn (PREF_DIAL_ANIMATION, true);
    for (int size = 0; size < kScreenSizes; ++size)
        if (getRegisterIsOn (kSizeKeys[size], false))
            s.screenSize = size;
    return s;
}

int EditorSettings::scaled (int v, int a, int b, int c) const
{
    switch (screenSize)
    {
        case 1: return static_cast<int> (static_cast<float> (v) * SCALE[1]) + a;
        case 2: return static_cast<int> (static_cast<float> (v) * SCALE[2]) + b;
        case 3: return static_cast<int> (static_cast<float> (v) * SCALE[3]) + c;
        default: return v;
    }
}

float EditorSettings::scaled (float v, int a, int b, int c) const
{
    switch (screenSize)
    {
        case 1: return v * SCALE[1] + static_cast<float> (a);
        case 2: return v * SCALE[2] + static_cast<float> (b);
        case 3: return v * SCALE[3] + static_cast<float> (c);
        default: return v;
    }
}

bool backSwitchPreference (const char* key, bool defaultOn)
{
    char text[kPrefStringSize] {};
    loadStringFromPrefs (key, text, sizeof text);
    return defaultOn ? text[0] != 'N' : text[0] == 'Y';
}

void chooseScreenSize (int index)
{
    if (index < 0 || index >= kScreenSizes)
        return;
    static const char* texts[kScreenSizes] = {"100% Screen Size", "125% Screen Size", "150% Screen Size",
                                              "200% Screen Size"};
    for (const char* key : kSizeKeys)
        saveBoolToPrefs (key, false);
    saveBoolToPrefs (kSizeKeys[index], true);
    messageBox (std::string ("When you next open Morlake, it'll open in ") + texts[index] + " Mode");
}

} // namespace morlake
