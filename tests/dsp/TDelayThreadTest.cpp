// Resets and re-initialisation arriving from another thread while the audio
// thread processes. Meant to run under ThreadSanitizer as well.
#include "dsp/TDelay.h"
#include "tests/dsp/DspTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace morlake {
namespace {

// Calls `audio` over and over on a thread of its own while `control` runs here.
template <typename Audio, typename Control>
void whileAudioRuns(Audio audio, Control control)
{
    std::atomic<bool> stop{false};
    std::thread thread([&] {
        while (!stop.load(std::memory_order_relaxed))
            audio();
    });
    control();
    stop.store(true, std::memory_order_relaxed);
    thread.join();
}

// Resets the line `rounds` times, `pause` apart, and every hundredth time
// initialises it again at `rate`.
void resetRepeatedly(TDelay& d, int rounds, float rate, float reserve, std::chrono::microseconds pause)
{
    for (int k = 0; k < rounds; ++k)
    {
        d.zero();
        if (k % 100 == 50)
            d.init(rate, reserve);
        std::this_thread::sleep_for(pause);
    }
}

TEST(TDelayThreads, ResetFromAnotherThreadWhileProcessing)
{
    TDelay d;
    d.init(48000.0f, 0.1f);
    std::atomic<long> processed{0};
    std::atomic<bool> outOfRange{false};
    whileAudioRuns(
        [&] {
            // Like the signal chain: gains and length every sample.
            const long i = processed.load(std::memory_order_relaxed);
            d.setFeed(0.6f);
            d.setCross(0.3f);
            d.setDelayLenDirect(200.0f + float(i % 300), 260.0f);
            float l, r;
            const float x = 0.9f * std::sin(0.01f * float(i));
            d.process(x, -x, l, r);
            if (!(std::fabs(l) <= 1.0f) || !(std::fabs(r) <= 1.0f))
                outOfRange.store(true, std::memory_order_relaxed);
            (void)d.isReadingLeft();
            processed.store(i + 1, std::memory_order_relaxed);
        },
        [&] {
            resetRepeatedly(d, 200, 44100.0f, 0.1f, std::chrono::microseconds(200));
            resetRepeatedly(d, 200, 48000.0f, 0.1f, std::chrono::microseconds(200));
        });
    EXPECT_FALSE(outOfRange.load());
    EXPECT_GT(processed.load(), 1000);
    EXPECT_FALSE(d.isBusy());
    // The line is left consistent: a reset now gives the silent state.
    d.zero();
    EXPECT_EQ(TDelayProbe::left(d).size(), 100u);
    EXPECT_EQ(TDelayProbe::right(d).size(), 100u);
}

TEST(TDelayThreads, ResetFromAnotherThreadWaitsForTheHoldToEnd)
{
    TDelay d;
    d.init(48000.0f, 0.05f);
    std::atomic<int> blocks{0};
    std::atomic<bool> lostHold{false};
    whileAudioRuns(
        [&] {
            // Held like the signal chain holds its lines over a block.
            const bool held = d.hold();
            for (int i = 0; i < 64; ++i)
            {
                d.setFeed(0.4f);
                d.setDelayLenDirect(120.0f, 130.0f);
                float l, r;
                d.process(0.5f, -0.5f, l, r);
                if (held && d.isBusy())
                    lostHold.store(true, std::memory_order_relaxed);
            }
            d.release();
            blocks.fetch_add(1, std::memory_order_relaxed);
        },
        [&] {
            while (blocks.load(std::memory_order_relaxed) == 0)
                std::this_thread::yield();
            resetRepeatedly(d, 300, 44100.0f, 0.05f, std::chrono::microseconds(50));
        });
    EXPECT_FALSE(lostHold.load());
    EXPECT_FALSE(d.isBusy());
}

TEST(TDelayThreads, ConcurrentResetsNeverDeadlock)
{
    TDelay d;
    d.init(44100.0f, 0.05f);
    whileAudioRuns(
        [&] {
            d.setDelayLenDirect(50.0f, 50.0f);
            float l, r;
            d.process(0.5f, 0.5f, l, r);
        },
        [&] {
            std::thread resetA([&] {
                for (int k = 0; k < 2000; ++k)
                    d.zero();
            });
            std::thread resetB([&] {
                for (int k = 0; k < 2000; ++k)
                    d.clear();
            });
            resetA.join();
            resetB.join();
        });
    EXPECT_FALSE(d.isBusy());
}

} // namespace
} // namespace morlake
