// The knobs and switches of the main view at every screen size lined up with
// where the artwork draws their wells; the menus' fixed contents; the back
// screen.
#include "tests/editor/EditorTestSupport.h"

#include "artwork/ArtworkLayout.h"
#include "layout/Layout.h"
#include "params/NameLists.h"

#include "vstgui/lib/coffscreencontext.h"
#include "vstgui/lib/controls/cbuttons.h"

#include <set>

namespace morlake::test {
namespace {

using namespace VSTGUI;

int sc (int v, int s) { return static_cast<int> (static_cast<float> (v) * SCALE[s]); }

int resourceId (const CBitmap* b)
{
    return b != nullptr && b->getResourceDescription ().type == CResourceDescription::kIntegerType
               ? static_cast<int> (b->getResourceDescription ().u.id)
               : -1;
}

std::vector<CView*> children (CViewContainer* c)
{
    std::vector<CView*> views;
    c->forEachChild ([&] (CView* v) { views.push_back (v); });
    return views;
}

template <typename T>
T* findByTag (CViewContainer* c, int tag)
{
    for (CView* v : children (c))
        if (auto* t = dynamic_cast<T*> (v); t != nullptr && t->getTag () == tag)
            return t;
    return nullptr;
}

std::vector<std::string> titles (COptionMenu* menu)
{
    std::vector<std::string> out;
    for (int i = 0; i < menu->getNbEntries (); ++i)
        out.push_back (menu->getEntry (i)->isSeparator () ? "-" : menu->getEntry (i)->getTitle ().getString ());
    return out;
}

class MainScreenLayout : public ::testing::TestWithParam<int>
{
protected:
    void SetUp () override
    {
        REQUIRE_X ();
        setScreenSizePreference (GetParam ());
        f = std::make_unique<EditorFixture> ();
        ASSERT_TRUE (f->open ());
        f->showMainScreen ();
        frame = f->editor ().getFrame ();
        ASSERT_NE (frame, nullptr);
    }
    std::unique_ptr<EditorFixture> f;
    CFrame* frame = nullptr;
};

TEST_P (MainScreenLayout, ControlsSitWhereTheArtworkDrawsThem)
{
    const int s = GetParam ();
    for (const auto& art : artwork::kMainKnobs)
    {
        SCOPED_TRACE ("knob " + std::to_string (art.tag));
        auto* knob = findByTag<TKnob> (frame, art.tag);
        ASSERT_NE (knob, nullptr);
        // The image is drawn 10 pixels in: exactly where the background's well is.
        EXPECT_EQ (knob->getViewSize ().left + 10, artwork::knobImageLeft (art.x, art.nudge, s));
        EXPECT_EQ (knob->getViewSize ().top, artwork::knobImageTop (art.y, art.nudge, s));
        EXPECT_EQ (knob->getImageHeight (), sc (artwork::kKnobTypes[art.type].size, s));
        EXPECT_EQ (resourceId (knob->getBackground ()), kBmpKnobByType[art.type] + 1000 * s);
        EXPECT_EQ (resourceId (knob->getRingStrip ()), kBmpRingByType[art.type] + 1000 * s);
    }
    for (const auto& art : artwork::kMainButtons)
    {
        if (art.kind != artwork::ButtonKind::OnOff)
            continue;
        SCOPED_TRACE ("button at " + std::to_string (art.x));
        const auto* o = std::find_if (std::begin (layout::kMainOnOffs), std::end (layout::kMainOnOffs),
                                      [&] (const auto& l) { return l.x == art.x && l.y == art.y; });
        ASSERT_NE (o, std::end (layout::kMainOnOffs));
        auto* b = findByTag<TOnOff> (frame, o->tag);
        ASSERT_NE (b, nullptr);
        EXPECT_EQ (b->getViewSize ().left, sc (art.x, s));
        EXPECT_EQ (b->getViewSize ().top, sc (art.y, s));
        EXPECT_EQ (resourceId (b->getBackground ()), art.id + 1000 * s);
        EXPECT_EQ (b->getViewSize ().getHeight (), b->getBackground ()->getHeight () / 2);
    }
    // Every view inside the frame, once; the counts of each kind.
    std::set<CView*> seen;
    int knobs = 0, onOffs = 0, radios = 0;
    for (CView* v : children (frame))
    {
        EXPECT_TRUE (seen.insert (v).second);
        knobs += dynamic_cast<TKnob*> (v) != nullptr;
        onOffs += dynamic_cast<TOnOff*> (v) != nullptr;
        radios += dynamic_cast<TRadioButton*> (v) != nullptr;
        EXPECT_TRUE (frame->getViewSize ().rectInside (v->getViewSize ())) << "view outside the frame";
    }
    EXPECT_EQ (knobs, 32);
    EXPECT_EQ (onOffs, 20);
    EXPECT_EQ (radios, 6);
    // Stepping a radio pair with the wheel adds nothing twice.
    f->editor ().changeRadioDelta (0);
    f->editor ().changeRadioDelta (0);
    EXPECT_EQ (children (frame).size (), seen.size ());
}

// Texts grow with the artwork, every knob's texts fit between its edges,
// and a tooltip stays whole inside the editor.
TEST_P (MainScreenLayout, TextsScaleWithTheArtAndFit)
{
    const int s = GetParam ();
    EXPECT_DOUBLE_EQ (fontForSize (s)->getSize (), 11.0 * SCALE[s]);
    auto measure = COffscreenContext::create (frame, 1, 1);
    ASSERT_TRUE (measure);
    for (const auto& art : artwork::kMainKnobs)
    {
        auto* knob = findByTag<TKnob> (frame, art.tag);
        ASSERT_NE (knob, nullptr);
        measure->setFont (fontForSize (s), 0, kBoldFace);
        const CCoord width = measure->getStringWidth (art.label);
        // Narrowed as far as 70 % where a label is wider than its knob.
        EXPECT_LE (0.7 * width, knob->getViewSize ().getWidth ()) << art.label;
    }
    TTooltip tip (SCALE[s]);
    const CRect bounds = frame->getViewSize ();
    for (const CPoint& at :
         {CPoint (bounds.right - 3, 40), CPoint (bounds.right - 3, bounds.bottom - 3), CPoint (2, 2)})
    {
        tip.setText ("Reverb Room Size: 561 m^3 and a little more text", at, bounds, frame);
        EXPECT_GE (tip.getViewSize ().left, bounds.left);
        EXPECT_LE (tip.getViewSize ().right, bounds.right - 1);
        EXPECT_LE (tip.getViewSize ().bottom, bounds.bottom);
    }
}

INSTANTIATE_TEST_SUITE_P (AllSizes, MainScreenLayout, ::testing::Values (0, 1, 2, 3));

TEST (EditorLayout, ModulationPanelShowsTheSelectedSlot)
{
    REQUIRE_X ();
    EditorFixture f;
    ASSERT_TRUE (f.open ());
    f.showMainScreen ();
    auto slotTags = [&] {
        std::set<int> tags;
        for (CView* v : children (EditorProbe (f.editor ()).getPanel ()))
            if (auto* c = dynamic_cast<CControl*> (v))
                tags.insert (c->getTag ());
        return tags;
    };
    EXPECT_EQ (slotTags (), (std::set<int> {72, 73, 74}));
    EditorProbe (f.editor ()).getRadio (2, 1)->setValue (1.0f);
    f.editor ().valueChanged (EditorProbe (f.editor ()).getRadio (2, 1));
    f.idlePass ();
    EXPECT_EQ (EditorProbe (f.editor ()).getSelectedSlot (), 1);
    EXPECT_EQ (slotTags (), (std::set<int> {75, 76, 77}));
    EXPECT_EQ (EditorProbe (f.editor ()).getRadio (2, 0)->getValue (), 0.0f);
}

TEST (EditorLayout, MenusHoldTheirFixedEntries)
{
    REQUIRE_X ();
    EditorFixture f;
    ASSERT_TRUE (f.open ());
    f.showMainScreen ();
    TOptionMenu* preset = EditorProbe (f.editor ()).getPresetMenu ();
    EXPECT_EQ (titles (preset), (std::vector<std::string> {
                                    "Preset 1-32", "Preset 33-64", "Preset 65-96", "Preset 97-128", "Preset 129-160",
                                    "Preset 161-192", "Preset 193-224", "Preset 225-256", "-", "Default Preset", "-",
                                    "Revert to Original Preset", "Revert to Edited Preset", "-", "Set To 100% Screen",
                                    "Set To 125% Screen", "Set To 150% Screen", "Set To 200% Screen"}));
    for (int b = 0; b < 8; ++b)
        EXPECT_EQ (preset->getEntry (b)->getSubmenu ()->getNbEntries (), b == 0 ? 32 : (b == 1 ? 25 : 0));
    EXPECT_EQ (preset->getEntry (0)->getSubmenu ()->getEntry (0)->getTitle (), "1 to Morlake");
    EXPECT_EQ (EditorProbe (f.editor ()).getFolderMenu ()->getString (), "Introduction Bank");
    EXPECT_EQ (EditorProbe (f.editor ()).getEcsMenu ()->getTag (), 9998);
    EXPECT_EQ (EditorProbe (f.editor ()).getEcsMenu ()->getNbEntries (), 3);

    // Destinations in five groups, in the order of the list.
    TOptionMenu* dest = EditorProbe (f.editor ()).getMainMenu (6);
    ASSERT_EQ (dest->getTag (), tag::FollowerDest);
    EXPECT_EQ (titles (dest), (std::vector<std::string> {"None", "Volume/Pan", "Delays", "Reverb", "Disrupt/Lazy",
                                                         "Follower/Modulation"}));
    int next = 1;
    for (int g = 1; g <= 5; ++g)
        for (const std::string& title : titles (dest->getEntry (g)->getSubmenu ()))
            EXPECT_EQ (title, DEST_STR[next++]);
    EXPECT_EQ (next, kNumDestinations);
    TOptionMenu* src = EditorProbe (f.editor ()).getSlotSourceMenu (0);
    EXPECT_EQ (titles (src)[1], "MIDI Sources");
    EXPECT_EQ (src->getEntry (1)->getSubmenu ()->getNbEntries (), 31);
    EXPECT_EQ (titles (src)[2], "Modulation Sources");
    EXPECT_EQ (src->getEntry (2)->getSubmenu ()->getNbEntries (), 15);
}

TEST (EditorLayout, BackScreenControlsVersionAndScaling)
{
    REQUIRE_X ();
    setScreenSizePreference (2);
    EditorFixture f;
    ASSERT_TRUE (f.open ());
    const int s = 2;
    EXPECT_EQ (resourceId (f.editor ().getFrame ()->getBackground ()), kBmpBackBackground + 1000 * s);
    for (int i = 0; i < layout::kBackSwitchCount; ++i)
    {
        TOnOff* sw = EditorProbe (f.editor ()).getBackSwitch (i);
        EXPECT_EQ (sw->getTag (), 9999);
        EXPECT_EQ (sw->getValue (), 1.0f) << "default on";
        if (i < 4)
        {
            EXPECT_EQ (EditorProbe (f.editor ()).getScreenSwitch (i)->getValue (), i == s ? 1.0f : 0.0f);
        }
    }
    TOptionMenu* channel = EditorProbe (f.editor ()).getChannelMenu ();
    ASSERT_EQ (channel->getNbEntries (), 17);
    EXPECT_EQ (titles (channel)[0], "Omni");
    EXPECT_EQ (titles (channel)[5], "CH 05");
    EXPECT_EQ (titles (channel)[16], "CH 16");
    EXPECT_EQ (EditorProbe (f.editor ()).getVersionText ()->getString (),
               "Morlake - Linux VST x86 64Bits :  Version 1.0.0");
    // Scaling at 150 %: integer and fractional, with a correction per size.
    EXPECT_EQ (f.editor ().getScaled (101), 151);
    EXPECT_EQ (f.editor ().getScaled (7, 1, 2, 3), 12);
    EXPECT_EQ (f.editor ().getScaledBitmap (10020), 12020);
}

} // namespace
} // namespace morlake::test
