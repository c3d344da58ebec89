#include "formats/clap/ClapParamIds.h"

#include <algorithm>

namespace morlake {

ClapParamIds::ClapParamIds (const ParameterTable& table)
{
    indexOfTag.fill (-1);
    for (int t = 0; t < kNumParams; ++t)
    {
        if (! table.isUserParameter (t))
            continue;
        const Entry e {fnv1a32 (table.getSymbol (t)), t};
        byIndex[static_cast<std::size_t> (numParams)] = e;
        byId[static_cast<std::size_t> (numParams)] = e;
        idOfTag[static_cast<std::size_t> (t)] = e.id;
        indexOfTag[static_cast<std::size_t> (t)] = numParams;
        ++numParams;
    }
    const auto end = byId.begin () + numParams;
    std::sort (byId.begin (), end, [] (const Entry& a, const Entry& b) { return a.id < b.id; });
    collision =
        std::adjacent_find (byId.begin (), end, [] (const Entry& a, const Entry& b) { return a.id == b.id; }) != end;
}

std::uint32_t ClapParamIds::idAt (int index) const
{
    return index >= 0 && index < numParams ? byIndex[static_cast<std::size_t> (index)].id : 0;
}

int ClapParamIds::tagOf (std::uint32_t id) const
{
    const auto end = byId.begin () + numParams;
    const auto it =
        std::lower_bound (byId.begin (), end, id, [] (const Entry& e, std::uint32_t v) { return e.id < v; });
    return it != end && it->id == id ? it->tag : -1;
}

bool ClapParamIds::idOf (int tag, std::uint32_t& id) const
{
    if (! isValidTag (tag) || tagOf (idOfTag[static_cast<std::size_t> (tag)]) != tag)
        return false;
    id = idOfTag[static_cast<std::size_t> (tag)];
    return true;
}

} // namespace morlake
