// A host-free rig for the modulation layer: live values, the setter and the
// signal chain's call order (control work every 16 frames).
#pragma once

#include "dsp/TModulation.h"
#include "params/ParamTags.h"

#include <algorithm>
#include <array>
#include <memory>

namespace morlake {

constexpr float kRigRate = 48000.0f;

inline float listValue(int index) { return (static_cast<float>(index) + 0.1f) / 99.99f; }
inline float stepValue(int step, float scale) { return (static_cast<float>(step) + 0.1f) / scale; }

struct Rig
{
    std::array<float, kNumParams> p{};
    std::unique_ptr<TModulation> mod = std::make_unique<TModulation>();
    float bpm = 120.0f;
    long counter = 0;

    Rig()
    {
        // The defaults of the tags the layer reads; the spring is "Off".
        p[tag::DisruptValue] = 0.5f;
        for (int n = 0; n < 8; ++n)
        {
            p[tag::Disrupt1On + n] = 1.0f;
            p[tag::Disrupt1Amount + n] = 0.5f;
        }
        p[tag::LazySpeed] = 0.56f;
        p[tag::LazySync] = 1.0f;
        p[tag::FollowerAmount] = 0.5f;
        p[tag::ModSlot1Amount] = 0.5f;
        p[tag::ModSlot2Amount] = 0.5f;
        mod->setParameterSetter(
            [](void* ctx, int t, float v) { static_cast<Rig*>(ctx)->p[t] = std::clamp(v, 0.0f, 1.0f); }, this);
        mod->setSampleRate(kRigRate, p.data());
        mod->programChanged(p.data());
        mod->resetAll(p.data());
    }
    void tick() { mod->controlTick(p.data(), bpm, kRigRate * 240.0f / bpm); }
    // One frame in the chain's order.
    void frame(float inL = 0.0f, float inR = 0.0f)
    {
        if ((counter & 15) == 0)
            tick();
        mod->setTap(tap::Input, inL, inR);
        mod->process(p.data());
        ++counter;
    }
    void run(int n, float inL = 0.0f, float inR = 0.0f)
    {
        for (int i = 0; i < n; ++i)
            frame(inL, inR);
    }
    float m(int d) const { return mod->m(d); }
    // Mod Slot 1 or 2 from `source` to `dest` at normalised `amount`.
    void route(int slot, int source, int dest, float amount)
    {
        const int base = slot == 1 ? tag::ModSlot1Amount : tag::ModSlot2Amount;
        p[base] = amount;
        p[base + 1] = listValue(source);
        p[base + 2] = listValue(dest);
    }
};

} // namespace morlake
