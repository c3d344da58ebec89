// The preferences file's text format: one key=value line per setting,
// integers bare, texts in double quotes with C-style escapes; '#' starts a
// comment line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace morlake::prefs {

inline constexpr std::size_t kMaxKeyBytes = 255;
inline constexpr std::size_t kMaxTextBytes = 4095;

struct Value
{
    bool isInt = false;
    int32_t number = 0;
    std::string text;

    bool operator== (const Value&) const = default;
};

using ValueMap = std::map<std::string, Value, std::less<>>;

// Fills `out` with every line that parses; false when any other line was
// found (the caller keeps a copy of the file).  A leading byte-order mark, as
// some text editors write, is not damage.
bool parseFile (std::string_view data, ValueMap& out);
std::string serialise (const ValueMap& values);

// A key and text the format can hold.
bool acceptable (std::string_view key, std::string_view text);

} // namespace morlake::prefs
