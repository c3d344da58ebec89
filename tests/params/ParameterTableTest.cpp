// The parameter table: what the rows promise as a whole, neutral answers for
// invalid tags and the step rule. The rows' texts are tested through the
// display texts and the built plug-in.
#include "params/ParameterTable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <limits>
#include <set>
#include <string>

using namespace morlake;

TEST (ParameterTable, NamedRowsAreConsistent)
{
    const ParameterTable table;
    std::set<std::string> names;
    for (int t = 0; t < kNumParams; ++t)
    {
        SCOPED_TRACE (t);
        const bool named = t >= 1 && t <= 77;
        EXPECT_EQ (table.getName (t).empty (), ! named);
        if (named)
        {
            EXPECT_TRUE (names.insert (table.getName (t)).second) << "two rows named " << table.getName (t);
        }
        const float def = table.getDefault (t);
        EXPECT_TRUE (def >= 0.0f && def <= 1.0f);
        if (table.isOnOff (t))
        {
            EXPECT_EQ (table.getSteps (t), 2);
            EXPECT_FLOAT_EQ (table.getStepScale (t), 1.99f);
            EXPECT_TRUE (def == 0.0f || def == 1.0f);
            EXPECT_EQ (table.getParameterDest (t), 0) << "switches are no modulation destinations";
        }
        if (! named)
        {
            EXPECT_EQ (table.getSteps (t), -1);
            EXPECT_EQ (table.getParameterDest (t), 0);
        }
    }
}

// Symbols name the parameters in saved sessions of the formats that use
// them: once released they never change, and only user parameters have one.
TEST (ParameterTable, SymbolsAreTheReleasedOnes)
{
    const ParameterTable table;
    std::ifstream released (MORLAKE_SYMBOLS_FILE);
    ASSERT_TRUE (released.good ());
    int tag = -1;
    std::string symbol;
    std::set<int> listed;
    while (released >> tag >> symbol)
    {
        SCOPED_TRACE (tag);
        listed.insert (tag);
        EXPECT_EQ (table.getSymbol (tag), symbol);
        EXPECT_EQ (table.findBySymbol (symbol), tag);
    }
    for (int t = 0; t < kNumParams; ++t)
    {
        SCOPED_TRACE (t);
        const std::string& s = table.getSymbol (t);
        EXPECT_EQ (table.isUserParameter (t), listed.count (t) == 1);
        EXPECT_EQ (table.isUserParameter (t), t >= 1 && t <= tag::LastNamed);
        for (std::size_t i = 0; i < s.size (); ++i)
            EXPECT_TRUE (std::islower (static_cast<unsigned char> (s[i])) || s[i] == '_' ||
                         (i > 0 && std::isdigit (static_cast<unsigned char> (s[i]))))
                << s;
    }
    EXPECT_EQ (table.findBySymbol (""), -1);
    EXPECT_EQ (table.findBySymbol ("no_such_parameter"), -1);
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
