// morlake-render: one plug-in instance run over a file (or the demo signal)
// with the host state the options ask for.
#pragma once

#include "tools/harness/FactoryPresets.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace morlake {

struct ParameterAssignment
{
    std::string parameter;
    std::string value;
    bool normalised = false; // --set-norm; otherwise display units (--set)
};

struct RenderOptions
{
    std::string pluginPath;
    std::string input; // empty: the demo signal
    std::string side;
    std::string output;                           // empty: derived from the input name
    std::string preset;                           // name or index, empty for none
    std::vector<ParameterAssignment> assignments; // applied in order, after chunk and preset
    std::string chunkIn;
    std::string chunkOut;
    std::string midi;
    std::string reportPicture; // PNG of the output's decay and spectrogram, empty for none
    std::string hostProduct = kToolHostProduct;
    std::string hostVendor = kToolHostVendor;
    double tailSeconds = -1.0; // < 0: until the output stays below the threshold
    double maxTailSeconds = 60.0;
    double thresholdDb = -90.0;
    double quietWindowSeconds = 0.2;
    int blockSize = 512;
    double tempo = 120.0;
    double demoSampleRate = 44100.0;
    bool listPresets = false;
    bool listParams = false;
    bool quiet = false;    // no summary
    bool progress = false; // progress bar on stderr
};

std::string defaultOutputName (const std::string& input);

// Runs everything the options ask for. False and a one-line reason on any
// failure; no output file exists under the requested name then.
bool runRender (const RenderOptions& options, std::ostream& out, std::string& error);

// Factory preset (Morlake) or program (any plug-in) by name or index, and one
// parameter assignment. False and a one-line reason when there is none such.
bool applyPreset (HostedPlugin& plugin, const std::string& preset, std::string& error);
bool applyAssignment (HostedPlugin& plugin, const ParameterAssignment& a, std::string& error);

// Set from a signal handler: the render stops and cleans up.
void requestRenderStop ();

} // namespace morlake
