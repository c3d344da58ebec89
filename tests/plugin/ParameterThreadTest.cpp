// The audio and the user-interface thread enter the instance at once: values,
// texts, program loads, chunks and MIDI must be free of data races (run under
// TSan in CI).
#include "FakeHost.h"
#include "formats/vst2/VstPlugin.h"
#include "platform/Preferences.h"
#include "tests/common/PluginRun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

using namespace morlake;
using plugintest::AudioThread;
using plugintest::Input;
using test::FakeHost;

namespace {

Input steady ()
{
    Input in (4096);
    for (auto& c : in.channel)
        std::fill (c.begin (), c.end (), 0.25f);
    return in;
}

} // namespace

TEST (ParameterThreads, SettersTextsAndProgramLoadsRaceFree)
{
    FakeHost::reset ();
    VstPlugin plugin (FakeHost::callback, nullptr, test::memoryPrefs ());
    long block = 0;
    std::atomic<long> nonFinite {0};
    AudioThread audio (
        plugin.instance (), steady (), 64,
        [&] (const float* left, const float* right, int frames) {
            for (int i = 0; i < frames; ++i)
                nonFinite += ! std::isfinite (left[i]) || ! std::isfinite (right[i]);
        },
        [&] {
            ++block;
            for (int t = 1; t < 80; ++t)
                plugin.setParameter (t, static_cast<float> ((block + t) % 100) / 100.0f);
        });
    char text[64];
    for (int round = 0; audio.blocks () < 3000; ++round)
    {
        for (int t = 0; t < kNumParams; t += 7)
        {
            plugin.instance ().editParameter (t, 0.5f);
            plugin.getParameterDisplay (t, text);
            plugin.getParameter (t);
        }
        plugin.instance ().setDemoProgram (round % 57);
        plugin.instance ().changeDelta (27, 1);
    }
    EXPECT_EQ (nonFinite.load (), 0);
}

TEST (ParameterThreads, MidiIntakeWhileSettingsChangeAndIdleStoresLearnedControllers)
{
    FakeHost::reset ();
    Preferences prefs {std::string {}, std::string {}};
    VstPlugin plugin (FakeHost::callback, nullptr, prefs);
    {
        long block = 0;
        vst::VstMidiEvent event {};
        vst::VstEvents list {};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<vst::VstEvent*> (&event);
        const int bytes[3][3] = {{0xb0, 7, 0}, {0x90, 60, 100}, {0xc0, 3, 0}};
        AudioThread audio (
            plugin.instance (), steady (), 64, [] (const float*, const float*, int) {},
            [&] {
                const int count = ++block % 50 == 0 ? 3 : 2; // now and then a program change
                for (int i = 0; i < count; ++i)
                {
                    event.type = vst::kVstMidiType;
                    event.deltaFrames = 5 * i;
                    event.midiData[0] = static_cast<char> (bytes[i][0]);
                    event.midiData[1] = static_cast<char> (bytes[i][1]);
                    event.midiData[2] = static_cast<char> (i == 0 ? block % 128 : bytes[i][2]);
                    plugin.processEvents (&list);
                }
            });
        for (int round = 0; audio.blocks () < 2000; ++round)
        {
            prefs.writeString (PREF_MIDI_CAPTURE, round % 2 ? "Y" : "N");
            prefs.writeString (PREF_MIDI_PRESET, round % 3 ? "Y" : "N");
            prefs.writeInt (PREF_MIDI_CHANNEL, round % 3);
            plugin.instance ().setMidiLatch (tag::EarlyDamp, true);
            plugin.dispatcher (vst::effEditIdle, 0, 0, nullptr, 0.0f);
        }
    }
    plugin.dispatcher (vst::effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ (prefs.readInt ("7"), plugin.instance ().getControllerTag (7));
}

// Hosts may set the program and a chunk from two threads at once.
TEST (ParameterThreads, SetProgramAndSetChunkFromTwoThreads)
{
    FakeHost::reset ("Host", "Propellerhead"); // exchanges program chunks, which keep the program index
    VstPlugin plugin (FakeHost::callback, nullptr, test::memoryPrefs ());
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
