// morlake-report: the sound of presets, measured from their impulse
// responses, as a Markdown table and one picture a preset.
#include "tools/harness/DefaultPlugin.h"
#include "tools/harness/FactoryPresets.h"
#include "tools/report/ReportPicture.h"
#include "tools/report/ReportRun.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

constexpr const char* kUsage = R"(usage: morlake-report [options]

Measures impulse responses rendered at 48 kHz (all wet for Morlake) and
prints one Markdown table row a preset: T30 broadband and at 125 Hz, 1 kHz
and 8 kHz, mixing time (echo density 0.9 after the first arrival), late-tail
spectral flatness (1/3-octave bands 125 Hz .. 8 kHz, decay removed; white
noise about -2.5 dB), the strongest narrow line, inter-channel correlation
and balance of the late tail.

      --plugin PATH        plug-in module (default: the installed Morlake bundle,
                           else the one of this build)
      --preset NAME|INDEX  a preset or program (repeatable; default: the plug-in as loaded)
      --all-presets        every factory preset of Morlake
      --set PARAM=VALUE    parameter in display units, after the preset (repeatable)
      --set-norm PARAM=V   parameter as a normalised value 0..1
      --rate HZ            sample rate (default 48000)
      --length SECONDS     impulse response length (default 8)
      --png DIR            one picture a preset into DIR
      --sine               also the residue above 4 kHz of a 440 Hz sine,
                           steady and with --sweep moving (default "Reverb Length")
      --sweep PARAM        the parameter the sine test sweeps ("" for none)
      --sine-level DB      level of the sine (default -12 dBFS)
      --label TEXT         row name when no preset is given
  -o, --output FILE        the table (default: standard output)
  -h, --help               this text
)";

std::string fileNameFor (std::string name)
{
    for (char& c : name)
        if (! std::isalnum (static_cast<unsigned char> (c)))
            c = '-';
    return name + ".png";
}

std::string number (const char* f, double v)
{
    if (! std::isfinite (v))
        return v > 0 ? "never" : "-";
    char buffer[32];
    std::snprintf (buffer, sizeof buffer, f, v);
    return buffer;
}

} // namespace

int main (int argc, char** argv)
{
    morlake::sound::ReportRequest request;
    request.pluginPath = morlake::defaultPluginPath ();
    std::vector<std::string> presets;
    bool allPresets = false, sine = false;
    std::string sweep = "Reverb Length", pngDir, output, label;
    double sineLevel = -12.0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&] () -> std::string {
            if (i + 1 >= argc)
            {
                std::fprintf (stderr, "morlake-report: error: option %s needs a value\n", arg.c_str ());
                std::exit (2);
            }
            return argv[++i];
        };
        auto assignment = [&] (bool normalised) {
            const std::string v = value ();
            const auto eq = v.rfind ('=');
            if (eq == std::string::npos || eq == 0)
            {
                std::fprintf (stderr, "morlake-report: error: \"%s\" is not PARAM=VALUE\n", v.c_str ());
                std::exit (2);
            }
            request.assignments.push_back ({v.substr (0, eq), v.substr (eq + 1), normalised});
        };
        if (arg == "-h" || arg == "--help")
        {
            std::fputs (kUsage, stdout);
            return 0;
        }
        else if (arg == "--plugin")
            request.pluginPath = value ();
        else if (arg == "--preset")
            presets.push_back (value ());
        else if (arg == "--all-presets")
            allPresets = true;
        else if (arg == "--set" || arg == "--set-norm")
            assignment (arg == "--set-norm");
        else if (arg == "--rate")
            request.rate = std::atof (value ().c_str ());
        else if (arg == "--length")
            request.seconds = std::atof (value ().c_str ());
        else if (arg == "--png")
            pngDir = value ();
        else if (arg == "--sine")
            sine = true;
        else if (arg == "--sweep")
            sweep = value ();
        else if (arg == "--sine-level")
            sineLevel = std::atof (value ().c_str ());
        else if (arg == "--label")
            label = value ();
        else if (arg == "-o" || arg == "--output")
            output = value ();
        else
        {
            std::fprintf (stderr, "morlake-report: error: unknown option \"%s\" (see --help)\n", arg.c_str ());
            return 2;
        }
    }
    if (! (request.rate >= 8000.0 && request.rate <= 384000.0) ||
        ! (request.seconds >= 0.5 && request.seconds <= 120.0))
    {
        std::fprintf (stderr, "morlake-report: error: --rate 8000..384000 and --length 0.5..120\n");
        return 2;
    }
    if (allPresets)
        for (const auto& name : morlake::factoryPresetNames ())
            presets.push_back (name);
    if (presets.empty ())
        presets.push_back ("");
    if (! pngDir.empty ())
        std::filesystem::create_directories (pngDir);

    std::ostringstream table;
    table << "| Preset | T30 s | 125 Hz | 1 kHz | 8 kHz | mixing ms | density | flatness dB | line | corr | L/R dB |"
          << (sine ? " sine dB | swept dB |" : "") << '\n'
          << "|---|---|---|---|---|---|---|---|---|---|---|" << (sine ? "---|---|" : "") << '\n';
    for (const auto& preset : presets)
    {
        request.preset = preset;
        const std::string name = ! preset.empty () ? preset : (! label.empty () ? label : request.pluginPath);
        std::string error;
        morlake::AudioBuffers ir;
        if (! morlake::sound::renderImpulse (request, ir, error))
        {
            std::fprintf (stderr, "morlake-report: error: %s\n", error.c_str ());
            return 1;
        }
        const auto m = morlake::sound::measureImpulse (ir[0], ir[1], request.rate);
        table << "| " << name << " | " << number ("%.2f", m.t30) << " | " << number ("%.2f", m.t30Band[0]) << " | "
              << number ("%.2f", m.t30Band[3]) << " | " << number ("%.2f", m.t30Band[6]) << " | "
              << number ("%.0f", 1000.0 * m.mixingTime) << " | " << number ("%.2f", m.lateDensity) << " | "
              << number ("%.1f", m.tail.flatnessDb) << " | " << number ("%.0f Hz", m.tail.lineHz)
              << number (" +%.0f", m.tail.lineDb) << " | " << number ("%.2f", m.tail.correlation) << " | "
              << number ("%+.1f", m.tail.balanceDb) << " |";
        if (sine)
        {
            auto residue = [&] (const std::string& swept) {
                morlake::AudioBuffers out;
                auto r = request;
                r.seconds = 2.8;
                if (! morlake::sound::renderSine (r, sineLevel, swept, out, error))
                {
                    std::fprintf (stderr, "morlake-report: error: %s\n", error.c_str ());
                    std::exit (1);
                }
                return morlake::sound::sineResidueDb (out[0], out[1], request.rate);
            };
            table << ' ' << number ("%.0f", residue ("")) << " | "
                  << (sweep.empty () ? "-" : number ("%.0f", residue (sweep))) << " |";
        }
        table << '\n';
        std::cerr << name << ": " << morlake::sound::summaryLine (m) << '\n';
        if (! pngDir.empty () &&
            ! morlake::sound::drawReport ((std::filesystem::path (pngDir) / fileNameFor (name)).string (), name, ir[0],
                                          ir[1], request.rate, m, error))
        {
            std::fprintf (stderr, "morlake-report: error: %s\n", error.c_str ());
            return 1;
        }
    }
    if (output.empty ())
        std::cout << table.str ();
    else
        std::ofstream (output) << table.str ();
    return 0;
}
