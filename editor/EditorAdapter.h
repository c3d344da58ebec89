// VST 2.4 editor adapter on VSTGUI: holds the effect, the frame and the
// editor rectangle, opens the frame into the host's X11 window with our run
// loop, and forwards the host's editor opcodes. The role VSTGUI's own
// AEffGUIEditor plays, without the foreign SDK it needs.
#pragma once

#include "plugin/PluginEditor.h"

#include "vstgui/lib/cframe.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace morlake {

class APlugin;

class EditorAdapter : public PluginEditor, public VSTGUI::VSTGUIEditorInterface
{
public:
    explicit EditorAdapter (APlugin* effect);
    ~EditorAdapter () override;

    EditorAdapter (const EditorAdapter&) = delete;
    EditorAdapter& operator= (const EditorAdapter&) = delete;

    // PluginEditor (host thread) ------------------------------------------------
    bool getRect (vst::ERect** rect) override;
    // Remembers the host's window; the derived editor builds the frame.
    bool open (void* parentWindow) override;
    void close () override;
    // VSTGUI's own idle: invalidates the views marked dirty since the last call.
    void idle () override;
    bool isOpen () const override { return opened.load (std::memory_order_relaxed); }
    bool onWheel (float distance) override;
    int onKeyDown (const VstKeyCode& key) override;
    int onKeyUp (const VstKeyCode& key) override;
    bool setKnobMode (int mode) override;

    // VSTGUIEditorInterface -------------------------------------------------------
    int32_t getKnobMode () const override { return knobMode; }
    void beginEdit (int32_t index) override;
    void endEdit (int32_t index) override;
    void doIdleStuff () override;

    APlugin* getEffect () const { return effect; }
    // Milliseconds on a steady clock (wraps like the VST tick count).
    static uint32_t getTicks ();
    // The X11 window of the open frame (0 when closed).
    uint32_t getFrameWindow () const;
    void* getSystemWindow () const { return systemWindow; }

protected:
    // Opens `newFrame` (already constructed with this editor) inside the
    // host's window, maps it for hosts that do not speak XEmbed and makes it
    // the editor's frame. On failure the frame is released.
    bool openFrame (VSTGUI::CFrame* newFrame);
    // Closes and releases the frame.
    void closeFrame ();
    // Serves the run loop: X events and due timers.
    void serveRunLoop ();
    // Points VSTGUI's bitmap loader at our bundle's resources.
    static void prepareResources ();
    void setOpened (bool state) { opened.store (state, std::memory_order_relaxed); }

    APlugin* effect;
    vst::ERect rect {};
    void* systemWindow = nullptr;

private:
    // Ends every gesture still open (the editor closing mid-drag).
    void endOpenGestures ();

    std::atomic<bool> opened {false};
    // Open edit gestures by parameter: the host hears one begin and one end
    // per gesture, and only for parameters.
    std::array<uint8_t, 256> gestures {};
    bool inIdleStuff = false;
    static int32_t knobMode;
};

} // namespace morlake
