// morlake-render: renders an audio file (or a built-in demonstration) through
// a VST 2.4 plug-in, by default the Morlake bundle of this build.
#include "tools/harness/DefaultPlugin.h"
#include "tools/render/Renderer.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr const char* kUsage = R"(usage: morlake-render [options] [INPUT [OUTPUT]]

Renders INPUT (WAV, AIFF or FLAC, mono or stereo, at its own sample rate)
through the plug-in into OUTPUT (32-bit float WAV unless the name asks for
.aiff, .flac, .caf or .w64). Without INPUT a built-in demonstration of drums
and a chord is rendered to morlake-demo.wav.

  -o, --output FILE        output file (default: INPUT-morlake.wav)
      --side FILE          side input (channels 3 and 4; silence otherwise)
      --plugin PATH        plug-in module (default: the installed Morlake bundle,
                           else the one of this build); a .clap runs as CLAP
      --preset NAME|INDEX  factory preset (case-insensitive name)
      --set PARAM=VALUE    parameter in its display units, e.g. --set "Reverb Length=2.5"
      --set-norm PARAM=V   parameter as a normalised value 0..1
      --chunk FILE         load a saved plug-in state first
      --save-chunk FILE    save the state the render starts from
      --midi FILE          standard MIDI file played along
      --report FILE.png    picture of the output: decay per octave band, spectrogram
      --tail SECONDS       fixed tail after the input (default: until below -90 dBFS)
      --max-tail SECONDS   longest automatic tail (default 60)
      --block N            block size (default 512)
      --tempo BPM          host tempo (default 120)
      --rate HZ            sample rate of the demonstration (default 44100)
      --host-product S     host product string the plug-in sees (default AL-KILNCAST)
      --host-vendor S      host vendor string (default Aldermoor)
      --list-presets       list the presets and exit
      --list-params        list parameters with their current texts and exit
  -q, --quiet              no summary
  -h, --help               this text
)";

void onSignal (int) { morlake::requestRenderStop (); }

struct Parser
{
    int argc;
    char** argv;
    int i = 1;
    std::string error;

    // "--name VALUE" or "--name=VALUE"
    std::optional<std::string> value (const std::string& arg, const std::string& name)
    {
        if (arg.rfind (name + "=", 0) == 0)
            return arg.substr (name.size () + 1);
        if (arg != name)
            return std::nullopt;
        if (i + 1 >= argc)
        {
            error = "option " + name + " needs a value";
            return std::nullopt;
        }
        return std::string (argv[++i]);
    }
};

bool parseNumber (const std::string& text, double lo, double hi, const char* option, double& out, std::string& error)
{
    char* end = nullptr;
    const double v = std::strtod (text.c_str (), &end);
    if (text.empty () || *end != '\0' || ! (v >= lo && v <= hi))
    {
        error = std::string ("option ") + option + " needs a number from " +
                std::to_string (static_cast<long long> (lo)) + " to " + std::to_string (static_cast<long long> (hi)) +
                ", not \"" + text + "\"";
        return false;
    }
    out = v;
    return true;
}

