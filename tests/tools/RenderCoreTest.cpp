#include "tests/tools/testplugin/TestGainProbe.h"
#include "tools/harness/FactoryPresets.h"
#include "tools/harness/NameMatch.h"
#include "tools/render/DemoSignal.h"
#include "tools/render/ParameterValues.h"

#include <gtest/gtest.h>

#include <cmath>

namespace morlake {
namespace {

TEST (DemoSignal, StereoRepeatableAndListenable)
{
    const auto a = makeDemoSignal (44100.0);
    ASSERT_EQ (a.size (), 2u);
    ASSERT_EQ (a[0].size (), static_cast<std::size_t> (kDemoSeconds * 44100.0));
    EXPECT_EQ (a, makeDemoSignal (44100.0));

    float peak = 0.0f;
    auto energy = [&] (double from, double to) {
        double e = 0.0;
        for (const auto& ch : a)
            for (auto i = static_cast<std::size_t> (from * 44100); i < static_cast<std::size_t> (to * 44100); ++i)
                e += ch[i] * ch[i];
        return e;
    };
    for (const auto& ch : a)
        for (float v : ch)
        {
            ASSERT_TRUE (std::isfinite (v));
            peak = std::max (peak, std::abs (v));
        }
    EXPECT_NEAR (peak, kDemoPeak, 1e-6f);
    EXPECT_GT (energy (0.0, 4.0), 1.0);  // drums
    EXPECT_GT (energy (4.0, 5.0), 1.0);  // chord
    EXPECT_LT (energy (5.8, 6.0), 1e-6); // the end is quiet, so the tail is the reverb's
    EXPECT_NE (a[0], a[1]);              // not a mono signal in two channels
}

TEST (ParameterText, NumbersInsideDisplayTexts)
{
    EXPECT_EQ (numberInText ("-6.02 dB"), -6.02);
    EXPECT_EQ (numberInText ("614 m^3"), 614.0);
    EXPECT_EQ (numberInText ("Delay .5 s"), 0.5);
    EXPECT_EQ (numberInText ("+3"), 3.0);
    EXPECT_EQ (numberInText ("-.25"), -0.25);
    EXPECT_FALSE (numberInText ("-inf"));
    EXPECT_FALSE (numberInText ("Off"));
    EXPECT_EQ (parseWholeNumber (" 0.42 "), 0.42);
    EXPECT_FALSE (parseWholeNumber ("0.42x"));
    EXPECT_FALSE (parseWholeNumber (""));
    EXPECT_FALSE (parseWholeNumber ("nan"));
}

TEST (ParameterText, CloseNamesForTypos)
{
    const std::vector<std::string> names = {"Reverb Length", "Reverb Damp", "Early Length", "Main Volume"};
    EXPECT_EQ (closeMatches ("reverb lenght", names).front (), "Reverb Length");
    EXPECT_EQ (closeMatches ("length", names), (std::vector<std::string> {"Reverb Length", "Early Length"}));
    EXPECT_TRUE (closeMatches ("zzzzzzzz", names).empty ());
    EXPECT_EQ (quotedList ({"a", "b", "c"}), "\"a\", \"b\" or \"c\"");
    EXPECT_TRUE (equalsIgnoringCase ("  Vocal CLEAN hall ", "vocal Clean Hall"));
    EXPECT_EQ (findFactoryPresetIgnoringCase ("DEFAULT"), 6);
    EXPECT_EQ (findFactoryPresetIgnoringCase ("vocal wildroom 4"), 56);
    EXPECT_EQ (findFactoryPresetIgnoringCase ("vocal wildroom"), -1);
}

class DisplaySearch : public ::testing::Test
{
protected:
    std::unique_ptr<HostedPlugin> plugin;
    void SetUp () override
    {
        std::string error;
        plugin = HostedPlugin::load (TEST_GAIN_PLUGIN, {}, error);
        ASSERT_TRUE (plugin) << error;
        plugin->open ();
    }
};

TEST_F (DisplaySearch, FindsTheValueTheDisplayShows)
{
    float v = -1.0f;
    std::string error;
    ASSERT_TRUE (searchDisplayValue (*plugin, testgain::kParamGain, "-6.02", v, error)) << error;
    plugin->setParameter (testgain::kParamGain, v);
    EXPECT_EQ (plugin->parameterDisplay (testgain::kParamGain).text, "-6.02");

    ASSERT_TRUE (searchDisplayValue (*plugin, testgain::kParamGain, "3 dB", v, error)) << error;
    plugin->setParameter (testgain::kParamGain, v);
    EXPECT_EQ (plugin->parameterDisplay (testgain::kParamGain).text, "3.00");

    ASSERT_TRUE (searchDisplayValue (*plugin, testgain::kParamGain, "-INF", v, error));
    EXPECT_EQ (v, 0.0f);

    ASSERT_TRUE (searchDisplayValue (*plugin, testgain::kParamEcho, "37.5 %", v, error)) << error;
    EXPECT_NEAR (v, 0.375f, 1e-3f);
}

TEST_F (DisplaySearch, RejectsWhatTheDisplayNeverShowsAndRestoresTheValue)
{
    plugin->setParameter (testgain::kParamGain, 0.3f);
    float v = -1.0f;
    std::string error;
    EXPECT_FALSE (searchDisplayValue (*plugin, testgain::kParamGain, "12", v, error));
    EXPECT_EQ (error, "value 12 for \"Gain\" is outside the range -53.98 to 6.02 dB");
    EXPECT_FALSE (searchDisplayValue (*plugin, testgain::kParamGain, "loud", v, error));
    EXPECT_EQ (error, "\"loud\" is not a value \"Gain\" shows");
    EXPECT_EQ (v, -1.0f);
    EXPECT_FLOAT_EQ (plugin->getParameter (testgain::kParamGain), 0.3f);

    EXPECT_EQ (resolveParameter (*plugin, "1", error), testgain::kParamEcho);
    EXPECT_EQ (resolveParameter (*plugin, "2", error), -1);
    EXPECT_EQ (resolveParameter (*plugin, "ech", error), -1);
    EXPECT_EQ (error, "unknown parameter \"ech\"; close names: \"Echo\"");
}

} // namespace
} // namespace morlake
