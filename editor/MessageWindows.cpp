#include "editor/MessageWindows.h"

#include "editor/Controls.h"
#include "editor/EditorAdapter.h"
#include "editor/RunLoop.h"
#include "platform/MessageWindows.h"
#include "platform/AudioThread.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/controls/ctextedit.h"
#include "vstgui/lib/controls/ctextlabel.h"
#include "vstgui/lib/platform/linux/x11platform.h"
#include "vstgui/lib/vstkeycode.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

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

struct Registry
{
    std::mutex lock;
    std::vector<FrameEntry> frames;
    // Dialogs showing in an editor, cancelled when their editor closes.
    std::vector<std::pair<CFrame*, MessageDialog*>> showing;
    DialogShownHook hook;
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
}

void MessageDialog::pressCancel ()
{
    typed.clear ();
    answer = dialogKind == DialogKind::Message ? kOk : kCancel;
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

void registerDialogFrame (CFrame* frame, double scale)
{
    auto& r = registry ();
    std::lock_guard<std::mutex> guard (r.lock);
    r.frames.push_back ({frame, std::this_thread::get_id (), scale});
}

void unregisterDialogFrame (CFrame* frame)
{
    std::vector<MessageDialog*> cancelled;
    {
        auto& r = registry ();
        std::lock_guard<std::mutex> guard (r.lock);
        std::erase_if (r.frames, [frame] (const FrameEntry& f) { return f.frame == frame; });
        for (const auto& [owner, dialog] : r.showing)
            if (owner == frame)
                cancelled.push_back (dialog);
    }
    // The editor closes under its own dialog: the nested loop ends at once.
    for (MessageDialog* dialog : cancelled)
        dialog->pressCancel ();
}

void setDialogShownHook (DialogShownHook hook)
{
    auto& r = registry ();
    std::lock_guard<std::mutex> guard (r.lock);
    r.hook = std::move (hook);
}

namespace {

enum class Placement
{
    InEditor,
    OwnWindow,
    Refused,
};

Placement choosePlacement (CFrame*& target, double& scale)
{
    target = nullptr;
    scale = 1.0;
    auto& r = registry ();
    std::lock_guard<std::mutex> guard (r.lock);
    const auto me = std::this_thread::get_id ();
    for (auto it = r.frames.rbegin (); it != r.frames.rend (); ++it)
        if (it->thread == me)
        {
            target = it->frame;
            scale = it->scale;
            return Placement::InEditor;
        }
    // VSTGUI's X connection belongs to the thread that runs the open editors.
    if (! r.frames.empty () || isAudioThread ())
        return Placement::Refused;
    return Placement::OwnWindow;
}

void runUntilAnswered (MessageDialog& dialog, CFrame& frame)
{
    bool hookCalled = false;
    while (! dialog.finished ())
    {
        RunLoop::instance ().serveWaiting (10);
        if (! dialog.finished () && frameWindowGone (&frame))
        {
            dialog.pressCancel ();
            break;
        }
        frame.idle ();
        if (! hookCalled)
        {
            hookCalled = true;
            DialogShownHook hook;
            {
                auto& r = registry ();
                std::lock_guard<std::mutex> guard (r.lock);
                hook = r.hook;
            }
            if (hook)
                hook (dialog, frame);
        }
    }
    // One more pass so the frame repaints without the dialog.
    RunLoop::instance ().serve ();
}

int runInEditor (CFrame& frame, MessageDialog& dialog)
{
    CRect r = dialog.getViewSize ();
    const CRect area = frame.getViewSize ();
    r.offset (std::trunc ((area.getWidth () - r.getWidth ()) / 2), std::trunc ((area.getHeight () - r.getHeight ()) / 2));
    dialog.setViewSize (r);
    dialog.setMouseableArea (r);
    dialog.remember ();
    auto session = frame.beginModalViewSession (&dialog);
    if (! session)
    {
        dialog.forget ();
        return MessageDialog::kNoAnswer;
    }
    // The editor may close while the dialog shows: the frame stays valid
    // until the nested loop has returned.
    frame.remember ();
    auto& registered = registry ();
    {
        std::lock_guard<std::mutex> guard (registered.lock);
        registered.showing.emplace_back (&frame, &dialog);
    }
    focusFrameWindow (&frame);
    runUntilAnswered (dialog, frame);
    {
        std::lock_guard<std::mutex> guard (registered.lock);
        std::erase_if (registered.showing, [&dialog] (const auto& s) { return s.second == &dialog; });
    }
    if (frame.getPlatformFrame () != nullptr)
    {
        frame.endModalViewSession (*session);
        frame.invalid ();
    }
    frame.forget ();
    return dialog.result ();
}

// A top-level window of its own on the default screen, for when no editor
// is open (or the host never opened one).
int runInOwnWindow (MessageDialog& dialog, const std::string& title)
{
    int screenNumber = 0;
    xcb_connection_t* probe = xcb_connect (nullptr, &screenNumber);
    if (probe == nullptr || xcb_connection_has_error (probe))
    {
        if (probe != nullptr)
            xcb_disconnect (probe);
        return MessageDialog::kNoAnswer;
    }
    auto iter = xcb_setup_roots_iterator (xcb_get_setup (probe));
    for (int i = 0; i < screenNumber && iter.rem; ++i)
        xcb_screen_next (&iter);
    const xcb_window_t root = iter.data->root;
    const int screenWidth = iter.data->width_in_pixels;
    const int screenHeight = iter.data->height_in_pixels;
    xcb_disconnect (probe);

    const CRect size (0, 0, dialog.getViewSize ().getWidth (), dialog.getViewSize ().getHeight ());
    auto* frame = new CFrame (size, nullptr);
    frame->setBackgroundColor (kPanelColour);
    X11::FrameConfig config;
    config.runLoop = SharedPointer<X11::IRunLoop> (&RunLoop::instance ());
    if (! frame->open (reinterpret_cast<void*> (static_cast<uintptr_t> (root)), kX11EmbedWindowID, &config))
    {
        frame->forget ();
        return MessageDialog::kNoAnswer;
    }
    auto* x11 = dynamic_cast<X11::IX11Frame*> (frame->getPlatformFrame ());
    auto* connection = X11::RunLoop::instance ().getXcbConnection ();
    if (x11 != nullptr && connection != nullptr)
    {
        const xcb_window_t window = x11->getX11WindowID ();
        const uint32_t position[2] = {static_cast<uint32_t> ((screenWidth - static_cast<int> (size.getWidth ())) / 2),
                                      static_cast<uint32_t> ((screenHeight - static_cast<int> (size.getHeight ())) / 3)};
        xcb_configure_window (connection, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, position);
        xcb_change_property (connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                             static_cast<uint32_t> (title.size ()), title.data ());
        xcb_map_window (connection, window);
        xcb_flush (connection);
    }
    int result = MessageDialog::kNoAnswer;
    dialog.remember ();
    if (auto session = frame->beginModalViewSession (&dialog))
    {
        runUntilAnswered (dialog, *frame);
        frame->endModalViewSession (*session);
        result = dialog.result ();
    }
    else
        dialog.forget ();
    frame->close ();
    RunLoop::instance ().serve ();
    return result;
}

// platform/MessageWindows.h backend.
void backendMessage (const char* title, const char* text) { runDialog (DialogKind::Message, title, text, {}, nullptr); }

int backendConfirm (const char* title, const char* text)
{
    return runDialog (DialogKind::Confirm, title, text, {}, nullptr);
}

bool backendInput (const char* title, const char* prompt, const std::string& preset, std::string& answer)
{
    return runDialog (DialogKind::Input, title, prompt, preset, &answer) == MessageDialog::kOk;
}

const MessageWindowBackend kBackend = {backendMessage, backendConfirm, backendInput};

} // namespace

int runDialog (DialogKind kind, const std::string& title, const std::string& text, const std::string& preset,
               std::string* answer)
{
    if (answer != nullptr)
        answer->clear ();
    CFrame* target = nullptr;
    double scale = 1.0;
    const Placement placement = choosePlacement (target, scale);
    if (placement == Placement::Refused)
        return MessageDialog::kNoAnswer;
    auto* dialog = new MessageDialog (kind, title, text, preset, scale);
    const int result = placement == Placement::InEditor ? runInEditor (*target, *dialog) : runInOwnWindow (*dialog, title);
    if (answer != nullptr && result == MessageDialog::kOk)
        *answer = dialog->fieldText ();
    dialog->forget ();
    return result;
}

void installMessageWindows () { setMessageWindowBackend (&kBackend); }

} // namespace morlake
