#include "dsp/TLFO.h"
#include "params/StepScales.h"

#include "dsp/SharedTables.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace morlake {

const std::array<float, 37> SYNCED_LFO_ARRAY = {
    0.0f,                                                   // "Off"
    24.0f,     16.0f,    32.0f / 3.0f,                      // 32/1
    12.0f,     8.0f,     16.0f / 3.0f,                      // 16/1
    6.0f,      4.0f,     8.0f / 3.0f,                       // 8/1
    3.0f,      2.0f,     4.0f / 3.0f,                       // 4/1
    1.5f,      1.0f,     2.0f / 3.0f,                       // 2/1
    0.75f,     0.5f,     1.0f / 3.0f,                       // 1/1
    0.375f,    0.25f,    1.0f / 6.0f,                       // 1/2
    0.1875f,   0.125f,   1.0f / 12.0f,                      // 1/4
    0.09375f,  0.0625f,  1.0f / 24.0f,                      // 1/8
    0.046875f, 0.03125f, 1.0f / 48.0f,                      // 1/16
    0.75f,     0.75f,    0.25f,        0.25f, 0.75f, 0.75f, // start phases of modes 0 .. 5
};

const std::array<int, kNumLazyTriggers> LAZY_TRIGGER_CONTROLLER_ARRAY = {-1, -1, -1, 1,  -1, 2,  4,  11, 16, 17, 18,
                                                                         19, 20, 21, 84, 85, 86, 87, 88, 89, 90};

namespace {

const std::array<float, TLFO::kWaveSize>& waveTable ()
{
    static const std::unique_ptr<std::array<float, TLFO::kWaveSize>> table = [] {
        auto t = std::make_unique_for_overwrite<std::array<float, TLFO::kWaveSize>> ();
        fillInHalves (TLFO::kWaveSize, [&t] (int begin, int end) {
            for (int i = begin; i < end; ++i)
                (*t)[static_cast<std::size_t> (i)] =
                    static_cast<float> (std::sin (2.0 * std::numbers::pi * static_cast<double> (i) / TLFO::kWaveSize));
        });
        return t;
    }();
    return *table;
}

} // namespace

void TLFO::init (float rate)
{
    sampleRate = rate < 1000.0f ? 44100.0f : rate;
    running = false;
    mode = 0;
    startPhase = 0.25f;
    phaseOffset = 0.0f;
    speed = 0.0f;
    humanize = 0.0f;
    shape = 0.5f;
    shapeUp = 2.0f;
    shapeDown = 2.0f;
    phase = startPhase;
    jitter = 1.0f;
    lastValue = 0.0f;
    smooth = 0.0f;
    lastSpeedValue = lastBpm = lastRateScale = -1.0f;
    lastSmoothValue = -1.0f;
    wave = waveTable ().data ();
}

void TLFO::setMode (int newMode, int trig)
{
    if (newMode == mode)
        return;
    mode = newMode;
    startPhase = newMode >= 0 && newMode <= 5 ? SYNCED_LFO_ARRAY[static_cast<std::size_t> (31 + newMode)] : 0.0f;
    phase = startPhase;
    jitter = 1.0f;
    running = trig == 0;
}

void TLFO::reset ()
{
    phase = startPhase;
    jitter = 1.0f;
    running = false;
}

void TLFO::start ()
{
    running = true;
    phase = startPhase;
    jitter = 1.0f;
}

void TLFO::stop () { running = false; }

void TLFO::trigger (int value)
{
    if (running && value == 0)
        stop ();
    else if (! running && value != 0)
        start ();
}

void TLFO::setSpeed (float value, bool synced, float bpm, float rateScale)
{
    if (value == lastSpeedValue && synced == lastSynced && bpm == lastBpm && rateScale == lastRateScale)
        return;
    lastSpeedValue = value;
    lastSynced = synced;
    lastBpm = bpm;
    lastRateScale = rateScale;

    if (! std::isfinite (rateScale))
        rateScale = 1.0f;
    if (! (value >= 0.0001f)) // NaN counts as stopped too
    {
        speed = 0.0f;
        return;
    }
    value = std::min (1.0f, value);
    if (! synced)
    {
        speed = std::exp2 (10.0f * value) * (rateScale * 0.013427734f) / sampleRate;
        return;
    }
    if (! (bpm > 0.0f) || ! std::isfinite (bpm))
        bpm = 120.0f;
    const int n = std::clamp (static_cast<int> (value * scale::LazySpeed), 0, kLfoSyncedSteps - 1);
    speed = rateScale / (SYNCED_LFO_ARRAY[static_cast<std::size_t> (n)] * 480.0f * sampleRate / bpm + 1.0f);
}

} // namespace morlake
