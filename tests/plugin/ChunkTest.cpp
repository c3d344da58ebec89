// Host detection, which hosts get chunks, and restoring damaged chunks.
#include "FakeHost.h"
#include "plugin/APlugin.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

using namespace morlake;
using test::FakeHost;

namespace {

std::unique_ptr<APlugin> makeIn (const char* product, const char* vendor = "")
{
    FakeHost::reset (product, vendor);
    return std::make_unique<APlugin> (FakeHost::callback, nullptr, test::memoryPrefs ());
}

bool chunksDeclared (APlugin& p) { return (p.getAeffect ()->flags & vst::effFlagsProgramChunks) != 0; }

ChunkBlock blockNamed (std::string_view name)
{
    ChunkBlock block {};
    PresetRow row = factoryPreset (0);
    encodePresetName (row, name);
    std::memcpy (block.values, row.data (), sizeof block.values);
    std::snprintf (block.name, sizeof block.name, "%s", "saved");
    return block;
}

std::string programName (APlugin& p)
{
    char text[64];
    p.getProgramName (text);
    return text;
}

} // namespace

TEST (HostDetection, FlagsFromProductAndVendor)
{
    struct Case
    {
        const char* product;
        const char* vendor;
        HostFlags expected;
    };
    const Case cases[] = {
        {"REAPER", "Cockos", {.reaper = true}},
        {"reaper", "", {.reaper = true}},
        {"REAPER 6", "", {}},
        {"Maschine Host", "", {.maschine = true}},
        {"Kore Player", "", {.kore = true}},
        {"KORE", "", {.kore = true}},
        {"al-kilncast", "", {.own = true}},
        {"Some Host", "Propellerheads", {.propVendor = true}},
        {"Some Host", "prop", {.propVendor = true}},
        {"Bitwig Studio", "Bitwig", {}},
        {"", "", {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.product);
        const HostFlags f = detectHost (c.product, c.vendor);
        EXPECT_EQ (f.reaper, c.expected.reaper);
        EXPECT_EQ (f.maschine, c.expected.maschine);
        EXPECT_EQ (f.kore, c.expected.kore);
        EXPECT_EQ (f.own, c.expected.own);
        EXPECT_EQ (f.propVendor, c.expected.propVendor);

        auto p = makeIn (c.product, c.vendor);
        EXPECT_EQ (chunksDeclared (*p), c.expected.any ());
    }
}

TEST (Chunk, WhichHostsGetWhichBuffer)
{
    void* data = nullptr;
    auto reaper = makeIn ("ReApEr");
    EXPECT_EQ (reaper->getChunk (&data, false), kChunkSize);
    float values[kNumParams];
    for (int t = 0; t < kNumParams; ++t)
        values[t] = reaper->getParameter (t);
    EXPECT_EQ (std::memcmp (data, values, sizeof values), 0);
    EXPECT_EQ (reaper->getChunk (&data, true), 0);

    auto maschine = makeIn ("MASCHINE HOST");
    EXPECT_EQ (maschine->getChunk (&data, true), 0);
    EXPECT_EQ (maschine->getChunk (&data, false), kChunkSize);

    auto prop = makeIn ("x", "PROPx");
    void* bank = nullptr;
    void* single = nullptr;
    EXPECT_EQ (prop->getChunk (&bank, false), kChunkSize);
    std::vector<char> bankBytes (static_cast<char*> (bank), static_cast<char*> (bank) + kChunkSize);
    prop->setParameter (tag::EarlyDamp, 0.77f);
    EXPECT_EQ (prop->getChunk (&single, true), kChunkSize);
    EXPECT_NE (bank, single);
    EXPECT_EQ (std::memcmp (bank, bankBytes.data (), kChunkSize), 0);

    auto kore = makeIn ("KORE 2");
    EXPECT_TRUE (chunksDeclared (*kore));
    EXPECT_EQ (kore->getChunk (&data, false), 0);
    EXPECT_EQ (kore->getChunk (&data, true), 0);

    auto other = makeIn ("Ardour");
    data = nullptr;
    EXPECT_EQ (other->getChunk (&data, false), 0);
    EXPECT_EQ (data, nullptr);
    ChunkBlock block = blockNamed ("Default");
    EXPECT_EQ (other->setChunk (&block, kChunkSize, false), 1);
    EXPECT_EQ (other->getFactoryIndex (), 0);
}

TEST (Chunk, RestoringKeepsTheValuesAndSelectsThePresetItNames)
{
    auto p = makeIn ("REAPER");
    ChunkBlock block = blockNamed ("synth Lead reverb");
    EXPECT_EQ (p->setChunk (&block, kChunkSize, false), 1);
    EXPECT_EQ (p->getFactoryIndex (), 40);
    EXPECT_EQ (programName (*p), "synth Lead reverb");

    // The user's edit survives; the named preset is what "revert" goes back to.
    block = blockNamed ("Default");
    block.values[tag::EarlyDamp] = 0.99f;
    p->setChunk (&block, kChunkSize, false);
    EXPECT_EQ (p->getFactoryIndex (), 6);
    EXPECT_EQ (p->getParameter (tag::EarlyDamp), 0.99f);
    EXPECT_TRUE (p->getEditChanged ());
    p->origProgram ();
    EXPECT_EQ (p->getParameter (tag::EarlyDamp), factoryPreset (6)[tag::EarlyDamp]);
    EXPECT_FALSE (p->getEditChanged ());
    p->editProgram ();
    EXPECT_EQ (p->getParameter (tag::EarlyDamp), 0.99f);

    block = blockNamed ("nothing like it");
    p->setChunk (&block, kChunkSize, false);
    EXPECT_EQ (p->getFactoryIndex (), 0);
}

TEST (Chunk, DamagedBlocksNeverCorruptTheInstance)
{
    auto p = makeIn ("REAPER");
    p->setDemoProgram (44);
    auto unchanged = [&] { EXPECT_EQ (p->getFactoryIndex (), 44); };

    EXPECT_EQ (p->setChunk (nullptr, kChunkSize, false), 0);
    unchanged ();
    ChunkBlock block = blockNamed ("Default");
    EXPECT_EQ (p->setChunk (&block, 0, false), 0);
    EXPECT_EQ (p->setChunk (&block, kChunkSize - 1, false), 0);
    EXPECT_EQ (p->setChunk (&block, -5, false), 0);
    unchanged ();

    // A longer block is read for its first 1056 bytes.
    std::vector<char> large (65536, 0x7f);
    std::memcpy (large.data (), &block, kChunkSize);
    EXPECT_EQ (p->setChunk (large.data (), static_cast<vst::int32> (large.size ()), false), 1);
    EXPECT_EQ (p->getFactoryIndex (), 6);
    EXPECT_EQ (p->setChunk (large.data (), kChunkSize + 1, false), 1);

    // Non-finite and out-of-range values never reach the live values.
    ChunkBlock bad {};
    for (int t = 0; t < kNumParams; ++t)
        bad.values[t] = t % 3 == 0 ? std::numeric_limits<float>::quiet_NaN ()
                                   : (t % 3 == 1 ? std::numeric_limits<float>::infinity () : -7.0f);
    std::memset (bad.name, 'A', sizeof bad.name); // no terminator
    EXPECT_EQ (p->setChunk (&bad, kChunkSize, false), 1);
    for (int t = 0; t < kNumParams; ++t)
    {
        EXPECT_TRUE (std::isfinite (p->getLiveValue (t)));
        EXPECT_GE (p->getParameter (t), 0.0f);
        EXPECT_LE (p->getParameter (t), 1.0f);
    }
    void* data = nullptr;
    ASSERT_EQ (p->getChunk (&data, false), kChunkSize);
    const auto* saved = static_cast<const ChunkBlock*> (data);
    EXPECT_EQ (strnlen (saved->name, kChunkNameSize), static_cast<std::size_t> (kChunkNameSize - 1));
}

TEST (Chunk, RoundTripIntoAFreshInstance)
{
    auto first = makeIn ("REAPER");
    first->setDemoProgram (33);
    void* data = nullptr;
    ASSERT_EQ (first->getChunk (&data, false), kChunkSize);
    std::vector<char> saved (static_cast<char*> (data), static_cast<char*> (data) + kChunkSize);

    auto second = makeIn ("REAPER");
    EXPECT_EQ (second->setChunk (saved.data (), kChunkSize, false), 1);
    EXPECT_EQ (programName (*second), programName (*first));
    for (int t = 0; t < kNumParams; ++t)
    {
        EXPECT_EQ (second->getParameter (t), first->getParameter (t)) << t;
        EXPECT_EQ (second->getLiveValue (t), first->getLiveValue (t)) << t;
    }
}
