// The factory table: the two rows the product fixes, names, the reverb
// character each row carries, and values that select what they mean.
#include "tests/common/PluginRun.h"

#include "dsp/ReverbPresets.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

using namespace morlake;

namespace {

std::string decodedName (const PresetRow& row) { return decodePresetName (row.data ()).data (); }

int characterStep (const PresetRow& row)
{
    const int step = static_cast<int> (row[tag::ReverbPreset] * kReverbPresetStepScale + 0.1f);
    return std::clamp (step, 0, kReverbPresetSteps - 1);
}

} // namespace

TEST (FactoryTable, FirstAndDefaultRowsAreTheShippedOnes)
{
    // Spot checks of row 0, "1 to Morlake", as the product ships it.
    const PresetRow& first = factoryPreset (0);
    const std::pair<int, float> shipped[] = {{2, 0.27f},   {3, 0.666f},   {15, 0.857143f}, {27, 0.100091f},
                                             {36, 0.839355f}, {62, 0.508757f}, {74, 0.361036f}, {78, 1.0f},
                                             {110, 0.4f},  {123, 0.787879f}, {128, 1.0f},  {131, 0.0f}};
    for (auto [t, v] : shipped)
        EXPECT_EQ (first[t], v) << "tag " << t;
    for (int t = 0; t < tag::NameFirst; ++t)
    {
        if (t == 0 || (t > 78 && t < 110) || t > 131)
        {
            EXPECT_EQ (first[t], 0.0f) << "tag " << t;
        }
    }
    EXPECT_EQ (decodedName (first), "1 to Morlake");

    // Row 6, "Default", differs only in room size, length and damping.
    const PresetRow& row = factoryPreset (6);
    const std::map<int, float> changed = {{tag::ReverbRoomSize, 0.695f}, {tag::ReverbLength, 0.86f}, {tag::ReverbDamp, 0.24f}};
    for (int t = 0; t < tag::NameFirst; ++t)
        EXPECT_EQ (row[t], changed.count (t) ? changed.at (t) : first[t]) << "tag " << t;
    EXPECT_EQ (decodedName (row), "Default");
}

TEST (FactoryTable, EveryRowSpellsItsOwnNameAndTheCategory)
{
    const PresetRow& first = factoryPreset (0);
    std::string category;
    for (int t = 175; t <= 189; ++t)
        category += decodeNameChar (first[t]);
    ASSERT_FALSE (category.empty ());
    for (char c : category)
        EXPECT_TRUE (c >= ' ' && c <= '~') << category;

    std::set<std::string> seen;
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        const PresetRow& row = factoryPreset (i);
        const std::string_view name = FACTORY_PRESET_NAMES_STR[i];
        SCOPED_TRACE (std::string (name));
        ASSERT_LE (name.size (), 26u); // what a host shows of a program name
        EXPECT_EQ (decodedName (row), name);
        for (int k = 0; k < kNameMaxChars; ++k)
            EXPECT_EQ (row[kNameFirstTag + k], k < static_cast<int> (name.size ()) ? encodeNameChar (name[k]) : 0.0f);
        for (int t = 175; t <= 189; ++t)
            EXPECT_EQ (row[t], first[t]) << "category slot " << t;
        EXPECT_EQ (findFactoryPreset (name), i);
        EXPECT_TRUE (seen.insert (std::string (name)).second);
    }
}

TEST (FactoryTable, HiddenValuesAreTheCharacterEachRowSelects)
{
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        const PresetRow& row = factoryPreset (i);
        SCOPED_TRACE (std::string (FACTORY_PRESET_NAMES_STR[i]));
        float hidden[kReverbHiddenCount];
        reverbPresetValues (characterStep (row), hidden);
        for (int k = 0; k < kReverbHiddenCount; ++k)
            EXPECT_EQ (row[kReverbHiddenFirstTag + k], hidden[k]) << "tag " << kReverbHiddenFirstTag + k;
    }
}

TEST (FactoryTable, ValuesSelectWhatTheyMean)
{
    auto plugin = plugintest::makePlugin (44100.0f, 0);
    const ParameterTable& table = plugin->table ();
    // Stepped tags that hold a continuous time or rate while their sync is off.
    const std::map<int, int> syncOf = {
        {tag::ReverbPreDelay, tag::ReverbPreDelaySync}, {tag::LateLength, tag::LateLengthSync},
        {tag::LazySpeed, tag::LazySync}};
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        const PresetRow& row = factoryPreset (i);
        SCOPED_TRACE (std::string (FACTORY_PRESET_NAMES_STR[i]));
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
            if (steps < 0 || t > tag::LastNamed)
                continue;
            const auto sync = syncOf.find (t);
            if (sync != syncOf.end () && row[sync->second] < 0.5f)
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
