// Display texts of every format at representative values.
#include "params/DisplayText.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using namespace morlake;

namespace {

struct Display
{
    ParameterTable table;
    std::array<float, kNumParams> live {};
    ChainDisplayState chain;

    Display ()
    {
        for (int t = 0; t < kNumParams; ++t)
            live[t] = table.getDefault (t);
    }

    std::string at (int t, float v)
    {
        live[t] = v;
        return formatParameterDisplay (table, t, v, live.data (), chain).c_str ();
    }
    std::string atDefault (int t) { return at (t, table.getDefault (t)); }
};

} // namespace

TEST (DisplayText, DefaultsOfTheContinuousParameters)
{
    Display d;
    EXPECT_EQ (d.atDefault (3), "-0.0 dB");
    EXPECT_EQ (d.atDefault (8), "0.0 dB");
    EXPECT_EQ (d.atDefault (9), "110.2 ms");
    EXPECT_EQ (d.atDefault (15), "0.0 dB");
    EXPECT_EQ (d.atDefault (16), "512 m^3");
    EXPECT_EQ (d.atDefault (17), "4.9 sec");
    EXPECT_EQ (d.atDefault (19), "85 ms");
    EXPECT_EQ (d.atDefault (23), "64 Hz");
    EXPECT_EQ (d.atDefault (25), "20.5 KHz");
    EXPECT_EQ (d.atDefault (30), "-13.8 dB");
    EXPECT_EQ (d.atDefault (31), "916 ms");
    EXPECT_EQ (d.atDefault (34), "0 %");
    EXPECT_EQ (d.atDefault (10), "18 %");
    EXPECT_EQ (d.atDefault (63), "1/1"); // synced by default
    EXPECT_EQ (d.atDefault (68), "-40.0 dB");
    EXPECT_EQ (d.atDefault (2), "Equal");
}

TEST (DisplayText, SwitchesListsAndSteps)
{
    Display d;
    EXPECT_EQ (d.at (1, 0.0f), "Off");
    EXPECT_EQ (d.at (14, 1.0f), "On");
    EXPECT_EQ (d.at (7, 1.0f), "Into Reverb");
    EXPECT_EQ (d.at (29, 0.0f), "Direct");
    EXPECT_EQ (d.at (27, 9.1f / 10.99f), "Space Orbit 2");
    EXPECT_EQ (d.at (27, 0.0f), "Hall Clean");
    EXPECT_EQ (d.at (35, 1.0f), "2");
    EXPECT_EQ (d.at (36, 0.839355f), "1/2 QB");
    EXPECT_EQ (d.at (62, 11.1f / 11.99f), "R > L Saw");
    EXPECT_EQ (d.at (65, 0.011001f), "Host");
    EXPECT_EQ (d.at (71, 1.1f / 6.99f), "Side Input");
    EXPECT_EQ (d.at (73, 0.461f), "UniPolar Noise");
    EXPECT_EQ (d.at (74, 0.361036f), "Disrupt");
    EXPECT_EQ (d.at (53, 0.121012f), "Early Len");
    EXPECT_EQ (d.at (67, 0.561f), "Mod Slot 2 Amount");
    d.live[32] = 1.0f; // Late Length Sync
    EXPECT_EQ (d.at (31, 10.1f / 20.99f), "1/4");
    EXPECT_EQ (d.at (31, 1.0f), "2/1*");
    d.chain.preDelaySync = true;
    EXPECT_EQ (d.at (19, 0.0f), "1/32T");
    EXPECT_EQ (d.at (19, 1.0f), "1/2*");
}

TEST (DisplayText, PercentagesAndFrequencies)
{
    Display d;
    EXPECT_EQ (d.at (5, 0.0f), "0 %");
    EXPECT_EQ (d.at (5, 1.0f), "100 %");
    EXPECT_EQ (d.at (34, 0.0f), "-100 %");
    EXPECT_EQ (d.at (34, 1.0f), "100 %");
    EXPECT_EQ (d.at (23, 0.0f), "20 Hz");
    EXPECT_EQ (d.at (23, 0.5f), "640 Hz");
    EXPECT_EQ (d.at (25, 0.6f), "1.3 KHz"); // 20 * 2^6 = 1280 Hz
    EXPECT_EQ (d.at (2, 1.0f), "0/100%D/W");
    EXPECT_EQ (d.at (2, 0.0f), "100%0%D/W");
    EXPECT_EQ (d.at (2, 0.75f), "50/100%D/W");
    EXPECT_EQ (d.at (2, 0.25f), "100%50%D/W");
}

TEST (DisplayText, TimesAndRates)
{
    Display d;
    EXPECT_EQ (d.at (19, 0.0f), "1 ms");
    EXPECT_EQ (d.at (19, 1.0f), "4.0 sec");
    EXPECT_EQ (formatTime (1000.0f).c_str (), std::string ("1000 ms"));
    EXPECT_EQ (formatTime (1234.0f).c_str (), std::string ("1.2 sec"));
    d.live[64] = 0.0f; // Lazy sync off
    EXPECT_EQ (d.at (63, 0.0005f), "Off");
    EXPECT_EQ (d.at (63, 0.0f), "Off");
    EXPECT_EQ (d.at (63, 1.0f), "27.50 Hz");
    EXPECT_EQ (d.at (63, 0.5f), "0.86 Hz");
}

TEST (DisplayText, RoomTextsFollowTheReverbCharacter)
{
    Display d;
    d.chain.roomType = 0;
    EXPECT_EQ (d.at (16, 1.0f), "1000 m^3"); // x = 40 -> 10^3
    d.chain.roomScale = true;                // x = 8S + 1, one decimal
    EXPECT_EQ (d.at (16, 1.0f), "11.4 m^3");
    d.chain.roomScale = false;
    d.chain.earlyScale = true; // length x16, size as per cent
    EXPECT_EQ (d.at (16, 0.42f), "42 %");
    d.chain.earlyScale = false;
    d.live[27] = 8.1f / 10.99f; // "Space Orbit 1"
    EXPECT_EQ (d.at (16, 0.42f), "42 %");
}

TEST (DisplayText, InvalidAndUnnamedTags)
{
    Display d;
    EXPECT_EQ (d.at (100, 0.3f), "----");
    EXPECT_EQ (d.at (0, 0.3f), "----");
    EXPECT_EQ (std::string (formatParameterDisplay (d.table, 300, 0.3f, d.live.data (), d.chain).c_str ()), "");
    EXPECT_EQ (std::string (formatParameterDisplay (d.table, -1, 0.3f, d.live.data (), d.chain).c_str ()), "");
}
