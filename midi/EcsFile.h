// ".ecs" controller-assignment files: 128 lines, line i the decimal tag
// latched to MIDI controller i (0 for none).
#pragma once

#include <array>
#include <string>

namespace morlake {

inline constexpr int kEcsControllers = 128;
inline constexpr const char* ECS_ERROR_TEXT = "Problem with ECS File";
inline constexpr const char* ECS_DEFAULT_FILE_NAME = "Morlake.ecs";
inline constexpr const char* ECS_EXTENSION = ".ecs";

using ControllerMap = std::array<int, kEcsControllers>;

// Reads the whole file into a temporary and copies it into `map` only when it
// holds exactly 128 values of 0 to 255 separated by white space.  False (map
// untouched) for a file that cannot be opened, is short, long, not numeric
// or out of range, and at once for anything that is not a regular file (a
// FIFO, a device) or is far larger than any map.
bool loadEcsFile (const std::string& path, ControllerMap& map);

// Writes the map as 128 "%d\n" lines through a temporary file renamed into
// place.  Entries that are not valid tags are written as 0 (they latch
// nothing).  False when the file could not be written completely.
bool saveEcsFile (const std::string& path, const ControllerMap& map);

} // namespace morlake
