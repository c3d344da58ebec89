// The adapter linked in: the editor's edits reach the host as CLAP events
// through flush, and plain values map onto the instance's normalised ones.
#include "formats/clap/ClapPlugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace morlake {
namespace {

struct TestHost
{
    clap_host_t host {};
    int flushRequests = 0;

    TestHost ()
    {
        host.clap_version = CLAP_VERSION;
        host.host_data = this;
        host.name = "adapter test";
        host.vendor = "";
        host.url = "";
        host.version = "1";
        host.get_extension = [] (const clap_host_t*, const char* id) -> const void* {
            static const clap_host_params_t params = {
                [] (const clap_host_t*, clap_param_rescan_flags) {},
                [] (const clap_host_t*, clap_id, clap_param_clear_flags) {},
                [] (const clap_host_t* h) { ++static_cast<TestHost*> (h->host_data)->flushRequests; },
            };
            return std::strcmp (id, CLAP_EXT_PARAMS) == 0 ? &params : nullptr;
        };
        host.request_restart = [] (const clap_host_t*) {};
        host.request_process = [] (const clap_host_t*) {};
        host.request_callback = [] (const clap_host_t*) {};
    }
};

struct Sent
{
    std::uint16_t type;
    clap_id id;
    double value;
};

std::vector<Sent> flushOut (const clap_plugin_t* p)
{
    std::vector<Sent> sent;
    clap_input_events_t in {
        nullptr, [] (const clap_input_events_t*) -> std::uint32_t { return 0; },
        [] (const clap_input_events_t*, std::uint32_t) -> const clap_event_header_t* { return nullptr; }};
    clap_output_events_t out {
        &sent, [] (const clap_output_events_t* l, const clap_event_header_t* h) {
            auto& v = *static_cast<std::vector<Sent>*> (l->ctx);
            if (h->type == CLAP_EVENT_PARAM_VALUE)
            {
                const auto* e = reinterpret_cast<const clap_event_param_value_t*> (h);
                v.push_back ({h->type, e->param_id, e->value});
            }
            else
                v.push_back ({h->type, reinterpret_cast<const clap_event_param_gesture_t*> (h)->param_id, 0.0});
            return true;
        }};
    const auto* params = static_cast<const clap_plugin_params_t*> (p->get_extension (p, CLAP_EXT_PARAMS));
    params->flush (p, &in, &out);
    return sent;
}

TEST (ClapAdapter, EditorGesturesReachTheHostAsEvents)
{
    TestHost host;
    auto* plugin = new ClapPlugin (&host.host, nullptr);
    const clap_plugin_t* p = plugin->clapPlugin ();
    ASSERT_TRUE (p->init (p));
    const ParameterTable& table = plugin->instance ().table ();
    const ClapParamIds ids (table);

    plugin->instance ().beginGesture (tag::WetDry);
    plugin->instance ().editParameter (tag::WetDry, 0.25f);
    plugin->instance ().editParameter (tag::WetDry, 0.75f);
    plugin->instance ().endGesture (tag::WetDry);
    EXPECT_GE (host.flushRequests, 1) << "request_flush while not processing";

    const auto sent = flushOut (p);
    clap_id id = 0;
    ASSERT_TRUE (ids.idOf (tag::WetDry, id));
    ASSERT_EQ (sent.size (), 4u);
    EXPECT_EQ (sent[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ (sent[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ (sent[1].value, 0.25);
    EXPECT_EQ (sent[2].value, 0.75);
    EXPECT_EQ (sent[3].type, CLAP_EVENT_PARAM_GESTURE_END);
    for (const Sent& s : sent)
        EXPECT_EQ (s.id, id);
    EXPECT_TRUE (flushOut (p).empty ()) << "each event is sent once";
    p->destroy (p);
}

TEST (ClapAdapter, PlainValuesMapOntoTheInstancesValues)
{
    const ParameterTable table;
    for (int t = 1; t < kNumParams; ++t)
    {
        if (! table.isUserParameter (t))
            continue;
        SCOPED_TRACE (table.getName (t));
        if (table.isOnOff (t))
        {
            EXPECT_EQ (clapNormalisedValue (table, t, 1.0), 1.0f);
            EXPECT_EQ (clapNormalisedValue (table, t, 0.2), 0.0f);
            EXPECT_EQ (clapPlainValue (table, t, 0.7f), 1.0);
        }
        else if (table.getSteps (t) > 0)
        {
            for (int step = 0; step < table.getSteps (t); ++step)
                EXPECT_EQ (clapPlainValue (table, t, clapNormalisedValue (table, t, step)), step);
            EXPECT_EQ (clapPlainValue (table, t, clapNormalisedValue (table, t, 1e9)), table.getSteps (t) - 1);
        }
        else
        {
            EXPECT_EQ (clapNormalisedValue (table, t, 0.375), 0.375f);
            EXPECT_EQ (clapNormalisedValue (table, t, 2.0), 1.0f);
            EXPECT_EQ (clapNormalisedValue (table, t, std::nan ("")), 0.0f);
        }
    }
}

} // namespace
} // namespace morlake
