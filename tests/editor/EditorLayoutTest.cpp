// Every control of the three views at its scaled place, with its tag and art,
// lined up with where the artwork draws its wells and fields.
#include "tests/editor/EditorTestSupport.h"

#include "artwork/ArtworkLayout.h"
#include "editor/Layout.h"
#include "params/NameLists.h"

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

TEST_P (MainScreenLayout, KnobsSitOnTheirWellsWithTheirTagsAndFilmStrips)
{
    const int s = GetParam ();
    ASSERT_EQ (std::size (layout::kMainKnobs), std::size (artwork::kMainKnobs));
    for (std::size_t i = 0; i < std::size (layout::kMainKnobs); ++i)
    {
        const auto& k = layout::kMainKnobs[i];
        const auto& art = artwork::kMainKnobs[i];
        SCOPED_TRACE ("tag " + std::to_string (k.tag));
        ASSERT_EQ (k.tag, art.tag);
        auto* knob = findByTag<TKnob> (frame, k.tag);
        ASSERT_NE (knob, nullptr);
        const CRect& r = knob->getViewSize ();
        const int dx = s == 0 ? 0 : k.nudge.dx[s - 1];
        const int dy = s == 0 ? 0 : k.nudge.dy[s - 1];
        EXPECT_EQ (r.left, sc (k.x, s) - sc (20, s) / 2 + dx);
        EXPECT_EQ (r.top, sc (k.y, s) + dy);
        // The image is drawn 10 pixels in: exactly where the background's well is.
        EXPECT_EQ (r.left + 10, artwork::knobImageLeft (art.x, art.nudge, s));
        EXPECT_EQ (r.top, artwork::knobImageTop (art.y, art.nudge, s));
        EXPECT_EQ (resourceId (knob->getBackground ()), kBmpKnobByType[k.type] + 1000 * s);
        EXPECT_EQ (resourceId (knob->getRingStrip ()), kBmpRingByType[k.type] + 1000 * s);
        const int images = layout::KNOBS_IN_FILM[k.type];
        EXPECT_EQ (knob->getImageHeight (), std::trunc (knob->getRingStrip ()->getHeight () / images));
        EXPECT_EQ (knob->getImageHeight (), sc (artwork::kKnobTypes[k.type].size, s));
        EXPECT_EQ (r.getWidth (), knob->getBackground ()->getWidth () + sc (20, s));
        EXPECT_EQ (r.getHeight (), knob->getImageHeight () + static_cast<int> (24 * SCALE[s]));
        if (k.tag < tag::Disrupt1Amount || k.tag > tag::Disrupt1Amount + 7)
        {
            EXPECT_EQ (knob->getLabel (), std::string (*k.label != '\0' ? k.label : " "));
        }
    }
}

