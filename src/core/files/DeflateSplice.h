#pragma once
// Joining raw deflate streams compressed apart into one stream. A whole-buffer
// compressor always ends its output with a final block; for another piece to
// follow, that flag must go and the stream must reach a byte boundary, which is
// what zlib's sync flush writes: an empty stored block (3 zero bits, padding,
// then 00 00 FF FF).
#include <cstddef>
#include <cstdint>

namespace velinor {

// Longest tail EndWithSyncFlush appends.
inline constexpr size_t SyncFlushMaxBytes = 5;

// data holds one complete raw deflate stream of size bytes (its last block is
// final); capacity must be at least size + SyncFlushMaxBytes. Walks the blocks to
// find the last one, clears its final flag and appends the empty stored block.
// Returns the new size. Throws EWriteError when data is not such a stream.
size_t EndWithSyncFlush(uint8_t* data, size_t size, size_t capacity);

}  // namespace velinor
