// The factory preset table: one row of 256 values per preset.
#pragma once

#include "params/ParamTags.h"
#include "presets/FactoryNames.h"

#include <array>

namespace morlake {

using PresetRow = std::array<float, kNumParams>;

// Row `index` (0..56) of the factory table; slots 145..172 spell its name.
const PresetRow& factoryPreset (int index);

// Writes `name` into the name slots of `row` (cut to 28 characters, 0-terminated when shorter).
void encodePresetName (PresetRow& row, std::string_view name);
// Decodes the name slots of a value array.
std::array<char, kNameMaxChars + 1> decodePresetName (const float* values);

// Index of the factory preset named exactly `name`; the last match wins, 0 when none.
int findFactoryPreset (std::string_view name);
// The preset a person means: case and surrounding blanks ignored; -1 when none.
int findFactoryPresetIgnoringCase (std::string_view name);

} // namespace morlake
