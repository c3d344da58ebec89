#include "presets/FactoryPresets.h"

#include <initializer_list>
#include <utility>

namespace morlake {

namespace {

struct Setting
{
    int tag;
    float value;
};

// "1 to Morlake": the sound a new instance plays, and the base every other
// preset is written against.
constexpr Setting BASE_PRESET[] = {
    {1, 0.0f}, {2, 0.27f}, {3, 0.666f}, {4, 0.0f}, {5, 0.0f}, {6, 0.0f}, {7, 0.0f}, {8, 1.0f},
    {9, 0.93f}, {10, 0.185f}, {11, 0.31f}, {12, 0.53f}, {13, 0.495f}, {14, 1.0f}, {15, 0.857143f},
    {16, 0.875f}, {17, 0.88f}, {18, 0.295f}, {19, 0.535f}, {20, 0.0f}, {21, 0.0f}, {22, 1.0f},
    {23, 0.17f}, {24, 1.0f}, {25, 1.0f}, {26, 0.0f}, {27, 0.100091f}, {28, 0.0f}, {29, 0.0f},
    {30, 0.77f}, {31, 0.82f}, {32, 0.0f}, {33, 0.34f}, {34, 0.5f}, {35, 0.0f}, {36, 0.839355f},
    {37, 1.0f}, {38, 1.0f}, {39, 1.0f}, {40, 1.0f}, {41, 1.0f}, {42, 1.0f}, {43, 1.0f}, {44, 1.0f},
    {45, 0.5f}, {46, 0.5f}, {47, 0.75f}, {48, 0.5f}, {49, 0.75f}, {50, 0.75f}, {51, 0.5f}, {52, 0.75f},
    {53, 0.011001f}, {54, 0.10101f}, {55, 0.121012f}, {56, 0.251025f}, {57, 0.30103f}, {58, 0.311031f},
    {59, 0.191019f}, {60, 0.211021f}, {61, 0.0f}, {62, 0.508757f}, {63, 0.56f}, {64, 1.0f},
    {65, 0.011001f}, {66, 0.0f}, {67, 0.0f}, {68, 0.05f}, {69, 0.0f}, {70, 0.5f}, {71, 0.0f},
    {72, 1.0f}, {73, 0.011001f}, {74, 0.361036f}, {75, 0.5f}, {76, 0.0f}, {77, 0.0f}, {78, 1.0f},
    // Reverb character "Hall Cave" widen row and its character row.
    {110, 0.4f}, {111, 0.050505f}, {112, 0.181818f}, {113, 0.7f}, {114, 0.030303f}, {115, 0.121212f},
    {116, 1.0f}, {117, 0.030303f}, {118, 0.2f}, {119, 0.9f}, {120, 0.060606f}, {121, 0.151515f},
    {122, 0.020202f}, {123, 0.787879f}, {124, 0.020202f}, {125, 0.606061f}, {126, 0.030303f},
    {127, 0.747475f}, {128, 1.0f}, {129, 0.0f}, {130, 0.0f}, {131, 0.0f},
};

struct PresetDefinition
{
    std::string_view name;
    std::initializer_list<Setting> changes; // against BASE_PRESET
};

// One row a preset, in menu order; each lists what differs from "1 to Morlake".
const PresetDefinition PRESET_DEFINITIONS[kNumFactoryPresets] = {
    {"1 to Morlake", {}},
    {"classic Hall Dark", {}},
    {"classic Hall Long 04", {}},
    {"classic Hall Mellow 03", {}},
    {"classic Little Studio", {}},
    {"classic Movie Delux", {}},
    {"Default", {{tag::ReverbRoomSize, 0.695f}, {tag::ReverbLength, 0.86f}, {tag::ReverbDamp, 0.24f}}},
    {"drum BD crazy 02", {}},
    {"drum BD Late into Room", {}},
    {"drum Default Hall", {}},
    {"drum Default Room", {}},
    {"drum Follower SnareDown", {}},
    {"drum Late into Tube", {}},
    {"drum LazyMover 01", {}},
    {"drum LazyMover 02", {}},
    {"drum LazyMover 03", {}},
    {"drum Snare Follow 1", {}},
    {"drum Snare Follow 2", {}},
    {"drum Snare Special 2", {}},
    {"Hall and Side Input", {}},
    {"Nice Female Vox RF", {}},
    {"percussion Bongos 01", {}},
    {"percussion CaveSession", {}},
    {"percussion Claps 01", {}},
    {"percussion Congas 01", {}},
    {"percussion Congas 08", {}},
    {"percussion CowBells 01", {}},
    {"percussion Modulato 01", {}},
    {"percussion Orbit Reflect", {}},
    {"Percussion Refl Room 1", {}},
    {"Percussion Reflect Mover 1", {}},
    {"percussion shaky room", {}},
    {"percussion Weirdo", {}},
    {"piano hall romance", {}},
    {"piano natural room 1", {}},
    {"Side Input  2 Rerb Vol", {}},
    {"Snare SideGate Hall", {}},
    {"synth ambient 08", {}},
    {"synth ambient longggggg", {}},
    {"synth Lead LongHall", {}},
    {"synth Lead reverb", {}},
    {"synth natural ambient", {}},
    {"synth weird wobble", {}},
    {"vocal Acapella 2", {}},
    {"vocal Clean Hall", {}},
    {"vocal Disrupt Mod", {}},
    {"vocal Duck Verb", {}},
    {"vocal fx Flex 4", {}},
    {"vocal in WeirdRoom", {}},
    {"vocal LazyRoom", {}},
    {"vocal Narrow Street 01", {}},
    {"vocal Odd Room Side", {}},
    {"vocal RoomSize Disrupt", {}},
    {"vocal Roomy 6", {}},
    {"vocal Size Disrupt", {}},
    {"vocal Verb&Late", {}},
    {"vocal WildRoom 4", {}},
};

// Category text every factory row carries in slots 175..189; nothing reads it.
constexpr std::string_view kCategoryText = "Morlake Factory";
constexpr int kCategoryFirstTag = 175;

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
        encodePresetName (row, PRESET_DEFINITIONS[i].name);
        for (std::size_t c = 0; c < kCategoryText.size (); ++c)
            row[kCategoryFirstTag + static_cast<int> (c)] = encodeNameChar (kCategoryText[c]);
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

} // namespace morlake
