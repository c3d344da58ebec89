#include "tools/harness/HostWindow.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace morlake {

namespace {

// A round trip: everything sent before has reached the server.
void syncWith (xcb_connection_t* c) { std::free (xcb_get_input_focus_reply (c, xcb_get_input_focus (c), nullptr)); }

} // namespace

HostWindow::HostWindow (int width, int height, const char* title) : w (width), h (height)
{
    int screenNumber = 0;
    xcb = xcb_connect (nullptr, &screenNumber);
    if (xcb == nullptr || xcb_connection_has_error (xcb) || w <= 0 || h <= 0)
        return;
    auto roots = xcb_setup_roots_iterator (xcb_get_setup (xcb));
    for (int i = 0; i < screenNumber && roots.rem; ++i)
        xcb_screen_next (&roots);
    const xcb_screen_t* screen = roots.data;
    window = xcb_generate_id (xcb);
    const std::uint32_t values[2] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window (xcb, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, static_cast<std::uint16_t> (w),
                       static_cast<std::uint16_t> (h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                       XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    if (title != nullptr)
        xcb_change_property (xcb, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                             static_cast<std::uint32_t> (std::strlen (title)), title);
    xcb_map_window (xcb, window);
    xcb_flush (xcb);
    syncWith (xcb);
}

HostWindow::~HostWindow ()
{
    if (xcb == nullptr)
        return;
    if (window != 0)
        xcb_destroy_window (xcb, window);
    xcb_flush (xcb);
    xcb_disconnect (xcb);
}

void* HostWindow::parent () const { return reinterpret_cast<void*> (static_cast<std::uintptr_t> (window)); }

std::uint32_t HostWindow::child () const
{
    auto* tree = xcb_query_tree_reply (xcb, xcb_query_tree (xcb, window), nullptr);
    if (tree == nullptr)
        return 0;
    const std::uint32_t found = xcb_query_tree_children_length (tree) > 0 ? xcb_query_tree_children (tree)[0] : 0;
    std::free (tree);
    return found;
}

bool HostWindow::childViewable () const
{
    const std::uint32_t c = child ();
    if (c == 0)
        return false;
    auto* attributes = xcb_get_window_attributes_reply (xcb, xcb_get_window_attributes (xcb, c), nullptr);
    const bool viewable = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free (attributes);
    return viewable;
}

void HostWindow::click (int x, int y) const
{
    const std::uint32_t target = child ();
    if (target == 0)
        return;
    for (const std::uint8_t type : {XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE})
    {
        xcb_button_press_event_t event {};
        event.response_type = type;
        event.detail = 1;
        event.event = target;
        event.child = XCB_NONE;
        event.event_x = static_cast<std::int16_t> (x);
        event.event_y = static_cast<std::int16_t> (y);
        event.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
        event.same_screen = 1;
        event.time = XCB_CURRENT_TIME;
        const std::uint32_t mask =
            type == XCB_BUTTON_PRESS ? XCB_EVENT_MASK_BUTTON_PRESS : XCB_EVENT_MASK_BUTTON_RELEASE;
        xcb_send_event (xcb, 0, target, mask, reinterpret_cast<const char*> (&event));
    }
    xcb_flush (xcb);
}

bool HostWindow::capture (std::vector<std::uint32_t>& pixels) const
{
    if (window == 0)
        return false;
    syncWith (xcb);
    auto* reply =
        xcb_get_image_reply (xcb,
                             xcb_get_image (xcb, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                            static_cast<std::uint16_t> (w), static_cast<std::uint16_t> (h), ~0u),
                             nullptr);
    if (reply == nullptr)
        return false;
    const int length = xcb_get_image_data_length (reply);
    const bool ok = reply->depth >= 24 && length >= w * h * 4;
    if (ok)
    {
        pixels.resize (static_cast<std::size_t> (w) * static_cast<std::size_t> (h));
        const int stride = length / h;
        for (int y = 0; y < h; ++y)
            std::memcpy (pixels.data () + static_cast<std::size_t> (y) * static_cast<std::size_t> (w),
                         xcb_get_image_data (reply) + y * stride, static_cast<std::size_t> (w) * 4);
    }
    std::free (reply);
    return ok;
}

} // namespace morlake
