// Helper of the LV2 bundle test:
//   morlake-lv2-testtool demo STEREO.wav FOUR.wav RATE
//     the demonstration input, stereo (for the VST 2.4 render) and with two
//     silent side channels (for lv2apply, which maps file channels to ports)
//   morlake-lv2-testtool norm-args PRESET
//     the preset's user parameters as morlake-render --set-norm options,
//     one word a line
//   morlake-lv2-testtool compare A.wav B.wav LIMIT_DB
//     largest difference in dBFS; exit 1 when above LIMIT_DB or the files
//     differ in shape, "identical" when every sample is the same bit pattern
#include "params/ParameterTable.h"
#include "presets/FactoryPresets.h"
#include "tools/render/DemoSignal.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool writeWav (const char* path, const std::vector<float>& interleaved, int channels, int rate)
{
    SF_INFO info {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open (path, SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    const sf_count_t frames = static_cast<sf_count_t> (interleaved.size ()) / channels;
    const bool ok = sf_writef_float (file, interleaved.data (), frames) == frames;
    sf_close (file);
    return ok;
}

bool readWav (const char* path, std::vector<float>& out, SF_INFO& info)
{
    info = {};
    SNDFILE* file = sf_open (path, SFM_READ, &info);
    if (file == nullptr)
        return false;
    out.resize (static_cast<std::size_t> (info.frames * info.channels));
    const bool ok = sf_readf_float (file, out.data (), info.frames) == info.frames;
    sf_close (file);
    return ok;
}

int demo (const char* stereoPath, const char* fourPath, int rate)
{
    const morlake::AudioBuffers demo = morlake::makeDemoSignal (rate);
    const std::size_t frames = demo[0].size ();
    std::vector<float> two (frames * 2), four (frames * 4, 0.0f);
    for (std::size_t i = 0; i < frames; ++i)
    {
        two[2 * i] = four[4 * i] = demo[0][i];
        two[2 * i + 1] = four[4 * i + 1] = demo[1][i];
    }
    if (! writeWav (stereoPath, two, 2, rate) || ! writeWav (fourPath, four, 4, rate))
    {
        std::fprintf (stderr, "cannot write the demonstration files\n");
        return 1;
    }
    return 0;
}

int normArgs (const char* preset)
{
    const int index = morlake::findFactoryPresetIgnoringCase (preset);
    if (index < 0)
    {
        std::fprintf (stderr, "no preset %s\n", preset);
        return 1;
    }
    const morlake::ParameterTable table;
    const morlake::PresetRow& row = morlake::factoryPreset (index);
    for (int t = 0; t < morlake::kNumParams; ++t)
        if (table.isUserParameter (t))
            std::printf ("--set-norm\n%s=%.9g\n", table.getName (t).c_str (),
                         static_cast<double> (row[static_cast<std::size_t> (t)]));
    return 0;
}

int compare (const char* pathA, const char* pathB, double limitDb)
{
    std::vector<float> a, b;
    SF_INFO infoA, infoB;
    if (! readWav (pathA, a, infoA) || ! readWav (pathB, b, infoB))
    {
        std::fprintf (stderr, "cannot read %s or %s\n", pathA, pathB);
        return 1;
    }
    if (infoA.channels != infoB.channels || infoA.frames != infoB.frames)
    {
        std::fprintf (stderr, "shapes differ: %d x %lld and %d x %lld\n", infoA.channels,
                      static_cast<long long> (infoA.frames), infoB.channels, static_cast<long long> (infoB.frames));
        return 1;
    }
    double peak = 0.0, diff = 0.0;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.size (); ++i)
    {
        peak = std::fmax (peak, std::fabs (a[i]));
        diff = std::fmax (diff, std::fabs (static_cast<double> (a[i]) - b[i]));
        differing += std::memcmp (&a[i], &b[i], sizeof (float)) != 0;
    }
    if (peak < 1e-4)
    {
        std::fprintf (stderr, "%s is silent\n", pathA);
        return 1;
    }
    if (differing == 0)
    {
        std::printf ("identical (%zu samples, peak %.1f dBFS)\n", a.size (), 20.0 * std::log10 (peak));
        return 0;
    }
    const double db = 20.0 * std::log10 (diff);
    std::printf ("%zu of %zu samples differ, largest difference %.1f dBFS\n", differing, a.size (), db);
    return db <= limitDb ? 0 : 1;
}

} // namespace

int main (int argc, char** argv)
{
    if (argc == 5 && std::strcmp (argv[1], "demo") == 0)
        return demo (argv[2], argv[3], std::atoi (argv[4]));
    if (argc == 3 && std::strcmp (argv[1], "norm-args") == 0)
        return normArgs (argv[2]);
    if (argc == 5 && std::strcmp (argv[1], "compare") == 0)
        return compare (argv[2], argv[3], std::atof (argv[4]));
    std::fprintf (stderr, "usage: morlake-lv2-testtool demo STEREO.wav FOUR.wav RATE | compare A.wav B.wav LIMIT_DB\n");
    return 2;
}
