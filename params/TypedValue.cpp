#include "params/TypedValue.h"

#include "platform/StringUtils.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace morlake {

namespace {

enum class Case
{
    Time,
    LazyRate,
    Step,
    Filter,
    Bipolar,
    Percent,
    MainVolume,
    LevelVolume,
    ReverbVolume,
    Threshold,
};

Case classify (const ParameterTable& table, int t, const float* live)
{
    if ((t == tag::ReverbPreDelay && live[tag::ReverbPreDelaySync] < 0.5f) ||
        (t == tag::LateLength && live[tag::LateLengthSync] < 0.5f))
        return Case::Time;
    if (t == tag::LazySpeed && live[tag::LazySync] < 0.5f)
        return Case::LazyRate;
    if (table.getSteps (t) != -1)
        return Case::Step;
    switch (table.getDisplayType (t))
    {
        case DisplayType::FilterFrequency: return Case::Filter;
        case DisplayType::BipolarPercent: return Case::Bipolar;
        case DisplayType::Percent: return Case::Percent;
        default: break;
    }
    switch (t)
    {
        case tag::WetDry: return Case::Bipolar;
        case tag::MainVolume: return Case::MainVolume;
        case tag::EarlyVolume:
        case tag::LateVolume: return Case::LevelVolume;
        case tag::ReverbVolume: return Case::ReverbVolume;
        case tag::FollowerThreshold: return Case::Threshold;
        default: return Case::Percent;
    }
}

DisplayText print (const char* format, double x)
{
    DisplayText out;
    std::snprintf (out.text, DisplayText::kCapacity, format, x);
    return out;
}

DisplayText literal (const char* text)
{
    DisplayText out;
    std::snprintf (out.text, DisplayText::kCapacity, "%s", text);
    return out;
}

constexpr float kTwelveLn2 = 8.317766f;
constexpr float kTenLn2 = 6.931472f;
constexpr float kLn2048Over55 = 3.6172857f;

} // namespace

TypedValuePrompt typedValuePrompt (const ParameterTable& table, int t, float v, const float* live)
{
    if (! isValidTag (t))
        return {};
    switch (classify (table, t, live))
    {
        case Case::Time: return {print ("%.1f ms", std::pow (2.0f, 12.0f * v)), literal ("0 to 4000 ms")};
        case Case::LazyRate:
            return {print ("%.2f Hz", std::pow (2.0f, 10.0f * v) * 0.026855469f), literal ("0.02 to 28.0 Hz")};
        case Case::Step:
        {
            TypedValuePrompt prompt;
            std::snprintf (prompt.initialText.text, DisplayText::kCapacity, "%d",
                           static_cast<int> (v * table.getStepScale (t)));
            std::snprintf (prompt.rangeHint.text, DisplayText::kCapacity, "0 to %d", table.getSteps (t) - 1);
            return prompt;
        }
        case Case::Filter: return {formatFilterFrequency (v), literal ("20hz to 20500 hz")};
        case Case::Bipolar: return {print ("%.1f", v * 200.0f - 100.0f), literal ("-100 to 100%")};
        case Case::Percent: return {print ("%.1f", v * 100.0f), literal ("0 to 100%")};
        case Case::MainVolume: return {print ("%.1f", v * 60.0f - 40.0f), literal ("-40 to 20 dB")};
        case Case::LevelVolume: return {print ("%.1f", v * 60.0f - 60.0f), literal ("-60 to 0 dB")};
        case Case::ReverbVolume: return {print ("%.1f", v * 70.0f - 60.0f), literal ("-60 to 10 dB")};
        case Case::Threshold: return {print ("%.1f", v * 40.0f - 40.0f), literal ("-40 to 0 dB")};
    }
    return {};
}

bool typedValueToNormalised (const ParameterTable& table, int t, const char* text, const float* live, float& out)
{
    if (! isValidTag (t) || text == nullptr || text[0] == '\0')
        return false;

    // Typed input is bounded like the dialog's buffer.
    char cleaned[128];
    std::snprintf (cleaned, sizeof cleaned, "%s", text);
    const float raw = static_cast<float> (std::atof (cleaned));
    stripAllButNum (cleaned);
    const float x = static_cast<float> (std::atof (cleaned));

    float value = 0.0f;
    switch (classify (table, t, live))
    {
        case Case::Time: value = std::log (x) / kTwelveLn2; break;
        case Case::LazyRate: value = (std::log (x) + kLn2048Over55) / kTenLn2; break;
        case Case::Step: value = x / table.getStepScale (t); break;
        case Case::Filter: value = std::log (x / 20.0f) / kTenLn2; break;
        case Case::Bipolar: value = x / 200.0f + 0.5f; break;
        case Case::Percent: value = x / 100.0f; break;
        case Case::MainVolume: value = (raw + 40.0f) / 60.0f; break;
        case Case::LevelVolume: value = (raw + 60.0f) / 60.0f; break;
        case Case::ReverbVolume: value = (raw + 60.0f) / 70.0f; break;
        case Case::Threshold: value = (raw + 40.0f) / 40.0f; break;
    }
    // log of zero or a negative number falls below the range; NaN is treated the same.
    if (! (value >= 0.0f))
        value = 0.0f;
    out = value > 1.0f ? 1.0f : value;
    return true;
}

} // namespace morlake
