// The pop-up menus under the real pointer and keyboard: they open and return
// at once, the host idles and the meters move while they show, Escape at any
// depth changes nothing, no pointer grab outlives them, and the editor may
// close under them.
#include "tests/editor/EditorTestSupport.h"

#include "layout/Layout.h"
#include "editor/ParameterMenu.h"
#include "params/NameLists.h"
#include "editor/MessageWindows.h"
#include "editor/RunLoop.h"
#include "platform/MessageWindows.h"
#include "platform/Preferences.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/coptionmenu.h"

#include <chrono>
#include <xcb/xcb.h>
#include <cmath>
#include <cstdlib>
#include <map>

namespace morlake::test {
namespace {

using namespace VSTGUI;

CPoint centre (const layout::Area& a) { return CPoint (a.x + a.width / 2, a.y + a.height / 2); }

// The centre of row `title` of the menu showing in `frame`: rows are the
// menu font's size plus 8 pixels high, from the top of the menu's box.
bool rowCentre (CFrame& frame, COptionMenu& menu, const std::string& title, CPoint& p)
{
    CView* modal = frame.getModalView ();
    CViewContainer* layer = modal != nullptr ? modal->asViewContainer () : nullptr;
    CView* box = nullptr;
    if (layer != nullptr)
        layer->forEachChild ([&box] (CView* child) {
            if (box == nullptr)
                box = child;
        });
    for (int32_t i = 0; box != nullptr && i < menu.getNbEntries (); ++i)
        if (menu.getEntry (i)->getTitle () == title.c_str ())
        {
            const CCoord row = std::ceil (12.0 + 8.0);
            p = CPoint (box->getViewSize ().left + 40, box->getViewSize ().top + 1 + row * i + row / 2);
            return true;
        }
    return false;
}

std::vector<float> allValues (VstPlugin& plugin)
{
    std::vector<float> values;
    for (int t = 0; t < 256; ++t)
        values.push_back (plugin.getParameter (t));
    return values;
}

// True when no client holds a pointer grab: another client can take one.
bool pointerFree ()
{
    xcb_connection_t* c = xcb_connect (nullptr, nullptr);
    if (xcb_connection_has_error (c))
    {
        xcb_disconnect (c);
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator (xcb_get_setup (c)).data->root;
    auto* reply = xcb_grab_pointer_reply (c,
                                          xcb_grab_pointer (c, 0, root, XCB_EVENT_MASK_BUTTON_PRESS,
                                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_WINDOW_NONE,
                                                            XCB_CURSOR_NONE, XCB_CURRENT_TIME),
                                          nullptr);
    const bool free = reply != nullptr && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free (reply);
    xcb_ungrab_pointer (c, XCB_CURRENT_TIME);
    xcb_flush (c);
    xcb_disconnect (c);
    return free;
}

class EditorMenus : public MainScreen
{
protected:
    void SetUp () override
    {
        MainScreen::SetUp ();
        morlake::EditorMenus::setMenuShownHook ([this] (COptionMenu& menu, CFrame&) { shown = &menu; });
    }
    void TearDown () override { morlake::EditorMenus::setMenuShownHook (nullptr); }
    bool menuOpen () { return f.editor ().getFrame ()->getModalView () != nullptr; }
    // Opens a menu with `click` and idles until it shows.
    void open (const std::string& click)
    {
        shown = nullptr;
        ASSERT_TRUE (xdo (click));
        ASSERT_TRUE (idleUntil (f, [this] { return menuOpen (); })) << click;
        f.idleFor (200, 10);
    }
    // Points at row `title` of the context or settings menu showing, then clicks it.
    void pick (const std::string& title)
    {
        CPoint row;
        ASSERT_NE (shown, nullptr);
        ASSERT_TRUE (rowCentre (*f.editor ().getFrame (), *shown, title, row)) << title;
        ASSERT_TRUE (xdo (pointerTo (row)));
        f.idleFor (300, 10);
        ASSERT_TRUE (xdo ("click 1"));
        idleUntil (f, [this] { return ! menuOpen (); });
        f.idleFor (200, 10);
    }
    void escape (const std::string& keys = "Escape")
    {
        ASSERT_TRUE (xdo ("key --delay 150 " + keys));
        idleUntil (
            f, [this] { return ! menuOpen (); }, 1500);
        if (menuOpen ())
        {
            ADD_FAILURE () << "Escape left the menu open";
            xdo (pointerTo (CPoint (5, 700)) + " click 1");
        }
        f.idleFor (300, 10);
    }
    COptionMenu* shown = nullptr;
};

TEST_F (EditorMenus, TheHostIdlesAndTheMetersMoveWhileAMenuShows)
{
    const CPoint room = knob (tag::ReverbRoomSize)->getViewSize ().getCenter ();
    open (pointerTo (room) + " click 3");
    ASSERT_TRUE (f.editor ().isMenuShowing ());
    const uint64_t passes = EditorProbe (f.editor ()).idlePasses ();
    f.process (0.0f, 4096);
    f.idleFor (200, 10);
    const int quiet = EditorProbe (f.editor ()).getMeter (0)->getCut ();
    for (int i = 0; i < 20; ++i)
    {
        f.process (0.9f, 512);
        f.idleFor (10, 5);
    }
    EXPECT_GT (EditorProbe (f.editor ()).idlePasses (), passes + 3) << "idle passes ran while the menu showed";
    EXPECT_LT (EditorProbe (f.editor ()).getMeter (0)->getCut (), quiet) << "the meters moved behind the menu";
    EXPECT_TRUE (menuOpen ());
    EXPECT_TRUE (pointerFree ()) << "the host's windows take clicks while the menu shows";
    escape ();
    EXPECT_FALSE (f.editor ().isMenuShowing ());

    // An option menu too.
    const CPoint type = EditorProbe (f.editor ()).menuFor (tag::ReverbPreset)->getViewSize ().getCenter ();
    open (pointerTo (type) + " click 1");
    EXPECT_TRUE (pointerFree ());
    escape ();
}

TEST_F (EditorMenus, SettingsMenuOpensFromItsButtonAndStoresTheChoice)
{
    saveBoolToPrefs (PREF_TOOL_TIP, true);
    open (pointerTo (centre (layout::kControlMenuButton)) + " click 1");
    ASSERT_NE (shown, nullptr);
    std::vector<std::string> titles;
    for (int32_t i = 0; i < shown->getNbEntries (); ++i)
        titles.emplace_back (shown->getEntry (i)->getTitle ().getString ());
    for (const char* entry :
         {"Control Menu", "Set to 150% Screen Size", "Tool-Tips: On", "Set MIDI Input Channel",
          "External MIDI Capture Mode: On", "Reset Everything", "About Morlake", "Goto Aldermoor Website"})
        EXPECT_NE (std::find (titles.begin (), titles.end (), entry), titles.end ()) << entry;
    for (int32_t i = 0; i < shown->getNbEntries (); ++i)
        if (shown->getEntry (i)->getTitle () == "Set to 100% Screen Size")
        {
            EXPECT_TRUE (shown->getEntry (i)->isChecked ()) << "the current size is marked";
        }
    pick ("Tool-Tips: On");
    // A new instance reads the switch from the preferences.
    EXPECT_FALSE (getRegisterIsOn (PREF_TOOL_TIP, true));
    saveBoolToPrefs (PREF_TOOL_TIP, true);
    EXPECT_TRUE (pointerFree ());
}

TEST_F (EditorMenus, EscapeAtAnyDepthChangesNothingAndLeavesNoGrab)
{
    const TOptionMenu* destinations = EditorProbe (f.editor ()).menuFor (tag::FollowerDest);
    ASSERT_NE (destinations, nullptr);
    int firstGroup = 0;
    while (firstGroup < destinations->getNbEntries () && destinations->getEntry (firstGroup)->getSubmenu () == nullptr)
        ++firstGroup;
    const CPoint menuAt = destinations->getViewSize ().getCenter ();
    std::string downs;
    for (int i = 0; i <= firstGroup; ++i)
        downs += " Down";
    const CPoint room = knob (tag::ReverbRoomSize)->getViewSize ().getCenter ();

    struct Case
    {
        const char* name;
        std::string click; // opens the menu
        const char* hover; // a submenu's row to rest on first, or null
        std::string keys;  // then
    };
    const Case cases[] = {
        {"context menu", pointerTo (room) + " click 3", nullptr, "Escape"},
        {"context submenu Disrupt", pointerTo (room) + " click 3", "Modulate by Disrupt", "Escape"},
        {"context submenu MIDI", pointerTo (room) + " click 3", "Modulate by MIDI Source", "Escape"},
        {"context submenu entered", pointerTo (room) + " click 3", "Modulate by Disrupt", "Right Down Escape"},
        {"settings menu", pointerTo (centre (layout::kControlMenuButton)) + " click 1", nullptr, "Escape"},
        {"option menu", pointerTo (menuAt) + " click 1", nullptr, "Escape"},
        {"option submenu", pointerTo (menuAt) + " click 1", nullptr, downs + " Right Down Escape"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.name);
        const std::vector<float> before = allValues (*f.plugin);
        const bool edited = f.plugin->instance ().getEditChanged ();
        open (c.click);
        if (c.hover != nullptr)
        {
            CPoint row;
            ASSERT_TRUE (shown != nullptr && rowCentre (*f.editor ().getFrame (), *shown, c.hover, row));
            ASSERT_TRUE (xdo (pointerTo (row)));
            f.idleFor (400, 10);
        }
        escape (c.keys);
        EXPECT_EQ (allValues (*f.plugin), before);
        EXPECT_EQ (f.plugin->instance ().getEditChanged (), edited);
        EXPECT_FALSE (menuOpen ()) << "a menu stayed open";
        EXPECT_TRUE (pointerFree ()) << "a pointer grab outlived the menu";
    }
}

TEST_F (EditorMenus, ClosingTheEditorUnderAMenuDropsIt)
{
    open (pointerTo (knob (tag::ReverbLength)->getViewSize ().getCenter ()) + " click 3");
    f.close ();
    EXPECT_FALSE (f.plugin->instance ().isEditorOpen ());
    EXPECT_TRUE (pointerFree ());
    ASSERT_TRUE (f.open ());
    f.showMainScreen ();
    f.idleFor (300, 10);
    EXPECT_FALSE (menuOpen ());
}

TEST_F (EditorMenus, RightClickMenusActOnTheirParameterAndNeverAsALeftClick)
{
    struct Case
    {
        CControl* control;
        const char* entry; // null: Escape
        float expected;    // < 0: unchanged
    };
    TKnob* room = knob (tag::ReverbRoomSize);
    TOnOff* onOffControl = EditorProbe (f.editor ()).getMainOnOff (0);
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
        open (pointerTo (c.control->getViewSize ().getCenter ()) + " click 3");
        c.entry != nullptr ? pick (c.entry) : escape ();
        EXPECT_FLOAT_EQ (f.plugin->getParameter (t), c.expected < 0.0f ? before : c.expected);
        EXPECT_TRUE (pointerFree ());
    }
}

TEST_F (EditorMenus, LatchToMidiShowsThatItWaits)
{
    const CPoint room = knob (tag::ReverbRoomSize)->getViewSize ().getCenter ();
    open (pointerTo (room) + " click 3");
    pick ("Latch to MIDI");
    EXPECT_EQ (f.plugin->instance ().pendingLearnTag (), tag::ReverbRoomSize);
    open (pointerTo (room) + " click 3");
    ASSERT_NE (shown, nullptr);
    std::vector<std::string> titles;
    for (int32_t i = 0; i < shown->getNbEntries (); ++i)
        titles.emplace_back (shown->getEntry (i)->getTitle ().getString ());
    EXPECT_NE (std::find (titles.begin (), titles.end (), "Waiting for a MIDI Controller"), titles.end ());
    EXPECT_EQ (std::find (titles.begin (), titles.end (), "Not Latched"), titles.end ());
    pick ("Unlatch MIDI");
}

// Every option menu shows its current choice checked, down its submenus.
TEST_F (EditorMenus, OptionMenusMarkTheCurrentChoice)
{
    f.plugin->instance ().setDemoProgram (37);
    f.plugin->instance ().setSteppedValue (tag::FollowerDest, DESTINATION_GROUPS[2].first + 3);
    f.idleFor (100, 10);
    uEditor& e = f.editor ();
    struct Case
    {
        const char* name;
        TOptionMenu* menu;
        int group; // checked entry of the menu
        int entry; // checked entry of that entry's submenu
    };
    const Case cases[] = {
        {"preset", EditorProbe (e).getPresetMenu (), 37 / 32, 37 % 32},
        {"follower destination", EditorProbe (e).menuFor (tag::FollowerDest), 3, 3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.name);
        ASSERT_NE (c.menu, nullptr);
        const CPoint at = c.menu->getViewSize ().getCenter ();
        open (pointerTo (CPoint (at.x - 20, at.y)) + " click 1");
        for (int32_t i = 0; i < c.menu->getNbEntries (); ++i)
            EXPECT_EQ (c.menu->getEntry (i)->isChecked (), i == c.group) << i;
        COptionMenu* sub = c.menu->getEntry (c.group)->getSubmenu ();
        ASSERT_NE (sub, nullptr);
        for (int32_t i = 0; i < sub->getNbEntries (); ++i)
            EXPECT_EQ (sub->getEntry (i)->isChecked (), i == c.entry) << i;
        escape ();
    }
}

// A choice made in an option menu with the keyboard, at the top level or
// down a group's submenu, acts by the entry's place: a step of the list, or
// the preset menu's command.
TEST_F (EditorMenus, OptionMenuChoicesActByTheirPlace)
{
    VstPlugin& p = *f.plugin;
    p.instance ().setDemoProgram (5);
    f.idleFor (100, 10);
    const EditorProbe probe (f.editor ());
    // The first Down of a menu selects its first entry.
    auto keys = [] (int downs, int subDowns) {
        std::string k;
        for (int i = 0; i < downs; ++i)
            k += " Down";
        if (subDowns >= 0)
        {
            k += " Right";
            for (int i = 0; i <= subDowns; ++i)
                k += " Down";
        }
        return k + " Return";
    };
    struct Case
    {
        const char* name;
        TOptionMenu* menu;
        std::string keys;
        std::function<bool ()> done;
    };
    const ListGroup& dest = DESTINATION_GROUPS[1];
    const ListGroup& src = SOURCE_GROUPS[1];
    const Case cases[] = {
        {"follower destination in group 1", probe.menuFor (tag::FollowerDest), keys (3, 2),
         [&] { return p.instance ().getSteppedValue (tag::FollowerDest) == dest.first + 2; }},
        {"follower destination, first entry", probe.menuFor (tag::FollowerDest), keys (1, -1),
         [&] { return p.instance ().getSteppedValue (tag::FollowerDest) == 0; }},
        {"slot source in group 1", probe.getSlotSourceMenu (0), keys (3, 1),
         [&] { return p.instance ().getSteppedValue (tag::ModSlot1Source) == src.first + 1; }},
        {"preset: Revert to Original Preset", probe.getPresetMenu (), keys (10, -1),
         [&] { return ! p.instance ().getEditChanged () && p.instance ().getFactoryIndex () == 5; }},
        {"preset: Default Preset", probe.getPresetMenu (), keys (9, -1),
         [&] {
             return p.instance ().getParameter (tag::ReverbRoomSize) ==
                    p.instance ().table ().getDefault (tag::ReverbRoomSize);
         }},
    };
    float edit = 0.01f;
    for (const Case& c : cases)
    {
        SCOPED_TRACE (c.name);
        ASSERT_NE (c.menu, nullptr);
        p.instance ().editParameter (tag::ReverbRoomSize, edit += 0.1f);
        ASSERT_TRUE (p.instance ().getEditChanged ());
        f.idleFor (100, 10);
        CPoint at = c.menu->getViewSize ().getCenter ();
        c.menu->localToFrame (at);
        open (pointerTo (CPoint (at.x - 20, at.y)) + " click 1");
        ASSERT_TRUE (xdo ("key --delay 120" + c.keys));
        EXPECT_TRUE (idleUntil (f, c.done));
        EXPECT_FALSE (menuOpen ());
        f.idleFor (200, 10);
    }
}

// A recording host: whatever the user does, begin and end edit come only
// for parameters 0 to 255, and in pairs.
TEST_F (EditorMenus, EditGesturesReachTheHostOnlyForParametersAndInPairs)
{
    const CPoint room = knob (tag::ReverbRoomSize)->getViewSize ().getCenter ();
    const CPoint preset (layout::kPresetMenu.x + 60, layout::kPresetMenu.y + 10);
    hostGestures ().clear ();
    xdo (pointerTo (room) + " mousedown 1 mousemove_relative 0 -30 mouseup 1");
    f.idleFor (200, 10);
    open (pointerTo (room) + " click 3");
    escape ();
    open (pointerTo (preset) + " click 1");
    escape ();
    open (pointerTo (centre (layout::kControlMenuButton)) + " click 1");
    escape ();
    xdo (pointerTo (CPoint (layout::kEditedPreset.x + 20, layout::kEditedPreset.y + 8)) + " click 1");
    f.idleFor (200, 10);
    f.editor ().setNumValue (tag::WetDry);
    answerDialog (f, [] (MessageDialog& d) {
        d.setFieldText ("10");
        d.pressOk ();
    });
    // A drag still under way when the editor closes is ended for the host.
    xdo (pointerTo (room) + " mousedown 1 mousemove_relative 0 -20");
    f.idleFor (200, 10);
    f.close ();
    xdo ("mouseup 1");

    std::map<int, int> open;
    bool sawRoom = false;
    for (const auto& [opcode, index] : hostGestures ())
    {
        EXPECT_TRUE (index >= 0 && index < 256) << index;
        sawRoom = sawRoom || index == tag::ReverbRoomSize;
        if (opcode == vst::audioMasterBeginEdit)
            EXPECT_EQ (open[index]++, 0) << "nested begin for " << index;
        else
            EXPECT_EQ (open[index]--, 1) << "end without begin for " << index;
    }
    EXPECT_TRUE (sawRoom) << "the drag reached the host";
    for (const auto& [index, count] : open)
        EXPECT_EQ (count, 0) << "gesture left open on " << index;
}

} // namespace
} // namespace morlake::test
