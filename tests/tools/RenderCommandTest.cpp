// morlake-render and morlake-host run as commands against the gain probe.
#include "tests/platform/TempDir.h"

#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct CommandResult
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string quote (const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string ("'\\''") : std::string (1, c);
    return q + "'";
}

std::string slurp (const fs::path& p) { return morlake::test::readFileText (p.string ()); }

struct Audio
{
    int channels = 0;
    int rate = 0;
    int format = 0;
    std::vector<std::vector<float>> data;
    std::size_t frames () const { return data.empty () ? 0 : data[0].size (); }
};

void writeAudio (const fs::path& path, const Audio& a, int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT)
{
    SF_INFO info {};
    info.channels = a.channels;
    info.samplerate = a.rate;
    info.format = format;
    SNDFILE* f = sf_open (path.c_str (), SFM_WRITE, &info);
    ASSERT_NE (f, nullptr) << sf_strerror (nullptr);
    std::vector<float> interleaved;
    for (std::size_t i = 0; i < a.frames (); ++i)
        for (int c = 0; c < a.channels; ++c)
            interleaved.push_back (a.data[static_cast<std::size_t> (c)][i]);
    sf_writef_float (f, interleaved.data (), static_cast<sf_count_t> (a.frames ()));
    sf_close (f);
}

Audio readAudio (const fs::path& path)
{
    Audio a;
    SF_INFO info {};
    SNDFILE* f = sf_open (path.c_str (), SFM_READ, &info);
    if (f == nullptr)
        return a;
    a.channels = info.channels;
    a.rate = info.samplerate;
    a.format = info.format;
    std::vector<float> interleaved (static_cast<std::size_t> (info.frames * info.channels));
    sf_readf_float (f, interleaved.data (), info.frames);
    sf_close (f);
    a.data.assign (static_cast<std::size_t> (info.channels),
                   std::vector<float> (static_cast<std::size_t> (info.frames)));
    for (sf_count_t i = 0; i < info.frames; ++i)
        for (int c = 0; c < info.channels; ++c)
            a.data[static_cast<std::size_t> (c)][static_cast<std::size_t> (i)] =
                interleaved[static_cast<std::size_t> (i * info.channels + c)];
    return a;
}

Audio sine (int channels, int rate, double seconds, float amplitude = 0.5f)
{
    Audio a;
    a.channels = channels;
    a.rate = rate;
    const auto n = static_cast<std::size_t> (seconds * rate);
    a.data.assign (static_cast<std::size_t> (channels), std::vector<float> (n));
    for (std::size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            a.data[static_cast<std::size_t> (c)][i] =
                amplitude *
                static_cast<float> (std::sin (2.0 * M_PI * (220.0 + 110.0 * c) * static_cast<double> (i) / rate));
    return a;
}

class RenderCommand : public ::testing::Test
{
protected:
    morlake::test::TempDir scratch;
    fs::path dir = scratch.path;

    CommandResult run (const std::string& exe, const std::string& args)
    {
        const auto outFile = dir / "stdout.txt";
        const auto errFile = dir / "stderr.txt";
        const std::string cmd = "cd " + quote (dir.string ()) + " && " + quote (exe) + " " + args + " >" +
                                quote (outFile.string ()) + " 2>" + quote (errFile.string ());
        CommandResult r;
        const int raw = std::system (cmd.c_str ());
        r.status = WIFEXITED (raw) ? WEXITSTATUS (raw) : -1;
        r.out = slurp (outFile);
        r.err = slurp (errFile);
        fs::remove (outFile);
        fs::remove (errFile);
        return r;
    }

    CommandResult render (const std::string& args)
    {
        return run (MORLAKE_RENDER_EXE, "--plugin " + quote (TEST_GAIN_PLUGIN) + " " + args);
    }

    std::string path (const std::string& name) { return (dir / name).string (); }

    // Nothing but the files the test made itself: no output, no leftover temporaries.
    std::vector<std::string> files ()
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator (dir))
            names.push_back (e.path ().filename ().string ());
        std::sort (names.begin (), names.end ());
        return names;
    }

    void expectFailure (const std::string& args, const std::string& message)
    {
        const auto before = files ();
        const auto r = render (args);
        EXPECT_NE (r.status, 0) << args;
        EXPECT_EQ (r.err.rfind ("morlake-render: error: ", 0), 0u) << r.err;
        EXPECT_NE (r.err.find (message), std::string::npos) << "stderr: " << r.err;
        EXPECT_EQ (std::count (r.err.begin (), r.err.end (), '\n'), 1) << r.err;
        EXPECT_EQ (files (), before) << args;
    }
};

