// Sample-rate changes from the user-interface thread while the audio thread
// processes without pause. Meant for the ThreadSanitizer build too.
#include "tests/common/PluginRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace morlake;
using namespace morlake::plugintest;

namespace {

constexpr int kBlock = 256;

struct AudioThread
{
    APlugin& plugin;
    std::atomic<bool> stop {false};
    std::atomic<long> blocks {0};
    std::atomic<long> badBlocks {0};
    std::atomic<long> loudBlocks {0}; // blocks with sound, counted once the loads are over
    std::atomic<bool> countLoud {false};
    std::thread thread;

    explicit AudioThread (APlugin& p) : plugin (p)
    {
        thread = std::thread ([this] { run (); });
    }
    ~AudioThread ()
    {
        stop = true;
        thread.join ();
    }

    void run ()
    {
        Input in (44100);
        addNoise (in, 0, in.size (), 0.3f, 5);
        std::vector<float> left (kBlock), right (kBlock);
        std::size_t at = 0;
        while (! stop.load (std::memory_order_relaxed))
        {
            if (at + kBlock > in.size ())
                at = 0;
            float* inputs[4];
            for (int c = 0; c < 4; ++c)
                inputs[c] = in.channel[c].data () + at;
            float* outputs[2] = {left.data (), right.data ()};
            plugin.processReplacing (inputs, outputs, kBlock);
            at += kBlock;

            float loudest = 0.0f;
            bool sound = true;
            for (int i = 0; i < kBlock; ++i)
            {
                sound = sound && std::isfinite (left[i]) && std::isfinite (right[i]);
                loudest = std::max ({loudest, std::fabs (left[i]), std::fabs (right[i])});
            }
            if (! sound || loudest > 0.999f)
                badBlocks.fetch_add (1, std::memory_order_relaxed);
            if (countLoud.load (std::memory_order_relaxed) && loudest > 1e-3f)
                loudBlocks.fetch_add (1, std::memory_order_relaxed);
            blocks.fetch_add (1, std::memory_order_relaxed);
        }
    }

    void waitBlocks (long n)
    {
        const long until = blocks.load () + n;
        while (blocks.load () < until)
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
    }

    // Nothing bad so far, and the sound is back for (nearly) every block.
    void expectSoundReturns ()
    {
        countLoud = true;
        waitBlocks (100);
        EXPECT_EQ (badBlocks.load (), 0);
        EXPECT_GT (loudBlocks.load (), 90);
    }
};

} // namespace

TEST (ChainThreads, SampleRateChangesWhileAudioRuns)
{
    auto p = makePlugin (44100.0f);
    AudioThread audio (*p);
    for (float rate : {48000.0f, 8000.0f, 96000.0f, 22050.0f, 44100.0f})
    {
        audio.waitBlocks (4);
        p->setSampleRate (rate);
    }
    audio.expectSoundReturns ();
}
