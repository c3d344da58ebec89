// What an editor reads and changes: parameters, programs, meters and
// modulation values, MIDI learn and the controller-map files. The instance
// implements it; an editor never sees the format it is hosted through.
#pragma once

#include "params/DisplayText.h"
#include "params/ParamValues.h"
#include "params/ParameterTable.h"

#include <string>
#include <string_view>

namespace morlake {

class EditorModel
{
public:
    virtual ~EditorModel () = default;

    // Parameters ---------------------------------------------------------------
    virtual const ParameterTable& table () const = 0;
    virtual const ParamValues& liveValues () const = 0;
    // The value a host reads back, 0..1.
    virtual float getParameter (int tag) const = 0;
    // A change by the user: the value is set and the host records it.
    virtual void editParameter (int tag, float value) = 0;
    // A continuous edit of `tag` begins or ends (the host groups its changes).
    virtual void beginGesture (int tag) = 0;
    virtual void endGesture (int tag) = 0;
    virtual DisplayText getDisplayText (int tag) const = 0;

    float getDefault (int tag) const { return table ().getDefault (tag); }
    int getParameterDest (int tag) const { return table ().getParameterDest (tag); }
    int getSteppedNum (int tag) const { return table ().getSteps (tag); }
    bool getOnOff (int tag) const { return isValidTag (tag) && liveValues ()[tag] >= 0.5f; }
    int getSteppedValue (int tag) const { return isValidTag (tag) ? table ().stepOf (tag, liveValues ()[tag]) : 0; }
    int getSteppedValue (int tag, float value) const { return table ().stepOf (tag, value); }
    void setOn (int tag);
    void setOff (int tag);
    void toggleOnOff (int tag);
    void setSteppedValue (int tag, int step);
    void setSteppedValueMax (int tag);
    void setToDefault (int tag);
    // One step (stepped), on or off, or one hundredth of the range.
    void changeDelta (int tag, int delta);

    // Programs -----------------------------------------------------------------
    // The current factory preset's name, or "None".
    virtual std::string_view programName () const = 0;
    virtual void setDemoProgram (int index) = 0;
    virtual void changeDemoProgramDelta (int delta) = 0;
    virtual void defaultProgram () = 0;
    virtual void origProgram () = 0;
    virtual void editProgram () = 0;
    virtual int getFactoryIndex () const = 0;
    virtual bool getEditChanged () const = 0;
    virtual bool getIsSettingPreset () const = 0;
    // The settings menu's "Reset Everything": MIDI channel, delay lines, reverb, LFO.
    virtual void doResetEverything () = 0;
    // The reverb character's hidden values follow its choice on the next pass.
    virtual void setResetPresetValues () = 0;

    // Meters and modulation ----------------------------------------------------
    virtual float getVUValues (int which) const = 0;
    virtual float getDisruptModValue () const = 0;
    // Knob position of `tag` with (or without) its modulation sum, 0..1.
    virtual float getDialMod (int tag, bool withModulation) const = 0;
    // On: the Disrupt value springs back to centre (the user let go of it).
    virtual void setDisruptSpring (bool on) = 0;

    // MIDI ---------------------------------------------------------------------
    virtual void updateMidiChannel () = 0;
    virtual void setMidiLatch (int tag, bool latch) = 0;
    // Latches `tag` to the controller number typed in `answer` (clamped 0..127); empty: nothing.
    virtual void setMidiCCNumber (int tag, const char* answer) = 0;
    virtual void resetMidi () = 0;
    virtual void resetMidiCapture () = 0;
    virtual int getControllerTag (int controller) const = 0;
    virtual int pendingLearnTag () const = 0;
    // Controller-assignment files; false (map, or the old file, unchanged)
    // when a file is unusable.
    virtual bool loadECSFile (const std::string& path) = 0;
    virtual bool saveECSFile (const std::string& path) const = 0;

    // The editor's own state ---------------------------------------------------
    virtual void setEditorOpening (bool state) = 0;
    virtual void setEditorOpen (bool state) = 0;
    virtual bool isEditorOpen () const = 0;
    virtual bool isEditorOpening () const = 0;
    // Asks the host to serve its idle calls now.
    virtual void requestIdle () = 0;
};

} // namespace morlake
