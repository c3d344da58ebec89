// Turning command-line parameter settings into normalised values.
#pragma once

#include "tools/harness/HostedPlugin.h"

#include <optional>
#include <string>

namespace morlake {

// A parameter by name (case-insensitive, as effGetParamName shows it) or by
// index. -1 and a message naming close matches when there is none.
int resolveParameter (HostedPlugin& plugin, const std::string& name, std::string& error);

// Strict number parse of the whole text (surrounding blanks allowed).
std::optional<double> parseWholeNumber (const std::string& text);
// The first number inside a display text: "-6.02" in "-6.02 dB", none in "-inf".
std::optional<double> numberInText (const std::string& text);

// The value in display units, as the user would type it, to a normalised
// value. For Morlake this is the plug-in's own typed-value conversion when the
// build has it; otherwise searchDisplayValue.
bool displayValueToNormalised (HostedPlugin& plugin, int index, const std::string& text, float& out,
                               std::string& error);

// Works for any plug-in: finds the normalised value whose display text
// equals text, or bisects on the number the display shows. Leaves the
// parameter as it found it.
bool searchDisplayValue (HostedPlugin& plugin, int index, const std::string& text, float& out, std::string& error);

} // namespace morlake
