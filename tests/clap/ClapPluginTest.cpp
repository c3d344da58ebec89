// The built Morlake.clap through the harness's CLAP host: what a CLAP
// validator checks, bad input, sample-accurate events, and the same sound
// as the VST 2.4 build.
#include "formats/clap/ClapParamIds.h"
#include "presets/FactoryNames.h"
#include "presets/FactoryPresets.h"
#include "tools/harness/ClapHostedPlugin.h"
#include "tools/harness/FactoryPresets.h"
#include "tools/harness/HostedPlugin.h"
#include "tools/render/DemoSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <thread>

namespace morlake {
namespace {

std::unique_ptr<ClapHostedPlugin> loadClap ()
{
    std::string error;
    auto p = ClapHostedPlugin::load (MORLAKE_CLAP, error);
    EXPECT_TRUE (p) << error;
    return p;
}

using Stereo = std::array<std::vector<float>, 2>;

// Runs `input` (stereo) through the plug-in in blocks of `block` frames, with
// `events` at absolute frames, plus `extra` frames of silence.
Stereo runClap (ClapHostedPlugin& p, const AudioBuffers& input, int block, std::vector<ClapInputEvent> events = {},
                std::size_t extra = 0)
{
    const std::size_t total = input[0].size () + extra;
    Stereo out {std::vector<float> (total), std::vector<float> (total)};
    std::vector<float> inL (static_cast<std::size_t> (block)), inR (static_cast<std::size_t> (block));
    for (std::size_t pos = 0; pos < total; pos += static_cast<std::size_t> (block))
    {
        const auto n =
            static_cast<std::uint32_t> (std::min<std::size_t> (static_cast<std::size_t> (block), total - pos));
        for (std::uint32_t i = 0; i < n; ++i)
        {
            inL[i] = pos + i < input[0].size () ? input[0][pos + i] : 0.0f;
            inR[i] = pos + i < input[1].size () ? input[1][pos + i] : 0.0f;
        }
        std::vector<ClapInputEvent> now;
        for (const auto& e : events)
            if (e.frame >= pos && e.frame < pos + n)
            {
                now.push_back (e);
                now.back ().frame = static_cast<std::uint32_t> (e.frame - pos);
            }
        const float* in[4] = {inL.data (), inR.data (), nullptr, nullptr};
        float* o[2] = {out[0].data () + pos, out[1].data () + pos};
        EXPECT_EQ (p.process (in, o, n, now), CLAP_PROCESS_CONTINUE);
    }
    return out;
}

bool allFinite (const Stereo& s)
{
    for (const auto& ch : s)
        for (float v : ch)
            if (! std::isfinite (v))
                return false;
    return true;
}

AudioBuffers burst (std::size_t frames)
{
    AudioBuffers in (2, std::vector<float> (frames, 0.0f));
    std::mt19937 noise (7);
    std::uniform_real_distribution<float> d (-0.5f, 0.5f);
    for (std::size_t i = 0; i < std::min<std::size_t> (frames, 2000); ++i)
        in[0][i] = in[1][i] = d (noise);
    return in;
}

TEST (ClapPlugin, DescribesItsPortsLatencyAndTail)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    EXPECT_STREQ (p->plugin ()->desc->id, "com.aldermoor.morlake");
    const auto* ports = static_cast<const clap_plugin_audio_ports_t*> (p->extension (CLAP_EXT_AUDIO_PORTS));
    ASSERT_NE (ports, nullptr);
    ASSERT_EQ (ports->count (p->plugin (), true), 2u);
    ASSERT_EQ (ports->count (p->plugin (), false), 1u);
    clap_audio_port_info_t info {};
    ASSERT_TRUE (ports->get (p->plugin (), 0, true, &info));
    EXPECT_EQ (info.channel_count, 2u);
    EXPECT_TRUE (info.flags & CLAP_AUDIO_PORT_IS_MAIN);
    ASSERT_TRUE (ports->get (p->plugin (), 1, true, &info));
    EXPECT_EQ (info.channel_count, 2u);
    EXPECT_FALSE (info.flags & CLAP_AUDIO_PORT_IS_MAIN);
    EXPECT_FALSE (ports->get (p->plugin (), 2, true, &info));

