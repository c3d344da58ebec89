#include "params/TypedValue.h"

#include "params/Curves.h"
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
    Decibels,
};

Case classify (const ParameterTable& table, int t, const float* live)
{
    const UnitCurve unit = table.getUnit (t);
    const bool synced = unit.syncTag >= 0 && live[unit.syncTag] >= 0.5f;
    if (unit.unit == Unit::Milliseconds && ! synced)
        return Case::Time;
    if (unit.unit == Unit::LazyHertz && ! synced)
        return Case::LazyRate;
    if (table.getSteps (t) != -1)
        return Case::Step;
    switch (unit.unit)
    {
        case Unit::FilterHertz: return Case::Filter;
        case Unit::BipolarPercent:
        case Unit::WetDry: return Case::Bipolar;
        case Unit::Decibels: return Case::Decibels;
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
    TypedValuePrompt prompt;
    auto set = [&] (DisplayText initial, double lo, double hi, const char* hint, const char* unitLabel) {
        prompt.initialText = initial;
        prompt.rangeHint = literal (hint);
        prompt.minimum = lo;
        prompt.maximum = hi;
        prompt.unitLabel = unitLabel;
    };
    switch (classify (table, t, live))
    {
        case Case::Time: set (print ("%.1f ms", std::pow (2.0f, 12.0f * v)), 0, 4000, "0 to 4000 ms", "ms"); break;
        case Case::LazyRate:
            set (print ("%.2f Hz", std::pow (2.0f, 10.0f * v) * curve::kLazyHertzScale), 0.02, 28.0, "0.02 to 28.0 Hz",
                 "Hz");
            break;
        case Case::Step: {
            DisplayText initial, hint;
            const int last = table.getSteps (t) - 1;
            std::snprintf (initial.text, DisplayText::kCapacity, "%d", static_cast<int> (v * table.getStepScale (t)));
            std::snprintf (hint.text, DisplayText::kCapacity, "0 to %d", last);
            set (initial, 0, last, hint.c_str (), "");
            break;
        }
        case Case::Filter: set (formatFilterFrequency (v), 20, 20500, "20hz to 20500 hz", "Hz"); break;
        case Case::Bipolar: set (print ("%.1f", v * 200.0f - 100.0f), -100, 100, "-100 to 100%", "%"); break;
        case Case::Percent: set (print ("%.1f", v * 100.0f), 0, 100, "0 to 100%", "%"); break;
        case Case::Decibels: {
            const UnitCurve unit = table.getUnit (t);
            DisplayText hint;
            std::snprintf (hint.text, DisplayText::kCapacity, "%d to %d dB", static_cast<int> (unit.lo),
                           static_cast<int> (unit.hi));
            set (print ("%.1f", curve::decibels (v, unit.lo, unit.hi)), unit.lo, unit.hi, hint.c_str (), "dB");
            break;
        }
    }
    return prompt;
}

bool typedValueToNormalised (const ParameterTable& table, int t, const char* text, const float* live, float& out)
{
    if (! isValidTag (t) || text == nullptr || text[0] == '\0')
        return false;

    // Typed input is bounded like the dialog's buffer.
    char cleaned[128];
    std::snprintf (cleaned, sizeof cleaned, "%s", text);
    const float raw = static_cast<float> (std::atof (cleaned));
    // The dialog offers frequencies as it shows them: "5.0 KHz" is 5000 Hz.
    const bool kilo = std::strpbrk (cleaned, "kK") != nullptr;
    stripAllButNum (cleaned);
    const float x = static_cast<float> (std::atof (cleaned));

    float value = 0.0f;
    switch (classify (table, t, live))
    {
        case Case::Time: value = std::log (x) / kTwelveLn2; break;
        case Case::LazyRate: value = (std::log (kilo ? x * 1000.0f : x) + kLn2048Over55) / kTenLn2; break;
        case Case::Step: value = x / table.getStepScale (t); break;
        case Case::Filter: value = std::log ((kilo ? x * 1000.0f : x) / 20.0f) / kTenLn2; break;
        case Case::Bipolar: value = x / 200.0f + 0.5f; break;
        case Case::Percent: value = x / 100.0f; break;
        case Case::Decibels: {
            const UnitCurve unit = table.getUnit (t);
            value = (raw - unit.lo) / (unit.hi - unit.lo);
            break;
        }
    }
    // log of zero or a negative number falls below the range; NaN is treated the same.
    if (! (value >= 0.0f))
        value = 0.0f;
    out = value > 1.0f ? 1.0f : value;
    return true;
}

bool typedTextHoldsNumber (const char* text) { return text != nullptr && std::strpbrk (text, "0123456789") != nullptr; }

} // namespace morlake
