// The built Morlake.so under hosts that misbehave. Each case runs in a child
// process with a time limit: a crash, an abort or a hang fails the case
// instead of the test program.
#include "tests/common/ChildProcess.h"
#include "tests/common/Hosted.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/file.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace morlake;
using test::inChild;

namespace {

constexpr int kFrames = 512;

// A private settings folder, so the cases neither share nor keep preferences.
std::string privateSettings ()
{
    char pattern[] = "/tmp/morlake-hostile-XXXXXX";
    const char* dir = ::mkdtemp (pattern);
    EXPECT_NE (dir, nullptr);
    ::setenv ("XDG_CONFIG_HOME", dir, 1);
    return dir;
}

std::unique_ptr<HostedPlugin> loadOpen (double rate = 48000.0)
{
    HostConfig config;
    config.sampleRate = rate;
    config.blockSize = kFrames;
    return test::loadOpen (MORLAKE_SO, config);
}

// Stereo output of `blocks` blocks; the first one gets a burst of noise.
AudioBuffers render (HostedPlugin& p, int blocks, bool burst = true)
{
    AudioBuffers in (2, std::vector<float> (static_cast<std::size_t> (blocks * kFrames), 0.0f));
    std::minstd_rand noise (7);
    for (std::size_t i = 0; burst && i < kFrames; ++i)
        in[0][i] = in[1][i] = static_cast<float> (noise ()) / static_cast<float> (noise.max ()) - 0.5f;
    return p.processAll (in, kFrames);
}

float peak (const AudioBuffers& buffers)
{
    float m = 0.0f;
    for (const auto& channel : buffers)
        for (float x : channel)
            m = std::isfinite (x) ? std::max (m, std::fabs (x)) : std::numeric_limits<float>::infinity ();
    return m;
}

} // namespace

TEST (HostileHost, EditorRefusesWithoutAnXServer)
{
    for (const char* display : {static_cast<const char*> (nullptr), ":4711", "nohost.invalid:0"})
        EXPECT_TRUE (inChild (20, [display] {
            privateSettings ();
            if (display == nullptr)
                ::unsetenv ("DISPLAY");
            else
                ::setenv ("DISPLAY", display, 1);
            auto p = loadOpen ();
            ASSERT_TRUE (p);
            vst::ERect* rect = nullptr;
            EXPECT_EQ (p->dispatch (vst::effEditGetRect, 0, 0, &rect), 1);
            EXPECT_EQ (p->dispatch (vst::effEditOpen, 0, 0, reinterpret_cast<void*> (std::uintptr_t (0x400001))), 0);
            p->dispatch (vst::effEditIdle);
            p->dispatch (vst::effEditClose);
            EXPECT_LT (peak (render (*p, 4)), 2.0f);
        })) << (display ? display : "DISPLAY unset");
}

TEST (HostileHost, LoadsWithAFifoForItsPreferences)
{
    EXPECT_TRUE (inChild (20, [] {
        const std::string home = privateSettings ();
        const std::string dir = home + "/Aldermoor/Morlake";
        std::filesystem::create_directories (dir);
        ASSERT_EQ (::mkfifo ((dir + "/preferences.txt").c_str (), 0600), 0);
        auto p = loadOpen ();
        ASSERT_TRUE (p);
        EXPECT_LT (peak (render (*p, 4)), 2.0f);
    }));
}

TEST (HostileHost, UnusableSampleRatesKeepTheLastValidOne)
{
    EXPECT_TRUE (inChild (120, [] {
        privateSettings ();
        auto reference = loadOpen (48000.0);
        ASSERT_TRUE (reference);
        const AudioBuffers expected = render (*reference, 40);
        ASSERT_GT (peak (expected), 0.01f);
        const float nan = std::numeric_limits<float>::quiet_NaN ();
        const float inf = std::numeric_limits<float>::infinity ();
        for (float rate : {0.0f, -48000.0f, nan, 999.0f, 1e7f, 1e18f, inf, -inf})
        {
            SCOPED_TRACE (rate);
            auto p = loadOpen (48000.0);
            ASSERT_TRUE (p);
            p->dispatch (vst::effSetSampleRate, 0, 0, nullptr, rate);
            p->dispatch (vst::effMainsChanged, 0, 0);
            p->dispatch (vst::effMainsChanged, 0, 1);
            EXPECT_EQ (render (*p, 40), expected);
        }
    }));
}

