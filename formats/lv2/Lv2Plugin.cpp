#include "formats/lv2/Lv2Plugin.h"

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <thread>

namespace morlake::lv2 {

// EditorRelay ---------------------------------------------------------------------

void EditorRelay::attach (InstanceEditor* editor)
{
    target.store (editor, std::memory_order_seq_cst);
    while (busy.load (std::memory_order_seq_cst) != 0)
        std::this_thread::yield ();
}

template <typename Call>
void EditorRelay::forward (Call&& call) const
{
    busy.fetch_add (1, std::memory_order_seq_cst);
    if (InstanceEditor* editor = target.load (std::memory_order_seq_cst))
        call (*editor);
    busy.fetch_sub (1, std::memory_order_seq_cst);
}

bool EditorRelay::isOpen () const
{
    bool open = false;
    forward ([&] (InstanceEditor& e) { open = e.isOpen (); });
    return open;
}

void EditorRelay::setParameter (int tag, float value)
{
    forward ([=] (InstanceEditor& e) { e.setParameter (tag, value); });
}

void EditorRelay::setEditTag (int tag)
{
    forward ([=] (InstanceEditor& e) { e.setEditTag (tag); });
}

void EditorRelay::refreshAll ()
{
    forward ([] (InstanceEditor& e) { e.refreshAll (); });
}

void EditorRelay::setDisruptValue (float value)
{
    forward ([=] (InstanceEditor& e) { e.setDisruptValue (value); });
}

// Lv2Plugin -----------------------------------------------------------------------

Lv2Plugin* Lv2Plugin::create (double rate, const LV2_Feature* const* features)
{
    const LV2_URID_Map* map = nullptr;
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i)
        if (std::strcmp (features[i]->URI, LV2_URID__map) == 0)
            map = static_cast<const LV2_URID_Map*> (features[i]->data);
    if (map != nullptr)
        return new (std::nothrow) Lv2Plugin (rate, *map);
    // Hosts without urid:map (lv2apply offers no features) exchange no
    // events or state; the constructor's URIs still get distinct numbers.
    LV2_URID next = 0;
    const LV2_URID_Map count {
        &next, [] (LV2_URID_Map_Handle handle, const char*) { return ++*static_cast<LV2_URID*> (handle); }};
    return new (std::nothrow) Lv2Plugin (rate, count);
}

Lv2Plugin::Lv2Plugin (double rate, const LV2_URID_Map& map) : product (*this)
{
    auto id = [&] (const char* uri) { return map.map (map.handle, uri); };
    urid.atomBlank = id (LV2_ATOM__Blank);
    urid.atomObject = id (LV2_ATOM__Object);
    urid.atomChunk = id (LV2_ATOM__Chunk);
    urid.atomFloat = id (LV2_ATOM__Float);
    urid.atomDouble = id (LV2_ATOM__Double);
    urid.atomInt = id (LV2_ATOM__Int);
    urid.atomLong = id (LV2_ATOM__Long);
    urid.midiEvent = id (LV2_MIDI__MidiEvent);
    urid.timePosition = id (LV2_TIME__Position);
    urid.timeSpeed = id (LV2_TIME__speed);
    urid.timeBpm = id (LV2_TIME__beatsPerMinute);
    urid.stateKey = id (kStateKeyUri);

    for (int tag : controlPortTags (product.table ()))
        portTag[static_cast<std::size_t> (numControls++)] = tag;
    lastPort.fill (std::numeric_limits<float>::quiet_NaN ());
    product.attachEditor (&editorRelay);
    product.setSampleRate (static_cast<float> (rate));
}

Lv2Plugin::~Lv2Plugin () { product.attachEditor (nullptr); }

void Lv2Plugin::connect (std::uint32_t port, void* data)
{
    switch (port)
    {
        case kPortInL:
        case kPortInR:
        case kPortSideL:
        case kPortSideR: inputs[port - kPortInL] = static_cast<const float*> (data); return;
        case kPortOutL:
        case kPortOutR: outputs[port - kPortOutL] = static_cast<float*> (data); return;
        case kPortEvents: events = static_cast<const LV2_Atom_Sequence*> (data); return;
        default: break;
    }
    const std::uint32_t index = port - kFirstControlPort;
    if (index < static_cast<std::uint32_t> (numControls))
        controls[index] = static_cast<const float*> (data);
}

void Lv2Plugin::readControls ()
{
    const ParameterTable& params = product.table ();
    const bool adopt = adoptPorts.exchange (false, std::memory_order_acquire);
    for (int i = 0; i < numControls; ++i)
    {
        const float* port = controls[static_cast<std::size_t> (i)];
        if (port == nullptr)
            continue;
        const float value = *port;
        float& last = lastPort[static_cast<std::size_t> (i)];
        if (value == last || (std::isnan (value) && std::isnan (last)))
            continue;
        last = value;
        if (adopt)
            continue;
        // A port showing what the parameter holds leaves it alone: the exact
        // value stays where several show alike.
        const int tag = portTag[static_cast<std::size_t> (i)];
        if (toPortValue (params, tag, product.getParameter (tag)) != value)
            product.setParameter (tag, fromPortValue (params, tag, value));
    }
}

