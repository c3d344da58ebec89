#include "presets/Chunk.h"

#include <cstring>

namespace morlake {

bool readChunk (const void* data, std::int64_t byteSize, ChunkBlock& out)
{
    if (data == nullptr || byteSize < kChunkSize)
        return false;
    ChunkBlock block;
    std::memcpy (&block, data, kChunkSize);
    for (float& v : block.values)
    {
        if (! (v >= 0.0f)) // negative or NaN
            v = 0.0f;
        else if (v > 1.0f)
            v = 1.0f;
    }
    block.name[kChunkNameSize - 1] = '\0';
    out = block;
    return true;
}

} // namespace morlake
