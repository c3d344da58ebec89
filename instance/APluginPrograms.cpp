// Program selection, snapshots and the host chunk.
#include "instance/APlugin.h"

#include "presets/FactoryPresets.h"

#include <cstring>
#include <thread>

namespace morlake {

namespace {

// Whole-state rewrites under way on this thread: a chunk saved from inside
// one (a host answering the editor's refresh) copies without waiting for it.
thread_local int writesOnThisThread = 0;

} // namespace

APlugin::WholeStateWrite::WholeStateWrite (APlugin& p) : instance (p)
{
    ++writesOnThisThread;
    instance.stateWriters.fetch_add (1, std::memory_order_seq_cst);
    // The values are written after the count. The processor (x86: the
    // plug-in runs nowhere else) keeps stores in order, so a copy that saw
    // any of them sees the count too; only the compiler must not move them.
    std::atomic_signal_fence (std::memory_order_seq_cst);
}

APlugin::WholeStateWrite::~WholeStateWrite ()
{
    instance.stateWrites.fetch_add (1, std::memory_order_release);
    instance.stateWriters.fetch_sub (1, std::memory_order_release);
    --writesOnThisThread;
}

void APlugin::copyWholeProgram (float* values) const
{
    if (writesOnThisThread > 0)
    {
        program.copyTo (values);
        return;
    }
    for (;;)
    {
        while (stateWriters.load (std::memory_order_acquire) != 0)
            std::this_thread::yield ();
        const unsigned writes = stateWrites.load (std::memory_order_acquire);
        program.copyTo (values);
        // Loads stay in order on the processor: the counts are read after the copy.
        std::atomic_signal_fence (std::memory_order_seq_cst);
        if (stateWriters.load (std::memory_order_acquire) == 0 &&
            stateWrites.load (std::memory_order_acquire) == writes)
            return;
    }
}

void APlugin::loadFactoryRow (int index)
{
    const PresetRow& row = factoryPreset (index);
    live.copyFrom (row.data ());
    program.copyFrom (row.data ());
    followReverbPreset ();
}

void APlugin::setProgram ()
{
    // A program load rewrites the state a save copies.
    std::lock_guard<std::recursive_mutex> whole (stateMutex);
    loadProgram ();
}

void APlugin::loadProgram ()
{
    const WholeStateWrite whole (*this);
    if (editorOpening.load (std::memory_order_relaxed))
        return;
    settingPreset.store (true, std::memory_order_relaxed);

    float values[kNumParams];
    program.copyTo (values);
    const auto name = decodePresetName (values);
    const int index = findFactoryPreset (name.data ());
    factoryIndex.store (index, std::memory_order_relaxed);
    loadFactoryRow (index);

    for (int t = 0; t <= tag::LastEditable; ++t)
        if (params.isOnOff (t))
            program.set (t, program[t] < 0.5f ? 0.0f : 1.0f);

    edited.copyFrom (live);
    lastSet.copyFrom (live);
    original.copyFrom (live);
    captureFromLive ();

    // A user's own selection leaves the reload slot as it is.
    const bool keepReloadTag = userSelection.load (std::memory_order_relaxed);
    for (int t = 0; t < kNumParams; ++t)
        if (! (t == tag::FactoryReload && keepReloadTag))
            setParameter (t, program[t]);
    userSelection.store (false, std::memory_order_relaxed);

    requestDspReset (kProgramChanged);
    doResetEverything ();

    refreshPending.store (false, std::memory_order_relaxed);
    refreshEditorNow ();
    settingPreset.store (false, std::memory_order_relaxed);
}

void APlugin::setDemoProgram (int index)
{
    const WholeStateWrite whole (*this);
    if (index < 0 || index >= kNumFactoryPresets)
        return;
    // Silent from the first copied value on, not only once setProgram runs.
    settingPresetExternal.store (true, std::memory_order_relaxed);
    userSelection.store (true, std::memory_order_relaxed);
    factoryIndex.store (index, std::memory_order_relaxed);
    loadFactoryRow (index);
    loadProgram ();
    settingPresetExternal.store (false, std::memory_order_relaxed);
}

void APlugin::changeDemoProgramDelta (int delta)
{
    int index = getFactoryIndex () + delta;
    index = index < 0 ? 0 : (index >= kNumFactoryPresets ? kNumFactoryPresets - 1 : index);
    setDemoProgram (index);
}

void APlugin::defaultProgram ()
{
    const WholeStateWrite whole (*this);
    for (int t = 0; t < tag::NameFirst; ++t)
    {
        const float v = params.getDefault (t);
        live.set (t, v);
        edited.set (t, v);
        program.set (t, v);
    }
    editChanged.store (true, std::memory_order_relaxed);
    refreshPending.store (true, std::memory_order_relaxed);
}

void APlugin::origProgram ()
{
    const WholeStateWrite whole (*this);
    live.copyFrom (original);
    program.copyFrom (original);
    // The values set last are the original's now: setting an earlier edit's
    // value again is an edit.
    lastSet.copyFrom (live);
    editChanged.store (false, std::memory_order_relaxed);
    refreshPending.store (true, std::memory_order_relaxed);
}

void APlugin::editProgram ()
{
    const WholeStateWrite whole (*this);
    live.copyFrom (edited);
    program.copyFrom (edited);
    lastSet.copyFrom (live);
    editChanged.store (true, std::memory_order_relaxed);
    refreshPending.store (true, std::memory_order_relaxed);
}

void APlugin::refreshEditorNow ()
{
    if (editor == nullptr || ! isEditorOpen ())
        return;
    if (refreshGuard.exchange (true, std::memory_order_relaxed))
        return;
    editor->refreshAll ();
    refreshGuard.store (false, std::memory_order_relaxed);
}

void APlugin::updateEditorScreen ()
{
    if (! refreshPending.exchange (false, std::memory_order_relaxed))
        return;
    refreshEditorNow ();
}

void APlugin::serveFactoryReload ()
{
    if (! takeFactoryReloadRequest ())
        return;
    const WholeStateWrite whole (*this);
    factoryIndex.store (0, std::memory_order_relaxed);
    loadFactoryRow (0);
    if (isEditorOpen ())
        for (int t = 0; t <= tag::FactoryReload; ++t)
            editor->setParameter (t, live[t]);
}

void APlugin::doResetEverything ()
{
    updateMidiChannel ();
    setResetPresetValues ();
    updateReverbPreset ();
    // The DSP itself is reset on the audio thread, before its next frame.
    requestDspReset (kReset);
}

std::string_view APlugin::programName () const
{
    const int index = getFactoryIndex ();
    return index >= 0 && index < kNumFactoryPresets ? FACTORY_PRESET_NAMES_STR[index] : "None";
}

// Saved state ----------------------------------------------------------------

void APlugin::saveState (ChunkBlock& block)
{
    // One whole state: a restore on another thread either finished before
    // this copy or starts after it.
    std::lock_guard<std::recursive_mutex> whole (stateMutex);
    copyWholeProgram (block.values);
    std::memcpy (block.name, chunkName, strnlen (chunkName, kChunkNameSize - 1) + 1);
}

bool APlugin::restoreState (const void* data, int byteSize)
{
    ChunkBlock incoming;
    if (! readChunk (data, byteSize, incoming))
        return false;
    std::lock_guard<std::recursive_mutex> whole (stateMutex);
    std::memcpy (chunkName, incoming.name, kChunkNameSize);
    restoreValues (incoming.values);
    return true;
}

void APlugin::restoreValues (const float* values)
{
    const WholeStateWrite whole (*this);
    // Silent and with the DSP reset, as for a program load; but the saved
    // values are the state, not the factory row their name points at.
    settingPreset.store (true, std::memory_order_relaxed);
    for (int t = 0; t < kNumParams; ++t)
        setParameter (t, values[t]);
    edited.copyFrom (live);
    lastSet.copyFrom (live);
    captureFromLive ();
    // The hidden character values come back as saved: no recomputation.
    reverbUpdateRequest.store (false, std::memory_order_relaxed);
    tag79Request.store (false, std::memory_order_relaxed);
    adoptNamedOrigin ();

    updateMidiChannel ();
    requestDspReset (kProgramChanged);
    refreshPending.store (false, std::memory_order_relaxed);
    refreshEditorNow ();
    settingPreset.store (false, std::memory_order_relaxed);
}

void APlugin::adoptNamedOrigin ()
{
    float values[kNumParams];
    live.copyTo (values);
    const int index = findFactoryPreset (decodePresetName (values).data ());
    factoryIndex.store (index, std::memory_order_relaxed);
    original.copyFrom (factoryPreset (index).data ());

    bool changed = false;
    for (int t = 0; t <= tag::LastEditable; ++t)
        changed = changed || (original[t] > -0.5f && differs (original[t], live[t]));
    editChanged.store (changed, std::memory_order_relaxed);
}

} // namespace morlake
