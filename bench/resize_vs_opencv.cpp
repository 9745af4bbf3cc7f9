// Velinor's filtered resampler against OpenCV's cv::resize (INTER_LANCZOS4) on
// the same 6000 x 4000 image, in the same run, alternating the two so that both
// see the same machine load. Built with the benchmarks, run by scripts/bench; without
// OpenCV (VELINOR_WITH_OPENCV undefined) only Velinor is timed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "BenchPhoto.h"
#include "BenchTiming.h"
#include "core/base/Parallel.h"
#include "core/resize/StretchEx.h"

#ifdef VELINOR_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

using namespace velinor;

int main(int argc, char** argv) {
  const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const int threads = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  SetEngineThreads(threads);
  const TBitmap src = MakeBenchPhoto();
  std::printf("6000 x 4000, %d threads, median of %d runs\n", threads, reps);

  struct Case { const char* name; int w, h; };
  for (const Case c : {Case{"halve ", 3000, 2000}, Case{"double", 12000, 8000}}) {
    TBitmap dst(c.w, c.h);
    const int filter = ChooseResampleFilter(c.w, c.h, src.Width(), src.Height());
    std::vector<double> ours, theirs;
#ifdef VELINOR_WITH_OPENCV
    cv::setNumThreads(threads);
    const cv::Mat in(src.Height(), src.Width(), CV_8UC3, const_cast<uint8_t*>(src.Bits()), src.Stride());
    cv::Mat out;
#endif
    for (int r = 0; r < reps; ++r) {
      ours.push_back(Milliseconds([&] { ResampleFiltered(filter, FilterTable[filter].Support, src, dst); }));
#ifdef VELINOR_WITH_OPENCV
      theirs.push_back(Milliseconds([&] { cv::resize(in, out, cv::Size(c.w, c.h), 0, 0, cv::INTER_LANCZOS4); }));
#endif
    }
    std::printf("%s  Velinor ResampleFiltered %8.1f ms", c.name, Median(ours));
    if (!theirs.empty())
      std::printf("   OpenCV INTER_LANCZOS4 %8.1f ms   ratio %.2f", Median(theirs), Median(ours) / Median(theirs));
    std::printf("\n");
  }
  return 0;
}
