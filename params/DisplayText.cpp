#include "params/DisplayText.h"

#include "params/Curves.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace morlake {

namespace {

using curve::ROOM_SIZE_ADD;
using curve::ROOM_SIZE_MULT;

DisplayText printText (const char* format, ...) __attribute__ ((format (printf, 1, 2)));

DisplayText printText (const char* format, ...)
{
    DisplayText out;
    va_list args;
    va_start (args, format);
    std::vsnprintf (out.text, DisplayText::kCapacity, format, args);
    va_end (args);
    return out;
}

DisplayText nameText (Names name) { return printText ("%.*s", static_cast<int> (name.size ()), name.data ()); }

DisplayText stepName (const ParameterTable& table, int tag, const float* live)
{
    const auto names = table.getStepNames (tag);
    const int step = table.stepOf (tag, live[tag]);
    return step >= 0 && static_cast<std::size_t> (step) < names.size () ? nameText (names[step]) : DisplayText {};
}

int clampRoomType (int roomType) { return roomType < 0 ? 0 : (roomType > 3 ? 3 : roomType); }

float roomBase (const float* live, int t) { return ROOM_SIZE_MULT[t] * live[tag::ReverbRoomSize] + ROOM_SIZE_ADD[t]; }

DisplayText decibels (float db) { return printText ("%.1f dB", db); }

DisplayText earlyLength (float v, const float* live, const ChainDisplayState& chain)
{
    const float r = roomBase (live, clampRoomType (chain.roomType));
    const float g = std::pow (2.0f, 4.6f * v - 3.0f);
    const float k = (chain.lengthScale || chain.earlyScale) ? 0.025f : (chain.roomScale ? 0.021f : 0.05f);
    return printText ("%.1f ms", (r * k + 0.005f) * 1000.0f * g);
}

DisplayText roomSize (const ParameterTable& table, float v, const float* live, const ChainDisplayState& chain)
{
    if (chain.earlyScale || table.stepOf (tag::ReverbPreset, live[tag::ReverbPreset]) == 8)
        return printText ("%d %%", static_cast<int> (v * 100.0f));
    const int t = clampRoomType (chain.roomType);
    const float s = v * ROOM_SIZE_MULT[t] + ROOM_SIZE_ADD[t];
    float x;
    if (chain.lengthScale)
        x = std::floor (19.0f * s + 1.0f);
    else if (chain.roomScale)
        x = 8.0f * s + 1.0f;
    else
        x = std::floor (39.0f * s + 1.0f);
    const float side = x * 0.25f;
    const float volume = side * side * side;
    if (chain.roomScale)
        return printText ("%.1f m^3", volume);
    return printText ("%d m^3", static_cast<int> (volume));
}

DisplayText reverbLength (float v, const float* live, const ChainDisplayState& chain)
{
    const int t = clampRoomType (chain.roomType);
    const float r = roomBase (live, t);
    const float k = (chain.lengthScale || chain.earlyScale) ? 11.75f : (chain.roomScale ? 9.87f : 23.5f);
    const float c = chain.earlyScale ? 16.0f : (chain.lengthScale ? 2.0f : 1.0f);
    const float d = std::log10 (0.25f * std::log10 (r * k + 1.0f) + 0.65f);
    const float base = (-0.12244898f / d) * c * 1000.0f;
    return formatTime (curve::reverbLengthFactor (v, t) * base);
}

DisplayText lazySpeed (float u)
{
    if (u < 0.001f)
        return printText ("Off");
    const float rate = std::pow (2.0f, 10.0f * u) * 55.0f / 2048.0f;
    if (rate >= 1000.0f)
        return printText ("%.2f KHz", rate / 1000.0f);
    return printText ("%.2f Hz", rate);
}

DisplayText wetDry (float v)
{
    if (std::fabs (v - 0.5f) < 0.00001f)
        return printText ("Equal");
    if (v >= 0.5f)
        return printText ("%d/100%%D/W", static_cast<int> (200.0f - 200.0f * v));
    return printText ("100%%%d%%D/W", static_cast<int> (200.0f * v));
}

} // namespace

bool showsTempoDivision (const UnitCurve& unit, int t, const float* live, const ChainDisplayState& chain)
{
    if (unit.syncTag < 0)
        return false;
    // The pre-delay follows the chain's own reading of its switch.
    return t == tag::ReverbPreDelay ? chain.preDelaySync : live[unit.syncTag] >= 0.5f;
}

DisplayText formatTime (float ms)
{
    if (ms > 1000.0f)
        return printText ("%.1f sec", std::floor (ms / 100.0f) / 10.0f);
    return printText ("%d ms", static_cast<int> (ms));
}

DisplayText formatFilterFrequency (float v)
{
    const float f = 20.0f * std::pow (2.0f, 10.0f * v);
    if (f < 1000.0f)
        return printText ("%d Hz", static_cast<int> (f));
    return printText ("%.1f KHz", f / 1000.0f);
}

DisplayText formatParameterDisplay (const ParameterTable& table, int t, float v, const float* live,
                                    const ChainDisplayState& chain)
{
    if (! isValidTag (t))
        return {};
    const UnitCurve unit = table.getUnit (t);
    if (showsTempoDivision (unit, t, live, chain))
        return stepName (table, t, live);
    switch (unit.unit)
    {
        case Unit::None: break;
        case Unit::OffOn: return nameText (OFF_ON_STR[live[t] >= 0.5f ? 1 : 0]);
        case Unit::Steps: return stepName (table, t, live);
        case Unit::Percent: return printText ("%d %%", static_cast<int> (v * 100.0f));
        case Unit::BipolarPercent: return printText ("%d %%", static_cast<int> (v * 200.0f) - 100);
        case Unit::WetDry: return wetDry (v);
        case Unit::Decibels: return decibels (curve::decibels (v, unit.lo, unit.hi));
        case Unit::FilterHertz: return formatFilterFrequency (v);
        case Unit::Milliseconds: return formatTime (std::pow (2.0f, 12.0f * v));
        case Unit::LazyHertz: return lazySpeed (live[t]);
        case Unit::EarlyLength: return earlyLength (v, live, chain);
        case Unit::RoomSize: return roomSize (table, v, live, chain);
        case Unit::ReverbLength: return reverbLength (v, live, chain);
    }
    return printText ("----");
}

} // namespace morlake
