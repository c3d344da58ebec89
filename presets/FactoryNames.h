// Names of the factory presets, in the order the editor and the host list them.
#pragma once

#include "presets/FactoryPresetData.h"

#include <array>
#include <iterator>
#include <string_view>

namespace morlake {

inline constexpr int kNumFactoryPresets = static_cast<int> (std::size (factory::PRESET_DEFINITIONS));
static_assert (kNumFactoryPresets == 57);

inline constexpr std::array<std::string_view, kNumFactoryPresets> FACTORY_PRESET_NAMES_STR = [] {
    std::array<std::string_view, kNumFactoryPresets> names {};
    for (int i = 0; i < kNumFactoryPresets; ++i)
        names[static_cast<std::size_t> (i)] = factory::PRESET_DEFINITIONS[i].name;
    return names;
}();

// Name characters travel in parameter slots 145..172, one per slot.
constexpr int kNameFirstTag = 145;
constexpr int kNameMaxChars = 28;

constexpr float encodeNameChar (char c) { return (static_cast<float> (static_cast<signed char> (c)) + 0.5f) / 255.99f; }

constexpr char decodeNameChar (float value)
{
    if (! (value > -1.0f && value < 1.0f)) // out of the encoding's range, or NaN
        value = value >= 1.0f ? 1.0f : (value <= -1.0f ? -1.0f : 0.0f);
    const int code = static_cast<int> (value * 255.99f + 0.1f);
    return static_cast<char> (code < -128 ? -128 : (code > 127 ? 127 : code));
}

} // namespace morlake
