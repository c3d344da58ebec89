// The fixed attributes of the 256 parameter slots, filled once by initVariables.
#pragma once

#include "params/NameLists.h"
#include "params/ParamTags.h"

#include <array>
#include <span>
#include <string>

namespace morlake {

// The unit a parameter is shown and typed in. Decibel rows carry their range.
enum class Unit : int
{
    None,           // no text of its own ("----")
    OffOn,          // "Off" / "On"
    Steps,          // the name of its step
    Percent,        // 0 .. 100 %
    BipolarPercent, // -100 .. 100 %
    WetDry,         // dry/wet balance, typed as -100 .. 100
    Decibels,       // lo .. hi dB, linear in the value
    FilterHertz,    // 20 * 2^(10 v) Hz
    Milliseconds,   // 2^(12 v) ms, or its tempo division while synced
    LazyHertz,      // 2^(10 v) * 55 / 2048 Hz, or its tempo division while synced
    EarlyLength,    // texts that depend on the room: see DisplayText
    RoomSize,
    ReverbLength,
};

struct UnitCurve
{
    Unit unit = Unit::None;
    float lo = 0.0f, hi = 0.0f; // decibel range
    int syncTag = -1;           // the switch that shows tempo divisions instead

    bool operator== (const UnitCurve&) const = default;
};

// Step rule on explicit numbers: trunc(value * scale + 0.1), limited to 0 .. steps-1.
int getSteppedValue (float value, float scale, int steps);
// The value that selects step k (clamped to 0 .. steps-1).
float stepToValue (int step, float scale, int steps);

class ParameterTable
{
public:
    ParameterTable () { initVariables (); }

    void initVariables ();
    void setParameterVars (int tag, float defaultValue, bool onOff, int steps, float stepScale,
                           int modulationDestination, UnitCurve unit, std::string name, std::string symbol);

    const std::string& getName (int tag) const;
    // The parameter's stable identifier; empty for the slots that only carry
    // state (the factory-reload request, the reverb character's values, the
    // program name), which a user neither sees nor automates.
    const std::string& getSymbol (int tag) const;
    bool isUserParameter (int tag) const { return ! getSymbol (tag).empty (); }
    // Tag of `symbol`; -1 when none.
    int findBySymbol (std::string_view symbol) const;
    float getDefault (int tag) const { return isValidTag (tag) ? defaults[tag] : 0.0f; }
    bool isOnOff (int tag) const { return isValidTag (tag) && onOff[tag]; }
    int getSteps (int tag) const { return isValidTag (tag) ? steps[tag] : -1; }
    float getStepScale (int tag) const { return isValidTag (tag) ? stepScale[tag] : -1.0f; }
    UnitCurve getUnit (int tag) const { return isValidTag (tag) ? units[tag] : UnitCurve {}; }
    int getParameterDest (int tag) const { return isValidTag (tag) ? modDest[tag] : -1; }
    // Names of the steps of a stepped tag; empty when it has none.
    std::span<const Names> getStepNames (int tag) const;

    // Step of `value` for this tag; 0 when invalid or not stepped.
    int stepOf (int tag, float value) const;
    // Tag whose name matches `name` exactly; -1 when none.
    int findByName (std::string_view name) const;

private:
    std::array<std::string, kNumParams> names;
    std::array<std::string, kNumParams> symbols;
    std::array<float, kNumParams> defaults {};
    std::array<bool, kNumParams> onOff {};
    std::array<int, kNumParams> steps {};
    std::array<float, kNumParams> stepScale {};
    std::array<UnitCurve, kNumParams> units {};
    std::array<int, kNumParams> modDest {};
    std::array<std::span<const Names>, kNumParams> stepNames {};
};

} // namespace morlake