    const auto* notes = static_cast<const clap_plugin_note_ports_t*> (p->extension (CLAP_EXT_NOTE_PORTS));
    ASSERT_NE (notes, nullptr);
    ASSERT_EQ (notes->count (p->plugin (), true), 1u);
    clap_note_port_info_t note {};
    ASSERT_TRUE (notes->get (p->plugin (), 0, true, &note));
    EXPECT_EQ (note.supported_dialects, static_cast<std::uint32_t> (CLAP_NOTE_DIALECT_MIDI));

    ASSERT_TRUE (p->activate (48000.0, 512));
    const auto* latency = static_cast<const clap_plugin_latency_t*> (p->extension (CLAP_EXT_LATENCY));
    ASSERT_NE (latency, nullptr);
    EXPECT_EQ (latency->get (p->plugin ()), 0u);
    const auto* tail = static_cast<const clap_plugin_tail_t*> (p->extension (CLAP_EXT_TAIL));
    ASSERT_NE (tail, nullptr);
    EXPECT_GE (tail->get (p->plugin ()), 48000u * 10u);
    EXPECT_NE (p->extension (CLAP_EXT_RENDER), nullptr);
    EXPECT_EQ (p->extension ("no.such.extension"), nullptr);
}

TEST (ClapPlugin, ParametersAreTheUserRowsWithTheirIds)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    const ParameterTable table;
    const ClapParamIds ids (table);
    const auto list = p->params ();
    ASSERT_EQ (static_cast<int> (list.size ()), ids.count ());
    EXPECT_EQ (list.size (), 77u);
    for (std::size_t i = 0; i < list.size (); ++i)
    {
        const int tag = ids.tagAt (static_cast<int> (i));
        SCOPED_TRACE (table.getSymbol (tag));
        EXPECT_EQ (list[i].id, fnv1a32 (table.getSymbol (tag)));
        EXPECT_EQ (list[i].name, table.getName (tag));
        EXPECT_LE (list[i].minValue, list[i].defaultValue);
        EXPECT_GE (list[i].maxValue, list[i].defaultValue);
        EXPECT_TRUE (list[i].flags & CLAP_PARAM_IS_AUTOMATABLE);
        EXPECT_EQ ((list[i].flags & CLAP_PARAM_IS_STEPPED) != 0, table.isOnOff (tag) || table.getSteps (tag) > 0);
        EXPECT_GE (p->value (list[i].id), list[i].minValue);
        EXPECT_LE (p->value (list[i].id), list[i].maxValue);
    }
}

// Text of a value reads back as a value with the same text, for every parameter.
TEST (ClapPlugin, EveryParameterTextRoundTrips)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    for (const ClapParam& param : p->params ())
    {
        SCOPED_TRACE (param.name);
        const int points = (param.flags & CLAP_PARAM_IS_STEPPED) ? static_cast<int> (param.maxValue) + 1 : 11;
        for (int k = 0; k < points; ++k)
        {
            const double v = (param.flags & CLAP_PARAM_IS_STEPPED)
                                 ? k
                                 : param.minValue + (param.maxValue - param.minValue) * k / (points - 1);
            const std::string text = p->valueToText (param.id, v);
            ASSERT_FALSE (text.empty ()) << v;
            double back = -1.0;
            ASSERT_TRUE (p->textToValue (param.id, text, back)) << "\"" << text << "\"";
            EXPECT_GE (back, param.minValue);
            EXPECT_LE (back, param.maxValue);
            EXPECT_EQ (p->valueToText (param.id, back), text) << v << " -> " << back;
        }
        double ignored = 0.0;
        EXPECT_FALSE (p->textToValue (param.id, "", ignored));
    }
    double v = 0.0;
    EXPECT_FALSE (p->textToValue (0xdeadbeef, "1", v));
    EXPECT_TRUE (p->valueToText (0xdeadbeef, 0.5).empty ());
}

