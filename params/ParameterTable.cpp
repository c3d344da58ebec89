#include "params/ParameterTable.h"
#include "params/StepScales.h"

#include "params/Curves.h"
#include "params/ModDestinations.h"

#include <cmath>

namespace morlake {

namespace {

enum class Kind
{
    Continuous,
    OnOff,
    Stepped,
    List
};

struct ParamRow
{
    int tag;
    // Stable identifier for the formats that name parameters (ASCII, never
    // changed once released).
    const char* symbol;
    const char* name;
    float defaultValue;
    Kind kind;
    int steps; // stepped and list kinds only
    UnitCurve unit;
    int modDest;
    std::span<const Names> stepNames;
};

constexpr UnitCurve OFFON {Unit::OffOn};
constexpr UnitCurve STEPS {Unit::Steps};
constexpr UnitCurve PC {Unit::Percent};
constexpr UnitCurve BIPC {Unit::BipolarPercent};
constexpr UnitCurve HZ {Unit::FilterHertz};
constexpr UnitCurve DB (float lo, float hi) { return {Unit::Decibels, lo, hi}; }

// Tags 1..36 and 61..71; the Disrupt slots (37..60) and mod slots (72..77) are built in loops.
// clang-format off
const ParamRow PARAM_ROWS[] = {
    {tag::Bypass, "bypass", "Bypass On/Off", 0.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::WetDry, "wet_dry", "Wet/Dry Mix", 0.5f, Kind::Continuous, 0, {Unit::WetDry}, dest::WetDry, {}},
    {tag::MainVolume, "main_volume", "Main Volume", 0.666f, Kind::Continuous, 0, DB(-40, 20), dest::OutputVolume, {}},
    {tag::DistortionOn, "distortion_on", "Distortion On/Off", 0.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::DistortionAmount, "distortion_amount", "Distortion Amount", 0.0f, Kind::Continuous, 0, PC, dest::Distortion, {}},
    {tag::EarlyOn, "early_on", "Early On/Off", 0.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::EarlyPath, "early_path", "Early Path", 0.0f, Kind::Stepped, steps::EarlyPath, STEPS, dest::None, EARLY_PATH_STR},
    {tag::EarlyVolume, "early_volume", "Early Volume", 1.0f, Kind::Continuous, 0, DB(-60, 0), dest::EarlyVolume, {}},
    {tag::EarlyLength, "early_length", "Early Length", 0.93f, Kind::Continuous, 0, {Unit::EarlyLength}, dest::EarlyLength, {}},
    {tag::EarlyDamp, "early_damp", "Early Damp", 0.185f, Kind::Continuous, 0, PC, dest::EarlyDamp, {}},
    {tag::EarlyFeed, "early_feed", "Early Feed", 0.31f, Kind::Continuous, 0, PC, dest::EarlyFeed, {}},
    {tag::EarlySide, "early_side", "Early Side", 0.53f, Kind::Continuous, 0, PC, dest::EarlySideFeed, {}},
    {tag::EarlyCross, "early_cross", "Early Cross", 0.495f, Kind::Continuous, 0, PC, dest::EarlyCrossFeed, {}},
    {tag::ReverbOn, "reverb_on", "Reverb On/Off", 1.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::ReverbVolume, "reverb_volume", "Reverb Volume", 6.0f / 7.0f, Kind::Continuous, 0, DB(-60, 10), dest::ReverbVolume, {}},
    {tag::ReverbRoomSize, "reverb_room_size", "Reverb Room Size", 0.695f, Kind::Continuous, 0, {Unit::RoomSize}, dest::ReverbRoomSize, {}},
    {tag::ReverbLength, "reverb_length", "Reverb Length", 0.81f, Kind::Continuous, 0, {Unit::ReverbLength}, dest::ReverbLength, {}},
    {tag::ReverbDamp, "reverb_damp", "Reverb Damp", 0.24f, Kind::Continuous, 0, PC, dest::ReverbDamp, {}},
    {tag::ReverbPreDelay, "reverb_pre_delay", "Reverb Pre-Delay", 0.535f, Kind::Stepped, steps::ReverbPreDelay, {Unit::Milliseconds, 0, 0, tag::ReverbPreDelaySync}, dest::ReverbPreDelay, REVERB_PRE_DELAY_SYNCED_LENGTH_STR},
    {tag::ReverbPreDelaySync, "reverb_pre_delay_sync", "Reverb Pre-Delay Sync", 0.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::ReverbPreDelayDisorder, "reverb_pre_delay_disorder", "Reverb Pre-Delay Disorder", 0.0f, Kind::Continuous, 0, PC, dest::None, {}},
    {tag::ReverbHPOn, "reverb_hp_on", "Reverb HP On Off", 1.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::ReverbHPFrequency, "reverb_hp_frequency", "Reverb HP Frequency", 0.17f, Kind::Continuous, 0, HZ, dest::ReverbHP, {}},
    {tag::ReverbLPOn, "reverb_lp_on", "Reverb LP On/Off", 1.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::ReverbLPFrequency, "reverb_lp_frequency", "Reverb LP Frequency", 1.0f, Kind::Continuous, 0, HZ, dest::ReverbLP, {}},
    {tag::ReverbDisorder, "reverb_disorder", "Reverb Disorder", 0.0f, Kind::Continuous, 0, PC, dest::ReverbDisorder, {}},
    {tag::ReverbPreset, "reverb_preset", "Reverb Preset", 0.0f, Kind::Stepped, steps::ReverbPreset, STEPS, dest::None, REVERB_PRESET_STR},
    {tag::LateOn, "late_on", "Late On/Off", 0.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::LatePath, "late_path", "Late Path", 0.0f, Kind::Stepped, steps::LatePath, STEPS, dest::None, LATE_PATH_STR},
    {tag::LateVolume, "late_volume", "Late Volume", 0.77f, Kind::Continuous, 0, DB(-60, 0), dest::LateVolume, {}},
    {tag::LateLength, "late_length", "Late Length", 0.82f, Kind::Stepped, steps::LateLength, {Unit::Milliseconds, 0, 0, tag::LateLengthSync}, dest::LateLength, LATE_SYNCED_LENGTH_STR},
    {tag::LateLengthSync, "late_length_sync", "Late Length Sync", 0.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::LateDamp, "late_damp", "Late Damp", 0.34f, Kind::Continuous, 0, PC, dest::LateDamp, {}},
    {tag::DisruptValue, "disrupt_value", "Disrupt Value", 0.5f, Kind::Continuous, 0, BIPC, dest::Disrupt, {}},
    {tag::DisruptQuantization, "disrupt_quantization", "Disrupt Quantization", 0.0f, Kind::Stepped, steps::DisruptQuantization, STEPS, dest::None, DISRUPT_QUANT_STR},
    {tag::DisruptSpringTime, "disrupt_spring_time", "Disrupt Spring Time", 0.839355f, Kind::Stepped, steps::DisruptSpringTime, STEPS, dest::None, DISRUPT_SPRING_TIME_STR},
    {tag::LazyOn, "lazy_on", "Disrupt Lazy On/Off", 0.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::LazyMode, "lazy_mode", "Disrupt Lazy Mode", 0.0f, Kind::Stepped, steps::LazyMode, STEPS, dest::None, DISRUPT_LAZY_MODE_STR},
    {tag::LazySpeed, "lazy_speed", "Disrupt Lazy Speed", 0.56f, Kind::Stepped, steps::LazySpeed, {Unit::LazyHertz, 0, 0, tag::LazySync}, dest::LazySpeed, LFO_TEMPO_SYNCED_PERIOD_STR},
    {tag::LazySync, "lazy_sync", "Disrupt Lazy Sync", 1.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::LazyTrigger, "lazy_trigger", "Disrupt Lazy Trigger", 0.0f, Kind::List, steps::LazyTrigger, STEPS, dest::None, DISRUPT_LAZY_TRIGGER_STR},
    {tag::FollowerOn, "follower_on", "Follower On/Off", 0.0f, Kind::OnOff, 0, OFFON, dest::None, {}},
    {tag::FollowerDest, "follower_destination", "Follower Destination", 0.0f, Kind::List, kNumDestinations, STEPS, dest::None, DEST_STR},
    {tag::FollowerThreshold, "follower_threshold", "Follower Threshold", 0.0f, Kind::Continuous, 0, DB(-40, 0), dest::FollowerThreshold, {}},
    {tag::FollowerSmooth, "follower_smooth", "Follower Smooth", 0.0f, Kind::Continuous, 0, PC, dest::FollowerSmooth, {}},
    {tag::FollowerAmount, "follower_amount", "Follower Amount", 0.5f, Kind::Continuous, 0, BIPC, dest::FollowerAmount, {}},
    {tag::FollowerSource, "follower_source", "Follower Source", 0.0f, Kind::Stepped, steps::FollowerSource, STEPS, dest::None, FOLLOWER_SOURCE_STR},
};
// clang-format on

void addRow (ParameterTable& table, const ParamRow& row)
{
    int steps = -1;
    float scale = -1.0f;
    switch (row.kind)
    {
        case Kind::Continuous: break;
        case Kind::OnOff:
            steps = steps::OnOff;
            scale = scale::OnOff;
            break;
        case Kind::Stepped:
            steps = row.steps;
            scale = row.tag == tag::ReverbPreset ? scale::ReverbPreset : scaleForSteps (row.steps);
            break;
        case Kind::List:
            steps = row.steps;
            scale = scale::List;
            break;
    }
    table.setParameterVars (row.tag, row.defaultValue, row.kind == Kind::OnOff, steps, scale, row.modDest, row.unit,
                            row.name, row.symbol);
}

} // namespace

int getSteppedValue (float value, float scale, int steps) { return curve::stepOfValue (value, scale, steps); }

float stepToValue (int step, float scale, int steps)
{
    if (step > steps - 1)
        step = steps - 1;
    if (step < 0)
        step = 0;
    return stepValue (step, scale);
}

void ParameterTable::initVariables ()
{
    for (int t = 0; t < kNumParams; ++t)
    {
        names[t].clear ();
        symbols[t].clear ();
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
        const std::string symbol = "disrupt" + std::to_string (i + 1);
        addRow (*this, {tag::Disrupt1On + i,
                        (symbol + "_on").c_str (),
                        (entry + " On/Off").c_str (),
                        1.0f,
                        Kind::OnOff,
                        0,
                        OFFON,
                        0,
                        {}});
        addRow (*this, {tag::Disrupt1Amount + i,
                        (symbol + "_amount").c_str (),
                        (entry + " Amount").c_str (),
                        0.5f,
                        Kind::Continuous,
                        0,
                        BIPC,
                        dest::DisruptAmount1 + i,
                        {}});
        add ({tag::Disrupt1Dest + i, (symbol + "_destination").c_str (), (entry + " Destination").c_str (), 0.0f,
              Kind::List, kNumDestinations, STEPS, 0, DEST_SHORT_STR});
    }

    for (const ParamRow& row : PARAM_ROWS)
        if (row.tag > tag::Disrupt1Dest + 7)
            add (row);

    for (int i = 0; i < static_cast<int> (MOD_SLOT_STR.size ()); ++i)
    {
        const std::string entry (MOD_SLOT_STR[i]);
        const std::string symbol = "mod" + std::to_string (i + 1);
        const int base = tag::ModSlot1Amount + 3 * i;
        addRow (*this, {base,
                        (symbol + "_amount").c_str (),
                        (entry + " Amount").c_str (),
                        0.5f,
                        Kind::Continuous,
                        0,
                        BIPC,
                        dest::ModSlot1Amount + i,
                        {}});
        add ({base + 1, (symbol + "_source").c_str (), (entry + " Source").c_str (), 0.0f, Kind::List, kNumSources,
              STEPS, 0, SRC_STR});
        add ({base + 2, (symbol + "_destination").c_str (), (entry + " Destination").c_str (), 0.0f, Kind::List,
              kNumDestinations, STEPS, 0, DEST_STR});
    }

    // Reverb character values whose default is not 0.
    const float hiddenDefaults[] = {0.020202f, 0.02f, 0.01f, 0.01f, 0.02f, 0.03f};
    for (int i = 0; i < 6; ++i)
        defaults[122 + i] = hiddenDefaults[i];
}

void ParameterTable::setParameterVars (int t, float defaultValue, bool isOnOff, int stepCount, float scale,
                                       int modulationDestination, UnitCurve unit, std::string name, std::string symbol)
{
    if (! isValidTag (t))
        return;
    symbols[t] = std::move (symbol);
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

const std::string& ParameterTable::getSymbol (int t) const
{
    static const std::string empty;
    return isValidTag (t) ? symbols[t] : empty;
}

int ParameterTable::findBySymbol (std::string_view symbol) const
{
    if (symbol.empty ())
        return -1;
    for (int t = 0; t < kNumParams; ++t)
        if (symbols[t] == symbol)
            return t;
    return -1;
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
