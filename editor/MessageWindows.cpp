#include "editor/MessageWindows.h"

#include "editor/Controls.h"
#include "editor/EditorAdapter.h"
#include "editor/RunLoop.h"
#include "platform/MessageWindows.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/controls/ctextedit.h"
#include "vstgui/lib/controls/ctextlabel.h"
#include "vstgui/lib/vstkeycode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace morlake {

using namespace VSTGUI;

namespace {

constexpr CCoord kWidth = 380;
constexpr CCoord kMessageHeight = 150;
constexpr CCoord kInputHeight = 178;
constexpr CCoord kMargin = 14;
constexpr CCoord kButtonWidth = 84;
constexpr CCoord kButtonHeight = 24;

const CColor kPanelColour (38, 40, 44, 255);
const CColor kFrameColour (92, 96, 104, 255);
const CColor kTitleColour (232, 234, 238, 255);
const CColor kTextColour (196, 200, 206, 255);
const CColor kFieldColour (22, 23, 26, 255);

struct FrameEntry
{
    CFrame* frame;
    std::thread::id thread;
    double scale;
};

struct Showing
{
    CFrame* frame;
    MessageDialog* dialog; // the registry holds a reference
    ModalViewSessionID session;
};

// Touched on the user-interface thread only, except for the frame list,
// which other threads read to learn that they may not show anything.
struct Registry
{
    std::mutex lock;
    std::vector<FrameEntry> frames;
    std::vector<Showing> showing;
};

Registry& registry ()
{
    static Registry* r = new Registry;
    return *r;
}

CTextButton* makeButton (const CRect& r, IControlListener* listener, const char* title, CFontRef font, double scale)
{
    auto* button = new CTextButton (r, listener, -1, title);
    button->setFont (font);
    button->setRoundRadius (4 * scale);
    button->setFrameColor (kFrameColour);
    button->setTextColor (kTitleColour);
    // create () hands over a reference of its own: adopt it, the button keeps its own.
    const auto plain = owned (CGradient::create (0.0, 1.0, CColor (70, 74, 82, 255), CColor (52, 55, 61, 255)));
    const auto lit = owned (CGradient::create (0.0, 1.0, CColor (32, 120, 200, 255), CColor (24, 96, 170, 255)));
    button->setGradient (plain);
    button->setGradientHighlighted (lit);
    return button;
}

} // namespace

// The dialog view ------------------------------------------------------------------

MessageDialog::MessageDialog (DialogKind k, const std::string& title, const std::string& text,
                              const std::string& preset, double scale)
: CViewContainer (CRect (0, 0, std::round (kWidth * scale),
                         std::round ((k == DialogKind::Input ? kInputHeight : kMessageHeight) * scale))),
  dialogKind (k),
  titleText (title),
  messageText (text),
  typed (preset)
{
    setBackgroundColor (kPanelColour);
    auto px = [scale] (CCoord v) { return std::round (v * scale); };
    const CCoord width = getViewSize ().getWidth ();
    const CCoord height = getViewSize ().getHeight ();
    const CCoord margin = px (kMargin);
    const auto font = scaledFont (kNormalFont, scale);

    auto* heading = new CTextLabel (CRect (margin, px (8), width - margin, px (30)), title.c_str ());
    heading->setFont (scaledFont (kNormalFontBig, scale));
    heading->setFontColor (kTitleColour);
    heading->setHoriAlign (kLeftText);
    heading->setTransparency (true);
    heading->setMouseEnabled (false);
    addView (heading);

    const CCoord textBottom = k == DialogKind::Input ? px (96) : height - px (kButtonHeight + 2 * kMargin);
    auto* label = new CMultiLineTextLabel (CRect (margin, px (34), width - margin, textBottom));
    label->setText (text.c_str ());
    label->setLineLayout (CMultiLineTextLabel::LineLayout::wrap);
    label->setFont (font);
    label->setFontColor (kTextColour);
    label->setHoriAlign (kLeftText);
    label->setTransparency (true);
    label->setMouseEnabled (false);
    addView (label);

    if (k == DialogKind::Input)
    {
        field = new CTextEdit (CRect (margin, px (102), width - margin, px (126)), this, -1, preset.c_str ());
        field->setFont (font);
        field->setFontColor (kTitleColour);
        field->setBackColor (kFieldColour);
        field->setFrameColor (kFrameColour);
        field->setStyle (field->getStyle () & ~CParamDisplay::kNoFrame);
        field->setHoriAlign (kLeftText);
        field->setTextInset (CPoint (px (6), 0));
        addView (field);
    }

    const CCoord top = height - margin - px (kButtonHeight);
    CRect okRect (width - margin - px (kButtonWidth), top, width - margin, top + px (kButtonHeight));
    if (k != DialogKind::Message)
    {
        CRect cancelRect (okRect);
        cancelRect.offset (-(px (kButtonWidth) + px (10)), 0);
        cancelButton = makeButton (cancelRect, this, "Cancel", font, scale);
        addView (cancelButton);
    }
    okButton = makeButton (okRect, this, "OK", font, scale);
    addView (okButton);
}

