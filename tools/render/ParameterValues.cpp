#include "tools/render/ParameterValues.h"

#include "tools/harness/FactoryPresets.h"
#include "tools/harness/NameMatch.h"

#if MORLAKE_HAVE_TYPED_VALUE
#include "params/TypedValue.h"
#endif

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace morlake {

int resolveParameter (HostedPlugin& plugin, const std::string& name, std::string& error)
{
    const int byName = plugin.findParameter (name);
    if (byName >= 0)
        return byName;
    if (const auto number = parseWholeNumber (name))
    {
        const double n = *number;
        if (n == std::floor (n) && n >= 0 && n < plugin.numParams ())
            return static_cast<int> (n);
    }
    std::vector<std::string> names;
    for (int i = 0; i < plugin.numParams (); ++i)
        names.push_back (plugin.parameterName (i).text);
    const auto close = closeMatches (name, names);
    error = "unknown parameter \"" + name + "\"";
    error += close.empty () ? " (--list-params shows them all)" : "; close names: " + quotedList (close);
    return -1;
}

std::optional<double> parseWholeNumber (const std::string& text)
{
    const char* begin = text.c_str ();
    while (std::isspace (static_cast<unsigned char> (*begin)))
        ++begin;
    if (*begin == '\0')
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod (begin, &end);
    if (end == begin)
        return std::nullopt;
    while (std::isspace (static_cast<unsigned char> (*end)))
        ++end;
    if (*end != '\0' || ! std::isfinite (v))
        return std::nullopt;
    return v;
}

std::optional<double> numberInText (const std::string& text)
{
    for (std::size_t i = 0; i < text.size (); ++i)
    {
        const auto c = static_cast<unsigned char> (text[i]);
        const auto next = i + 1 < text.size () ? static_cast<unsigned char> (text[i + 1]) : 0;
        const bool starts = std::isdigit (c) || ((c == '-' || c == '+' || c == '.') && std::isdigit (next)) ||
                            ((c == '-' || c == '+') && next == '.');
        if (! starts)
            continue;
        char* end = nullptr;
        const double v = std::strtod (text.c_str () + i, &end);
        if (end != text.c_str () + i && std::isfinite (v))
            return v;
    }
    return std::nullopt;
}

bool searchDisplayValue (HostedPlugin& plugin, int index, const std::string& text, float& out, std::string& error)
{
    constexpr int kSteps = 1000;
    const float original = plugin.getParameter (index);
    const std::string name = plugin.parameterName (index).text;
    const std::string label = plugin.parameterLabel (index).text;
    const auto wanted = toLowerTrimmed (text);

    auto showAt = [&] (float v) {
        plugin.setParameter (index, v);
        return plugin.parameterDisplay (index).text;
    };

    std::vector<std::string> shown (kSteps + 1);
    for (int i = 0; i <= kSteps; ++i)
        shown[static_cast<std::size_t> (i)] = showAt (static_cast<float> (i) / kSteps);

    // A text shown as such ("Off", "Hall", "-inf"), possibly with its label:
    // the middle of the first run of matches is safely inside the step.
    int runStart = -1;
    int runEnd = -1;
    for (int i = 0; i <= kSteps; ++i)
    {
        const auto s = toLowerTrimmed (shown[static_cast<std::size_t> (i)]);
        const bool match =
            s == wanted ||
            (! label.empty () && toLowerTrimmed (shown[static_cast<std::size_t> (i)] + " " + label) == wanted) ||
            (! label.empty () && toLowerTrimmed (shown[static_cast<std::size_t> (i)] + label) == wanted);
        if (match && runStart < 0)
            runStart = i;
        if (match)
            runEnd = i;
        if (! match && runStart >= 0)
            break;
    }
    if (runStart >= 0)
    {
        plugin.setParameter (index, original);
        out = static_cast<float> (runStart + runEnd) / (2.0f * kSteps);
        return true;
    }

    const auto target = numberInText (text);
    if (! target)
    {
        plugin.setParameter (index, original);
        error = "\"" + text + "\" is not a value \"" + name + "\" shows";
        return false;
    }

    std::vector<std::optional<double>> numbers (kSteps + 1);
    for (int i = 0; i <= kSteps; ++i)
        numbers[static_cast<std::size_t> (i)] = numberInText (shown[static_cast<std::size_t> (i)]);

    for (int i = 0; i < kSteps; ++i)
    {
        const auto& a = numbers[static_cast<std::size_t> (i)];
        const auto& b = numbers[static_cast<std::size_t> (i + 1)];
        if (! a || ! b)
            continue;
        const double lo = std::min (*a, *b);
        const double hi = std::max (*a, *b);
        if (*target < lo || *target > hi)
            continue;
        // Bisect for the smallest step of the display that reaches the target.
        const bool rising = *b >= *a;
        double vLo = static_cast<double> (i) / kSteps;
        double vHi = static_cast<double> (i + 1) / kSteps;
        if (*a == *target)
            vHi = vLo;
        for (int k = 0; k < 40 && vHi - vLo > 1e-9; ++k)
        {
            const double mid = 0.5 * (vLo + vHi);
            const auto n = numberInText (showAt (static_cast<float> (mid)));
            const bool below = n && (rising ? *n < *target : *n > *target);
            (below ? vLo : vHi) = mid;
        }
        plugin.setParameter (index, original);
        out = static_cast<float> (vHi);
        return true;
    }

    plugin.setParameter (index, original);
    std::optional<double> minimum, maximum;
    std::string minText, maxText;
    for (int i = 0; i <= kSteps; ++i)
    {
        const auto& n = numbers[static_cast<std::size_t> (i)];
        if (! n)
            continue;
        if (! minimum || *n < *minimum)
        {
            minimum = n;
            minText = shown[static_cast<std::size_t> (i)];
        }
        if (! maximum || *n > *maximum)
        {
            maximum = n;
            maxText = shown[static_cast<std::size_t> (i)];
        }
    }
    if (! minimum)
        error = "\"" + text + "\" is not a value \"" + name + "\" shows";
    else
        error = "value " + text + " for \"" + name + "\" is outside the range " + minText + " to " + maxText +
                (label.empty () ? "" : " " + label);
    return false;
}

bool displayValueToNormalised (HostedPlugin& plugin, int index, const std::string& text, float& out, std::string& error)
{
#if MORLAKE_HAVE_TYPED_VALUE
    // The plug-in's own conversion takes numbers in the typed-in dialog's
    // units and clamps; names of steps ("On", "Hall") go through the search.
    const auto typed = numberInText (text);
    if (isMorlake (plugin) && typed)
    {
        static const ParameterTable table;
        std::vector<float> live (static_cast<std::size_t> (plugin.numParams ()));
        for (int i = 0; i < plugin.numParams (); ++i)
            live[static_cast<std::size_t> (i)] = plugin.getParameter (i);
        const auto name = plugin.parameterName (index).text;
        const auto prompt = typedValuePrompt (table, index, plugin.getParameter (index), live.data ());
        const double slack = 1e-6 * std::abs (prompt.maximum - prompt.minimum);
        if (*typed < prompt.minimum - slack || *typed > prompt.maximum + slack)
        {
            error = "value " + text + " for \"" + name + "\" is outside the range " + prompt.rangeHint.c_str ();
            return false;
        }
        if (typedValueToNormalised (table, index, text.c_str (), live.data (), out))
            return true;
        error = "\"" + text + "\" is not a valid value for \"" + name + "\"";
        return false;
    }
#endif
    return searchDisplayValue (plugin, index, text, out, error);
}

} // namespace morlake
