// A scratch folder removed with everything in it when the test ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace morlake::test {

class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "morlake-test-XXXXXX").string();
        if (char* made = ::mkdtemp (pattern.data()))
            path = made;
    }
    ~TempDir()
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

} // namespace morlake::test
