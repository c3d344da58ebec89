// The built plug-in in each host: the damaged blocks a host may hand over,
// and sessions saved and restored the way each host does it.
#include "presets/Chunk.h"
#include "presets/FactoryPresets.h"
#include "tests/common/Hosted.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace morlake;

namespace {

struct Host
{
    const char* product;
    const char* vendor;
    bool bank;    // a bank request answers a chunk
    bool program; // a program request answers a chunk
};

const Host HOSTS[] = {
    {"Ardour", "Linux Audio Systems", false, false}, // no chunks: restores parameter by parameter
    {"REAPER", "Cockos", true, false},
    {"MASCHINE HOST", "Native", true, false},
    {"KORE Player", "Native", false, false}, // declares chunks, never exchanges them
    {"Some Host", "PROPELLER", true, true},
    {"AL-KILNCAST", "Aldermoor", true, false},
};

std::unique_ptr<HostedPlugin> load (const Host& host)
{
    return test::loadOpen (MORLAKE_PLUGIN_PATH, test::hostNamed (host.product, host.vendor));
}

// Selects a factory preset the way a host restoring parameters does: the
// name slots, then program 0.
void selectPreset (HostedPlugin& plugin, int index)
{
    const PresetRow& row = factoryPreset (index);
    for (int t = kNameFirstTag; t < kNameFirstTag + kNameMaxChars; ++t)
        plugin.setParameter (t, row[t]);
    plugin.setProgram (0);
}

std::vector<float> parameters (HostedPlugin& plugin)
{
    std::vector<float> v (kNumParams);
    for (int t = 0; t < kNumParams; ++t)
        v[t] = plugin.getParameter (t);
    return v;
}

std::vector<std::uint8_t> chunkNamed (std::string_view name)
{
    ChunkBlock block {};
    PresetRow row = factoryPreset (0);
    encodePresetName (row, name);
    std::memcpy (block.values, row.data (), sizeof block.values);
    std::snprintf (block.name, sizeof block.name, "%s", "saved");
    std::vector<std::uint8_t> bytes (kChunkSize);
    std::memcpy (bytes.data (), &block, kChunkSize);
    return bytes;
}

std::string hostName (const testing::TestParamInfo<Host>& info)
{
    std::string name;
    for (const char* p = info.param.product; *p; ++p)
        name += std::isalnum (static_cast<unsigned char> (*p)) ? *p : '_';
    return name + "_" + std::to_string (info.index);
}

} // namespace

// Damaged blocks a host may hand over, through the dispatcher.
TEST (HostChunk, DamagedBlocksThroughTheDispatcher)
{
    auto plugin = load (HOSTS[4]); // PROP vendor: bank and program chunks
    ASSERT_TRUE (plugin);
    selectPreset (*plugin, 44);
    const std::vector<float> before = parameters (*plugin);
    auto unchanged = [&] { EXPECT_EQ (parameters (*plugin), before); };

    EXPECT_EQ (plugin->dispatch (vst::effSetChunk, 0, kChunkSize, nullptr), 0);
    EXPECT_EQ (plugin->dispatch (vst::effSetChunk, 1, kChunkSize, nullptr), 0);
    unchanged ();
    const auto good = chunkNamed ("Default");
    EXPECT_EQ (plugin->setChunk (std::span (good).first (0), true), 0);
    EXPECT_EQ (plugin->setChunk (std::span (good).first (kChunkSize - 1), true), 0);
    unchanged ();
    // A null out-pointer for a get.
    EXPECT_EQ (plugin->dispatch (vst::effGetChunk, 0, 0, nullptr), 0);

    // Name slots without a terminator (28 characters, none of them a name), a
    // factory name running on into the next slot, non-finite name slots: only
    // a whole factory name selects its preset. Damaged values and sizes are
    // the chunk fuzz test's (tests/fuzz).
    const auto edited = [&] (const std::function<void (ChunkBlock&)>& edit) {
        ChunkBlock block;
        std::memcpy (&block, good.data (), kChunkSize);
        edit (block);
        std::vector<std::uint8_t> bytes (kChunkSize);
        std::memcpy (bytes.data (), &block, kChunkSize);
        return bytes;
    };
    const std::pair<std::vector<std::uint8_t>, const char*> damaged[] = {
        {edited ([] (ChunkBlock& b) {
             for (int k = 0; k < kNameMaxChars; ++k)
                 b.values[kNameFirstTag + k] = encodeNameChar ('x');
         }),
         "1 to Morlake"},
        {edited ([] (ChunkBlock& b) { b.values[kNameFirstTag + 7] = encodeNameChar ('!'); }), "1 to Morlake"},
        {edited ([&] (ChunkBlock& b) {
             b.values[kNameFirstTag + 3] = std::numeric_limits<float>::quiet_NaN ();
             b.values[kNameFirstTag + 4] = -std::numeric_limits<float>::infinity ();
         }),
         "1 to Morlake"},
    };
    for (const auto& [bytes, name] : damaged)
        for (bool program : {false, true})
        {
            EXPECT_EQ (plugin->setChunk (bytes, program), 1);
            EXPECT_EQ (plugin->programName ().text, name);
            for (float v : parameters (*plugin))
                EXPECT_TRUE (v >= 0.0f && v <= 1.0f);
        }

    // The plug-in keeps working on audio after all of that.
    std::vector<float> in (512, 0.0f), outL (512), outR (512);
    in[0] = 0.5f;
    const float* ins[2] = {in.data (), in.data ()};
    float* outs[2] = {outL.data (), outR.data ()};
    plugin->processBlock (ins, 2, outs, 512);
    for (int i = 0; i < 512; ++i)
        EXPECT_TRUE (std::isfinite (outL[i]) && std::isfinite (outR[i]));
}

