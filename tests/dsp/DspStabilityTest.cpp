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

enum class Signal
{
    Noise,
    Impulses,
    Squares,
    LoudThenSilent,
};

const char* name(Signal s)
{
    switch (s)
    {
    case Signal::Noise: return "noise";
    case Signal::Impulses: return "impulses";
    case Signal::Squares: return "squares";
    case Signal::LoudThenSilent: return "loud then silent";
    }
    return "?";
}

struct SignalSource
{
    SignalSource(Signal k, float r) : kind(k), rate(r) {}

    Signal kind;
    float rate;
    TestNoise noise;
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

struct Extreme
{
    const char* label;
    ReverbSettings settings;
    float lengthScale;
};

std::vector<Extreme> extremes()
{
    std::vector<Extreme> list;
    Extreme e{"largest, undamped", {}, 16.0f};
    e.settings.room = 1.0f;
    e.settings.damp = 0.0f;
    e.settings.widen[0] = e.settings.widen[1] = e.settings.widen[2] = e.settings.widen[3] = 2700.0f;
    list.push_back(e);

    e = {"small, filtered hard", {}, 1.0f / 64.0f};
    e.settings.room = 0.0f;
    e.settings.damp = 1.0f;
    e.settings.lowpass = 0.0f;
    e.settings.highpass = 1.0f;
    list.push_back(e);

    e = {"largest, high-passed", {}, 16.0f};
    e.settings.room = 1.0f;
    e.settings.damp = 1.0f;
    e.settings.lowpass = 0.98f;
    e.settings.highpass = 0.3f;
    list.push_back(e);
    return list;
}

void expectCleanState(const TBasicReverb& r, const std::string& where)
{
    long bad = 0;
    TBasicReverbProbe::forEachState(r, [&](float x) {
        if (isBad(x))
            ++bad;
    });
    EXPECT_EQ(bad, 0) << where;
}

TEST(DspStability, ReverbSixtySecondsAtExtremes)
{
    const float rate = 44100.0f;
    auto r = std::make_unique<TBasicReverb>();
    r->setSampleRate(rate);
    r->create();
    for (const Extreme& e : extremes())
    {
        for (Signal sig : {Signal::Noise, Signal::Impulses, Signal::Squares, Signal::LoudThenSilent})
        {
            const std::string where = std::string(e.label) + ", " + name(sig);
            r->mute();
            SignalSource src{sig, rate};
            long badOut = 0;
            float peak = 0.0f;
            const long n = long(60 * rate);
            for (long i = 0; i < n; ++i)
            {
                // The chain sets every control every sample.
                e.settings.apply(*r);
                const float L = e.lengthScale;
                r->setLength(L, 1.1f, 0.9f, L * 0.9f, 0.9f, 1.1f, L * 0.95f, 1.05f, 0.95f);
                const float x = src();
                float l, rr;
                r->process(x, -x, x, x, -x, x, l, rr);
                if (isBad(l) || isBad(rr))
                    ++badOut;
                peak = std::max({peak, std::fabs(l), std::fabs(rr)});
            }
            EXPECT_EQ(badOut, 0) << where;
            EXPECT_LT(peak, 1e4f) << where;
            expectCleanState(*r, where);
        }
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
    SignalSource src{Signal::Noise, rate};
    long badOut = 0;
    for (long i = 0; i < long(rate) * 20; ++i)
    {
        const float x = i < long(rate) ? src() : 0.0f;
        float l, rr;
        r->process(x, x, x, x, x, x, l, rr);
        if (isBad(l) || isBad(rr))
            ++badOut;
    }
    EXPECT_EQ(badOut, 0);
    expectCleanState(*r, "384 kHz");
}

void expectCleanQueue(const TDelayQueue& q, const std::string& where)
{
    long bad = 0;
    for (std::size_t i = 0; i < q.size(); ++i)
        if (isBad(q.sample(i)) || !std::isfinite(q.stamp(i)))
            ++bad;
    EXPECT_EQ(bad, 0) << where;
}

TEST(DspStability, DelaySixtySecondsAtExtremes)
{
    const float rate = 44100.0f;
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
    TDelay d;
    d.init(rate);
    for (const Setting& st : settings)
    {
        for (Signal sig : {Signal::Noise, Signal::Impulses, Signal::Squares, Signal::LoudThenSilent})
        {
            const std::string where = std::to_string(st.feed) + "/" + std::to_string(st.cross) + ", " + name(sig);
            d.zero();
            SignalSource src{sig, rate};
            long badOut = 0;
            for (long i = 0; i < long(60 * rate); ++i)
            {
                d.setFeed(st.feed);
                d.setCross(st.cross);
                d.setDelayLenDirect(st.lengthLeft, st.lengthRight);
                const float x = src();
                float l, r;
                d.process(x, -x, l, r);
                if (isBad(l) || isBad(r) || std::fabs(l) > 1.0f || std::fabs(r) > 1.0f)
                    ++badOut;
            }
            EXPECT_EQ(badOut, 0) << where;
            expectCleanQueue(TDelayProbe::left(d), where);
            expectCleanQueue(TDelayProbe::right(d), where);
        }
    }
}

} // namespace
} // namespace morlake
