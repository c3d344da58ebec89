#include "dsp/ReverbPresets.h"

namespace morlake {

const std::array<std::array<float, kReverbWidenValues>, 5> REVERB_WIDEN_PRESET_PRESET = {{
    {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
    {0.4f, 0.050505f, 0.181818f, 0.7f, 0.030303f, 0.121212f, 1.0f, 0.030303f, 0.2f, 0.9f, 0.060606f, 0.151515f},
    {0.888889f, 0.060606f, 0.040404f, 0.474747f, 0.050505f, 0.030303f, 0.363636f, 0.040404f, 0.020202f, 1.0f, 0.050505f,
     0.030303f},
    {0.666667f, 0.111111f, 0.121212f, 0.888889f, 0.090909f, 0.141414f, 1.0f, 0.111111f, 0.050505f, 0.868687f, 0.10101f,
     0.111111f},
    {0.666667f, 0.272727f, 0.121212f, 0.888889f, 0.292929f, 0.141414f, 1.0f, 0.262626f, 0.050505f, 0.868687f, 0.252525f,
     0.111111f},
}};

const std::array<std::array<float, kReverbCharacterValues + 1>, 18> REVERB_MOD_PRESET_PRESET = {{
    {0.020202f, 0.02f, 0.01f, 0.01f, 0.02f, 0.03f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
    {0.020202f, 0.787879f, 0.020202f, 0.606061f, 0.030303f, 0.747475f, 1.0f, 0.0f, 0.0f, 0.0f, 2.0f},
    {0.020202f, 0.575758f, 0.020202f, 0.515151f, 0.020202f, 0.59596f, 1.0f, 0.0f, 0.0f, 0.0f, 3.0f},
    {0.050505f, 0.373737f, 0.030303f, 0.454545f, 0.040404f, 0.484849f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f},
    {0.121212f, 0.010101f, 0.10101f, 0.020202f, 0.090909f, 0.010101f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f},
    {0.505f, 0.040404f, 0.4848f, 0.020202f, 0.495f, 0.010101f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f},
    {0.1414f, 0.191919f, 0.18181f, 0.010101f, 0.2222f, 0.272727f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f},
    {0.1616f, 0.191919f, 0.0909f, 0.222222f, 0.14141f, 0.070707f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f},
    {0.4949f, 1.0f, 1.0f, 0.0101f, 0.4848f, 0.8686f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f},
    {1.0f, 0.7474f, 0.989899f, 1.0f, 0.979798f, 0.7272f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f},
    {1.0f, 0.979798f, 0.989899f, 1.0f, 0.979798f, 0.969697f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f},
    {0.020202f, 0.02f, 0.01f, 0.01f, 0.02f, 0.03f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f},
    {0.10101f, 0.010101f, 0.121212f, 0.030303f, 0.080808f, 0.020202f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f},
    {0.020202f, 0.575758f, 0.020202f, 0.515151f, 0.020202f, 0.59596f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f},
    {0.020202f, 0.787879f, 0.020202f, 0.606061f, 0.030303f, 0.747475f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f},
    {0.020202f, 0.787879f, 0.020202f, 0.606061f, 0.030303f, 0.747475f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f},
    {0.020202f, 0.575758f, 0.020202f, 0.515151f, 0.020202f, 0.59596f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f},
    {0.050505f, 0.373737f, 0.030303f, 0.454545f, 0.040404f, 0.484849f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f},
}};

const std::array<std::array<int, 2>, kReverbPresetSteps> REVERB_PRESET_ROW_ARRAY = {{
    {0, 0},  // "Hall Clean"
    {1, 1},  // "Hall Cave"
    {2, 2},  // "Hall Warm"
    {0, 5},  // "Room Cold"
    {2, 7},  // "Room Edged"
    {4, 10}, // "Room Storm"
    {0, 11}, // "Vintage Type 1"
    {2, 13}, // "Vintage Type 2"
    {0, 14}, // "Space Orbit 1"
    {2, 16}, // "Space Orbit 2"
}};

ReverbPresetRows reverbPresetRows (int presetStep)
{
    if (presetStep < 0 || presetStep >= kReverbPresetSteps)
        return {};
    const auto& row = REVERB_PRESET_ROW_ARRAY[static_cast<std::size_t> (presetStep)];
    return {row[0], row[1]};
}

void reverbPresetValues (int presetStep, float out[kReverbHiddenCount])
{
    const ReverbPresetRows rows = reverbPresetRows (presetStep);
    const auto& widen = REVERB_WIDEN_PRESET_PRESET[static_cast<std::size_t> (rows.widen)];
    const auto& character = REVERB_MOD_PRESET_PRESET[static_cast<std::size_t> (rows.character)];
    for (int k = 0; k < kReverbWidenValues; ++k)
        out[k] = widen[static_cast<std::size_t> (k)];
    for (int k = 0; k < kReverbCharacterValues; ++k)
        out[kReverbWidenValues + k] = character[static_cast<std::size_t> (k)];
}

int reverbRoomType (int characterRow)
{
    if (characterRow < 0 || characterRow >= static_cast<int> (REVERB_MOD_PRESET_PRESET.size ()))
        return 0;
    const int type = static_cast<int> (REVERB_MOD_PRESET_PRESET[static_cast<std::size_t> (characterRow)][10]);
    return type < 0 ? 0 : (type > 3 ? 3 : type);
}

} // namespace morlake
