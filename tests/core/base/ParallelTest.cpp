#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

INSTANTIATE_TEST_SUITE_P(Threads, ParallelRowsTest, ::testing::Values(1, 2, 3));

TEST(EngineThreads, ZeroMeansEveryCore) {
  SetEngineThreads(3);
  EXPECT_EQ(EngineThreads(), 3);
  SetEngineThreads(-4);
  EXPECT_GE(EngineThreads(), 1);
  SetEngineThreads(0);
  EXPECT_GE(EngineThreads(), 1);
}
