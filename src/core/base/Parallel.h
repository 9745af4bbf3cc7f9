#pragma once
// The core's threads: two helpers run a loop, over rows or over blocks of any
// kind, on the engine's threads, and one rule decides when a loop is worth it.
// Results never depend on the thread count: every row (or block) must be
// computed from inputs no other row writes, so whichever thread takes it, it
// comes out the same.
#include <cstdint>
#include <functional>

namespace velinor {

// 0 means every core. Any thread may call the engine; each loop uses this count.
void SetEngineThreads(int count);
int EngineThreads();

// The one rule: a loop goes parallel when it visits at least this many pixels
// (or bytes, for the file writer's compression) and has more than one block.
// Below it, waking the other threads costs more than they save.
inline constexpr int64_t ParallelPixels = int64_t{1} << 16;

// The threads a loop of blocks blocks visiting pixels in all runs on, by the rule
// above: 1 (the calling thread alone), or the engine's threads, at most one a block.
int ParallelThreads(int64_t blocks, int64_t pixels);

// Rows [first, last) of a loop.
using TRowsBody = std::function<void(int first, int last)>;
// The number of rows finished so far, rising, ending with all of them.
using TRowsDone = std::function<void(int rowsDone)>;

// Runs body over the rows [begin, end), each row exactly once, in blocks of rows
// handed to the threads as they become free (a thread the system holds back does
// not hold the others back). pixelsPerRow is the work of one row, for the rule
// above. done, when given, runs on the calling thread only, after blocks finish.
// An exception thrown by body or done stops the blocks not yet started and is
// rethrown here once the threads have stopped (the first one, when several are).
void ParallelRows(int begin, int end, int64_t pixelsPerRow, const TRowsBody& body,
                  const TRowsDone& done = {});

// Block block of a loop, run by the thread numbered slot: slot is below
// ParallelThreads(blocks, pixels), 0 is the calling thread, and no two blocks run
// on the same slot at once, so a slot may own scratch memory.
using TBlocksBody = std::function<void(int block, int slot)>;

// Runs body for the blocks [0, blocks), each exactly once, handed to the threads
// in that order as they become free, for loops whose blocks are not rows (the
// resampler's bands, the view's tiles, the file writer's pieces). pixels is the
// work of the whole loop, for the rule above. Exceptions as in ParallelRows.
void ParallelBlocks(int blocks, int64_t pixels, const TBlocksBody& body);

}  // namespace velinor
