// The factory table row by row: the category every row carries, the reverb
// character its hidden values are, and values well inside what they select.
// Names and loading by name are tested through the plug-in (ProgramTest).
#include "tests/common/PluginRun.h"

#include "dsp/ReverbPresets.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

using namespace morlake;

TEST (FactoryTable, EveryRowCarriesTheCategoryItsCharacterAndValuesInsideTheirSteps)
{
    auto plugin = plugintest::makePlugin (44100.0f, 0);
    const ParameterTable& table = plugin->table ();
    const PresetRow& first = factoryPreset (0);
    for (int t = 175; t <= 189; ++t)
        EXPECT_TRUE (decodeNameChar (first[t]) >= ' ' && decodeNameChar (first[t]) <= '~') << "category slot " << t;
    // Stepped tags that hold a continuous time or rate while their sync is off.
    const std::map<int, int> syncOf = {{tag::ReverbPreDelay, tag::ReverbPreDelaySync},
                                       {tag::LateLength, tag::LateLengthSync},
                                       {tag::LazySpeed, tag::LazySync}};
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        const PresetRow& row = factoryPreset (i);
        SCOPED_TRACE (std::string (FACTORY_PRESET_NAMES_STR[i]));
        ASSERT_LE (FACTORY_PRESET_NAMES_STR[i].size (), 26u); // what a host shows of a program name
        for (int t = 175; t <= 189; ++t)
            EXPECT_EQ (row[t], first[t]) << "category slot " << t;
        float hidden[kReverbHiddenCount];
        reverbPresetValues (table.stepOf (tag::ReverbPreset, row[tag::ReverbPreset]), hidden);
        for (int k = 0; k < kReverbHiddenCount; ++k)
            EXPECT_EQ (row[kReverbHiddenFirstTag + k], hidden[k]) << "tag " << kReverbHiddenFirstTag + k;
        EXPECT_EQ (row[tag::FactoryReload], 0.0f);
        for (int t = 0; t < kNumParams; ++t)
        {
            EXPECT_TRUE (row[t] >= 0.0f && row[t] <= 1.0f) << "tag " << t << " = " << row[t];
            if (t > tag::LastNamed && t < tag::HiddenFirst)
                continue;
            if (table.isOnOff (t) || (t >= tag::HiddenRoomScale && t <= tag::HiddenLast))
            {
                EXPECT_TRUE (row[t] == 0.0f || row[t] == 1.0f) << "switch " << t << " = " << row[t];
                continue;
            }
            const int steps = table.getSteps (t);
            const auto sync = syncOf.find (t);
            if (steps < 0 || t > tag::LastNamed || (sync != syncOf.end () && row[sync->second] < 0.5f))
                continue;
            // Well inside its step: float rounding on the way through a host
            // or a chunk cannot move it to the next one.
            const double x = double (row[t]) * table.getStepScale (t) + 0.1;
            const double fraction = x - std::floor (x);
            EXPECT_TRUE (fraction > 0.05 && fraction < 0.95) << "tag " << t << " = " << row[t];
            EXPECT_LT (static_cast<int> (x), steps) << "tag " << t;
        }
    }
}
