// CLAP parameter ids: the hash, unique ids, and the published ids frozen.
#include "formats/clap/ClapParamIds.h"

#include <gtest/gtest.h>

#include <set>

namespace morlake {
namespace {

TEST (ClapParamIds, HashIsFnv1a32)
{
    static_assert (fnv1a32 ("") == 0x811c9dc5u);
    static_assert (fnv1a32 ("a") == 0xe40c292cu);
    static_assert (fnv1a32 ("foobar") == 0xbf9cf968u);
}

TEST (ClapParamIds, EveryUserParameterHasOneUniqueId)
{
    const ParameterTable table;
    const ClapParamIds ids (table);
    EXPECT_FALSE (ids.hasCollision ());
    std::set<std::uint32_t> seen;
    int users = 0;
    for (int t = 0; t < kNumParams; ++t)
    {
        std::uint32_t id = 0;
        EXPECT_EQ (ids.idOf (t, id), table.isUserParameter (t)) << t;
        if (! table.isUserParameter (t))
            continue;
        ++users;
        EXPECT_TRUE (seen.insert (id).second) << table.getSymbol (t);
        EXPECT_EQ (ids.tagOf (id), t);
    }
    EXPECT_EQ (ids.count (), users);
    EXPECT_EQ (ids.tagOf (0x12345678u), -1);
}

// Sessions store these ids: a symbol's id never changes, and no id is
// reused. A new parameter adds a row; none is edited or removed.
TEST (ClapParamIds, PublishedIdsAreFrozen)
{
    const struct
    {
        const char* symbol;
        std::uint32_t id;
    } published[] = {
#include "ClapParamIds.published.inc"
    };
    const ParameterTable table;
    const ClapParamIds ids (table);
    for (const auto& row : published)
    {
        SCOPED_TRACE (row.symbol);
        EXPECT_EQ (fnv1a32 (row.symbol), row.id);
        const int tag = table.findBySymbol (row.symbol);
        ASSERT_GE (tag, 0) << "a published symbol disappeared";
        std::uint32_t id = 0;
        ASSERT_TRUE (ids.idOf (tag, id));
        EXPECT_EQ (id, row.id);
    }
    EXPECT_EQ (static_cast<int> (std::size (published)), ids.count ()) << "a new parameter needs its row here";
}

} // namespace
} // namespace morlake
