// Sample-rate changes from the user-interface thread while the audio thread
// processes without pause. Meant for the ThreadSanitizer build too.
#include "tests/common/PluginRun.h"

#include <gtest/gtest.h>

using namespace morlake;
using namespace morlake::plugintest;

TEST (ChainThreads, SampleRateChangesWhileAudioRuns)
{
    auto p = makePlugin (44100.0f);
    std::atomic<long> badBlocks {0}, loudBlocks {0};
    std::atomic<bool> countLoud {false};
    Input in (44100);
    addNoise (in, 0, in.size (), 0.3f, 5);
    AudioThread audio (*p, std::move (in), 256, [&] (const float* left, const float* right, int frames) {
        float loudest = 0.0f;
        bool finite = true;
        for (int i = 0; i < frames; ++i)
        {
            finite = finite && std::isfinite (left[i]) && std::isfinite (right[i]);
            loudest = std::max ({loudest, std::fabs (left[i]), std::fabs (right[i])});
        }
        if (! finite || loudest > 0.999f)
            badBlocks.fetch_add (1, std::memory_order_relaxed);
        if (countLoud.load (std::memory_order_relaxed) && loudest > 1e-3f)
            loudBlocks.fetch_add (1, std::memory_order_relaxed);
    });
    for (float rate : {48000.0f, 8000.0f, 96000.0f, 22050.0f, 44100.0f})
    {
        audio.waitBlocks (4);
        p->setSampleRate (rate);
    }
    // Nothing bad so far, and the sound is back for (nearly) every block.
    countLoud = true;
    audio.waitBlocks (100);
    EXPECT_EQ (badBlocks.load (), 0);
    EXPECT_GT (loudBlocks.load (), 90);
}
