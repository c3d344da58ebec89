// Long runs at extreme settings: outputs and internal state must stay free of
// NaN, infinities and denormal numbers.
#include "dsp/TBasicReverb.h"
#include "dsp/TDelay.h"
#include "tests/dsp/DspTestUtil.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace morlake {
namespace {

// Noise, one impulse a second, a square wave, or five seconds loud then silence.
enum class Signal { Noise, Impulses, Squares, LoudThenSilent };
const char* const kSignalNames[] = {"noise", "impulses", "squares", "loud then silent"};

struct SignalSource
{
    Signal kind;
    float rate;
    Noise noise;
    long n = 0;

    float operator()()
    {
        const long i = n++;
        switch (kind)
        {
        case Signal::Noise: return noise();
        case Signal::Impulses: return i % long(rate) == 0 ? 1.0f : 0.0f;
        case Signal::Squares: return (i / 50) % 2 ? 1.0f : -1.0f;
        case Signal::LoudThenSilent: return i < long(rate) * 5 ? ((i / 3) % 2 ? 1.0f : -1.0f) : 0.0f;
        }
        return 0.0f;
    }
};

constexpr Signal kSignals[] = {Signal::Noise, Signal::Impulses, Signal::Squares, Signal::LoudThenSilent};

long badState(const TBasicReverb& r)
{
    long bad = 0;
    TBasicReverbProbe::forEachState(r, [&](float x) { bad += isBad(x); });
    return bad;
}

TEST(DspStability, ReverbSixtySecondsAtExtremes)
{
    struct Extreme
    {
        const char* label;
        float room, damp, lowpass, highpass, widen, lengthScale;
    };
    const Extreme extremes[] = {
        {"largest, undamped", 1.0f, 0.0f, 1.0f, 0.0f, 2700.0f, 16.0f},
        {"small, filtered hard", 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f / 64.0f},
        {"largest, high-passed", 1.0f, 1.0f, 0.98f, 0.3f, 1.0f, 16.0f},
    };
    const float rate = 44100.0f;
    auto r = std::make_unique<TBasicReverb>();
    r->setSampleRate(rate);
    r->create();
    for (const Extreme& e : extremes)
        for (Signal sig : kSignals)
        {
            const std::string where = std::string(e.label) + ", " + kSignalNames[int(sig)];
            ReverbSettings s;
            s.room = e.room;
            s.damp = e.damp;
            s.lowpass = e.lowpass;
            s.highpass = e.highpass;
            std::fill(std::begin(s.widen), std::end(s.widen), e.widen);
            r->mute();
            SignalSource src{sig, rate, {}};
            long badOut = 0;
            float peak = 0.0f;
            for (long i = 0; i < long(60 * rate); ++i)
            {
                // The chain sets every control every sample.
                s.apply(*r);
                const float L = e.lengthScale;
                r->setLength(L, 1.1f, 0.9f, L * 0.9f, 0.9f, 1.1f, L * 0.95f, 1.05f, 0.95f);
                const float x = src();
                float l, rr;
                r->process(x, -x, x, x, -x, x, l, rr);
                badOut += isBad(l) || isBad(rr);
                peak = std::max({peak, std::fabs(l), std::fabs(rr)});
            }
            EXPECT_EQ(badOut, 0) << where;
            EXPECT_LT(peak, 1e4f) << where;
            EXPECT_EQ(badState(*r), 0) << where;
        }
}

TEST(DspStability, ReverbSilenceAfterLoudInputAtHighRate)
{
    const float rate = 384000.0f;
    auto r = std::make_unique<TBasicReverb>();
    r->setSampleRate(rate);
    r->create();
    ReverbSettings s;
    s.room = 0.0f;
    s.damp = 1.0f;
    s.highpass = 0.9f;
    s.apply(*r);
    Noise noise;
    long badOut = 0;
    for (long i = 0; i < long(rate) * 20; ++i)
    {
        const float x = i < long(rate) ? noise() : 0.0f;
        float l, rr;
        r->process(x, x, x, x, x, x, l, rr);
        badOut += isBad(l) || isBad(rr);
    }
    EXPECT_EQ(badOut, 0);
    EXPECT_EQ(badState(*r), 0);
}

TEST(DspStability, DelaySixtySecondsAtExtremes)
{
    struct Setting
    {
        float feed, cross, lengthLeft, lengthRight;
    };
    const Setting settings[] = {
        {1.0f, 1.0f, 3.0f, 4.5f},
        {0.99f, -0.99f, 1234.5f, 2345.25f},
        {0.5f, -0.49f, 20000.0f, 100.0f},
        {-1.0f, 0.0f, 5.5f, 5.5f},
    };
    const float rate = 44100.0f;
    TDelay d;
    d.init(rate);
    for (const Setting& st : settings)
        for (Signal sig : kSignals)
        {
            const std::string where = std::to_string(st.feed) + "/" + std::to_string(st.cross) + ", " + kSignalNames[int(sig)];
            d.zero();
            SignalSource src{sig, rate, {}};
            long badOut = 0;
            for (long i = 0; i < long(60 * rate); ++i)
            {
                d.setFeed(st.feed);
                d.setCross(st.cross);
                d.setDelayLenDirect(st.lengthLeft, st.lengthRight);
                const float x = src();
                float l, r;
                d.process(x, -x, l, r);
                badOut += isBad(l) || isBad(r) || std::fabs(l) > 1.0f || std::fabs(r) > 1.0f;
            }
            EXPECT_EQ(badOut, 0) << where;
            long badQueue = 0;
            for (const TDelayQueue* q : {&TDelayProbe::left(d), &TDelayProbe::right(d)})
                for (std::size_t i = 0; i < q->size(); ++i)
                    badQueue += isBad(q->sample(i)) || !std::isfinite(q->stamp(i));
            EXPECT_EQ(badQueue, 0) << where;
        }
}

} // namespace
} // namespace morlake
