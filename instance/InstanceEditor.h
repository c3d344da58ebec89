// What the instance and a format adapter need of an editor. The editor
// subsystem implements it; nothing here names a plug-in format or a toolkit.
#pragma once

namespace morlake {

// A key as hosts pass it on: the character, a virtual key code and
// modifier bits (shift 1, alternate 2, command 4, control 8).
struct KeyStroke
{
    int character;
    unsigned char virtualKey;
    unsigned char modifiers;
};

struct EditorSize
{
    int width;
    int height;
};

class InstanceEditor
{
public:
    virtual ~InstanceEditor () = default;

    // Window, on the host's user-interface thread ---------------------------
    // Size of the window at the current screen size.
    virtual EditorSize getSize () const = 0;
    // Opens into the host's window (an X11 window id on Linux).
    virtual bool open (void* parentWindow) = 0;
    virtual void close () = 0;
    virtual void idle () = 0;
    virtual bool isOpen () const = 0;
    virtual bool onWheel (float distance) = 0;
    // 1 when the key was used, 0 or -1 when the host may use it.
    virtual int onKeyDown (const KeyStroke& key) = 0;
    virtual int onKeyUp (const KeyStroke& key) = 0;
    virtual bool setKnobMode (int mode) = 0;
    // A descriptor that turns readable when the window system has events for
    // idle() (hosts that watch descriptors call idle() then); -1 when none.
    virtual int eventDescriptor () const { return -1; }

    // Notifications from the instance ------------------------------------------
    // May be called from any thread: implementations only record the change.
    virtual void setParameter (int tag, float value) = 0;
    virtual void setEditTag (int tag) = 0;
    // Resynchronise every control with the live values on the next idle pass.
    virtual void refreshAll () = 0;
    // The Disrupt value (-1..+1) moved by modulation; called from the audio thread.
    virtual void setDisruptValue (float) {}
};

} // namespace morlake
