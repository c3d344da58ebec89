// The editor's base on VSTGUI: holds the model, the frame and the window
// size, opens the frame into the host's X11 window with our run loop, and
// forwards the host's window calls. The role VSTGUI's own AEffGUIEditor
// plays, without any plug-in format.
#pragma once

#include "instance/EditorModel.h"
#include "instance/InstanceEditor.h"
#include "params/ParamTags.h"

#include "vstgui/lib/cframe.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace morlake {

class EditorAdapter : public InstanceEditor, public VSTGUI::VSTGUIEditorInterface
{
public:
    explicit EditorAdapter (EditorModel* model);
    ~EditorAdapter () override;

    EditorAdapter (const EditorAdapter&) = delete;
    EditorAdapter& operator= (const EditorAdapter&) = delete;

    // InstanceEditor (host thread) ------------------------------------------------
    EditorSize getSize () const override { return size; }
    // Remembers the host's window; the derived editor builds the frame.
    bool open (void* parentWindow) override;
    void close () override;
    // VSTGUI's own idle: invalidates the views marked dirty since the last call.
    void idle () override;
    bool isOpen () const override { return opened.load (std::memory_order_relaxed); }
    bool onWheel (float distance) override;
    int onKeyDown (const KeyStroke& key) override;
    int onKeyUp (const KeyStroke& key) override;
    bool setKnobMode (int mode) override;
    int eventDescriptor () const override;

    // VSTGUIEditorInterface -------------------------------------------------------
    int32_t getKnobMode () const override { return knobMode; }
    void beginEdit (int32_t index) override;
    void endEdit (int32_t index) override;
    void doIdleStuff () override;

    EditorModel* getModel () const { return model; }
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

    EditorModel* model;
    EditorSize size {};
    void* systemWindow = nullptr;

private:
    // Ends every gesture still open (the editor closing mid-drag).
    void endOpenGestures ();

    std::atomic<bool> opened {false};
    // Open edit gestures by parameter: the host hears one begin and one end
    // per gesture, and only for parameters.
    std::array<uint8_t, kNumParams> gestures {};
    bool inIdleStuff = false;
    static int32_t knobMode;
};

} // namespace morlake
