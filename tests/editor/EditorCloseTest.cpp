// A host may close the instance while its editor is still open.
#include "tests/editor/EditorTestSupport.h"

#include "editor/EditorFactory.h"

using namespace morlake;
using namespace morlake::test;

TEST (EditorClose, EffCloseWithTheEditorOpen)
{
    if (! XServerEnvironment::available ())
        GTEST_SKIP () << "no X server";
    // effClose destroys the instance; the editor must close while it is still whole.
    vst::AEffect* effect = (new APlugin (hostCallback, createEditor))->getAeffect ();
    vst::ERect* rect = nullptr;
    ASSERT_EQ (effect->dispatcher (effect, vst::effEditGetRect, 0, 0, &rect, 0.0f), 1);
    HostWindow window (rect->right - rect->left, rect->bottom - rect->top);
    ASSERT_EQ (effect->dispatcher (effect, vst::effEditOpen, 0, 0, window.parent (), 0.0f), 1);
    EXPECT_EQ (effect->dispatcher (effect, vst::effClose, 0, 0, nullptr, 0.0f), 1);
}
