// A scratch folder removed with everything in it when the test ends, and
// file helpers of the preference tests.
#pragma once

#include "platform/Preferences.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace morlake::test {

class TempDir
{
public:
    TempDir ()
    {
        std::string pattern = (std::filesystem::temp_directory_path () / "morlake-test-XXXXXX").string ();
        if (char* made = ::mkdtemp (pattern.data ()))
            path = made;
    }
    ~TempDir ()
    {
        std::error_code ec;
        std::filesystem::remove_all (path, ec);
    }
    TempDir (const TempDir&) = delete;
    TempDir& operator= (const TempDir&) = delete;

    std::string operator/ (const std::string& name) const { return path + "/" + name; }

    std::string path;
};

inline std::string readFileText (const std::string& path)
{
    std::ifstream in (path, std::ios::binary);
    return std::string (std::istreambuf_iterator<char> (in), {});
}

inline void writeFileText (const std::string& path, const std::string& text)
{
    std::ofstream out (path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string readText (Preferences& prefs, const char* key)
{
    char buffer[kPrefStringSize];
    prefs.readString (key, buffer, sizeof buffer);
    return buffer;
}

inline std::string readText (Preferences&& prefs, const char* key) { return readText (prefs, key); }

// The copies of damaged preference files kept beside the file in `dir`.
inline std::vector<std::string> keptCopies (const TempDir& dir)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator (dir.path))
        if (entry.path ().filename ().string ().rfind ("preferences.txt.damaged-", 0) == 0)
            found.push_back (entry.path ().string ());
    return found;
}

} // namespace morlake::test
