// The reverb characters' hidden values: what the steps select, and what a
// step outside the list falls back to.
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

} // namespace

TEST (ReverbPresets, EveryCharacterWritesNormalisedValuesAndSwitches)
{
    for (int step = 0; step < kReverbPresetSteps; ++step)
    {
        SCOPED_TRACE (step);
        const Hidden out = valuesOf (step);
        for (float v : out)
            EXPECT_TRUE (v >= 0.0f && v <= 1.0f) << v;
        // Tags 128 to 131 are switches: exactly 0 or 1.
        for (std::size_t k = 18; k < 22; ++k)
            EXPECT_TRUE (out[k] == 0.0f || out[k] == 1.0f) << "tag " << 110 + k;
        for (int other = 0; other < step; ++other)
            EXPECT_NE (out, valuesOf (other)) << "alike: " << other;
    }
}

TEST (ReverbPresets, FiguresOfTwoCharacters)
{
    // "Hall Clean": no widen modulation, the parameter defaults of 122 .. 127, room type 1.
    const Hidden clean = valuesOf (0);
    for (std::size_t k = 0; k < 12; ++k)
        EXPECT_EQ (clean[k], 0.0f) << "tag " << 110 + k;
    EXPECT_EQ (clean[12], 0.020202f);
    EXPECT_EQ (clean[17], 0.03f);
    EXPECT_EQ (reverbRoomType (reverbPresetRows (0).character), 1);
    // "Space Orbit 2": widen row 2, only the scale switch 131 on.
    const Hidden orbit = valuesOf (9);
    EXPECT_EQ (orbit[0], 0.888889f);
    EXPECT_EQ (orbit[13], 0.575758f);
    EXPECT_EQ (orbit[19], 0.0f);
    EXPECT_EQ (orbit[20], 0.0f);
    EXPECT_EQ (orbit[21], 1.0f);
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
    EXPECT_EQ (stepOfValue (1.0f, kReverbPresetStepScale, kReverbPresetSteps), 9);
    EXPECT_EQ (stepOfValue (9.1f / 10.99f, kReverbPresetStepScale, kReverbPresetSteps), 9);
    EXPECT_EQ (stepOfValue (0.0f, kReverbPresetStepScale, kReverbPresetSteps), 0);
}
