// The factory table: the two rows the product fixes, names, the reverb
// character each row carries, and values that select what they mean.
#include "PresetMeasure.h"

#include "dsp/ReverbPresets.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

using namespace morlake;

namespace {

// Row 0, "1 to Morlake", as the product ships it: tags 1 to 77, tag 78 and
// the "Hall Cave" hidden values. Every other tag below 145 holds 0.
const std::map<int, float> FIRST_PRESET = {
    {1, 0.0f}, {2, 0.27f}, {3, 0.666f}, {4, 0.0f}, {5, 0.0f}, {6, 0.0f}, {7, 0.0f}, {8, 1.0f}, {9, 0.93f},
    {10, 0.185f}, {11, 0.31f}, {12, 0.53f}, {13, 0.495f}, {14, 1.0f}, {15, 0.857143f}, {16, 0.875f}, {17, 0.88f},
    {18, 0.295f}, {19, 0.535f}, {20, 0.0f}, {21, 0.0f}, {22, 1.0f}, {23, 0.17f}, {24, 1.0f}, {25, 1.0f}, {26, 0.0f},
    {27, 0.100091f}, {28, 0.0f}, {29, 0.0f}, {30, 0.77f}, {31, 0.82f}, {32, 0.0f}, {33, 0.34f}, {34, 0.5f},
    {35, 0.0f}, {36, 0.839355f}, {37, 1.0f}, {38, 1.0f}, {39, 1.0f}, {40, 1.0f}, {41, 1.0f}, {42, 1.0f},
    {43, 1.0f}, {44, 1.0f}, {45, 0.5f}, {46, 0.5f}, {47, 0.75f}, {48, 0.5f}, {49, 0.75f}, {50, 0.75f},
    {51, 0.5f}, {52, 0.75f}, {53, 0.011001f}, {54, 0.10101f}, {55, 0.121012f}, {56, 0.251025f}, {57, 0.30103f},
    {58, 0.311031f}, {59, 0.191019f}, {60, 0.211021f}, {61, 0.0f}, {62, 0.508757f}, {63, 0.56f}, {64, 1.0f},
    {65, 0.011001f}, {66, 0.0f}, {67, 0.0f}, {68, 0.05f}, {69, 0.0f}, {70, 0.5f}, {71, 0.0f}, {72, 1.0f},
    {73, 0.011001f}, {74, 0.361036f}, {75, 0.5f}, {76, 0.0f}, {77, 0.0f}, {78, 1.0f},
    {110, 0.4f}, {111, 0.050505f}, {112, 0.181818f}, {113, 0.7f}, {114, 0.030303f}, {115, 0.121212f},
    {116, 1.0f}, {117, 0.030303f}, {118, 0.2f}, {119, 0.9f}, {120, 0.060606f}, {121, 0.151515f},
    {122, 0.020202f}, {123, 0.787879f}, {124, 0.020202f}, {125, 0.606061f}, {126, 0.030303f},
    {127, 0.747475f}, {128, 1.0f}, {129, 0.0f}, {130, 0.0f}, {131, 0.0f},
};

std::string decodedName (const PresetRow& row) { return decodePresetName (row.data ()).data (); }

int characterStep (const PresetRow& row)
{
    const int step = static_cast<int> (row[tag::ReverbPreset] * kReverbPresetStepScale + 0.1f);
    return std::clamp (step, 0, kReverbPresetSteps - 1);
}

} // namespace

TEST (FactoryTable, FirstPresetIsTheShippedOne)
{
    const PresetRow& row = factoryPreset (0);
    for (int t = 0; t < tag::NameFirst; ++t)
    {
        const auto it = FIRST_PRESET.find (t);
        EXPECT_EQ (row[t], it == FIRST_PRESET.end () ? 0.0f : it->second) << "tag " << t;
    }
    EXPECT_EQ (decodedName (row), "1 to Morlake");
}

TEST (FactoryTable, DefaultDiffersOnlyInRoomLengthAndDamp)
{
    const PresetRow& row = factoryPreset (6);
    for (int t = 0; t < tag::NameFirst; ++t)
    {
        float expected = FIRST_PRESET.count (t) ? FIRST_PRESET.at (t) : 0.0f;
        if (t == tag::ReverbRoomSize)
            expected = 0.695f;
        else if (t == tag::ReverbLength)
            expected = 0.86f;
        else if (t == tag::ReverbDamp)
            expected = 0.24f;
        EXPECT_EQ (row[t], expected) << "tag " << t;
    }
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
    auto plugin = presettest::makePreset (0);
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

// A load writes the row through the setter and re-applies the reverb
// character: nothing of the row may change on the way.
TEST (FactoryTable, LoadingKeepsEveryValueOfTheRow)
{
    auto plugin = presettest::makePreset (0);
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        plugin->setDemoProgram (i);
        SCOPED_TRACE (std::string (FACTORY_PRESET_NAMES_STR[i]));
        ASSERT_EQ (plugin->getFactoryIndex (), i);
        const PresetRow& row = factoryPreset (i);
        for (int t = 0; t < kNumParams; ++t)
        {
            EXPECT_EQ (plugin->getLiveValue (t), row[t]) << "tag " << t;
            EXPECT_EQ (plugin->getParameter (t), row[t]) << "tag " << t;
        }
        EXPECT_FALSE (plugin->getEditChanged ());
        char name[64];
        plugin->getProgramName (name);
        EXPECT_EQ (std::string (name), FACTORY_PRESET_NAMES_STR[i]);
    }
}
