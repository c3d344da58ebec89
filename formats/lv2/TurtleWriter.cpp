// morlake-lv2-ttl OUTDIR [--ui]: writes the Turtle of Morlake.lv2 from the
// parameter rows and the factory presets: manifest.ttl, Morlake.ttl (the
// plug-in and its ports), presets.ttl and, with --ui, MorlakeUI.ttl.
#include "formats/lv2/Lv2Plugin.h"
#include "instance/Identity.h"
#include "presets/FactoryNames.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

using namespace morlake;
using namespace morlake::lv2;

namespace {

constexpr const char* kPrefixes = R"(@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .
@prefix doap:  <http://usefulinc.com/ns/doap#> .
@prefix foaf:  <http://xmlns.com/foaf/0.1/> .
@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .
@prefix midi:  <http://lv2plug.in/ns/ext/midi#> .
@prefix opts:  <http://lv2plug.in/ns/ext/options#> .
@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .
@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .
@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix time:  <http://lv2plug.in/ns/ext/time#> .
@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .
@prefix units: <http://lv2plug.in/ns/extensions/units#> .
@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .
@prefix xsd:   <http://www.w3.org/2001/XMLSchema#> .

)";

std::string quoted (std::string_view text)
{
    std::string out = "\"";
    for (char c : text)
    {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string number (double v)
{
    char text[40];
    std::snprintf (text, sizeof text, "%.9g", v);
    std::string out = text;
    // A decimal point keeps Turtle from reading an integer.
    if (out.find_first_of (".en") == std::string::npos)
        out += ".0";
    return out;
}

std::string presetUri (int index) { return std::string (kPresetUriPrefix) + std::to_string (index + 1); }

std::string base64 (const void* data, std::size_t size)
{
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* bytes = static_cast<const unsigned char*> (data);
    std::string out;
    for (std::size_t i = 0; i < size; i += 3)
    {
        const unsigned v =
            (bytes[i] << 16) | ((i + 1 < size ? bytes[i + 1] : 0) << 8) | (i + 2 < size ? bytes[i + 2] : 0);
        out += digits[(v >> 18) & 63];
        out += digits[(v >> 12) & 63];
        out += i + 1 < size ? digits[(v >> 6) & 63] : '=';
        out += i + 2 < size ? digits[v & 63] : '=';
    }
    return out;
}

class QuietHost final : public InstanceHost
{
    void parameterEdited (int, float) override {}
    bool gestureBegan (int) override { return false; }
    bool gestureEnded (int) override { return false; }
    ChainTime transport () override { return {}; }
    void requestIdle () override {}
};

// Port defaults are what a new instance holds: its first program.
void writePorts (std::ostream& out, const APlugin& instance)
{
    const ParameterTable& table = instance.table ();
    auto audio = [&] (int index, const char* dir, const char* symbol, const char* name, bool side) {
        out << "  lv2:port [\n    a lv2:AudioPort , lv2:" << dir << " ;\n    lv2:index " << index
            << " ;\n    lv2:symbol \"" << symbol << "\" ;\n    lv2:name \"" << name << "\" ;\n";
        if (side)
            out << "    lv2:portProperty lv2:isSideChain ;\n";
        out << "  ] ;\n";
    };
    audio (kPortInL, "InputPort", "in_l", "In L", false);
    audio (kPortInR, "InputPort", "in_r", "In R", false);
    audio (kPortSideL, "InputPort", "side_l", "Side In L", true);
    audio (kPortSideR, "InputPort", "side_r", "Side In R", true);
    audio (kPortOutL, "OutputPort", "out_l", "Out L", false);
    audio (kPortOutR, "OutputPort", "out_r", "Out R", false);
    out << "  lv2:port [\n    a lv2:InputPort , atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
           "    atom:supports midi:MidiEvent , time:Position ;\n    lv2:designation lv2:control ;\n"
           "    lv2:portProperty lv2:connectionOptional ;\n    lv2:index "
        << kPortEvents << " ;\n    lv2:symbol \"events\" ;\n    lv2:name \"MIDI and Time In\" ;\n  ]";

    int index = kFirstControlPort;
    for (int tag : controlPortTags (table))
    {
        const PortUnit unit = portUnitOf (table, tag);
        out << " , [\n    a lv2:InputPort , lv2:ControlPort ;\n    lv2:index " << index++ << " ;\n    lv2:symbol \""
            << table.getSymbol (tag) << "\" ;\n    lv2:name " << quoted (table.getName (tag)) << " ;\n";
        out << "    lv2:default " << number (toPortValue (table, tag, instance.getParameter (tag))) << " ;\n";
        out << "    lv2:minimum " << number (unit.minimum) << " ;\n    lv2:maximum " << number (unit.maximum) << " ;\n";
        if (unit.kind == PortKind::Toggle)
            out << "    lv2:portProperty lv2:toggled ;\n";
        if (unit.kind == PortKind::Enumeration)
        {
            out << "    lv2:portProperty lv2:integer , lv2:enumeration ;\n";
            const auto names = table.getStepNames (tag);
            const int steps = table.getSteps (tag);
            for (int k = 0; k < steps && static_cast<std::size_t> (k) < names.size (); ++k)
                out << "    lv2:scalePoint [ rdfs:label " << quoted (names[static_cast<std::size_t> (k)])
                    << " ; rdf:value " << number (k) << " ] ;\n";
        }
        if (unit.logarithmic)
            out << "    lv2:portProperty pprops:logarithmic ;\n";
        if (unit.unitUri != nullptr)
            out << "    units:unit <" << unit.unitUri << "> ;\n";
        out << "  ]";
    }
    out << " .\n";
}

bool writeFile (const std::string& path, const std::string& text)
{
    std::ofstream file (path, std::ios::binary);
    file << text;
    return static_cast<bool> (file);
}

} // namespace

int main (int argc, char** argv)
{
    if (argc < 2)
    {
        std::cerr << "usage: morlake-lv2-ttl OUTDIR [--ui]\n";
        return 2;
    }
    const std::string dir = argv[1];
    const bool withUi = argc > 2 && std::strcmp (argv[2], "--ui") == 0;
    const std::string plugin = std::string ("<") + kPluginUri + ">";

    Preferences prefs ("", "");
    QuietHost host;
    APlugin instance (host, prefs);
    const ParameterTable& table = instance.table ();

    std::ostringstream manifest;
    manifest
        << kPrefixes << plugin
        << "\n  a lv2:Plugin ;\n  lv2:binary <Contents/x86_64-linux/Morlake.so> ;\n  rdfs:seeAlso <Morlake.ttl> .\n";
    if (withUi)
        manifest << "\n<" << kUiUri
                 << ">\n  a ui:X11UI ;\n  ui:binary <Contents/x86_64-linux/Morlake.so> ;\n  rdfs:seeAlso "
                    "<MorlakeUI.ttl> .\n";
    for (int i = 0; i < kNumFactoryPresets; ++i)
        manifest << "\n<" << presetUri (i) << ">\n  a pset:Preset ;\n  lv2:appliesTo " << plugin
                 << " ;\n  rdfs:seeAlso <presets.ttl> .\n";

    std::ostringstream description;
    description << kPrefixes << plugin << "\n  a lv2:Plugin , lv2:ReverbPlugin ;\n  doap:name "
                << quoted (identity::kEffectName)
                << " ;\n  doap:license <https://spdx.org/licenses/GPL-3.0-or-later> ;\n"
                << "  lv2:minorVersion 0 ;\n  lv2:microVersion 0 ;\n"
                << "  lv2:project [ a doap:Project ; doap:name " << quoted (identity::kProductName)
                << " ; doap:maintainer [ foaf:name " << quoted (identity::kVendorName) << " ] ] ;\n"
                << "  lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
                << "  lv2:extensionData state:interface ;\n";
    if (withUi)
        description << "  ui:ui <" << kUiUri << "> ;\n";
    writePorts (description, instance);
    description << "\n<" << kStateKeyUri << ">\n  a rdf:Property ;\n  rdfs:label \"Morlake state\" ;\n"
                << "  rdfs:comment \"The whole state: a version tag, then the 1056-byte block.\" ;\n"
                << "  rdfs:range atom:Chunk .\n";

    std::ostringstream presets;
    presets << kPrefixes;
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        instance.setDemoProgram (i);
        StateBlob blob {};
        std::memcpy (blob.magic, kStateMagic, sizeof blob.magic);
        blob.version = kStateVersion;
        instance.saveState (blob.block);
        presets << "<" << presetUri (i) << ">\n  a pset:Preset ;\n  lv2:appliesTo " << plugin << " ;\n  rdfs:label "
                << quoted (FACTORY_PRESET_NAMES_STR[static_cast<std::size_t> (i)]) << " ;\n";
        for (int tag : controlPortTags (table))
            presets << "  lv2:port [ lv2:symbol \"" << table.getSymbol (tag) << "\" ; pset:value "
                    << number (toPortValue (table, tag, instance.getParameter (tag))) << " ] ;\n";
        presets << "  state:state [ <" << kStateKeyUri << "> \"" << base64 (&blob, sizeof blob)
                << "\"^^xsd:base64Binary ] .\n\n";
    }

    bool ok = writeFile (dir + "/manifest.ttl", manifest.str ()) &&
              writeFile (dir + "/Morlake.ttl", description.str ()) && writeFile (dir + "/presets.ttl", presets.str ());
    if (withUi)
    {
        std::ostringstream ui;
        ui << kPrefixes << "<" << kUiUri << ">\n  a ui:X11UI ;\n  lv2:requiredFeature ui:parent , ui:idleInterface ;\n"
           << "  lv2:optionalFeature ui:resize , ui:touch , <http://lv2plug.in/ns/ext/instance-access> ;\n"
           << "  lv2:extensionData ui:idleInterface .\n";
        ok = ok && writeFile (dir + "/MorlakeUI.ttl", ui.str ());
    }
    if (! ok)
    {
        std::cerr << "morlake-lv2-ttl: cannot write into " << dir << "\n";
        return 1;
    }
    return 0;
}
