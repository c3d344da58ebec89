// A plain top-level X11 window, as a host without XEmbed hands it to
// effEditOpen: the parent of the editor's own window and nothing else.
#pragma once

#include <cstdint>
#include <vector>

struct xcb_connection_t;

namespace morlake {

class HostWindow
{
public:
    // Connects to $DISPLAY and maps the window; valid() tells whether both worked.
    HostWindow (int width, int height, const char* title = nullptr);
    ~HostWindow ();
    HostWindow (const HostWindow&) = delete;
    HostWindow& operator= (const HostWindow&) = delete;

    bool valid () const { return window != 0; }
    void* parent () const;
    std::uint32_t id () const { return window; }
    xcb_connection_t* connection () const { return xcb; }
    int width () const { return w; }
    int height () const { return h; }

    // The editor's window: the first child of ours (0 when none).
    std::uint32_t child () const;
    bool childViewable () const;
    // A left click at (x, y) sent to the child, as hosts route input to it.
    void click (int x, int y) const;
    // Reads the window back as 0x00RRGGBB rows; false when it cannot be read.
    bool capture (std::vector<std::uint32_t>& pixels) const;

private:
    xcb_connection_t* xcb = nullptr;
    std::uint32_t window = 0;
    int w;
    int h;
};

} // namespace morlake
