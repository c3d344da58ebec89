// Fuzz target for restoring host chunks. Each input is either a raw block
// handed to setChunk as it is, or a patch of (offset, byte) pairs applied to a
// valid chunk of a factory preset, so that mutations reach past the size check.
#include "formats/vst2/VstPlugin.h"
#include "presets/Chunk.h"
#include "presets/FactoryPresets.h"
#include "tests/plugin/FakeHost.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace morlake;

namespace {

VstPlugin& instance ()
{
    static std::unique_ptr<VstPlugin> plugin = [] {
        test::FakeHost::reset ("", "PROP"); // bank and program chunks both served
        auto p = std::make_unique<VstPlugin> (test::FakeHost::callback, nullptr, test::memoryPrefs ());
        p->setSampleRate (44100.0f);
        return p;
    }();
    return *plugin;
}

void check (bool condition)
{
    if (! condition)
        std::abort ();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    VstPlugin& plugin = instance ();
    if (size == 0)
    {
        check (plugin.setChunk (nullptr, 0, false) == 0);
        return 0;
    }
    const bool isPreset = (data[0] & 1) != 0;
    std::vector<std::uint8_t> block;
    if ((data[0] & 2) != 0)
    {
        block.assign (data + 1, data + size);
    }
    else
    {
        ChunkBlock valid {};
        std::memcpy (valid.values, factoryPreset (data[0] % kNumFactoryPresets).data (), sizeof valid.values);
        block.resize (kChunkSize);
        std::memcpy (block.data (), &valid, kChunkSize);
        for (std::size_t i = 1; i + 2 < size; i += 3)
            block[(std::size_t (data[i]) << 8 | data[i + 1]) % kChunkSize] = data[i + 2];
    }
    const auto n = static_cast<vst::int32> (block.size ());
    const vst::int32 answer = plugin.setChunk (block.empty () ? nullptr : block.data (), n, isPreset);
    check (answer == (n >= kChunkSize ? 1 : 0));

    // Whatever came in, the state is valid, a known preset is current, the
    // block's values are the state (clamped, switches snapped) and the chunk
    // handed back is whole. A refused block leaves the state alone.
    const int index = plugin.instance ().getFactoryIndex ();
    check (index >= 0 && index < kNumFactoryPresets);
    ChunkBlock incoming {};
    if (answer == 1)
        std::memcpy (&incoming, block.data (), kChunkSize);
    for (int t = 0; t < kNumParams; ++t)
    {
        const float v = plugin.getParameter (t);
        check (v >= 0.0f && v <= 1.0f);
        if (answer != 1)
            continue;
        float want = incoming.values[t];
        want = ! (want >= 0.0f) ? 0.0f : (want > 1.0f ? 1.0f : want);
        if (plugin.instance ().table ().isOnOff (t))
            want = want < 0.5f ? 0.0f : 1.0f;
        check (plugin.instance ().getLiveValue (t) == want);
    }
    void* out = nullptr;
    check (plugin.getChunk (&out, isPreset) == kChunkSize && out != nullptr);
    const auto* saved = static_cast<const ChunkBlock*> (out);
    check (strnlen (saved->name, kChunkNameSize) < std::size_t (kChunkNameSize));
    char name[64];
    plugin.getProgramName (name);
    check (std::strlen (name) <= 26);

    // A few frames of audio through the loaded state.
    float in[4][32] {}, o[2][32];
    in[0][0] = in[1][0] = 0.5f;
    float* ins[4] = {in[0], in[1], in[2], in[3]};
    float* outs[2] = {o[0], o[1]};
    plugin.processReplacing (ins, outs, 32);
    for (int i = 0; i < 32; ++i)
        check (std::isfinite (o[0][i]) && std::isfinite (o[1][i]));
    return 0;
}
