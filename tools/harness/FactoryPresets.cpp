#include "tools/harness/FactoryPresets.h"

#include "presets/FactoryPresets.h"

#include <algorithm>

namespace morlake {

bool isMorlake (const HostedPlugin& plugin) { return plugin.uniqueID () == kMorlakeUniqueID; }

std::vector<std::string> factoryPresetNames ()
{
    return std::vector<std::string> (FACTORY_PRESET_NAMES_STR.begin (), FACTORY_PRESET_NAMES_STR.end ());
}

void writePresetName (HostedPlugin& plugin, std::string_view name)
{
    PresetRow row {};
    encodePresetName (row, name);
    // The name and its terminator; the slots after it are not read.
    const int count = std::min (static_cast<int> (name.size ()) + 1, kNameMaxChars);
    for (int i = 0; i < count; ++i)
        plugin.setParameter (kNameFirstTag + i, row[static_cast<std::size_t> (kNameFirstTag + i)]);
}

std::string readPresetName (HostedPlugin& plugin)
{
    float values[kNumParams] {};
    for (int i = 0; i < kNameMaxChars; ++i)
        values[kNameFirstTag + i] = plugin.getParameter (kNameFirstTag + i);
    return decodePresetName (values).data ();
}

bool selectFactoryPreset (HostedPlugin& plugin, int index)
{
    if (index < 0 || index >= kNumFactoryPresets)
        return false;
    writePresetName (plugin, FACTORY_PRESET_NAMES_STR[static_cast<std::size_t> (index)]);
    plugin.setProgram (0);
    return true;
}

} // namespace morlake