std::string MessageDialog::fieldText () const
{
    return field != nullptr ? std::string (field->getText ().getString ()) : typed;
}

void MessageDialog::setFieldText (const std::string& text)
{
    typed = text;
    if (field != nullptr)
        field->setText (text.c_str ());
}

void MessageDialog::pressOk ()
{
    if (field != nullptr)
    {
        // A field still being edited holds the latest text in its editor.
        if (auto* frame = getFrame (); frame != nullptr && frame->getFocusView () == field)
            frame->setFocusView (nullptr);
        typed = field->getText ().getString ();
    }
    answer = kOk;
    finish ();
}

void MessageDialog::pressCancel ()
{
    typed.clear ();
    answer = dialogKind == DialogKind::Message ? kOk : kCancel;
    finish ();
}

void MessageDialog::valueChanged (CControl* control)
{
    if (control == okButton && control->getValue () < 0.5f)
        pressOk ();
    else if (control == cancelButton && control->getValue () < 0.5f)
        pressCancel ();
}

int32_t MessageDialog::onKeyDown (::VstKeyCode& keyCode)
{
    if (keyCode.virt == VKEY_RETURN || keyCode.virt == VKEY_ENTER)
    {
        pressOk ();
        return 1;
    }
    if (keyCode.virt == VKEY_ESCAPE)
    {
        pressCancel ();
        return 1;
    }
    return CViewContainer::onKeyDown (keyCode);
}

int32_t MessageDialog::onKeyDown (const ::VstKeyCode& key, CFrame* keyFrame)
{
    if (keyFrame == nullptr || keyFrame->getModalView () != this || answered)
        return -1;
    if (key.virt == VKEY_RETURN || key.virt == VKEY_ENTER)
        pressOk ();
    else if (key.virt == VKEY_ESCAPE)
        pressCancel ();
    else
        return -1;
    return 1;
}

CPoint MessageDialog::okButtonCentre () const
{
    CPoint p = okButton->getViewSize ().getCenter ();
    return localToFrame (p);
}

CPoint MessageDialog::cancelButtonCentre () const
{
    CPoint p = (cancelButton != nullptr ? cancelButton : okButton)->getViewSize ().getCenter ();
    return localToFrame (p);
}

// Where the dialogs go ---------------------------------------------------------------

namespace {

// Takes `dialog` off its frame; its answer goes to `done` unless dropped.
void closeDialog (MessageDialog* dialog, bool deliver)
{
    auto& r = registry ();
    Showing entry {};
    {
        std::lock_guard<std::mutex> guard (r.lock);
        auto it = std::find_if (r.showing.begin (), r.showing.end (),
                                [dialog] (const Showing& s) { return s.dialog == dialog; });
        if (it == r.showing.end ())
            return;
        entry = *it;
        r.showing.erase (it);
    }
    entry.frame->unregisterKeyboardHook (dialog);
    // The frame lets go of its reference; a session no longer on top (the
    // frame was cleared under it) leaves the view to be taken off by hand.
    if (! entry.frame->endModalViewSession (entry.session) && dialog->isAttached ())
        entry.frame->removeView (dialog);
    entry.frame->invalid ();
    MessageDialog::Done done = deliver ? dialog->takeDone () : MessageDialog::Done {};
    const int result = dialog->result ();
    const std::string text = result == MessageDialog::kOk ? dialog->fieldText () : std::string {};
    dialog->forget ();
    if (done)
        done (result, text);
}

} // namespace

