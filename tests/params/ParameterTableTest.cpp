// The parameter table against the published rows: names, defaults, kinds,
// steps, scales, display types and modulation destinations of every tag.
#include "params/ParameterTable.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>

using namespace morlake;

namespace {

enum Kind { C, OO, ST, LI };

struct Row
{
    int tag;
    std::string name;
    float def;
    Kind kind;
    int steps;
    float scale;
    int display;
    int dest;
};

std::map<int, Row> expectedRows ()
{
    std::map<int, Row> rows;
    auto add = [&] (Row r) { rows[r.tag] = r; };
    add ({1, "Bypass On/Off", 0, OO, 2, 1.99f, 1, 0});
    add ({2, "Wet/Dry Mix", 0.5f, C, -1, -1, 0, 1});
    add ({3, "Main Volume", 0.666f, C, -1, -1, 0, 3});
    add ({4, "Distortion On/Off", 0, OO, 2, 1.99f, 1, 0});
    add ({5, "Distortion Amount", 0, C, -1, -1, 2, 9});
    add ({6, "Early On/Off", 0, OO, 2, 1.99f, 1, 0});
    add ({7, "Early Path", 0, ST, 2, 1.99f, 0, 0});
    add ({8, "Early Volume", 1, C, -1, -1, 0, 10});
    add ({9, "Early Length", 0.93f, C, -1, -1, 0, 12});
    add ({10, "Early Damp", 0.185f, C, -1, -1, 2, 15});
    add ({11, "Early Feed", 0.31f, C, -1, -1, 2, 16});
    add ({12, "Early Side", 0.53f, C, -1, -1, 2, 17});
    add ({13, "Early Cross", 0.495f, C, -1, -1, 2, 18});
    add ({14, "Reverb On/Off", 1, OO, 2, 1.99f, 1, 0});
    add ({15, "Reverb Volume", 0.85714287f, C, -1, -1, 0, 25});
    add ({16, "Reverb Room Size", 0.695f, C, -1, -1, 0, 30});
    add ({17, "Reverb Length", 0.81f, C, -1, -1, 0, 31});
    add ({18, "Reverb Damp", 0.24f, C, -1, -1, 2, 32});
    add ({19, "Reverb Pre-Delay", 0.535f, ST, 15, 14.99f, 0, 27});
    add ({20, "Reverb Pre-Delay Sync", 0, OO, 2, 1.99f, 1, 0});
    add ({21, "Reverb Pre-Delay Disorder", 0, C, -1, -1, 2, 0});
    add ({22, "Reverb HP On Off", 1, OO, 2, 1.99f, 1, 0});
    add ({23, "Reverb HP Frequency", 0.17f, C, -1, -1, 4, 34});
    add ({24, "Reverb LP On/Off", 1, OO, 2, 1.99f, 1, 0});
    add ({25, "Reverb LP Frequency", 1, C, -1, -1, 4, 35});
    add ({26, "Reverb Disorder", 0, C, -1, -1, 2, 33});
    add ({27, "Reverb Preset", 0, ST, 10, 10.99f, 0, 0});
    add ({28, "Late On/Off", 0, OO, 2, 1.99f, 1, 0});
    add ({29, "Late Path", 0, ST, 2, 1.99f, 0, 0});
    add ({30, "Late Volume", 0.77f, C, -1, -1, 0, 19});
    add ({31, "Late Length", 0.82f, ST, 21, 20.99f, 0, 21});
    add ({32, "Late Length Sync", 0, OO, 2, 1.99f, 1, 0});
    add ({33, "Late Damp", 0.34f, C, -1, -1, 2, 24});
    add ({34, "Disrupt Value", 0.5f, C, -1, -1, 3, 36});
    add ({35, "Disrupt Quantization", 0, ST, 13, 12.99f, 0, 0});
    add ({36, "Disrupt Spring Time", 0.839355f, ST, 18, 17.99f, 0, 0});
    for (int i = 0; i < 8; ++i)
    {
        const std::string n = "Disrupt " + std::to_string (i + 1);
        add ({37 + i, n + " On/Off", 1, OO, 2, 1.99f, 1, 0});
        add ({45 + i, n + " Amount", 0.5f, C, -1, -1, 3, 38 + i});
        add ({53 + i, n + " Destination", 0, LI, 57, 99.99f, 7, 0});
    }
    add ({61, "Disrupt Lazy On/Off", 0, OO, 2, 1.99f, 1, 0});
    add ({62, "Disrupt Lazy Mode", 0, ST, 12, 11.99f, 0, 0});
    add ({63, "Disrupt Lazy Speed", 0.56f, ST, 31, 30.99f, 0, 46});
    add ({64, "Disrupt Lazy Sync", 1, OO, 2, 1.99f, 1, 0});
    add ({65, "Disrupt Lazy Trigger", 0, LI, 21, 99.99f, 0, 0});
    add ({66, "Follower On/Off", 0, OO, 2, 1.99f, 1, 0});
    add ({67, "Follower Destination", 0, LI, 57, 99.99f, 6, 0});
    add ({68, "Follower Threshold", 0, C, -1, -1, 0, 52});
    add ({69, "Follower Smooth", 0, C, -1, -1, 2, 53});
    add ({70, "Follower Amount", 0.5f, C, -1, -1, 3, 51});
    add ({71, "Follower Source", 0, ST, 7, 6.99f, 0, 0});
    add ({72, "Mod Slot 1 Amount", 0.5f, C, -1, -1, 3, 55});
    add ({73, "Mod Slot 1 Source", 0, LI, 47, 99.99f, 5, 0});
    add ({74, "Mod Slot 1 Destination", 0, LI, 57, 99.99f, 6, 0});
    add ({75, "Mod Slot 2 Amount", 0.5f, C, -1, -1, 3, 56});
    add ({76, "Mod Slot 2 Source", 0, LI, 47, 99.99f, 5, 0});
    add ({77, "Mod Slot 2 Destination", 0, LI, 57, 99.99f, 6, 0});
    return rows;
}

} // namespace