TEST (ClapPlugin, StateSavedAndLoadedTwiceGivesTheSameBytes)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    ASSERT_TRUE (p->loadPreset (findFactoryPreset ("1 to Morlake")));
    const auto params = p->params ();
    p->flush (std::vector {ClapInputEvent::param (0, params[4].id, params[4].maxValue)});
    const auto first = p->saveState ();
    ASSERT_EQ (first.size (), 12u + 1056u);
    for (std::size_t piece : {std::size_t {1}, std::size_t {7}, std::size_t {4096}})
    {
        SCOPED_TRACE (piece);
        auto q = loadClap ();
        ASSERT_TRUE (q->loadState (first, piece));
        const auto second = q->saveState (piece);
        EXPECT_EQ (second, first);
        ASSERT_TRUE (q->loadState (second));
        EXPECT_EQ (q->saveState (), first);
        for (const ClapParam& param : params)
            EXPECT_EQ (q->value (param.id), p->value (param.id)) << param.name;
    }
}

// A damaged or foreign stream is refused whole: the instance keeps its values.
TEST (ClapPlugin, DamagedOrForeignStateIsRefusedWhole)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    ASSERT_TRUE (p->loadPreset (3));
    const auto good = p->saveState ();
    ASSERT_FALSE (good.empty ());
    ASSERT_TRUE (p->loadPreset (9));
    const auto before = p->saveState ();

    auto withByte = [&] (std::size_t at, std::uint8_t value) {
        auto b = good;
        b[at] = value;
        return b;
    };
    auto truncated = good;
    truncated.resize (good.size () - 1);
    auto longer = good;
    longer.push_back (0);
    std::vector<std::uint8_t> rawChunk (good.begin () + 12, good.end ()); // a VST chunk without the header

    const struct
    {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"header only", std::vector<std::uint8_t> (good.begin (), good.begin () + 12)},
        {"one byte short", truncated},
        {"one byte long", longer},
        {"bad magic", withByte (0, 'X')},
        {"newer version", withByte (4, 2)},
        {"wrong payload size", withByte (8, 0)},
        {"bare chunk", rawChunk},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        EXPECT_FALSE (p->loadState (c.bytes));
        EXPECT_EQ (p->saveState (), before);
    }
}

TEST (ClapPlugin, ActivatesAtSeveralRatesAndBlockSizes)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    ASSERT_TRUE (p->loadPreset (findFactoryPreset ("1 to Morlake")));
    for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0})
        for (int block : {1, 64, 511, 4096})
        {
            SCOPED_TRACE (std::to_string (rate) + " Hz, " + std::to_string (block));
            ASSERT_TRUE (p->activate (rate, static_cast<std::uint32_t> (block)));
            const Stereo out = runClap (*p, burst (8192), block);
            EXPECT_TRUE (allFinite (out));
            p->deactivate ();
        }
    EXPECT_FALSE (p->activate (0.0, 512));
    EXPECT_FALSE (p->activate (std::nan (""), 512));
}

std::vector<ClapInputEvent> randomEvents (const std::vector<ClapParam>& params, std::size_t frames, unsigned seed)
{
    std::mt19937 r (seed);
    std::vector<ClapInputEvent> events;
    for (int i = 0; i < 400; ++i)
    {
        const ClapParam& p = params[r () % params.size ()];
        if (p.flags & CLAP_PARAM_IS_BYPASS)
            continue;
        const double v = p.minValue + (p.maxValue - p.minValue) * (r () % 1000) / 999.0;
        events.push_back (ClapInputEvent::param (static_cast<std::uint32_t> (r () % frames), p.id, v));
    }
    std::stable_sort (events.begin (), events.end (), [] (const auto& a, const auto& b) { return a.frame < b.frame; });
    return events;
}

