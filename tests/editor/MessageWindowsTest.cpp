// The message, confirmation and input windows: they show and return at once,
// the host keeps idling while they show, and each button, key and typed text
// answers through the callback; nothing shows where no editor is open.
#include "tests/editor/EditorTestSupport.h"

#include "editor/MessageWindows.h"
#include "platform/MessageWindows.h"

#include "vstgui/lib/controls/ctextedit.h"

#include <optional>
#include <thread>

namespace morlake::test {
namespace {

using namespace VSTGUI;

struct InputResult
{
    bool ok;
    std::string text;
};

class MessageWindows : public MainScreen
{
protected:
    MessageDialog* dialog () { return shownDialog (f.editor ().getFrame ()); }
    // Asks for input and records the answer when it comes.
    void ask (const std::string& preset = "12.5")
    {
        answer.reset ();
        inputBox ("0 to 4000 ms", "Reverb Pre-Delay", preset, [this] (bool ok, const std::string& text) {
            answer = InputResult {ok, text};
        });
    }
    std::optional<InputResult> answer;
};

TEST_F (MessageWindows, InputShowsAtOnceAndAnswersLater)
{
    ask ();
    MessageDialog* d = dialog ();
    ASSERT_NE (d, nullptr) << "the window shows from the call itself";
    EXPECT_EQ (d->kind (), DialogKind::Input);
    EXPECT_EQ (d->title (), "Reverb Pre-Delay") << "prompt first, title second";
    EXPECT_EQ (d->message (), "0 to 4000 ms");
    EXPECT_EQ (d->fieldText (), "12.5");
    EXPECT_EQ (f.editor ().getFrame ()->getModalView (), d);
    // The host goes on idling while the window waits for the user.
    const uint64_t passes = EditorProbe (f.editor ()).idlePasses ();
    f.idleFor (300, 10);
    EXPECT_GT (EditorProbe (f.editor ()).idlePasses (), passes + 3);
    EXPECT_FALSE (answer.has_value ());
    EXPECT_EQ (dialog (), d);

    std::string accents;
    for (int i = 0; i < 70; ++i)
        accents += "\xc3\xa9"; // e-acute, two bytes
    struct Case
    {
        const char* typed; // null: leave the preset
        bool ok;
        InputResult expected;
    };
    const Case cases[] = {
        {"440 Hz", true, {true, "440 Hz"}},
        {nullptr, true, {true, "12.5"}},                           // OK without editing keeps the preset
        {"99", false, {false, ""}},                                // Cancel answers an empty text, not the preset
        {accents.c_str (), true, {true, accents.substr (0, 126)}}, // cut to the buffer, whole characters
    };
    bool first = true;
    for (const Case& c : cases)
    {
        if (! first)
            ask ();
        first = false;
        ASSERT_TRUE (answerDialog (f, [&] (MessageDialog& m) {
            if (c.typed != nullptr)
                m.setFieldText (c.typed);
            c.ok ? m.pressOk () : m.pressCancel ();
        }));
        ASSERT_TRUE (answer.has_value ()) << (c.typed ? c.typed : "preset");
        EXPECT_EQ (answer->ok, c.expected.ok);
        EXPECT_EQ (answer->text, c.expected.text);
        EXPECT_EQ (f.editor ().getFrame ()->getModalView (), nullptr);
    }
}

TEST_F (MessageWindows, MessagesAndQuestionsAnswerEachButton)
{
    EXPECT_TRUE (messageBox ("Problem with ECS File"));
    ASSERT_NE (dialog (), nullptr);
    EXPECT_EQ (dialog ()->kind (), DialogKind::Message);
    EXPECT_EQ (dialog ()->title (), "Morlake");
    EXPECT_FALSE (messageBox ("A second one")) << "one window at a time";
    ASSERT_TRUE (answerDialog (f, [] (MessageDialog& d) { d.pressCancel (); })); // Escape on OK-only
    EXPECT_EQ (dialog (), nullptr);

    for (const auto& [press, expected] : {std::pair {&MessageDialog::pressOk, 1}, {&MessageDialog::pressCancel, 2}})
    {
        int result = 0;
        messageBoxCancel ("Replace the map?", [&] (int r) { result = r; });
        EXPECT_EQ (result, 0) << "answered later";
        ASSERT_TRUE (answerDialog (f, [p = press] (MessageDialog& d) { (d.*p) (); }));
        EXPECT_EQ (result, expected);
    }
}

// Real keys and clicks on the window: one Return confirms and one Escape
// cancels, even while the field is being edited.
TEST_F (MessageWindows, RealKeysAndClicksAnswerOnce)
{
    struct Case
    {
        const char* typed;
        const char* key;
        bool ok;
        std::string text;
    };
    const Case cases[] = {
        {"777", "Return", true, "777"},
        {"777", "Escape", false, ""},
        {nullptr, "Return", true, "12.5"},
    };
    for (const Case& c : cases)
    {
        ask ();
        MessageDialog* d = waitForDialog (f);
        ASSERT_NE (d, nullptr);
        f.idleFor (100, 10);
        // Into the field, as a user does before typing.
        CPoint field = d->getViewSize ().getCenter ();
        field.y = d->getViewSize ().top + (102 + 126) / 2.0;
        ASSERT_TRUE (xdo (pointerTo (field) + " click 1"));
        f.idleFor (100, 10);
        if (c.typed != nullptr)
        {
            xdo ("key ctrl+a BackSpace");
            ASSERT_TRUE (xdo (std::string ("type --delay 20 ") + c.typed));
            f.idleFor (100, 10);
        }
        ASSERT_TRUE (xdo (std::string ("key ") + c.key));
        idleUntil (
            f, [&] { return answer.has_value (); }, 2000);
        ASSERT_TRUE (answer.has_value ()) << c.key;
        EXPECT_EQ (answer->ok, c.ok) << c.key;
        EXPECT_EQ (answer->text, c.text) << c.key;
        EXPECT_EQ (dialog (), nullptr) << c.key << ": one key closes the window";
    }

    ask ();
    MessageDialog* d = waitForDialog (f);
    ASSERT_NE (d, nullptr);
    f.idleFor (100, 10);
    ASSERT_TRUE (xdo (pointerTo (d->cancelButtonCentre ()) + " click 1"));
    idleUntil (
        f, [&] { return answer.has_value (); }, 2000);
    ASSERT_TRUE (answer.has_value ());
    EXPECT_FALSE (answer->ok);
}

// The typed-in value dialog: its own rounded text, confirmed as it stands,
// leaves every parameter where it was ("20.5 KHz" included); text that is
// no number changes nothing and says why.
TEST_F (MessageWindows, TypedValues)
{
    uEditor& e = f.editor ();
    for (int t : {tag::ReverbLPFrequency, tag::ReverbHPFrequency, tag::ReverbPreDelay, tag::MainVolume, tag::WetDry,
                  tag::ReverbPreset, tag::LazySpeed})
        for (float v : {0.0f, 0.537f, 1.0f})
        {
            f.plugin->setParameter (t, v);
            const float before = f.plugin->getParameter (t);
            e.setNumValue (t);
            ASSERT_TRUE (answerDialog (f, [] (MessageDialog& d) { d.pressOk (); }));
            EXPECT_EQ (f.plugin->getParameter (t), before) << t << " at " << v;
        }

    f.plugin->setParameter (tag::ReverbHPFrequency, 0.4f);
    e.setNumValue (tag::ReverbHPFrequency);
    ASSERT_TRUE (answerDialog (f, [] (MessageDialog& d) {
        d.setFieldText ("abc");
        d.pressOk ();
    }));
    EXPECT_EQ (f.plugin->getParameter (tag::ReverbHPFrequency), 0.4f);
    MessageDialog* why = waitForDialog (f);
    ASSERT_NE (why, nullptr) << "the refusal is explained";
    EXPECT_EQ (why->message (), "\"abc\" is not a number: Reverb HP Frequency was left as it was. Type a value from "
                                "20hz to 20500 hz.");
    answerDialog (f, [] (MessageDialog& d) { d.pressOk (); });
}

TEST_F (MessageWindows, ClosingTheEditorDropsItsWindow)
{
    ask ();
    ASSERT_NE (dialog (), nullptr);
    f.close ();
    EXPECT_FALSE (answer.has_value ()) << "no answer after the editor closed";
    ASSERT_TRUE (f.open ());
    f.showMainScreen ();
    f.idleFor (100, 10);
    EXPECT_EQ (dialog (), nullptr);
    ask ();
    EXPECT_TRUE (answerDialog (f, [] (MessageDialog& d) { d.pressOk (); }));
    EXPECT_TRUE (answer.has_value ());
}

TEST_F (MessageWindows, NothingShowsFromOtherThreadsOrWithoutBackend)
{
    std::optional<InputResult> input;
    bool shown = true;
    std::thread other ([&] {
        shown = messageBox ("From the audio side");
        inputBox ("p", "t", "preset", [&] (bool ok, const std::string& text) { input = InputResult {ok, text}; });
    });
    other.join ();
    EXPECT_FALSE (shown);
    ASSERT_TRUE (input.has_value ()) << "answered at once";
    EXPECT_FALSE (input->ok);
    EXPECT_EQ (input->text, "");
    EXPECT_EQ (dialog (), nullptr);

    setMessageWindowBackend (nullptr);
    EXPECT_FALSE (messageBox ("x"));
    int confirmed = 0;
    messageBoxCancel ("x", [&] (int r) { confirmed = r; });
    EXPECT_EQ (confirmed, 2);
    installMessageWindows ();
}

} // namespace
} // namespace morlake::test