void Lv2Plugin::readEvents ()
{
    if (events == nullptr)
        return;
    LV2_ATOM_SEQUENCE_FOREACH (events, ev)
    {
        if (ev->body.type == urid.midiEvent)
        {
            const auto* data = reinterpret_cast<const std::uint8_t*> (ev + 1);
            if (ev->body.size < 1 || (data[0] & 0x80) == 0 || data[0] >= 0xf0)
                continue;
            MidiMessage message;
            message.deltaFrames = static_cast<int> (ev->time.frames);
            message.status = data[0];
            message.data1 = static_cast<unsigned char> (ev->body.size > 1 ? data[1] & 0x7f : 0);
            message.data2 = static_cast<unsigned char> (ev->body.size > 2 ? data[2] & 0x7f : 0);
            if (! product.queueMidi (message))
                break;
        }
        else if (ev->body.type == urid.atomObject || ev->body.type == urid.atomBlank)
        {
            const auto* object = reinterpret_cast<const LV2_Atom_Object*> (&ev->body);
            if (object->body.otype != urid.timePosition)
                continue;
            const LV2_Atom* speed = nullptr;
            const LV2_Atom* bpm = nullptr;
            lv2_atom_object_get (object, urid.timeSpeed, &speed, urid.timeBpm, &bpm, 0);
            auto number = [this] (const LV2_Atom* atom, double& out) {
                if (atom == nullptr)
                    return false;
                if (atom->type == urid.atomFloat)
                    out = reinterpret_cast<const LV2_Atom_Float*> (atom)->body;
                else if (atom->type == urid.atomDouble)
                    out = reinterpret_cast<const LV2_Atom_Double*> (atom)->body;
                else if (atom->type == urid.atomInt)
                    out = reinterpret_cast<const LV2_Atom_Int*> (atom)->body;
                else if (atom->type == urid.atomLong)
                    out = static_cast<double> (reinterpret_cast<const LV2_Atom_Long*> (atom)->body);
                else
                    return false;
                return true;
            };
            double value = 0.0;
            time.valid = true;
            if (number (speed, value))
                time.playing = value != 0.0;
            if (number (bpm, value) && value > 0.0)
            {
                time.tempoValid = true;
                time.tempo = static_cast<float> (value);
            }
        }
    }
}

void Lv2Plugin::run (std::uint32_t frames)
{
    readControls ();
    readEvents ();
    if (outputs[0] == nullptr || outputs[1] == nullptr)
        return;
    product.process (inputs.data (), outputs.data (), static_cast<int> (frames), false);
}

// InstanceHost --------------------------------------------------------------------

void Lv2Plugin::parameterEdited (int tag, float value)
{
    if (UiLink* link = uiLink.load (std::memory_order_acquire))
        link->parameterEdited (tag, value);
}

bool Lv2Plugin::gestureBegan (int tag)
{
    UiLink* link = uiLink.load (std::memory_order_acquire);
    if (link != nullptr)
        link->gesture (tag, true);
    return link != nullptr;
}

bool Lv2Plugin::gestureEnded (int tag)
{
    UiLink* link = uiLink.load (std::memory_order_acquire);
    if (link != nullptr)
        link->gesture (tag, false);
    return link != nullptr;
}

// State ---------------------------------------------------------------------------

LV2_State_Status Lv2Plugin::save (LV2_State_Store_Function store, LV2_State_Handle handle)
{
    std::memcpy (saved.magic, kStateMagic, sizeof saved.magic);
    saved.version = kStateVersion;
    product.saveState (saved.block);
    return store (handle, urid.stateKey, &saved, sizeof saved, urid.atomChunk, LV2_STATE_IS_POD);
}

LV2_State_Status Lv2Plugin::restore (LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    const void* data = retrieve (handle, urid.stateKey, &size, &type, &flags);
    if (data == nullptr)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != urid.atomChunk)
        return LV2_STATE_ERR_BAD_TYPE;
    StateBlob blob;
    if (size != sizeof blob)
        return LV2_STATE_ERR_UNKNOWN;
    std::memcpy (&blob, data, sizeof blob);
    if (std::memcmp (blob.magic, kStateMagic, sizeof blob.magic) != 0 || blob.version != kStateVersion)
        return LV2_STATE_ERR_UNKNOWN;
    if (! product.restoreState (&blob.block, kChunkSize))
        return LV2_STATE_ERR_UNKNOWN;
    adoptPorts.store (true, std::memory_order_release);
    return LV2_STATE_SUCCESS;
}

} // namespace morlake::lv2
