// Marks the thread running the audio callback, so code that would block or
// open windows can refuse to run there.
#pragma once

namespace morlake {

bool isAudioThread ();

class AudioThreadScope
{
public:
    AudioThreadScope ();
    ~AudioThreadScope ();
    AudioThreadScope (const AudioThreadScope&) = delete;
    AudioThreadScope& operator= (const AudioThreadScope&) = delete;

private:
    bool previous;
};

} // namespace morlake
