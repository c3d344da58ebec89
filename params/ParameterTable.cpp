#include "params/ParameterTable.h"

#include "params/Curves.h"

#include <cmath>

namespace morlake {

namespace {

enum class Kind { Continuous, OnOff, Stepped, List };

struct ParamRow
{
    int tag;
    const char* name;
    float defaultValue;
    Kind kind;
    int steps; // stepped and list kinds only
    UnitCurve unit;
    int modDest;
    std::span<const Names> stepNames;
};

constexpr float kListScale = 99.99f;

constexpr UnitCurve OFFON {Unit::OffOn};
constexpr UnitCurve STEPS {Unit::Steps};
constexpr UnitCurve PC {Unit::Percent};
constexpr UnitCurve BIPC {Unit::BipolarPercent};
constexpr UnitCurve HZ {Unit::FilterHertz};
constexpr UnitCurve DB (float lo, float hi) { return {Unit::Decibels, lo, hi}; }
constexpr float kReverbPresetScale = 10.99f;

// Tags 1..36 and 61..71; the Disrupt slots (37..60) and mod slots (72..77) are built in loops.
const ParamRow PARAM_ROWS[] = {
    {tag::Bypass, "Bypass On/Off", 0.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::WetDry, "Wet/Dry Mix", 0.5f, Kind::Continuous, 0, {Unit::WetDry}, 1, {}},
    {tag::MainVolume, "Main Volume", 0.666f, Kind::Continuous, 0, DB(-40, 20), 3, {}},
    {tag::DistortionOn, "Distortion On/Off", 0.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::DistortionAmount, "Distortion Amount", 0.0f, Kind::Continuous, 0, PC, 9, {}},
    {tag::EarlyOn, "Early On/Off", 0.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::EarlyPath, "Early Path", 0.0f, Kind::Stepped, 2, STEPS, 0, EARLY_PATH_STR},
    {tag::EarlyVolume, "Early Volume", 1.0f, Kind::Continuous, 0, DB(-60, 0), 10, {}},
    {tag::EarlyLength, "Early Length", 0.93f, Kind::Continuous, 0, {Unit::EarlyLength}, 12, {}},
    {tag::EarlyDamp, "Early Damp", 0.185f, Kind::Continuous, 0, PC, 15, {}},
    {tag::EarlyFeed, "Early Feed", 0.31f, Kind::Continuous, 0, PC, 16, {}},
    {tag::EarlySide, "Early Side", 0.53f, Kind::Continuous, 0, PC, 17, {}},
    {tag::EarlyCross, "Early Cross", 0.495f, Kind::Continuous, 0, PC, 18, {}},
    {tag::ReverbOn, "Reverb On/Off", 1.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::ReverbVolume, "Reverb Volume", 6.0f / 7.0f, Kind::Continuous, 0, DB(-60, 10), 25, {}},
    {tag::ReverbRoomSize, "Reverb Room Size", 0.695f, Kind::Continuous, 0, {Unit::RoomSize}, 30, {}},
    {tag::ReverbLength, "Reverb Length", 0.81f, Kind::Continuous, 0, {Unit::ReverbLength}, 31, {}},
    {tag::ReverbDamp, "Reverb Damp", 0.24f, Kind::Continuous, 0, PC, 32, {}},
    {tag::ReverbPreDelay, "Reverb Pre-Delay", 0.535f, Kind::Stepped, 15, {Unit::Milliseconds, 0, 0, tag::ReverbPreDelaySync}, 27, REVERB_PRE_DELAY_SYNCED_LENGTH_STR},
    {tag::ReverbPreDelaySync, "Reverb Pre-Delay Sync", 0.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::ReverbPreDelayDisorder, "Reverb Pre-Delay Disorder", 0.0f, Kind::Continuous, 0, PC, 0, {}},
    {tag::ReverbHPOn, "Reverb HP On Off", 1.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::ReverbHPFrequency, "Reverb HP Frequency", 0.17f, Kind::Continuous, 0, HZ, 34, {}},
    {tag::ReverbLPOn, "Reverb LP On/Off", 1.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::ReverbLPFrequency, "Reverb LP Frequency", 1.0f, Kind::Continuous, 0, HZ, 35, {}},
    {tag::ReverbDisorder, "Reverb Disorder", 0.0f, Kind::Continuous, 0, PC, 33, {}},
    {tag::ReverbPreset, "Reverb Preset", 0.0f, Kind::Stepped, 10, STEPS, 0, REVERB_PRESET_STR},
    {tag::LateOn, "Late On/Off", 0.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::LatePath, "Late Path", 0.0f, Kind::Stepped, 2, STEPS, 0, LATE_PATH_STR},
    {tag::LateVolume, "Late Volume", 0.77f, Kind::Continuous, 0, DB(-60, 0), 19, {}},
    {tag::LateLength, "Late Length", 0.82f, Kind::Stepped, 21, {Unit::Milliseconds, 0, 0, tag::LateLengthSync}, 21, LATE_SYNCED_LENGTH_STR},
    {tag::LateLengthSync, "Late Length Sync", 0.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::LateDamp, "Late Damp", 0.34f, Kind::Continuous, 0, PC, 24, {}},
    {tag::DisruptValue, "Disrupt Value", 0.5f, Kind::Continuous, 0, BIPC, 36, {}},
    {tag::DisruptQuantization, "Disrupt Quantization", 0.0f, Kind::Stepped, 13, STEPS, 0, DISRUPT_QUANT_STR},
    {tag::DisruptSpringTime, "Disrupt Spring Time", 0.839355f, Kind::Stepped, 18, STEPS, 0, DISRUPT_SPRING_TIME_STR},
    {tag::LazyOn, "Disrupt Lazy On/Off", 0.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::LazyMode, "Disrupt Lazy Mode", 0.0f, Kind::Stepped, 12, STEPS, 0, DISRUPT_LAZY_MODE_STR},
    {tag::LazySpeed, "Disrupt Lazy Speed", 0.56f, Kind::Stepped, 31, {Unit::LazyHertz, 0, 0, tag::LazySync}, 46, LFO_TEMPO_SYNCED_PERIOD_STR},
    {tag::LazySync, "Disrupt Lazy Sync", 1.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::LazyTrigger, "Disrupt Lazy Trigger", 0.0f, Kind::List, 21, STEPS, 0, DISRUPT_LAZY_TRIGGER_STR},
    {tag::FollowerOn, "Follower On/Off", 0.0f, Kind::OnOff, 0, OFFON, 0, {}},
    {tag::FollowerDest, "Follower Destination", 0.0f, Kind::List, kNumDestinations, STEPS, 0, DEST_STR},
    {tag::FollowerThreshold, "Follower Threshold", 0.0f, Kind::Continuous, 0, DB(-40, 0), 52, {}},
    {tag::FollowerSmooth, "Follower Smooth", 0.0f, Kind::Continuous, 0, PC, 53, {}},
    {tag::FollowerAmount, "Follower Amount", 0.5f, Kind::Continuous, 0, BIPC, 51, {}},
    {tag::FollowerSource, "Follower Source", 0.0f, Kind::Stepped, 7, STEPS, 0, FOLLOWER_SOURCE_STR},
};

void addRow (ParameterTable& table, const ParamRow& row)
{
    int steps = -1;
    float scale = -1.0f;
    switch (row.kind)
    {
        case Kind::Continuous: break;
        case Kind::OnOff: steps = 2; scale = 1.99f; break;
        case Kind::Stepped:
            steps = row.steps;
            scale = row.tag == tag::ReverbPreset ? kReverbPresetScale : static_cast<float> (row.steps) - 0.01f;
            break;
        case Kind::List: steps = row.steps; scale = kListScale; break;
    }
    table.setParameterVars (row.tag, row.defaultValue, row.kind == Kind::OnOff, steps, scale, row.modDest,
                            row.unit, row.name);
}

} // namespace

int getSteppedValue (float value, float scale, int steps) { return curve::stepOfValue (value, scale, steps); }

float stepToValue (int step, float scale, int steps)
{
    if (step > steps - 1)
        step = steps - 1;
    if (step < 0)
        step = 0;
    return (static_cast<float> (step) + 0.1f) / scale;
}

void ParameterTable::initVariables ()
{
    for (int t = 0; t < kNumParams; ++t)
    {
        names[t].clear ();
        defaults[t] = 0.0f;
        onOff[t] = false;
        steps[t] = -1;
        stepScale[t] = -1.0f;
        units[t] = {};
        modDest[t] = 0;
        stepNames[t] = {};
    }

    auto add = [this] (const ParamRow& row) {
        addRow (*this, row);
        stepNames[row.tag] = row.stepNames;
    };

    for (const ParamRow& row : PARAM_ROWS)
        if (row.tag < tag::Disrupt1On)
            add (row);

    for (int i = 0; i < static_cast<int> (DISRUPT_STR.size ()); ++i)
    {
        const std::string entry (DISRUPT_STR[i]);
        addRow (*this, {tag::Disrupt1On + i, (entry + " On/Off").c_str (), 1.0f, Kind::OnOff, 0, OFFON, 0, {}});
        addRow (*this,
                {tag::Disrupt1Amount + i, (entry + " Amount").c_str (), 0.5f, Kind::Continuous, 0, BIPC, 38 + i, {}});
        add ({tag::Disrupt1Dest + i, (entry + " Destination").c_str (), 0.0f, Kind::List, kNumDestinations, STEPS, 0,
              DEST_SHORT_STR});
    }

    for (const ParamRow& row : PARAM_ROWS)
        if (row.tag > tag::Disrupt1Dest + 7)
            add (row);

    for (int i = 0; i < static_cast<int> (MOD_SLOT_STR.size ()); ++i)
    {
        const std::string entry (MOD_SLOT_STR[i]);
        const int base = tag::ModSlot1Amount + 3 * i;
        addRow (*this, {base, (entry + " Amount").c_str (), 0.5f, Kind::Continuous, 0, BIPC, 55 + i, {}});
        add ({base + 1, (entry + " Source").c_str (), 0.0f, Kind::List, kNumSources, STEPS, 0, SRC_STR});
        add ({base + 2, (entry + " Destination").c_str (), 0.0f, Kind::List, kNumDestinations, STEPS, 0, DEST_STR});
    }

    // Reverb character values whose default is not 0.
    const float hiddenDefaults[] = {0.020202f, 0.02f, 0.01f, 0.01f, 0.02f, 0.03f};
    for (int i = 0; i < 6; ++i)
        defaults[122 + i] = hiddenDefaults[i];
}

void ParameterTable::setParameterVars (int t, float defaultValue, bool isOnOff, int stepCount, float scale,
                                       int modulationDestination, UnitCurve unit, std::string name)
{
    if (! isValidTag (t))
        return;
    defaults[t] = defaultValue;
    onOff[t] = isOnOff;
    steps[t] = stepCount;
    stepScale[t] = scale;
    modDest[t] = modulationDestination;
    units[t] = unit;
    names[t] = std::move (name);
}

const std::string& ParameterTable::getName (int t) const
{
    static const std::string empty;
    return isValidTag (t) ? names[t] : empty;
}

std::span<const Names> ParameterTable::getStepNames (int t) const
{
    return isValidTag (t) ? stepNames[t] : std::span<const Names> {};
}

int ParameterTable::stepOf (int t, float value) const
{
    if (! isValidTag (t) || steps[t] == -1)
        return 0;
    return getSteppedValue (value, stepScale[t], steps[t]);
}

int ParameterTable::findByName (std::string_view name) const
{
    for (int t = 0; t < kNumParams; ++t)
        if (! names[t].empty () && names[t] == name)
            return t;
    return -1;
}

} // namespace morlake
