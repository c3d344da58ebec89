// Standard MIDI file reader: the channel messages of every track, merged and
// placed at sample frames through the file's tempo map.
#pragma once

#include "tools/harness/HostedPlugin.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace morlake {

struct MidiFileContents
{
    std::vector<MidiEvent> events; // sorted by frame; meta and system messages dropped
    double lengthSeconds = 0.0;    // position of the last event of any kind
};

// defaultTempo applies until the file's first tempo event (files without one
// follow the host tempo). False and a one-line reason for a malformed file.
bool parseMidiFile (std::span<const std::uint8_t> bytes, double sampleRate, double defaultTempo, MidiFileContents& out,
                    std::string& error);
bool readMidiFile (const std::string& path, double sampleRate, double defaultTempo, MidiFileContents& out,
                   std::string& error);

} // namespace morlake
