// Texts that show a parameter's value in its own units.
#pragma once

#include "params/ParameterTable.h"

#include <cstddef>

namespace morlake {

// What the signal chain caches per block and the texts depend on.
struct ChainDisplayState
{
    bool preDelaySync = false;
    int roomType = 1;         // room type of the first reverb character
    bool roomScale = false;   // hidden tag 129
    bool lengthScale = false; // hidden tag 130
    bool earlyScale = false;  // hidden tag 131
};

struct DisplayText
{
    static constexpr std::size_t kCapacity = 48;
    char text[kCapacity] {};
    const char* c_str () const { return text; }
};

// Display text for `tag`: `value` is the value shown (the program record's),
// `live` the 256 live values the switches and steps are read from.
DisplayText formatParameterDisplay (const ParameterTable& table, int tag, float value, const float* live,
                                    const ChainDisplayState& chain);

// True while a synced parameter shows (and takes) a tempo division.
bool showsTempoDivision (const UnitCurve& unit, int tag, const float* live, const ChainDisplayState& chain);

// "1.2 sec" above 1000 ms, else "85 ms".
DisplayText formatTime (float milliseconds);
// 20 Hz .. 20.5 KHz for a normalised filter value.
DisplayText formatFilterFrequency (float value);

} // namespace morlake