TEST (ClapPlugin, RandomParameterEventsStayFiniteAndDeterministic)
{
    const AudioBuffers in = burst (48000);
    Stereo runs[2];
    for (auto& run : runs)
    {
        auto p = loadClap ();
        ASSERT_TRUE (p);
        ASSERT_TRUE (p->activate (48000.0, 512));
        run = runClap (*p, in, 512, randomEvents (p->params (), 48000, 11));
        EXPECT_TRUE (allFinite (run));
    }
    EXPECT_EQ (runs[0], runs[1]);
}

TEST (ClapPlugin, OutOfRangeValuesAreClamped)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    ASSERT_TRUE (p->activate (44100.0, 64));
    for (const ClapParam& param : p->params ())
    {
        SCOPED_TRACE (param.name);
        const double cases[][2] = {{param.maxValue + 5.0, param.maxValue},
                                   {param.minValue - 3.0, param.minValue},
                                   {1e30, param.maxValue},
                                   {-1e30, param.minValue}};
        for (const auto& c : cases)
        {
            float l[64], r[64];
            float* o[2] = {l, r};
            const ClapInputEvent e = ClapInputEvent::param (0, param.id, c[0]);
            p->process (nullptr, o, 64, std::span (&e, 1));
            EXPECT_EQ (p->value (param.id), c[1]);
        }
    }
}

TEST (ClapPlugin, UnknownEventsAreIgnored)
{
    const AudioBuffers in = burst (8192);
    auto plain = loadClap ();
    auto noisy = loadClap ();
    ASSERT_TRUE (plain && noisy);
    ASSERT_TRUE (plain->activate (44100.0, 256));
    ASSERT_TRUE (noisy->activate (44100.0, 256));
    const auto id = plain->params ()[1].id;
    std::vector<ClapInputEvent> unknown;
    for (std::uint32_t f = 0; f < 8192; f += 100)
    {
        unknown.push_back (ClapInputEvent::unknown (f));
        unknown.back ().paramId = id;
    }
    EXPECT_EQ (runClap (*plain, in, 256), runClap (*noisy, in, 256, unknown));
}

// A value event at frame k inside a block sounds as the same change made
// between two blocks split at k.
TEST (ClapPlugin, EventsTakeEffectAtTheirFrame)
{
    const AudioBuffers in = burst (4096);
    auto p = loadClap ();
    ASSERT_TRUE (p);
    const ClapParam volume = p->params ()[2]; // a continuous level
    ASSERT_FALSE (volume.flags & CLAP_PARAM_IS_STEPPED);
    for (std::uint32_t k : {1u, 100u, 333u, 511u})
    {
        SCOPED_TRACE (k);
        auto a = loadClap ();
        auto b = loadClap ();
        ASSERT_TRUE (a->activate (44100.0, 512) && b->activate (44100.0, 512));
        const ClapInputEvent change = ClapInputEvent::param (1024 + k, volume.id, volume.maxValue * 0.25);
        const Stereo inBlock = runClap (*a, in, 512, {change});

        // The same change between blocks: 1024 + k frames, then the rest.
        const std::size_t split = 1024 + k;
        AudioBuffers head {std::vector<float> (in[0].begin (), in[0].begin () + static_cast<long> (split)),
                           std::vector<float> (in[1].begin (), in[1].begin () + static_cast<long> (split))};
        AudioBuffers rest {std::vector<float> (in[0].begin () + static_cast<long> (split), in[0].end ()),
                           std::vector<float> (in[1].begin () + static_cast<long> (split), in[1].end ())};
        Stereo atEdge = runClap (*b, head, 512);
        b->flush (std::vector {ClapInputEvent::param (0, volume.id, volume.maxValue * 0.25)});
        const Stereo tail = runClap (*b, rest, 512);
        for (int c = 0; c < 2; ++c)
            atEdge[static_cast<std::size_t> (c)].insert (atEdge[static_cast<std::size_t> (c)].end (),
                                                         tail[static_cast<std::size_t> (c)].begin (),
                                                         tail[static_cast<std::size_t> (c)].end ());
        EXPECT_EQ (inBlock, atEdge);
    }
}