TEST (HostileHost, ResumeStartsWithoutTheOldTail)
{
    EXPECT_TRUE (inChild (60, [] {
        privateSettings ();
        auto p = loadOpen ();
        ASSERT_TRUE (p);
        ASSERT_GT (peak (render (*p, 8)), 0.01f);
        p->dispatch (vst::effMainsChanged, 0, 0);
        p->dispatch (vst::effMainsChanged, 0, 1);
        EXPECT_LT (peak (render (*p, 40, false)), 1e-6f);
    }));
}

TEST (HostileHost, DeprecatedProcessAddsToTheOutput)
{
    EXPECT_TRUE (inChild (60, [] {
        privateSettings ();
        auto replacing = loadOpen ();
        auto adding = loadOpen ();
        ASSERT_TRUE (replacing && adding);
        std::vector<float> in (kFrames), wet[2], sum[2];
        for (int c = 0; c < 2; ++c)
        {
            wet[c].resize (kFrames);
            sum[c].resize (kFrames);
        }
        float* inputs[4] = {in.data (), in.data (), in.data (), in.data ()};
        for (int b = 0; b < 20; ++b)
        {
            for (int i = 0; i < kFrames; ++i)
                in[static_cast<std::size_t> (i)] = b < 2 ? std::sin (0.05f * static_cast<float> (i)) * 0.5f : 0.0f;
            float* w[2] = {wet[0].data (), wet[1].data ()};
            replacing->aeffect ()->processReplacing (replacing->aeffect (), inputs, w, kFrames);
            for (auto& s : sum)
                std::fill (s.begin (), s.end (), 0.25f);
            float* s[2] = {sum[0].data (), sum[1].data ()};
            adding->aeffect ()->process (adding->aeffect (), inputs, s, kFrames);
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < kFrames; ++i)
                    ASSERT_EQ (sum[c][static_cast<std::size_t> (i)], 0.25f + wet[c][static_cast<std::size_t> (i)])
                        << "block " << b << " channel " << c << " frame " << i;
        }
        EXPECT_GT (peak ({wet[0], wet[1]}), 0.0f);
    }));
}

TEST (HostileHost, FarFutureMidiEventsDoNotBlockTheQueue)
{
    EXPECT_TRUE (inChild (60, [] {
        privateSettings ();
        auto p = loadOpen ();
        ASSERT_TRUE (p);
        const std::string first = p->programName ().text;
        std::vector<MidiEvent> flood;
        for (int i = 0; i < 300; ++i)
            flood.push_back (MidiEvent::controller (1000000 + i, 0, 7, i % 128));
        std::vector<float> silence (kFrames, 0.0f), left (kFrames), right (kFrames);
        const float* inputs[2] = {silence.data (), silence.data ()};
        float* outputs[2] = {left.data (), right.data ()};
        p->processBlock (inputs, 2, outputs, kFrames, flood);
        const MidiEvent change[] = {MidiEvent::programChange (0, 0, 5)};
        p->processBlock (inputs, 2, outputs, kFrames, change);
        for (int b = 0; b < 20; ++b) // the preset loads at the next housekeeping
            p->processBlock (inputs, 2, outputs, kFrames);
        EXPECT_NE (p->programName ().text, first);
    }));
}

