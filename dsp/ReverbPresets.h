// The ten reverb characters: each selects one row of the widen table and one
// of the character table, written to the hidden tags 110 to 131.
#pragma once

#include "params/StepScales.h"

#include <array>

namespace morlake {

inline constexpr int kReverbHiddenFirstTag = 110;
inline constexpr int kReverbWidenValues = 12;     // tags 110 .. 121
inline constexpr int kReverbCharacterValues = 10; // tags 122 .. 131
inline constexpr int kReverbHiddenCount = kReverbWidenValues + kReverbCharacterValues;

inline constexpr int kReverbPresetSteps = steps::ReverbPreset;
inline constexpr float kReverbPresetStepScale = scale::ReverbPreset;

// Widen modulators k = 0 .. 3: amplitude, mix and rate of each, in tag order.
extern const std::array<std::array<float, kReverbWidenValues>, 5> REVERB_WIDEN_PRESET_PRESET;
// Length-modulation depths and rates, slow-down, room/length/early scale
// switches (entries 0 .. 9), then the room type 0 .. 3 (entry 10).
extern const std::array<std::array<float, kReverbCharacterValues + 1>, 18> REVERB_MOD_PRESET_PRESET;
// Widen row and character row by "Reverb Preset" step.
extern const std::array<std::array<int, 2>, kReverbPresetSteps> REVERB_PRESET_ROW_ARRAY;

struct ReverbPresetRows
{
    int widen = 0;
    int character = 0;
};

// Rows of a preset step; rows 0 and 0 for a step outside the list.
ReverbPresetRows reverbPresetRows (int presetStep);

// The 22 hidden values for tags 110 .. 131 of a preset step, in tag order.
void reverbPresetValues (int presetStep, float out[kReverbHiddenCount]);

// Room type (0 .. 3) of a character row; 0 for a row outside the table.
int reverbRoomType (int characterRow);

} // namespace morlake
