#include "bench/BenchConfigs.h"

#include "dsp/ModulationTypes.h"
#include "dsp/ReverbPresets.h"
#include "dsp/TLFO.h"
#include "params/ParamTags.h"
#include "params/StepScales.h"
#include "tools/harness/FactoryPresets.h"

#include <cstdlib>
#include <string_view>

namespace morlake::bench {

namespace {

float step (int k, float s) { return stepValue (k, s); }

constexpr float kEarlyPathScale = scale::EarlyPath;
constexpr float kLazyModeScale = scale::LazyMode;
constexpr float kFollowerSourceScale = scale::FollowerSource;

// "Space Orbit 2": the character with the length scale 16, the longest comb
// lines the chain can ask for.
constexpr int kSpaceOrbit2 = 9;

void setCharacter (HostedPlugin& p, int presetStep)
{
    float hidden[kReverbHiddenCount];
    reverbPresetValues (presetStep, hidden);
    p.setParameter (tag::ReverbPreset, step (presetStep, kReverbPresetStepScale));
    for (int k = 0; k < kReverbHiddenCount; ++k)
        p.setParameter (kReverbHiddenFirstTag + k, hidden[k]);
}

// Everything on and every slot moving every sample.
void applyHeavy (HostedPlugin& p)
{
    p.setParameter (tag::DistortionOn, 1.0f);
    p.setParameter (tag::DistortionAmount, 0.4f);

    p.setParameter (tag::EarlyOn, 1.0f);
    p.setParameter (tag::EarlyPath, step (1, kEarlyPathScale)); // "Into Reverb"
    p.setParameter (tag::EarlyVolume, 0.8f);
    p.setParameter (tag::EarlyLength, 0.6f);
    p.setParameter (tag::EarlyFeed, 0.6f);
    p.setParameter (tag::EarlySide, 0.4f);
    p.setParameter (tag::EarlyCross, 0.4f);

    p.setParameter (tag::LateOn, 1.0f);
    p.setParameter (tag::LatePath, step (0, kEarlyPathScale)); // "Direct"
    p.setParameter (tag::LateVolume, 0.8f);
    p.setParameter (tag::LateLength, 0.85f);
    p.setParameter (tag::LateLengthSync, 0.0f);
    p.setParameter (tag::LateDamp, 0.4f);

    p.setParameter (tag::ReverbOn, 1.0f);
    p.setParameter (tag::ReverbLength, 1.0f);
    p.setParameter (tag::ReverbRoomSize, 0.9f);
    p.setParameter (tag::ReverbPreDelay, 0.75f);
    p.setParameter (tag::ReverbPreDelaySync, 0.0f);
    p.setParameter (tag::ReverbPreDelayDisorder, 0.6f);
    p.setParameter (tag::ReverbDisorder, 0.3f);
    p.setParameter (tag::ReverbLPOn, 1.0f);
    p.setParameter (tag::ReverbLPFrequency, 0.7f);
    p.setParameter (tag::ReverbHPOn, 1.0f);
    p.setParameter (tag::ReverbHPFrequency, 0.2f);
    setCharacter (p, kSpaceOrbit2);

    // The lazy LFO drives Disrupt, so all eight Disrupt slots move every sample.
    p.setParameter (tag::LazyOn, 1.0f);
    p.setParameter (tag::LazyMode, step (lazymode::LtoR, kLazyModeScale));
    p.setParameter (tag::LazySync, 0.0f);
    p.setParameter (tag::LazySpeed, 0.9f);
    p.setParameter (tag::LazyTrigger, step (lazytrigger::Free, kListStepScale));
    const int disruptDest[kNumDisruptSlots] = {dest::ReverbLength, dest::ReverbRoomSize, dest::ReverbDamp,
                                               dest::ReverbLP,     dest::ReverbHP,       dest::EarlyLength,
                                               dest::LateLength,   dest::ReverbPreDelay};
    for (int n = 0; n < kNumDisruptSlots; ++n)
    {
        p.setParameter (tag::Disrupt1On + n, 1.0f);
        p.setParameter (tag::Disrupt1Amount + n, 0.6f);
        p.setParameter (tag::Disrupt1Dest + n, step (disruptDest[n], kListStepScale));
    }

    p.setParameter (tag::FollowerOn, 1.0f);
    p.setParameter (tag::FollowerSource, step (tap::Output, kFollowerSourceScale));
    p.setParameter (tag::FollowerDest, step (dest::ReverbDisorder, kListStepScale));
    p.setParameter (tag::FollowerThreshold, 0.1f);
    p.setParameter (tag::FollowerSmooth, 0.3f);
    p.setParameter (tag::FollowerAmount, 0.7f);

    p.setParameter (tag::ModSlot1Source, step (src::Noise, kListStepScale));
    p.setParameter (tag::ModSlot1Dest, step (dest::EarlyWiden, kListStepScale));
    p.setParameter (tag::ModSlot1Amount, 0.55f);
    p.setParameter (tag::ModSlot2Source, step (src::Input, kListStepScale));
    p.setParameter (tag::ModSlot2Dest, step (dest::LateWidth, kListStepScale));
    p.setParameter (tag::ModSlot2Amount, 0.7f);
}

bool loadPreset (HostedPlugin& p, std::string_view name, std::string& error)
{
    const int index = findFactoryPresetIgnoringCase (name);
    if (index < 0)
    {
        error = "no factory preset \"" + std::string (name) + "\"";
        return false;
    }
    selectFactoryPreset (p, index);
    return true;
}

} // namespace

std::vector<BenchConfig> defaultConfigs (bool morlake)
{
    if (! morlake)
        return {{"plugin", "the plug-in's own start-up state"}};
    return {
        {"light", std::string ("lightest factory preset \"") + kLightestPreset + "\""},
        {"base", "factory preset \"1 to Morlake\""},
        {"slowest", std::string ("slowest factory preset \"") + kSlowestPreset + "\""},
        {"heavy", "early+late+reverb, distortion, \"Space Orbit 2\" x16, all slots at audio rate"},
    };
}

std::vector<std::string> digestConfigs ()
{
    std::vector<std::string> names = {
        "base",       "light",        "heavy",      "heavy+sync", "heavy+direct",
        "heavy+open", "heavy+smooth", "heavy+part", "slowest",    "preset:vocal Duck Verb"};
    for (int k = 0; k < kReverbPresetSteps; ++k)
        names.push_back ("char:" + std::to_string (k));
    return names;
}

bool applyConfig (HostedPlugin& p, const std::string& name, std::string& error)
{
    if (name == "plugin")
        return true;
    if (! isMorlake (p))
    {
        error = "configuration \"" + name + "\" needs Morlake";
        return false;
    }
    if (name == "light")
        return loadPreset (p, kLightestPreset, error);
    if (name == "slowest")
        return loadPreset (p, kSlowestPreset, error);
    if (name == "base")
        return loadPreset (p, "1 to Morlake", error);
    if (name.rfind ("preset:", 0) == 0)
        return loadPreset (p, std::string_view (name).substr (7), error);
    if (name.rfind ("char:", 0) == 0)
    {
        // The heavy settings under another reverb character.
        const int k = std::atoi (name.c_str () + 5);
        if (k < 0 || k >= kReverbPresetSteps || ! loadPreset (p, "1 to Morlake", error))
            return false;
        applyHeavy (p);
        setCharacter (p, k);
        return true;
    }
    if (name.rfind ("heavy", 0) != 0 || ! loadPreset (p, "1 to Morlake", error))
    {
        if (error.empty ())
            error = "unknown configuration \"" + name + "\"";
        return false;
    }
    applyHeavy (p);
    const std::string variant = name.substr (5);
    if (variant == "+sync")
    {
        p.setParameter (tag::LateLengthSync, 1.0f);
        p.setParameter (tag::ReverbPreDelaySync, 1.0f);
    }
    else if (variant == "+direct")
        p.setParameter (tag::EarlyPath, step (0, kEarlyPathScale));
    else if (variant == "+open")
    {
        // Loop filters off: the unfiltered comb update.
        p.setParameter (tag::ReverbLPOn, 0.0f);
        p.setParameter (tag::ReverbHPOn, 0.0f);
        p.setParameter (tag::LatePath, step (1, kEarlyPathScale));
    }
    else if (variant == "+part")
    {
        // No pre-delay disorder until the follower opens: pre-delays 2 and 3
        // part from pre-delay 1 well into the run, with their lines grown.
        p.setParameter (tag::ReverbPreDelayDisorder, 0.0f);
        p.setParameter (tag::FollowerThreshold, 0.4f);
    }
    else if (variant == "+smooth")
    {
        // Disrupt moved by the spring and quantised instead of the LFO.
        p.setParameter (tag::LazyOn, 0.0f);
        p.setParameter (tag::DisruptQuantization, step (4, scale::DisruptQuantization));
        p.setParameter (tag::ModSlot2Dest, step (dest::DisruptSmooth, kListStepScale));
    }
    else if (! variant.empty ())
    {
        error = "unknown configuration \"" + name + "\"";
        return false;
    }
    return true;
}

} // namespace morlake::bench