// A MIDI program change loads a preset on the audio thread: the host hears
// of every value it moved, and of nothing it set itself.
TEST (ClapPlugin, ValuesMovedByMidiReachTheHost)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    ASSERT_TRUE (p->activate (48000.0, 256));
    const auto params = p->params ();
    float l[256], r[256];
    float* o[2] = {l, r};
    const ClapInputEvent set = ClapInputEvent::param (3, params[1].id, params[1].maxValue * 0.5);
    p->process (nullptr, o, 256, std::span (&set, 1));
    EXPECT_TRUE (p->lastOutput ().empty ()) << "a value the host set is not sent back";

    const int preset = findFactoryPreset ("1 to Morlake");
    const ClapInputEvent change = ClapInputEvent::midiBytes (10, 0xc0, static_cast<std::uint8_t> (preset), 0);
    p->process (nullptr, o, 256, std::span (&change, 1));
    const auto sent = p->lastOutput ();
    EXPECT_FALSE (sent.empty ());
    for (const ClapOutputEvent& e : sent)
    {
        ASSERT_EQ (e.type, CLAP_EVENT_PARAM_VALUE);
        EXPECT_EQ (p->value (e.paramId), e.value);
    }
    p->process (nullptr, o, 256);
    EXPECT_TRUE (p->lastOutput ().empty ()) << "each change is sent once";
}

TEST (ClapPlugin, WrongThreadIsRefusedWhereTheHostChecks)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    std::vector<std::uint8_t> fromWorker {1};
    std::thread worker ([&] { fromWorker = p->saveState (); });
    worker.join ();
    EXPECT_TRUE (fromWorker.empty ()) << "state save off the main thread";
    const auto good = p->saveState ();
    ASSERT_FALSE (good.empty ());
    bool loaded = true;
    std::thread loader ([&] { loaded = p->loadState (good); });
    loader.join ();
    EXPECT_FALSE (loaded);
}

