// Promises of the LV2 port mapping and state: port values in the user's
// units carry the parameters' normalised values back exactly where a float
// port can tell them apart, out-of-range values are clamped, and a state
// blob of another version or size is refused whole.
#include "formats/lv2/Lv2Plugin.h"
#include "presets/FactoryPresets.h"

#include <gtest/gtest.h>

#include <lv2/atom/atom.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace morlake;
using namespace morlake::lv2;

namespace {

const ParameterTable& rows ()
{
    static const ParameterTable table;
    return table;
}

TEST (Lv2Ports, OnePortPerUserParameterAndNoBookkeepingTags)
{
    const std::vector<int> tags = controlPortTags (rows ());
    EXPECT_EQ (tags.size (), 77u);
    for (int tag : tags)
        EXPECT_TRUE (tag >= 1 && tag <= 77) << tag;
}

TEST (Lv2Ports, DefaultsAndFactoryValuesComeBackFromTheirPortValues)
{
    int exact = 0, total = 0;
    for (int tag : controlPortTags (rows ()))
    {
        std::vector<float> values {rows ().getDefault (tag), 0.0f, 1.0f};
        for (int p = 0; p < kNumFactoryPresets; ++p)
            values.push_back (factoryPreset (p)[static_cast<std::size_t> (tag)]);
        for (float v : values)
        {
            const float port = toPortValue (rows (), tag, v);
            const float back = fromPortValue (rows (), tag, port);
            // Always the same port value again, and the same step.
            EXPECT_EQ (toPortValue (rows (), tag, back), port) << rows ().getSymbol (tag) << " " << v;
            if (rows ().getSteps (tag) > 0)
                EXPECT_EQ (rows ().stepOf (tag, back), rows ().stepOf (tag, v)) << rows ().getSymbol (tag);
            else
                EXPECT_NEAR (back, v, 2e-7f) << rows ().getSymbol (tag);
            exact += back == v;
            ++total;
        }
    }
    // Continuous values nearly all come back to the bit.
    EXPECT_GT (exact, total * 3 / 4) << exact << " of " << total;
}

TEST (Lv2Ports, OutOfRangeAndNanPortValuesAreClamped)
{
    struct Case
    {
        const char* symbol;
        float port;
        float expected;
    };
    const Case cases[] = {
        {"main_volume", -1000.0f, 0.0f},
        {"main_volume", 1000.0f, 1.0f},
        {"wet_dry", -101.0f, 0.0f},
        {"wet_dry", std::numeric_limits<float>::quiet_NaN (), 0.0f},
        {"reverb_hp_frequency", 1.0f, 0.0f},
        {"reverb_hp_frequency", 1e9f, 1.0f},
        {"bypass", 7.0f, 1.0f},
        {"bypass", -3.0f, 0.0f},
        {"lazy_speed", 0.0f, 0.0f},
        {"reverb_pre_delay", 1e6f, 1.0f},
    };
    for (const Case& c : cases)
    {
        const int tag = rows ().findBySymbol (c.symbol);
        ASSERT_GE (tag, 0) << c.symbol;
        EXPECT_FLOAT_EQ (fromPortValue (rows (), tag, c.port), c.expected) << c.symbol << " " << c.port;
    }
    const int preset = rows ().findBySymbol ("reverb_preset");
    EXPECT_EQ (rows ().stepOf (preset, fromPortValue (rows (), preset, 99.0f)), 9);
    EXPECT_EQ (rows ().stepOf (preset, fromPortValue (rows (), preset, -5.0f)), 0);
    EXPECT_EQ (rows ().stepOf (preset, fromPortValue (rows (), preset, 3.4f)), 3);
}

TEST (Lv2Ports, UnitsFollowTheCurves)
{
    struct Case
    {
        const char* symbol;
        float value;
        float port;
        PortKind kind;
        bool logarithmic;
    };
    const Case cases[] = {
        {"main_volume", 0.5f, -10.0f, PortKind::Continuous, false},
        {"reverb_hp_frequency", 0.5f, 640.0f, PortKind::Continuous, true},
        {"reverb_pre_delay", 0.5f, 64.0f, PortKind::Continuous, true},
        {"wet_dry", 0.75f, 50.0f, PortKind::Continuous, false},
        {"early_damp", 0.25f, 25.0f, PortKind::Continuous, false},
        {"reverb_on", 1.0f, 1.0f, PortKind::Toggle, false},
        {"late_path", 0.6f, 1.0f, PortKind::Enumeration, false},
    };
    for (const Case& c : cases)
    {
        const int tag = rows ().findBySymbol (c.symbol);
        ASSERT_GE (tag, 0) << c.symbol;
        EXPECT_FLOAT_EQ (toPortValue (rows (), tag, c.value), c.port) << c.symbol;
        EXPECT_EQ (portUnitOf (rows (), tag).kind, c.kind) << c.symbol;
        EXPECT_EQ (portUnitOf (rows (), tag).logarithmic, c.logarithmic) << c.symbol;
    }
}

// A plug-in instance with a URID map and state store of its own.
struct Hosted
{
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map map {this, [] (LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
                          auto& ids = static_cast<Hosted*> (h)->ids;
                          auto it = ids.find (uri);
                          if (it != ids.end ())
                              return it->second;
                          const LV2_URID id = static_cast<LV2_URID> (ids.size () + 1);
                          ids[uri] = id;
                          return id;
                      }};
    LV2_Feature mapFeature {LV2_URID__map, &map};
    const LV2_Feature* features[2] {&mapFeature, nullptr};
    std::unique_ptr<Lv2Plugin> plugin {Lv2Plugin::create (48000.0, features)};

