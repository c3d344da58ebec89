// The audio and the user-interface thread enter the instance at once: values,
// texts, program loads and MIDI must be free of data races (run under TSan in CI).
#include "FakeHost.h"
#include "plugin/APlugin.h"
#include "platform/Preferences.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

using namespace morlake;
using test::FakeHost;

TEST (ParameterThreads, SettersTextsAndProgramLoadsRaceFree)
{
    FakeHost::reset ();
    APlugin plugin (FakeHost::callback, nullptr, test::memoryPrefs ());
    std::atomic<bool> stop {false};

    std::thread audio ([&] {
        std::vector<float> in (4 * 64, 0.25f), out (2 * 64);
        float* inputs[4] = {&in[0], &in[64], &in[128], &in[192]};
        float* outputs[2] = {&out[0], &out[64]};
        for (int block = 0; block < 3000; ++block)
        {
            for (int t = 1; t < 80; ++t)
                plugin.setParameter (t, static_cast<float> ((block + t) % 100) / 100.0f);
            plugin.processReplacing (inputs, outputs, 64);
            for (float v : out)
                ASSERT_TRUE (std::isfinite (v));
        }
        stop = true;
    });

    char text[64];
    int rounds = 0;
    while (! stop)
    {
        for (int t = 0; t < kNumParams; t += 7)
        {
            plugin.setParameterAutomated (t, 0.5f);
            plugin.getParameterDisplay (t, text);
            plugin.getParameter (t);
        }
        plugin.setDemoProgram (rounds % 57);
        plugin.changeDelta (27, 1);
        ++rounds;
    }
    audio.join ();
    EXPECT_GT (rounds, 0);
}

TEST (ParameterThreads, MidiIntakeWhileSettingsChangeAndIdleStoresLearnedControllers)
{
    FakeHost::reset ();
    Preferences prefs {std::string {}, std::string {}};
    APlugin plugin (FakeHost::callback, nullptr, prefs);
    std::atomic<bool> stop {false};

    std::thread audio ([&] {
        std::vector<float> in (4 * 64, 0.25f), out (2 * 64);
        float* inputs[4] = {&in[0], &in[64], &in[128], &in[192]};
        float* outputs[2] = {&out[0], &out[64]};
        vst::VstMidiEvent events[3] {};
        const int bytes[3][3] = {{0xb0, 7, 0}, {0x90, 60, 100}, {0xc0, 3, 0}};
        vst::VstEvents list {};
        vst::VstEvent* pointers[3];
        for (int block = 0; block < 2000; ++block)
        {
            const int count = block % 50 == 0 ? 3 : 2; // now and then a program change
            for (int i = 0; i < count; ++i)
            {
                events[i].type = vst::kVstMidiType;
                events[i].deltaFrames = 5 * i;
                events[i].midiData[0] = static_cast<char> (bytes[i][0]);
                events[i].midiData[1] = static_cast<char> (bytes[i][1]);
                events[i].midiData[2] = static_cast<char> (i == 0 ? block % 128 : bytes[i][2]);
                pointers[i] = reinterpret_cast<vst::VstEvent*> (&events[i]);
            }
            list.numEvents = 1;
            for (int i = 0; i < count; ++i)
            {
                list.events[0] = pointers[i];
                plugin.processEvents (&list);
            }
            plugin.processReplacing (inputs, outputs, 64);
        }
        stop = true;
    });

    int rounds = 0;
    while (! stop)
    {
        prefs.writeString (PREF_MIDI_CAPTURE, rounds % 2 ? "Y" : "N");
        prefs.writeString (PREF_MIDI_PRESET, rounds % 3 ? "Y" : "N");
        prefs.writeInt (PREF_MIDI_CHANNEL, rounds % 3);
        plugin.setMidiLatch (tag::EarlyDamp, true);
        plugin.dispatcher (vst::effEditIdle, 0, 0, nullptr, 0.0f);
        ++rounds;
    }
    audio.join ();
    plugin.dispatcher (vst::effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ (prefs.readInt ("7"), plugin.getControllerTag (7));
}