TEST (ClapPlugin, LoadsEveryFactoryPresetAndListsThemForBrowsers)
{
    auto p = loadClap ();
    ASSERT_TRUE (p);
    std::vector<std::uint8_t> previous;
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        ASSERT_TRUE (p->loadPreset (i)) << i;
        const auto state = p->saveState ();
        const auto name = decodePresetName (reinterpret_cast<const float*> (state.data () + 12));
        EXPECT_EQ (std::string (name.data ()),
                   std::string (FACTORY_PRESET_NAMES_STR[static_cast<std::size_t> (i)]).substr (0, kNameMaxChars));
    }
    EXPECT_FALSE (p->loadPreset (kNumFactoryPresets));
    EXPECT_FALSE (p->loadPreset (-1));

    // The discovery factory, as an indexer sees it.
    const auto* factory = static_cast<const clap_preset_discovery_factory_t*> (
        p->entry ()->get_factory (CLAP_PRESET_DISCOVERY_FACTORY_ID));
    ASSERT_NE (factory, nullptr);
    ASSERT_EQ (factory->count (factory), 1u);
    struct Seen
    {
        std::vector<clap_preset_discovery_location_t> locations;
        std::vector<std::pair<std::string, std::string>> presets;
    } seen;
    clap_preset_discovery_indexer_t indexer {};
    indexer.clap_version = CLAP_VERSION;
    indexer.name = "test";
    indexer.indexer_data = &seen;
    indexer.declare_filetype = [] (const clap_preset_discovery_indexer_t*, const clap_preset_discovery_filetype_t*) {
        return true;
    };
    indexer.declare_location = [] (const clap_preset_discovery_indexer_t* i,
                                   const clap_preset_discovery_location_t* l) {
        static_cast<Seen*> (i->indexer_data)->locations.push_back (*l);
        return true;
    };
    indexer.declare_soundpack = [] (const clap_preset_discovery_indexer_t*, const clap_preset_discovery_soundpack_t*) {
        return true;
    };
    indexer.get_extension = [] (const clap_preset_discovery_indexer_t*, const char*) -> const void* { return nullptr; };
    const auto* provider = factory->create (factory, &indexer, factory->get_descriptor (factory, 0)->id);
    ASSERT_NE (provider, nullptr);
    ASSERT_TRUE (provider->init (provider));
    ASSERT_EQ (seen.locations.size (), 1u);
    clap_preset_discovery_metadata_receiver_t receiver {};
    receiver.receiver_data = &seen;
    receiver.on_error = [] (const clap_preset_discovery_metadata_receiver_t*, std::int32_t, const char*) {};
    receiver.begin_preset = [] (const clap_preset_discovery_metadata_receiver_t* r, const char* name, const char* key) {
        static_cast<Seen*> (r->receiver_data)->presets.emplace_back (name, key);
        return true;
    };
    receiver.add_plugin_id = [] (const clap_preset_discovery_metadata_receiver_t*, const clap_universal_plugin_id_t*) {
    };
    receiver.set_soundpack_id = [] (const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.set_flags = [] (const clap_preset_discovery_metadata_receiver_t*, std::uint32_t) {};
    receiver.add_creator = [] (const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.set_description = [] (const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.set_timestamps = [] (const clap_preset_discovery_metadata_receiver_t*, clap_timestamp, clap_timestamp) {};
    receiver.add_feature = [] (const clap_preset_discovery_metadata_receiver_t*, const char*) {};
    receiver.add_extra_info = [] (const clap_preset_discovery_metadata_receiver_t*, const char*, const char*) {};
    ASSERT_TRUE (provider->get_metadata (provider, seen.locations[0].kind, seen.locations[0].location, &receiver));
    ASSERT_EQ (seen.presets.size (), static_cast<std::size_t> (kNumFactoryPresets));
    for (std::size_t i = 0; i < seen.presets.size (); ++i)
    {
        EXPECT_EQ (seen.presets[i].first, FACTORY_PRESET_NAMES_STR[i]);
        EXPECT_EQ (seen.presets[i].second, std::to_string (i));
    }
    provider->destroy (provider);
}

// "1 to Morlake" over the demo signal: the CLAP build and the VST 2.4 build
// give the same samples, to the bit.
TEST (ClapPlugin, RendersTheDemoLikeTheVst2Build)
{
    const double rate = 44100.0;
    const int block = 512;
    const AudioBuffers demo = makeDemoSignal (rate);
    const std::size_t tail = static_cast<std::size_t> (rate) * 2;

    HostConfig config;
    config.productString = kToolHostProduct;
    config.vendorString = kToolHostVendor;
    config.sampleRate = rate;
    config.blockSize = block;
    std::string error;
    auto vst = HostedPlugin::load (MORLAKE_SO, config, error);
    ASSERT_TRUE (vst) << error;
    vst->open ();
    ASSERT_TRUE (selectFactoryPreset (*vst, findFactoryPreset ("1 to Morlake")));
    const AudioBuffers vstOut = vst->processAll (demo, block, {}, static_cast<std::int64_t> (tail));

    auto clap = loadClap ();
    ASSERT_TRUE (clap);
    ASSERT_TRUE (clap->activate (rate, block));
    ASSERT_TRUE (clap->loadPreset (findFactoryPreset ("1 to Morlake")));
    const Stereo clapOut = runClap (*clap, demo, block, {}, tail);

    ASSERT_EQ (vstOut.size (), 2u);
    for (std::size_t c = 0; c < 2; ++c)
    {
        ASSERT_EQ (vstOut[c].size (), clapOut[c].size ());
        EXPECT_EQ (std::memcmp (vstOut[c].data (), clapOut[c].data (), vstOut[c].size () * sizeof (float)), 0)
            << "channel " << c;
    }
    float peak = 0.0f;
    for (float v : clapOut[0])
        peak = std::max (peak, std::fabs (v));
    EXPECT_GT (peak, 0.01f);
}

} // namespace
} // namespace morlake
