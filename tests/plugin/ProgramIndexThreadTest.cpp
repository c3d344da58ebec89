// Hosts may set the program and a chunk from two threads at once; the program
// index both write must stay free of data races (run under TSan in CI).
#include "FakeHost.h"
#include "plugin/APlugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace morlake;
using test::FakeHost;

TEST (ProgramIndexThreads, SetProgramAndSetChunkFromTwoThreads)
{
    FakeHost::reset ("Host", "Propellerhead"); // exchanges program chunks, which keep the program index
    APlugin plugin (FakeHost::callback, nullptr, test::memoryPrefs ());
    void* data = nullptr;
    const vst::int32 size = static_cast<vst::int32> (plugin.dispatcher (vst::effGetChunk, 1, 0, &data, 0.0f));
    ASSERT_GT (size, 0);
    const std::vector<char> chunk (static_cast<char*> (data), static_cast<char*> (data) + size);

    std::atomic<bool> stop {false};
    std::thread chunks ([&] {
        std::vector<char> copy = chunk;
        for (int i = 0; i < 200; ++i)
            plugin.dispatcher (vst::effSetChunk, 1, size, copy.data (), 0.0f);
        stop = true;
    });
    while (! stop)
    {
        plugin.dispatcher (vst::effSetProgram, 0, 0, nullptr, 0.0f);
        EXPECT_EQ (plugin.dispatcher (vst::effGetProgram, 0, 0, nullptr, 0.0f), 0);
    }
    chunks.join ();
}
