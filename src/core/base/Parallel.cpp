#include "core/base/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>

#include <omp.h>

namespace velinor {

namespace {

std::atomic<int> g_threads{0};

// About this many pixels a block of rows: small enough to balance the threads,
// large enough that handing blocks out costs nothing next to them.
constexpr int64_t BlockPixels = int64_t{1} << 15;

}  // namespace

void SetEngineThreads(int count) { g_threads = count < 0 ? 0 : count; }

int EngineThreads() {
  const int n = g_threads;
  return n > 0 ? n : std::max(1, omp_get_num_procs());
}

int ParallelThreads(int64_t blocks, int64_t pixels) {
  if (blocks <= 1 || pixels < ParallelPixels) return 1;
  return static_cast<int>(std::min<int64_t>(EngineThreads(), blocks));
}

void ParallelBlocks(int blocks, int64_t pixels, const TBlocksBody& body) {
  if (blocks <= 0) return;
  const int threads = ParallelThreads(blocks, pixels);
  if (threads <= 1) {
    for (int b = 0; b < blocks; ++b) body(b, 0);
    return;
  }
  std::atomic<bool> stop{false};
  std::exception_ptr failure;
  std::mutex failureLock;
#pragma omp parallel num_threads(threads)
  {
    // The calling thread is thread 0 of the team.
    const int slot = omp_get_thread_num();
#pragma omp for schedule(dynamic, 1)
    for (int b = 0; b < blocks; ++b) {
      if (stop.load(std::memory_order_relaxed)) continue;
      try {
        body(b, slot);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(failureLock);
        if (!failure) failure = std::current_exception();
        stop = true;
      }
    }
  }
  if (failure) std::rethrow_exception(failure);
}

void ParallelRows(int begin, int end, int64_t pixelsPerRow, const TRowsBody& body,
                  const TRowsDone& done) {
  if (end <= begin) return;
  const int64_t rows = int64_t{end} - begin;
  const int64_t perRow = std::max<int64_t>(pixelsPerRow, 1);
  const int rowsPerBlock = static_cast<int>(std::clamp<int64_t>(BlockPixels / perRow, 1, rows));
  const int blocks = static_cast<int>((rows + rowsPerBlock - 1) / rowsPerBlock);
  std::atomic<int> finished{0};
  int reported = 0;
  ParallelBlocks(blocks, rows * perRow, [&](int b, int slot) {
    const int first = begin + b * rowsPerBlock;
    const int last = static_cast<int>(std::min<int64_t>(int64_t{first} + rowsPerBlock, end));
    body(first, last);
    const int now = finished.fetch_add(last - first, std::memory_order_acq_rel) + (last - first);
    // On one thread the blocks come in order, so done follows every block.
    if (done && slot == 0 && now > reported) {
      done(now);
      reported = now;
    }
  });
  if (done && reported < rows) done(static_cast<int>(rows));
}

}  // namespace velinor
