// The shared values: a reader that copies only after counted writes still
// ends up with every value written.
#include "params/ParamValues.h"

#include <gtest/gtest.h>

#include <functional>

using namespace morlake;

TEST (ParamValues, EveryCountedWriteIsCopiedAndOnlyThose)
{
    ParamValues other;
    other.fill (0.25f);
    const float source[kNumParams] = {0.5f};
    const std::pair<const char*, std::function<void (ParamValues&)>> writes[] = {
        {"set", [] (ParamValues& v) { v.set (7, 0.75f); }},
        {"fill", [] (ParamValues& v) { v.fill (0.125f); }},
        {"copyFrom array", [&] (ParamValues& v) { v.copyFrom (source); }},
        {"copyFrom values", [&] (ParamValues& v) { v.copyFrom (other); }},
    };
    for (const auto& [name, write] : writes)
    {
        SCOPED_TRACE (name);
        ParamValues v;
        float p[kNumParams] {};
        std::uint32_t seen = ~0u;
        EXPECT_TRUE (v.copyToIfChanged (p, seen));
        EXPECT_FALSE (v.copyToIfChanged (p, seen));
        v.setUncounted (3, 0.9f);
        EXPECT_FALSE (v.copyToIfChanged (p, seen));
        EXPECT_EQ (p[3], 0.0f);
        v.set (-1, 1.0f); // invalid tags write nothing
        EXPECT_FALSE (v.copyToIfChanged (p, seen));

        write (v);
        EXPECT_TRUE (v.copyToIfChanged (p, seen));
        for (int t = 0; t < kNumParams; ++t)
            ASSERT_EQ (p[t], v[t]) << t;
    }
}
