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
};

struct Case
{
    int tag;
    float value; // < 0: the default
    const char* text;
};

void expectTexts (Display& d, std::initializer_list<Case> cases)
{
    for (const Case& c : cases)
        EXPECT_EQ (d.at (c.tag, c.value < 0.0f ? d.table.getDefault (c.tag) : c.value), c.text)
            << "tag " << c.tag << " at " << c.value;
}

} // namespace

TEST (DisplayText, DefaultsOfTheContinuousParameters)
{
    Display d;
    expectTexts (d, {{3, -1, "-0.0 dB"},
                     {8, -1, "0.0 dB"},
                     {9, -1, "110.2 ms"},
                     {15, -1, "0.0 dB"},
                     {16, -1, "512 m^3"},
                     {17, -1, "4.9 sec"},
                     {19, -1, "85 ms"},
                     {23, -1, "64 Hz"},
                     {25, -1, "20.5 KHz"},
                     {30, -1, "-13.8 dB"},
                     {31, -1, "916 ms"},
                     {34, -1, "0 %"},
                     {10, -1, "18 %"},
                     {63, -1, "1/1"},
                     {68, -1, "-40.0 dB"},
                     {2, -1, "Equal"}});
}

TEST (DisplayText, SwitchesListsAndSteps)
{
    Display d;
    expectTexts (d, {{1, 0.0f, "Off"},
                     {14, 1.0f, "On"},
                     {7, 1.0f, "Into Reverb"},
                     {29, 0.0f, "Direct"},
                     {27, 9.1f / 10.99f, "Space Orbit 2"},
                     {27, 0.0f, "Hall Clean"},
                     {35, 1.0f, "2"},
                     {36, 0.839355f, "1/2 QB"},
                     {62, 11.1f / 11.99f, "R > L Saw"},
                     {65, 0.011001f, "Host"},
                     {71, 1.1f / 6.99f, "Side Input"},
                     {73, 0.461f, "UniPolar Noise"},
                     {74, 0.361036f, "Disrupt"},
                     {53, 0.121012f, "Early Len"},
                     {67, 0.561f, "Mod Slot 2 Amount"}});
    d.live[32] = 1.0f; // Late Length Sync
    expectTexts (d, {{31, 10.1f / 20.99f, "1/4"}, {31, 1.0f, "2/1*"}});
    d.chain.preDelaySync = true;
    expectTexts (d, {{19, 0.0f, "1/32T"}, {19, 1.0f, "1/2*"}});
}

TEST (DisplayText, PercentagesFrequenciesTimesAndRates)
{
    Display d;
    expectTexts (d, {{5, 0.0f, "0 %"},
                     {5, 1.0f, "100 %"},
                     {34, 0.0f, "-100 %"},
                     {34, 1.0f, "100 %"},
                     {23, 0.0f, "20 Hz"},
                     {23, 0.5f, "640 Hz"},
                     {25, 0.6f, "1.3 KHz"},
                     {2, 1.0f, "0/100%D/W"},
                     {2, 0.0f, "100%0%D/W"},
                     {2, 0.75f, "50/100%D/W"},
                     {2, 0.25f, "100%50%D/W"},
                     {19, 0.0f, "1 ms"},
                     {19, 1.0f, "4.0 sec"}});
    EXPECT_EQ (formatTime (1000.0f).c_str (), std::string ("1000 ms"));
    EXPECT_EQ (formatTime (1234.0f).c_str (), std::string ("1.2 sec"));
    d.live[64] = 0.0f; // Lazy sync off
    expectTexts (d, {{63, 0.0005f, "Off"}, {63, 0.0f, "Off"}, {63, 1.0f, "27.50 Hz"}, {63, 0.5f, "0.86 Hz"}});
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
    expectTexts (d, {{100, 0.3f, "----"}, {0, 0.3f, "----"}});
    for (int t : {300, -1})
        EXPECT_EQ (std::string (formatParameterDisplay (d.table, t, 0.3f, d.live.data (), d.chain).c_str ()), "");
}
