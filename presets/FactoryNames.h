// Names of the factory presets, in the order the editor and the host list them.
#pragma once

#include <array>
#include <string_view>

namespace morlake {

constexpr int kNumFactoryPresets = 57;

inline constexpr std::array<std::string_view, kNumFactoryPresets> FACTORY_PRESET_NAMES_STR = {
    "1 to Morlake", "classic Hall Dark", "classic Hall Long 04", "classic Hall Mellow 03",
    "classic Little Studio", "classic Movie Delux", "Default", "drum BD crazy 02",
    "drum BD Late into Room", "drum Default Hall", "drum Default Room", "drum Follower SnareDown",
    "drum Late into Tube", "drum LazyMover 01", "drum LazyMover 02", "drum LazyMover 03",
    "drum Snare Follow 1", "drum Snare Follow 2", "drum Snare Special 2", "Hall and Side Input",
    "Nice Female Vox RF", "percussion Bongos 01", "percussion CaveSession", "percussion Claps 01",
    "percussion Congas 01", "percussion Congas 08", "percussion CowBells 01", "percussion Modulato 01",
    "percussion Orbit Reflect", "Percussion Refl Room 1", "Percussion Reflect Mover 1", "percussion shaky room",
    "percussion Weirdo", "piano hall romance", "piano natural room 1", "Side Input  2 Rerb Vol",
    "Snare SideGate Hall", "synth ambient 08", "synth ambient longggggg", "synth Lead LongHall",
    "synth Lead reverb", "synth natural ambient", "synth weird wobble", "vocal Acapella 2",
    "vocal Clean Hall", "vocal Disrupt Mod", "vocal Duck Verb", "vocal fx Flex 4",
    "vocal in WeirdRoom", "vocal LazyRoom", "vocal Narrow Street 01", "vocal Odd Room Side",
    "vocal RoomSize Disrupt", "vocal Roomy 6", "vocal Size Disrupt", "vocal Verb&Late",
    "vocal WildRoom 4",
};

// Name characters travel in parameter slots 145..172, one per slot.
constexpr int kNameFirstTag = 145;
constexpr int kNameMaxChars = 28;

constexpr float encodeNameChar (char c) { return (static_cast<float> (static_cast<signed char> (c)) + 0.5f) / 255.99f; }

constexpr char decodeNameChar (float value)
{
    if (! (value > -1.0f && value < 1.0f)) // out of the encoding's range, or NaN
        value = value >= 1.0f ? 1.0f : (value <= -1.0f ? -1.0f : 0.0f);
    const int code = static_cast<int> (value * 255.99f + 0.1f);
    return static_cast<char> (code < -128 ? -128 : (code > 127 ? 127 : code));
}

} // namespace morlake
