// The idle poll: changes from other threads, meters, repaint rate, edited
// state, drag-and-drop, tooltips, the keyboard and the screen-size setting.
#include "tests/editor/EditorTestSupport.h"

#include "editor/MessageWindows.h"
#include "params/NameLists.h"
#include "platform/Preferences.h"
#include "presets/FactoryPresets.h"

#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/vstkeycode.h"

#include <xcb/xcb.h>

#include <atomic>
#include <thread>

namespace morlake::test {
namespace {

using namespace VSTGUI;

// Puts the pointer on a point of the editor (frame coordinates).
void pointAt (HostWindow& w, const CPoint& p)
{
    xcb_warp_pointer (w.connection (), XCB_NONE, w.id (), 0, 0, 0, 0, static_cast<int16_t> (p.x),
                      static_cast<int16_t> (p.y));
    xcb_flush (w.connection ());
    std::free (xcb_get_input_focus_reply (w.connection (), xcb_get_input_focus (w.connection ()), nullptr));
}

std::string tooltipOf (CView* v)
{
    uint32_t size = 0;
    if (! v->getAttributeSize (kCViewTooltipAttribute, size) || size == 0)
        return {};
    std::string text (size, '\0');
    v->getAttribute (kCViewTooltipAttribute, size, text.data (), size);
    return text.c_str ();
}

CPoint imageCentre (TKnob* k)
{
    return CPoint (k->getViewSize ().left + 10 + k->getImageHeight () / 2,
                   k->getViewSize ().top + k->getImageHeight () / 2);
}

using EditorIdle = MainScreen;

TEST_F (EditorIdle, ParametersSetOnAnotherThreadReachTheirControlsInOnePass)
{
    uEditor& e = f.editor ();
    TKnob* volume = knob (tag::EarlyVolume);
    std::thread automation ([&] {
        f.plugin->setParameter (tag::EarlyVolume, 0.77f);
        f.plugin->instance ().setSteppedValue (tag::LazyMode, 5);
        f.plugin->instance ().setSteppedValue (tag::FollowerDest, 12);
    });
    automation.join ();
    // Nothing moved yet: views are only touched on the UI thread.
    EXPECT_NE (volume->getValue (), 0.77f);
    f.dispatch (vst::effEditIdle);
    EXPECT_FLOAT_EQ (volume->getValue (), 0.77f);
    EXPECT_EQ (static_cast<int> (EditorProbe (e).getMainMenu (3)->getValue ()), 5);
    EXPECT_EQ (EditorProbe (e).getMainMenu (6)->getString (), std::string (DEST_STR[12]));
}

TEST_F (EditorIdle, MetersFollowTheAudio)
{
    uEditor& e = f.editor ();
    const int height = static_cast<int> (EditorProbe (e).getMeter (0)->getViewSize ().getHeight ());
    for (int i = 0; i < 60; ++i)
        f.process (0.9f);
    f.idlePass ();
    EXPECT_LT (EditorProbe (e).getMeter (0)->getCut (), height - 5) << "input meter lit";
    EXPECT_LT (EditorProbe (e).getMeter (2)->getCut (), height) << "output meter lit";
    const int loud = EditorProbe (e).getMeter (0)->getCut ();
    for (int i = 0; i < 400; ++i)
        f.process (0.0f);
    f.idlePass ();
    EXPECT_GT (EditorProbe (e).getMeter (0)->getCut (), loud);
    EXPECT_EQ (EditorProbe (e).getMeter (0)->getCut (), height) << "silence empties the meter";
}

TEST_F (EditorIdle, NothingRepaintsMoreOftenThanEveryFortyMilliseconds)
{
    uEditor& e = f.editor ();
    f.idleFor (200);
    std::vector<DrawCounter*> counters;
    for (int i = 0; i < 32; ++i)
        counters.push_back (&EditorProbe (e).getMainKnob (i)->drawCounter ());
    for (int i = 0; i < 6; ++i)
        counters.push_back (&EditorProbe (e).getMeter (i)->drawCounter ());
    counters.push_back (&EditorProbe (e).getDisruptSlider ()->drawCounter ());
    for (int i = 0; i < 7; ++i)
        counters.push_back (&EditorProbe (e).getMainMenu (i)->drawCounter ());
    for (auto* c : counters)
        c->reset ();

    std::atomic<bool> running {true};
    std::thread audio ([&] {
        float v = 0.0f;
        while (running.load ())
        {
            f.process (0.5f, 256);
            v = v > 0.99f ? 0.0f : v + 0.013f;
            f.plugin->setParameter (tag::EarlyVolume, v);
            f.plugin->setParameter (tag::DisruptValue, v);
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
    });
    // A host idling every 4 ms of the editor's clock, for 1.5 s of it.
    ManualClock clock;
    const uint64_t start = clock.now ();
    for (int i = 0; i < 375; ++i)
    {
        clock.advance (4);
        f.dispatch (vst::effEditIdle);
        std::this_thread::sleep_for (std::chrono::milliseconds (1)); // room for the automation
    }
    const auto ms = static_cast<double> (clock.now () - start);
    running = false;
    audio.join ();

    EXPECT_GT (knob (tag::EarlyVolume)->drawCounter ().draws, 10) << "the knob followed the automation";
    EXPECT_GT (EditorProbe (e).getDisruptSlider ()->drawCounter ().draws, 10);
    // Repaints are requested at most once per 40 ms idle pass.
    for (auto* c : counters)
        EXPECT_LE (c->draws, static_cast<int> (ms / 40.0) + 2);
}

TEST_F (EditorIdle, EditedButtonShowsTheEditedState)
{
    uEditor& e = f.editor ();
    f.plugin->setParameterAutomated (tag::EarlyDamp, 0.123f);
    f.idlePass ();
    ASSERT_TRUE (f.plugin->instance ().getEditChanged ());
    EXPECT_EQ (static_cast<int> (EditorProbe (e).getEditedButton ()->getBackground ()->getResourceDescription ().u.id),
               kBmpEditedPresetOn);
    f.plugin->instance ().origProgram ();
    f.idlePass ();
    EXPECT_EQ (static_cast<int> (EditorProbe (e).getEditedButton ()->getBackground ()->getResourceDescription ().u.id),
               kBmpEditedPresetOff);

    // An editor opened on an edited program (a restored session) shows it lit.
    f.plugin->setParameterAutomated (tag::EarlyDamp, 0.321f);
    f.close ();
    ASSERT_TRUE (f.open ());
    f.showMainScreen ();
    f.idlePass ();
    EXPECT_EQ (static_cast<int> (
                   EditorProbe (f.editor ()).getEditedButton ()->getBackground ()->getResourceDescription ().u.id),
               kBmpEditedPresetOn);
}

TEST_F (EditorIdle, ProgramChangeRefreshesEveryControlAndThePresetName)
{
    uEditor& e = f.editor ();
    f.plugin->instance ().setDemoProgram (5);
    f.idlePass ();
    f.idlePass ();
    char name[64] {};
    f.plugin->getProgramName (name);
    EXPECT_EQ (EditorProbe (e).getPresetMenu ()->getString (), name);
    for (const auto& entry : EditorProbe (e).registry ())
    {
        const int t = entry.control->getTag ();
        if (isValidTag (t) && entry.kind != kKindMenu && entry.control->isAttached ())
        {
            EXPECT_NEAR (entry.control->getValue (), f.plugin->getParameter (t), 1e-5) << "tag " << t;
        }
    }
}

TEST_F (EditorIdle, DraggingAKnobOntoADisruptAmountMakesItTheDestination)
{
    uEditor& e = f.editor ();
    TKnob* room = knob (tag::ReverbRoomSize);
    TKnob* target = knob (tag::Disrupt1Amount + 2);
    const float before = f.plugin->getParameter (tag::ReverbRoomSize);
    ASSERT_TRUE (e.getDropFlag (tag::ReverbRoomSize));
    ASSERT_FALSE (e.getDropFlag (tag::Disrupt1Amount));
    // What the knob reports on mouse down; the drag moves the value meanwhile.
    e.setDropTag (tag::ReverbRoomSize);
    f.plugin->setParameterAutomated (tag::ReverbRoomSize, 0.9f);
    pointAt (*f.window, imageCentre (target));
    f.idlePass ();
    EXPECT_EQ (f.plugin->instance ().getSteppedValue (tag::Disrupt1Dest + 2),
               f.plugin->instance ().getParameterDest (tag::ReverbRoomSize));
    EXPECT_FLOAT_EQ (f.plugin->getParameter (tag::ReverbRoomSize), before) << "the dragged knob goes back";
    EXPECT_EQ (EditorProbe (e).getDropTag (), -1);

    // Released before reaching a target: nothing is assigned.
    e.setDropTag (tag::ReverbLength);
    e.releasedDropDial ();
    pointAt (*f.window, imageCentre (room));
    f.idlePass ();
    EXPECT_EQ (EditorProbe (e).getDropTag (), -1);
    pointAt (*f.window, imageCentre (knob (tag::Disrupt1Amount + 4)));
    f.idlePass ();
    EXPECT_NE (f.plugin->instance ().getSteppedValue (tag::Disrupt1Dest + 4),
               f.plugin->instance ().getParameterDest (tag::ReverbLength));

    // Modulation amounts are no sources.
    e.setDropTag (tag::FollowerAmount);
    pointAt (*f.window, imageCentre (knob (tag::Disrupt1Amount + 6)));
    f.idlePass ();
    EXPECT_EQ (EditorProbe (e).getDropTag (), -1);
    EXPECT_NE (f.plugin->instance ().getSteppedValue (tag::Disrupt1Dest + 6),
               f.plugin->instance ().getParameterDest (tag::FollowerAmount));
}

TEST_F (EditorIdle, TooltipsNameTheParameterAndItsValue)
{
    uEditor& e = f.editor ();
    TKnob* damp = knob (tag::EarlyDamp);
    pointAt (*f.window, imageCentre (damp));
    f.idlePass ();
    const std::string expected = f.plugin->instance ().table ().getName (tag::EarlyDamp) + ": " +
                                 f.plugin->instance ().getDisplayText (tag::EarlyDamp).c_str ();
    EXPECT_EQ (tooltipOf (damp), expected);
    // Resting there shows it (VSTGUI's X11 frame has no tooltip window).
    f.idleFor (250);
    EXPECT_EQ (EditorProbe (e).shownTooltip (), expected);
    CKickButton* help = EditorProbe (e).getNamedButton ("Open Help");
    pointAt (*f.window, help->getViewSize ().getCenter ());
    f.idlePass ();
    EXPECT_EQ (tooltipOf (help), "Open Help");
    EXPECT_EQ (EditorProbe (e).shownTooltip (), "") << "moving on hides the tip";
}

TEST_F (EditorIdle, ProgramStepsByKeyboardAreRateLimited)
{
    uEditor& e = f.editor ();
    ::VstKeyCode up {0, VKEY_UP, 0};
    ManualClock clock;
    f.plugin->instance ().setDemoProgram (10);
    clock.advance (200);
    EXPECT_EQ (e.onKeyDown (up, e.getFrame ()), 1);
    clock.advance (165);
    EXPECT_EQ (e.onKeyDown (up, e.getFrame ()), 1) << "swallowed, but not stepped";
    EXPECT_EQ (f.plugin->instance ().getFactoryIndex (), 9);
    clock.advance (1); // 166 ms since the last step
    e.onKeyDown (up, e.getFrame ());
    EXPECT_EQ (f.plugin->instance ().getFactoryIndex (), 8);
    ::VstKeyCode right {0, VKEY_RIGHT, 0};
    EXPECT_EQ (e.onKeyDown (right, e.getFrame ()), -1);
    EXPECT_EQ (e.onKeyUp (up, e.getFrame ()), -1);

    // Through the host's key opcode and with the setting off.
    saveBoolToPrefs (PREF_KEYBOARD, false);
    EditorProbe (e).getBackSwitch (0)->setValue (0.0f);
    e.valueChanged (EditorProbe (e).getBackSwitch (0));
    EXPECT_FALSE (EditorProbe (e).getKeyboardSetting ());
    EXPECT_EQ (e.onKeyDown (up, e.getFrame ()), -1);
    EXPECT_EQ (f.dispatch (vst::effEditKeyDown, 0, VKEY_UP, nullptr, 0.0f), 0);
}

TEST_F (EditorIdle, ScreenSizeSettingIsStoredAndAnnounced)
{
    uEditor& e = f.editor ();
    e.setScreenSize (5);
    EXPECT_EQ (shownDialog (e.getFrame ()), nullptr);
    e.setScreenSize (2);
    std::string shown;
    ASSERT_TRUE (answerDialog (f, [&] (MessageDialog& d) {
        shown = d.message ();
        d.pressOk ();
    }));
    EXPECT_EQ (shown, "When you next open Morlake, it'll open in 150% Screen Size Mode");
    EXPECT_TRUE (getRegisterIsOn (PREF_BIG_150, false));
    EXPECT_FALSE (getRegisterIsOn (PREF_BIG_100, true));
    EXPECT_EQ (e.getScreenSize (), 0) << "the open window keeps its size";
    f.close ();
    ASSERT_TRUE (f.open ());
    EXPECT_EQ (f.editor ().getScreenSize (), 0) << "and so does the same editor reopened";
}

// A preset whose lazy LFO moves Disrupt runs with the editor open: the
// slider follows, but nothing counts as the user's edit or reaches the host.
TEST_F (EditorIdle, PresetsThatMoveThemselvesStayUnedited)
{
    f.plugin->instance ().setDemoProgram (findFactoryPreset ("drum LazyMover 01"));
    hostGestures ().clear ();
    const float start = f.plugin->getParameter (tag::DisruptValue);
    bool moved = false;
    for (int i = 0; i < 80; ++i)
    {
        f.process (0.5f, 1024);
        f.idleFor (10, 5);
        moved = moved || f.plugin->getParameter (tag::DisruptValue) != start;
    }
    EXPECT_TRUE (moved) << "the preset moves Disrupt by itself";
    EXPECT_FALSE (f.plugin->instance ().getEditChanged ());
    EXPECT_TRUE (hostGestures ().empty ());
    f.plugin->instance ().origProgram ();
    f.idleFor (100, 10);
    EXPECT_FALSE (f.plugin->instance ().getEditChanged ());
}

} // namespace
} // namespace morlake::test
