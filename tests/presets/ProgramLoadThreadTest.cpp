// Loading programs while the audio thread keeps processing: blocks that run
// entirely inside a load are silent, output comes back afterwards, nothing
// non-finite escapes. Also meant for the ThreadSanitizer build.
#include "tests/common/PluginRun.h"
#include "tests/plugin/FakeHost.h"
#include "formats/vst2/VstPlugin.h"

#include "presets/Chunk.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace morlake;
using namespace morlake::plugintest;
using namespace morlake::measure;

TEST (ProgramLoadWhileProcessing, SilentDuringTheLoadThenResumes)
{
    test::FakeHost::reset ("REAPER");
    auto plugin = std::make_unique<VstPlugin> (test::FakeHost::callback, nullptr, test::memoryPrefs ());
    plugin->setSampleRate (44100.0f);
    // Odd while a load runs; the loading thread bumps it before and after.
    std::atomic<int> phase {0};
    int phaseBefore = 0;
    bool settingBefore = false;
    std::atomic<long> insideBlocks {0}; // blocks processed wholly while a program was being set
    std::atomic<long> loudInside {0};   // of those, blocks with any output
    std::atomic<long> nonFinite {0};
    Input in (44100);
    addNoise (in, 0, in.size (), 0.3f, 3);
    for (std::size_t i = 0; i < in.size (); ++i)
        in.channel[2][i] = in.channel[3][i] = 0.5f * in.channel[0][i];
    {
        // Blocks of one frame: many of them fit inside one load.
        AudioThread audio (
            plugin->instance (), std::move (in), 1,
            [&] (const float* left, const float* right, int) {
                const bool settingAfter = plugin->instance ().getIsSettingPreset ();
                const int phaseAfter = phase.load (std::memory_order_seq_cst);
                if (! std::isfinite (left[0]) || ! std::isfinite (right[0]))
                    nonFinite.fetch_add (1, std::memory_order_relaxed);
                // The flag is raised once per load: seen at both ends of a block
                // within the same load, it was up for the whole block.
                if (phaseBefore == phaseAfter && (phaseBefore & 1) != 0 && settingBefore && settingAfter)
                {
                    insideBlocks.fetch_add (1, std::memory_order_relaxed);
                    if (left[0] != 0.0f || right[0] != 0.0f)
                        loudInside.fetch_add (1, std::memory_order_relaxed);
                }
            },
            [&] {
                phaseBefore = phase.load (std::memory_order_seq_cst);
                settingBefore = plugin->instance ().getIsSettingPreset ();
            });
        // The loads take microseconds: start them only once the audio runs.
        while (audio.blocks () < 1000)
            std::this_thread::yield ();
        // Round after round of all presets, until enough blocks have run
        // wholly inside a load (the two threads must overlap for that) or
        // time is up.
        const auto deadline = std::chrono::steady_clock::now () + std::chrono::seconds (10);
        for (int round = 0; round < 3 || (insideBlocks.load () < 50 && std::chrono::steady_clock::now () < deadline);
             ++round)
            for (int i = 0; i < kNumFactoryPresets; ++i)
            {
                phase.fetch_add (1, std::memory_order_seq_cst);
                if (i % 2 == 0)
                    plugin->instance ().setDemoProgram (i);
                else
                {
                    // A host restoring its saved state does the same from its own thread.
                    ChunkBlock block {};
                    std::memcpy (block.values, factoryPreset (i).data (), sizeof block.values);
                    plugin->setChunk (&block, kChunkSize, false);
                }
                phase.fetch_add (1, std::memory_order_seq_cst);
                EXPECT_EQ (plugin->instance ().getFactoryIndex (), i);
            }
        // Let the audio run on after the last load.
        audio.waitBlocks (20000);
        RecordProperty ("blocksInsideLoads", std::to_string (insideBlocks.load ()));
        EXPECT_EQ (nonFinite.load (), 0);
        EXPECT_GT (insideBlocks.load (), 0) << "no block ran inside a load: nothing was checked";
        EXPECT_EQ (loudInside.load (), 0) << "of " << insideBlocks.load () << " blocks inside a load";
    }
    // The last preset plays: the chain is running again.
    Input steady (44100);
    addSteadyNoise (steady, 0, steady.size (), 0.3f);
    const Stereo out = render (plugin->instance (), steady);
    EXPECT_TRUE (allFinite (out));
    EXPECT_GT (peak (out, 22050), 0.01f);
}

