// The custom controls' drawing state, mouse, wheel and modulation rules.
#include "tests/editor/EditorTestSupport.h"

#include "editor/MessageWindows.h"

#include "vstgui/lib/vstkeycode.h"

#include <cmath>
#include <thread>

namespace morlake::test {
namespace {

using namespace VSTGUI;

class Controls : public MainScreen
{
protected:
    static CPoint onImage (TKnob* k) { return CPoint (k->getViewSize ().left + 20, k->getViewSize ().top + 5); }
    static CPoint onText (TKnob* k) { return CPoint (k->getViewSize ().getCenter ().x, k->getViewSize ().bottom - 3); }
};

TEST_F (Controls, KnobImagesAndRings)
{
    TKnob* room = knob (tag::ReverbRoomSize); // 139 images
    room->setValue (1.0f);
    EXPECT_EQ (room->getImageIndex (), 137) << "the last image is never shown";
    room->setValue (0.0f);
    EXPECT_EQ (room->getImageIndex (), 0);
    room->setValue (138.0f / 139.0f);
    EXPECT_EQ (room->getImageIndex (), 137);

    room->setModValue (-0.5f);
    EXPECT_EQ (room->getRingIndex (), 0);
    room->setModValue (1.0f);
    EXPECT_EQ (room->getRingIndex (), 138);
    room->setModValue (std::nanf (""));
    EXPECT_EQ (room->getRingIndex (), 0);
    room->setDirty (false);
    room->setModValue (0.0f);
    EXPECT_FALSE (room->isDirty ()) << "an unchanged ring does not redraw";
    room->setModValue (0.5f);
    EXPECT_EQ (room->getRingIndex (), 69);
    EXPECT_TRUE (room->isDirty ());

    TKnob* volume = knob (tag::EarlyVolume); // 137 images
    volume->setModValue (1.0f);
    EXPECT_EQ (volume->getRingIndex (), 136);

    volume->setString ("");
    EXPECT_EQ (volume->getLabel (), " ");
    volume->setDirty (false);
    volume->setValueString ("x");
    volume->setDirty (false);
    volume->setValueString ("x");
    EXPECT_FALSE (volume->isDirty ());
    volume->setBypass (true, true);
    EXPECT_FALSE (volume->isBypassed ());
    volume->setBypass (true, false);
    EXPECT_TRUE (volume->isBypassed ());
}

TEST_F (Controls, KnobDragIsContinuousWhenShiftChanges)
{
    TKnob* damp = knob (tag::EarlyDamp);
    f.plugin->setParameterAutomated (tag::EarlyDamp, 0.3f);
    damp->setValue (0.3f);
    CPoint p = onImage (damp);
    const CPoint start = p;
    ASSERT_EQ (damp->onMouseDown (p, CButtonState (kLButton)), kMouseEventHandled);
    EXPECT_EQ (EditorProbe (f.editor ()).getDropTag (), tag::EarlyDamp) << "a drag of a destination starts";
    p = CPoint (start.x, start.y - 20);
    damp->onMouseMoved (p, CButtonState (kLButton));
    EXPECT_NEAR (damp->getValue (), 0.3f + 20.0f / 200.0f, 1e-5);
    EXPECT_NEAR (f.plugin->getParameter (tag::EarlyDamp), damp->getValue (), 1e-6);
    // Shift takes effect from the point where it is seen: no jump there, and
    // fine steps (1/10000 of the range per pixel) from then on.
    p = CPoint (start.x, start.y - 30);
    damp->onMouseMoved (p, CButtonState (kLButton | kShift));
    EXPECT_NEAR (damp->getValue (), 0.3f + 30.0f / 200.0f, 1e-5);
    p = CPoint (start.x, start.y - 50);
    damp->onMouseMoved (p, CButtonState (kLButton | kShift));
    EXPECT_NEAR (damp->getValue (), 0.45f + 20.0f / 10000.0f, 1e-5);
    p = CPoint (start.x, start.y - 60);
    damp->onMouseMoved (p, CButtonState (kLButton));
    EXPECT_NEAR (damp->getValue (), 0.452f + 10.0f / 10000.0f, 1e-5);
    p = CPoint (start.x, start.y - 70);
    damp->onMouseMoved (p, CButtonState (kLButton));
    EXPECT_NEAR (damp->getValue (), 0.453f + 10.0f / 200.0f, 1e-5);
    p = CPoint (start.x, start.y - 1000);
    damp->onMouseMoved (p, CButtonState (kLButton));
    EXPECT_FLOAT_EQ (damp->getValue (), 1.0f);
    damp->onMouseUp (p, CButtonState (kLButton));
    f.idlePass ();
    EXPECT_EQ (EditorProbe (f.editor ()).getDropTag (), -1);
}

TEST_F (Controls, CommandClickAndDoubleClickResetWithoutADrag)
{
    TKnob* feed = knob (tag::EarlyFeed);
    for (const CButtonState& buttons : {CButtonState (kLButton | kControl), CButtonState (kLButton | kDoubleClick)})
    {
        f.plugin->setParameterAutomated (tag::EarlyFeed, 0.9f);
        feed->setValue (0.9f);
        CPoint p = onImage (feed);
        EXPECT_EQ (feed->onMouseDown (p, buttons), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
        EXPECT_FLOAT_EQ (feed->getValue (), f.plugin->instance ().getDefault (tag::EarlyFeed));
        EXPECT_FLOAT_EQ (f.plugin->getParameter (tag::EarlyFeed), f.plugin->instance ().getDefault (tag::EarlyFeed));
        EXPECT_EQ (EditorProbe (f.editor ()).getDropTag (), -1);
    }
    // A bypassed knob ignores the mouse.
    feed->setBypass (true, false);
    f.plugin->setParameterAutomated (tag::EarlyFeed, 0.9f);
    feed->setValue (0.9f);
    CPoint p = onImage (feed);
    feed->onMouseDown (p, CButtonState (kLButton | kDoubleClick));
    EXPECT_FLOAT_EQ (feed->getValue (), 0.9f);
}

TEST_F (Controls, ClickOnAKnobsValueTypesANumber)
{
    TKnob* mix = knob (tag::WetDry);
    std::string title;
    CPoint p = onText (mix);
    mix->onMouseDown (p, CButtonState (kLButton));
    ASSERT_TRUE (answerDialog (f, [&] (MessageDialog& d) {
        title = d.title ();
        d.setFieldText ("-50");
        d.pressOk ();
    }));
    EXPECT_EQ (title, f.plugin->instance ().table ().getName (tag::WetDry));
    EXPECT_NEAR (f.plugin->getParameter (tag::WetDry), 0.25f, 1e-5);

    mix->onMouseDown (p, CButtonState (kLButton));
    ASSERT_TRUE (answerDialog (f, [] (MessageDialog& d) {
        d.setFieldText ("90");
        d.pressCancel ();
    }));
    EXPECT_NEAR (f.plugin->getParameter (tag::WetDry), 0.25f, 1e-5) << "cancel changes nothing";
}

TEST_F (Controls, OnOffAndRadioButtons)
{
    TOnOff* distortion = onOff (tag::DistortionOn);
    const bool was = f.plugin->instance ().getOnOff (tag::DistortionOn);
    CPoint p = distortion->getViewSize ().getCenter ();
    EXPECT_EQ (distortion->onMouseDown (p, CButtonState (kLButton)), kMouseEventHandled);
    EXPECT_EQ (f.plugin->instance ().getOnOff (tag::DistortionOn), ! was);
    distortion->onMouseDown (p, CButtonState (kLButton));
    EXPECT_EQ (f.plugin->instance ().getOnOff (tag::DistortionOn), was);

    uEditor& e = f.editor ();
    const int path = f.plugin->instance ().getSteppedValue (tag::EarlyPath);
    TRadioButton* on = EditorProbe (e).getRadio (0, path);
    TRadioButton* off = EditorProbe (e).getRadio (0, 1 - path);
    ASSERT_EQ (on->getValue (), 1.0f);
    p = on->getViewSize ().getCenter ();
    EXPECT_EQ (on->onMouseDown (p, CButtonState (kLButton)), kMouseEventHandled) << "handled although nothing changes";
    EXPECT_EQ (on->getValue (), 1.0f);
    EXPECT_EQ (f.plugin->instance ().getSteppedValue (tag::EarlyPath), path);
    p = off->getViewSize ().getCenter ();
    off->onMouseDown (p, CButtonState (kLButton));
    EXPECT_EQ (f.plugin->instance ().getSteppedValue (tag::EarlyPath), 1 - path);
    EXPECT_EQ (off->getValue (), 1.0f);
    EXPECT_EQ (on->getValue (), 0.0f);
    // The wheel flips the pair.
    EXPECT_TRUE (on->onWheel (p, kMouseWheelAxisY, 1.0f, CButtonState ()));
    EXPECT_EQ (f.plugin->instance ().getSteppedValue (tag::EarlyPath), path);
    EXPECT_EQ (on->getValue (), 1.0f);
}

TEST_F (Controls, ArrowMenusStepTheirParameter)
{
    TOptionMenu* type = EditorProbe (f.editor ()).getMainMenu (0);
    ASSERT_EQ (type->getTag (), tag::ReverbPreset);
    f.plugin->instance ().setSteppedValue (tag::ReverbPreset, 4);
    const CRect r = type->getViewSize ();
    CPoint left (r.left + 3, r.getCenter ().y), right (r.right - 3, r.getCenter ().y);
    type->onMouseDown (left, CButtonState (kLButton));
    EXPECT_EQ (f.plugin->instance ().getSteppedValue (tag::ReverbPreset), 3);
    type->onMouseDown (right, CButtonState (kLButton));
    type->onMouseDown (right, CButtonState (kLButton));
    EXPECT_EQ (f.plugin->instance ().getSteppedValue (tag::ReverbPreset), 5);
    type->onMouseDown (left, CButtonState (kLButton | kShift));
    EXPECT_EQ (f.plugin->instance ().getSteppedValue (tag::ReverbPreset), 0);
    type->onMouseDown (right, CButtonState (kLButton | kShift));
    EXPECT_EQ (f.plugin->instance ().getSteppedValue (tag::ReverbPreset),
               f.plugin->instance ().getSteppedNum (tag::ReverbPreset) - 1);
    // A positive wheel distance steps down.
    f.plugin->instance ().setSteppedValue (tag::ReverbPreset, 4);
    CPoint mid = r.getCenter ();
    EXPECT_TRUE (type->onWheel (mid, kMouseWheelAxisY, 1.0f, CButtonState ()));
    EXPECT_EQ (f.plugin->instance ().getSteppedValue (tag::ReverbPreset), 3);
    EXPECT_EQ (f.editor ().getFrame ()->getModalView (), nullptr) << "arrows never open the menu";
}

TEST_F (Controls, PresetMenuArrowsStepProgramsAndTheRestOpensTheMenu)
{
    TOptionMenu* preset = EditorProbe (f.editor ()).getPresetMenu ();
    const CCoord w = f.editor ().getSharedBitmap (kBmpMenuArrowPrevious)->getWidth ();
    const CRect r = preset->getViewSize ();
    const CCoord y = r.getCenter ().y;
    f.plugin->instance ().setDemoProgram (10);
    std::this_thread::sleep_for (std::chrono::milliseconds (200));
    CPoint next (r.right - w / 2, y), previous (r.right - w - w / 2, y), body (r.right - 2 * w - 4, y);
    preset->onMouseDown (next, CButtonState (kLButton));
    EXPECT_EQ (f.plugin->instance ().getFactoryIndex (), 11);
    std::this_thread::sleep_for (std::chrono::milliseconds (200));
    preset->onMouseDown (previous, CButtonState (kLButton));
    EXPECT_EQ (f.plugin->instance ().getFactoryIndex (), 10);
    EXPECT_EQ (f.editor ().getFrame ()->getModalView (), nullptr);
    preset->onMouseDown (body, CButtonState (kLButton));
    EXPECT_NE (f.editor ().getFrame ()->getModalView (), nullptr) << "the menu pops up";
    ::VstKeyCode escape {0, VKEY_ESCAPE, 0};
    f.editor ().getFrame ()->onKeyDown (escape);
    f.idleFor (100);
    EXPECT_EQ (f.editor ().getFrame ()->getModalView (), nullptr);
    EXPECT_EQ (f.plugin->instance ().getFactoryIndex (), 10);
}

TEST_F (Controls, DisruptSliderFollowsMouseAndWheelUnlessLazyRuns)
{
    THorizontalSlider* slider = EditorProbe (f.editor ()).getDisruptSlider ();
    const CRect r = slider->getViewSize ();
    const int handle = slider->getHandleWidth ();
    const double travel = r.getWidth () - handle;
    f.plugin->instance ().setOff (tag::LazyOn);
    f.plugin->instance ().setSteppedValue (tag::DisruptSpringTime, 0);
    f.plugin->instance ().setSteppedValue (tag::DisruptQuantization, 0);

    CPoint p (r.left + handle / 2 + travel * 0.25, r.getCenter ().y);
    EXPECT_EQ (slider->onMouseDown (p, CButtonState (kLButton)), kMouseEventHandled);
    EXPECT_TRUE (slider->isDragging ());
    EXPECT_NEAR (slider->getValue (), 0.25f, 0.002f);
    CPoint q (p.x + travel * 0.5, p.y);
    slider->onMouseMoved (q, CButtonState (kLButton));
    EXPECT_NEAR (slider->getValue (), 0.75f, 0.002f);
    CPoint fine (q.x + 20, q.y);
    slider->onMouseMoved (fine, CButtonState (kLButton | kShift));
    EXPECT_NEAR (slider->getValue (), 0.75f + 20.0 / travel / 20.0, 0.002f);
    slider->onMouseUp (fine, CButtonState (kLButton));
    EXPECT_FALSE (slider->isDragging ());
    EXPECT_NEAR (f.plugin->getParameter (tag::DisruptValue), slider->getValue (), 1e-5);

    f.plugin->setParameterAutomated (tag::DisruptValue, 0.5f);
    EXPECT_TRUE (slider->onWheel (p, kMouseWheelAxisY, 1.0f, CButtonState ()));
    EXPECT_NEAR (f.plugin->getParameter (tag::DisruptValue), 0.51f, 1e-5) << "positive wheel steps up";

    f.plugin->instance ().setOn (tag::LazyOn);
    const float before = f.plugin->getParameter (tag::DisruptValue);
    EXPECT_EQ (slider->onMouseDown (p, CButtonState (kLButton)), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FALSE (slider->onWheel (p, kMouseWheelAxisY, 1.0f, CButtonState ()));
    EXPECT_FLOAT_EQ (f.plugin->getParameter (tag::DisruptValue), before);
    EXPECT_FALSE (slider->isDragging ());
}

TEST_F (Controls, DisruptAmountSwitchesItsSlotOnWhenMovedOffCentre)
{
    uEditor& e = f.editor ();
    TKnob* amount = knob (tag::Disrupt1Amount + 3);
    f.plugin->instance ().setOff (tag::Disrupt1On + 3);
    amount->setValue (0.505f);
    e.valueChanged (amount);
    EXPECT_FALSE (f.plugin->instance ().getOnOff (tag::Disrupt1On + 3));
    amount->setValue (0.52f);
    e.valueChanged (amount);
    EXPECT_TRUE (f.plugin->instance ().getOnOff (tag::Disrupt1On + 3));
    EXPECT_NEAR (f.plugin->getParameter (tag::Disrupt1Amount + 3), 0.52f, 1e-6);
}

} // namespace
} // namespace morlake::test
