// The signal morlake-render plays when it is given no input: two bars of
// drums and a held chord, so the reverb has hits and a sustained sound to
// work on.
#pragma once

#include "tools/harness/HostedPlugin.h"

namespace morlake {

constexpr double kDemoSeconds = 6.0;
constexpr float kDemoPeak = 0.5f; // −6 dBFS

AudioBuffers makeDemoSignal (double sampleRate); // stereo, kDemoSeconds long, same every call

} // namespace morlake
