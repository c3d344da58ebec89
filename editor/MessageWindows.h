// The message, confirmation and input windows, drawn with VSTGUI: a modal
// view inside the open editor, or a small top-level window of their own when
// no editor is open on the calling thread. Both run a nested loop on our run
// loop until a button is pressed, so the host's UI thread is only ever busy
// serving the window, never waiting on anything.
#pragma once

#include "vstgui/lib/controls/icontrollistener.h"
#include "vstgui/lib/cviewcontainer.h"

#include <functional>
#include <string>

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

class MessageDialog : public VSTGUI::CViewContainer, public VSTGUI::IControlListener
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

private:
    DialogKind dialogKind;
    std::string titleText;
    std::string messageText;
    std::string typed;
    int answer = kNoAnswer;
    VSTGUI::CTextEdit* field = nullptr;
    VSTGUI::CTextButton* okButton = nullptr;
    VSTGUI::CTextButton* cancelButton = nullptr;
};

// Registers the editor frames open on this thread (the dialogs go there).
void registerDialogFrame (VSTGUI::CFrame* frame, double scale = 1.0);
void unregisterDialogFrame (VSTGUI::CFrame* frame);

// Installs the backend of platform/MessageWindows.h (idempotent).
void installMessageWindows ();

// Called once a dialog shows, with the dialog and the frame it sits in.
// Tests use it to answer; null removes the hook.
using DialogShownHook = std::function<void (MessageDialog& dialog, VSTGUI::CFrame& frame)>;
void setDialogShownHook (DialogShownHook hook);

// Shows a dialog and answers MessageDialog::kOk, kCancel or kNoAnswer when
// nothing could be shown (no display, wrong thread). `answer` gets the text.
int runDialog (DialogKind kind, const std::string& title, const std::string& text, const std::string& preset,
               std::string* answer);

} // namespace morlake