TEST_P (MainScreenLayout, SwitchesMetersMenusAndSliderAreWhereTheArtworkExpectsThem)
{
    const int s = GetParam ();
    for (const auto& o : layout::kMainOnOffs)
    {
        SCOPED_TRACE ("on/off " + std::to_string (o.tag));
        auto* b = findByTag<TOnOff> (frame, o.tag);
        ASSERT_NE (b, nullptr);
        EXPECT_EQ (b->getViewSize ().left, sc (o.x, s));
        EXPECT_EQ (b->getViewSize ().top, sc (o.y, s));
        EXPECT_EQ (resourceId (b->getBackground ()), o.bitmap + 1000 * s);
        EXPECT_EQ (b->getViewSize ().getHeight (), b->getBackground ()->getHeight () / 2);
    }
    // The same buttons as the artwork places.
    std::size_t onOffs = 0;
    for (const auto& art : artwork::kMainButtons)
        if (art.kind == artwork::ButtonKind::OnOff)
        {
            const auto& o = layout::kMainOnOffs[onOffs++];
            EXPECT_EQ (o.x, art.x);
            EXPECT_EQ (o.y, art.y);
            EXPECT_EQ (o.bitmap, art.id);
        }
    EXPECT_EQ (onOffs, std::size (layout::kMainOnOffs));

    for (int i = 0; i < 6; ++i)
    {
        TVU* meter = f->editor ().getMeter (i);
        ASSERT_NE (meter, nullptr);
        EXPECT_EQ (meter->getParentView (), frame);
        EXPECT_EQ (meter->getViewSize ().left, sc (artwork::kMeters[i].x, s));
        EXPECT_EQ (meter->getViewSize ().top, sc (artwork::kMeters[i].y, s));
        EXPECT_EQ (meter->getViewSize ().getHeight (), sc (artwork::kMeterHeight, s));
    }

    const std::pair<int, int> menus[] = {{tag::ReverbPreset, 0}, {tag::DisruptSpringTime, 1}, {tag::DisruptQuantization, 2},
                                         {tag::LazyMode, 3},     {tag::LazyTrigger, 4},       {tag::FollowerSource, 5},
                                         {tag::FollowerDest, 6}};
    for (auto [t, artIndex] : menus)
    {
        SCOPED_TRACE ("menu " + std::to_string (t));
        auto* m = findByTag<TOptionMenu> (frame, t);
        ASSERT_NE (m, nullptr);
        const auto& art = artwork::kMainMenus[artIndex];
        EXPECT_EQ (m->getViewSize ().left, sc (art.x, s));
        EXPECT_EQ (m->getViewSize ().top, sc (art.y, s));
        EXPECT_EQ (m->getViewSize ().getWidth (), sc (art.width, s));
        EXPECT_EQ (m->getViewSize ().getHeight (), layout::MENU_HEIGHT[s]);
    }
    EXPECT_TRUE (findByTag<TOptionMenu> (frame, tag::ReverbPreset)->hasArrows ());

    THorizontalSlider* slider = f->editor ().getDisruptSlider ();
    ASSERT_NE (slider, nullptr);
    EXPECT_EQ (slider->getTag (), tag::DisruptValue);
    EXPECT_EQ (slider->getViewSize ().left, sc (artwork::kSliderX, s));
    EXPECT_EQ (slider->getViewSize ().top, sc (artwork::kSliderY, s));
    EXPECT_EQ (slider->getViewSize ().getWidth (), layout::SLIDER_WIDTH[s]);
    EXPECT_EQ (slider->getHandleWidth (), sc (artwork::kSliderHandleWidth, s));
    EXPECT_EQ (slider->getViewSize ().getHeight (), sc (artwork::kSliderHeight, s));

    TOptionMenu* preset = f->editor ().getPresetMenu ();
    EXPECT_EQ (preset->getViewSize ().left, sc (97, s));
    EXPECT_EQ (preset->getViewSize ().getWidth (), sc (213, s));
    EXPECT_TRUE (preset->isPresetMenu ());
    EXPECT_TRUE (f->editor ().getFolderMenu ()->isFolderMenu ());
    EXPECT_EQ (f->editor ().getFolderMenu ()->getString (), "Introduction Bank");
    EXPECT_EQ (f->editor ().getEcsMenu ()->getTag (), 9998);
    EXPECT_EQ (f->editor ().getEcsMenu ()->getNbEntries (), 3);

    CKickButton* help = f->editor ().getNamedButton ("Open Help");
    ASSERT_NE (help, nullptr);
    EXPECT_EQ (help->getViewSize ().left, sc (410, s));
    EXPECT_EQ (resourceId (help->getBackground ()), kBmpOpenHelp + 1000 * s);
    CKickButton* back = f->editor ().getNamedButton ("Show Back Screen");
    ASSERT_NE (back, nullptr);
    EXPECT_EQ (back->getViewSize ().getWidth (), sc (355, s));
    EXPECT_EQ (back->getBackground (), nullptr);
    EXPECT_EQ (f->editor ().getNamedButton ("Control Menu")->getViewSize ().left, sc (1058, s));
}

