// Typed-in values invert the display formulas.
#include "params/TypedValue.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

using namespace morlake;

namespace {

struct Typed
{
    ParameterTable table;
    std::array<float, kNumParams> live {};

    Typed ()
    {
        for (int t = 0; t < kNumParams; ++t)
            live[t] = table.getDefault (t);
    }

    float enter (int t, const char* text, float before = -1.0f)
    {
        float out = before;
        EXPECT_TRUE (typedValueToNormalised (table, t, text, live.data (), out)) << t << " " << text;
        return out;
    }
};

} // namespace

TEST (TypedValue, ConversionsInvertTheDisplay)
{
    Typed d;
    EXPECT_FLOAT_EQ (d.enter (34, "-50"), 0.25f);
    EXPECT_FLOAT_EQ (d.enter (19, "5000"), 1.0f);
    EXPECT_FLOAT_EQ (d.enter (3, "-6"), 34.0f / 60.0f);
    EXPECT_FLOAT_EQ (d.enter (3, "-6 dB"), 34.0f / 60.0f);
    EXPECT_FLOAT_EQ (d.enter (27, "9"), 9.0f / 10.99f);
    EXPECT_EQ (d.table.stepOf (27, d.enter (27, "9")), 9);
    EXPECT_FLOAT_EQ (d.enter (2, "50"), 0.75f);
    EXPECT_FLOAT_EQ (d.enter (5, "42 %"), 0.42f);
    EXPECT_FLOAT_EQ (d.enter (8, "-30"), 0.5f);
    EXPECT_FLOAT_EQ (d.enter (15, "10"), 1.0f);
    EXPECT_FLOAT_EQ (d.enter (68, "-20"), 0.5f);
    d.live[64] = 0.0f;
    EXPECT_NEAR (d.enter (63, "27.5 Hz"), 1.0f, 1e-5f);
}

TEST (TypedValue, BadEntriesAreSafe)
{
    Typed d;
    float untouched = 0.3f;
    EXPECT_FALSE (typedValueToNormalised (d.table, 5, "", d.live.data (), untouched));
    EXPECT_FALSE (typedValueToNormalised (d.table, 5, nullptr, d.live.data (), untouched));
    EXPECT_FALSE (typedValueToNormalised (d.table, 300, "5", d.live.data (), untouched));
    EXPECT_EQ (untouched, 0.3f);
    EXPECT_EQ (d.enter (5, "abc"), 0.0f);  // no number reads as 0
    EXPECT_EQ (d.enter (8, "abc"), 1.0f);  // no number is 0 dB
    EXPECT_EQ (d.enter (19, "0"), 0.0f);   // log(0) clamps to 0
    EXPECT_EQ (d.enter (19, "-12"), 0.0f); // log of a negative number clamps to 0
    EXPECT_EQ (d.enter (5, "1e999"), 1.0f);
    const std::string longText (10000, '9');
    EXPECT_EQ (d.enter (5, longText.c_str ()), 1.0f);
}

TEST (TypedValue, PromptsShowTheCurrentValueAndRange)
{
    Typed d;
    auto prompt = typedValuePrompt (d.table, 19, 0.535f, d.live.data ());
    EXPECT_STREQ (prompt.rangeHint.c_str (), "0 to 4000 ms");
    EXPECT_STREQ (prompt.initialText.c_str (), "85.6 ms");
    prompt = typedValuePrompt (d.table, 27, 9.1f / 10.99f, d.live.data ());
    EXPECT_STREQ (prompt.initialText.c_str (), "9");
    EXPECT_STREQ (prompt.rangeHint.c_str (), "0 to 9");
    prompt = typedValuePrompt (d.table, 23, 0.17f, d.live.data ());
    EXPECT_STREQ (prompt.initialText.c_str (), "64 Hz");
    EXPECT_STREQ (prompt.rangeHint.c_str (), "20hz to 20500 hz");
    prompt = typedValuePrompt (d.table, 3, 0.666f, d.live.data ());
    EXPECT_STREQ (prompt.rangeHint.c_str (), "-40 to 20 dB");
    prompt = typedValuePrompt (d.table, 34, 0.5f, d.live.data ());
    EXPECT_STREQ (prompt.rangeHint.c_str (), "-100 to 100%");
}

// What the dialog shows reads back as the value it shows, for every
// continuous parameter; kilohertz texts included.
TEST (TypedValue, ShownTextsReadBackAsShown)
{
    Typed d;
    for (int t = 1; t <= tag::LastNamed; ++t)
    {
        if (d.table.getSteps (t) >= 0)
            continue;
        for (float v : {0.1f, 0.35f, 0.6f, 0.75f, 0.9f, 1.0f})
        {
            const std::string shown = typedValuePrompt (d.table, t, v, d.live.data ()).initialText.c_str ();
            const float back = d.enter (t, shown.c_str ());
            EXPECT_EQ (typedValuePrompt (d.table, t, back, d.live.data ()).initialText.c_str (), shown) << "tag " << t;
        }
    }
    EXPECT_EQ (d.enter (tag::ReverbLPFrequency, "1 khz"), d.enter (tag::ReverbLPFrequency, "1000"));
}
