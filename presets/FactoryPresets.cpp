#include "presets/FactoryPresets.h"

#include "dsp/ReverbPresets.h"
#include "presets/FactoryPresetData.h"

#include <algorithm>

namespace morlake {

namespace {

using factory::BASE_PRESET;
using factory::PRESET_DEFINITIONS;
using factory::Setting;

// Category text every factory row carries in its category slots.
constexpr std::string_view kCategoryText = "Morlake Factory";
static_assert (kCategoryText.size () <= tag::CategoryLast - tag::CategoryFirst + 1);

using PresetTable = std::array<PresetRow, kNumFactoryPresets>;

PresetTable buildDemoVar ()
{
    PresetTable table {};
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        PresetRow& row = table[i];
        row.fill (0.0f);
        for (const Setting& s : BASE_PRESET)
            row[s.tag] = s.value;
        for (const Setting& s : PRESET_DEFINITIONS[i].changes)
            row[s.tag] = s.value;
        // The hidden tags always hold the character "Reverb Preset" selects:
        // every load re-applies it, and a row that disagreed would change
        // under the user's hands.
        int characterStep = static_cast<int> (row[tag::ReverbPreset] * kReverbPresetStepScale + 0.1f);
        characterStep =
            characterStep < 0 ? 0 : (characterStep >= kReverbPresetSteps ? kReverbPresetSteps - 1 : characterStep);
        reverbPresetValues (characterStep, &row[kReverbHiddenFirstTag]);
        encodePresetName (row, PRESET_DEFINITIONS[i].name);
        for (std::size_t c = 0; c < kCategoryText.size (); ++c)
            row[tag::CategoryFirst + static_cast<int> (c)] = encodeNameChar (kCategoryText[c]);
    }
    return table;
}

} // namespace

const PresetRow& factoryPreset (int index)
{
    static const PresetTable DEMOVAR = buildDemoVar ();
    if (index < 0 || index >= kNumFactoryPresets)
        index = 0;
    return DEMOVAR[index];
}

void encodePresetName (PresetRow& row, std::string_view name)
{
    for (int i = 0; i < kNameMaxChars; ++i)
        row[kNameFirstTag + i] = i < static_cast<int> (name.size ()) ? encodeNameChar (name[i]) : 0.0f;
}

std::array<char, kNameMaxChars + 1> decodePresetName (const float* values)
{
    std::array<char, kNameMaxChars + 1> name {};
    for (int i = 0; i < kNameMaxChars; ++i)
    {
        const char c = decodeNameChar (values[kNameFirstTag + i]);
        if (c == '\0')
            break;
        name[i] = c;
    }
    return name;
}

int findFactoryPreset (std::string_view name)
{
    int found = 0;
    for (int i = 0; i < kNumFactoryPresets; ++i)
        if (FACTORY_PRESET_NAMES_STR[i] == name)
            found = i;
    return found;
}

int findFactoryPresetIgnoringCase (std::string_view name)
{
    auto blank = [] (char c) { return c == ' ' || c == '\t'; };
    while (! name.empty () && blank (name.front ()))
        name.remove_prefix (1);
    while (! name.empty () && blank (name.back ()))
        name.remove_suffix (1);
    auto lower = [] (char c) { return c >= 'A' && c <= 'Z' ? static_cast<char> (c - 'A' + 'a') : c; };
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        const std::string_view candidate = FACTORY_PRESET_NAMES_STR[static_cast<std::size_t> (i)];
        if (candidate.size () == name.size () && std::equal (candidate.begin (), candidate.end (), name.begin (),
                                                             [&] (char a, char b) { return lower (a) == lower (b); }))
            return i;
    }
    return -1;
}

} // namespace morlake
