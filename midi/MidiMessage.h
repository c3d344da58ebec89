// One MIDI channel message as the MIDI object sees it, whatever host format
// it arrived in.
#pragma once

namespace morlake {

struct MidiMessage
{
    int deltaFrames = 0; // samples from the start of the block it arrived with
    unsigned char status = 0;
    unsigned char data1 = 0; // 0..127
    unsigned char data2 = 0; // 0..127
};

} // namespace morlake
