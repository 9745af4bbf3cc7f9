#include "core/base/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>

#include <omp.h>

namespace velinor {

namespace {

std::atomic<int> g_threads{0};

// About this many pixels a block: small enough to balance the threads, large
// enough that handing blocks out costs nothing next to them.
constexpr int64_t BlockPixels = int64_t{1} << 15;

}  // namespace

void SetEngineThreads(int count) {
  g_threads = count < 0 ? 0 : count;
  // For the loops that run their own OpenMP regions (the resampler's bands, the
  // compressor's pieces) on the calling thread.
  omp_set_num_threads(EngineThreads());
}

int EngineThreads() {
  const int n = g_threads;
  return n > 0 ? n : std::max(1, omp_get_num_procs());
}

void ParallelRows(int begin, int end, int64_t pixelsPerRow, const TRowsBody& body,
                  const TRowsDone& done) {
  if (end <= begin) return;
  const int64_t rows = int64_t{end} - begin;
  const int64_t perRow = std::max<int64_t>(pixelsPerRow, 1);
  const int threads = EngineThreads();
  const int rowsPerBlock = static_cast<int>(std::clamp<int64_t>(BlockPixels / perRow, 1, rows));
  const int blocks = static_cast<int>((rows + rowsPerBlock - 1) / rowsPerBlock);
  auto blockRows = [&](int b, int& first, int& last) {
    first = begin + b * rowsPerBlock;
    last = static_cast<int>(std::min<int64_t>(int64_t{first} + rowsPerBlock, end));
  };
  if (threads <= 1 || blocks <= 1 || rows * perRow < ParallelPixels) {
    // One thread: the same blocks in order, so that done reports as often.
    for (int b = 0; b < blocks; ++b) {
      int first, last;
      blockRows(b, first, last);
      body(first, last);
      if (done) done(last - begin);
    }
    return;
  }
  std::atomic<int> finished{0};
  std::atomic<bool> stop{false};
  std::exception_ptr failure;
  std::mutex failureLock;
  auto fail = [&] {
    const std::lock_guard<std::mutex> lock(failureLock);
    if (!failure) failure = std::current_exception();
    stop = true;
  };
  int reported = 0;
#pragma omp parallel num_threads(std::min(threads, blocks))
  {
    // The calling thread is thread 0 of the team.
    const bool reporter = done && omp_get_thread_num() == 0;
#pragma omp for schedule(dynamic, 1)
    for (int b = 0; b < blocks; ++b) {
      if (stop.load(std::memory_order_relaxed)) continue;
      int first, last;
      blockRows(b, first, last);
      try {
        body(first, last);
      } catch (...) {
        fail();
        continue;
      }
      const int now = finished.fetch_add(last - first, std::memory_order_acq_rel) + (last - first);
      if (reporter && now > reported) {
        try {
          done(now);
          reported = now;
        } catch (...) {
          fail();
        }
      }
    }
  }
  if (failure) std::rethrow_exception(failure);
  if (done && reported < rows) done(static_cast<int>(rows));
}

}  // namespace velinor
