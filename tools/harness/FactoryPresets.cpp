#include "tools/harness/FactoryPresets.h"

#include "presets/FactoryNames.h"
#include "tools/harness/NameMatch.h"

namespace morlake {

bool isMorlake (const HostedPlugin& plugin) { return plugin.uniqueID() == kMorlakeUniqueID; }

std::vector<std::string> factoryPresetNames()
{
    return std::vector<std::string> (FACTORY_PRESET_NAMES_STR.begin(), FACTORY_PRESET_NAMES_STR.end());
}

int findFactoryPreset (std::string_view name)
{
    for (int i = 0; i < kNumFactoryPresets; ++i)
        if (equalsIgnoringCase (FACTORY_PRESET_NAMES_STR[static_cast<std::size_t> (i)], name))
            return i;
    return -1;
}

void writePresetName (HostedPlugin& plugin, std::string_view name)
{
    if (name.size() > static_cast<std::size_t> (kNameMaxChars))
        name = name.substr (0, kNameMaxChars);
    for (std::size_t i = 0; i < name.size(); ++i)
        plugin.setParameter (kNameFirstTag + static_cast<int> (i), encodeNameChar (name[i]));
    if (name.size() < static_cast<std::size_t> (kNameMaxChars))
        plugin.setParameter (kNameFirstTag + static_cast<int> (name.size()), 0.0f);
}

std::string readPresetName (HostedPlugin& plugin)
{
    std::string name;
    for (int i = 0; i < kNameMaxChars; ++i)
    {
        const char c = decodeNameChar (plugin.getParameter (kNameFirstTag + i));
        if (c == '\0')
            break;
        name += c;
    }
    return name;
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
