#pragma once
// The raster loops' threads: one helper runs a loop over rows on the engine's
// threads, and one rule decides when a loop is worth it. Results never depend on
// the thread count: every row (or block) must be computed from inputs no other
// row writes, so whichever thread takes it, it comes out the same.
#include <cstdint>
#include <functional>

namespace velinor {

// 0 means every core. Any thread may call the engine; each loop uses this count.
void SetEngineThreads(int count);
int EngineThreads();

// The one rule: a loop goes parallel when it visits at least this many pixels.
// Below it, waking the other threads costs more than they save.
inline constexpr int64_t ParallelPixels = int64_t{1} << 16;

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

}  // namespace velinor
