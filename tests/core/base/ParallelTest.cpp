#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/base/Parallel.h"

using namespace velinor;

namespace {

struct ParallelRowsTest : ::testing::TestWithParam<int> {
  void SetUp() override { SetEngineThreads(GetParam()); }
  void TearDown() override { SetEngineThreads(0); }
};

}  // namespace

TEST_P(ParallelRowsTest, EveryRowOnceAndProgressRisingToTheEnd) {
  for (const auto& [begin, end, perRow] :
       std::vector<std::tuple<int, int, int64_t>>{{0, 4000, 6000}, {5, 6, 1 << 20}, {-3, 200, 1},
                                                  {7, 7, 100}, {0, 1000, 0}, {10, 2, 5000}}) {
    std::vector<std::atomic<int>> seen(static_cast<size_t>(std::max(end - begin, 0)));
    std::vector<int> reports;
    const std::thread::id caller = std::this_thread::get_id();
    bool reportedElsewhere = false;
    ParallelRows(begin, end, perRow, [&](int first, int last) {
      ASSERT_LE(begin, first);
      ASSERT_LT(first, last);
      ASSERT_LE(last, end);
      for (int y = first; y < last; ++y) ++seen[static_cast<size_t>(y - begin)];
    }, [&](int done) {
      reportedElsewhere |= std::this_thread::get_id() != caller;
      reports.push_back(done);
    });
    for (const auto& s : seen) ASSERT_EQ(s, 1);
    EXPECT_FALSE(reportedElsewhere);
    if (end <= begin) {
      EXPECT_TRUE(reports.empty());
      continue;
    }
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), end - begin);
    for (size_t i = 1; i < reports.size(); ++i) EXPECT_LT(reports[i - 1], reports[i]);
  }
}

TEST_P(ParallelRowsTest, AnExceptionStopsTheLoopAndReachesTheCaller) {
  std::atomic<int> rows{0};
  EXPECT_THROW(ParallelRows(0, 5000, 1000, [&](int first, int last) {
    if (first <= 100 && 100 < last) throw std::runtime_error("row 100");
    rows += last - first;
    std::this_thread::sleep_for(std::chrono::microseconds(300));  // time for the stop to be seen
  }), std::runtime_error);
  EXPECT_LT(rows, 5000);  // the blocks not yet started are skipped
  int reports = 0;
  EXPECT_THROW(ParallelRows(0, 5000, 1000, [](int, int) {}, [&](int) {
    if (++reports == 1) throw std::logic_error("sink");
  }), std::logic_error);
}

TEST_P(ParallelRowsTest, BlocksEachOnceOnASlotOfTheirOwn) {
  const int threads = GetParam();
  for (const auto& [blocks, pixels] :
       std::vector<std::pair<int, int64_t>>{{0, 1 << 20}, {1, 1 << 20}, {7, 100}, {64, ParallelPixels}, {500, 1 << 24}}) {
    const int slots = ParallelThreads(blocks, pixels);
    EXPECT_EQ(slots, blocks > 1 && pixels >= ParallelPixels ? std::min(threads, blocks) : 1) << blocks << " " << pixels;
    std::vector<std::atomic<int>> seen(static_cast<size_t>(blocks));
    std::vector<std::atomic<int>> busy(static_cast<size_t>(slots));
    std::set<std::thread::id> ran;
    std::mutex ranLock;
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> overlapped{false}, slotZeroElsewhere{false};
    ParallelBlocks(blocks, pixels, [&](int b, int slot) {
      ASSERT_GE(b, 0);
      ASSERT_LT(b, blocks);
      ASSERT_GE(slot, 0);
      ASSERT_LT(slot, slots);
      if (busy[static_cast<size_t>(slot)]++ != 0) overlapped = true;
      if (slot == 0 && std::this_thread::get_id() != caller) slotZeroElsewhere = true;
      ++seen[static_cast<size_t>(b)];
      {
        const std::lock_guard<std::mutex> lock(ranLock);
        ran.insert(std::this_thread::get_id());
      }
      std::this_thread::sleep_for(std::chrono::microseconds(50));
      --busy[static_cast<size_t>(slot)];
    });
    for (const auto& n : seen) EXPECT_EQ(n, 1);
    EXPECT_FALSE(overlapped);
    EXPECT_FALSE(slotZeroElsewhere);
    EXPECT_LE(static_cast<int>(ran.size()), slots);
  }
}

TEST_P(ParallelRowsTest, BlocksStopAtAnExceptionAndRethrowIt) {
  std::atomic<int> done{0};
  EXPECT_THROW(ParallelBlocks(400, 1 << 24, [&](int b, int) {
    if (b == 3) throw std::runtime_error("block 3");
    ++done;
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }), std::runtime_error);
  EXPECT_LT(done, 399);
}

// The count set for the engine holds on every thread, not only on the one that
// set it (the preview's worker runs the same loops).
TEST_P(ParallelRowsTest, TheEngineThreadCountHoldsOnOtherThreadsToo) {
  std::set<std::thread::id> ran;
  std::mutex ranLock;
  std::thread worker([&] {
    ParallelBlocks(64, 1 << 24, [&](int, int) {
      {
        const std::lock_guard<std::mutex> lock(ranLock);
        ran.insert(std::this_thread::get_id());
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    });
  });
  worker.join();
  EXPECT_LE(static_cast<int>(ran.size()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Threads, ParallelRowsTest, ::testing::Values(1, 2, 3));

TEST(EngineThreads, ZeroMeansEveryCore) {
  SetEngineThreads(3);
  EXPECT_EQ(EngineThreads(), 3);
  SetEngineThreads(-4);
  EXPECT_GE(EngineThreads(), 1);
  SetEngineThreads(0);
  EXPECT_GE(EngineThreads(), 1);
}
