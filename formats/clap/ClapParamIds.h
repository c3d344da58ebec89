// CLAP parameter ids: the 32-bit FNV-1a hash of each parameter's symbol, so
// an id never changes while the symbol stays, whatever the tag order.
#pragma once

#include "params/ParameterTable.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace morlake {

constexpr std::uint32_t fnv1a32 (std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : text)
    {
        hash ^= static_cast<unsigned char> (c);
        hash *= 16777619u;
    }
    return hash;
}

// The user parameters in tag order, with their ids; lookups by id are a
// binary search over a fixed array (no allocation, usable in the audio thread).
class ClapParamIds
{
public:
    explicit ClapParamIds (const ParameterTable& table);

    int count () const { return numParams; }
    int tagAt (int index) const
    {
        return index >= 0 && index < numParams ? byIndex[static_cast<std::size_t> (index)].tag : -1;
    }
    std::uint32_t idAt (int index) const;
    // Index of a user parameter's tag; -1 for the other slots.
    int indexOf (int tag) const { return isValidTag (tag) ? indexOfTag[static_cast<std::size_t> (tag)] : -1; }
    // Tag of `id`; -1 when it names no parameter.
    int tagOf (std::uint32_t id) const;
    // Id of `tag`; false when the tag is no user parameter.
    bool idOf (int tag, std::uint32_t& id) const;
    // Two symbols hash alike: the table cannot be published.
    bool hasCollision () const { return collision; }

private:
    struct Entry
    {
        std::uint32_t id = 0;
        int tag = -1;
    };
    std::array<Entry, kNumParams> byIndex {};
    std::array<Entry, kNumParams> byId {};
    std::array<std::uint32_t, kNumParams> idOfTag {};
    std::array<int, kNumParams> indexOfTag {};
    int numParams = 0;
    bool collision = false;
};

} // namespace morlake