TEST (HostileHost, RandomDispatcherCallsInBatches)
{
    for (unsigned batch = 1; batch <= 6; ++batch)
        EXPECT_TRUE (inChild (
            240,
            [batch] {
                privateSettings ();
                ::unsetenv ("DISPLAY");
                auto p = loadOpen ();
                ASSERT_TRUE (p);
                vst::AEffect* e = p->aeffect ();
                std::mt19937 rng (batch);
                auto pick = [&rng] (auto const& list) { return list[rng () % list.size ()]; };
                const std::vector<vst::int32> ints = {0,   1,   -1,  2,    3,    5,       79,
                                                      127, 255, 256, 1056, 4096, INT_MAX, INT_MIN};
                const std::vector<float> floats = {0.0f,
                                                   0.5f,
                                                   1.0f,
                                                   -1.0f,
                                                   2.0f,
                                                   1e30f,
                                                   -1e30f,
                                                   1e-30f,
                                                   std::numeric_limits<float>::quiet_NaN (),
                                                   std::numeric_limits<float>::infinity (),
                                                   22050.0f,
                                                   96000.0f};
                std::vector<char> buffer (8192);
                std::vector<vst::VstMidiEvent> midi (8);
                std::vector<char> list (sizeof (vst::VstEvents) + 8 * sizeof (vst::VstEvent*));
                std::vector<float> in (kFrames), left (kFrames), right (kFrames);
                float* inputs[4] = {in.data (), in.data (), in.data (), in.data ()};
                float* outputs[2] = {left.data (), right.data ()};
                for (int call = 0; call < 3000; ++call)
                {
                    const vst::int32 opcode = static_cast<vst::int32> (rng () % 80);
                    if (opcode == vst::effClose)
                        continue;
                    const vst::int32 index = rng () % 2 ? pick (ints) : static_cast<vst::int32> (rng ());
                    const vst::intptr value = rng () % 2 ? pick (ints) : static_cast<vst::int32> (rng () % 2000);
                    const float opt = rng () % 2 ? pick (floats) : static_cast<float> (rng () % 1000) / 999.0f;
                    std::fill (buffer.begin (), buffer.end (), '\0');
                    for (std::size_t i = 0; i < 64; ++i)
                        buffer[i] = static_cast<char> (' ' + rng () % 95);
                    void* ptr = rng () % 8 == 0 ? nullptr : buffer.data ();
                    vst::intptr size = value;
                    if (opcode == vst::effProcessEvents && ptr != nullptr)
                    {
                        auto* events = reinterpret_cast<vst::VstEvents*> (list.data ());
                        events->numEvents = static_cast<vst::int32> (rng () % 9);
                        for (int k = 0; k < events->numEvents; ++k)
                        {
                            vst::VstMidiEvent& m = midi[static_cast<std::size_t> (k)];
                            m = {};
                            m.type = rng () % 4 ? vst::kVstMidiType : static_cast<vst::int32> (rng ());
                            m.byteSize = sizeof m;
                            m.deltaFrames = rng () % 2 ? pick (ints) : static_cast<vst::int32> (rng () % kFrames);
                            for (char& d : m.midiData)
                                d = static_cast<char> (rng ());
                            events->events[k] = reinterpret_cast<vst::VstEvent*> (&m);
                        }
                        ptr = events;
                    }
                    if (opcode == vst::effSetChunk)
                        size = static_cast<vst::intptr> (rng () % buffer.size ());
                    if (opcode == vst::effEditOpen)
                        ptr = reinterpret_cast<void*> (std::uintptr_t (rng ()));
                    e->dispatcher (e, opcode, index, size, ptr, opt);
                    if (rng () % 4 == 0)
                        e->setParameter (e, index, opt);
                    e->getParameter (e, index);
                    if (call % 25 == 0)
                    {
                        for (float& v : in)
                            v = static_cast<float> (rng () % 2001) / 1000.0f - 1.0f;
                        const int frames = 1 + static_cast<int> (rng () % kFrames);
                        e->processReplacing (e, inputs, outputs, frames);
                        for (int i = 0; i < frames; ++i)
                            ASSERT_TRUE (std::isfinite (left[static_cast<std::size_t> (i)]) &&
                                         std::isfinite (right[static_cast<std::size_t> (i)]))
                                << "call " << call;
                    }
                }
                p->close ();
            }))
            << "batch " << batch;
}

