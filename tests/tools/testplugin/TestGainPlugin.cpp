// A small VST 2.4 effect the host harness is tested against: 4 in / 2 out,
// out = gain × (main + side) through an optional 50 ms echo. A note-on adds a
// click of velocity/127 at its frame; a vendor-specific call makes its texts
// overrun their caps.
#include "formats/vst2/vst24.h"
#include "tests/tools/testplugin/TestGainProbe.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using namespace vst;
using namespace morlake::testgain;

struct Program
{
    const char* name;
    float gain;
    float echo;
};

constexpr Program kPrograms[kNumPrograms] = {{"Unity", 0.5f, 0.0f}, {"Quiet", 0.25f, 0.0f}, {"Echo Hall", 0.5f, 0.5f}};

struct PendingEvent
{
    int32 frame;
    unsigned char bytes[3];
};

struct GainPlugin
{
    AEffect effect {};
    float params[kNumParams] = {0.5f, 0.0f};
    int program = 0;
    int modes = 0;
    double sampleRate = 44100.0;
    std::vector<float> echoLine;
    std::size_t echoPos = 0;
    std::size_t echoLength = 1;
    PendingEvent pending[256] {};
    int pendingCount = 0;
    Chunk chunk {};

    void setParameter (int index, float value)
    {
        if (index >= 0 && index < kNumParams)
            params[index] = std::clamp (value, 0.0f, 1.0f);
    }

    void setSampleRate (float rate)
    {
        sampleRate = rate > 1000.0f ? rate : 1000.0f;
        echoLength = std::max<std::size_t> (1, static_cast<std::size_t> (sampleRate * 0.05));
        echoLine.assign (echoLength, 0.0f);
        echoPos = 0;
    }

    void writeText (char* text, const char* value, int limit)
    {
        // Overrun mode writes far past what the host promised.
        if ((modes & kModeOverrunParamTexts) != 0 && limit == morlakeParamTextCap)
        {
            std::memset (text, 'X', 40);
            text[40] = '\0';
            return;
        }
        std::snprintf (text, static_cast<std::size_t> (limit), "%s", value);
    }

    static constexpr int morlakeParamTextCap = 24;

    void display (int index, char* text)
    {
        char buffer[64];
        if (index == kParamGain)
        {
            const float linear = 2.0f * params[kParamGain];
            if (linear <= 0.0f)
                std::snprintf (buffer, sizeof (buffer), "-inf");
            else
                std::snprintf (buffer, sizeof (buffer), "%.2f", 20.0 * std::log10 (linear));
        }
        else if (index == kParamEcho)
            std::snprintf (buffer, sizeof (buffer), "%.1f", 100.0 * params[kParamEcho]);
        else
            buffer[0] = '\0';
        writeText (text, buffer, morlakeParamTextCap);
    }

    void process (float** inputs, float** outputs, int32 frames)
    {
        int next = 0;
        for (int32 i = 0; i < frames; ++i)
        {
            float click = 0.0f;
            while (next < pendingCount && pending[next].frame <= i)
            {
                const auto& e = pending[next++];
                if ((e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] > 0)
                    click += static_cast<float> (e.bytes[2]) / 127.0f;
            }
            const float gain = 2.0f * params[kParamGain];
            const float feedback = 0.9f * params[kParamEcho];
            float y[2];
            for (int c = 0; c < 2; ++c)
                y[c] = inputs[c][i] + inputs[c + 2][i];
            // One shared mono echo keeps the line short; it is a test device.
            const float delayed = echoLine[echoPos];
            const float mono = 0.5f * (y[0] + y[1]);
            echoLine[echoPos] = mono + feedback * delayed;
            echoPos = (echoPos + 1) % echoLength;
            for (int c = 0; c < 2; ++c)
                outputs[c][i] = gain * (y[c] + feedback * delayed) + click;
        }
        pendingCount = 0;
    }

    void queueEvents (const VstEvents* events)
    {
        for (int32 i = 0; i < events->numEvents && pendingCount < 256; ++i)
        {
            const VstEvent* e = events->events[i];
            if (e == nullptr || e->type != kVstMidiType)
                continue;
            const auto* m = reinterpret_cast<const VstMidiEvent*> (e);
            auto& p = pending[pendingCount++];
            p.frame = m->deltaFrames;
            for (int b = 0; b < 3; ++b)
                p.bytes[b] = static_cast<unsigned char> (m->midiData[b]);
        }
        std::stable_sort (pending, pending + pendingCount,
                          [] (const PendingEvent& a, const PendingEvent& b) { return a.frame < b.frame; });
    }

    void setProgram (int index)
    {
        if (index < 0 || index >= kNumPrograms)
            return;
        program = index;
        params[kParamGain] = kPrograms[index].gain;
        params[kParamEcho] = kPrograms[index].echo;
    }

