// Case-insensitive name lookup with suggestions for near misses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morlake {

std::string toLowerTrimmed (std::string_view text);
bool equalsIgnoringCase (std::string_view a, std::string_view b); // surrounding blanks ignored

// Up to maxCount candidates ordered by closeness: ones that contain the query
// (or are contained in it) first, then by edit distance. Candidates too far
// away to be a plausible typo are left out.
std::vector<std::string> closeMatches (std::string_view query, const std::vector<std::string>& candidates,
                                       std::size_t maxCount = 5);

// "a", "b" or "c" for a list; empty list gives "".
std::string quotedList (const std::vector<std::string>& names);

} // namespace morlake
