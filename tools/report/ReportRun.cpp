#include "tools/report/ReportRun.h"

#include "tools/harness/FactoryPresets.h"
#include "tools/render/ParameterValues.h"

#include <cmath>
#include <numbers>

namespace morlake::sound {

namespace {

constexpr double kSettleSeconds = 1.0;

std::unique_ptr<HostedPlugin> prepare (const ReportRequest& r, std::string& error)
{
    HostConfig config;
    config.sampleRate = r.rate;
    config.blockSize = r.blockSize;
    config.productString = kToolHostProduct;
    config.vendorString = kToolHostVendor;
    config.unloadModule = false;
    auto plugin = HostedPlugin::load (r.pluginPath, config, error);
    if (! plugin)
        return nullptr;
    plugin->open ();
    if (plugin->numOutputs () < 2)
    {
        error = "plug-in \"" + r.pluginPath + "\" has fewer than two outputs";
        return nullptr;
    }
    if (! r.preset.empty () && ! applyPreset (*plugin, r.preset, error))
        return nullptr;
    if (isMorlake (*plugin) && ! applyAssignment (*plugin, {"Wet/Dry Mix", "1", true}, error))
        return nullptr;
    for (const auto& a : r.assignments)
        if (! applyAssignment (*plugin, a, error))
            return nullptr;
    return plugin;
}

// The last `frames` samples of the first two outputs.
AudioBuffers lastFrames (AudioBuffers all, std::size_t frames)
{
    all.resize (2);
    for (auto& c : all)
        c.erase (c.begin (), c.end () - std::ptrdiff_t (std::min (frames, c.size ())));
    return all;
}

} // namespace

bool renderImpulse (const ReportRequest& r, AudioBuffers& out, std::string& error)
{
    auto plugin = prepare (r, error);
    if (! plugin)
        return false;
    const auto settle = std::size_t (kSettleSeconds * r.rate);
    const auto length = std::size_t (r.seconds * r.rate);
    AudioBuffers in (2, std::vector<float> (settle + length, 0.0f));
    in[0][settle] = in[1][settle] = 1.0f;
    out = lastFrames (plugin->processAll (in, r.blockSize), length);
    return true;
}

bool renderSine (const ReportRequest& r, double levelDb, const std::string& sweep, AudioBuffers& out,
                 std::string& error)
{
    auto plugin = prepare (r, error);
    if (! plugin)
        return false;
    int swept = -1;
    if (! sweep.empty () && (swept = resolveParameter (*plugin, sweep, error)) < 0)
        return false;
    const auto settle = std::size_t (2.0 * r.rate);
    const auto length = std::size_t (r.seconds * r.rate);
    const double amplitude = std::pow (10.0, levelDb / 20.0);
    constexpr int kBlock = 64;
    std::vector<float> inL (kBlock), inR (kBlock);
    const std::size_t total = (settle + length + kBlock - 1) / kBlock * kBlock;
    AudioBuffers all (std::size_t (plugin->numOutputs ()), std::vector<float> (total));
    for (std::size_t at = 0; at < total; at += kBlock)
    {
        for (int i = 0; i < kBlock; ++i)
            inL[std::size_t (i)] = inR[std::size_t (i)] =
                float (amplitude * std::sin (2.0 * std::numbers::pi * 440.0 * double (at + std::size_t (i)) / r.rate));
        if (swept >= 0)
        {
            const double phase = std::fmod (double (at) / r.rate / 4.0, 1.0);
            plugin->setParameter (swept, float (0.4 + 0.4 * (1.0 - std::abs (2.0 * phase - 1.0))));
        }
        const float* ins[2] = {inL.data (), inR.data ()};
        std::vector<float*> outs;
        for (auto& c : all)
            outs.push_back (c.data () + at);
        plugin->processBlock (ins, 2, outs.data (), kBlock);
    }
    out = lastFrames (std::move (all), length);
    return true;
}

} // namespace morlake::sound
