// Loading programs while the audio thread keeps processing: blocks that run
// entirely inside a load are silent, output comes back afterwards, nothing
// non-finite escapes. Also meant for the ThreadSanitizer build.
#include "tests/common/PluginRun.h"

#include "presets/Chunk.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

using namespace morlake;
using namespace morlake::plugintest;
using namespace morlake::measure;

namespace {

vst::intptr reaperCallback (vst::AEffect*, vst::int32 opcode, vst::int32, vst::intptr, void* ptr, float)
{
    if (opcode == vst::audioMasterVersion)
        return 2400;
    if (opcode == vst::audioMasterGetProductString)
    {
        std::strcpy (static_cast<char*> (ptr), "REAPER");
        return 1;
    }
    return 0;
}

struct AudioThread
{
    APlugin& plugin;
    // Odd while a load runs; the loading thread bumps it before and after.
    std::atomic<int>& loadPhase;
    std::atomic<bool> stop {false};
    std::atomic<long> insideBlocks {0};   // blocks processed wholly while a program was being set
    std::atomic<long> loudInside {0};     // of those, blocks with any output
    std::atomic<long> nonFinite {0};
    std::atomic<long> blocks {0};
    std::thread thread;

    AudioThread (APlugin& p, std::atomic<int>& phase) : plugin (p), loadPhase (phase)
    {
        thread = std::thread ([this] { run (); });
    }
    ~AudioThread ()
    {
        stop.store (true, std::memory_order_relaxed);
        thread.join ();
    }

    void run ()
    {
        constexpr int kFrames = 1; // short blocks: many of them fit inside one load
        float in[4][kFrames], out[2][kFrames];
        Noise noise {3};
        while (! stop.load (std::memory_order_relaxed))
        {
            for (int i = 0; i < kFrames; ++i)
                in[0][i] = in[1][i] = 0.3f * noise (), in[2][i] = in[3][i] = 0.2f * noise ();
            float* ins[4] = {in[0], in[1], in[2], in[3]};
            float* outs[2] = {out[0], out[1]};
            const int before = loadPhase.load (std::memory_order_seq_cst);
            const bool settingBefore = plugin.getIsSettingPreset ();
            plugin.processReplacing (ins, outs, kFrames);
            const bool settingAfter = plugin.getIsSettingPreset ();
            const int after = loadPhase.load (std::memory_order_seq_cst);
            bool any = false;
            for (int i = 0; i < kFrames; ++i)
            {
                if (! std::isfinite (out[0][i]) || ! std::isfinite (out[1][i]))
                    nonFinite.fetch_add (1, std::memory_order_relaxed);
                any = any || out[0][i] != 0.0f || out[1][i] != 0.0f;
            }
            // The flag is raised once per load: seen at both ends of a block
            // within the same load, it was up for the whole block.
            if (before == after && (before & 1) != 0 && settingBefore && settingAfter)
            {
                insideBlocks.fetch_add (1, std::memory_order_relaxed);
                if (any)
                    loudInside.fetch_add (1, std::memory_order_relaxed);
            }
            blocks.fetch_add (1, std::memory_order_relaxed);
        }
    }
};

} // namespace

TEST (ProgramLoadWhileProcessing, SilentDuringTheLoadThenResumes)
{
    auto plugin = std::make_unique<APlugin> (reaperCallback);
    plugin->setSampleRate (44100.0f);
    std::atomic<int> phase {0};
    {
        AudioThread audio (*plugin, phase);
        // The loads take microseconds: start them only once the audio runs.
        while (audio.blocks.load (std::memory_order_relaxed) < 1000)
            std::this_thread::yield ();
        // Round after round of all presets, until enough blocks have run
        // wholly inside a load (the two threads must overlap for that) or
        // time is up.
        const auto deadline = std::chrono::steady_clock::now () + std::chrono::seconds (10);
        for (int round = 0; round < 3 || (audio.insideBlocks.load () < 50 && std::chrono::steady_clock::now () < deadline);
             ++round)
            for (int i = 0; i < kNumFactoryPresets; ++i)
            {
                phase.fetch_add (1, std::memory_order_seq_cst);
                if (i % 2 == 0)
                    plugin->setDemoProgram (i);
                else
                {
                    // A host restoring its saved state does the same from its own thread.
                    ChunkBlock block {};
                    std::memcpy (block.values, factoryPreset (i).data (), sizeof block.values);
                    plugin->setChunk (&block, kChunkSize, false);
                }
                phase.fetch_add (1, std::memory_order_seq_cst);
                EXPECT_EQ (plugin->getFactoryIndex (), i);
            }
        // Let the audio run on after the last load.
        const long until = audio.blocks.load () + 20000;
        while (audio.blocks.load (std::memory_order_relaxed) < until)
            std::this_thread::yield ();
        RecordProperty ("blocksInsideLoads", std::to_string (audio.insideBlocks.load ()));
        EXPECT_EQ (audio.nonFinite.load (), 0);
        EXPECT_GT (audio.insideBlocks.load (), 0) << "no block ran inside a load: nothing was checked";
        EXPECT_EQ (audio.loudInside.load (), 0) << "of " << audio.insideBlocks.load () << " blocks inside a load";
    }
    // The last preset plays: the chain is running again.
    Input in (44100);
    addSteadyNoise (in, 0, in.size (), 0.3f);
    const Stereo out = render (*plugin, in);
    EXPECT_TRUE (allFinite (out));
    EXPECT_GT (peak (out, 22050), 0.01f);
}
