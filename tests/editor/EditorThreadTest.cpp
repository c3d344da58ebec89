// The audio thread keeps running while the editor opens, idles, closes (also
// under an open dialog) and is destroyed: it only ever reaches the editor's
// atomics.
#include "tests/editor/EditorTestSupport.h"

#include "editor/MessageWindows.h"

#include <atomic>
#include <random>
#include <thread>

namespace morlake::test {
namespace {

TEST (EditorThreads, OpenIdleAndCloseWhileAudioAndAutomationRun)
{
    REQUIRE_X ();
    for (int instance = 0; instance < 2; ++instance)
    {
        auto f = std::make_unique<EditorFixture> ();
        std::atomic<bool> running {true};
        std::atomic<int> blocks {0};
        std::thread audio ([&] {
            std::minstd_rand random (7);
            while (running.load (std::memory_order_relaxed))
            {
                f->process (0.3f, 128);
                f->plugin->setParameter (static_cast<int> (random () % 80),
                                         static_cast<float> (random () % 1000) / 1000.0f);
                blocks.fetch_add (1, std::memory_order_relaxed);
            }
        });
        std::thread automation ([&] {
            std::minstd_rand random (11);
            while (running.load (std::memory_order_relaxed))
            {
                f->plugin->setParameter (static_cast<int> (random () % 80),
                                         static_cast<float> (random () % 1000) / 1000.0f);
                std::this_thread::yield ();
            }
        });
        for (int cycle = 0; cycle < 6; ++cycle)
        {
            ASSERT_TRUE (f->open ());
            if (cycle % 2 == 0)
                f->showMainScreen ();
            if (cycle == 3)
            {
                // The host closes the editor under a typed-value dialog.
                f->editor ().setNumValue (tag::ReverbLength);
                f->idleFor (30, 5);
                f->close ();
                EXPECT_FALSE (f->plugin->instance ().isEditorOpen ());
                continue;
            }
            f->idleFor (60, 5);
            f->close ();
        }
        ASSERT_TRUE (f->open ());
        f->showMainScreen ();
        f->idleFor (50, 5);
        running = false;
        audio.join ();
        automation.join ();
        EXPECT_GT (blocks.load (), 10);
        // Destroyed with its window still open, as a host may do at effClose.
        f.reset ();
    }
}

} // namespace
} // namespace morlake::test
