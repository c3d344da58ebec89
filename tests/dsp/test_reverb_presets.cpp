#include "dsp/ModulationTypes.h"
#include "dsp/ReverbPresets.h"

#include <gtest/gtest.h>

#include <array>

using namespace morlake;

namespace {

using Hidden = std::array<float, kReverbHiddenCount>;

Hidden valuesOf (int step)
{
    Hidden out;
    out.fill (-1.0f);
    reverbPresetValues (step, out.data ());
    return out;
}

// Tags 110 .. 121 then 122 .. 131 of each character, written out from the tables.
const std::array<float, 12> kWiden[5] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0.4f, 0.050505f, 0.181818f, 0.7f, 0.030303f, 0.121212f, 1, 0.030303f, 0.2f, 0.9f, 0.060606f, 0.151515f},
    {0.888889f, 0.060606f, 0.040404f, 0.474747f, 0.050505f, 0.030303f, 0.363636f, 0.040404f, 0.020202f, 1,
     0.050505f, 0.030303f},
    {0.666667f, 0.111111f, 0.121212f, 0.888889f, 0.090909f, 0.141414f, 1, 0.111111f, 0.050505f, 0.868687f,
     0.10101f, 0.111111f},
    {0.666667f, 0.272727f, 0.121212f, 0.888889f, 0.292929f, 0.141414f, 1, 0.262626f, 0.050505f, 0.868687f,
     0.252525f, 0.111111f},
};

struct Preset
{
    const char* name;
    int widenRow;
    std::array<float, 10> character;
    int roomType;
};

const Preset kPresets[10] = {
    {"Hall Clean", 0, {0.020202f, 0.02f, 0.01f, 0.01f, 0.02f, 0.03f, 0, 0, 0, 0}, 1},
    {"Hall Cave", 1, {0.020202f, 0.787879f, 0.020202f, 0.606061f, 0.030303f, 0.747475f, 1, 0, 0, 0}, 2},
    {"Hall Warm", 2, {0.020202f, 0.575758f, 0.020202f, 0.515151f, 0.020202f, 0.59596f, 1, 0, 0, 0}, 3},
    {"Room Cold", 0, {0.505f, 0.040404f, 0.4848f, 0.020202f, 0.495f, 0.010101f, 0, 1, 0, 0}, 0},
    {"Room Edged", 2, {0.1616f, 0.191919f, 0.0909f, 0.222222f, 0.14141f, 0.070707f, 0, 1, 0, 0}, 0},
    {"Room Storm", 4, {1, 0.979798f, 0.989899f, 1, 0.979798f, 0.969697f, 1, 1, 0, 0}, 0},
    {"Vintage Type 1", 0, {0.020202f, 0.02f, 0.01f, 0.01f, 0.02f, 0.03f, 0, 0, 1, 0}, 0},
    {"Vintage Type 2", 2, {0.020202f, 0.575758f, 0.020202f, 0.515151f, 0.020202f, 0.59596f, 1, 0, 1, 0}, 0},
    {"Space Orbit 1", 0, {0.020202f, 0.787879f, 0.020202f, 0.606061f, 0.030303f, 0.747475f, 1, 0, 0, 0}, 0},
    {"Space Orbit 2", 2, {0.020202f, 0.575758f, 0.020202f, 0.515151f, 0.020202f, 0.59596f, 1, 0, 0, 1}, 0},
};

} // namespace

TEST (ReverbPresets, EachPresetYieldsItsHiddenValues)
{
    for (int step = 0; step < kReverbPresetSteps; ++step)
    {
        const Preset& preset = kPresets[step];
        SCOPED_TRACE (preset.name);
        const Hidden out = valuesOf (step);
        for (int k = 0; k < 12; ++k)
            EXPECT_EQ (out[static_cast<std::size_t> (k)], kWiden[preset.widenRow][static_cast<std::size_t> (k)])
                << "tag " << 110 + k;
        for (int k = 0; k < 10; ++k)
            EXPECT_EQ (out[static_cast<std::size_t> (12 + k)], preset.character[static_cast<std::size_t> (k)])
                << "tag " << 122 + k;
        const ReverbPresetRows rows = reverbPresetRows (step);
        EXPECT_EQ (rows.widen, preset.widenRow);
        EXPECT_EQ (reverbRoomType (rows.character), preset.roomType);
        // Values are normalised parameter values; the switches are exactly 0 or 1.
        for (float v : out)
        {
            EXPECT_GE (v, 0.0f);
            EXPECT_LE (v, 1.0f);
        }
        for (int k = 19; k < 22; ++k)
            EXPECT_TRUE (out[static_cast<std::size_t> (k)] == 0.0f || out[static_cast<std::size_t> (k)] == 1.0f);
    }
}

TEST (ReverbPresets, NamedCasesAndTheUnusedRows)
{
    // "Hall Clean": no widen modulation and the parameter defaults of 122 .. 127.
    const Hidden clean = valuesOf (0);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ (clean[static_cast<std::size_t> (k)], 0.0f);
    const float defaults[6] = {0.020202f, 0.02f, 0.01f, 0.01f, 0.02f, 0.03f};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ (clean[static_cast<std::size_t> (12 + k)], defaults[k]);

    // "Space Orbit 2" switches 131 on, and only that scale switch.
    const Hidden orbit = valuesOf (9);
    EXPECT_EQ (orbit[21], 1.0f);
    EXPECT_EQ (orbit[19], 0.0f);
    EXPECT_EQ (orbit[20], 0.0f);

    // Rows no preset uses are still there for anything that reads them.
    EXPECT_EQ (REVERB_WIDEN_PRESET_PRESET[3][9], 0.868687f);
    EXPECT_EQ (REVERB_MOD_PRESET_PRESET[4][0], 0.121212f);
    EXPECT_EQ (REVERB_MOD_PRESET_PRESET[8][1], 1.0f);
    EXPECT_EQ (REVERB_MOD_PRESET_PRESET[17][9], 1.0f);
    EXPECT_EQ (reverbRoomType (3), 0);
}

TEST (ReverbPresets, OutOfRangeStepsFallBackToRowsZero)
{
    for (int step : {-1, 10, 1000})
    {
        const ReverbPresetRows rows = reverbPresetRows (step);
        EXPECT_EQ (rows.widen, 0);
        EXPECT_EQ (rows.character, 0);
        EXPECT_EQ (valuesOf (step), valuesOf (0));
    }
    EXPECT_EQ (reverbRoomType (-1), 0);
    EXPECT_EQ (reverbRoomType (18), 0);

    // The parameter's own steps: value 1.0 and 9.1 / 10.99 are step 9, 0 is step 0.
    EXPECT_EQ (modStep (1.0f, kReverbPresetStepScale, kReverbPresetSteps), 9);
    EXPECT_EQ (modStep (9.1f / 10.99f, kReverbPresetStepScale, kReverbPresetSteps), 9);
    EXPECT_EQ (modStep (0.0f, kReverbPresetStepScale, kReverbPresetSteps), 0);
    EXPECT_EQ (modStep (4.1f / 10.99f, kReverbPresetStepScale, kReverbPresetSteps), 4);
}