// Hosts and plug-in scanners create instances on threads of their own, some
// with small stacks: the first instance of a process builds the shared
// tables, and nothing of that may land on the stack.
TEST (HostileHost, FirstInstanceOnASmallThreadStack)
{
    EXPECT_TRUE (inChild (60, [] {
        privateSettings ();
        pthread_attr_t attr;
        ASSERT_EQ (::pthread_attr_init (&attr), 0);
        ASSERT_EQ (::pthread_attr_setstacksize (&attr, 512 * 1024), 0);
        float level = -1.0f;
        pthread_t thread;
        ASSERT_EQ (::pthread_create (
                       &thread, &attr,
                       [] (void* out) -> void* {
                           auto p = loadOpen ();
                           if (p)
                               *static_cast<float*> (out) = peak (render (*p, 4));
                           return nullptr;
                       },
                       &level),
                   0);
        ::pthread_join (thread, nullptr);
        ::pthread_attr_destroy (&attr);
        EXPECT_GE (level, 0.0f) << "no instance was made";
        EXPECT_LT (level, 2.0f);
    }));
}

namespace {

int openDescriptors ()
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator ("/proc/self/fd"))
        ++n;
    return n;
}

std::size_t heapInUse ()
{
    ::malloc_trim (0);
    return ::mallinfo2 ().uordblks;
}

} // namespace

// Hosts that scan plug-ins, or unload one no longer used, load and unload the
// module in their own process: each cycle must give back every descriptor
// and all the memory it took.
TEST (HostileHost, LoadAndUnloadCyclesLeaveNothingBehind)
{
    EXPECT_TRUE (inChild (240, [] {
        privateSettings ();
        auto cycle = [] {
            auto p = loadOpen ();
            ASSERT_TRUE (p);
            EXPECT_LT (peak (render (*p, 2)), 2.0f);
            p->dispatch (vst::effSetProgram, 0, 0);
        };
        // The first cycles settle what the process itself keeps (the
        // loader's and the C library's own tables, the settings file made).
        for (int i = 0; i < 2; ++i)
            cycle ();
        const int descriptors = openDescriptors ();
        const std::size_t heap = heapInUse ();
        for (int i = 0; i < 50; ++i)
            cycle ();
        EXPECT_EQ (openDescriptors (), descriptors);
        const std::size_t after = heapInUse ();
        EXPECT_LT (after, heap + (1u << 20)) << "heap grew from " << heap << " to " << after << " bytes";
    }));
}

// Another process holding the settings lock (for as long as it likes) while
// an instance loads with writes due (the path settings are missing): the
// instance loads and plays, and its settings are written once the lock is
// free. Loading that waited for the lock would never finish here.
TEST (HostileHost, LoadsWhileAnotherProcessHoldsTheSettingsLock)
{
    EXPECT_TRUE (inChild (30, [] {
        const std::string dir = privateSettings () + "/Aldermoor/Morlake";
        std::filesystem::create_directories (dir);
        const int lock = ::open ((dir + "/preferences.lock").c_str (), O_RDWR | O_CREAT, 0600);
        ASSERT_EQ (::flock (lock, LOCK_EX), 0);
        auto p = loadOpen ();
        ASSERT_TRUE (p);
        EXPECT_LT (peak (render (*p, 4)), 2.0f);
        EXPECT_FALSE (std::filesystem::exists (dir + "/preferences.txt")) << "written under another's lock";
        ::close (lock);
        // The settings follow once the lock is free (waited for generously).
        const auto until = std::chrono::steady_clock::now () + std::chrono::seconds (15);
        while (! std::filesystem::exists (dir + "/preferences.txt") && std::chrono::steady_clock::now () < until)
            std::this_thread::sleep_for (std::chrono::milliseconds (5));
        EXPECT_TRUE (std::filesystem::exists (dir + "/preferences.txt"));
    }));
}