void MessageDialog::finish ()
{
    if (answered)
        return;
    answered = true;
    // Ended once the click or key that answered is handled: the button that
    // was pressed is still on the stack.
    auto self = shared (this);
    auto end = [self] () { closeDialog (self, true); };
    CFrame* owner = getFrame ();
    if (owner == nullptr || ! owner->doAfterEventProcessing (end))
        end ();
}

void registerDialogFrame (CFrame* frame, double scale)
{
    auto& r = registry ();
    std::lock_guard<std::mutex> guard (r.lock);
    r.frames.push_back ({frame, std::this_thread::get_id (), scale});
}

void unregisterDialogFrame (CFrame* frame)
{
    std::vector<MessageDialog*> dropped;
    {
        auto& r = registry ();
        std::lock_guard<std::mutex> guard (r.lock);
        std::erase_if (r.frames, [frame] (const FrameEntry& f) { return f.frame == frame; });
        for (const Showing& s : r.showing)
            if (s.frame == frame)
                dropped.push_back (s.dialog);
    }
    // The editor closes under its dialog: the dialog goes, unanswered.
    for (MessageDialog* dialog : dropped)
        closeDialog (dialog, false);
}

MessageDialog* shownDialog (CFrame* frame)
{
    auto& r = registry ();
    std::lock_guard<std::mutex> guard (r.lock);
    for (const Showing& s : r.showing)
        if (s.frame == frame)
            return s.dialog;
    return nullptr;
}

bool showDialog (DialogKind kind, const std::string& title, const std::string& text, const std::string& preset,
                 MessageDialog::Done done)
{
    CFrame* frame = nullptr;
    double scale = 1.0;
    auto& r = registry ();
    {
        std::lock_guard<std::mutex> guard (r.lock);
        const auto me = std::this_thread::get_id ();
        for (auto it = r.frames.rbegin (); it != r.frames.rend (); ++it)
            if (it->thread == me)
            {
                frame = it->frame;
                scale = it->scale;
                break;
            }
        if (frame == nullptr || frame->getPlatformFrame () == nullptr)
            return false;
        // One dialog at a time: a second would sit under the first.
        for (const Showing& s : r.showing)
            if (s.frame == frame)
                return false;
    }
    auto* dialog = new MessageDialog (kind, title, text, preset, scale);
    CRect place = dialog->getViewSize ();
    const CRect area = frame->getViewSize ();
    place.offset (std::trunc ((area.getWidth () - place.getWidth ()) / 2),
                  std::trunc ((area.getHeight () - place.getHeight ()) / 2));
    dialog->setViewSize (place);
    dialog->setMouseableArea (place);
    // The frame holds one reference while the dialog shows, the registry the other.
    dialog->remember ();
    const auto session = frame->beginModalViewSession (dialog);
    if (! session)
    {
        dialog->forget ();
        dialog->forget ();
        return false;
    }
    dialog->setDone (std::move (done));
    {
        std::lock_guard<std::mutex> guard (r.lock);
        r.showing.push_back ({frame, dialog, *session});
    }
    frame->registerKeyboardHook (dialog);
    focusFrameWindow (frame);
    return true;
}

namespace {

// platform/MessageWindows.h backend.
bool backendMessage (const std::string& title, const std::string& text)
{
    return showDialog (DialogKind::Message, title, text, {}, nullptr);
}

bool backendConfirm (const std::string& title, const std::string& text, ConfirmAnswer answer)
{
    return showDialog (DialogKind::Confirm, title, text, {}, [answer] (int result, const std::string&) {
        if (answer)
            answer (result == MessageDialog::kOk ? 1 : 2);
    });
}

bool backendInput (const std::string& title, const std::string& prompt, const std::string& preset, InputAnswer answer)
{
    return showDialog (DialogKind::Input, title, prompt, preset, [answer] (int result, const std::string& typed) {
        if (answer)
            answer (result == MessageDialog::kOk, typed);
    });
}

const MessageWindowBackend kBackend = {backendMessage, backendConfirm, backendInput};

} // namespace

void installMessageWindows () { setMessageWindowBackend (&kBackend); }

} // namespace morlake