// A saved session comes back as the user left it, in every host: the host
// saves (the chunks it gets, holding every value, or all 256 values one by
// one), a fresh instance restores them and plays past several housekeeping
// periods, and then has the same values, name and sound as the instance that
// was saved.
namespace {

struct Edit
{
    int tag;
    float value;
};

struct Session
{
    const char* preset;
    std::vector<Edit> edits;
};

float reverbStep (int k) { return (static_cast<float> (k) + 0.1f) / 10.99f; }
float listStep (int k) { return (static_cast<float> (k) + 0.1f) / 99.99f; }

const Session SESSIONS[] = {
    {"vocal Clean Hall",
     {{tag::WetDry, 0.3f},
      {tag::ReverbLength, 0.71f},
      {tag::ReverbDamp, 0.22f},
      {tag::LateVolume, 0.64f},
      {tag::EarlyFeed, 0.55f}}},
    {"1 to Morlake",
     {{tag::DistortionOn, 1.0f},
      {tag::DistortionAmount, 0.3f},
      {tag::ReverbPreset, reverbStep (9)},
      {tag::ModSlot1Source, listStep (5)},
      {tag::ModSlot1Dest, listStep (9)},
      {tag::ModSlot1Amount, 0.8f}}},
    {"Default", {{tag::ReverbPreset, reverbStep (3)}, {tag::LateOn, 0.0f}, {tag::WetDry, 0.61f}}},
    {FACTORY_PRESET_NAMES_STR[38].data (), {}},
    {FACTORY_PRESET_NAMES_STR[19].data (), {}},
};

int presetIndex (std::string_view name)
{
    for (int i = 0; i < kNumFactoryPresets; ++i)
        if (FACTORY_PRESET_NAMES_STR[i] == name)
            return i;
    ADD_FAILURE () << "no preset " << name;
    return 0;
}

AudioBuffers play (HostedPlugin& plugin, double seconds, bool burst)
{
    const auto frames = static_cast<std::size_t> (seconds * plugin.config ().sampleRate);
    AudioBuffers in (2, std::vector<float> (frames, 0.0f));
    std::uint32_t seed = 7;
    for (std::size_t i = 0; burst && i < frames / 8; ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        in[0][i] = in[1][i] = (static_cast<float> (seed >> 8) / 16777216.0f - 0.5f) * 0.5f;
    }
    return plugin.processAll (in, 256);
}

// Clean start at the same rate: a rate change rebuilds the DSP.
void resetDsp (HostedPlugin& plugin)
{
    const double rate = plugin.config ().sampleRate;
    plugin.setSampleRate (rate * 2.0);
    plugin.setSampleRate (rate);
}

} // namespace

class SessionRestore : public testing::TestWithParam<Host>
{};

TEST_P (SessionRestore, EditedStateComesBackWithItsSound)
{
    const Host& host = GetParam ();
    for (const Session& session : SESSIONS)
    {
        SCOPED_TRACE (session.preset);
        auto original = load (host);
        ASSERT_TRUE (original);
        selectPreset (*original, presetIndex (session.preset));
        for (const Edit& edit : session.edits)
            original->setParameter (edit.tag, edit.value);

        const std::string name = std::string (session.preset).substr (0, kProgramNameCap - 1);
        ASSERT_EQ (original->programName ().text, name);
        const std::vector<float> saved = parameters (*original);
        const auto bank = original->getChunk (false);
        const auto program = original->getChunk (true);
        EXPECT_EQ (bank.size (), host.bank ? std::size_t (kChunkSize) : 0u);
        EXPECT_EQ (program.size (), host.program ? std::size_t (kChunkSize) : 0u);
        for (const auto* chunk : {&bank, &program})
            if (! chunk->empty ())
            {
                ChunkBlock block;
                std::memcpy (&block, chunk->data (), kChunkSize);
                EXPECT_TRUE (std::equal (saved.begin (), saved.end (), block.values));
                EXPECT_LT (strnlen (block.name, kChunkNameSize), std::size_t (kChunkNameSize));
            }

        auto restored = load (host);
        ASSERT_TRUE (restored);
        if (host.bank)
            ASSERT_EQ (restored->setChunk (bank, false), 1);
        else
        {
            // A chunk that is never exchanged changes nothing when offered.
            const std::vector<float> before = parameters (*restored);
            EXPECT_EQ (restored->setChunk (chunkNamed (session.preset), false), 1);
            EXPECT_EQ (parameters (*restored), before);
            for (int t = 0; t < kNumParams; ++t)
                restored->setParameter (t, saved[t]);
        }
        if (host.program)
        {
            auto other = load (host);
            EXPECT_EQ (other->setChunk (program, true), 1);
            EXPECT_EQ (parameters (*other), saved);
        }

        play (*original, 2.0, false);
        play (*restored, 2.0, false);
        EXPECT_EQ (parameters (*restored), parameters (*original));
        EXPECT_EQ (restored->programName ().text, name);

        resetDsp (*original);
        resetDsp (*restored);
        const AudioBuffers want = play (*original, 1.5, true);
        const AudioBuffers got = play (*restored, 1.5, true);
        ASSERT_EQ (got.size (), want.size ());
        for (std::size_t c = 0; c < want.size (); ++c)
            EXPECT_TRUE (got[c] == want[c]) << "channel " << c << " differs";
    }
}

INSTANTIATE_TEST_SUITE_P (Hosts, SessionRestore, testing::ValuesIn (HOSTS), hostName);
