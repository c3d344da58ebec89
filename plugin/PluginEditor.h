// What the plug-in instance needs of its editor. The editor subsystem
// implements it; the instance only talks to this interface.
#pragma once

#include "plugin/vst24.h"

namespace morlake {

struct VstKeyCode
{
    int character;
    unsigned char virtualKey;
    unsigned char modifiers;
};

class PluginEditor
{
public:
    virtual ~PluginEditor () = default;

    virtual bool getRect (vst::ERect** rect) = 0;
    virtual bool open (void* parentWindow) = 0;
    virtual void close () = 0;
    virtual void idle () = 0;
    virtual bool isOpen () const = 0;

    // May be called from any thread: implementations only record the change.
    virtual void setParameter (int tag, float value) = 0;
    virtual void setEditTag (int tag) = 0;
    // Resynchronise every control with the live values on the next idle pass.
    virtual void refreshAll () = 0;
    // The Disrupt value (-1..+1) moved by modulation; called from the audio thread.
    virtual void setDisruptValue (float) {}

    virtual bool onWheel (float distance) = 0;
    virtual int onKeyDown (const VstKeyCode& key) = 0;
    virtual int onKeyUp (const VstKeyCode& key) = 0;
    virtual bool setKnobMode (int mode) = 0;
};

} // namespace morlake