    intptr dispatch (int32 opcode, int32 index, intptr value, void* ptr, float opt)
    {
        char* text = static_cast<char*> (ptr);
        switch (opcode)
        {
            case effSetProgram: setProgram (static_cast<int> (value)); return 0;
            case effGetProgram: return program;
            case effGetProgramName:
                std::snprintf (text, (modes & kModeOverrunProgramName) != 0 ? 200 : kVstMaxProgNameLen, "%s%s",
                               kPrograms[program].name,
                               (modes & kModeOverrunProgramName) != 0 ? " with a name far too long to fit" : "");
                return 0;
            case effGetProgramNameIndexed:
                if (index < 0 || index >= kNumPrograms)
                    return 0;
                std::snprintf (text, kVstMaxProgNameLen, "%s", kPrograms[index].name);
                return 1;
            case effGetParamLabel:
                writeText (text, index == kParamGain ? "dB" : index == kParamEcho ? "%" : "", morlakeParamTextCap);
                return 0;
            case effGetParamDisplay: display (index, text); return 0;
            case effGetParamName:
                writeText (text, index == kParamGain ? "Gain" : index == kParamEcho ? "Echo" : "", morlakeParamTextCap);
                return 0;
            case effSetSampleRate: setSampleRate (opt); return 0;
            case effGetChunk:
                chunk = Chunk {kChunkMagic, 1, params[kParamGain], params[kParamEcho], program};
                *static_cast<void**> (ptr) = &chunk;
                return sizeof (Chunk);
            case effSetChunk: {
                if (value != static_cast<intptr> (sizeof (Chunk)) || ptr == nullptr)
                    return 0;
                Chunk in;
                std::memcpy (&in, ptr, sizeof (in));
                if (in.magic != kChunkMagic)
                    return 0;
                params[kParamGain] = std::clamp (in.gain, 0.0f, 1.0f);
                params[kParamEcho] = std::clamp (in.echo, 0.0f, 1.0f);
                program = std::clamp (in.program, 0, kNumPrograms - 1);
                return 1;
            }
            case effProcessEvents: queueEvents (static_cast<const VstEvents*> (ptr)); return 1;
            case effCanBeAutomated: return index >= 0 && index < kNumParams ? 1 : 0;
            case effGetInputProperties:
            case effGetOutputProperties: {
                const bool output = opcode == effGetOutputProperties;
                if (index < 0 || index >= (output ? 2 : 4))
                    return 0;
                auto* pin = static_cast<VstPinProperties*> (ptr);
                std::snprintf (pin->label, kVstMaxLabelLen, "Gain %s %d", output ? "Out" : "In", index + 1);
                pin->flags = kVstPinIsActive | kVstPinIsStereo;
                return 1;
            }
            case effGetEffectName: std::snprintf (text, kVstMaxEffectNameLen, "Test Gain"); return 1;
            case effGetVendorVersion: return 7;
            case effVendorSpecific:
                if (index != kProbeModes)
                    return 0;
                modes = static_cast<int> (value);
                return 1;
            case effCanDo: {
                const char* what = static_cast<const char*> (ptr);
                for (const char* yes : {"receiveVstEvents", "4in2out"})
                    if (std::strcmp (what, yes) == 0)
                        return 1;
                return std::strcmp (what, "offline") == 0 ? -1 : 0;
            }
            case effGetVstVersion: return kVstVersion;
            default: return 0;
        }
    }
};

GainPlugin* self (AEffect* e) { return static_cast<GainPlugin*> (e->object); }

intptr dispatcherProc (AEffect* e, int32 opcode, int32 index, intptr value, void* ptr, float opt)
{
    GainPlugin* p = self (e);
    if (opcode == effClose)
    {
        delete p;
        return 1;
    }
    return p->dispatch (opcode, index, value, ptr, opt);
}

void processProc (AEffect* e, float** in, float** out, int32 frames) { self (e)->process (in, out, frames); }
void setParameterProc (AEffect* e, int32 index, float value) { self (e)->setParameter (index, value); }
float getParameterProc (AEffect* e, int32 index)
{
    return index >= 0 && index < kNumParams ? self (e)->params[index] : 0.0f;
}

AEffect* createEffect (HostCallback host)
{
    if (host == nullptr || host (nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    auto* p = new GainPlugin ();
    AEffect& e = p->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatcherProc;
    e.setParameter = setParameterProc;
    e.getParameter = getParameterProc;
    e.processReplacing = processProc;
    e.numPrograms = kNumPrograms;
    e.numParams = kNumParams;
    e.numInputs = 4;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsProgramChunks;
    e.ioRatio = 1.0f;
    e.object = p;
    e.uniqueID = kUniqueID;
    e.version = 3;
    p->setSampleRate (44100.0f);
    return &e;
}

} // namespace

#ifdef MORLAKE_TEST_ENTRY_MAIN_MACHO
extern "C" __attribute__ ((visibility ("default"))) AEffect* main_macho (HostCallback host)
{
    return createEffect (host);
}
#else
extern "C" __attribute__ ((visibility ("default"))) AEffect* VSTPluginMain (HostCallback host)
{
    return createEffect (host);
}
#endif
