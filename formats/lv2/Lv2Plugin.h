// The LV2 adapter: ports, atom events and the state extension around one
// format-free instance. The UI half (Lv2Ui) reaches the instance through
// instance-access when the host offers it.
#pragma once

#include "formats/lv2/Lv2Ports.h"
#include "instance/APlugin.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace morlake::lv2 {

// The state blob: a tag and version before the instance's 1056-byte block,
// so that a blob of another version or size is refused whole.
struct StateBlob
{
    char magic[4];
    std::uint32_t version;
    ChunkBlock block;
};
inline constexpr char kStateMagic[4] = {'M', 'k', 'L', 'r'};
inline constexpr std::uint32_t kStateVersion = 1;

// What the plug-in tells an open UI of (on the UI thread).
class UiLink
{
public:
    virtual void parameterEdited (int tag, float value) = 0;
    virtual void gesture (int tag, bool begins) = 0;

protected:
    ~UiLink () = default;
};

// Forwards the instance's editor notifications to the editor of the open
// UI, if any; the instance keeps this one for its whole life.
class EditorRelay final : public InstanceEditor
{
public:
    // On the UI thread; waits for a notification under way to finish.
    void attach (InstanceEditor* target);

    EditorSize getSize () const override { return {0, 0}; }
    bool open (void*) override { return false; }
    void close () override {}
    void idle () override {}
    bool isOpen () const override;
    bool onWheel (float) override { return false; }
    int onKeyDown (const KeyStroke&) override { return 0; }
    int onKeyUp (const KeyStroke&) override { return 0; }
    bool setKnobMode (int) override { return false; }
    void setParameter (int tag, float value) override;
    void setEditTag (int tag) override;
    void refreshAll () override;
    void setDisruptValue (float value) override;

private:
    template <typename Call>
    void forward (Call&& call) const;

    std::atomic<InstanceEditor*> target {nullptr};
    mutable std::atomic<int> busy {0};
};

class Lv2Plugin final : private InstanceHost
{
public:
    static Lv2Plugin* create (double rate, const LV2_Feature* const* features);
    ~Lv2Plugin () override;

    APlugin& instance () { return product; }
    const ParameterTable& table () const { return product.table (); }
    EditorRelay& relay () { return editorRelay; }
    void setUiLink (UiLink* link) { uiLink.store (link, std::memory_order_release); }

    void connect (std::uint32_t port, void* data);
    void activate () { product.resume (); }
    void run (std::uint32_t frames);

    LV2_State_Status save (LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore (LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

private:
    Lv2Plugin (double rate, const LV2_URID_Map& map);

    // InstanceHost
    void parameterEdited (int tag, float value) override;
    bool gestureBegan (int tag) override;
    bool gestureEnded (int tag) override;
    ChainTime transport () override { return time; }
    void requestIdle () override {}

    void readControls ();
    void readEvents ();

    struct Urids
    {
        LV2_URID atomBlank, atomObject, atomChunk, atomFloat, atomDouble, atomInt, atomLong;
        LV2_URID midiEvent, timePosition, timeSpeed, timeBpm, stateKey;
    } urid {};

    // Control ports by tag order; their last values seen.
    std::array<int, kNumParams> portTag {};
    int numControls = 0;
    std::array<const float*, kNumParams> controls {};
    std::array<float, kNumParams> lastPort {};
    std::array<const float*, kInputChannels> inputs {};
    std::array<float*, kOutputChannels> outputs {};
    const LV2_Atom_Sequence* events = nullptr;
    ChainTime time {};

    // Set by a restore: the next block takes the ports' values as seen, so
    // controls the host still shows from before (a preset chosen in the
    // editor, a MIDI program change) do not overwrite the restored state.
    std::atomic<bool> adoptPorts {false};
    StateBlob saved {};
    std::atomic<UiLink*> uiLink {nullptr};
    EditorRelay editorRelay;
    APlugin product;
};

} // namespace morlake::lv2
