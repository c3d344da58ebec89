#include "formats/lv2/Lv2Ports.h"

#include "params/Curves.h"

#include <cmath>

namespace morlake::lv2 {

namespace {

constexpr const char* kUnitsDb = "http://lv2plug.in/ns/extensions/units#db";
constexpr const char* kUnitsPc = "http://lv2plug.in/ns/extensions/units#pc";
constexpr const char* kUnitsHz = "http://lv2plug.in/ns/extensions/units#hz";
constexpr const char* kUnitsMs = "http://lv2plug.in/ns/extensions/units#ms";

bool isEnumeration (const ParameterTable& table, int tag)
{
    return table.getSteps (tag) > 0 && ! table.isOnOff (tag) && table.getUnit (tag).unit == Unit::Steps;
}

// The curve of a continuous port, in double precision, and its inverse.
double userOf (const UnitCurve& unit, double v)
{
    switch (unit.unit)
    {
        case Unit::Decibels: return curve::decibels (v, static_cast<double> (unit.lo), static_cast<double> (unit.hi));
        case Unit::BipolarPercent:
        case Unit::WetDry: return v * 200.0 - 100.0;
        case Unit::FilterHertz: return 20.0 * std::exp2 (10.0 * v);
        case Unit::Milliseconds: return std::exp2 (12.0 * v);
        case Unit::LazyHertz: return std::exp2 (10.0 * v) * static_cast<double> (curve::kLazyHertzScale);
        default: return v * 100.0; // per cent, and the room-dependent lengths and sizes
    }
}

double valueOf (const UnitCurve& unit, double u)
{
    switch (unit.unit)
    {
        case Unit::Decibels: return curve::valueOfDecibels (u, unit.lo, unit.hi);
        case Unit::BipolarPercent:
        case Unit::WetDry: return curve::valueOfBipolarPercent (u);
        case Unit::FilterHertz: return std::log2 (u / 20.0) / 10.0;
        case Unit::Milliseconds: return std::log2 (u) / 12.0;
        case Unit::LazyHertz: return std::log2 (u / static_cast<double> (curve::kLazyHertzScale)) / 10.0;
        default: return curve::valueOfPercent (u);
    }
}

} // namespace

PortUnit portUnitOf (const ParameterTable& table, int tag)
{
    PortUnit out;
    if (table.isOnOff (tag))
    {
        out.kind = PortKind::Toggle;
        return out;
    }
    if (isEnumeration (table, tag))
    {
        out.kind = PortKind::Enumeration;
        out.maximum = table.getSteps (tag) - 1;
        return out;
    }
    const UnitCurve unit = table.getUnit (tag);
    switch (unit.unit)
    {
        case Unit::Decibels: out.unitUri = kUnitsDb; break;
        case Unit::FilterHertz:
        case Unit::LazyHertz:
            out.unitUri = kUnitsHz;
            out.logarithmic = true;
            break;
        case Unit::Milliseconds:
            out.unitUri = kUnitsMs;
            out.logarithmic = true;
            break;
        default: out.unitUri = kUnitsPc; break;
    }
    out.minimum = static_cast<float> (userOf (unit, 0.0));
    out.maximum = static_cast<float> (userOf (unit, 1.0));
    return out;
}

float toPortValue (const ParameterTable& table, int tag, float value)
{
    value = curve::clamp01 (value);
    if (table.isOnOff (tag))
        return value >= 0.5f ? 1.0f : 0.0f;
    if (isEnumeration (table, tag))
        return static_cast<float> (table.stepOf (tag, value));
    return static_cast<float> (userOf (table.getUnit (tag), value));
}

float fromPortValue (const ParameterTable& table, int tag, float port)
{
    const PortUnit unit = portUnitOf (table, tag);
    if (! (port >= unit.minimum)) // NaN too
        port = static_cast<float> (unit.minimum);
    if (port > unit.maximum)
        port = static_cast<float> (unit.maximum);
    if (unit.kind == PortKind::Toggle)
        return port >= 0.5f ? 1.0f : 0.0f;
    if (unit.kind == PortKind::Enumeration)
        return stepToValue (static_cast<int> (std::lround (port)), table.getStepScale (tag), table.getSteps (tag));

    // The exact inverse, then the nearest floats that show as `port`.
    const float guess = curve::clamp01 (static_cast<float> (valueOf (table.getUnit (tag), port)));
    if (toPortValue (table, tag, guess) == port)
        return guess;
    float down = guess, up = guess;
    for (int i = 0; i < 8; ++i)
    {
        down = std::nextafter (down, -1.0f);
        up = std::nextafter (up, 2.0f);
        if (up <= 1.0f && toPortValue (table, tag, up) == port)
            return up;
        if (down >= 0.0f && toPortValue (table, tag, down) == port)
            return down;
    }
    return guess;
}

std::vector<int> controlPortTags (const ParameterTable& table)
{
    std::vector<int> tags;
    for (int t = 0; t < kNumParams; ++t)
        if (table.isUserParameter (t))
            tags.push_back (t);
    return tags;
}

} // namespace morlake::lv2
