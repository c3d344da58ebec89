// The pop-up menus under the real pointer and keyboard: the settings menu
// from its button, Escape in any menu, and the editor closing under a menu
// or a dialog.
#include "tests/editor/EditorTestSupport.h"

#include "editor/Layout.h"
#include "editor/MessageWindows.h"
#include "editor/RunLoop.h"
#include "platform/MessageWindows.h"
#include "platform/Preferences.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/coptionmenu.h"

#include <chrono>
#include <cmath>
#include <cstdlib>

namespace morlake::test {
namespace {

using namespace VSTGUI;

// xdotool on the real pointer: the host window sits at the screen origin,
// so frame and screen coordinates agree.
bool xdo (const std::string& args) { return std::system (("xdotool " + args + " >/dev/null 2>&1").c_str ()) == 0; }

std::string at (const CPoint& p)
{
    // --sync waits for the pointer to move: it must not be there already.
    return "mousemove 1 1 mousemove --sync " + std::to_string (static_cast<int> (p.x)) + " " + std::to_string (static_cast<int> (p.y));
}

CPoint centre (const layout::Area& a) { return CPoint (a.x + a.width / 2, a.y + a.height / 2); }

// The centre of row `title` of the menu showing in `frame`: rows are the
// menu font's size plus 8 pixels high, from the top of the menu's box.
void serveFor (int ms)
{
    for (int i = 0; i < ms / 10; ++i)
        RunLoop::instance ().serveWaiting (10);
}

bool rowCentre (CFrame& frame, COptionMenu& menu, const std::string& title, CPoint& p)
{
    CView* modal = frame.getModalView ();
    CViewContainer* layer = modal != nullptr ? modal->asViewContainer () : nullptr;
    CView* box = nullptr;
    if (layer != nullptr)
        layer->forEachChild ([&box] (CView* child) { box = child; });
    for (int32_t i = 0; box != nullptr && i < menu.getNbEntries (); ++i)
        if (menu.getEntry (i)->getTitle () == title.c_str ())
        {
            const CCoord row = std::ceil (12.0 + 8.0);
            p = CPoint (box->getViewSize ().left + 40, box->getViewSize ().top + 1 + row * i + row / 2);
            return true;
        }
    return false;
}

std::vector<float> allValues (APlugin& plugin)
{
    std::vector<float> values;
    for (int t = 0; t < 256; ++t)
        values.push_back (plugin.getParameter (t));
    return values;
}

class EditorMenus : public MainScreen
{
protected:
    void TearDown () override
    {
        uEditor::setMenuShownHook (nullptr);
        setDialogShownHook (nullptr);
    }
    // Idles until `done` or `ms` milliseconds.
    bool idleUntil (const std::function<bool ()>& done, int ms = 3000)
    {
        const auto end = std::chrono::steady_clock::now () + std::chrono::milliseconds (ms);
        while (! done () && std::chrono::steady_clock::now () < end)
            f.idleFor (20);
        return done ();
    }
};

TEST_F (EditorMenus, SettingsMenuOpensFromItsButtonAndStoresTheChoice)
{
    saveBoolToPrefs (PREF_TOOL_TIP, true);
    std::vector<std::string> titles;
    bool clicked = false;
    uEditor::setMenuShownHook ([&] (COptionMenu& menu, CFrame& frame) {
        for (int32_t i = 0; i < menu.getNbEntries (); ++i)
            titles.emplace_back (menu.getEntry (i)->getTitle ().getString ());
        CPoint row;
        if (! rowCentre (frame, menu, "Tool-Tips: On", row))
        {
            xdo ("key Escape");
            return;
        }
        // As a user does: the pointer rests on the entry, then clicks.
        clicked = xdo (at (row));
        serveFor (300);
        clicked = clicked && xdo ("click 1");
    });
    ASSERT_TRUE (xdo (at (centre (layout::kControlMenuButton)) + " click 1"));
    ASSERT_TRUE (idleUntil ([&] { return clicked; })) << "the settings menu did not open";
    f.idleFor (200);
    for (const char* entry : {"Control Menu", "Set to 150% Screen Size", "Tool-Tips: On", "Set MIDI Input Channel",
                              "External MIDI Capture Mode: On", "Reset Everything", "About Morlake",
                              "Goto Aldermoor Website"})
        EXPECT_NE (std::find (titles.begin (), titles.end (), entry), titles.end ()) << entry;
    // A new instance reads the switch from the preferences.
    EXPECT_FALSE (getRegisterIsOn (PREF_TOOL_TIP, true));
    saveBoolToPrefs (PREF_TOOL_TIP, true);
}

TEST_F (EditorMenus, EscapeInAnyMenuOrSubmenuChangesNothing)
{
    const TOptionMenu* destinations = nullptr;
    for (int i = 0; destinations == nullptr && i < 64; ++i)
        if (TOptionMenu* m = f.editor ().getMainMenu (i); m != nullptr && m->getTag () == tag::FollowerDest)
            destinations = m;
    ASSERT_NE (destinations, nullptr);
    int firstGroup = 0;
    while (firstGroup < destinations->getNbEntries () && destinations->getEntry (firstGroup)->getSubmenu () == nullptr)
        ++firstGroup;
    const CPoint menuAt = destinations->getViewSize ().getCenter ();
    std::string downs;
    for (int i = 0; i <= firstGroup; ++i)
        downs += " Down";

    struct Case
    {
        const char* name;
        std::string click;   // opens the menu
        std::string keys;    // then, once it shows
    };
    const CPoint knobAt = knob (tag::ReverbRoomSize)->getViewSize ().getCenter ();
    const Case cases[] = {
        {"context menu", at (knobAt) + " click 3", "Escape"},
        {"settings menu", at (centre (layout::kControlMenuButton)) + " click 1", "Escape"},
        {"option menu", at (menuAt) + " click 1", "Escape"},
        {"option submenu", at (menuAt) + " click 1", downs + " Right Escape Escape"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.name);
        const std::vector<float> before = allValues (*f.plugin);
        bool answered = false;
        bool stuck = false;
        uEditor::setMenuShownHook ([&] (COptionMenu&, CFrame& frame) {
            serveFor (300);
            answered = xdo ("key --delay 150 " + c.keys);
            serveFor (500);
            // A menu Escape left open is closed with a click beside it.
            if ((stuck = frame.getModalView () != nullptr))
                xdo (at (CPoint (5, 700)) + " click 1");
        });
        ASSERT_TRUE (xdo (c.click));
        f.idleFor (400);
        if (! answered)   // option menus show without a nested loop
            answered = xdo ("key --delay 150 " + c.keys);
        f.idleFor (600);
        EXPECT_TRUE (answered);
        EXPECT_FALSE (stuck) << "Escape left the menu open";
        EXPECT_EQ (allValues (*f.plugin), before);
        EXPECT_EQ (f.editor ().getFrame ()->getModalView (), nullptr) << "a menu stayed open";
    }
}

TEST_F (EditorMenus, ClosingTheEditorUnderAMenuReturnsAtOnce)
{
    // The host closes the editor from inside the menu's loop (a dialog's: EditorThreadTest).
    bool closedUnderMenu = false;
    uEditor::setMenuShownHook ([&] (COptionMenu&, CFrame&) {
        f.close ();
        closedUnderMenu = true;
    });
    ASSERT_TRUE (xdo (at (knob (tag::ReverbLength)->getViewSize ().getCenter ()) + " click 3"));
    EXPECT_TRUE (idleUntil ([&] { return closedUnderMenu; }));
    f.idleFor (100);
    EXPECT_FALSE (f.plugin->isEditorOpen ());
}

TEST_F (EditorMenus, RightClickMenusActOnTheirParameterAndNeverAsALeftClick)
{
    struct Case
    {
        CControl* control;
        const char* entry;   // null: Escape
        float expected;      // < 0: unchanged
    };
    TKnob* room = knob (tag::ReverbRoomSize);
    TOnOff* onOffControl = f.editor ().getMainOnOff (0);
    ASSERT_NE (onOffControl, nullptr);
    const Case cases[] = {
        {room, "Set to Maximum", 1.0f},
        {room, "Set to Minimum", 0.0f},
        {onOffControl, nullptr, -1.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.entry != nullptr ? c.entry : "Escape");
        const int t = c.control->getTag ();
        const float before = f.plugin->getParameter (t);
        bool answered = false;
        uEditor::setMenuShownHook ([&] (COptionMenu& menu, CFrame& frame) {
            serveFor (300);
            CPoint row;
            answered = c.entry != nullptr && rowCentre (frame, menu, c.entry, row) ? xdo (at (row) + " click 1")
                                                                                   : xdo ("key Escape");
        });
        ASSERT_TRUE (xdo (at (c.control->getViewSize ().getCenter ()) + " click 3"));
        EXPECT_TRUE (idleUntil ([&] { return answered; }));
        f.idleFor (300);
        EXPECT_FLOAT_EQ (f.plugin->getParameter (t), c.expected < 0.0f ? before : c.expected);
    }
}

} // namespace
} // namespace morlake::test
