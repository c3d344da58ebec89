// The one setter, the switch and step helpers, edit tracking and host automation.
#include "FakeEditor.h"
#include "FakeHost.h"
#include "formats/vst2/VstPlugin.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

using namespace morlake;
using test::FakeEditor;
using test::FakeHost;

namespace {

FakeEditor* lastEditor = nullptr;

InstanceEditor* makeFakeEditor (EditorModel&)
{
    lastEditor = new FakeEditor;
    return lastEditor;
}

struct Fixture : ::testing::Test
{
    void SetUp () override { FakeHost::reset (); }
    std::unique_ptr<VstPlugin> make (bool withEditor = false)
    {
        auto plugin = std::make_unique<VstPlugin> (FakeHost::callback, withEditor ? makeFakeEditor : nullptr,
                                                   test::memoryPrefs ());
        FakeHost::reset ();
        return plugin;
    }
};

using ParameterSetter = Fixture;

} // namespace

TEST_F (ParameterSetter, ClampsSnapsAndIgnoresInvalidTags)
{
    auto p = make ();
    p->setParameter (5, 1.7f);
    EXPECT_EQ (p->getParameter (5), 1.0f);
    p->setParameter (5, -0.2f);
    EXPECT_EQ (p->getParameter (5), 0.0f);
    p->setParameter (5, std::numeric_limits<float>::quiet_NaN ());
    EXPECT_EQ (p->getParameter (5), 0.0f);
    p->setParameter (5, std::numeric_limits<float>::infinity ());
    EXPECT_EQ (p->getParameter (5), 1.0f);

    p->setParameter (14, 0.49f);
    EXPECT_EQ (p->getParameter (14), 0.0f);
    p->setParameter (14, 0.5f);
    EXPECT_EQ (p->getParameter (14), 1.0f);
    EXPECT_TRUE (p->instance ().getOnOff (14));

    for (int t : {300, 256, -1, std::numeric_limits<int>::min (), std::numeric_limits<int>::max ()})
    {
        p->setParameter (t, 0.5f);
        EXPECT_EQ (p->getParameter (t), 0.0f);
        EXPECT_FALSE (p->instance ().getOnOff (t));
        EXPECT_EQ (p->instance ().getSteppedValue (t), 0);
        EXPECT_EQ (p->instance ().getSteppedNum (t), -1);
        EXPECT_EQ (p->instance ().getDefault (t), 0.0f);
        EXPECT_EQ (p->instance ().getParameterDest (t), -1);
        p->instance ().setOn (t);
        p->instance ().toggleOnOff (t);
        p->instance ().setSteppedValue (t, 3);
        p->instance ().changeDelta (t, 1);
        p->instance ().setToDefault (t);
    }
    EXPECT_TRUE (FakeHost::callsOf (vst::audioMasterAutomate).empty ());
    char text[64] = "x";
    p->getParameterName (-4, text);
    EXPECT_STREQ (text, "");
    p->getParameterDisplay (0, nullptr); // a null buffer is left alone
}

TEST_F (ParameterSetter, StepsAndDeltas)
{
    auto p = make ();
    p->instance ().setSteppedValue (27, 9);
    EXPECT_FLOAT_EQ (p->instance ().getLiveValue (27), 9.1f / 10.99f);
    EXPECT_EQ (p->instance ().getSteppedValue (27), 9);
    EXPECT_EQ (p->instance ().getSteppedValue (27, 1.0f), 9);

    p->instance ().setSteppedValue (7, 0);
    p->instance ().changeDelta (7, +1);
    p->instance ().changeDelta (7, +1);
    EXPECT_EQ (p->instance ().getSteppedValue (7), 1);
    p->instance ().changeDelta (7, -5);
    EXPECT_EQ (p->instance ().getSteppedValue (7), 0);

    p->setParameter (2, 0.02f);
    FakeHost::reset ();
    p->instance ().changeDelta (2, -3);
    EXPECT_EQ (p->getParameter (2), 0.0f);
    const auto automated = FakeHost::callsOf (vst::audioMasterAutomate);
    ASSERT_EQ (automated.size (), 1u);
    EXPECT_EQ (automated[0].index, 2);
    EXPECT_EQ (automated[0].opt, 0.0f);

    p->instance ().setSteppedValueMax (36);
    EXPECT_EQ (p->instance ().getSteppedValue (36), 17);
    p->instance ().toggleOnOff (4);
    EXPECT_TRUE (p->instance ().getOnOff (4));
    p->instance ().toggleOnOff (4);
    EXPECT_FALSE (p->instance ().getOnOff (4));
    p->instance ().setToDefault (3);
    EXPECT_FLOAT_EQ (p->getParameter (3), p->instance ().getDefault (3));
}

TEST_F (ParameterSetter, HostReceivesTheValueTheParameterHolds)
{
    auto p = make ();
    p->instance ().editParameter (14, 0.7f);
    p->instance ().editParameter (5, 3.0f);
    const auto automated = FakeHost::callsOf (vst::audioMasterAutomate);
    ASSERT_EQ (automated.size (), 2u);
    EXPECT_EQ (automated[0].opt, 1.0f);
    EXPECT_EQ (automated[1].opt, 1.0f);
}

TEST_F (ParameterSetter, EditTrackingAndEditorMoves)
{
    auto p = make (true);
    p->instance ().setEditorOpen (true);
    ASSERT_TRUE (p->instance ().isEditorOpen ());
    EXPECT_FALSE (p->instance ().getEditChanged ());

    p->setParameter (100, 0.3f);
    EXPECT_FALSE (p->instance ().getEditChanged ());
    EXPECT_TRUE (lastEditor->moves.empty ());

    p->setParameter (10, p->instance ().getLiveValue (10)); // same value: not an edit
    EXPECT_FALSE (p->instance ().getEditChanged ());
    p->setParameter (10, 0.9f);
    EXPECT_TRUE (p->instance ().getEditChanged ());
    ASSERT_EQ (lastEditor->moves.size (), 2u);
    EXPECT_EQ (lastEditor->moves.back ().tag, 10);

    // While the editor is being opened, nothing is passed to it.
    p->instance ().setEditorOpening (true);
    p->setParameter (11, 0.2f);
    EXPECT_EQ (lastEditor->moves.size (), 2u);
    p->instance ().setEditorOpening (false);

    p->instance ().beginGesture (12);
    EXPECT_EQ (lastEditor->editTag, 12);
    p->instance ().endGesture (12);
    EXPECT_EQ (lastEditor->editTag, -1);
    EXPECT_EQ (FakeHost::callsOf (vst::audioMasterBeginEdit).size (), 1u);
    EXPECT_EQ (FakeHost::callsOf (vst::audioMasterEndEdit).size (), 1u);
}
