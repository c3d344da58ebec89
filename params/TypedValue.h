// Typed-in values: a parameter's value entered as a number in its own units.
#pragma once

#include "params/DisplayText.h"

namespace morlake {

struct TypedValuePrompt
{
    DisplayText initialText;             // the current value in the dialog's units
    DisplayText rangeHint;               // e.g. "0 to 4000 ms"
    double minimum = 0.0, maximum = 0.0; // the range the hint names
    const char* unitLabel = "";          // "ms", "Hz", "dB", "%" or none
};

// What the dialog shows for `tag` at `value` (live values give the sync switches).
TypedValuePrompt typedValuePrompt (const ParameterTable& table, int tag, float value, const float* live);

// Converts typed text into the tag's normalised value, clamped to 0..1.
// False for an invalid tag or an empty text (a cancelled dialog): `out` is then untouched.
bool typedValueToNormalised (const ParameterTable& table, int tag, const char* text, const float* live, float& out);

// True when `text` holds a number to read: at least one digit.
bool typedTextHoldsNumber (const char* text);

} // namespace morlake
