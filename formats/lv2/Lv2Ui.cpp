// The LV2 UI: the same editor in the host's window. With instance-access it
// edits the plug-in's own instance (meters and modulation included); without
// it the editor runs on a shadow instance fed by port events, and edits go
// back as port writes (meters and modulation cannot cross).
#include "editor/EditorFactory.h"
#include "formats/lv2/Lv2Plugin.h"

#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace morlake::lv2 {

namespace {

class Lv2Ui final : private UiLink, private InstanceHost
{
public:
    Lv2Ui (LV2UI_Write_Function write, LV2UI_Controller controller, Lv2Plugin* dsp, const LV2UI_Touch* touch)
    : write (write), controller (controller), plugin (dsp), touchFeature (touch)
    {
        if (plugin == nullptr)
            shadow = std::make_unique<APlugin> (static_cast<InstanceHost&> (*this));
        for (int tag : controlPortTags (model ().table ()))
        {
            portOf[static_cast<std::size_t> (tag)] = kFirstControlPort + numPorts;
            tagOf[static_cast<std::size_t> (numPorts++)] = tag;
        }
    }

    ~Lv2Ui () override { close (); }

    Lv2Ui (const Lv2Ui&) = delete;
    Lv2Ui& operator= (const Lv2Ui&) = delete;

    bool open (void* parent, const LV2UI_Resize* resize, LV2UI_Widget* widget)
    {
        editor.reset (createEditor (model ()));
        if (! editor)
            return false;
        if (plugin != nullptr)
        {
            plugin->relay ().attach (editor.get ());
            plugin->setUiLink (this);
        }
        else
            shadow->attachEditor (editor.get ());
        if (! editor->open (parent))
            return false;
        const EditorSize size = editor->getSize ();
        if (resize != nullptr)
            resize->ui_resize (resize->handle, size.width, size.height);
        *widget = reinterpret_cast<LV2UI_Widget> (static_cast<std::uintptr_t> (childOf (parent)));
        return true;
    }

    void close ()
    {
        if (! editor)
            return;
        if (plugin != nullptr)
        {
            plugin->setUiLink (nullptr);
            plugin->relay ().attach (nullptr);
        }
        else
            shadow->attachEditor (nullptr);
        editor->close ();
        editor.reset ();
    }

    int idle ()
    {
        if (plugin != nullptr)
            plugin->instance ().syncPreferences ();
        if (editor)
            editor->idle ();
        return 0;
    }

    void portEvent (std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer)
    {
        // The plug-in's own instance already holds what its ports carry.
        if (shadow == nullptr || format != 0 || size != sizeof (float))
            return;
        const int index = static_cast<int> (port) - kFirstControlPort;
        if (index < 0 || index >= numPorts)
            return;
        const ParameterTable& table = shadow->table ();
        const int tag = tagOf[static_cast<std::size_t> (index)];
        float value;
        std::memcpy (&value, buffer, sizeof value);
        if (toPortValue (table, tag, shadow->getParameter (tag)) != value)
            shadow->setParameter (tag, fromPortValue (table, tag, value));
    }

private:
    EditorModel& model () { return plugin != nullptr ? static_cast<EditorModel&> (plugin->instance ()) : *shadow; }

    // The window the editor made inside `parent`: the host sizes and maps it.
    static std::uint32_t childOf (void* parent)
    {
        const auto parentId = static_cast<xcb_window_t> (reinterpret_cast<std::uintptr_t> (parent));
        xcb_connection_t* connection = xcb_connect (nullptr, nullptr);
        xcb_window_t child = parentId;
        if (xcb_connection_has_error (connection) == 0)
        {
            if (xcb_query_tree_reply_t* reply =
                    xcb_query_tree_reply (connection, xcb_query_tree (connection, parentId), nullptr))
            {
                const int count = xcb_query_tree_children_length (reply);
                if (count > 0)
                    child = xcb_query_tree_children (reply)[count - 1];
                std::free (reply);
            }
        }
        xcb_disconnect (connection);
        return child;
    }

    // UiLink and InstanceHost: an edit in the editor becomes a port write.
    void parameterEdited (int tag, float value) override
    {
        if (! isValidTag (tag) || portOf[static_cast<std::size_t> (tag)] < 0)
            return;
        const float port = toPortValue (model ().table (), tag, value);
        write (controller, static_cast<std::uint32_t> (portOf[static_cast<std::size_t> (tag)]), sizeof port, 0, &port);
    }
    void gesture (int tag, bool begins) override
    {
        if (touchFeature != nullptr && isValidTag (tag) && portOf[static_cast<std::size_t> (tag)] >= 0)
            touchFeature->touch (touchFeature->handle,
                                 static_cast<std::uint32_t> (portOf[static_cast<std::size_t> (tag)]), begins);
    }
    bool gestureBegan (int tag) override
    {
        gesture (tag, true);
        return touchFeature != nullptr;
    }
    bool gestureEnded (int tag) override
    {
        gesture (tag, false);
        return touchFeature != nullptr;
    }
    ChainTime transport () override { return {}; }
    void requestIdle () override {}

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    Lv2Plugin* plugin;
    const LV2UI_Touch* touchFeature;
    std::unique_ptr<APlugin> shadow;
    std::unique_ptr<InstanceEditor> editor;
    std::array<int, kNumParams> portOf = [] {
        std::array<int, kNumParams> none {};
        none.fill (-1);
        return none;
    }();
    std::array<int, kNumParams> tagOf {};
    int numPorts = 0;
};

Lv2Ui* self (LV2UI_Handle handle) { return static_cast<Lv2Ui*> (handle); }

LV2UI_Handle instantiate (const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                          LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (pluginUri == nullptr || std::strcmp (pluginUri, kPluginUri) != 0)
        return nullptr;
    void* parent = nullptr;
    Lv2Plugin* plugin = nullptr;
    const LV2UI_Resize* resize = nullptr;
    const LV2UI_Touch* touch = nullptr;
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i)
    {
        const char* uri = features[i]->URI;
        if (std::strcmp (uri, LV2_UI__parent) == 0)
            parent = features[i]->data;
        else if (std::strcmp (uri, LV2_INSTANCE_ACCESS_URI) == 0)
            plugin = static_cast<Lv2Plugin*> (features[i]->data);
        else if (std::strcmp (uri, LV2_UI__resize) == 0)
            resize = static_cast<const LV2UI_Resize*> (features[i]->data);
        else if (std::strcmp (uri, LV2_UI__touch) == 0)
            touch = static_cast<const LV2UI_Touch*> (features[i]->data);
    }
    if (parent == nullptr)
        return nullptr;
    auto* ui = new (std::nothrow) Lv2Ui (write, controller, plugin, touch);
    if (ui != nullptr && ! ui->open (parent, resize, widget))
    {
        delete ui;
        return nullptr;
    }
    return ui;
}

void cleanup (LV2UI_Handle handle) { delete self (handle); }

void portEvent (LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    self (handle)->portEvent (port, size, format, buffer);
}

int idle (LV2UI_Handle handle) { return self (handle)->idle (); }

const void* extensionData (const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface {idle};
    if (std::strcmp (uri, LV2_UI__idleInterface) == 0)
        return &idleInterface;
    return nullptr;
}

const LV2UI_Descriptor descriptor {kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

} // namespace morlake::lv2

extern "C" __attribute__ ((visibility ("default"))) const LV2UI_Descriptor* lv2ui_descriptor (uint32_t index)
{
    return index == 0 ? &morlake::lv2::descriptor : nullptr;
}