    std::vector<char> stored;
    LV2_URID storedType = 0;

    LV2_URID id (const char* uri) { return map.map (map.handle, uri); }

    void save ()
    {
        plugin->save (
            [] (LV2_State_Handle h, uint32_t, const void* value, size_t size, uint32_t type, uint32_t) {
                auto* self = static_cast<Hosted*> (h);
                self->stored.assign (static_cast<const char*> (value), static_cast<const char*> (value) + size);
                self->storedType = type;
                return LV2_STATE_SUCCESS;
            },
            this);
    }
    LV2_State_Status restore ()
    {
        return plugin->restore (
            [] (LV2_State_Handle h, uint32_t, size_t* size, uint32_t* type, uint32_t* flags) -> const void* {
                auto* self = static_cast<Hosted*> (h);
                *size = self->stored.size ();
                *type = self->storedType;
                *flags = 0;
                return self->stored.empty () ? nullptr : self->stored.data ();
            },
            this);
    }
};

TEST (Lv2State, RoundTripRestoresEveryValue)
{
    Hosted a;
    ASSERT_TRUE (a.plugin);
    a.plugin->instance ().setDemoProgram (findFactoryPreset ("1 to Morlake"));
    a.plugin->instance ().setParameter (tag::ReverbDamp, 0.123f);
    a.save ();
    EXPECT_EQ (a.stored.size (), sizeof (StateBlob));
    EXPECT_EQ (a.storedType, a.id (LV2_ATOM__Chunk));

    Hosted b;
    b.stored = a.stored;
    b.storedType = b.id (LV2_ATOM__Chunk);
    ASSERT_EQ (b.restore (), LV2_STATE_SUCCESS);
    for (int t = 0; t < kNumParams; ++t)
        EXPECT_EQ (b.plugin->instance ().getParameter (t), a.plugin->instance ().getParameter (t)) << t;
    EXPECT_EQ (b.plugin->instance ().programName (), a.plugin->instance ().programName ());
    EXPECT_EQ (b.plugin->instance ().getEditChanged (), a.plugin->instance ().getEditChanged ());
}

TEST (Lv2State, ForeignBlobsAreRefusedWhole)
{
    Hosted source;
    source.plugin->instance ().setParameter (tag::ReverbDamp, 0.9f);
    source.save ();
    const std::vector<char> good = source.stored;

    struct Case
    {
        const char* what;
        std::function<void (std::vector<char>&, LV2_URID&)> damage;
        LV2_State_Status expected;
    };
    Hosted probe;
    const LV2_URID chunk = probe.id (LV2_ATOM__Chunk);
    const LV2_URID other = probe.id (LV2_ATOM__String);
    const Case cases[] = {
        {"future version", [] (std::vector<char>& b, LV2_URID&) { b[4] = 2; }, LV2_STATE_ERR_UNKNOWN},
        {"other tag", [] (std::vector<char>& b, LV2_URID&) { b[0] = 'X'; }, LV2_STATE_ERR_UNKNOWN},
        {"cut short", [] (std::vector<char>& b, LV2_URID&) { b.resize (b.size () - 1); }, LV2_STATE_ERR_UNKNOWN},
        {"too long", [] (std::vector<char>& b, LV2_URID&) { b.push_back (0); }, LV2_STATE_ERR_UNKNOWN},
        {"wrong type", [=] (std::vector<char>&, LV2_URID& t) { t = other; }, LV2_STATE_ERR_BAD_TYPE},
        {"missing", [] (std::vector<char>& b, LV2_URID&) { b.clear (); }, LV2_STATE_ERR_NO_PROPERTY},
    };
    for (const Case& c : cases)
    {
        Hosted target;
        target.plugin->instance ().setParameter (tag::ReverbDamp, 0.25f);
        target.stored = good;
        target.storedType = chunk;
        c.damage (target.stored, target.storedType);
        EXPECT_EQ (target.restore (), c.expected) << c.what;
        EXPECT_EQ (target.plugin->instance ().getParameter (tag::ReverbDamp), 0.25f) << c.what;
    }
}

TEST (Lv2Plugin, ControlPortsReachTheInstanceAndKeepExactValues)
{
    Hosted h;
    Lv2Plugin& p = *h.plugin;
    const std::vector<int> tags = controlPortTags (p.table ());
    std::vector<float> ports (tags.size ());
    for (std::size_t i = 0; i < tags.size (); ++i)
    {
        ports[i] = toPortValue (p.table (), tags[i], p.table ().getDefault (tags[i]));
        p.connect (static_cast<uint32_t> (kFirstControlPort + static_cast<int> (i)), &ports[i]);
    }
    std::vector<float> out[2] = {std::vector<float> (64), std::vector<float> (64)};
    p.connect (kPortOutL, out[0].data ());
    p.connect (kPortOutR, out[1].data ());
    p.activate ();

    // An exact value the port cannot tell apart from its neighbour stays.
    const float exact = std::nextafter (0.31f, 1.0f);
    p.instance ().setParameter (tag::EarlyFeed, exact);
    const std::size_t feed =
        static_cast<std::size_t> (std::find (tags.begin (), tags.end (), tag::EarlyFeed) - tags.begin ());
    ports[feed] = toPortValue (p.table (), tag::EarlyFeed, exact);
    const std::size_t volume =
        static_cast<std::size_t> (std::find (tags.begin (), tags.end (), tag::MainVolume) - tags.begin ());
    ports[volume] = 500.0f; // clamped to the top
    p.run (64);
    EXPECT_EQ (p.instance ().getParameter (tag::EarlyFeed), exact);
    EXPECT_EQ (p.instance ().getParameter (tag::MainVolume), 1.0f);
    ports[volume] = -10.0f;
    p.run (64);
    EXPECT_FLOAT_EQ (p.instance ().getParameter (tag::MainVolume), 0.5f);
}

TEST (Lv2State, ARestoredStateWinsOverControlsLeftFromBefore)
{
    Hosted source;
    source.plugin->instance ().setDemoProgram (findFactoryPreset ("classic Hall Long 04"));
    source.save ();

    // A session reopened: controls still at the first program's values, as
    // a host showed them after a preset was chosen in the editor, and the
    // state restored before the first block.
    Hosted target;
    Lv2Plugin& p = *target.plugin;
    const std::vector<int> tags = controlPortTags (p.table ());
    std::vector<float> ports (tags.size ());
    for (std::size_t i = 0; i < tags.size (); ++i)
    {
        ports[i] = toPortValue (p.table (), tags[i], p.instance ().getParameter (tags[i]));
        p.connect (static_cast<uint32_t> (kFirstControlPort + static_cast<int> (i)), &ports[i]);
    }
    std::vector<float> out[2] = {std::vector<float> (64), std::vector<float> (64)};
    p.connect (kPortOutL, out[0].data ());
    p.connect (kPortOutR, out[1].data ());
    p.activate ();

    target.stored = source.stored;
    target.storedType = target.id (LV2_ATOM__Chunk);
    ASSERT_EQ (target.restore (), LV2_STATE_SUCCESS);
    p.run (64);
    for (int t = 0; t < kNumParams; ++t)
        EXPECT_EQ (p.instance ().getParameter (t), source.plugin->instance ().getParameter (t)) << t;

    // A control the host moves afterwards is followed again.
    const std::size_t damp =
        static_cast<std::size_t> (std::find (tags.begin (), tags.end (), tag::ReverbDamp) - tags.begin ());
    ports[damp] = 12.5f;
    p.run (64);
    EXPECT_FLOAT_EQ (p.instance ().getParameter (tag::ReverbDamp), 0.125f);
}

} // namespace
