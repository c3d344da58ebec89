// The message, confirmation and input windows: what each button and a typed
// text answer, inside the editor, in a window of their own, and when no
// window may be shown.
#include "tests/editor/EditorTestSupport.h"

#include "editor/MessageWindows.h"
#include "editor/RunLoop.h"
#include "platform/MessageWindows.h"

#include "vstgui/lib/controls/ctextedit.h"

#include <atomic>
#include <cstdlib>
#include <thread>

namespace morlake::test {
namespace {

using namespace VSTGUI;

class MessageWindows : public MainScreen
{
protected:
    void TearDown () override { setDialogShownHook (nullptr); }
    // Answers the next dialog with `act` and records what it showed.
    void answerWith (std::function<void (MessageDialog&)> act)
    {
        shown = 0;
        setDialogShownHook ([this, act] (MessageDialog& d, CFrame& frame) {
            ++shown;
            kind = d.kind ();
            title = d.title ();
            text = d.message ();
            preset = d.fieldText ();
            inEditor = &frame == f.editor ().getFrame ();
            act (d);
        });
    }

    int shown = 0;
    DialogKind kind = DialogKind::Message;
    std::string title, text, preset;
    bool inEditor = false;
};

TEST_F (MessageWindows, ConfirmationAnswersOneForOkAndTwoForCancel)
{
    answerWith ([] (MessageDialog& d) { d.pressOk (); });
    EXPECT_EQ (messageBox ("Replace the map?", 1), 1);
    EXPECT_EQ (shown, 1);
    EXPECT_EQ (kind, DialogKind::Confirm);
    EXPECT_EQ (title, "Morlake");
    EXPECT_EQ (text, "Replace the map?");
    EXPECT_TRUE (inEditor);

    answerWith ([] (MessageDialog& d) { d.pressCancel (); });
    EXPECT_EQ (messageBox ("Replace the map?", 1), 2);
    char question[] = "Really?";
    EXPECT_EQ (messageBoxCancel (question), 2);
    answerWith ([] (MessageDialog& d) { d.pressOk (); });
    EXPECT_EQ (messageBoxCancel (question), 1);

    int result = 7;
    answerWith ([] (MessageDialog& d) { d.pressCancel (); });
    runMessageWindowCancel ("Title", "Text", &result);
    EXPECT_EQ (result, 2);
    EXPECT_EQ (title, "Title");
    // The editor is back to normal afterwards.
    EXPECT_EQ (f.editor ().getFrame ()->getModalView (), nullptr);
}

TEST_F (MessageWindows, MessageWindowHasOnlyOk)
{
    answerWith ([] (MessageDialog& d) { d.pressCancel (); }); // Escape
    EXPECT_EQ (messageBox ("Problem with ECS File", 2), 1);
    EXPECT_EQ (kind, DialogKind::Message);
    EXPECT_EQ (text, "Problem with ECS File");
    answerWith ([] (MessageDialog& d) { d.pressOk (); });
    runMessageWindow ("Morlake", "Done");
    EXPECT_EQ (shown, 1);
}

TEST_F (MessageWindows, InputReturnsTheTypedTextOrNothing)
{
    char text[kInputTextSize] = "12.5";
    answerWith ([] (MessageDialog& d) {
        d.setFieldText ("440 Hz");
        d.pressOk ();
    });
    EXPECT_EQ (inputBox ("0 to 4000 ms", "Reverb Pre-Delay", text), 1);
    EXPECT_STREQ (text, "440 Hz");
    EXPECT_EQ (kind, DialogKind::Input);
    EXPECT_EQ (title, "Reverb Pre-Delay") << "prompt first, title second";
    EXPECT_EQ (this->text, "0 to 4000 ms");
    EXPECT_EQ (preset, "12.5");

    answerWith ([] (MessageDialog& d) { d.pressOk (); });
    std::snprintf (text, sizeof text, "%s", "7");
    EXPECT_EQ (inputBox (std::string ("p"), std::string ("t"), text), 1);
    EXPECT_STREQ (text, "7") << "OK without editing keeps the preset";

    answerWith ([] (MessageDialog& d) {
        d.setFieldText ("99");
        d.pressCancel ();
    });
    EXPECT_EQ (inputBox ("p", "t", text), 0);
    EXPECT_STREQ (text, "") << "Cancel leaves an empty text, not the preset";

    char buffer[kInputTextSize] = "x";
    answerWith ([] (MessageDialog& d) {
        d.setFieldText ("42");
        d.pressOk ();
    });
    runInputWindow ("Set MIDI Input Channel", "MIDI Input Channel", buffer);
    EXPECT_STREQ (buffer, "42");
}

// The typed-in value dialog: its own rounded text, confirmed as it stands,
// leaves every parameter where it was ("20.5 KHz" included).
TEST_F (MessageWindows, TypedValueConfirmedUnchangedKeepsTheValue)
{
    uEditor& e = f.editor ();
    for (int t : {tag::ReverbLPFrequency, tag::ReverbHPFrequency, tag::ReverbPreDelay, tag::MainVolume, tag::WetDry,
                  tag::ReverbPreset, tag::LazySpeed})
        for (float v : {0.0f, 0.537f, 1.0f})
        {
            f.plugin->setParameter (t, v);
            const float before = f.plugin->getParameter (t);
            answerWith ([] (MessageDialog& d) { d.pressOk (); });
            e.setNumValue (t);
            EXPECT_EQ (f.plugin->getParameter (t), before) << t << " at " << v << ": " << preset;
        }
}

TEST_F (MessageWindows, LongAnswersAreCutToTheBufferWithoutSplittingCharacters)
{
    char small[8] = "";
    answerWith ([] (MessageDialog& d) {
        d.setFieldText ("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"); // five e-acute, 10 bytes
        d.pressOk ();
    });
    EXPECT_EQ (inputBox ("p", "t", small, sizeof small), 1);
    EXPECT_STREQ (small, "\xc3\xa9\xc3\xa9\xc3\xa9");
}

TEST_F (MessageWindows, OtherThreadsGetTheCancelledAnswerAtOnce)
{
    answerWith ([] (MessageDialog& d) { d.pressOk (); });
    std::atomic<int> answer {-1};
    char text[kInputTextSize] = "preset";
    int input = -1;
    std::thread other ([&] {
        answer = messageBox ("From the audio side", 1);
        input = inputBox ("p", "t", text);
    });
    other.join ();
    EXPECT_EQ (answer.load (), 2);
    EXPECT_EQ (input, 0);
    EXPECT_STREQ (text, "");
    EXPECT_EQ (shown, 0);
}

TEST_F (MessageWindows, RealClicksAnswerTheWindow)
{
    // The host window sits at the screen origin, so frame and screen
    // coordinates agree; xdotool drives the real pointer.
    auto click = [] (const CPoint& p) {
        const std::string command = "xdotool mousemove --sync " + std::to_string (static_cast<int> (p.x)) + " " +
                                    std::to_string (static_cast<int> (p.y)) + " click 1";
        return std::system (command.c_str ()) == 0;
    };
    bool clicked = false;
    answerWith ([&] (MessageDialog& d) {
        for (int i = 0; i < 6; ++i)
            RunLoop::instance ().serveWaiting (20);
        clicked = click (d.cancelButtonCentre ());
    });
    EXPECT_EQ (messageBox ("Click Cancel", 1), 2);
    ASSERT_TRUE (clicked) << "xdotool failed";
    answerWith ([&] (MessageDialog& d) { clicked = click (d.okButtonCentre ()); });
    EXPECT_EQ (messageBox ("Click OK", 1), 1);
}

TEST (MessageWindowsWithoutEditor, OpenAWindowOfTheirOwn)
{
    REQUIRE_X ();
    installMessageWindows ();
    bool ownFrame = false;
    setDialogShownHook ([&] (MessageDialog& d, CFrame& frame) {
        ownFrame = frame.getEditor () == nullptr && frame.getViewSize ().getWidth () == d.getViewSize ().getWidth ();
        d.setFieldText ("5");
        d.pressOk ();
    });
    char text[kInputTextSize] = "0";
    EXPECT_EQ (inputBox ("Set MIDI Input Channel (0 for Omni)", "MIDI Input Channel", text), 1);
    setDialogShownHook (nullptr);
    EXPECT_TRUE (ownFrame);
    EXPECT_STREQ (text, "5");
}

TEST (MessageWindowsWithoutBackend, AnswerAsCancelled)
{
    setMessageWindowBackend (nullptr);
    EXPECT_EQ (messageBox ("x", 1), 2);
    EXPECT_EQ (messageBox ("x", 2), 1);
    char text[kInputTextSize] = "keep?";
    EXPECT_EQ (inputBox ("p", "t", text), 0);
    EXPECT_STREQ (text, "");
    int result = 7;
    runMessageWindowCancel ("t", "x", &result);
    EXPECT_EQ (result, 7) << "nothing shown: the caller's preset stays";
}

} // namespace
} // namespace morlake::test
