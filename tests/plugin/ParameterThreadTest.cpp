// The audio and the user-interface thread enter the instance at once: values,
// texts and program loads must be free of data races (run under TSan in CI).
#include "FakeHost.h"
#include "plugin/APlugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

using namespace morlake;
using test::FakeHost;

TEST (ParameterThreads, SettersTextsAndProgramLoadsRaceFree)
{
    FakeHost::reset ();
    APlugin plugin (FakeHost::callback, nullptr, test::memoryPrefs ());
    std::atomic<bool> stop {false};

    std::thread audio ([&] {
        std::vector<float> in (4 * 64, 0.25f), out (2 * 64);
        float* inputs[4] = {&in[0], &in[64], &in[128], &in[192]};
        float* outputs[2] = {&out[0], &out[64]};
        for (int block = 0; block < 3000; ++block)
        {
            for (int t = 1; t < 80; ++t)
                plugin.setParameter (t, static_cast<float> ((block + t) % 100) / 100.0f);
            plugin.processReplacing (inputs, outputs, 64);
            for (float v : out)
                ASSERT_TRUE (std::isfinite (v));
        }
        stop = true;
    });

    char text[64];
    int rounds = 0;
    while (! stop)
    {
        for (int t = 0; t < kNumParams; t += 7)
        {
            plugin.setParameterAutomated (t, 0.5f);
            plugin.getParameterDisplay (t, text);
            plugin.getParameter (t);
        }
        plugin.setDemoProgram (rounds % 57);
        plugin.changeDelta (27, 1);
        ++rounds;
    }
    audio.join ();
    EXPECT_GT (rounds, 0);
}
