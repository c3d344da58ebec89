// In-place helpers for host-supplied strings and typed numbers.  All of them
// work on any length of NUL-terminated text and accept a null pointer.
#pragma once

namespace morlake {

// ASCII letters a-z to A-Z; every other byte (UTF-8 included) unchanged.
void upperCase (char* text);

// Keeps the leading run of characters with codes 32 to 127, at most
// kSafenameMax of them, and cuts the text there.
inline constexpr int kSafenameMax = 24;
void safename (char* text);

// Removes everything except the digits and "+", "-", ".", keeping the order.
void stripAllButNum (char* text);

} // namespace morlake
