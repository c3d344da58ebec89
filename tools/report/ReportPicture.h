// The picture of a reverb's tail: energy decay per octave band beside a
// spectrogram, the measured figures above them, as a PNG.
#pragma once

#include "tools/report/SoundMeasures.h"

#include <span>
#include <string>

namespace morlake::sound {

// False and a one-line reason when the file cannot be written.
bool drawReport (const std::string& path, const std::string& title, std::span<const float> left,
                 std::span<const float> right, double rate, const ImpulseMeasures& m, std::string& error);

// "T30 2.41 s  mixed 38 ms  flatness -3.1 dB  corr 0.05", the figures in one line.
std::string summaryLine (const ImpulseMeasures& m);

} // namespace morlake::sound
