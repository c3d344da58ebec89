// The fixed attributes of the 256 parameter slots, filled once by initVariables.
#pragma once

#include "params/NameLists.h"
#include "params/ParamTags.h"

#include <array>
#include <span>
#include <string>

namespace morlake {

enum class DisplayType : int
{
    ByTag = 0,
    OffOn = 1,
    Percent = 2,
    BipolarPercent = 3,
    FilterFrequency = 4,
    SourceName = 5,
    DestinationName = 6,
    DestinationShortName = 7,
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
                           int modulationDestination, int displayType, std::string name);

    const std::string& getName (int tag) const;
    float getDefault (int tag) const { return isValidTag (tag) ? defaults[tag] : 0.0f; }
    bool isOnOff (int tag) const { return isValidTag (tag) && onOff[tag]; }
    int getSteps (int tag) const { return isValidTag (tag) ? steps[tag] : -1; }
    float getStepScale (int tag) const { return isValidTag (tag) ? stepScale[tag] : -1.0f; }
    DisplayType getDisplayType (int tag) const
    {
        return isValidTag (tag) ? static_cast<DisplayType> (displayType[tag]) : DisplayType::ByTag;
    }
    int getParameterDest (int tag) const { return isValidTag (tag) ? modDest[tag] : -1; }
    // Names of the steps of a stepped tag; empty when it has none.
    std::span<const Names> getStepNames (int tag) const;

    // Step of `value` for this tag; 0 when invalid or not stepped.
    int stepOf (int tag, float value) const;
    // Tag whose name matches `name` exactly; -1 when none.
    int findByName (std::string_view name) const;

private:
    std::array<std::string, kNumParams> names;
    std::array<float, kNumParams> defaults {};
    std::array<bool, kNumParams> onOff {};
    std::array<int, kNumParams> steps {};
    std::array<float, kNumParams> stepScale {};
    std::array<int, kNumParams> displayType {};
    std::array<int, kNumParams> modDest {};
    std::array<std::span<const Names>, kNumParams> stepNames {};
};

} // namespace morlake