TEST (ParameterTable, EveryTagMatchesThePublishedRow)
{
    const ParameterTable table;
    const auto rows = expectedRows ();
    const float hiddenDefaults[] = {0.020202f, 0.02f, 0.01f, 0.01f, 0.02f, 0.03f};
    for (int t = 0; t < kNumParams; ++t)
    {
        SCOPED_TRACE (t);
        const auto it = rows.find (t);
        if (it == rows.end ())
        {
            EXPECT_EQ (table.getName (t), "");
            EXPECT_FLOAT_EQ (table.getDefault (t), t >= 122 && t <= 127 ? hiddenDefaults[t - 122] : 0.0f);
            EXPECT_FALSE (table.isOnOff (t));
            EXPECT_EQ (table.getSteps (t), -1);
            EXPECT_EQ (table.getStepScale (t), -1.0f);
            EXPECT_EQ (table.getParameterDest (t), 0);
            continue;
        }
        const Row& r = it->second;
        EXPECT_EQ (table.getName (t), r.name);
        EXPECT_FLOAT_EQ (table.getDefault (t), r.def);
        EXPECT_EQ (table.isOnOff (t), r.kind == OO);
        EXPECT_EQ (table.getSteps (t), r.steps);
        EXPECT_FLOAT_EQ (table.getStepScale (t), r.scale);
        EXPECT_EQ (table.getParameterDest (t), r.dest);
    }
}

TEST (ParameterTable, InvalidTagsAnswerNeutralValues)
{
    const ParameterTable table;
    EXPECT_FALSE (isValidTag (-1));
    EXPECT_FALSE (isValidTag (256));
    EXPECT_TRUE (isValidTag (0));
    EXPECT_TRUE (isValidTag (255));
    for (int t : {-1, -2147483647 - 1, 256, 300, 2147483647})
    {
        EXPECT_EQ (table.getName (t), "");
        EXPECT_EQ (table.getDefault (t), 0.0f);
        EXPECT_EQ (table.getParameterDest (t), -1);
        EXPECT_EQ (table.getSteps (t), -1);
        EXPECT_EQ (table.stepOf (t, 0.7f), 0);
        EXPECT_TRUE (table.getStepNames (t).empty ());
    }
    EXPECT_EQ (table.getDefault (15), 0.85714287f);
}

TEST (ParameterTable, StepRuleAtItsBoundaries)
{
    // Reverb Preset: 10 steps at scale 10.99; a host value of 1.0 is the last step.
    EXPECT_EQ (getSteppedValue (stepToValue (9, 10.99f, 10), 10.99f, 10), 9);
    EXPECT_FLOAT_EQ (stepToValue (9, 10.99f, 10), 9.1f / 10.99f);
    EXPECT_EQ (getSteppedValue (1.0f, 10.99f, 10), 9);
    // Switches: on at 0.5 and above under scale 1.99.
    EXPECT_EQ (getSteppedValue (0.45f, 1.99f, 2), 0);
    EXPECT_EQ (getSteppedValue (0.5f, 1.99f, 2), 1);
    // Lists read hundredths.
    EXPECT_EQ (getSteppedValue (0.361036f, 99.99f, 57), 36);
    EXPECT_EQ (getSteppedValue (0.9999f, 99.99f, 57), 56);
    // Out-of-range and non-finite inputs stay inside the steps.
    EXPECT_EQ (getSteppedValue (-5.0f, 14.99f, 15), 0);
    EXPECT_EQ (getSteppedValue (50.0f, 14.99f, 15), 14);
    EXPECT_EQ (getSteppedValue (std::numeric_limits<float>::quiet_NaN (), 14.99f, 15), 0);
    EXPECT_EQ (getSteppedValue (std::numeric_limits<float>::infinity (), 14.99f, 15), 14);
    EXPECT_FLOAT_EQ (stepToValue (-3, 20.99f, 21), 0.1f / 20.99f);
    EXPECT_FLOAT_EQ (stepToValue (99, 20.99f, 21), 20.1f / 20.99f);
    // Every stored step value reads back as its own step, for every stepped tag.
    const ParameterTable table;
    for (int t = 0; t < kNumParams; ++t)
    {
        for (int k = 0; k < table.getSteps (t); ++k)
            EXPECT_EQ (table.stepOf (t, stepToValue (k, table.getStepScale (t), table.getSteps (t))), k) << t;
    }
}

TEST (ParameterTable, StepNameListsCoverEveryStep)
{
    const ParameterTable table;
    for (int t = 0; t < kNumParams; ++t)
    {
        const auto names = table.getStepNames (t);
        if (! names.empty () && ! table.isOnOff (t))
        {
            EXPECT_EQ (static_cast<int> (names.size ()), table.getSteps (t)) << t;
        }
    }
    EXPECT_EQ (table.findByName ("Disrupt 2 Amount"), 46);
    EXPECT_EQ (table.findByName (""), -1);
}
