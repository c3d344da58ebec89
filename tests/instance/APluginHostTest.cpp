// The instance and the host it runs in: what it asks of the host
// (recorded edits, gestures, transport, idle) and what any format's host
// gets from it (state that round-trips, bad state refused), with no format
// in between.
#include "instance/APlugin.h"
#include "params/StepScales.h"
#include "presets/FactoryNames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace morlake {
namespace {

Preferences& memoryPrefs ()
{
    static Preferences store {std::string {}, std::string {}};
    return store;
}

// Records what the instance asks; answers a transport set by the test.
class RecordingHost : public InstanceHost
{
public:
    struct Edit
    {
        int tag;
        float value;
    };
    std::vector<Edit> edits;
    std::vector<int> begun, ended;
    int idleRequests = 0;
    int transportQueries = 0;
    ChainTime time;

    void parameterEdited (int tag, float value) override { edits.push_back ({tag, value}); }
    bool gestureBegan (int tag) override
    {
        begun.push_back (tag);
        return true;
    }
    bool gestureEnded (int tag) override
    {
        ended.push_back (tag);
        return true;
    }
    ChainTime transport () override
    {
        ++transportQueries;
        return time;
    }
    void requestIdle () override { ++idleRequests; }
};

struct Hosted
{
    RecordingHost host;
    APlugin plugin {host, memoryPrefs ()};

    void run (int frames = 256)
    {
        std::vector<float> in (static_cast<std::size_t> (frames), 0.1f), l (in.size ()), r (in.size ());
        const float* inputs[4] = {in.data (), in.data (), nullptr, nullptr};
        float* outputs[2] = {l.data (), r.data ()};
        plugin.process (inputs, outputs, frames);
    }
};

TEST (APluginHost, UserEditsReachTheHostAsTheValueTheParameterHolds)
{
    const struct
    {
        int tag;
        float typed, recorded;
    } cases[] = {
        {tag::WetDry, 0.25f, 0.25f},     {tag::WetDry, 1.7f, 1.0f},    // clamped
        {tag::WetDry, -3.0f, 0.0f},                                    // clamped
        {tag::DistortionOn, 0.7f, 1.0f},                               // a switch snaps
        {tag::DistortionOn, 0.2f, 0.0f}, {tag::EarlyPath, 0.9f, 0.9f}, // stepped values are kept as sent
    };
    for (const auto& c : cases)
    {
        Hosted h;
        h.plugin.editParameter (c.tag, c.typed);
        ASSERT_EQ (h.host.edits.size (), 1u) << c.tag;
        EXPECT_EQ (h.host.edits[0].tag, c.tag);
        EXPECT_FLOAT_EQ (h.host.edits[0].value, c.recorded) << c.tag << " " << c.typed;
        EXPECT_FLOAT_EQ (h.plugin.getParameter (c.tag), c.recorded);
    }
    Hosted h;
    h.plugin.editParameter (kNumParams, 0.5f); // no such parameter
    h.plugin.editParameter (-1, 0.5f);
    EXPECT_TRUE (h.host.edits.empty ());
    // A host's own writes are not echoed back to it.
    h.plugin.setParameter (tag::WetDry, 0.3f);
    EXPECT_TRUE (h.host.edits.empty ());
}

TEST (APluginHost, GesturesStepsAndIdleRequestsReachTheHost)
{
    Hosted h;
    h.plugin.beginGesture (tag::ReverbLength);
    h.plugin.editParameter (tag::ReverbLength, 0.4f);
    h.plugin.editParameter (tag::ReverbLength, 0.5f);
    h.plugin.endGesture (tag::ReverbLength);
    EXPECT_EQ (h.host.begun, std::vector<int> {tag::ReverbLength});
    EXPECT_EQ (h.host.ended, std::vector<int> {tag::ReverbLength});
    EXPECT_EQ (h.host.edits.size (), 2u);

    // Editor-side helpers go through the same path.
    h.host.edits.clear ();
    h.plugin.setSteppedValue (tag::EarlyPath, 1);
    h.plugin.toggleOnOff (tag::LateOn);
    ASSERT_EQ (h.host.edits.size (), 2u);
    EXPECT_FLOAT_EQ (h.host.edits[0].value, stepValue (1, scale::EarlyPath));
    EXPECT_EQ (h.plugin.getSteppedValue (tag::EarlyPath), 1);

    h.plugin.requestIdle ();
    EXPECT_EQ (h.host.idleRequests, 1);
}

TEST (APluginHost, TheHostsTempoDrivesTheChain)
{
    const struct
    {
        bool valid, tempoValid;
        float tempo, heard;
    } cases[] = {{true, true, 90.0f, 90.0f}, {true, false, 90.0f, 120.0f}, {false, false, 0.0f, 120.0f}};
    for (const auto& c : cases)
    {
        Hosted h;
        h.plugin.setSampleRate (48000.0f);
        h.host.time.valid = c.valid;
        h.host.time.tempoValid = c.tempoValid;
        h.host.time.tempo = c.tempo;
        h.run ();
        EXPECT_GE (h.host.transportQueries, 1);
        EXPECT_FLOAT_EQ (h.plugin.getTempo (), c.heard) << c.valid << c.tempoValid;
    }
}

TEST (APluginHost, StateRoundTripsAndBadStateChangesNothing)
{
    Hosted source;
    source.plugin.setDemoProgram (23);
    source.plugin.editParameter (tag::ReverbDamp, 0.123f);
    ChunkBlock saved {};
    source.plugin.saveState (saved);

    Hosted target;
    ASSERT_TRUE (target.plugin.restoreState (&saved, kChunkSize));
    for (int t = 0; t < kNumParams; ++t)
        ASSERT_FLOAT_EQ (target.plugin.getParameter (t), source.plugin.getParameter (t)) << t;
    EXPECT_EQ (target.plugin.getFactoryIndex (), 23);
    EXPECT_TRUE (target.plugin.getEditChanged ());
    EXPECT_TRUE (target.host.edits.empty ()) << "a restore is no user edit";

    ChunkBlock again {};
    target.plugin.saveState (again);
    EXPECT_EQ (std::memcmp (&again, &saved, kChunkSize), 0) << "saved twice, the same bytes";

    // Short or missing blocks are refused whole.
    const float before = target.plugin.getParameter (tag::ReverbDamp);
    for (int size : {0, 1, kChunkSize - 1})
        EXPECT_FALSE (target.plugin.restoreState (&saved, size)) << size;
    EXPECT_FALSE (target.plugin.restoreState (nullptr, kChunkSize));
    EXPECT_FLOAT_EQ (target.plugin.getParameter (tag::ReverbDamp), before);
}

} // namespace
} // namespace morlake