bool splitAssignment (const std::string& text, bool normalised, morlake::ParameterAssignment& a, std::string& error)
{
    const auto eq = text.rfind ('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size ())
    {
        error = "\"" + text + "\" is not of the form PARAM=VALUE";
        return false;
    }
    a.parameter = text.substr (0, eq);
    a.value = text.substr (eq + 1);
    a.normalised = normalised;
    return true;
}

bool parseOptions (int argc, char** argv, morlake::RenderOptions& o, bool& help, std::string& error)
{
    Parser p {argc, argv, 1, {}};
    std::vector<std::string> positional;
    for (; p.i < argc; ++p.i)
    {
        const std::string arg = argv[p.i];
        std::optional<std::string> v;
        double number = 0.0;
        auto numeric = [&] (double lo, double hi, const char* name) {
            return parseNumber (*v, lo, hi, name, number, error);
        };
        if (arg == "-h" || arg == "--help")
            help = true;
        else if (arg == "-q" || arg == "--quiet")
            o.quiet = true;
        else if (arg == "--list-presets")
            o.listPresets = true;
        else if (arg == "--list-params")
            o.listParams = true;
        else if ((v = p.value (arg, "-o")) || (v = p.value (arg, "--output")))
            o.output = *v;
        else if ((v = p.value (arg, "--side")))
            o.side = *v;
        else if ((v = p.value (arg, "--plugin")))
            o.pluginPath = *v;
        else if ((v = p.value (arg, "--preset")))
            o.preset = *v;
        else if ((v = p.value (arg, "--set")) || (v = p.value (arg, "--set-norm")))
        {
            morlake::ParameterAssignment a;
            if (! splitAssignment (*v, arg.rfind ("--set-norm", 0) == 0, a, error))
                return false;
            o.assignments.push_back (a);
        }
        else if ((v = p.value (arg, "--chunk")))
            o.chunkIn = *v;
        else if ((v = p.value (arg, "--report")))
            o.reportPicture = *v;
        else if ((v = p.value (arg, "--save-chunk")))
            o.chunkOut = *v;
        else if ((v = p.value (arg, "--midi")))
            o.midi = *v;
        else if ((v = p.value (arg, "--host-product")))
            o.hostProduct = *v;
        else if ((v = p.value (arg, "--host-vendor")))
            o.hostVendor = *v;
        else if ((v = p.value (arg, "--tail")))
        {
            if (! numeric (0, 3600, "--tail"))
                return false;
            o.tailSeconds = number;
        }
        else if ((v = p.value (arg, "--max-tail")))
        {
            if (! numeric (0, 3600, "--max-tail"))
                return false;
            o.maxTailSeconds = number;
        }
        else if ((v = p.value (arg, "--block")))
        {
            if (! numeric (1, 65536, "--block") || number != static_cast<int> (number))
            {
                error = "option --block needs a whole number from 1 to 65536, not \"" + *v + "\"";
                return false;
            }
            o.blockSize = static_cast<int> (number);
        }
        else if ((v = p.value (arg, "--tempo")))
        {
            if (! numeric (1, 999, "--tempo"))
                return false;
            o.tempo = number;
        }
        else if ((v = p.value (arg, "--rate")))
        {
            if (! numeric (8000, 384000, "--rate"))
                return false;
            o.demoSampleRate = number;
        }
        else if (! p.error.empty ())
            break;
        else if (arg.size () > 1 && arg[0] == '-')
        {
            error = "unknown option \"" + arg + "\" (see --help)";
            return false;
        }
        else
            positional.push_back (arg);
        if (! p.error.empty ())
            break;
    }
    if (! p.error.empty ())
    {
        error = p.error;
        return false;
    }
    if (positional.size () > 2 || (positional.size () == 2 && ! o.output.empty ()))
    {
        error = "too many file names (see --help)";
        return false;
    }
    if (! positional.empty ())
        o.input = positional[0];
    if (positional.size () == 2)
        o.output = positional[1];
    if (! o.chunkIn.empty () && ! o.preset.empty ())
    {
        error = "--chunk and --preset both set the whole state; give one of them";
        return false;
    }
    return true;
}

} // namespace

int main (int argc, char** argv)
{
    morlake::RenderOptions options;
    options.pluginPath = morlake::defaultPluginPath ();
    bool help = false;
    std::string error;
    if (! parseOptions (argc, argv, options, help, error))
    {
        std::fprintf (stderr, "morlake-render: error: %s\n", error.c_str ());
        return 2;
    }
    if (help)
    {
        std::fputs (kUsage, stdout);
        return 0;
    }
    options.progress = isatty (STDERR_FILENO) != 0;

    std::signal (SIGINT, onSignal);
    std::signal (SIGTERM, onSignal);
    if (! morlake::runRender (options, std::cout, error))
    {
        std::cout.flush ();
        std::fprintf (stderr, "morlake-render: error: %s\n", error.c_str ());
        return 1;
    }
    return 0;
}
