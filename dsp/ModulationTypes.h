// Vocabulary shared by the modulation layer, the signal chain and the MIDI code:
// source and destination indexes, the MIDI source values and the audio taps.
#pragma once

#include "params/Curves.h"
#include "params/StepScales.h"

#include "params/ModDestinations.h"
#include "params/NameLists.h"

#include <cmath>

namespace morlake {

// Indexes into the modulation source list (SRC_STR).
namespace src {
enum : int
{
    None = 0,
    ModWheel = 1,
    ModWheelAfter = 2,
    ChannelAftertouch = 3,
    PolyAftertouch = 4,
    Note = 5,
    CentreNote = 6,
    NoteRnd1 = 7,
    NoteRnd2 = 8,
    UniPolarNoteRnd1 = 9,
    UniPolarNoteRnd2 = 10,
    Velocity = 11,
    Pitchbend = 12,
    Breath = 13,
    Foot = 14,
    Expression = 15,
    Brightness = 16,
    CC16 = 17, // ... CC21 = 22
    CC84 = 23, // ... CC90 = 29
    CC113 = 30,
    CC114 = 31,
    LastMidi = 31,
    Disrupt = 32,
    Follower = 33,
    Lazy = 34,
    UniPolarLazy = 35,
    SignLazy = 36,
    Input = 37, // the seven audio taps, in follower-source order
    SideInput = 38,
    DistortOutput = 39,
    EarlyOutput = 40,
    ReverbOutput = 41,
    LateOutput = 42,
    Output = 43,
    Offset = 44,
    Noise = 45,
    UniPolarNoise = 46,
};
} // namespace src

// The seven chain taps the follower can listen to ("Follower Source" order).
// Tap k is also the audio source src::Input + k.
namespace tap {
enum : int
{
    Input = 0,
    SideInput = 1,
    DistortOutput = 2,
    EarlyOutput = 3,
    ReverbOutput = 4,
    LateOutput = 5,
    Output = 6,
};
} // namespace tap
inline constexpr int kNumTaps = 7;

inline constexpr int kNumDisruptSlots = 8;
inline constexpr int kNumModSlots = 11; // 8 Disrupt, the follower, 2 free slots

// Values of the MIDI sources 1 to 31, indexed by source number; entry 0 stays 0.
// The MIDI layer writes them as events arrive; they keep their last value.
// All zero is the neutral state (no controller moved, pitch bend centred).
struct ModMidiSources
{
    float value[src::LastMidi + 1] {};

    void clear ()
    {
        for (float& v : value)
            v = 0.0f;
    }
    void set (int source, float v)
    {
        if (source > src::None && source <= src::LastMidi && std::isfinite (v))
            value[source] = v;
    }
};

// The stereo pair at one chain tap. The modulation layer derives what it
// reads from it: the source value 2 * (L + R) and the follower level
// (|L| + |R|) / 2.
struct ModTap
{
    float left = 0.0f;
    float right = 0.0f;

    void set (float l, float r)
    {
        left = l;
        right = r;
    }
    float value () const { return 2.0f * (left + right); }
    float level () const { return 0.5f * (std::fabs (left) + std::fabs (right)); }
};

struct ModTaps
{
    ModTap tap[kNumTaps];

    void set (int which, float left, float right)
    {
        if (which >= 0 && which < kNumTaps)
            tap[which].set (left, right);
    }
    void clear ()
    {
        for (ModTap& t : tap)
            t = ModTap {};
    }
};

// Step rule on explicit numbers (value -> integer part of value * scale + 0.1,
// limited to 0 .. steps - 1); the list parameters use scale 99.99.
using curve::stepOfValue;
inline constexpr float kListStepScale = scale::List;

} // namespace morlake