TEST_F (RenderCommand, RendersAFileAtItsOwnRate)
{
    const auto input = sine (2, 48000, 1.0);
    writeAudio (dir / "in.wav", input);
    const auto r = render ("in.wav out.wav");
    ASSERT_EQ (r.status, 0) << r.err;
    const auto out = readAudio (dir / "out.wav");
    EXPECT_EQ (out.channels, 2);
    EXPECT_EQ (out.rate, 48000);
    EXPECT_EQ (out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ (out.frames (), input.frames ()); // the probe leaves no tail
    for (int c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < out.frames (); ++i)
            ASSERT_EQ (out.data[static_cast<std::size_t> (c)][i], input.data[static_cast<std::size_t> (c)][i]);
    EXPECT_NE (r.out.find ("Rendered \"out.wav\": 1.00 s, 2 channels, 48000 Hz, 32-bit float WAV"), std::string::npos)
        << r.out;
    EXPECT_NE (r.out.find ("channel 1: peak -6.0 dBFS, RMS -9.0 dBFS"), std::string::npos) << r.out;
    EXPECT_NE (r.out.find ("Speed: "), std::string::npos);
    EXPECT_TRUE (r.err.empty ()) << "no progress bar when stderr is not a terminal: " << r.err;
}

TEST_F (RenderCommand, MonoFeedsBothChannelsAndOutputNamesPickTheFormat)
{
    writeAudio (dir / "mono.aiff", sine (1, 44100, 0.5), SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    ASSERT_EQ (render ("mono.aiff -o out.flac").status, 0);
    const auto out = readAudio (dir / "out.flac");
    EXPECT_EQ (out.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    ASSERT_EQ (out.frames (), 22050u);
    EXPECT_EQ (out.data[0], out.data[1]);

    ASSERT_EQ (render ("mono.aiff").status, 0);
    EXPECT_TRUE (fs::exists (dir / "mono-morlake.wav"));
}

TEST_F (RenderCommand, SameRenderTwiceAndAnyBlockSizeGiveTheSameSamples)
{
    writeAudio (dir / "in.wav", sine (2, 44100, 0.7));
    // "Echo Hall" leaves a decaying tail, so the tail cut is part of the check.
    ASSERT_EQ (render ("in.wav a.wav --preset 'echo hall'").status, 0);
    ASSERT_EQ (render ("in.wav b.wav --preset 'ECHO HALL'").status, 0);
    const auto a = readAudio (dir / "a.wav");
    EXPECT_EQ (a.data, readAudio (dir / "b.wav").data);
    // Feedback 0.45 every 50 ms takes about 0.6 s from -6 to -90 dBFS.
    EXPECT_GT (a.frames (), 30870u + 22050u);
    EXPECT_LT (a.frames (), 30870u + 44100u);
    // The last sample is the last one above -90 dBFS.
    const float threshold = std::pow (10.0f, -90.0f / 20.0f);
    EXPECT_GT (std::max (std::abs (a.data[0].back ()), std::abs (a.data[1].back ())), threshold);

    for (int block : {1, 100, 4096})
    {
        const auto name = "block" + std::to_string (block) + ".wav";
        ASSERT_EQ (render ("in.wav " + name + " --preset 2 --block " + std::to_string (block)).status, 0);
        EXPECT_EQ (readAudio (dir / name).data, a.data) << "block size " << block;
    }
}

TEST_F (RenderCommand, TailIsFixedOrCapped)
{
    writeAudio (dir / "in.wav", sine (2, 44100, 0.5));
    auto r = render ("in.wav fixed.wav --tail 0.25");
    ASSERT_EQ (r.status, 0) << r.err;
    EXPECT_EQ (readAudio (dir / "fixed.wav").frames (), 22050u + 11025u);
    EXPECT_NE (r.out.find ("Tail: 0.25 s (fixed)"), std::string::npos) << r.out;

    r = render ("in.wav capped.wav --set-norm Echo=1 --max-tail 1");
    ASSERT_EQ (r.status, 0) << r.err;
    EXPECT_EQ (readAudio (dir / "capped.wav").frames (), 22050u + 44100u);
    EXPECT_NE (r.out.find ("Tail: 1.00 s (cap reached"), std::string::npos) << r.out;
}

TEST_F (RenderCommand, ReportDrawsThePictureOfTheRender)
{
    writeAudio (dir / "in.wav", sine (2, 44100, 0.5));
    ASSERT_EQ (render ("in.wav out.wav --report tail.png").status, 0);
    const std::string png = slurp (dir / "tail.png");
    ASSERT_GT (png.size (), 24u);
    EXPECT_EQ (png.substr (1, 3), "PNG");
    auto byte = [&] (std::size_t at) { return static_cast<unsigned char> (png[at]); };
    auto word = [&] (std::size_t at) {
        return (byte (at) << 24) | (byte (at + 1) << 16) | (byte (at + 2) << 8) | byte (at + 3);
    };
    EXPECT_EQ (word (16), 960); // width and height of the IHDR chunk
    EXPECT_EQ (word (20), 400);

    const auto r = render ("in.wav out2.wav --report no/such/dir/tail.png");
    EXPECT_EQ (r.status, 1);
    EXPECT_NE (r.err.find ("cannot write no/such/dir/tail.png"), std::string::npos) << r.err;
}

TEST_F (RenderCommand, SideInputAndParameterSettings)
{
    const auto main = sine (2, 44100, 0.2, 0.25f);
    auto side = sine (1, 44100, 0.1, 0.125f);
    writeAudio (dir / "main.wav", main);
    writeAudio (dir / "side.wav", side);
    ASSERT_EQ (render ("main.wav sum.wav --side side.wav").status, 0);
    const auto sum = readAudio (dir / "sum.wav");
    ASSERT_EQ (sum.frames (), main.frames ());
    EXPECT_FLOAT_EQ (sum.data[1][100], main.data[1][100] + side.data[0][100]);
    EXPECT_FLOAT_EQ (sum.data[1][5000], main.data[1][5000]); // past the side file: silence

    ASSERT_EQ (render ("main.wav norm.wav --set-norm gain=0.25").status, 0);
    EXPECT_FLOAT_EQ (readAudio (dir / "norm.wav").data[0][300], 0.5f * main.data[0][300]);

    // Display units: the probe shows Gain in dB with two decimals.
    ASSERT_EQ (render ("main.wav db.wav --set 'Gain=-6.02'").status, 0);
    EXPECT_NEAR (readAudio (dir / "db.wav").data[0][300], 0.5f * main.data[0][300], 1e-3f);
    ASSERT_EQ (render ("main.wav off.wav --set 'GAIN=-inf' --set 'Echo=0'").status, 0);
    EXPECT_EQ (readAudio (dir / "off.wav").data[0][300], 0.0f);
}

TEST_F (RenderCommand, SavedChunkReproducesTheRender)
{
    writeAudio (dir / "in.wav", sine (2, 44100, 0.3));
    ASSERT_EQ (render ("in.wav first.wav --set-norm Gain=0.3 --set-norm Echo=0.4 --save-chunk state.chunk").status, 0);
    ASSERT_TRUE (fs::exists (dir / "state.chunk"));
    auto r = render ("in.wav second.wav --chunk state.chunk");
    ASSERT_EQ (r.status, 0) << r.err;
    const auto first = readAudio (dir / "first.wav");
    EXPECT_EQ (first.data, readAudio (dir / "second.wav").data);
    ASSERT_EQ (render ("in.wav plain.wav").status, 0);
    EXPECT_NE (first.data, readAudio (dir / "plain.wav").data);
}

TEST_F (RenderCommand, MidiFileEventsLandOnTheirFrames)
{
    writeAudio (dir / "silence.wav", sine (2, 44100, 1.0, 0.0f));
    // One note-on at 0.5 s (120 BPM default, 96 ticks per quarter: one quarter).
    const std::vector<unsigned char> smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6,    0,    0,  0,   1,    0,    96,   'M',
                                            'T', 'r', 'k', 0,   0, 0, 8, 0x60, 0x90, 60, 127, 0x00, 0xFF, 0x2F, 0x00};
    std::ofstream (dir / "click.mid", std::ios::binary)
        .write (reinterpret_cast<const char*> (smf.data ()), static_cast<std::streamsize> (smf.size ()));
    ASSERT_EQ (render ("silence.wav out.wav --midi click.mid --block 300").status, 0);
    const auto out = readAudio (dir / "out.wav");
    std::vector<std::size_t> clicks;
    for (std::size_t i = 0; i < out.frames (); ++i)
        if (out.data[0][i] != 0.0f)
            clicks.push_back (i);
    EXPECT_EQ (clicks, std::vector<std::size_t> {22050});
}

TEST_F (RenderCommand, ListingsAndTheDemoSignal)
{
    auto r = render ("--list-presets");
    ASSERT_EQ (r.status, 0);
    EXPECT_EQ (r.out, "  0  Unity\n  1  Quiet\n  2  Echo Hall\n");
    r = render ("--preset quiet --list-params");
    ASSERT_EQ (r.status, 0);
    EXPECT_NE (r.out.find ("    0  Gain                      -6.02                     dB  (0.2500)"),
               std::string::npos)
        << r.out;
    EXPECT_NE (r.out.find ("    1  Echo"), std::string::npos) << r.out;
    EXPECT_TRUE (files ().empty ());

    // Without an input the demonstration signal is rendered.
    r = render ("--rate 48000");
    ASSERT_EQ (r.status, 0) << r.err;
    const auto out = readAudio (dir / "morlake-demo.wav");
    EXPECT_EQ (out.rate, 48000);
    EXPECT_EQ (out.frames (), 6u * 48000u);
    for (const auto& ch : out.data)
        EXPECT_TRUE (std::all_of (ch.begin (), ch.end (), [] (float v) { return std::isfinite (v); }));
}

TEST_F (RenderCommand, BadInputFailsCleanly)
{
    writeAudio (dir / "in.wav", sine (2, 44100, 0.1));
    writeAudio (dir / "three.wav", sine (3, 44100, 0.1));
    writeAudio (dir / "fast.wav", sine (2, 96000, 0.1));
    std::ofstream (dir / "text.wav") << "this is not audio\n";
    std::ofstream (dir / "bad.chunk") << "garbage";

    expectFailure ("missing.wav out.wav", "input file \"missing.wav\" does not exist");
    expectFailure ("text.wav out.wav", "cannot read \"text.wav\"");
    expectFailure ("three.wav out.wav", "only mono and stereo");
    expectFailure ("in.wav out.mp3", "unsupported output format");
    expectFailure ("in.wav out.wav --side fast.wav", "96000 Hz");
    expectFailure ("in.wav out.wav --preset 'Echo Hal'", "unknown preset \"Echo Hal\"; close names: \"Echo Hall\"");
    expectFailure ("in.wav out.wav --preset 3", "preset index 3 is out of range (0..2)");
    expectFailure ("in.wav out.wav --set-norm Gian=0.5", "unknown parameter \"Gian\"; close names: \"Gain\"");
    expectFailure ("in.wav out.wav --set-norm Gain=1.5", "value 1.5 for \"Gain\" is outside 0..1");
    expectFailure ("in.wav out.wav --set-norm Gain=loud", "is not a number");
    expectFailure ("in.wav out.wav --set Gain=+20", "value +20 for \"Gain\" is outside the range");
    expectFailure ("in.wav out.wav --set Gain", "is not of the form PARAM=VALUE");
    expectFailure ("in.wav out.wav --chunk nothing.chunk", "does not exist");
    expectFailure ("in.wav out.wav --chunk bad.chunk", "rejected the chunk");
    expectFailure ("in.wav out.wav --midi in.wav", "not a standard MIDI file");
    expectFailure ("in.wav out.wav --block 0", "--block");
    expectFailure ("in.wav out.wav --frobnicate", "unknown option");

    // A failed render keeps an existing output.
    std::ofstream (dir / "out.wav") << "precious";
    EXPECT_NE (render ("in.wav out.wav --set-norm Nope=1").status, 0);
    EXPECT_EQ (slurp (dir / "out.wav"), "precious");
}

TEST_F (RenderCommand, InterruptedRenderLeavesNoFile)
{
    writeAudio (dir / "in.wav", sine (2, 44100, 0.1));
    const pid_t child = fork ();
    ASSERT_GE (child, 0);
    if (child == 0)
    {
        if (chdir (dir.c_str ()) != 0)
            _exit (99);
        freopen ("/dev/null", "w", stdout);
        freopen ("/dev/null", "w", stderr);
        // An hour of tail: far longer than the test waits.
        execl (MORLAKE_RENDER_EXE, MORLAKE_RENDER_EXE, "--plugin", TEST_GAIN_PLUGIN, "in.wav", "out.wav", "--tail",
               "3600", static_cast<char*> (nullptr));
        _exit (98);
    }
    const auto temporary = "." + std::string ("out.wav") + ".part-" + std::to_string (child);
    for (int i = 0; i < 100 && ! fs::exists (dir / temporary); ++i)
        std::this_thread::sleep_for (std::chrono::milliseconds (20));
    EXPECT_TRUE (fs::exists (dir / temporary)) << "the render writes to a temporary name";
    kill (child, SIGINT);
    int status = 0;
    ASSERT_EQ (waitpid (child, &status, 0), child);
    ASSERT_TRUE (WIFEXITED (status));
    EXPECT_EQ (WEXITSTATUS (status), 1);
    EXPECT_EQ (files (), std::vector<std::string> {"in.wav"});
}

TEST_F (RenderCommand, HostInfo)
{
    auto r = run (MORLAKE_HOST_EXE, "--info " + quote (TEST_GAIN_PLUGIN) + " --host-product REAPER");
    ASSERT_EQ (r.status, 0) << r.err;
    for (const char* line : {"Host:             \"REAPER\" / \"Aldermoor\"", "Unique ID:        MlTg (0x4d6c5467)",
                             "Version:          3", "Effect name:      Test Gain", "Vendor version:   7",
                             "Inputs, outputs:  4, 2", "Flags:            0x30 canReplacing programChunks",
                             "  4in2out                  yes (1)", "  offline                  no  (-1)",
                             "  3  \"Gain In 4\"              active stereo", "    0  \"Gain\"", "\"0.00\"", "\"dB\""})
        EXPECT_NE (r.out.find (line), std::string::npos) << line << "\n" << r.out;

    r = run (MORLAKE_HOST_EXE, "--info " + quote (TEST_NOENTRY_PLUGIN));
    EXPECT_EQ (r.status, 1);
    EXPECT_EQ (r.err.rfind ("morlake-host: error: ", 0), 0u) << r.err;
    EXPECT_EQ (std::count (r.err.begin (), r.err.end (), '\n'), 1);
    EXPECT_TRUE (r.out.empty ());
}

} // namespace
