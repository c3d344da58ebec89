// Second process for the preference tests.
//   prefs_helper <dir> setint <key> <value>
//   prefs_helper <dir> expectint <key> <value>     exit 0 when it reads value
//   prefs_helper <dir> writemany <prefix> <count>  keys <prefix>0.. = 0..
#include "platform/Preferences.h"

#include <cstdlib>
#include <cstring>
#include <string>

int main (int argc, char** argv)
{
    if (argc != 5)
        return 2;
    morlake::Preferences prefs (argv[1], {});
    const std::string command = argv[2];
    const std::string key = argv[3];
    const int value = std::atoi (argv[4]);
    if (command == "setint")
        return prefs.writeInt (key, value) ? 0 : 1;
    if (command == "expectint")
        return prefs.readInt (key) == value ? 0 : 1;
    if (command == "writemany")
    {
        for (int i = 0; i < value; ++i)
            if (! prefs.writeInt (key + std::to_string (i), i))
                return 1;
        return 0;
    }
    return 2;
}
