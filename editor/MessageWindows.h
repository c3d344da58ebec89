// The message, confirmation and input windows, drawn with VSTGUI as a modal
// view session inside the open editor. Showing one returns at once; the
// buttons, Return and Escape end the session and hand the answer to a
// callback once the event that pressed them is handled.
#pragma once

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/icontrollistener.h"
#include "vstgui/lib/cviewcontainer.h"

#include <functional>
#include <string>
#include <utility>

namespace VSTGUI {
class CTextEdit;
class CTextButton;
} // namespace VSTGUI

namespace morlake {

enum class DialogKind
{
    Message,
    Confirm,
    Input,
};

class MessageDialog : public VSTGUI::CViewContainer, public VSTGUI::IControlListener, public VSTGUI::IKeyboardHook
{
public:
    static constexpr int kNoAnswer = 0;
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    MessageDialog (DialogKind kind, const std::string& title, const std::string& text, const std::string& preset,
                   double scale = 1.0);

    DialogKind kind () const { return dialogKind; }
    const std::string& title () const { return titleText; }
    const std::string& message () const { return messageText; }
    bool finished () const { return answer != kNoAnswer; }
    int result () const { return answer; }
    std::string fieldText () const;

    // What the buttons and keys do; also for tests that drive the window.
    void pressOk ();
    void pressCancel ();
    void setFieldText (const std::string& text);
    // Centre of a button in frame coordinates (for pointer-driven tests).
    VSTGUI::CPoint okButtonCentre () const;
    VSTGUI::CPoint cancelButtonCentre () const;

    void valueChanged (VSTGUI::CControl* control) override;
    int32_t onKeyDown (::VstKeyCode& keyCode) override;
    // Return and Escape answer the dialog even while its field is edited.
    int32_t onKeyDown (const ::VstKeyCode& key, VSTGUI::CFrame* frame) override;
    int32_t onKeyUp (const ::VstKeyCode&, VSTGUI::CFrame*) override { return -1; }

    // Called once with the answer when the dialog has closed.
    using Done = std::function<void (int result, const std::string& text)>;
    void setDone (Done callback) { done = std::move (callback); }
    Done takeDone () { return std::exchange (done, nullptr); }

private:
    DialogKind dialogKind;
    std::string titleText;
    std::string messageText;
    std::string typed;
    int answer = kNoAnswer;
    Done done;
    bool answered = false;
    // Ends the dialog's session and hands the answer on.
    void finish ();
    VSTGUI::CTextEdit* field = nullptr;
    VSTGUI::CTextButton* okButton = nullptr;
    VSTGUI::CTextButton* cancelButton = nullptr;
};

// Registers the editor frames open on this thread (the dialogs go there).
void registerDialogFrame (VSTGUI::CFrame* frame, double scale = 1.0);
void unregisterDialogFrame (VSTGUI::CFrame* frame);

// Installs the backend of platform/MessageWindows.h (idempotent).
void installMessageWindows ();

// The dialog showing in `frame`, or null.
MessageDialog* shownDialog (VSTGUI::CFrame* frame);

// Shows a dialog in the editor open on this thread and returns at once;
// `done` gets MessageDialog::kOk or kCancel and the field's text once it is
// answered. False when nothing could be shown (no editor on this thread, or
// a dialog already showing there); `done` is then never called, nor when
// the editor closes first.
bool showDialog (DialogKind kind, const std::string& title, const std::string& text, const std::string& preset,
                 MessageDialog::Done done);

} // namespace morlake
