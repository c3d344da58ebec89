#include "instance/EditorModel.h"

#include "params/ParamTags.h"

namespace morlake {

void EditorModel::setOn (int t)
{
    if (isValidTag (t))
        editParameter (t, 1.0f);
}

void EditorModel::setOff (int t)
{
    if (isValidTag (t))
        editParameter (t, 0.0f);
}

void EditorModel::toggleOnOff (int t)
{
    if (isValidTag (t))
        editParameter (t, liveValues ()[t] >= 0.5f ? 0.0f : 1.0f);
}

void EditorModel::setSteppedValue (int t, int step)
{
    const int steps = table ().getSteps (t);
    if (steps == -1)
        return;
    editParameter (t, stepToValue (step, table ().getStepScale (t), steps));
}

void EditorModel::setSteppedValueMax (int t)
{
    const int steps = table ().getSteps (t);
    setSteppedValue (t, steps > 0 ? steps - 1 : 0);
}

void EditorModel::setToDefault (int t)
{
    if (isValidTag (t))
        editParameter (t, table ().getDefault (t));
}

void EditorModel::changeDelta (int t, int delta)
{
    if (! isValidTag (t))
        return;
    if (table ().getSteps (t) != -1)
        setSteppedValue (t, getSteppedValue (t) + delta);
    else if (table ().isOnOff (t))
        delta < 0 ? setOff (t) : setOn (t);
    else
    {
        float v = getParameter (t) + static_cast<float> (delta) * 0.01f;
        editParameter (t, v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v));
    }
    if (t == tag::ReverbPreset)
        setResetPresetValues ();
}

} // namespace morlake
