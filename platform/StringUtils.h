// In-place helpers for host-supplied strings and typed numbers.  All of them
// work on any length of NUL-terminated text and accept a null pointer.
#pragma once

namespace morlake {

// ASCII letters a-z to A-Z; every other byte (UTF-8 included) unchanged.
void upperCase (char* text);

// Removes everything except the digits and "+", "-", ".", keeping the order.
void stripAllButNum (char* text);

} // namespace morlake
