// Renders what the sound report measures: an impulse response and a steady
// sine, through any VST 2.4 plug-in with a preset and settings applied.
#pragma once

#include "tools/render/Renderer.h"

#include <string>
#include <vector>

namespace morlake::sound {

struct ReportRequest
{
    std::string pluginPath;
    std::string preset;                           // name or index; empty keeps the plug-in's own
    std::vector<ParameterAssignment> assignments; // after the preset
    double rate = 48000.0;
    double seconds = 8.0; // impulse response length
    int blockSize = 512;
};

// Morlake is run all wet ("Wet/Dry Mix" at its top); other plug-ins as their
// settings leave them. Silence first, so presets and smoothers settle.
bool renderImpulse (const ReportRequest& r, AudioBuffers& out, std::string& error);

// A 440 Hz sine at levelDb; with sweep named, that parameter moves in a
// triangle between 0.4 and 0.8 (normalised) every 4 seconds, set each 64
// samples as a host automates. The settled part only.
bool renderSine (const ReportRequest& r, double levelDb, const std::string& sweep, AudioBuffers& out,
                 std::string& error);

} // namespace morlake::sound
