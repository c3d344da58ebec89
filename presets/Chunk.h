// The 1056-byte state block exchanged with hosts that store chunks:
// 256 native-endian float32 values, then a 32-byte NUL-terminated name.
#pragma once

#include "params/ParamTags.h"

#include <cstdint>

namespace morlake {

constexpr int kChunkNameSize = 32;

struct ChunkBlock
{
    float values[kNumParams];
    char name[kChunkNameSize];
};

constexpr int kChunkSize = 1056;
static_assert (sizeof (ChunkBlock) == kChunkSize);

// Reads a block a host hands back. Refuses (false, `out` untouched) a null
// block or one shorter than a whole state; reads no more than its first
// 1056 bytes of a longer one. Values are made valid: NaN gives 0, everything
// else is clamped to 0..1; the name always ends within its field.
bool readChunk (const void* data, std::int64_t byteSize, ChunkBlock& out);

} // namespace morlake
