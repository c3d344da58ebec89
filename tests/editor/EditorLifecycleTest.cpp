// Opening, closing and sizing the editor in a host-style parent window.
#include "tests/editor/EditorTestSupport.h"

#include "editor/EditorFactory.h"
#include "editor/RunLoop.h"

#include <malloc.h>

namespace morlake::test {
namespace {

constexpr int kWidths[4] = {1100, 1375, 1650, 2200};
constexpr int kHeights[4] = {712, 890, 1068, 1424};

class EditorSizes : public ::testing::TestWithParam<int>
{};

TEST_P (EditorSizes, OpensWithTheScaledRectangleAndDrawsInAPlainParentWindow)
{
    REQUIRE_X ();
    const int size = GetParam ();
    setScreenSizePreference (size);
    EditorFixture f;

    vst::ERect* rect = nullptr;
    ASSERT_EQ (f.dispatch (vst::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE (rect, nullptr);
    EXPECT_EQ (rect->left, 0);
    EXPECT_EQ (rect->top, 0);
    EXPECT_EQ (rect->right, kWidths[size]);
    EXPECT_EQ (rect->bottom, kHeights[size]);

    ASSERT_TRUE (f.open ());
    EXPECT_TRUE (f.plugin->instance ().isEditorOpen ());
    EXPECT_FALSE (f.plugin->instance ().isEditorOpening ());
    EXPECT_EQ (f.editor ().getFrame ()->getViewSize ().getWidth (), kWidths[size]);
    EXPECT_EQ (f.editor ().getFrame ()->getViewSize ().getHeight (), kHeights[size]);
    // The parent never speaks XEmbed: the editor maps its window itself.
    EXPECT_TRUE (f.childShownWithin ());
    EXPECT_EQ (f.editor ().getCurrentScreen (), EditorScreens::kBackScreen) << "the back screen shows first";
    f.showMainScreen ();
    f.idleFor (200);
    std::vector<uint32_t> pixels;
    ASSERT_TRUE (f.window->capture (pixels));
    const int w = f.window->width (), h = f.window->height ();
    // The black parent is covered by the artwork everywhere we sample.
    int black = 0;
    for (int y = 0; y < h; y += 37)
        for (int x = 0; x < w; x += 41)
            black += (pixels[static_cast<std::size_t> (y * w + x)] & 0xffffff) == 0 ? 1 : 0;
    EXPECT_LT (black, 5);

    f.dispatch (vst::effEditClose);
    EXPECT_FALSE (f.plugin->instance ().isEditorOpen ());
    EXPECT_EQ (f.editor ().getFrame (), nullptr);
}

INSTANTIATE_TEST_SUITE_P (AllSizes, EditorSizes, ::testing::Values (0, 1, 2, 3));

TEST (EditorLifecycle, OpenAndCloseFiftyTimesLeavesNothingBehind)
{
    REQUIRE_X ();
    EditorFixture f;
    auto cycle = [&] (bool main) {
        ASSERT_TRUE (f.open ());
        if (main)
            f.showMainScreen ();
        f.dispatch (vst::effEditIdle);
        f.close ();
    };
    for (int i = 0; i < 5; ++i)
        cycle (i % 2 == 0);
    const int handlers = RunLoop::instance ().eventHandlerCount ();
    const int timers = RunLoop::instance ().timerCount ();
    const std::size_t heap = mallinfo2 ().uordblks;
    for (int i = 0; i < 45; ++i)
        cycle (i % 2 == 0);
    EXPECT_EQ (RunLoop::instance ().eventHandlerCount (), handlers);
    EXPECT_EQ (RunLoop::instance ().timerCount (), timers);
    EXPECT_EQ (handlers, 0) << "the X connection is released with the last frame";
    // Bitmaps alone are megabytes per open: growth here would be a leak.
    EXPECT_LT (mallinfo2 ().uordblks, heap + 2 * 1024 * 1024);
    EXPECT_FALSE (f.plugin->instance ().isEditorOpen ());
}

TEST (EditorLifecycle, TwoInstancesShareTheRunLoop)
{
    REQUIRE_X ();
    EditorFixture a, b;
    ASSERT_TRUE (a.open ());
    ASSERT_TRUE (b.open ());
    a.showMainScreen ();
    b.showMainScreen ();
    a.close ();
    b.idleFor (100);
    EXPECT_TRUE (b.childShownWithin ());
    b.close ();
    EXPECT_EQ (RunLoop::instance ().eventHandlerCount (), 0);
}

// A host may close the instance while its editor is still open: effClose
// destroys the instance, so the editor must close while it is still whole.
TEST (EditorLifecycle, EffCloseWithTheEditorOpen)
{
    REQUIRE_X ();
    vst::AEffect* effect = (new VstPlugin (hostCallback, createEditor))->getAeffect ();
    vst::ERect* rect = nullptr;
    ASSERT_EQ (effect->dispatcher (effect, vst::effEditGetRect, 0, 0, &rect, 0.0f), 1);
    HostWindow window (rect->right - rect->left, rect->bottom - rect->top);
    ASSERT_EQ (effect->dispatcher (effect, vst::effEditOpen, 0, 0, window.parent (), 0.0f), 1);
    EXPECT_EQ (effect->dispatcher (effect, vst::effClose, 0, 0, nullptr, 0.0f), 1);
}

} // namespace
} // namespace morlake::test
