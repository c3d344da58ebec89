#include "tools/harness/MidiFile.h"

#include <gtest/gtest.h>

namespace morlake {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes header (int format, int tracks, int division)
{
    return {'M',
            'T',
            'h',
            'd',
            0,
            0,
            0,
            6,
            0,
            static_cast<std::uint8_t> (format),
            0,
            static_cast<std::uint8_t> (tracks),
            static_cast<std::uint8_t> (division >> 8),
            static_cast<std::uint8_t> (division & 0xFF)};
}

void addTrack (Bytes& file, const Bytes& body)
{
    const auto n = body.size ();
    Bytes chunk = {'M',
                   'T',
                   'r',
                   'k',
                   static_cast<std::uint8_t> (n >> 24),
                   static_cast<std::uint8_t> (n >> 16),
                   static_cast<std::uint8_t> (n >> 8),
                   static_cast<std::uint8_t> (n)};
    file.insert (file.end (), chunk.begin (), chunk.end ());
    file.insert (file.end (), body.begin (), body.end ());
}

TEST (MidiFile, RunningStatusTempoMapAndTrackMerge)
{
    // 480 ticks per quarter. Track 0: tempo 60 BPM from tick 480 on.
    // Track 1: note on at 0, running-status note on at 480 (delta 0x83 0x60),
    // controller at 960, program change (one data byte) at 960.
    Bytes file = header (1, 2, 480);
    addTrack (file, {0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    addTrack (file, {0x00, 0x90, 60,  100,  0x83, 0x60, 64,   90,   0x83, 0x60,
                     0xB1, 7,    127, 0x00, 0xC2, 5,    0x00, 0xFF, 0x2F, 0x00});

    MidiFileContents midi;
    std::string error;
    ASSERT_TRUE (parseMidiFile (file, 48000.0, 120.0, midi, error)) << error;
    ASSERT_EQ (midi.events.size (), 4u);
    // First quarter at the default 120 BPM (0.5 s), the second at 60 BPM (1 s).
    EXPECT_EQ (midi.events[0].frame, 0);
    EXPECT_EQ (midi.events[1].frame, 24000);
    EXPECT_EQ (midi.events[1].bytes[0], 0x90);
    EXPECT_EQ (midi.events[1].bytes[1], 64);
    EXPECT_EQ (midi.events[2].frame, 72000);
    EXPECT_EQ (midi.events[2].bytes[0], 0xB1);
    EXPECT_EQ (midi.events[3].bytes[0], 0xC2);
    EXPECT_EQ (midi.events[3].bytes[1], 5);
    EXPECT_EQ (midi.events[3].bytes[2], 0);
    EXPECT_DOUBLE_EQ (midi.lengthSeconds, 1.5);
}

// Without tempo events the given tempo holds; system exclusive messages and
// chunks of unknown kinds are skipped.
TEST (MidiFile, DefaultTempoSysexAndUnknownChunks)
{
    Bytes file = header (0, 1, 96);
    const Bytes junk = {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2};
    file.insert (file.end (), junk.begin (), junk.end ());
    addTrack (file, {0x00, 0xF0, 0x03, 0x7E, 0x01, 0xF7, 0x60, 0xE0, 0x00, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    MidiFileContents midi;
    std::string error;
    ASSERT_TRUE (parseMidiFile (file, 44100.0, 90.0, midi, error)) << error;
    ASSERT_EQ (midi.events.size (), 1u);
    EXPECT_EQ (midi.events[0].frame, 29400); // one quarter at 90 BPM
    EXPECT_EQ (midi.events[0].bytes[0], 0xE0);
    EXPECT_EQ (midi.events[0].bytes[2], 0x40);
}

TEST (MidiFile, MalformedFilesAreRejected)
{
    auto track = [] (const Bytes& body) {
        Bytes file = header (0, 1, 96);
        addTrack (file, body);
        return file;
    };
    Bytes lying = header (0, 1, 96);
    lying.insert (lying.end (), {'M', 'T', 'r', 'k', 0, 0, 1, 0, 0x00});
    const std::pair<Bytes, const char*> cases[] = {
        {{'R', 'I', 'F', 'F'}, "not a standard MIDI file"},
        {track ({0x00, 0x90, 60}), ""}, // truncated event
        {track ({0x00, 60, 100}), "without a status"},
        {lying, ""}, // track longer than the file
    };
    for (const auto& [bytes, reason] : cases)
    {
        MidiFileContents midi;
        std::string error;
        EXPECT_FALSE (parseMidiFile (bytes, 44100.0, 120.0, midi, error)) << reason;
        EXPECT_NE (error.find (reason), std::string::npos) << error;
    }
    MidiFileContents midi;
    std::string error;
    EXPECT_FALSE (readMidiFile ("/nonexistent.mid", 44100.0, 120.0, midi, error));
}

} // namespace
} // namespace morlake
