#include "tools/harness/HostedPlugin.h"
#include "tools/host/HostModes.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace morlake {

namespace {

constexpr const char* kCanDoStrings[] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "sendVstTimeInfo",
    "offline",
    "midiProgramNames",
    "bypass",
    "plugAsChannelInsert",
    "plugAsSend",
    "mixDryWet",
    "noRealTime",
    "multipass",
    "metapass",
    "1in1out",
    "1in2out",
    "2in1out",
    "2in2out",
    "2in4out",
    "4in2out",
    "4in4out",
    "4in8out",
    "8in4out",
    "8in8out",
    "receiveVstSysexEvent",
    "conformsToWindowRules",
};

std::string flagNames (vst::int32 flags)
{
    struct Named
    {
        vst::int32 bit;
        const char* name;
    };
    constexpr Named names[] = {
        {vst::effFlagsHasEditor, "hasEditor"},         {vst::effFlagsCanReplacing, "canReplacing"},
        {vst::effFlagsProgramChunks, "programChunks"}, {vst::effFlagsIsSynth, "isSynth"},
        {vst::effFlagsNoSoundInStop, "noSoundInStop"}, {vst::effFlagsCanDoubleReplacing, "canDoubleReplacing"}};
    std::string out;
    vst::int32 known = 0;
    for (const auto& n : names)
    {
        known |= n.bit;
        if ((flags & n.bit) != 0)
            out += std::string (out.empty () ? "" : " ") + n.name;
    }
    if ((flags & ~known) != 0)
    {
        char other[32];
        std::snprintf (other, sizeof (other), "%sother 0x%x", out.empty () ? "" : " ",
                       static_cast<unsigned> (flags & ~known));
        out += other;
    }
    return out.empty () ? "none" : out;
}

const char* canDoWord (vst::intptr answer) { return answer > 0 ? "yes" : answer < 0 ? "no" : "-"; }

void printPins (HostedPlugin& plugin, bool output, int count)
{
    std::printf ("%s pins:\n", output ? "Output" : "Input");
    for (int i = 0; i < count + 1; ++i)
    {
        const auto r = output ? plugin.outputProperties (i) : plugin.inputProperties (i);
        if (! r.answered)
        {
            if (i < count)
                std::printf ("  %d  (no answer)\n", i);
            continue;
        }
        const auto& pin = r.pin;
        std::string flags;
        if ((pin.flags & vst::kVstPinIsActive) != 0)
            flags += " active";
        if ((pin.flags & vst::kVstPinIsStereo) != 0)
            flags += " stereo";
        if ((pin.flags & vst::kVstPinUseSpeaker) != 0)
            flags += " useSpeaker";
        const std::string label (pin.label, strnlen (pin.label, sizeof (pin.label)));
        std::printf ("  %d  %-24s%s%s\n", i,
                     label == kPinFillLabel ? "(label not set)" : ("\"" + label + "\"").c_str (), flags.c_str (),
                     i >= count ? "  (beyond the pin count)" : "");
    }
}

} // namespace

int runInfo (const HostOptions& options)
{
    HostConfig config;
    config.productString = options.hostProduct;
    config.vendorString = options.hostVendor;
    config.unloadModule = false;
    std::string error;
    auto plugin = HostedPlugin::load (options.pluginPath, config, error);
    if (! plugin)
    {
        std::fprintf (stderr, "morlake-host: error: %s\n", error.c_str ());
        return 1;
    }
    plugin->open ();
    const auto* e = plugin->aeffect ();

    std::printf ("Plug-in:          %s%s\n", options.pluginPath.c_str (),
                 plugin->usedMainMacho () ? " (entry main_macho)" : "");
    std::printf ("Host:             \"%s\" / \"%s\"\n", config.productString.c_str (), config.vendorString.c_str ());
    std::printf ("Unique ID:        %s (0x%08x)\n", plugin->uniqueIDText ().c_str (),
                 static_cast<unsigned> (plugin->uniqueID ()));
    std::printf ("Version:          %d\n", e->version);
    std::printf ("Effect name:      %s\n", plugin->effectName ().text.c_str ());
    std::printf ("Vendor:           %s\n", plugin->vendorString ().text.c_str ());
    std::printf ("Product:          %s\n", plugin->productString ().text.c_str ());
    std::printf ("Vendor version:   %ld\n", static_cast<long> (plugin->vendorVersion ()));
    std::printf ("VST version:      %ld\n", static_cast<long> (plugin->dispatch (vst::effGetVstVersion)));
    std::printf ("Category:         %ld\n", static_cast<long> (plugin->dispatch (vst::effGetPlugCategory)));
    std::printf ("Inputs, outputs:  %d, %d\n", plugin->numInputs (), plugin->numOutputs ());
    std::printf ("Programs:         %d (current \"%s\")\n", plugin->numPrograms (),
                 plugin->programName ().text.c_str ());
    std::printf ("Parameters:       %d\n", plugin->numParams ());
    std::printf ("Initial delay:    %d\n", e->initialDelay);
    std::printf ("Tail size:        %ld\n", static_cast<long> (plugin->dispatch (vst::effGetTailSize)));
    std::printf ("Flags:            0x%x %s\n", static_cast<unsigned> (e->flags), flagNames (e->flags).c_str ());

    std::printf ("Can do:\n");
    for (const char* what : kCanDoStrings)
    {
        const auto answer = plugin->canDo (what);
        std::printf ("  %-24s %-3s (%ld)\n", what, canDoWord (answer), static_cast<long> (answer));
    }
    printPins (*plugin, false, plugin->numInputs ());
    printPins (*plugin, true, plugin->numOutputs ());

    std::printf ("Parameters:\n");
    for (int i = 0; i < plugin->numParams (); ++i)
    {
        const auto name = plugin->parameterName (i).text;
        const auto label = plugin->parameterLabel (i).text;
        const auto display = plugin->parameterDisplay (i).text;
        std::printf ("  %3d  %-24s %-24s %s\n", i, ("\"" + name + "\"").c_str (), ("\"" + display + "\"").c_str (),
                     label.empty () ? "" : ("\"" + label + "\"").c_str ());
    }

    const auto& overruns = plugin->overruns ();
    for (const auto& o : overruns)
        std::printf ("Overrun: opcode %d index %d wrote %zu bytes into a %d-byte text (first changed byte %d)\n",
                     o.opcode, o.index, o.written.size () + 1, o.cap, o.firstChangedByte);
    if (! overruns.empty ())
    {
        std::fprintf (stderr, "morlake-host: error: the plug-in wrote past the host's text limit %zu times\n",
                      overruns.size ());
        return 3;
    }
    return 0;
}

} // namespace morlake