// A host saving the state on one thread while the user restores another on a
// second, with audio running: every saved chunk is one of the states set,
// never a mix of two (the ThreadSanitizer build also checks the buffers).
TEST (ChunkSaveWhileRestoring, EverySavedChunkIsOneWholeState)
{
    test::FakeHost::reset ("REAPER");
    auto plugin = std::make_unique<VstPlugin> (test::FakeHost::callback, nullptr, test::memoryPrefs ());
    plugin->setSampleRate (44100.0f);

    // Two saved states that differ in every editable value and in the name.
    auto stateOf = [&] (int preset) {
        ChunkBlock block {};
        std::memcpy (block.values, factoryPreset (preset).data (), sizeof block.values);
        plugin->setChunk (&block, kChunkSize, false);
        ChunkBlock saved {};
        void* data = nullptr;
        EXPECT_EQ (plugin->getChunk (&data, false), kChunkSize);
        std::memcpy (&saved, data, kChunkSize);
        return saved;
    };
    const ChunkBlock states[2] = {stateOf (3), stateOf (12)};
    int differing = 0;
    for (int t = 0; t < kNumParams; ++t)
        differing += states[0].values[t] != states[1].values[t];
    ASSERT_GT (differing, 20);

    Input in (44100);
    addNoise (in, 0, in.size (), 0.3f, 5);
    std::atomic<bool> stop {false};
    std::atomic<long> restores {0};
    long saves = 0, mixed = 0;
    {
        AudioThread audio (plugin->instance (), std::move (in), 64, [] (const float*, const float*, int) {});
        std::thread restorer ([&] {
            for (long n = 0; ! stop.load (std::memory_order_relaxed); ++n)
            {
                ChunkBlock block = states[n & 1];
                plugin->setChunk (&block, kChunkSize, false);
                restores.fetch_add (1, std::memory_order_relaxed);
            }
        });
        while (restores.load (std::memory_order_relaxed) < 2000 || saves < 2000)
        {
            void* data = nullptr;
            ASSERT_EQ (plugin->getChunk (&data, false), kChunkSize);
            ChunkBlock saved {};
            std::memcpy (&saved, data, kChunkSize);
            ++saves;
            if (std::memcmp (&saved, &states[0], kChunkSize) != 0 && std::memcmp (&saved, &states[1], kChunkSize) != 0)
                ++mixed;
        }
        stop.store (true, std::memory_order_relaxed);
        restorer.join ();
    }
    EXPECT_EQ (mixed, 0) << "of " << saves << " chunks saved";
}

// Program changes arriving by MIDI load on the audio thread, which cannot
// wait for the host's thread: a chunk saved meanwhile is still the state of
// one preset (before or after the reverb update that follows a load), never
// part of one and part of another. "Disrupt Value" moves with the audio and
// is left out of the comparison.
TEST (ChunkSaveWhileRestoring, EverySavedChunkIsOnePresetWhileMidiLoadsPrograms)
{
    constexpr int kPresets = 12;
    auto fresh = [] {
        test::FakeHost::reset ("REAPER");
        auto p = std::make_unique<VstPlugin> (test::FakeHost::callback, nullptr, test::memoryPrefs ());
        p->setSampleRate (44100.0f);
        return p;
    };
    auto saved = [] (VstPlugin& p) {
        void* data = nullptr;
        EXPECT_EQ (p.getChunk (&data, false), kChunkSize);
        ChunkBlock block {};
        std::memcpy (&block, data, kChunkSize);
        block.values[tag::DisruptValue] = 0.0f;
        return block;
    };
    std::vector<ChunkBlock> states;
    for (int i = 0; i < kPresets; ++i)
    {
        auto p = fresh ();
        p->instance ().setDemoProgram (i * 4);
        states.push_back (saved (*p));
        Input quiet (2 * 8192);
        render (p->instance (), quiet);
        states.push_back (saved (*p));
    }

    auto plugin = fresh ();
    Input in (44100);
    addNoise (in, 0, in.size (), 0.3f, 9);
    long mixed = 0, saves = 0;
    {
        std::atomic<int> next {0};
        AudioThread audio (
            plugin->instance (), std::move (in), 64, [] (const float*, const float*, int) {},
            [&] {
                // One program change a block, at a frame of its own.
                const int n = next.fetch_add (1, std::memory_order_relaxed);
                vst::VstMidiEvent change {};
                change.type = vst::kVstMidiType;
                change.byteSize = sizeof change;
                change.deltaFrames = n % 64;
                change.midiData[0] = static_cast<char> (0xc0);
                change.midiData[1] = static_cast<char> ((n % kPresets) * 4);
                vst::VstEvents events {};
                events.numEvents = 1;
                events.events[0] = reinterpret_cast<vst::VstEvent*> (&change);
                plugin->processEvents (&events);
            });
        while (audio.blocks () < 2000 || saves < 20000)
        {
            const ChunkBlock block = saved (*plugin);
            ++saves;
            bool known = false;
            for (const ChunkBlock& state : states)
                known = known || std::memcmp (&block, &state, kChunkSize) == 0;
            mixed += known ? 0 : 1;
        }
    }
    EXPECT_EQ (mixed, 0) << "of " << saves << " chunks saved";
}