TEST_P (MainScreenLayout, EveryRegisteredControlIsOnScreenOnce)
{
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

TEST_P (MainScreenLayout, ModulationPanelShowsTheSelectedSlot)
{
    const int s = GetParam ();
    CViewContainer* panel = f->editor ().getPanel ();
    ASSERT_NE (panel, nullptr);
    EXPECT_EQ (panel->getViewSize ().left, sc (695, s));
    EXPECT_EQ (panel->getViewSize ().top, sc (600, s));
    EXPECT_EQ (resourceId (panel->getBackground ()), kBmpModPanelBackground + 1000 * s);
    EXPECT_EQ (panel->getViewSize ().getWidth (), sc (artwork::kModPanelWidth, s));
    auto slotTags = [&] {
        std::set<int> tags;
        for (CView* v : children (panel))
            if (auto* c = dynamic_cast<CControl*> (v))
                tags.insert (c->getTag ());
        return tags;
    };
    EXPECT_EQ (slotTags (), (std::set<int> {72, 73, 74}));
    auto* src = findByTag<TOptionMenu> (panel, 73);
    EXPECT_EQ (src->getViewSize ().left, sc (3, s));
    EXPECT_EQ (src->getViewSize ().getWidth (), sc (124, s));
    EXPECT_EQ (findByTag<TOptionMenu> (panel, 74)->getViewSize ().left, sc (229, s));

    f->editor ().getRadio (2, 1)->setValue (1.0f);
    f->editor ().valueChanged (f->editor ().getRadio (2, 1));
    f->idlePass ();
    EXPECT_EQ (f->editor ().getSelectedSlot (), 1);
    EXPECT_EQ (slotTags (), (std::set<int> {75, 76, 77}));
    EXPECT_EQ (f->editor ().getRadio (2, 0)->getValue (), 0.0f);
}

INSTANTIATE_TEST_SUITE_P (AllSizes, MainScreenLayout, ::testing::Values (0, 1, 2, 3));

TEST (EditorLayout, PresetMenuHoldsTheFactoryBanksAndCommands)
{
    REQUIRE_X ();
    EditorFixture f;
    ASSERT_TRUE (f.open ());
    TOptionMenu* menu = f.editor ().getPresetMenu ();
    ASSERT_EQ (menu->getNbEntries (), 8 + 10);
    const char* banks[8] = {"Preset 1-32",    "Preset 33-64",   "Preset 65-96",   "Preset 97-128",
                            "Preset 129-160", "Preset 161-192", "Preset 193-224", "Preset 225-256"};
    for (int b = 0; b < 8; ++b)
    {
        CMenuItem* item = menu->getEntry (b);
        EXPECT_EQ (std::string (item->getTitle ()), banks[b]);
        ASSERT_NE (item->getSubmenu (), nullptr);
        EXPECT_EQ (item->getSubmenu ()->getNbEntries (), b == 0 ? 32 : (b == 1 ? 25 : 0));
    }
    EXPECT_EQ (std::string (menu->getEntry (0)->getSubmenu ()->getEntry (0)->getTitle ()), "1 to Morlake");
    const char* rest[10] = {"-", "Default Preset", "-", "Revert to Original Preset", "Revert to Edited Preset", "-",
                            "Set To 100% Screen", "Set To 125% Screen", "Set To 150% Screen", "Set To 200% Screen"};
    for (int i = 0; i < 10; ++i)
    {
        CMenuItem* item = menu->getEntry (8 + i);
        if (std::string (rest[i]) == "-")
            EXPECT_TRUE (item->isSeparator ());
        else
            EXPECT_EQ (std::string (item->getTitle ()), rest[i]);
    }
}

TEST (EditorLayout, DestinationAndSourceMenusGroupTheLists)
{
    REQUIRE_X ();
    EditorFixture f;
    ASSERT_TRUE (f.open ());
    TOptionMenu* dest = f.editor ().getMainMenu (6);
    ASSERT_EQ (dest->getTag (), tag::FollowerDest);
    ASSERT_EQ (dest->getNbEntries (), 6);
    EXPECT_EQ (std::string (dest->getEntry (0)->getTitle ()), "None");
    const char* titles[5] = {"Volume/Pan", "Delays", "Reverb", "Disrupt/Lazy", "Follower/Modulation"};
    const int counts[5] = {9, 15, 11, 15, 6};
    int next = 1;
    for (int g = 0; g < 5; ++g)
    {
        CMenuItem* item = dest->getEntry (g + 1);
        EXPECT_EQ (std::string (item->getTitle ()), titles[g]);
        ASSERT_EQ (item->getSubmenu ()->getNbEntries (), counts[g]);
        for (int i = 0; i < counts[g]; ++i)
            EXPECT_EQ (std::string (item->getSubmenu ()->getEntry (i)->getTitle ()), std::string (DEST_STR[next++]));
    }
    EXPECT_EQ (next, kNumDestinations);

    TOptionMenu* src = f.editor ().getSlotSourceMenu (0);
    ASSERT_EQ (src->getNbEntries (), 3);
    EXPECT_EQ (std::string (src->getEntry (1)->getTitle ()), "MIDI Sources");
    EXPECT_EQ (src->getEntry (1)->getSubmenu ()->getNbEntries (), 31);
    EXPECT_EQ (std::string (src->getEntry (2)->getTitle ()), "Modulation Sources");
    EXPECT_EQ (src->getEntry (2)->getSubmenu ()->getNbEntries (), 15);
}

TEST (EditorLayout, BackScreenControlsAndVersion)
{
    REQUIRE_X ();
    setScreenSizePreference (2);
    EditorFixture f;
    ASSERT_TRUE (f.open ());
    const int s = 2;
    CFrame* frame = f.editor ().getFrame ();
    EXPECT_EQ (resourceId (frame->getBackground ()), kBmpBackBackground + 1000 * s);
    const int ys[5] = {442, 482, 522, 562, 642};
    for (int i = 0; i < 5; ++i)
    {
        TOnOff* sw = f.editor ().getBackSwitch (i);
        ASSERT_NE (sw, nullptr);
        EXPECT_EQ (sw->getParentView (), frame);
        EXPECT_EQ (sw->getViewSize ().left, sc (120, s));
        EXPECT_EQ (sw->getViewSize ().top, sc (ys[i], s));
        EXPECT_EQ (sw->getTag (), 9999);
        EXPECT_EQ (sw->getValue (), 1.0f) << "default on";
    }
    for (int i = 0; i < 4; ++i)
    {
        TOnOff* sw = f.editor ().getScreenSwitch (i);
        EXPECT_EQ (sw->getViewSize ().left, sc (607, s));
        EXPECT_EQ (sw->getViewSize ().top, sc (ys[i], s));
        EXPECT_EQ (sw->getValue (), i == s ? 1.0f : 0.0f);
    }
    TOptionMenu* channel = f.editor ().getChannelMenu ();
    EXPECT_EQ (channel->getViewSize ().top, sc (603, s) + 5);
    EXPECT_EQ (channel->getViewSize ().getHeight (), 19);
    ASSERT_EQ (channel->getNbEntries (), 17);
    EXPECT_EQ (std::string (channel->getEntry (0)->getTitle ()), "Omni");
    EXPECT_EQ (std::string (channel->getEntry (5)->getTitle ()), "CH 05");
    EXPECT_EQ (std::string (channel->getEntry (16)->getTitle ()), "CH 16");
    EXPECT_EQ (channel->getString (), "Omni");
    EXPECT_EQ (f.editor ().getVersionText ()->getString (), "Morlake - Linux VST x86 64Bits :  Version 1.0.0");
}

TEST (EditorLayout, ScalingRule)
{
    REQUIRE_X ();
    setScreenSizePreference (3);
    EditorFixture f;
    // At 200 % a knob declared at x = 100, width 20, starts at 180 plus its correction.
    EXPECT_EQ (f.editor ().getScaled (100) - f.editor ().getScaled (20) / 2, 180);
    EXPECT_EQ (f.editor ().getScaled (7, 1, 2, 3), 17);
    EXPECT_FLOAT_EQ (f.editor ().getScaled (7.25f, 1, 2, 3), 17.5f);
    EXPECT_EQ (f.editor ().getScaledBitmap (10020), 13020);
    setScreenSizePreference (1);
    EditorFixture g;
    EXPECT_EQ (g.editor ().getScaled (101), 126);
    EXPECT_EQ (g.editor ().getScaled (101, 4, 5, 6), 130);
}

} // namespace
} // namespace morlake::test
